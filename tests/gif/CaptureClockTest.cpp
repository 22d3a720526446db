// When the frame loop captures: the first frame, then at most one every 20 ms, until 30 s.
#include "gif/CaptureClock.h"

#include <gtest/gtest.h>

TEST(CaptureClock, AtMostOneCaptureEvery20Milliseconds)
{
	CaptureClock clock;
	clock.start(1000);
	EXPECT_TRUE(clock.isDue(1003)); // the first frame drawn after the press
	clock.captured(1003);
	EXPECT_FALSE(clock.isDue(1016)); // a 60 Hz loop: every second frame
	EXPECT_FALSE(clock.isDue(1022));
	EXPECT_TRUE(clock.isDue(1023));
	clock.captured(1036);
	EXPECT_FALSE(clock.isDue(1050));
	EXPECT_TRUE(clock.isDue(1069));
	EXPECT_EQ(clock.elapsed(1069), 69);
}

TEST(CaptureClock, EndsThirtySecondsAfterThePress)
{
	CaptureClock clock;
	clock.start(5000);
	EXPECT_FALSE(clock.isOver(5000 + 29999));
	EXPECT_TRUE(clock.isOver(5000 + 30000));
	// A new start forgets the old captures.
	clock.captured(40000);
	clock.start(50000);
	EXPECT_TRUE(clock.isDue(50001));
	EXPECT_FALSE(clock.isOver(50001));
}
