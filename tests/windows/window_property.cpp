// Reads the tablet-pen property of the window captioned "Vantrel" from another process, as
// the pen service does: prints the property's value (0 when the window has none) and exits
// with 0, or exits with 1 when no such window exists.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

int main()
{
	HWND window = FindWindowA(nullptr, "Vantrel");
	if (!window)
	{
		std::fprintf(stderr, "window_property: no window captioned Vantrel\n");
		return 1;
	}
	const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(GetPropA(window, "MicrosoftTabletPenServiceProperty"));
	std::printf("%lu\n", static_cast<unsigned long>(value));
	return 0;
}
