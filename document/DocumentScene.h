// Where the drawing record meets the workspace and the panel: a record made from what is
// on screen, and a record turned back into strokes, camera, twist, anchor and brush.
#pragma once
#include "document/Document.h"

class App;
class UIPanel;

//! The visible strokes and the view of the workspace. Copies points only (no meshes), so it
//! is cheap enough for the frame loop.
Document captureDocument(const App& app);

//! Replaces the workspace's drawing with the record: removes every stroke and clears the
//! undo history, rebuilds the strokes from their points, and sets camera, twist, anchor,
//! backdrop and brush.
void restoreDocument(App& app, const Document& drawing);

//! Shows the record's brush and backdrop in the panel's widgets, which the settings
//! synchronisation copies into the workspace from then on.
void showDocumentSettings(UIPanel& panel, const Document& drawing);
