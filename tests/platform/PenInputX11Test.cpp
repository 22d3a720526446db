// XInput 2 events of a pen as the X server sends them, built here, turned into samples.
// GoogleTest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include "platform/PenInputX11.h"

#include <cstring>
#include <vector>

using platform::PenSample;
using platform::XiPen;

namespace
{

// An event of device (from source) whose valuator mask holds the given axes with their
// values, packed in the order of the axis numbers. The server's own positions lag (it puts
// the window at (100, 50) of the screen): only their difference is right.
struct BuiltEvent
{
	BuiltEvent(int device, int source, std::vector<std::pair<int, double>> axes, int button = 0)
	{
		std::memset(&Event, 0, sizeof Event);
		Event.deviceid = device;
		Event.sourceid = source;
		Event.root_x = 333.0;
		Event.root_y = 444.0;
		Event.event_x = 233.0;
		Event.event_y = 394.0;
		Event.detail = button;
		for (const auto& a : axes)
		{
			XISetMask(Mask, a.first);
			Values.push_back(a.second);
		}
		Event.valuators.mask_len = sizeof Mask;
		Event.valuators.mask = Mask;
		Event.valuators.values = Values.data();
	}
	XIDeviceEvent Event;
	unsigned char Mask[2] = {};
	std::vector<double> Values;
};

} // namespace

TEST(PenInputX11, EventsOfAPenBecomeSamples)
{
	// Pen 11: position on valuators 0 (0..1023 over the 1024 pixels of the screen) and 1
	// (-1000..535 over 768), pressure on valuator 4 over 100..1100. Pen 12 is its eraser, with
	// pressure on valuator 2 and its range starting at 0; 2 is the master pointer.
	std::vector<XiPen> pens(2);
	pens[0].Id = 11;
	pens[0].X = {0, 0.0, 1023.0, 0.0};
	pens[0].Y = {1, -1000.0, 535.0, 0.0};
	pens[0].Pressure = {4, 100.0, 1100.0, 0.0};
	pens[1].Id = 12;
	pens[1].Eraser = true;
	pens[1].X = {0, 0.0, 1023.0, 0.0};
	pens[1].Y = {1, 0.0, 767.0, 0.0};
	pens[1].Pressure = {2, 0.0, 2047.0, 0.0};

	struct Step
	{
		int type;
		BuiltEvent event;
		bool taken;
		PenSample::EPenEvent kind;
		float pressure;
		bool eraser;
		double x, y;
	};
	const Step steps[] = {
		// Touch-down with all three axes: pressure (600 - 100) / 1000; x 300.5 of the screen
		// is 200.5 in the window, y -1000 + 640 is 320 of the screen, 270 in the window.
		{XI_ButtonPress, BuiltEvent(11, 11, {{0, 300.5}, {1, -360.0}, {4, 600.0}}, 1), true, PenSample::PEN_PRESS, 0.5f, false, 200.5, 270.0},
		// The master's copy of the same kind of event is dropped.
		{XI_Motion, BuiltEvent(2, 11, {{0, 1.0}, {4, 700.0}}), false, PenSample::PEN_MOVE, 0.f, false, 0, 0},
		// Pressure and y left out of the mask: they stay, not at the master copy's values.
		{XI_Motion, BuiltEvent(11, 11, {{0, 301.25}}), true, PenSample::PEN_MOVE, 0.5f, false, 201.25, 270.0},
		// Pressure beyond the range is clamped; so is pressure below it.
		{XI_Motion, BuiltEvent(11, 11, {{4, 5000.0}}), true, PenSample::PEN_MOVE, 1.f, false, 201.25, 270.0},
		{XI_Motion, BuiltEvent(11, 11, {{1, -1000.0}, {4, -3.0}}), true, PenSample::PEN_MOVE, 0.f, false, 201.25, -50.0},
		// A barrel button is no touch; the tip's release is.
		{XI_ButtonPress, BuiltEvent(11, 11, {}, 2), false, PenSample::PEN_MOVE, 0.f, false, 0, 0},
		{XI_ButtonRelease, BuiltEvent(11, 11, {{4, 350.0}}, 1), true, PenSample::PEN_RELEASE, 0.25f, false, 201.25, -50.0},
		// The eraser device keeps positions of its own.
		{XI_Motion, BuiltEvent(12, 12, {{0, 40.0}, {2, 2047.0}}), true, PenSample::PEN_MOVE, 1.f, true, -60.0, -50.0},
		// A device that is no pen (a mouse) gives nothing.
		{XI_Motion, BuiltEvent(9, 9, {{0, 1.0}}), false, PenSample::PEN_MOVE, 0.f, false, 0, 0},
	};
	int n = 0;
	for (const Step& step : steps)
	{
		PenSample sample;
		ASSERT_EQ(platform::translateXiEvent(step.type, step.event.Event, pens, 1024.0, 768.0, sample), step.taken)
			<< "step " << n;
		if (step.taken)
		{
			EXPECT_EQ(sample.Event, step.kind) << "step " << n;
			EXPECT_FLOAT_EQ(sample.Pressure, step.pressure) << "step " << n;
			EXPECT_EQ(sample.Eraser, step.eraser) << "step " << n;
			EXPECT_DOUBLE_EQ(sample.X, step.x) << "step " << n;
			EXPECT_DOUBLE_EQ(sample.Y, step.y) << "step " << n;
		}
		++n;
	}
	EXPECT_TRUE(platform::isEraserName("Wacom Intuos Pro M Pen eraser"));
	EXPECT_FALSE(platform::isEraserName("Wacom Intuos Pro M Pen stylus"));
}
