#include "app/EventReceiver.h"
#include "platform/platform.h"
#include "stroke/StrokeNode.h"
#include "ui/UIBrushEditor.h"
#include "ui/UIColorPicker.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

using namespace irr;

EventReceiver::EventReceiver()
	: Application(nullptr), Panel(nullptr), Pen(nullptr), Pointer(0, 0), ButtonHeld(false), WindowFocused(false)
{
}

EventReceiver::~EventReceiver()
{
}

bool EventReceiver::OnEvent(const SEvent& event)
{
	if (!Application)
		return false;

	if (event.EventType == EET_LOG_TEXT_EVENT)
	{
		// The engine's log is no input: it only tells which key events stand for unknown keys.
		Keys.noteLogText(event.LogEvent.Text);
		return false;
	}

	if (event.EventType == EET_MOUSE_INPUT_EVENT)
	{
		// The pen's samples up to this event come first: they give the points of its stroke.
		takePenSamples();
		const SEvent::SMouseInput& mouse = event.MouseInput;
		// Pointer events carry the engine's view of Ctrl and Shift, whatever window got their key-ups.
		followModifiers(mouse.Control, mouse.Shift);
		// Window pixels; with no button held the strip x < PANEL_WIDTH is the panel's, unless
		// the panel is hidden for a recording: then the whole window is the view.
		Pointer = core::position2di(mouse.X, mouse.Y);
		if (Pointer.X < PANEL_WIDTH && !ButtonHeld && !(Panel && Panel->isRecordingRequested()))
		{
			Application->setPointerOverPanel(true);
			if (Application->PickingColor)
				answerPickRequest();
			if (mouse.Event == EMIE_LMOUSE_PRESSED_DOWN || mouse.Event == EMIE_LMOUSE_LEFT_UP
				|| mouse.Event == EMIE_MOUSE_MOVED)
				syncSettings();
			return false;
		}
	}

	// A key (Ctrl+S, say) moves no pointer: with the pointer over the panel the marker stays
	// the panel's neutral preview.
	if (event.EventType != EET_KEY_INPUT_EVENT)
		Application->setPointerOverPanel(false);
	// A widget may have changed with the last panel event, after that event's synchronisation.
	syncChangedSettings();

	if (event.EventType == EET_MOUSE_INPUT_EVENT)
	{
		// The rest of a drag that began in the view is the workspace's alone.
		const bool consumed = ButtonHeld;
		if (Panel && Panel->ColorPicker->PickRequested)
			Application->PickingColor = true;
		switch (event.MouseInput.Event)
		{
		case EMIE_LMOUSE_PRESSED_DOWN:
		case EMIE_RMOUSE_PRESSED_DOWN:
		case EMIE_MMOUSE_PRESSED_DOWN:
			if (Panel && Panel->isRecordingRequested() && !Application->RecordingGif)
			{
				Application->startGifRecording((s32)event.MouseInput.Event);
				Panel->hideRecordingWarning();
			}
			ButtonHeld = true;
			// A click on a stroke during a colour pick takes its colour and draws nothing.
			if (event.MouseInput.Event == EMIE_LMOUSE_PRESSED_DOWN && Application->PickingColor
				&& !Application->Navigating && Application->pickColorCandidate(Pointer))
			{
				Panel->ColorPicker->setColor(Application->ColorCandidate->getColor());
				Application->endColorPick();
				syncChangedSettings();
				break;
			}
			// The pressed-down codes are 0, 1 and 2: the button number.
			Application->onMousePress(Pointer, (s32)event.MouseInput.Event);
			break;
		case EMIE_LMOUSE_LEFT_UP:
		case EMIE_RMOUSE_LEFT_UP:
		case EMIE_MMOUSE_LEFT_UP:
			// The left-up codes are 3, 4 and 5.
			releaseButton((s32)event.MouseInput.Event - EMIE_LMOUSE_LEFT_UP);
			break;
		case EMIE_MOUSE_MOVED:
			Application->onMouseMove(Pointer);
			break;
		case EMIE_MOUSE_WHEEL:
			// The view's wheel scales the selection; it must not reach a slider that has the focus.
			Application->onMouseWheel(event.MouseInput.Wheel);
			return true;
		default:
			break;
		}
		return consumed;
	}
	if (event.EventType == EET_KEY_INPUT_EVENT)
	{
		if (!Keys.accept(event.KeyInput))
			return false;
		const s32 key = (s32)event.KeyInput.Key;
		// Escape cancels a requested or running recording and brings the panel back.
		if (key == KEY_ESCAPE && event.KeyInput.PressedDown && Panel && Panel->isRecordingRequested())
		{
			Application->cancelGifRecording();
			Panel->endRecordingRequest();
		}
		// A modifier's own event reports the state from before it; other keys report it as is.
		if (key != KEY_LCONTROL && key != KEY_LSHIFT && key != KEY_LMENU)
			followModifiers(event.KeyInput.Control, event.KeyInput.Shift);
		// M flips the panel's mirror button; the settings carry it to the workspace.
		if (key == KEY_KEY_M && event.KeyInput.PressedDown && Panel && !Application->Navigating
			&& !Application->CtrlDown)
		{
			Panel->BrushEditor->setMirror(!Panel->BrushEditor->Mirror);
			syncChangedSettings();
		}
		if (event.KeyInput.PressedDown)
			Application->onKeyDown(key);
		else
			Application->onKeyUp(key);
	}
	return false;
}

void EventReceiver::releaseButton(s32 button)
{
	// Only the recording button's release ends a recording (the panel comes back with the
	// next frame).
	Application->stopGifRecording(button);
	Application->onMouseRelease();
	ButtonHeld = false;
}

void EventReceiver::takePenSamples()
{
	if (!Pen || !Application)
		return;
	PenSamples.clear();
	Pen->poll(PenSamples);
	for (const platform::PenSample& sample : PenSamples)
	{
		Application->onPenSample(sample);
		// A pen that went away in the middle of a drag never sends its release.
		if (sample.Event == platform::PenSample::PEN_GONE && ButtonHeld)
			releaseButton(0);
	}
}

void EventReceiver::syncSettings()
{
	if (!Application || !Panel)
		return;
	UIColorPicker* picker = Panel->ColorPicker;
	UIBrushEditor* editor = Panel->BrushEditor;
	Application->setBrushColor(picker->getColor());
	Application->setBackdropColor(picker->BackdropColor);
	Application->setBrushSize(editor->getRadius(), editor->getThickness());
	Application->setTool(editor->BrushKind);
	Application->setMirror(editor->Mirror);
	Application->setSmoothing((f32)Panel->SmoothingBar->getPos());
}

void EventReceiver::syncChangedSettings()
{
	if (!Application || !Panel)
		return;
	UIColorPicker* picker = Panel->ColorPicker;
	UIBrushEditor* editor = Panel->BrushEditor;
	if (picker->getColor() != Application->BrushColor)
		Application->setBrushColor(picker->getColor());
	if (picker->BackdropColor != Application->BackdropColor)
		Application->setBackdropColor(picker->BackdropColor);
	const f32 radius = editor->getRadius(), thickness = editor->getThickness();
	if (radius != Application->BrushRadius || thickness != Application->BrushThickness)
		Application->setBrushSize(radius, thickness);
	if (editor->BrushKind != Application->Tool)
		Application->setTool(editor->BrushKind);
	if (editor->Mirror != Application->Mirror)
		Application->setMirror(editor->Mirror);
	Application->setSmoothing((f32)Panel->SmoothingBar->getPos());
}

void EventReceiver::beforeFrame(IrrlichtDevice* device)
{
	if (!Application)
		return;
	// Asking the window system costs a round trip: only while a modifier is thought held.
	int held = -1;
	if (Application->AltDown || Application->CtrlDown || Application->ShiftDown)
		held = platform::heldModifierKeys(device->getVideoDriver()->getExposedVideoData().OpenGLLinux.X11Display);
	followKeyboard(device->isWindowFocused(), held);
	takePenSamples();
	syncChangedSettings();
}

void EventReceiver::followKeyboard(bool windowFocused, int heldModifiers)
{
	if (!Application)
		return;
	if (WindowFocused && !windowFocused)
	{
		// The key-ups of whatever is held now go to another window.
		for (s32 key = 0; key < KeyTracker::KEY_SLOTS; ++key)
			if (Keys.isHeld(key))
				releaseKey(key);
	}
	WindowFocused = windowFocused;
	if (heldModifiers < 0)
		return;
	if (Application->AltDown && !(heldModifiers & platform::HELD_LEFT_ALT))
		releaseKey(KEY_LMENU);
	if (Application->CtrlDown && !(heldModifiers & platform::HELD_LEFT_CTRL))
		releaseKey(KEY_LCONTROL);
	if (Application->ShiftDown && !(heldModifiers & platform::HELD_LEFT_SHIFT))
		releaseKey(KEY_LSHIFT);
}

void EventReceiver::followModifiers(bool control, bool shift)
{
	if (Application->CtrlDown && !control)
		releaseKey(KEY_LCONTROL);
	if (Application->ShiftDown && !shift)
		releaseKey(KEY_LSHIFT);
}

void EventReceiver::releaseKey(s32 key)
{
	Keys.release(key);
	Application->onKeyUp(key);
}

void EventReceiver::answerPickRequest()
{
	if (!Panel)
		return;
	UIColorPicker* picker = Panel->ColorPicker;
	// With no stroke hovered since the request the colour stays as it was.
	if (Application->ColorCandidate)
		picker->setColor(Application->ColorCandidate->getColor());
	else
		picker->PickRequested = false;
	Application->endColorPick();
}
