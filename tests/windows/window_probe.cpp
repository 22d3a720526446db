// Looks at the window captioned "Vantrel" from another process, as the tablet-pen service and
// the desktop do: prints the value of its pen property (0 when the window has none) and the
// size of its client area, and exits with 0; exits with 1 when no such window exists.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

int main()
{
	HWND window = FindWindowA(nullptr, "Vantrel");
	if (!window)
	{
		std::fprintf(stderr, "window_probe: no window captioned Vantrel\n");
		return 1;
	}
	const ULONG_PTR pen = reinterpret_cast<ULONG_PTR>(GetPropA(window, "MicrosoftTabletPenServiceProperty"));
	RECT client = {};
	GetClientRect(window, &client);
	std::printf("pen %lu\nclient %ldx%ld\n", static_cast<unsigned long>(pen), client.right - client.left,
		client.bottom - client.top);
	return 0;
}
