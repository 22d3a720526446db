#include "gif/CaptureClock.h"

void CaptureClock::start(int64_t nowMs)
{
	StartMs = nowMs;
	LastCaptureMs = 0;
	HasCaptured = false;
}

int64_t CaptureClock::elapsed(int64_t nowMs) const
{
	return nowMs - StartMs;
}

bool CaptureClock::isDue(int64_t nowMs) const
{
	return !HasCaptured || nowMs - LastCaptureMs >= CAPTURE_INTERVAL_MS;
}

void CaptureClock::captured(int64_t nowMs)
{
	LastCaptureMs = nowMs;
	HasCaptured = true;
}

bool CaptureClock::isOver(int64_t nowMs) const
{
	return elapsed(nowMs) >= MAX_RECORDING_MS;
}
