#include "app/utils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

TEST(UtilsRemap, MapsLinearlyBetweenRanges)
{
	EXPECT_FLOAT_EQ(utils_remap(50, 0, 100, 1, 30), 15.5f);
	EXPECT_FLOAT_EQ(utils_remap(0, 0, 100, 0.1f, 1), 0.1f);
	EXPECT_FLOAT_EQ(utils_remap(100, 0, 100, 0.1f, 1), 1.f);
}

TEST(UtilsRemap, ExtrapolatesPastTheInputRange)
{
	EXPECT_FLOAT_EQ(utils_remap(200, 0, 100, 0.01f, 2), 3.99f);
	// Negative pointer motion gives a positive dolly amount.
	EXPECT_FLOAT_EQ(utils_remap(-20, 0, 100, 0, -50), 10.f);
}

#if defined(_WIN32)
// OutputDebugStringA raises DBG_PRINTEXCEPTION_C carrying the text (length with the
// terminator, then the address) before the debugger channel gets it; a vectored handler
// sees it first, keeps a copy and lets it go on.
static std::string Captured;

static LONG CALLBACK keepDebugString(EXCEPTION_POINTERS* info)
{
	const EXCEPTION_RECORD* record = info->ExceptionRecord;
	if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2)
		Captured.append(reinterpret_cast<const char*>(record->ExceptionInformation[1]),
			record->ExceptionInformation[0] - 1);
	return EXCEPTION_CONTINUE_SEARCH;
}

// Captures what the log writes to the debugger output channel.
static std::string captureLog(void (*write)())
{
	Captured.clear();
	void* handler = AddVectoredExceptionHandler(1, keepDebugString);
	write();
	RemoveVectoredExceptionHandler(handler);
	return Captured;
}
#else
// Captures what the log writes to the debug channel (standard error outside Windows).
static std::string captureLog(void (*write)())
{
	std::fflush(stderr);
	char path[] = "/tmp/vantrel-log-XXXXXX";
	const int file = mkstemp(path);
	const int saved = dup(2);
	dup2(file, 2);
	write();
	std::fflush(stderr);
	dup2(saved, 2);
	close(saved);
	std::string text(4096, '\0');
	text.resize(pread(file, &text[0], text.size(), 0));
	close(file);
	unlink(path);
	return text;
}
#endif

TEST(UtilsLog, WritesOneFormattedLinePerValue)
{
	EXPECT_EQ(captureLog([] { utils_log((irr::s32)-7); }), "utils_log: -7\n");
	EXPECT_EQ(captureLog([] { utils_log((irr::u32)42); }), "utils_log: 42\n");
	EXPECT_EQ(captureLog([] { utils_log(1.5f); }), "utils_log: 1.500000\n");
	EXPECT_EQ(captureLog([] { utils_log("hello"); }), "utils_log: hello\n");
}

TEST(UtilsLog, CutsLongLinesButKeepsTheNewline)
{
	const std::string line = captureLog([] { utils_log(std::string(300, 'x').c_str()); });
	EXPECT_EQ(line.size(), 99u);
	EXPECT_EQ(line.back(), '\n');
	EXPECT_EQ(line.compare(0, 11, "utils_log: "), 0);
}
