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

// An event of device (from source) at window position (x, y) whose valuator mask holds the
// given axes with their values, packed in the order of the axis numbers.
struct BuiltEvent
{
	BuiltEvent(int device, int source, double x, double y, std::vector<std::pair<int, double>> axes, int button = 0)
	{
		std::memset(&Event, 0, sizeof Event);
		Event.deviceid = device;
		Event.sourceid = source;
		Event.event_x = x;
		Event.event_y = y;
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
	// Pen 11 has its pressure on valuator 4 over 100..1100; 12 is its eraser, 2 the master pointer.
	std::vector<XiPen> pens(2);
	pens[0].Id = 11;
	pens[0].PressureAxis = 4;
	pens[0].Minimum = 100.0;
	pens[0].Maximum = 1100.0;
	pens[1].Id = 12;
	pens[1].Eraser = true;
	pens[1].PressureAxis = 2;
	pens[1].Maximum = 2047.0;

	struct Step
	{
		int type;
		BuiltEvent event;
		bool taken;
		PenSample::EPenEvent kind;
		float pressure;
		bool eraser;
	};
	const Step steps[] = {
		// Touch-down with all three axes: (600 - 100) / 1000.
		{XI_ButtonPress, BuiltEvent(11, 11, 10.25, 20.5, {{0, 1.0}, {1, 2.0}, {4, 600.0}}, 1), true, PenSample::PEN_PRESS, 0.5f, false},
		// The master's copy of the same kind of event is dropped.
		{XI_Motion, BuiltEvent(2, 11, 11.0, 20.5, {{0, 1.0}, {4, 700.0}}), false, PenSample::PEN_MOVE, 0.f, false},
		// Pressure left out of the mask: it stays at 0.5, not at the master copy's value.
		{XI_Motion, BuiltEvent(11, 11, 12.75, 21.0, {{0, 3.0}}), true, PenSample::PEN_MOVE, 0.5f, false},
		// Pressure beyond the range is clamped; so is pressure below it.
		{XI_Motion, BuiltEvent(11, 11, 13.0, 21.0, {{4, 5000.0}}), true, PenSample::PEN_MOVE, 1.f, false},
		{XI_Motion, BuiltEvent(11, 11, 13.0, 21.0, {{1, 1.0}, {4, -3.0}}), true, PenSample::PEN_MOVE, 0.f, false},
		// A barrel button is no touch; the tip's release is.
		{XI_ButtonPress, BuiltEvent(11, 11, 13.0, 21.0, {}, 2), false, PenSample::PEN_MOVE, 0.f, false},
		{XI_ButtonRelease, BuiltEvent(11, 11, 13.5, 21.0, {{4, 350.0}}, 1), true, PenSample::PEN_RELEASE, 0.25f, false},
		// The eraser device, its pressure on valuator 2 from 0.
		{XI_Motion, BuiltEvent(12, 12, 40.0, 41.0, {{2, 2047.0}}), true, PenSample::PEN_MOVE, 1.f, true},
		// A device that is no pen (a mouse) gives nothing.
		{XI_Motion, BuiltEvent(9, 9, 1.0, 1.0, {{0, 1.0}}), false, PenSample::PEN_MOVE, 0.f, false},
	};
	int n = 0;
	for (const Step& step : steps)
	{
		PenSample sample;
		ASSERT_EQ(platform::translateXiEvent(step.type, step.event.Event, pens, sample), step.taken) << "step " << n;
		if (step.taken)
		{
			EXPECT_EQ(sample.Event, step.kind) << "step " << n;
			EXPECT_FLOAT_EQ(sample.Pressure, step.pressure) << "step " << n;
			EXPECT_EQ(sample.Eraser, step.eraser) << "step " << n;
			EXPECT_EQ(sample.X, step.event.Event.event_x) << "step " << n;
			EXPECT_EQ(sample.Y, step.event.Event.event_y) << "step " << n;
		}
		++n;
	}
	EXPECT_TRUE(platform::isEraserName("Wacom Intuos Pro M Pen eraser"));
	EXPECT_FALSE(platform::isEraserName("Wacom Intuos Pro M Pen stylus"));
}
