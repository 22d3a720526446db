// The X11 pen: which XInput 2 devices are pens and how their events become samples.
// Only the X11 build has it.
#pragma once
#include "platform/PenInput.h"

#include <X11/extensions/XInput2.h>

#include <string>
#include <vector>

namespace platform
{

//! One valuator of a device: its number, range, and the last value the device reported (an
//! event that leaves the valuator out of its mask means it did not change).
struct XiAxis
{
	int Number = -1;
	double Minimum = 0.0;
	double Maximum = 0.0;
	double Value = 0.0;
};

//! A slave pointer of the X server that has a pressure valuator.
struct XiPen
{
	int Id = 0;
	//! The eraser end of a tablet's pen: X servers report it as a device of its own.
	bool Eraser = false;
	//! Valuators 0 and 1 (absolute position) and "Abs Pressure".
	XiAxis X, Y, Pressure;
	//! The tip (button 1) is down.
	bool Touching = false;
};

//! Whether a device of this name and with a pressure valuator is an eraser.
bool isEraserName(const std::string& name);

//! Turns an XI_Motion, XI_ButtonPress or XI_ButtonRelease event into a sample of the pen it
//! comes from. False for events of other devices, of the master pointer (its copies of the
//! slaves' events), and of buttons other than the tip. The position comes from the pen's
//! absolute valuators scaled onto the screen (screenWidth x screenHeight pixels) as the
//! server scales them: the server's own position in a slave's event lags one report
//! behind in its whole pixels.
bool translateXiEvent(int type, const XIDeviceEvent& event, std::vector<XiPen>& pens, double screenWidth,
	double screenHeight, PenSample& out);

} // namespace platform
