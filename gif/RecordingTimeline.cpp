#include "gif/RecordingTimeline.h"

#include <algorithm>

//! Milliseconds (not negative) to hundredths of a second, rounded half up.
static int64_t toHundredths(int64_t ms)
{
	return (ms + 5) / 10;
}

void RecordingTimeline::add(uint64_t id, int64_t startMs, std::vector<TimelineStep>* steps)
{
	push(id, Started ? toHundredths(startMs) : 0, steps);
}

void RecordingTimeline::push(uint64_t id, int64_t start, std::vector<TimelineStep>* steps)
{
	// A held frame that would show for less than the minimum before this one starts gives
	// its time to the frame before it; the oldest held frame's start is fixed (the frame
	// before it is written), so this one takes that start over instead.
	while (!Held.empty() && start - Held.back().Start < (int64_t)MIN_FRAME_DELAY)
	{
		const HeldFrame dropped = Held.back();
		Held.pop_back();
		steps->push_back({dropped.Id, 0});
		if (Held.empty())
		{
			start = dropped.Start;
			break;
		}
	}
	if (!Started)
		start = 0;
	Started = true;
	Held.push_back({id, start});
	// The frame before the last two can no longer change.
	while (Held.size() > 2)
	{
		steps->push_back({Held[0].Id, (uint32_t)(Held[1].Start - Held[0].Start)});
		Held.pop_front();
	}
}

void RecordingTimeline::finish(int64_t endMs, const uint64_t* finalId, std::vector<TimelineStep>* steps)
{
	const int64_t end = toHundredths(endMs);
	if (finalId)
		push(*finalId, end - (int64_t)MIN_FRAME_DELAY, steps);
	else if (Held.size() >= 2 && end - Held.back().Start < (int64_t)MIN_FRAME_DELAY)
	{
		// The last view stays: it takes over the time of the frame before it.
		steps->push_back({Held[0].Id, 0});
		Held[1].Start = Held[0].Start;
		Held.pop_front();
	}
	for (size_t i = 0; i < Held.size(); ++i)
	{
		const int64_t next = i + 1 < Held.size() ? Held[i + 1].Start : end;
		steps->push_back({Held[i].Id, (uint32_t)std::max<int64_t>(MIN_FRAME_DELAY, next - Held[i].Start)});
	}
	Held.clear();
	Started = false;
}

bool RecordingTimeline::lastHeld(uint64_t* id) const
{
	if (Held.empty())
		return false;
	*id = Held.back().Id;
	return true;
}
