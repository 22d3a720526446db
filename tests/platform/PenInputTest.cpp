// Pressure readings onto 0..1 by the device's own range, whatever the device reports.
#include <gtest/gtest.h>

#include "platform/PenInput.h"

#include <limits>

TEST(PenPressure, ScalesByTheDeviceRangeAndClamps)
{
	const double NAN_ = std::numeric_limits<double>::quiet_NaN(), INF = std::numeric_limits<double>::infinity();
	const struct
	{
		double Value, Minimum, Maximum;
		float Expected;
	} cases[] = {
		{512, 0, 1024, 0.5f}, {0, 0, 1024, 0.f}, {1023, 0, 1023, 1.f}, // in range
		{150, 100, 200, 0.5f}, {-0.25, -1, 0, 0.75f},                   // minimum not 0
		{2000, 0, 1024, 1.f}, {-3, 0, 1024, 0.f}, {50, 100, 200, 0.f}, // out of range
		{INF, 0, 1024, 1.f}, {-INF, 0, 1024, 0.f},                     // infinite readings
		{NAN_, 0, 1024, 0.f}, {NAN_, 5, 5, 0.f},                       // NaN readings
		{7, 3, 3, 1.f}, {5, 10, 0, 1.f},                               // empty range, maximum below minimum
		{5, 0, INF, 1.f}, {5, -INF, 10, 1.f}, {5, 0, NAN_, 1.f},       // range not finite
	};
	for (const auto& c : cases)
		EXPECT_FLOAT_EQ(platform::normalisePressure(c.Value, c.Minimum, c.Maximum), c.Expected)
			<< c.Value << " in " << c.Minimum << ".." << c.Maximum;
}
