// The X11 pen: which XInput 2 devices are pens and how their events become samples.
// Only the X11 build has it.
#pragma once
#include "platform/PenInput.h"

#include <X11/extensions/XInput2.h>

#include <string>
#include <vector>

namespace platform
{

//! A slave pointer of the X server that has a pressure valuator.
struct XiPen
{
	int Id = 0;
	//! The eraser end of a tablet's pen: X servers report it as a device of its own.
	bool Eraser = false;
	//! Number of the "Abs Pressure" valuator, and its range.
	int PressureAxis = -1;
	double Minimum = 0.0;
	double Maximum = 1.0;
	//! The last raw pressure the device reported: an event that leaves the valuator out
	//! of its mask means it did not change.
	double Pressure = 0.0;
	//! The tip (button 1) is down.
	bool Touching = false;
};

//! Whether a device of this name and with a pressure valuator is an eraser.
bool isEraserName(const std::string& name);

//! Turns an XI_Motion, XI_ButtonPress or XI_ButtonRelease event into a sample of the pen it
//! comes from. False for events of other devices, of the master pointer (its copies of the
//! slaves' events), and of buttons other than the tip.
bool translateXiEvent(int type, const XIDeviceEvent& event, std::vector<XiPen>& pens, PenSample& out);

} // namespace platform
