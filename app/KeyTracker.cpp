#include "app/KeyTracker.h"

#include <cstring>

using namespace irr;

// What the engine's X11 device logs (at the information level) right before it passes
// on an unmapped key under its X key code; nothing else in the engine says so.
static const char* const RAW_KEY_CODE_NOTE = "using orig. X11 keycode instead";

KeyTracker::KeyTracker()
	: RawCodeNext(false)
{
	for (s32 i = 0; i < KEY_SLOTS; ++i)
		Held[i] = false;
}

void KeyTracker::noteLogText(const char* text)
{
	if (text && std::strstr(text, RAW_KEY_CODE_NOTE))
		RawCodeNext = true;
}

bool KeyTracker::accept(const SEvent::SKeyInput& key)
{
	if (RawCodeNext)
	{
		RawCodeNext = false;
		return false;
	}
	const s32 code = (s32)key.Key;
	if (code < 0 || code >= KEY_SLOTS)
		return false;
	if (key.PressedDown)
	{
		// Auto-repeat sends key-downs without key-ups: only the first one of a held key counts.
		if (Held[code])
			return false;
		Held[code] = true;
		return true;
	}
	Held[code] = false;
	return true;
}

bool KeyTracker::isHeld(s32 key) const
{
	return key >= 0 && key < KEY_SLOTS && Held[key];
}

void KeyTracker::release(s32 key)
{
	if (key >= 0 && key < KEY_SLOTS)
		Held[key] = false;
}
