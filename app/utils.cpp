#include "app/utils.h"
#include "platform/platform.h"

#include <cstdio>

using namespace irr;

// Lines longer than the buffer are cut; the newline is kept so the channel stays line-based.
static void writeLine(char (&line)[100], int written)
{
	if (written >= (int)sizeof(line))
		line[sizeof(line) - 2] = '\n';
	platform::debugOutput(line);
}

void utils_log(s32 value)
{
	char line[100];
	writeLine(line, std::snprintf(line, sizeof(line), "utils_log: %i\n", (int)value));
}

void utils_log(u32 value)
{
	char line[100];
	writeLine(line, std::snprintf(line, sizeof(line), "utils_log: %i\n", (int)value));
}

void utils_log(f32 value)
{
	char line[100];
	writeLine(line, std::snprintf(line, sizeof(line), "utils_log: %f\n", (double)value));
}

void utils_log(const char* text)
{
	char line[100];
	writeLine(line, std::snprintf(line, sizeof(line), "utils_log: %s\n", text));
}

f32 utils_remap(f32 value, f32 inMin, f32 inMax, f32 outMin, f32 outMax)
{
	return (value - inMin) * (outMax - outMin) / (inMax - inMin) + outMin;
}
