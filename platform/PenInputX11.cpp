// The pen on X11, read through XInput 2 on a connection of the program's own, so that the
// engine's event loop stays as it is. Only slave pointers with an "Abs Pressure" valuator
// are pens; their events are selected on the program's window one device at a time, since
// an XInput 2 selection for the master pointer would take its core events from the engine.
#include "platform/PenInputX11.h"

#include <irrlicht.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform
{

bool isEraserName(const std::string& name)
{
	std::string lower(name);
	std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return (char)std::tolower(c); });
	return lower.find("eraser") != std::string::npos;
}

// The value of valuator axis in the event, or false when its mask leaves it out. The
// values array holds only the valuators that are set, in the order of their numbers.
static bool valuatorValue(const XIValuatorState& state, int axis, double& value)
{
	if (axis < 0 || axis >= state.mask_len * 8 || !XIMaskIsSet(state.mask, axis))
		return false;
	int index = 0;
	for (int i = 0; i < axis; ++i)
		if (XIMaskIsSet(state.mask, i))
			++index;
	value = state.values[index];
	return true;
}

// A valuator's value scaled onto size pixels the way the server scales absolute axes onto the
// screen: the range minimum .. maximum + 1 spans the whole size.
static double toScreen(const XiAxis& axis, double size)
{
	if (!(axis.Maximum > axis.Minimum))
		return axis.Value;
	return (axis.Value - axis.Minimum) * size / (axis.Maximum - axis.Minimum + 1.0);
}

bool translateXiEvent(int type, const XIDeviceEvent& event, std::vector<XiPen>& pens, double screenWidth,
	double screenHeight, PenSample& out)
{
	// A master device's event copies its slave's: the slave's own event is the one taken.
	if (event.deviceid != event.sourceid)
		return false;
	auto pen = std::find_if(pens.begin(), pens.end(), [&](const XiPen& p) { return p.Id == event.deviceid; });
	if (pen == pens.end())
		return false;
	if ((type == XI_ButtonPress || type == XI_ButtonRelease) && event.detail != 1)
		return false;
	if (type != XI_Motion && type != XI_ButtonPress && type != XI_ButtonRelease)
		return false;

	for (XiAxis* axis : {&pen->X, &pen->Y, &pen->Pressure})
		valuatorValue(event.valuators, axis->Number, axis->Value);
	out.Event = type == XI_ButtonPress ? PenSample::PEN_PRESS
	                                    : (type == XI_ButtonRelease ? PenSample::PEN_RELEASE : PenSample::PEN_MOVE);
	pen->Touching = type == XI_ButtonPress || (pen->Touching && type == XI_Motion);
	// Window pixels of the window the events were selected on (the program's): the screen
	// position less the window's place on the screen, which the event's two positions give.
	if (pen->X.Number >= 0 && pen->Y.Number >= 0)
	{
		out.X = toScreen(pen->X, screenWidth) - (event.root_x - event.event_x);
		out.Y = toScreen(pen->Y, screenHeight) - (event.root_y - event.event_y);
	}
	else
	{
		out.X = event.event_x;
		out.Y = event.event_y;
	}
	out.Pressure = normalisePressure(pen->Pressure.Value, pen->Pressure.Minimum, pen->Pressure.Maximum);
	out.Eraser = pen->Eraser;
	return true;
}

namespace
{

class PenInputX11 : public PenInput
{
public:
	PenInputX11(Display* connection, Window window, int opcode)
		: Connection(connection), Target(window), Opcode(opcode), PressureLabel(XInternAtom(connection, "Abs Pressure", False))
	{
		// Devices that come and go are told on the root window.
		unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
		XISetMask(bits, XI_HierarchyChanged);
		XIEventMask mask;
		mask.deviceid = XIAllDevices;
		mask.mask_len = sizeof(bits);
		mask.mask = bits;
		XISelectEvents(Connection, DefaultRootWindow(Connection), &mask, 1);
		findPens();
	}

	~PenInputX11() override
	{
		XCloseDisplay(Connection);
	}

	void poll(std::vector<PenSample>& out) override
	{
		while (XPending(Connection) > 0)
		{
			XEvent event;
			XNextEvent(Connection, &event);
			XGenericEventCookie* cookie = &event.xcookie;
			if (cookie->type != GenericEvent || cookie->extension != Opcode || !XGetEventData(Connection, cookie))
				continue;
			if (cookie->evtype == XI_HierarchyChanged)
				deviceChanges(*static_cast<XIHierarchyEvent*>(cookie->data), out);
			else
			{
				PenSample sample;
				const Screen* screen = DefaultScreenOfDisplay(Connection);
				if (translateXiEvent(cookie->evtype, *static_cast<XIDeviceEvent*>(cookie->data), Pens,
						WidthOfScreen(screen), HeightOfScreen(screen), sample))
					out.push_back(sample);
			}
			XFreeEventData(Connection, cookie);
		}
	}

private:
	// Takes every slave pointer with a pressure valuator as a pen and selects its events on
	// the window. Pens that were there before keep their state.
	void findPens()
	{
		int count = 0;
		XIDeviceInfo* devices = XIQueryDevice(Connection, XIAllDevices, &count);
		std::vector<XiPen> found;
		for (int i = 0; i < count; ++i)
		{
			const XIDeviceInfo& device = devices[i];
			if (device.use != XISlavePointer || !device.enabled)
				continue;
			XiPen pen;
			auto known = std::find_if(Pens.begin(), Pens.end(), [&](const XiPen& p) { return p.Id == device.deviceid; });
			if (known != Pens.end())
				pen = *known;
			pen.Id = device.deviceid;
			pen.Eraser = isEraserName(device.name ? device.name : "");
			bool hasPressure = false;
			for (int c = 0; c < device.num_classes; ++c)
			{
				if (device.classes[c]->type != XIValuatorClass)
					continue;
				const XIValuatorClassInfo* info = reinterpret_cast<const XIValuatorClassInfo*>(device.classes[c]);
				// Valuators 0 and 1 are the position of every pointer; the pressure has a name.
				XiAxis* axis = info->label == PressureLabel ? &pen.Pressure
					: (info->number == 0 && info->mode == XIModeAbsolute ? &pen.X
					: (info->number == 1 && info->mode == XIModeAbsolute ? &pen.Y : nullptr));
				if (!axis)
					continue;
				hasPressure = hasPressure || axis == &pen.Pressure;
				axis->Number = info->number;
				axis->Minimum = info->min;
				axis->Maximum = info->max;
				if (known == Pens.end())
					axis->Value = info->value;
			}
			if (hasPressure)
				found.push_back(pen);
		}
		XIFreeDeviceInfo(devices);
		Pens = found;

		unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
		XISetMask(bits, XI_Motion);
		XISetMask(bits, XI_ButtonPress);
		XISetMask(bits, XI_ButtonRelease);
		std::vector<XIEventMask> masks(Pens.size());
		for (size_t i = 0; i < Pens.size(); ++i)
		{
			masks[i].deviceid = Pens[i].Id;
			masks[i].mask_len = sizeof(bits);
			masks[i].mask = bits;
		}
		if (!masks.empty())
			XISelectEvents(Connection, Target, masks.data(), (int)masks.size());
		XFlush(Connection);
	}

	// A pen that goes away while touching ends its stroke; new devices may be pens.
	void deviceChanges(const XIHierarchyEvent& event, std::vector<PenSample>& out)
	{
		for (int i = 0; i < event.num_info; ++i)
		{
			const XIHierarchyInfo& info = event.info[i];
			if (!(info.flags & (XISlaveRemoved | XIDeviceDisabled | XISlaveDetached)))
				continue;
			for (const XiPen& pen : Pens)
				if (pen.Id == info.deviceid && pen.Touching)
				{
					PenSample gone;
					gone.Event = PenSample::PEN_GONE;
					gone.Eraser = pen.Eraser;
					out.push_back(gone);
				}
		}
		if (event.flags & (XISlaveAdded | XISlaveRemoved | XIDeviceEnabled | XIDeviceDisabled | XISlaveAttached | XISlaveDetached))
			findPens();
	}

	Display* Connection;
	Window Target;
	int Opcode;
	Atom PressureLabel;
	std::vector<XiPen> Pens;
};

} // namespace

PenInput* PenInput::create(const irr::video::SExposedVideoData& window)
{
	Display* engineDisplay = static_cast<Display*>(window.OpenGLLinux.X11Display);
	if (!engineDisplay || !window.OpenGLLinux.X11Window)
		return nullptr;
	Display* connection = XOpenDisplay(DisplayString(engineDisplay));
	if (!connection)
		return nullptr;
	int opcode, firstEvent, firstError;
	int major = 2, minor = 2;
	if (!XQueryExtension(connection, "XInputExtension", &opcode, &firstEvent, &firstError)
		|| XIQueryVersion(connection, &major, &minor) != Success)
	{
		XCloseDisplay(connection);
		return nullptr;
	}
	return new PenInputX11(connection, (Window)window.OpenGLLinux.X11Window, opcode);
}

} // namespace platform
