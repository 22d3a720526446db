// A tablet pen read beside the engine's own input: every sample with its sub-pixel position,
// its pressure and which end of the pen touches. X11 reads it through XInput 2 on a
// connection of its own (PenInputX11.cpp), Windows through pointer messages or WinTab
// (PenInputWin32.cpp); the engine's event loop is left as it is.
#pragma once
#include <vector>

namespace irr
{
namespace video
{
struct SExposedVideoData;
}
} // namespace irr

namespace platform
{

//! One report of the pen, oldest first in a poll.
struct PenSample
{
	enum EPenEvent
	{
		//! The pen moved, touching or hovering.
		PEN_MOVE,
		//! The tip (or the eraser) touched down.
		PEN_PRESS,
		//! The tip (or the eraser) left the surface.
		PEN_RELEASE,
		//! The device went away (unplugged, or its window closed): a stroke ends as at a release.
		PEN_GONE
	};
	EPenEvent Event = PEN_MOVE;
	//! Window pixels, X to the right, Y downwards, with their fraction.
	double X = 0.0;
	double Y = 0.0;
	//! 0 to 1; 1 from a device that reports no pressure.
	float Pressure = 1.f;
	//! The eraser end (or a device of its own that is an eraser) made this sample.
	bool Eraser = false;
};

//! A raw pressure reading scaled onto 0..1 by the device's own range and clamped there.
//! NaN, or a range that is empty or not finite, gives 0 for NaN readings and 1 otherwise.
float normalisePressure(double value, double minimum, double maximum);

//! Reads the pen of the program's window. Made once the window exists.
class PenInput
{
public:
	//! Null when this system offers no pen input (no XInput 2, no window): the mouse
	//! then draws as it always does.
	static PenInput* create(const irr::video::SExposedVideoData& window);
	virtual ~PenInput() {}

	//! Appends the samples that arrived since the last call to out, oldest first. Never
	//! waits.
	virtual void poll(std::vector<PenSample>& out) = 0;
};

} // namespace platform
