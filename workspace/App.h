// The workspace: all drawing state (strokes, brush, tool, keys, anchor and markers,
// drawing root, undo history, GIF capture) and every operation that input causes.
// The operations are split by topic over App.cpp (lifecycle, settings, keys),
// AppDrawing.cpp, AppPicking.cpp, AppCamera.cpp, AppHistory.cpp and gif/GifRecording.cpp.
#pragma once
#include "workspace/StrokePicker.h"

#include <irrlicht.h>

class StrokeNode;
struct Command;

//! Translucent white (alpha 100 of 255): anchor and markers, and the brush preview over the panel.
const irr::video::SColor NEUTRAL_PREVIEW_COLOR(0x64FFFFFF);

//! Whether pointer lies at least pixels (Euclidean) away from from.
bool movedAtLeast(irr::core::position2di pointer, irr::core::position2di from, irr::s32 pixels);

class App
{
public:
	App();
	~App();

	//! Creates the drawing root, anchor, markers and light; selects the round brush.
	void init(irr::scene::ISceneManager* sceneManager, irr::scene::ICameraSceneNode* camera);

	// Settings copied from the side panel's widgets.
	void setBackdropColor(irr::video::SColor color);
	void setBrushColor(irr::video::SColor color);
	void setBrushSize(irr::f32 radius, irr::f32 thickness);
	//! 0 round brush (draw), 1 erase brush.
	void setTool(irr::s32 tool);
	//! 0 plain, 1 lit, 2 wireframe; applied to every committed stroke.
	void setStrokeDisplayMode(irr::s32 mode);
	//! Colour of the stroke the last pick hit, else the backdrop colour.
	irr::video::SColor colorUnderPointer() const;

	// Input, called by the event receiver. Pointers are window pixels.
	void onKeyDown(irr::s32 key);
	void onKeyUp(irr::s32 key);
	//! button: 0 left, 1 right, 2 middle.
	void onMousePress(irr::core::position2di pointer, irr::s32 button);
	void onMouseMove(irr::core::position2di pointer);
	void onMouseRelease();

	// Drawing.
	void beginStroke(irr::core::position2di pointer);
	void continueStroke(irr::core::position2di pointer);
	void addStrokePoint(irr::core::position2di pointer);
	//! World point of the plane through the anchor, facing the camera, under the pointer.
	irr::core::vector3df pointerToDrawingPlane(irr::core::position2di pointer) const;
	void commitStroke();

	// Hover, picking and erasing.
	void pickUnderPointer(irr::core::position2di pointer);
	void highlightHovered();
	void clearHighlight();
	void eraseAt(irr::core::position2di pointer, bool forced);
	void setPointerOverPanel(bool over);
	void faceMarkerToCamera();

	// Camera navigation.
	void orbit(irr::core::position2di pointer);
	void twistDrawing(irr::core::position2di pointer);
	void pan(irr::core::position2di pointer);
	void dollyByDrag(irr::core::position2di pointer);
	//! Moves the camera along its line of sight; positive amounts move away from the target.
	void dolly(irr::f32 amount);
	void focusOnAnchor();
	void updateWorldToDrawing();

	// Undo and redo.
	void recordAdd();
	void recordErase();
	void pushUndo(Command* command);
	void clearRedo();
	void undo();
	void redo();
	//! Takes the strokes that are hidden and held by no command out of the drawing and
	//! frees them (a command that left the history can never show them again); called
	//! by pushUndo, which every recorded change ends with.
	void freeForgottenStrokes();

	// GIF recording of the view.
	void startGifRecording();
	void captureGifFrame();
	void writeGif();
	//! Called by the frame loop after drawing a frame and before showing it: while a recording
	//! runs on OpenGL, keeps a copy of that frame for the next capture.
	void keepDrawnFrame();

	irr::video::SColor BackdropColor;
	//! Length of the last rendered frame in seconds, written by the frame loop.
	irr::f32 FrameDelta;
	irr::scene::ICameraSceneNode* Camera;
	irr::scene::ISceneManager* SceneManager;
	irr::core::position2di LastPointer;
	bool Navigating;
	irr::scene::IMeshSceneNode* AnchorNode;
	bool SnapToSurface;
	StrokeNode* CurrentStroke;
	StrokeNode* HighlightedStroke;
	bool Drawing;
	//! Committed strokes in commit order; the scene graph owns the nodes.
	irr::core::array<StrokeNode*> Strokes;
	//! Owning; newest first.
	irr::core::array<Command*> UndoList;
	//! Owning; most recently undone first.
	irr::core::array<Command*> RedoList;
	irr::video::SColor BrushColor;
	irr::f32 BrushRadius;
	irr::f32 BrushThickness;
	irr::scene::IMeshSceneNode* DrawMarker;
	irr::scene::IMeshSceneNode* EraseMarker;
	irr::scene::IMeshSceneNode* ActiveMarker;
	bool PointerOverPanel;
	irr::s32 PressedButton;
	//! Accumulated orbit angles in degrees.
	irr::f32 OrbitYaw;
	irr::f32 OrbitPitch;
	irr::scene::IDummyTransformationSceneNode* DrawingRoot;
	//! Inverse of the drawing root's absolute transformation: world to stroke-local space.
	irr::core::matrix4 WorldToDrawing;
	bool Twisting;
	StrokeNode* HoveredStroke;
	bool AltDown;
	bool CtrlDown;
	bool ShiftDown;
	irr::s32 HistoryLimit;
	irr::s32 Tool;
	bool Erasing;
	//! Screenshots of the running recording; one reference held per non-null slot.
	irr::core::array<irr::video::IImage*> GifFrames;
	bool RecordingGif;
	irr::s32 GifFrameCount;
	irr::s32 GifFramesCaptured;
	irr::f32 GifTimeSinceCapture;
	//! Seconds between two captures (1/120).
	irr::f32 GifCaptureInterval;
	//! While recording on OpenGL, the frame last drawn (one reference); null otherwise.
	irr::video::IImage* LastDrawnFrame;
	//! Finds the stroke under the pointer among Strokes.
	StrokePicker Picker;
};
