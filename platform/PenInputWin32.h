// Windows half of the pen, the parts the tests reach: the history of a pen's pointer
// messages and WinTab packets turned into pen samples, and the pen input of a window made
// from the system functions it is handed (loaded at run time, as they may be missing).
#pragma once
#include "platform/PenInput.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstddef>
#include <vector>

namespace platform
{

// [SECTION] Windows Ink: pointer messages

//! Where a pen's positions land in the window: the digitizer's area in HIMETRIC units and
//! the screen rectangle it covers (GetPointerDeviceRects), when known, and the client
//! area's origin on the screen.
struct PointerMapping
{
	bool HasDeviceRects = false;
	RECT DeviceRect = {};
	RECT DisplayRect = {};
	double ClientLeft = 0.0;
	double ClientTop = 0.0;
};

//! Appends the samples of a pen's history as GetPointerPenInfoHistory fills it (newest
//! first) to out, oldest first. touching is whether the tip was down before the oldest
//! entry; it is left as the newest entry has it.
void translatePointerHistory(const POINTER_PEN_INFO* newestFirst, std::size_t count, const PointerMapping& mapping,
	bool& touching, std::vector<PenSample>& out);

//! The pointer functions of user32 (Windows 8 and later); null where the system has none.
struct PointerFunctions
{
	BOOL(WINAPI* GetType)(UINT32 pointerId, POINTER_INPUT_TYPE* type) = nullptr;
	BOOL(WINAPI* GetPenInfo)(UINT32 pointerId, POINTER_PEN_INFO* info) = nullptr;
	BOOL(WINAPI* GetPenInfoHistory)(UINT32 pointerId, UINT32* count, POINTER_PEN_INFO* infos) = nullptr;
	BOOL(WINAPI* GetDeviceRects)(HANDLE device, RECT* deviceRect, RECT* displayRect) = nullptr;
};

// [SECTION] WinTab: tablet packets

//! WinTab's axis and context records, laid out as wintab.h's AXIS and LOGCONTEXTA.
struct WinTabAxis
{
	LONG axMin;
	LONG axMax;
	UINT axUnits;
	DWORD axResolution;
};
struct WinTabContext
{
	char lcName[40];
	UINT lcOptions, lcStatus, lcLocks, lcMsgBase, lcDevice, lcPktRate;
	DWORD lcPktData, lcPktMode, lcMoveMask, lcBtnDnMask, lcBtnUpMask;
	LONG lcInOrgX, lcInOrgY, lcInOrgZ, lcInExtX, lcInExtY, lcInExtZ;
	LONG lcOutOrgX, lcOutOrgY, lcOutOrgZ, lcOutExtX, lcOutExtY, lcOutExtZ;
	DWORD lcSensX, lcSensY, lcSensZ;
	BOOL lcSysMode;
	int lcSysOrgX, lcSysOrgY, lcSysExtX, lcSysExtY;
	DWORD lcSysSensX, lcSysSensY;
};
DECLARE_HANDLE(HCTX);

//! One packet of the context the program opens, as pktdef.h lays out PK_STATUS | PK_CURSOR
//! | PK_BUTTONS | PK_X | PK_Y | PK_NORMAL_PRESSURE. Without PK_NORMAL_PRESSURE the packet
//! ends before NormalPressure.
struct WinTabPacket
{
	UINT Status;
	UINT Cursor;
	DWORD Buttons;
	LONG X;
	LONG Y;
	UINT NormalPressure;
};

//! How packets become window pixels and pressure: the context's output area (Y upwards
//! when OutExtY is positive, as WinTab counts it), the screen rectangle it covers (the
//! system context's lcSysOrg and lcSysExt), the client area's origin on the screen, and
//! the pressure axis when the tablet has one.
struct WinTabMapping
{
	double OutOrgX = 0.0, OutOrgY = 0.0, OutExtX = 1.0, OutExtY = 1.0;
	double ScreenLeft = 0.0, ScreenTop = 0.0, ScreenWidth = 1.0, ScreenHeight = 1.0;
	double ClientLeft = 0.0, ClientTop = 0.0;
	bool HasPressure = false;
	double PressureMin = 0.0, PressureMax = 0.0;
};

//! Appends one sample per packet to out, oldest first, from count packets as WTPacketsGet
//! fills its buffer: each a WinTabPacket, or without its NormalPressure when the mapping
//! has no pressure (the context then leaves it out). touching is whether the tip was down
//! before the first packet; it is left as the last one has it.
void translateWinTabPackets(const void* packets, std::size_t count, const WinTabMapping& mapping, bool& touching,
	std::vector<PenSample>& out);

//! The functions of wintab32.dll the pen needs (WTInfoA, WTOpenA, WTClose, WTPacketsGet,
//! WTOverlap, WTQueueSizeSet); null when there is no such DLL.
struct WinTabFunctions
{
	UINT(WINAPI* Info)(UINT category, UINT index, LPVOID output) = nullptr;
	HCTX(WINAPI* Open)(HWND window, WinTabContext* context, BOOL enable) = nullptr;
	BOOL(WINAPI* Close)(HCTX context) = nullptr;
	int(WINAPI* PacketsGet)(HCTX context, int maximum, LPVOID packets) = nullptr;
	BOOL(WINAPI* Overlap)(HCTX context, BOOL toTop) = nullptr;
	BOOL(WINAPI* QueueSizeSet)(HCTX context, int packets) = nullptr;
};

// [SECTION] The pen input of a window

//! Reads the pen of window through Windows Ink where the system has its pointer functions,
//! and through a WinTab context until the first pen pointer message shows that Windows
//! Ink has the pen. Null when neither can be read. The window's messages all still reach
//! its own procedure. The object frees wintabModule (may be null) when it goes.
PenInput* createPenInput(HWND window, const PointerFunctions& pointer, const WinTabFunctions& wintab,
	HMODULE wintabModule);

} // namespace platform
