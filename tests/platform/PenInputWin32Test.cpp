// The Windows pen: pointer histories and WinTab packets turned into samples, and the pen
// input on a real window fed by stand-ins for the system's pointer functions.
#include <gtest/gtest.h>

#include "platform/PenInputWin32.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

using platform::PenSample;
typedef std::vector<PenSample::EPenEvent> Events;

namespace
{

const POINTER_FLAGS DOWN = POINTER_FLAG_INCONTACT | POINTER_FLAG_INRANGE;
const PenSample::EPenEvent MOVE = PenSample::PEN_MOVE, PRESS = PenSample::PEN_PRESS,
						   RELEASE = PenSample::PEN_RELEASE, GONE = PenSample::PEN_GONE;

// A history entry at a screen pixel (and a HIMETRIC point); pressure -1: the pen reports none.
POINTER_PEN_INFO pen(LONG x, LONG y, POINTER_FLAGS flags = 0, PEN_FLAGS penFlags = 0, int pressure = 512,
	POINT himetric = {0, 0})
{
	POINTER_PEN_INFO info = {};
	info.pointerInfo.ptPixelLocation = {x, y};
	info.pointerInfo.ptHimetricLocation = himetric;
	info.pointerInfo.pointerFlags = flags;
	info.penFlags = penFlags;
	info.penMask = pressure >= 0 ? PEN_MASK_PRESSURE : 0;
	info.pressure = pressure >= 0 ? pressure : 0;
	return info;
}

std::vector<PenSample> translate(const std::vector<POINTER_PEN_INFO>& newestFirst,
	const platform::PointerMapping& mapping = {}, bool touching = false)
{
	std::vector<PenSample> out;
	platform::translatePointerHistory(newestFirst.data(), newestFirst.size(), mapping, touching, out);
	return out;
}

Events events(const std::vector<PenSample>& samples)
{
	Events out;
	for (const PenSample& sample : samples)
		out.push_back(sample.Event);
	return out;
}

} // namespace

TEST(PenPointerHistory, NewestFirstComesOutOldestFirstInWindowPixels)
{
	// The client area's origin at (100, 40) on the screen.
	const std::vector<PenSample> out = translate({pen(130, 43), pen(120, 42), pen(110, 41)}, {false, {}, {}, 100, 40});
	ASSERT_EQ(out.size(), 3u);
	for (int i = 0; i < 3; ++i)
		EXPECT_TRUE(out[i].X == 10 * (i + 1) && out[i].Y == i + 1) << i << ": " << out[i].X << ", " << out[i].Y;
	const std::vector<PenSample> one = translate({pen(7, 9)});
	EXPECT_TRUE(one.size() == 1 && one[0].X == 7 && one[0].Y == 9);
}

TEST(PenPointerHistory, PressureFrom0To1024AndTheEraserFromPenFlags)
{
	const struct
	{
		int Pressure;
		PEN_FLAGS Flags;
		float Expected;
		bool Eraser;
	} cases[] = {{0, 0, 0.f, false}, {512, PEN_FLAG_BARREL, 0.5f, false}, {1024, 0, 1.f, false}, {4000, 0, 1.f, false},
		{-1, 0, 1.f, false}, {256, PEN_FLAG_ERASER, 0.25f, true}, {0, PEN_FLAG_INVERTED, 0.f, true}};
	for (const auto& c : cases)
	{
		const PenSample sample = translate({pen(1, 1, DOWN, c.Flags, c.Pressure)})[0];
		EXPECT_FLOAT_EQ(sample.Pressure, c.Expected) << c.Pressure;
		EXPECT_EQ(sample.Eraser, c.Eraser) << c.Flags;
	}
}

TEST(PenPointerHistory, HimetricPositionsGiveTheFractionOfAPixel)
{
	// 20000 x 10000 HIMETRIC over 2000 x 1000 pixels from (-2000, 0); the client area at (-1900, 100).
	const platform::PointerMapping mapping = {true, {0, 0, 20000, 10000}, {-2000, 0, 0, 1000}, -1900, 100};
	const PenSample fine = translate({pen(-1877, 568, 0, 0, 0, {1234, 5678})}, mapping)[0];
	EXPECT_NEAR(fine.X, 23.4, 1e-9);
	EXPECT_NEAR(fine.Y, 467.8, 1e-9);
	// Far from the pen's own pixel the rectangles describe another space (a DPI-scaled window).
	const PenSample coarse = translate({pen(-1000, 568, 0, 0, 0, {1234, 5678})}, mapping)[0];
	EXPECT_TRUE(coarse.X == 900 && coarse.Y == 468) << coarse.X << ", " << coarse.Y;
}

TEST(PenPointerHistory, ContactChangesArePressesAndReleases)
{
	// Newest first: hovering, lifted, touching, touching down, hovering.
	EXPECT_EQ(events(translate({pen(5, 0, POINTER_FLAG_INRANGE), pen(4, 0, POINTER_FLAG_UP), pen(3, 0, DOWN),
				  pen(2, 0, DOWN | POINTER_FLAG_DOWN), pen(1, 0, POINTER_FLAG_INRANGE)})),
		(Events{MOVE, PRESS, MOVE, RELEASE, MOVE}));
	// Touching before the history: no second press. A cancelled pointer is gone.
	EXPECT_EQ(events(translate({pen(1, 0, DOWN)}, {}, true)), Events{MOVE});
	EXPECT_EQ(events(translate({pen(1, 0, DOWN | POINTER_FLAG_CANCELED)}, {}, true)), Events{GONE});
}

namespace
{

platform::WinTabPacket packet(LONG x, LONG y, DWORD buttons = 0, UINT pressure = 0, UINT cursor = 1, UINT status = 0)
{
	return {status, cursor, buttons, x, y, pressure};
}

// 10000 x 5000 tablet units (Y upwards) over the screen's 1000 x 500 pixels; the client
// area at (100, 50). No pressure axis when the range is empty.
platform::WinTabMapping tablet(double pressureMin = 0, double pressureMax = 1023)
{
	return {0, 0, 10000, 5000, 0, 0, 1000, 500, 100, 50, pressureMax > pressureMin, pressureMin, pressureMax};
}

// The packets as WTPacketsGet lays them out: 24 bytes each, 20 without the pressure item.
std::vector<PenSample> translate(const std::vector<platform::WinTabPacket>& packets,
	const platform::WinTabMapping& mapping = tablet())
{
	const std::size_t bytes = mapping.HasPressure ? 24 : 20;
	std::vector<unsigned char> buffer(packets.size() * bytes);
	for (std::size_t i = 0; i < packets.size(); ++i)
		std::memcpy(&buffer[i * bytes], &packets[i], bytes);
	std::vector<PenSample> out;
	bool touching = false;
	platform::translateWinTabPackets(buffer.data(), packets.size(), mapping, touching, out);
	return out;
}

} // namespace

TEST(PenWinTabPackets, TabletUnitsBecomeWindowPixelsWithYDownwards)
{
	for (const platform::WinTabMapping& mapping : {tablet(), tablet(0, 0)})
	{
		// (5005, 2500) is screen (500.5, 250); (2500, 5000) the tablet's top edge: screen y 0.
		const std::vector<PenSample> out = translate({packet(5005, 2500), packet(2500, 5000)}, mapping);
		EXPECT_NEAR(out[0].X, 400.5, 1e-9);
		EXPECT_NEAR(out[0].Y, 200, 1e-9);
		EXPECT_TRUE(out[1].X == 150 && out[1].Y == -50) << out[1].X << ", " << out[1].Y;
	}
	platform::WinTabMapping downwards = tablet();
	downwards.OutExtY = -5000; // a negative extent counts from the top
	EXPECT_EQ(translate({packet(2500, 1000)}, downwards)[0].Y, 50);
}

TEST(PenWinTabPackets, PressureByTheAxisEraserByCursorOrStatusContactByTipOrPressure)
{
	const UINT TPS_INVERT = 0x0010; // wintab.h
	// Buttons: bit 0 is the tip; a driver counting the tip as button 1 still reports pressure.
	const struct
	{
		platform::WinTabPacket Packet;
		platform::WinTabMapping Mapping;
		float Expected;
		bool Eraser;
		PenSample::EPenEvent Event;
	} cases[] = {{packet(0, 0, 1, 0), tablet(), 0.f, false, PRESS}, {packet(0, 0, 0, 1023), tablet(), 1.f, false, PRESS},
		{packet(0, 0, 2, 2000, 4), tablet(), 1.f, false, PRESS}, {packet(0, 0, 2, 0, 0), tablet(), 0.f, false, MOVE},
		{packet(0, 0, 1, 200, 2), tablet(100, 300), 0.5f, true, PRESS},
		{packet(0, 0, 0, 50, 5), tablet(100, 300), 0.f, true, MOVE}, {packet(0, 0, 0, 0, 0), tablet(0, 0), 1.f, false, MOVE},
		{packet(0, 0, 1, 0, 1, TPS_INVERT), tablet(0, 0), 1.f, true, PRESS}};
	for (const auto& c : cases)
	{
		const PenSample sample = translate({c.Packet}, c.Mapping)[0];
		EXPECT_FLOAT_EQ(sample.Pressure, c.Expected) << c.Packet.NormalPressure;
		EXPECT_EQ(sample.Eraser, c.Eraser) << c.Packet.Cursor;
		EXPECT_EQ(sample.Event, c.Event) << c.Packet.Buttons << ", " << c.Packet.NormalPressure;
	}
	// Lifting the tip is a release.
	EXPECT_EQ(events(translate({packet(0, 0, 1, 300), packet(0, 0, 1, 310), packet(0, 0)})), (Events{PRESS, MOVE, RELEASE}));
}

namespace
{

// The pen's history (newest first) the stand-ins hand out; what the engine's procedure saw.
std::vector<POINTER_PEN_INFO> History;
std::vector<UINT> EngineMessages;
const UINT32 PEN = 7;

BOOL WINAPI pointerType(UINT32 id, POINTER_INPUT_TYPE* type)
{
	*type = id == PEN ? PT_PEN : PT_TOUCH;
	return TRUE;
}
BOOL WINAPI penNow(UINT32, POINTER_PEN_INFO* info)
{
	*info = History[0];
	info->pointerInfo.historyCount = (UINT32)History.size();
	return TRUE;
}
BOOL WINAPI penHistory(UINT32, UINT32* count, POINTER_PEN_INFO* infos)
{
	std::copy(History.begin(), History.begin() + std::min<std::size_t>(*count, History.size()), infos);
	*count = (UINT32)History.size();
	return TRUE;
}
LRESULT CALLBACK engineProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	EngineMessages.push_back(message);
	return DefWindowProcA(window, message, wParam, lParam);
}

class PenInputWindow : public ::testing::Test
{
protected:
	void SetUp() override
	{
		WNDCLASSA windowClass = {};
		windowClass.lpfnWndProc = engineProcedure;
		windowClass.hInstance = GetModuleHandleA(nullptr);
		windowClass.lpszClassName = "VantrelPenTest";
		RegisterClassA(&windowClass); // ANSI, as the engine's window is
		// A message-only window: a real window procedure, never shown.
		Window = CreateWindowA("VantrelPenTest", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
		ASSERT_NE(Window, nullptr);
		Engine = GetWindowLongPtrA(Window, GWLP_WNDPROC);
		ClientToScreen(Window, &Origin); // samples are in window pixels, the stand-ins' on the screen
		Input.reset(platform::createPenInput(Window, Pointer, {}, nullptr));
		ASSERT_NE(Input, nullptr);
		EngineMessages.clear();
	}
	void TearDown() override
	{
		Input.reset();
		if (Window)
			DestroyWindow(Window);
	}
	std::vector<PenSample> poll()
	{
		std::vector<PenSample> out;
		Input->poll(out);
		return out;
	}
	const platform::PointerFunctions Pointer = {pointerType, penNow, penHistory, nullptr};

	HWND Window = nullptr;
	LONG_PTR Engine = 0;
	POINT Origin = {0, 0};
	std::unique_ptr<platform::PenInput> Input;
};

} // namespace

TEST_F(PenInputWindow, PenHistoryIsQueuedAndEveryMessageReachesTheEngine)
{
	History = {pen(3, 0, DOWN), pen(2, 0, DOWN), pen(1, 0, DOWN | POINTER_FLAG_DOWN)};
	SendMessageA(Window, WM_POINTERDOWN, PEN, 0);
	SendMessageA(Window, WM_POINTERUPDATE, PEN + 1, 0); // a finger
	SendMessageA(Window, WM_POINTERCAPTURECHANGED, PEN, 0);
	const std::vector<PenSample> out = poll();
	EXPECT_EQ(events(out), (Events{PRESS, MOVE, MOVE, GONE}));
	EXPECT_TRUE(out.size() == 4 && out[0].X + Origin.x == 1 && out[3].X + Origin.x == 3);
	EXPECT_EQ(EngineMessages, (std::vector<UINT>{WM_POINTERDOWN, WM_POINTERUPDATE, WM_POINTERCAPTURECHANGED}));
	EXPECT_TRUE(poll().empty());
	// One pen input to a window; the window stays ANSI and gets its procedure back.
	EXPECT_EQ(platform::createPenInput(Window, Pointer, {}, nullptr), nullptr);
	EXPECT_FALSE(IsWindowUnicode(Window));
	Input.reset();
	EXPECT_EQ(GetWindowLongPtrA(Window, GWLP_WNDPROC), Engine);
	// Nothing to read the pen with: no object, the window left alone.
	EXPECT_EQ(platform::createPenInput(Window, {}, {}, nullptr), nullptr);
	EXPECT_EQ(GetWindowLongPtrA(Window, GWLP_WNDPROC), Engine);
}

TEST_F(PenInputWindow, WindowClosedInMidStrokeEndsTheStroke)
{
	History = {pen(4, 5, DOWN | POINTER_FLAG_DOWN)};
	SendMessageA(Window, WM_POINTERDOWN, PEN, 0);
	DestroyWindow(Window);
	Window = nullptr;
	EXPECT_EQ(events(poll()), (Events{PRESS, GONE}));
}
