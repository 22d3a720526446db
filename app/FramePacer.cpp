#include "app/FramePacer.h"
#include "platform/platform.h"
#include "ui/UINote.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

using namespace irr;

bool viewIsAnimating(const App& app, const UIPanel* panel)
{
	return app.isRecording() || (panel && panel->Note && panel->Note->isShowing());
}

FramePacer::FramePacer(IrrlichtDevice* device, IEventReceiver* next)
	: Device(device), Next(next), InputSinceFrame(false), FramesOwed(2), IdleTime(0),
	  StartTime(device->getTimer()->getRealTime())
{
	device->setEventReceiver(this);
}

bool FramePacer::OnEvent(const SEvent& event)
{
	if (event.EventType != EET_LOG_TEXT_EVENT)
		InputSinceFrame = true;
	return Next ? Next->OnEvent(event) : false;
}

bool FramePacer::frameWanted(bool animating)
{
	if (InputSinceFrame)
	{
		InputSinceFrame = false;
		FramesOwed = 1;
		return true;
	}
	if (FramesOwed > 0)
	{
		--FramesOwed;
		return true;
	}
	const u32 start = Device->getTimer()->getRealTime();
	if (animating || start - StartTime < START_FRAMES_MS)
		return true;
	// Whatever woke the loop (input or a window event) is handed over by the next run();
	// input then shows as an event, anything else earns one frame.
	if (platform::waitForWindowEvents(Device->getVideoDriver()->getExposedVideoData(), IDLE_WAKE_MS))
		FramesOwed = 1;
	IdleTime += Device->getTimer()->getRealTime() - start;
	return false;
}

u32 FramePacer::takeIdleTime()
{
	const u32 idle = IdleTime;
	IdleTime = 0;
	return idle;
}
