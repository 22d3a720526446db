// The program's one engine event receiver: routes pointer and key input to the
// workspace or leaves it to the side panel, and copies the widgets' settings.
#pragma once
#include <irrlicht.h>

class App;
class UIPanel;

class EventReceiver : public irr::IEventReceiver
{
public:
	EventReceiver();
	~EventReceiver() override;

	//! Never consumes an event: the GUI always sees it afterwards.
	bool OnEvent(const irr::SEvent& event) override;
	//! Copies colours, brush size and tool from the panel's widgets into the workspace.
	void syncSettings();

	//! Input goes nowhere while this is null.
	App* Application;
	//! May be null (no panel): then nothing is read from or sent to widgets.
	UIPanel* Panel;
	irr::core::position2di Pointer;
	//! A button went down in the 3-D view and has not been released.
	bool ButtonHeld;
	//! Key of the last key-down passed on, for auto-repeat filtering; -1 after a key-up.
	irr::s32 HeldKey;
};
