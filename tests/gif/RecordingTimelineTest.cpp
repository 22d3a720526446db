// Frame delays from capture times: rounded on the running time, never below the minimum, the
// last view kept, and the time of a frame that is not written handed to the one before.
#include "gif/RecordingTimeline.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace
{
	//! The frames written (delay not 0) in order, as (id, delay).
	std::vector<std::pair<uint64_t, uint32_t>> written(const std::vector<TimelineStep>& steps)
	{
		std::vector<std::pair<uint64_t, uint32_t>> frames;
		for (const TimelineStep& step : steps)
			if (step.Delay != 0)
				frames.emplace_back(step.Id, step.Delay);
		return frames;
	}

	uint32_t total(const std::vector<TimelineStep>& steps)
	{
		uint32_t sum = 0;
		for (const TimelineStep& step : steps)
			sum += step.Delay;
		return sum;
	}

	//! Every id appears exactly once: each frame is either written or let go.
	void expectEachIdOnce(const std::vector<TimelineStep>& steps, uint64_t count)
	{
		std::vector<int> seen(count, 0);
		for (const TimelineStep& step : steps)
		{
			ASSERT_LT(step.Id, count);
			++seen[step.Id];
		}
		for (uint64_t id = 0; id < count; ++id)
			EXPECT_EQ(seen[id], 1) << "frame " << id;
	}
}

TEST(RecordingTimeline, DelaysAreTheRoundedRunningTimeNotRoundedIntervals)
{
	// Captures every 33 ms (a 30 Hz frame loop): rounding each interval would give 3 each and
	// lose a hundredth every third frame; the running time keeps the sum on the clock.
	RecordingTimeline timeline;
	std::vector<TimelineStep> steps;
	for (uint64_t i = 0; i < 91; ++i)
		timeline.add(i, 7 + int64_t(i) * 33, &steps);
	// Only the frames before the last two are known while the recording runs.
	EXPECT_EQ(steps.size(), 89u);
	timeline.finish(3010, nullptr, &steps);
	expectEachIdOnce(steps, 91);
	EXPECT_EQ(total(steps), 301u); // 3.01 s from the start, not the first capture at 7 ms
	const auto frames = written(steps);
	ASSERT_EQ(frames.size(), 91u);
	// The first frame shows from the start: 0 to 40 ms (the second capture).
	EXPECT_EQ(frames[0].second, 4u);
	for (size_t i = 1; i + 1 < frames.size(); ++i)
		EXPECT_TRUE(frames[i].second == 3 || frames[i].second == 4) << i << ": " << frames[i].second;
	// The running sum after frame i is the rounded start of frame i + 1.
	uint32_t sum = 0;
	for (size_t i = 0; i + 1 < frames.size(); ++i)
	{
		sum += frames[i].second;
		EXPECT_EQ(sum, uint32_t((7 + (i + 1) * 33 + 5) / 10)) << i;
	}
}

TEST(RecordingTimeline, FixedTimelineOfTheTurntable)
{
	RecordingTimeline timeline;
	std::vector<TimelineStep> steps;
	for (uint64_t k = 0; k < 75; ++k)
		timeline.add(k, int64_t(k) * 40, &steps);
	timeline.finish(3000, nullptr, &steps);
	const auto frames = written(steps);
	ASSERT_EQ(frames.size(), 75u);
	for (size_t k = 0; k < frames.size(); ++k)
	{
		EXPECT_EQ(frames[k].first, k);
		EXPECT_EQ(frames[k].second, 4u);
	}
}

TEST(RecordingTimeline, EqualFramesLeftOutGiveTheirTimeToTheFrameBefore)
{
	// Pictures 0 (0-50 ms), 1 (50 ms; the captures at 70 and 90 ms showed the same picture and
	// were not added), 2 (110 ms).
	RecordingTimeline timeline;
	std::vector<TimelineStep> steps;
	timeline.add(0, 0, &steps);
	timeline.add(1, 50, &steps);
	timeline.add(2, 110, &steps);
	timeline.finish(150, nullptr, &steps);
	const auto frames = written(steps);
	ASSERT_EQ(frames.size(), 3u);
	EXPECT_EQ(frames[1], std::make_pair(uint64_t(1), uint32_t(6)));
	EXPECT_EQ(total(steps), 15u);
}

TEST(RecordingTimeline, FinalViewTakesTheLastHundredthsAndShortFramesGo)
{
	// Released 1.24 s in; the last capture was at 1.23 s: it would show for one hundredth, so
	// it is let go and the frame before shows until the final view, which gets the minimum.
	RecordingTimeline timeline;
	std::vector<TimelineStep> steps;
	uint64_t id = 0;
	for (int64_t t = 0; t <= 1230; t += 30)
		timeline.add(id++, t, &steps);
	const uint64_t finalId = id++;
	timeline.finish(1240, &finalId, &steps);
	expectEachIdOnce(steps, id);
	EXPECT_EQ(total(steps), 124u);
	const auto frames = written(steps);
	EXPECT_EQ(frames.back(), std::make_pair(finalId, MIN_FRAME_DELAY));
	// The capture at 1.23 s (id finalId - 1) is not written; the one at 1.20 s shows 1.20-1.22.
	EXPECT_EQ(frames[frames.size() - 2], std::make_pair(finalId - 2, uint32_t(2)));
	for (const auto& frame : frames)
		EXPECT_GE(frame.second, MIN_FRAME_DELAY);
}

TEST(RecordingTimeline, LastViewStaysWhenItCameJustBeforeTheEnd)
{
	// No final picture (it equalled the last capture), which came 5 ms before the end: the
	// last capture keeps its picture and takes over the time of the frame before it.
	RecordingTimeline timeline;
	std::vector<TimelineStep> steps;
	timeline.add(0, 0, &steps);
	timeline.add(1, 40, &steps);
	timeline.add(2, 60, &steps);
	timeline.finish(65, nullptr, &steps);
	expectEachIdOnce(steps, 3);
	const auto frames = written(steps);
	ASSERT_EQ(frames.size(), 2u);
	EXPECT_EQ(frames[0], std::make_pair(uint64_t(0), uint32_t(4)));
	EXPECT_EQ(frames[1], std::make_pair(uint64_t(2), uint32_t(3)));
}

TEST(RecordingTimeline, FinalViewReplacesFramesThatHaveNoTimeLeft)
{
	// Frames at 0, 20 and 30 ms (too close), then the end at 32 ms: no frame has two
	// hundredths left before the final view, which then shows from the start.
	RecordingTimeline timeline;
	std::vector<TimelineStep> steps;
	timeline.add(0, 0, &steps);
	timeline.add(1, 20, &steps);
	timeline.add(2, 30, &steps);
	const uint64_t finalId = 3;
	timeline.finish(32, &finalId, &steps);
	expectEachIdOnce(steps, 4);
	const auto frames = written(steps);
	ASSERT_EQ(frames.size(), 1u);
	EXPECT_EQ(frames[0], std::make_pair(finalId, uint32_t(3)));

	// A frame 10 ms after the first takes its place (the first has no time of its own), and
	// keeps two hundredths before the final view of a 40 ms recording.
	steps.clear();
	timeline.add(0, 0, &steps);
	timeline.add(1, 10, &steps);
	const uint64_t lastId = 2;
	timeline.finish(40, &lastId, &steps);
	expectEachIdOnce(steps, 3);
	EXPECT_EQ(written(steps), (std::vector<std::pair<uint64_t, uint32_t>>{{1, 2}, {lastId, 2}}));
}

TEST(RecordingTimeline, ThirtySecondEndAndTinyRecordings)
{
	// A recording cut at 30 s: the delays add up to 3000 hundredths exactly.
	RecordingTimeline timeline;
	std::vector<TimelineStep> steps;
	uint64_t id = 0;
	for (int64_t t = 0; t < 30000; t += 47)
		timeline.add(id++, t, &steps);
	const uint64_t finalId = id++;
	timeline.finish(30000, &finalId, &steps);
	expectEachIdOnce(steps, id);
	EXPECT_EQ(total(steps), 3000u);

	// One frame 5 ms long still shows for the minimum; the timeline can be used again.
	steps.clear();
	timeline.add(0, 0, &steps);
	timeline.finish(5, nullptr, &steps);
	ASSERT_EQ(written(steps).size(), 1u);
	EXPECT_EQ(written(steps)[0].second, MIN_FRAME_DELAY);
	uint64_t last = 0;
	EXPECT_FALSE(timeline.lastHeld(&last));
}
