// The keys held as far as the program has seen them: auto-repeat is dropped per key, and
// key events that only stand in for keys the engine cannot name are told apart.
#pragma once
#include <irrlicht.h>

class KeyTracker
{
public:
	KeyTracker();

	//! Reads one line of the engine's log. The X11 device announces every key it cannot
	//! map just before it hands the key over under its raw X key code, which collides with
	//! the engine's own codes (X key code 164 arrives as Left Alt).
	void noteLogText(const char* text);
	//! Whether the key event is a real key-down or key-up that the program should act on:
	//! false for the auto-repeat of a key already held and for a raw X key code.
	bool accept(const irr::SEvent::SKeyInput& key);
	bool isHeld(irr::s32 key) const;
	//! Forgets that key is held, when its key-up went elsewhere.
	void release(irr::s32 key);

	//! One slot per engine key code (raw X key codes fit as well).
	static const irr::s32 KEY_SLOTS = 256;

private:
	bool Held[KEY_SLOTS];
	//! The next key event is a raw X key code (announced by the log line before it).
	bool RawCodeNext;
};
