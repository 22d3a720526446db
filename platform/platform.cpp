// Windows half: the real window property, debugger and file calls. Portable half: the
// POSIX file calls and stand-ins with the same names (no tablet service to configure;
// debug lines go to stderr).
#include "platform/platform.h"

#include <SExposedVideoData.h>

#include <atomic>
#include <cerrno>
#include <chrono>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform
{

//! Differs between processes, between runs and between calls.
static std::string uniqueNumber()
{
	static std::atomic<unsigned> counter(0);
	return std::to_string(GetCurrentProcessId()) + "-"
		+ std::to_string((unsigned long long)std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007ull)
		+ "-" + std::to_string(counter++);
}

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

std::string displayProblem()
{
	return std::string();
}

// A lost key-up does not happen here the way it does with X11's pointer focus; losing the
// focus is what releases keys, and the frame loop sees that.
int heldModifierKeys(void*)
{
	return -1;
}

unsigned char firstDepthBits()
{
	return 24;
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

std::FILE* createUniqueFile(const std::string& path, const char* suffix, std::string* name)
{
	for (int attempt = 0; attempt < 100; ++attempt)
	{
		const std::string candidate = path + suffix + uniqueNumber();
		// CREATE_NEW fails on any existing name, a link included.
		HANDLE handle = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
		if (handle == INVALID_HANDLE_VALUE)
		{
			const DWORD error = GetLastError();
			if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
				continue;
			errno = error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? ENOENT
				: error == ERROR_ACCESS_DENIED ? EACCES : error == ERROR_DISK_FULL ? ENOSPC : EIO;
			return nullptr;
		}
		// The C file owns the descriptor, which owns the handle.
		const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
		std::FILE* file = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
		if (!file)
		{
			if (descriptor >= 0)
				_close(descriptor);
			else
				CloseHandle(handle);
			DeleteFileA(candidate.c_str());
			errno = EIO;
			return nullptr;
		}
		*name = candidate;
		return file;
	}
	errno = EEXIST;
	return nullptr;
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
#include <X11/keysym.h>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace platform
{

//! Differs between processes, between runs and between calls.
static std::string uniqueNumber()
{
	static std::atomic<unsigned> counter(0);
	return std::to_string(getpid()) + "-"
		+ std::to_string((unsigned long long)std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007ull)
		+ "-" + std::to_string(counter++);
}

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
std::string displayProblem()
{
	const char* name = std::getenv("DISPLAY");
	if (!name || !name[0])
		return "no display to open a window on (DISPLAY is not set); "
			"to run it without a screen use: xvfb-run -s '-screen 0 1024x768x24' ./vantrel";
	Display* display = XOpenDisplay(nullptr);
	if (!display)
		return std::string("no X server answers on display ") + name + " (DISPLAY): it is not running, "
			"or this user may not use it";
	XCloseDisplay(display);
	return std::string();
}

int heldModifierKeys(void* connection)
{
	Display* display = static_cast<Display*>(connection);
	if (!display)
		return -1;
	char keys[32];
	XQueryKeymap(display, keys);
	// Events and replies arrive in the order the server made them: with nothing queued after
	// the reply, every key event sent before it has already been handed to the program.
	if (XEventsQueued(display, QueuedAlready) > 0)
		return -1;
	const auto down = [&](KeySym symbol) {
		const KeyCode code = XKeysymToKeycode(display, symbol);
		return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
	};
	return (down(XK_Alt_L) ? HELD_LEFT_ALT : 0) | (down(XK_Control_L) ? HELD_LEFT_CTRL : 0)
		| (down(XK_Shift_L) ? HELD_LEFT_SHIFT : 0);
}

unsigned char firstDepthBits()
{
	return 128;
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

std::FILE* createUniqueFile(const std::string& path, const char* suffix, std::string* name)
{
	for (int attempt = 0; attempt < 100; ++attempt)
	{
		const std::string candidate = path + suffix + uniqueNumber();
		// O_EXCL with O_NOFOLLOW: fails on any existing name, and on a link above all.
		const int descriptor = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
		if (descriptor < 0)
		{
			if (errno == EEXIST)
				continue;
			return nullptr;
		}
		std::FILE* file = fdopen(descriptor, "wb");
		if (!file)
		{
			const int error = errno;
			close(descriptor);
			unlink(candidate.c_str());
			errno = error;
			return nullptr;
		}
		*name = candidate;
		return file;
	}
	errno = EEXIST;
	return nullptr;
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
