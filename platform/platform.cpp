// Windows half: the real window property, debugger and file calls. Portable half: the
// POSIX file calls and stand-ins with the same names (no tablet service to configure;
// debug lines go to stderr).
#include "platform/platform.h"

#include <SExposedVideoData.h>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>

namespace platform
{

static const char* const TABLET_PEN_PROPERTY = "MicrosoftTabletPenServiceProperty";
// Documented flag of the tablet-pen service: turns off press-and-hold right clicks.
static const ULONG_PTR TABLET_DISABLE_PRESSANDHOLD = 0x00000001;

void* activeWindow()
{
	return GetActiveWindow();
}

bool setPressAndHold(void* window, bool enable)
{
	if (GlobalAddAtomA(TABLET_PEN_PROPERTY) == 0)
		return false;
	HWND hwnd = static_cast<HWND>(window);
	if (!enable)
		return SetPropA(hwnd, TABLET_PEN_PROPERTY, reinterpret_cast<HANDLE>(TABLET_DISABLE_PRESSANDHOLD)) != 0;
	return RemovePropA(hwnd, TABLET_PEN_PROPERTY) != nullptr;
}

bool hasDisplay()
{
	return true;
}

void debugOutput(const char* line)
{
	OutputDebugStringA(line);
}

void* glFunction(const char* name)
{
	return reinterpret_cast<void*>(wglGetProcAddress(name));
}

bool syncFile(std::FILE* file)
{
	if (std::fflush(file) != 0)
		return false;
	HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
	return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

bool replaceFile(const char* temporary, const char* target)
{
	// Write-through: the call returns once the new directory entry is on the disk.
	return MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool waitForWindowEvents(const irr::video::SExposedVideoData&, unsigned timeoutMs)
{
	// Any message for this thread's windows ends the wait.
	return MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, QS_ALLINPUT) == WAIT_OBJECT_0;
}

} // namespace platform

#else
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace platform
{

// There is no notion of an active window handle outside Windows here.
void* activeWindow()
{
	return nullptr;
}

// X11 tablets have no press-and-hold gesture to switch off: nothing to do, and
// nothing was set, so the call reports false like a failed property call.
bool setPressAndHold(void*, bool)
{
	return false;
}

// The engine's X11 device needs a display server to talk to.
bool hasDisplay()
{
	const char* display = std::getenv("DISPLAY");
	return display && display[0];
}

// The nearest thing to a debugger channel: standard error, unbuffered.
void debugOutput(const char* line)
{
	std::fputs(line, stderr);
}

// The engine's OpenGL device on X11 runs on GLX.
void* glFunction(const char* name)
{
	return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

bool syncFile(std::FILE* file)
{
	return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

bool replaceFile(const char* temporary, const char* target)
{
	// rename() replaces a file in one step, and refuses to replace a directory with a file.
	if (std::rename(temporary, target) != 0)
		return false;
	// The new directory entry reaches the disk with the directory's own sync; the rename has
	// happened either way, so a failure here is not reported.
	const char* slash = std::strrchr(target, '/');
	const std::string directory = slash ? std::string(target, slash == target ? 1 : slash - target) : std::string(".");
	const int descriptor = open(directory.c_str(), O_RDONLY | O_DIRECTORY);
	if (descriptor >= 0)
	{
		fsync(descriptor);
		close(descriptor);
	}
	return true;
}

bool waitForWindowEvents(const irr::video::SExposedVideoData& window, unsigned timeoutMs)
{
	Display* display = static_cast<Display*>(window.OpenGLLinux.X11Display);
	if (!display)
	{
		usleep(timeoutMs * 1000);
		return false;
	}
	// Events Xlib has read already would never make the connection readable again.
	if (XEventsQueued(display, QueuedAfterFlush) > 0)
		return true;
	pollfd connection = {ConnectionNumber(display), POLLIN, 0};
	return poll(&connection, 1, (int)timeoutMs) > 0;
}

} // namespace platform
#endif
