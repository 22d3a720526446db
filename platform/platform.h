// Operating-system services the program needs beyond the engine: the tablet-pen
// window property, the debugger output line and OpenGL entry points. Callers never see
// an #ifdef.
#pragma once

namespace platform
{

//! The window the user is working in (the active window on Windows), or null.
void* activeWindow();

//! Switches the tablet pen's press-and-hold gesture on or off for a window, so
//! that a pen held still keeps drawing instead of raising a right click.
//! Returns whether the window property could be set or removed.
bool setPressAndHold(void* window, bool enable);

//! Whether a window can be opened at all (on X11: a display is named).
bool hasDisplay();

//! Writes one line to the debugger's output channel.
void debugOutput(const char* line);

//! The address of an OpenGL function by name, for the context current on this thread.
//! The answer may be non-null for a function the context does not support: callers check
//! the context's version first.
void* glFunction(const char* name);

} // namespace platform
