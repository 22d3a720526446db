// Operating-system services the program needs beyond the engine: the tablet-pen
// window property, the debugger output line, OpenGL entry points and the two steps of
// replacing a file safely. Callers never see an #ifdef.
#pragma once
#include <cstdio>
#include <string>

namespace irr
{
namespace video
{
struct SExposedVideoData;
}
} // namespace irr

namespace platform
{

//! The window the user is working in (the active window on Windows), or null.
void* activeWindow();

//! Switches the tablet pen's press-and-hold gesture on or off for a window, so
//! that a pen held still keeps drawing instead of raising a right click.
//! Returns whether the window property could be set or removed.
bool setPressAndHold(void* window, bool enable);

//! Why no window can be opened on this machine's display, as a sentence for the user (no
//! display named, no X server answering on it); empty when a window can be tried.
std::string displayProblem();

//! Bits of heldModifierKeys: the left-hand modifier keys.
const int HELD_LEFT_ALT = 1;
const int HELD_LEFT_CTRL = 2;
const int HELD_LEFT_SHIFT = 4;

//! Which of the left Alt, Ctrl and Shift keys the keyboard really holds now (HELD_ bits),
//! asked through the window system connection the engine uses (display, may be null).
//! -1 when that cannot be told, or when input is still waiting that the program has not
//! seen: the answer could then run ahead of the program's own view of the keys.
int heldModifierKeys(void* display);

//! Depth-buffer bits to ask the window system for first. WGL drivers offer no multisampled
//! pixel format with a 128-bit depth buffer, and the engine then quietly takes one without
//! multisampling, so Windows asks for 24; GLX refuses the request outright, and the
//! program's own fallback then tries 24 and 16 with anti-aliasing still on.
unsigned char firstDepthBits();

//! Writes one line to the debugger's output channel.
void debugOutput(const char* line);

//! The address of an OpenGL function by name, for the context current on this thread.
//! The answer may be non-null for a function the context does not support: callers check
//! the context's version first.
void* glFunction(const char* name);

//! Flushes what was written to an open file all the way to the disk (the C library's
//! buffer, then the system's cache), so that a rename after it never exposes a file whose
//! data is not there yet. Returns whether both steps succeeded.
bool syncFile(std::FILE* file);

//! Creates a new file beside path for writing, named path + suffix + a number, and opens it
//! for binary writing. A name that exists already, as a file, a directory or a link, is never
//! opened but passed over for another number: a link planted under the name cannot send the
//! data elsewhere. Returns the open file and its name, or null with errno set.
std::FILE* createUniqueFile(const std::string& path, const char* suffix, std::string* name);

//! Puts the complete, closed file temporary in the place of target in one step, replacing
//! target if it exists: a reader sees the old file or the new one, never a mix. Returns
//! false (and leaves both files as they were) if that cannot be done, for instance when
//! target is a directory.
bool replaceFile(const char* temporary, const char* target);

//! Waits until the window system has something for the program's window (input, or the
//! window shown or uncovered), for at most timeoutMs milliseconds, without using the CPU.
//! window is what the engine's video driver exposes of its window. Returns whether
//! something arrived; the engine's next run() hands it over.
bool waitForWindowEvents(const irr::video::SExposedVideoData& window, unsigned timeoutMs);

} // namespace platform
