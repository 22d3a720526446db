#include "app/EventReceiver.h"
#include "ui/UIBrushEditor.h"
#include "ui/UIColorPicker.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

using namespace irr;

EventReceiver::EventReceiver()
	: Application(nullptr), Panel(nullptr), Pointer(0, 0), ButtonHeld(false), HeldKey(-1)
{
}

EventReceiver::~EventReceiver()
{
}

bool EventReceiver::OnEvent(const SEvent& event)
{
	if (!Application)
		return false;

	if (event.EventType == EET_MOUSE_INPUT_EVENT)
	{
		const SEvent::SMouseInput& mouse = event.MouseInput;
		// Window pixels; with no button held the strip x < PANEL_WIDTH is the panel's, unless
		// the panel is hidden for a recording: then the whole window is the view.
		Pointer = core::position2di(mouse.X, mouse.Y);
		if (Pointer.X < PANEL_WIDTH && !ButtonHeld && !(Panel && Panel->isRecordingRequested()))
		{
			Application->setPointerOverPanel(true);
			if (mouse.Event == EMIE_LMOUSE_PRESSED_DOWN || mouse.Event == EMIE_LMOUSE_LEFT_UP
				|| mouse.Event == EMIE_MOUSE_MOVED)
				syncSettings();
			return false;
		}
	}

	Application->setPointerOverPanel(false);

	if (event.EventType == EET_MOUSE_INPUT_EVENT)
	{
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
			// The pressed-down codes are 0, 1 and 2: the button number.
			Application->onMousePress(Pointer, (s32)event.MouseInput.Event);
			ButtonHeld = true;
			break;
		case EMIE_LMOUSE_LEFT_UP:
		case EMIE_RMOUSE_LEFT_UP:
		case EMIE_MMOUSE_LEFT_UP:
			// The left-up codes are 3, 4 and 5; only the recording button's release ends a
			// recording (the panel comes back with the next frame).
			Application->stopGifRecording((s32)event.MouseInput.Event - EMIE_LMOUSE_LEFT_UP);
			Application->onMouseRelease();
			ButtonHeld = false;
			break;
		case EMIE_MOUSE_MOVED:
			Application->onMouseMove(Pointer);
			break;
		default:
			break;
		}
	}
	else if (event.EventType == EET_KEY_INPUT_EVENT)
	{
		const s32 key = (s32)event.KeyInput.Key;
		// Escape cancels a requested or running recording and brings the panel back.
		if (key == KEY_ESCAPE && event.KeyInput.PressedDown && Panel && Panel->isRecordingRequested())
		{
			Application->cancelGifRecording();
			Panel->endRecordingRequest();
		}
		if (event.KeyInput.PressedDown)
		{
			if (key != HeldKey)
			{
				Application->onKeyDown(key);
				HeldKey = key;
			}
		}
		else
		{
			Application->onKeyUp(key);
			HeldKey = -1;
		}
	}
	return false;
}

void EventReceiver::syncSettings()
{
	if (!Application || !Panel)
		return;
	UIColorPicker* picker = Panel->ColorPicker;
	UIBrushEditor* editor = Panel->BrushEditor;
	if (picker->PickRequested)
		picker->setColor(Application->colorUnderPointer());
	Application->setBrushColor(picker->getColor());
	Application->setBackdropColor(picker->BackdropColor);
	Application->setBrushSize(editor->getRadius(), editor->getThickness());
	Application->setTool(editor->BrushKind);
}
