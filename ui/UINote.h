// A one-line note at the foot of the view that tells the user what a file operation did
// (or why it failed); it hides itself a few seconds after it first shows.
#pragma once
#include <irrlicht.h>

//! How long a note stays on screen, in milliseconds of the engine's timer.
const irr::u32 NOTE_DURATION_MS = 4000;

class UINote : public irr::gui::IGUIElement
{
public:
	UINote(irr::gui::IGUIEnvironment* environment, irr::gui::IGUIElement* parent, irr::s32 id);

	//! Shows text from the next frame on for NOTE_DURATION_MS and writes it to standard error.
	void show(const char* text);
	//! Takes the note off the screen at once.
	void hide();
	//! Whether the note is on screen (or about to be): the window must keep drawing frames.
	bool isShowing() const;

	void draw() override;
	//! Starts the note's time at the first frame that draws it; hides it once that time is up.
	void OnPostRender(irr::u32 timeMs) override;
	//! The note never takes the pointer: presses under it belong to the view.
	bool isPointInside(const irr::core::position2di& point) const override;

	irr::gui::IGUIFont* Font;
	//! Engine time at which the note goes; 0 until the first frame has drawn it.
	irr::u32 HideTime;
};
