// The delays of a recording's frames: each frame shows from its start until the next frame's
// start, in whole hundredths of a second, never less than MIN_FRAME_DELAY.
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

//! Shortest delay written, in hundredths of a second: browsers show 0 and 1 as 10.
const uint32_t MIN_FRAME_DELAY = 2;

//! One frame leaving the timeline: the caller's id for it and its delay in hundredths of a
//! second, or a delay of 0 for a frame that is not to be written (its time went elsewhere).
struct TimelineStep
{
	uint64_t Id;
	uint32_t Delay;
};

//! Frame boundaries are the start times rounded to hundredths, so the delays add up to the
//! recording's length rounded to a hundredth (no error piles up from frame to frame). A frame
//! that would show for less than MIN_FRAME_DELAY is not written and its time goes to the
//! frame before it. Two frames are held back: the last one's end is not known yet, and the
//! one before may still take over its time.
class RecordingTimeline
{
public:
	//! A frame that differs from the one added before it (equal pictures are not added: their
	//! time stays with the previous frame). startMs is milliseconds since the recording began,
	//! never decreasing; the first frame starts at 0 whatever it says. Frames whose delay is
	//! now fixed are appended to steps, in order.
	void add(uint64_t id, int64_t startMs, std::vector<TimelineStep>* steps);
	//! Ends the recording at endMs. finalId, if not null, names a last frame: the view at the
	//! end, which then shows for the last MIN_FRAME_DELAY hundredths. The last frame always
	//! stays in the file. Appends every remaining frame to steps.
	void finish(int64_t endMs, const uint64_t* finalId, std::vector<TimelineStep>* steps);
	//! The id of the latest frame still held back (the picture a new one is compared with).
	bool lastHeld(uint64_t* id) const;

private:
	struct HeldFrame
	{
		uint64_t Id;
		//! Start in hundredths of a second.
		int64_t Start;
	};
	void push(uint64_t id, int64_t start, std::vector<TimelineStep>* steps);

	std::deque<HeldFrame> Held;
	bool Started = false;
};
