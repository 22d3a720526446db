// The workspace: all drawing state (strokes, brush, tool, keys, anchor and markers,
// drawing root, undo history, GIF capture) and every operation that input causes.
// The operations are split by topic over App.cpp (lifecycle, settings, keys),
// AppDrawing.cpp, AppPicking.cpp, AppCamera.cpp, AppHistory.cpp and gif/GifRecording.cpp.
#pragma once
#include "gif/CaptureClock.h"
#include "platform/PenInput.h"
#include "workspace/StrokePicker.h"

#include <irrlicht.h>

#include <vector>

class StrokeNode;
struct Command;
class RecordingWriter;
class UIPanel;
class DocumentKeeper;

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
	//! The tool a press uses now: the erase brush while the pen's eraser end is in use,
	//! else the panel's.
	irr::s32 activeTool() const;
	//! Length in pixels of the string by which the drawn path trails the pointer; 0 is off.
	void setSmoothing(irr::f32 pixels);
	//! 0 plain, 1 lit, 2 wireframe; applied to every committed stroke.
	void setStrokeDisplayMode(irr::s32 mode);

	// Input, called by the event receiver. Pointers are window pixels.
	void onKeyDown(irr::s32 key);
	void onKeyUp(irr::s32 key);
	//! button: 0 left, 1 right, 2 middle.
	void onMousePress(irr::core::position2di pointer, irr::s32 button);
	void onMouseMove(irr::core::position2di pointer);
	void onMouseRelease();
	//! A sample of the pen, in the order the pen made them; the engine's own pointer events
	//! still say when a stroke begins and ends, the pen's samples give its points.
	void onPenSample(const platform::PenSample& sample);

	// Drawing.
	void beginStroke(irr::core::position2di pointer);
	void continueStroke(irr::core::position2di pointer);
	void addStrokePoint(irr::core::position2di pointer);
	//! World point of the plane through the anchor, facing the camera, under the pointer.
	irr::core::vector3df pointerToDrawingPlane(irr::core::position2di pointer) const;
	//! The same for a position with a fraction of a pixel (the pen's).
	irr::core::vector3df pointerToDrawingPlane(irr::core::vector2d<irr::f64> pointer) const;
	void commitStroke();

	// Hover, picking and erasing.
	void pickUnderPointer(irr::core::position2di pointer);
	void highlightHovered();
	void clearHighlight();
	void eraseAt(irr::core::position2di pointer, bool forced);
	void setPointerOverPanel(bool over);
	void faceMarkerToCamera();
	//! During a colour pick: the stroke under the pointer, if any, becomes ColorCandidate and is
	//! shown highlighted; the anchor stays where it is. Returns whether a stroke is under it.
	bool pickColorCandidate(irr::core::position2di pointer);
	//! Ends a colour pick: no candidate, no highlight.
	void endColorPick();
	//! Shows the anchor again if the round brush is selected (the erase brush shows none).
	void showAnchorForTool();

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

	// GIF recording of the view into "vantrel.gif" (gif/GifRecording.cpp): frames captured by
	// the frame loop on the wall clock, encoded by a worker thread.
	//! At the press that starts a requested recording; button 0 left, 1 right, 2 middle.
	void startGifRecording(irr::s32 button);
	//! At a button's release: the recording button's ends the recording with the view at the
	//! release, drawn there and then, as its last frame.
	void stopGifRecording(irr::s32 button);
	//! Records one full turn of the camera about its target on a fixed timeline.
	void startTurntable();
	//! Drops the running recording or turntable: nothing is written, the camera goes back.
	void cancelGifRecording();
	//! Called by the frame loop after drawing a frame and before showing it: captures the
	//! frame when the recording wants one.
	void keepDrawnFrame();
	//! Called by the frame loop once per pass: starts a requested turntable, brings the panel
	//! back when a recording has ended and shows the writer's reports as notes.
	void updateRecording(UIPanel* panel);
	//! Whether frames must be drawn continuously (a recording or turntable runs).
	bool isRecording() const;
	//! Whether a file is still being written: updateRecording must keep being called.
	bool isWritingGif() const;
	//! At the end: a gesture still recording keeps what it has, then the writer finishes its
	//! files and goes.
	void releaseGifWriter();

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
	//! A recording or turntable is capturing frames.
	bool RecordingGif;
	//! The button whose release ends the recording; -1 for a turntable.
	irr::s32 RecordingButton;
	//! Wall-clock times of the running recording.
	CaptureClock GifClock;
	//! A recording has ended since the panel was last told: the panel may come back.
	bool GifRecordingEnded;
	//! Frames handed to the writer in the running recording.
	irr::s32 GifFramesCaptured;
	//! Frame of the turntable drawn next (0 to TURNTABLE_FRAMES - 1); -1 when none runs.
	irr::s32 TurntableFrame;
	//! The camera as the turntable found it, world space; it goes back there exactly.
	irr::core::vector3df TurntablePosition;
	irr::core::vector3df TurntableTarget;
	irr::core::vector3df TurntableUp;
	//! Whether the anchor and the marker showed before the recording hid them.
	bool AnchorWasVisible;
	bool MarkerWasVisible;
	//! Owning; made at the first recording, it finishes its files when the workspace goes.
	RecordingWriter* GifWriter;
	//! A colour pick ("PickColor") is under way: pointer moves look for a stroke to take from.
	bool PickingColor;
	//! The stroke last under the pointer during the colour pick; not owning.
	StrokeNode* ColorCandidate;
	//! The running erase drag has recorded an erase: its next ones join the same undo step.
	bool EraseStepOpen;
	//! Counts the changes of the drawing (commit, erase, undo, redo, open); the autosave watches it.
	irr::u32 Revision;
	//! Saving and opening for Ctrl+S and Ctrl+O; not owned, may be null.
	DocumentKeeper* Documents;
	//! Finds the stroke under the pointer among Strokes.
	StrokePicker Picker;

	//! Pixels by which the drawn path trails the pointer; 0 draws at the pointer.
	irr::f32 Smoothing;
	//! The pen's tip or eraser touches (between its press and release samples).
	bool PenTouching;
	//! The pen's eraser end was the last to report: presses erase.
	bool PenEraser;
	//! The open stroke takes its points from the pen's samples, not from pointer moves.
	bool StrokeFromPen;
	//! Pen samples since the pen touched down whose stroke has not begun yet: the press
	//! that begins it comes through the engine, sometimes after them.
	std::vector<platform::PenSample> PenPending;
	//! Window pixels with their fraction: where the open stroke's pointer is, where the
	//! string's end is, and the last position that became a point.
	irr::core::vector2d<irr::f64> StrokePointer;
	irr::core::vector2d<irr::f64> StringEnd;
	irr::core::vector2d<irr::f64> StrokeSample;
	//! The pen's latest pressure, 0 to 1 (1 for the mouse).
	irr::f32 StrokePressure;

private:
	//! Shows the markers of activeTool().
	void showTool();
	//! Begins the stroke at a position with its pressure.
	void beginStrokeAt(irr::core::vector2d<irr::f64> at, irr::f32 pressure);
	//! The pointer of the open stroke moved there: the string's end follows and each
	//! position of it far enough from the last point becomes a point.
	void followPointer(irr::core::vector2d<irr::f64> at, irr::f32 pressure);
	//! Adds a point where the string's end is if it lies far enough from the last one.
	void sampleAt(irr::core::vector2d<irr::f64> at, irr::f32 pressure);
	void addStrokePointAt(irr::core::vector2d<irr::f64> at, irr::f32 pressure);
	//! A stabilised stroke ends at the pointer: points along the way from the last one.
	void finishAtPointer();
};
