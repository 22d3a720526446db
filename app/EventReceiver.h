// The program's one engine event receiver: routes pointer and key input to the
// workspace or leaves it to the side panel, and copies the widgets' settings.
#pragma once
#include "app/KeyTracker.h"
#include "platform/PenInput.h"

#include <irrlicht.h>

#include <vector>

class App;
class UIPanel;

class EventReceiver : public irr::IEventReceiver
{
public:
	EventReceiver();
	~EventReceiver() override;

	//! Consumes only the pointer events of a drag that began in the 3-D view, so that no
	//! panel widget acts on them; the GUI sees every other event afterwards.
	bool OnEvent(const irr::SEvent& event) override;
	//! Copies colours, brush size and tool from the panel's widgets into the workspace.
	void syncSettings();
	//! Copies only the settings that differ from the workspace's, so that a widget's change
	//! reaches the workspace before it acts again, whatever the next event is.
	void syncChangedSettings();
	//! Called by the frame loop before each frame: follows the window's focus and the real
	//! keyboard, and brings the widgets' latest settings into the frame.
	void beforeFrame(irr::IrrlichtDevice* device);
	//! Hands the pen's samples that arrived so far to the workspace, in order; called before
	//! every pointer event and every frame.
	void takePenSamples();
	//! Releases the keys whose key-up went elsewhere: every held key when the window has just
	//! lost the focus, and each left modifier that heldModifiers (platform HELD_ bits, or -1
	//! when unknown) says is up.
	void followKeyboard(bool windowFocused, int heldModifiers);

	//! Input goes nowhere while this is null.
	App* Application;
	//! May be null (no panel): then nothing is read from or sent to widgets.
	UIPanel* Panel;
	//! Not owned; null without a pen.
	platform::PenInput* Pen;
	irr::core::position2di Pointer;
	//! A button went down in the 3-D view and has not been released.
	bool ButtonHeld;
	//! The keys held, for auto-repeat filtering.
	KeyTracker Keys;
	//! Whether the window had the focus at the last frame.
	bool WindowFocused;

private:
	//! Releases the left Ctrl and Shift when the engine reports them up in an input event.
	void followModifiers(bool control, bool shift);
	//! Acts as the key-up of a key that is held.
	void releaseKey(irr::s32 key);
	//! The pointer came back over the panel during a colour pick: the candidate stroke's
	//! colour becomes the picker's, or the pick ends without one.
	void answerPickRequest();
	//! A button of the 3-D view went up: ends a recording and the workspace's drag.
	void releaseButton(irr::s32 button);

	//! Reused by takePenSamples, so that polling allocates nothing.
	std::vector<platform::PenSample> PenSamples;
};
