// When the frame loop draws: at once on input, continuously while something on screen
// moves by itself, and otherwise not at all, asleep until the window system has something.
#pragma once
#include <irrlicht.h>

class App;
class UIPanel;

//! Longest sleep of an idle frame loop in milliseconds, so that work finished on other
//! threads is looked at by the loop soon enough.
const irr::u32 IDLE_WAKE_MS = 100;
//! How long after start every pass draws, in milliseconds: the window system may show the
//! window only after the first frames were drawn, and says so to the engine alone.
const irr::u32 START_FRAMES_MS = 2000;

//! Whether the view changes without input: a recording is being captured, or the note at
//! the foot of the view is showing (it goes by itself). panel may be null.
bool viewIsAnimating(const App& app, const UIPanel* panel);

//! Sits between the device and the program's receiver to see input arrive, and tells the
//! frame loop whether to draw.
class FramePacer : public irr::IEventReceiver
{
public:
	//! Becomes the device's receiver; every event goes on to next unchanged.
	FramePacer(irr::IrrlichtDevice* device, irr::IEventReceiver* next);

	bool OnEvent(const irr::SEvent& event) override;

	//! Called once per pass of the loop, after device->run(). True: draw a frame now (there
	//! was input or a window event since the last frame, the frame after such a frame, or
	//! animating is set, or the program has only just started). False: nothing would change on screen; the call has waited until
	//! the window system had something, at most IDLE_WAKE_MS.
	bool frameWanted(bool animating);
	//! Milliseconds spent waiting since the last call, which belong to no frame.
	irr::u32 takeIdleTime();

	irr::IrrlichtDevice* Device;
	irr::IEventReceiver* Next;
	//! An event other than a log line arrived since the last frame.
	bool InputSinceFrame;
	//! Frames still to draw whatever happens: the first frames, and one after each frame
	//! drawn for input (which also covers window events that came in while drawing it).
	irr::u32 FramesOwed;
	irr::u32 IdleTime;
	//! Real time of the engine's timer when the pacer was made.
	irr::u32 StartTime;
};
