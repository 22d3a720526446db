// When the frame loop takes a picture for a recording: at most one every CAPTURE_INTERVAL_MS
// on the wall clock, and no longer than MAX_RECORDING_MS after the press.
#pragma once
#include <cstdint>

//! Shortest time between two captures, in milliseconds (at most 50 pictures a second).
const int64_t CAPTURE_INTERVAL_MS = 20;
//! Length after which a recording ends as if its button had been released, in milliseconds.
const int64_t MAX_RECORDING_MS = 30000;

class CaptureClock
{
public:
	//! Starts the recording at nowMs (any monotonic clock in milliseconds).
	void start(int64_t nowMs);
	//! Milliseconds since the start.
	int64_t elapsed(int64_t nowMs) const;
	//! Whether a frame shown at nowMs is to be captured: the first one, or one at least
	//! CAPTURE_INTERVAL_MS after the last capture.
	bool isDue(int64_t nowMs) const;
	//! The frame shown at nowMs was captured.
	void captured(int64_t nowMs);
	//! Whether the recording has reached MAX_RECORDING_MS.
	bool isOver(int64_t nowMs) const;

	int64_t StartMs = 0;
	//! Time of the last capture, valid once HasCaptured is set.
	int64_t LastCaptureMs = 0;
	bool HasCaptured = false;
};
