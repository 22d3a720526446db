// Windows half of the pen: Windows Ink's pointer messages and WinTab packets, read in a
// subclass of the engine's window procedure that passes every message on.
//
// [SECTION] Translation: pointer history and WinTab packets to samples
// [SECTION] WinTab constants (wintab.h)
// [SECTION] PenInputWin32: the subclass, the WinTab context, the queue
// [SECTION] PenInput::create: the system's functions, looked up at run time
#include "platform/PenInputWin32.h"
#include "platform/platform.h"

#include <SExposedVideoData.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace platform
{

// [SECTION] Translation: pointer history and WinTab packets to samples

// The tip touching or not, from one sample to the next: a change is a press or a release.
static PenSample::EPenEvent contactEvent(bool contact, bool& touching)
{
	const bool was = touching;
	touching = contact;
	if (contact == was)
		return PenSample::PEN_MOVE;
	return contact ? PenSample::PEN_PRESS : PenSample::PEN_RELEASE;
}

// Windows Ink reports pressure from 0 to 1024.
static const double POINTER_PRESSURE_MAX = 1024.0;
// Farther than this (pixels) from the pointer's own pixel, a position mapped through the
// device rectangles is taken to be in another coordinate space (a window the system scales
// for its DPI) and the pixel is used instead.
static const double MAPPING_TOLERANCE = 2.0;

void translatePointerHistory(const POINTER_PEN_INFO* newestFirst, std::size_t count, const PointerMapping& mapping,
	bool& touching, std::vector<PenSample>& out)
{
	const RECT& device = mapping.DeviceRect;
	const RECT& display = mapping.DisplayRect;
	const bool mapped = mapping.HasDeviceRects && device.right != device.left && device.bottom != device.top;
	for (std::size_t i = count; i-- > 0;)
	{
		const POINTER_PEN_INFO& pen = newestFirst[i];
		const POINTER_INFO& pointer = pen.pointerInfo;
		PenSample sample;
		// Screen pixels, then window pixels: the client origin is on the screen too.
		double x = pointer.ptPixelLocation.x, y = pointer.ptPixelLocation.y;
		if (mapped)
		{
			// HIMETRIC on the digitizer onto the display rectangle it covers, with the fraction.
			const double fineX = display.left + double(pointer.ptHimetricLocation.x - device.left)
				* (display.right - display.left) / (device.right - device.left);
			const double fineY = display.top + double(pointer.ptHimetricLocation.y - device.top)
				* (display.bottom - display.top) / (device.bottom - device.top);
			if (std::fabs(fineX - x) <= MAPPING_TOLERANCE && std::fabs(fineY - y) <= MAPPING_TOLERANCE)
			{
				x = fineX;
				y = fineY;
			}
		}
		sample.X = x - mapping.ClientLeft;
		sample.Y = y - mapping.ClientTop;
		sample.Pressure =
			(pen.penMask & PEN_MASK_PRESSURE) ? normalisePressure(pen.pressure, 0.0, POINTER_PRESSURE_MAX) : 1.f;
		// PEN_FLAG_INVERTED: the eraser end is the one in range, hovering or not.
		sample.Eraser = (pen.penFlags & (PEN_FLAG_ERASER | PEN_FLAG_INVERTED)) != 0;
		// A cancelled pointer (its device went away) ends the stroke without a proper lift.
		const bool cancelled = (pointer.pointerFlags & POINTER_FLAG_CANCELED) != 0;
		sample.Event = contactEvent(!cancelled && (pointer.pointerFlags & POINTER_FLAG_INCONTACT), touching);
		if (cancelled && sample.Event == PenSample::PEN_RELEASE)
			sample.Event = PenSample::PEN_GONE;
		out.push_back(sample);
	}
}

// [SECTION] WinTab constants (wintab.h)

// Information categories and indices for WTInfoA.
static const UINT WTI_INTERFACE = 1, IFC_WINTABID = 1, IFC_NDEVICES = 4;
static const UINT WTI_DEFSYSCTX = 4;
static const UINT WTI_DEVICES = 100, DVC_NAME = 1, DVC_NPRESSURE = 15;
// Context options: a system context (the cursor follows the pen) that posts its packets.
static const UINT CXO_SYSTEM = 0x0001, CXO_MESSAGES = 0x0004;
// Packet items.
static const DWORD PK_STATUS = 0x0002, PK_CURSOR = 0x0020, PK_BUTTONS = 0x0040, PK_X = 0x0080, PK_Y = 0x0100,
				   PK_NORMAL_PRESSURE = 0x0400;
// Packet status: the cursor is the inverted pen, its eraser end.
static const UINT TPS_INVERT = 0x0010;
// Messages, counted from the context's lcMsgBase.
static const UINT WT_PACKET_OFFSET = 0, WT_PROXIMITY_OFFSET = 5;
static_assert(sizeof(WinTabContext) == 172, "LOGCONTEXTA is 172 bytes");
static_assert(sizeof(WinTabPacket) == 24, "six 32-bit packet items");

// Bytes per packet of a context with or without the pressure item, the packet's last.
static std::size_t packetBytes(bool hasPressure)
{
	return hasPressure ? sizeof(WinTabPacket) : offsetof(WinTabPacket, NormalPressure);
}

void translateWinTabPackets(const void* packets, std::size_t count, const WinTabMapping& mapping, bool& touching,
	std::vector<PenSample>& out)
{
	const std::size_t bytes = packetBytes(mapping.HasPressure);
	for (std::size_t i = 0; i < count; ++i)
	{
		WinTabPacket packet = {};
		std::memcpy(&packet, static_cast<const unsigned char*>(packets) + i * bytes, bytes);
		PenSample sample;
		// Output units to a fraction of the screen rectangle: WinTab's Y grows upwards when the
		// extent is positive, downwards when it is negative. Then screen to window pixels.
		const double across = (packet.X - mapping.OutOrgX) / mapping.OutExtX;
		double down = (packet.Y - mapping.OutOrgY) / std::fabs(mapping.OutExtY);
		if (mapping.OutExtY > 0.0)
			down = 1.0 - down;
		sample.X = mapping.ScreenLeft + across * mapping.ScreenWidth - mapping.ClientLeft;
		sample.Y = mapping.ScreenTop + down * mapping.ScreenHeight - mapping.ClientTop;
		sample.Pressure =
			mapping.HasPressure ? normalisePressure(packet.NormalPressure, mapping.PressureMin, mapping.PressureMax) : 1.f;
		// Cursors come in threes per tablet (puck, pen, eraser); TPS_INVERT says it directly.
		sample.Eraser = (packet.Status & TPS_INVERT) != 0 || packet.Cursor % 3 == 2;
		// The tip is logical button 0; drivers that number the tip otherwise (Wine counts X's
		// buttons from 1) still report its pressure.
		const bool pressed = mapping.HasPressure && packet.NormalPressure > mapping.PressureMin;
		sample.Event = contactEvent((packet.Buttons & 1) != 0 || pressed, touching);
		out.push_back(sample);
	}
}

// [SECTION] PenInputWin32: the subclass, the WinTab context, the queue

namespace
{

// Window properties: the object, and the procedure it passes messages on to.
const wchar_t* const PEN_INPUT_PROPERTY = L"VantrelPenInput";
const wchar_t* const PREVIOUS_PROCEDURE_PROPERTY = L"VantrelPenInputPrevious";
// Packets the WinTab context may hold between two messages (the default is a few, which
// a 200 Hz pen fills in one slow frame).
const int WINTAB_QUEUE = 128;

// The engine's window stays ANSI or Unicode as it was: a procedure set through the other
// character set would make Windows convert its text messages.
LONG_PTR windowProcedure(HWND window)
{
	return IsWindowUnicode(window) ? GetWindowLongPtrW(window, GWLP_WNDPROC) : GetWindowLongPtrA(window, GWLP_WNDPROC);
}

void setWindowProcedure(HWND window, LONG_PTR procedure)
{
	if (IsWindowUnicode(window))
		SetWindowLongPtrW(window, GWLP_WNDPROC, procedure);
	else
		SetWindowLongPtrA(window, GWLP_WNDPROC, procedure);
}

// One source's stroke: whether its tip is down, and its last sample (where a stroke that
// is cut off ends).
struct StrokeState
{
	bool Touching = false;
	PenSample Last;
};

class PenInputWin32 : public PenInput
{
public:
	PenInputWin32(HWND window, const PointerFunctions& pointer, const WinTabFunctions& wintab, HMODULE wintabModule)
		: Window(window), Pointer(pointer), WinTab(wintab), WinTabModule(wintabModule)
	{
	}

	~PenInputWin32() override
	{
		if (Window)
			unhook();
		closeWinTab();
		if (WinTabModule)
			FreeLibrary(WinTabModule);
	}

	bool inkReadable() const
	{
		return Pointer.GetType && Pointer.GetPenInfo && Pointer.GetPenInfoHistory;
	}

	//! Opens a WinTab context on the window if the DLL has a tablet; says what it found in
	//! the log.
	void openWinTab();

	bool winTabOpen() const
	{
		return Context != nullptr;
	}

	//! Puts the object in front of the window's procedure.
	void hook()
	{
		SetPropW(Window, PREVIOUS_PROCEDURE_PROPERTY, reinterpret_cast<HANDLE>(windowProcedure(Window)));
		SetPropW(Window, PEN_INPUT_PROPERTY, this);
		setWindowProcedure(Window, reinterpret_cast<LONG_PTR>(&subclassProcedure));
	}

	void poll(std::vector<PenSample>& out) override
	{
		out.insert(out.end(), Queue.begin(), Queue.end());
		Queue.clear();
	}

private:
	static LRESULT CALLBACK subclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
	void handle(UINT message, WPARAM wParam, LPARAM lParam);
	void readPointer(UINT32 pointerId);
	void readPackets();
	void endStroke(StrokeState& stroke);
	void unhook();
	void closeWinTab();
	void remember(StrokeState& stroke, std::size_t first);
	POINT clientOrigin() const;

	HWND Window;
	PointerFunctions Pointer;
	WinTabFunctions WinTab;
	HMODULE WinTabModule;
	HCTX Context = nullptr;
	UINT MessageBase = 0;
	WinTabMapping Tablet;

	StrokeState Ink, Tab;
	UINT32 InkPointer = 0;
	std::vector<PenSample> Queue;
	std::vector<POINTER_PEN_INFO> History;
	std::vector<unsigned char> Packets;
};

LRESULT CALLBACK PenInputWin32::subclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	const WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropW(window, PREVIOUS_PROCEDURE_PROPERTY));
	if (PenInputWin32* self = static_cast<PenInputWin32*>(GetPropW(window, PEN_INPUT_PROPERTY)))
		self->handle(message, wParam, lParam);
	else if (message == WM_NCDESTROY)
		RemovePropW(window, PREVIOUS_PROCEDURE_PROPERTY);
	// Nothing is eaten: the engine's procedure sees every message, and the pen's pointer
	// messages it leaves alone become mouse messages as before.
	return IsWindowUnicode(window) ? CallWindowProcW(previous, window, message, wParam, lParam)
								   : CallWindowProcA(previous, window, message, wParam, lParam);
}

void PenInputWin32::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
	switch (message)
	{
	case WM_POINTERDOWN:
	case WM_POINTERUPDATE:
	case WM_POINTERUP:
		readPointer(GET_POINTERID_WPARAM(wParam));
		return;
	case WM_POINTERCAPTURECHANGED:
	case WM_POINTERLEAVE:
		if (GET_POINTERID_WPARAM(wParam) == InkPointer)
			endStroke(Ink);
		return;
	case WM_ACTIVATE:
		// The active window's context is the one on top, which gets the packets.
		if (Context && LOWORD(wParam) != WA_INACTIVE)
			WinTab.Overlap(Context, TRUE);
		return;
	case WM_NCDESTROY:
		endStroke(Ink);
		endStroke(Tab);
		closeWinTab();
		unhook();
		return;
	}
	if (!Context)
		return;
	if (message == MessageBase + WT_PACKET_OFFSET)
		readPackets();
	else if (message == MessageBase + WT_PROXIMITY_OFFSET && LOWORD(lParam) == 0)
		endStroke(Tab);
}

POINT PenInputWin32::clientOrigin() const
{
	POINT origin = {0, 0};
	ClientToScreen(Window, &origin);
	return origin;
}

// The newest of the samples a source queued from first on is where its stroke is now.
void PenInputWin32::remember(StrokeState& stroke, std::size_t first)
{
	if (Queue.size() > first)
		stroke.Last = Queue.back();
}

void PenInputWin32::readPointer(UINT32 pointerId)
{
	POINTER_INPUT_TYPE type = PT_POINTER;
	POINTER_PEN_INFO newest = {};
	if (!inkReadable() || !Pointer.GetType(pointerId, &type) || type != PT_PEN || !Pointer.GetPenInfo(pointerId, &newest))
		return;
	// Windows Ink has the pen: WinTab would report it a second time.
	if (Context)
	{
		endStroke(Tab);
		closeWinTab();
	}
	// Every sample since the last message, not only the newest.
	UINT32 count = newest.pointerInfo.historyCount > 0 ? newest.pointerInfo.historyCount : 1;
	History.resize(count);
	if (!Pointer.GetPenInfoHistory(pointerId, &count, History.data()))
	{
		History[0] = newest;
		count = 1;
	}
	PointerMapping mapping;
	mapping.HasDeviceRects = Pointer.GetDeviceRects
		&& Pointer.GetDeviceRects(newest.pointerInfo.sourceDevice, &mapping.DeviceRect, &mapping.DisplayRect);
	const POINT origin = clientOrigin();
	mapping.ClientLeft = origin.x;
	mapping.ClientTop = origin.y;
	const std::size_t first = Queue.size();
	translatePointerHistory(History.data(), count < History.size() ? count : History.size(), mapping, Ink.Touching,
		Queue);
	remember(Ink, first);
	InkPointer = pointerId;
}

void PenInputWin32::readPackets()
{
	const POINT origin = clientOrigin();
	Tablet.ClientLeft = origin.x;
	Tablet.ClientTop = origin.y;
	Packets.resize(WINTAB_QUEUE * packetBytes(Tablet.HasPressure));
	// Everything queued, oldest first; later WT_PACKET messages find these gone.
	int got;
	while ((got = WinTab.PacketsGet(Context, WINTAB_QUEUE, Packets.data())) > 0)
	{
		const std::size_t first = Queue.size();
		translateWinTabPackets(Packets.data(), got, Tablet, Tab.Touching, Queue);
		remember(Tab, first);
	}
}

void PenInputWin32::endStroke(StrokeState& stroke)
{
	if (!stroke.Touching)
		return;
	stroke.Touching = false;
	stroke.Last.Event = PenSample::PEN_GONE;
	Queue.push_back(stroke.Last);
}

void PenInputWin32::unhook()
{
	RemovePropW(Window, PEN_INPUT_PROPERTY);
	// A procedure put in front of ours later still passes messages to ours, which then only
	// passes them on: it stays, and so does the property it needs.
	if (windowProcedure(Window) == reinterpret_cast<LONG_PTR>(&subclassProcedure))
	{
		setWindowProcedure(Window, reinterpret_cast<LONG_PTR>(GetPropW(Window, PREVIOUS_PROCEDURE_PROPERTY)));
		RemovePropW(Window, PREVIOUS_PROCEDURE_PROPERTY);
	}
	Window = nullptr;
}

void PenInputWin32::closeWinTab()
{
	if (!Context)
		return;
	WinTab.Close(Context);
	Context = nullptr;
}

void PenInputWin32::openWinTab()
{
	if (!WinTab.Info || !WinTab.Open || !WinTab.Close || !WinTab.PacketsGet || !WinTab.Overlap)
		return;
	char identity[128] = "", device[128] = "";
	UINT devices = 0;
	WinTabAxis pressure = {};
	// Strings come back whole: ask for the size first.
	if (WinTab.Info(WTI_INTERFACE, IFC_WINTABID, nullptr) <= sizeof(identity))
		WinTab.Info(WTI_INTERFACE, IFC_WINTABID, identity);
	WinTab.Info(WTI_INTERFACE, IFC_NDEVICES, &devices);
	// WTInfo(0, 0, NULL) is zero when no tablet is there to read.
	const bool tablet = WinTab.Info(0, 0, nullptr) != 0;
	WinTabContext context = {};
	const bool opened = tablet && WinTab.Info(WTI_DEFSYSCTX, 0, &context) >= sizeof(context)
		&& context.lcInExtX != 0 && context.lcInExtY != 0 && context.lcSysExtX > 0 && context.lcSysExtY > 0;
	if (WinTab.Info(WTI_DEVICES + context.lcDevice, DVC_NAME, nullptr) <= sizeof(device))
		WinTab.Info(WTI_DEVICES + context.lcDevice, DVC_NAME, device);
	const bool hasPressure = WinTab.Info(WTI_DEVICES + context.lcDevice, DVC_NPRESSURE, &pressure) >= sizeof(pressure)
		&& pressure.axMax > pressure.axMin;
	char line[400];
	std::snprintf(line, sizeof(line), "pen: WinTab \"%s\", %u device(s), first \"%s\", pressure %ld..%ld%s\n", identity,
		devices, device, (long)pressure.axMin, (long)pressure.axMax, tablet ? "" : ", no tablet to read");
	debugOutput(line);
	if (!opened)
		return;

	// The system context with its packets posted to the window, in the tablet's own
	// resolution (output = input area), the cursor still following the pen.
	std::snprintf(context.lcName, sizeof(context.lcName), "Vantrel");
	context.lcOptions |= CXO_SYSTEM | CXO_MESSAGES;
	context.lcPktData = PK_STATUS | PK_CURSOR | PK_BUTTONS | PK_X | PK_Y | (hasPressure ? PK_NORMAL_PRESSURE : 0);
	context.lcPktMode = 0;
	context.lcMoveMask = context.lcPktData;
	context.lcBtnUpMask = context.lcBtnDnMask;
	context.lcOutOrgX = context.lcInOrgX;
	context.lcOutOrgY = context.lcInOrgY;
	context.lcOutExtX = context.lcInExtX;
	context.lcOutExtY = context.lcInExtY;
	Context = WinTab.Open(Window, &context, TRUE);
	if (!Context)
		return;
	if (WinTab.QueueSizeSet)
		WinTab.QueueSizeSet(Context, WINTAB_QUEUE);
	MessageBase = context.lcMsgBase;
	Tablet.OutOrgX = context.lcOutOrgX;
	Tablet.OutOrgY = context.lcOutOrgY;
	Tablet.OutExtX = context.lcOutExtX;
	Tablet.OutExtY = context.lcOutExtY;
	Tablet.ScreenLeft = context.lcSysOrgX;
	Tablet.ScreenTop = context.lcSysOrgY;
	Tablet.ScreenWidth = context.lcSysExtX;
	Tablet.ScreenHeight = context.lcSysExtY;
	Tablet.HasPressure = hasPressure;
	Tablet.PressureMin = pressure.axMin;
	Tablet.PressureMax = pressure.axMax;
}

} // namespace

PenInput* createPenInput(HWND window, const PointerFunctions& pointer, const WinTabFunctions& wintab,
	HMODULE wintabModule)
{
	// One pen input to a window: a second would take the first one's window properties.
	if (!window || GetPropW(window, PEN_INPUT_PROPERTY))
	{
		if (wintabModule)
			FreeLibrary(wintabModule);
		return nullptr;
	}
	// The caller owns the object, unless there is nothing to read.
	PenInputWin32* input = new PenInputWin32(window, pointer, wintab, wintabModule);
	input->openWinTab();
	debugOutput(input->inkReadable() ? "pen: Windows Ink pointer messages\n" : "pen: no Windows Ink pointer functions\n");
	if (!input->inkReadable() && !input->winTabOpen())
	{
		delete input;
		return nullptr;
	}
	input->hook();
	return input;
}

// [SECTION] PenInput::create: the system's functions, looked up at run time

// GetProcAddress gives a generic function pointer; this casts it to the one asked for.
template <typename Function> static void lookUp(HMODULE module, const char* name, Function& function)
{
	function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

PenInput* PenInput::create(const irr::video::SExposedVideoData& window)
{
	// Windows 8 and later; Windows 7 and Wine lack some of them.
	PointerFunctions pointer;
	if (HMODULE user32 = GetModuleHandleW(L"user32.dll"))
	{
		lookUp(user32, "GetPointerType", pointer.GetType);
		lookUp(user32, "GetPointerPenInfo", pointer.GetPenInfo);
		lookUp(user32, "GetPointerPenInfoHistory", pointer.GetPenInfoHistory);
		lookUp(user32, "GetPointerDeviceRects", pointer.GetDeviceRects);
	}
	// wintab32.dll comes with a tablet's driver, into the system folder: most systems have
	// none. Only that folder is searched, never the folder of a drawing being opened.
	WinTabFunctions wintab;
	HMODULE module = LoadLibraryExW(L"wintab32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
	if (module)
	{
		lookUp(module, "WTInfoA", wintab.Info);
		lookUp(module, "WTOpenA", wintab.Open);
		lookUp(module, "WTClose", wintab.Close);
		lookUp(module, "WTPacketsGet", wintab.PacketsGet);
		lookUp(module, "WTOverlap", wintab.Overlap);
		lookUp(module, "WTQueueSizeSet", wintab.QueueSizeSet);
	}
	return createPenInput(static_cast<HWND>(window.OpenGLWin32.HWnd), pointer, wintab, module);
}

} // namespace platform
