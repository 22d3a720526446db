// When each point of a stroke reaches the workspace, in the program's real window: the
// device, panel, workspace, receiver and frame loop as main sets them up, a sketch in the
// drawing, and the pen read through XInput 2 as main reads it (or not at all with
// --no-pen: the pen then comes in only as the engine's core pointer events). Driven by
// bench/pen_latency.py on an X server with a pen. Prints, with a flush after each line:
//   ready                          the frame loop went idle (nothing left to draw)
//   stroke T0 T1 ...               at a release: when each point of the stroke appeared,
//                                  nanoseconds of CLOCK_MONOTONIC
//   frames N MEDIAN_MS LONGEST_MS  the frames drawn while that stroke was open
//   touch N LATE                   at the pen's lift: the samples it sent while touching,
//                                  and how many of them the program read only after the
//                                  stroke had ended (the engine's release read first)
// Usage: pen_latency [--no-pen] [--behind-camera] [STROKES POINTS]   (default 1000 200)
// --behind-camera puts the sketch behind the camera: it is in the drawing, but culled from
// every frame, which keeps the renderer's time out of the figures.
// The autosave is left out: it would write the sketch on a worker thread after each stroke.
#include "SketchSupport.h"
#include "app/EventReceiver.h"
#include "app/FramePacer.h"
#include "app/device.h"
#include "app/startup.h"
#include "document/DocumentScene.h"
#include "platform/PenInput.h"
#include "platform/platform.h"
#include "stroke/StrokeNode.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

#include <irrlicht.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace irr;
// CLOCK_MONOTONIC on Linux, the clock the driver stamps its samples with.
using Clock = std::chrono::steady_clock;

namespace
{

long long nanoseconds(Clock::time_point t)
{
	return (long long)std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// The program's receiver, which also notes when the open stroke gains points: after every
// event the engine hands over and after the frame loop's own look at the pen.
class TimingReceiver : public EventReceiver
{
public:
	bool OnEvent(const SEvent& event) override
	{
		const bool consumed = EventReceiver::OnEvent(event);
		notePoints();
		return consumed;
	}

	//! Stamps the points added since the last call; at the release prints the stroke's times.
	void notePoints()
	{
		if (!Application)
			return;
		const Clock::time_point now = Clock::now();
		StrokeNode* open = Application->Drawing ? Application->CurrentStroke : nullptr;
		if (open && open != Stroke)
		{
			Stroke = open;
			Times.clear();
			FrameTimes.clear();
		}
		if (open)
		{
			while (Times.size() < open->Points.size())
				Times.push_back(nanoseconds(now));
			return;
		}
		if (!Stroke)
			return;
		Stroke = nullptr;
		std::printf("stroke");
		for (long long t : Times)
			std::printf(" %lld", t);
		std::printf("\n");
		std::sort(FrameTimes.begin(), FrameTimes.end());
		std::printf("frames %zu %.1f %.1f\n", FrameTimes.size(),
			FrameTimes.empty() ? 0.0 : FrameTimes[FrameTimes.size() / 2], FrameTimes.empty() ? 0.0 : FrameTimes.back());
		std::fflush(stdout);
	}

	//! A frame took this long (milliseconds); kept while a stroke is open.
	void noteFrame(double ms)
	{
		if (Stroke)
			FrameTimes.push_back(ms);
	}

private:
	//! The open stroke being timed; not owned.
	const StrokeNode* Stroke = nullptr;
	std::vector<long long> Times;
	std::vector<double> FrameTimes;
};

// The program's pen, passed on unchanged, counting the samples of each touch.
class CountingPen : public platform::PenInput
{
public:
	CountingPen(platform::PenInput* pen, const App& app) : Pen(pen), Application(app) {}
	~CountingPen() override { delete Pen; }

	void poll(std::vector<platform::PenSample>& out) override
	{
		const size_t first = out.size();
		Pen->poll(out);
		// The samples are handed to the workspace after this returns, so the stroke is open,
		// or not, for all of them: a stroke seen open earlier in this touch and closed now has
		// ended before them.
		if (Touching && Application.Drawing)
			Opened = true;
		for (size_t i = first; i < out.size(); ++i)
		{
			const platform::PenSample& sample = out[i];
			if (sample.Event == platform::PenSample::PEN_PRESS)
			{
				Touching = true;
				Opened = false;
				Samples = 1;
				Late = 0;
			}
			else if (sample.Event == platform::PenSample::PEN_MOVE && Touching)
			{
				++Samples;
				Late += Opened && !Application.Drawing;
			}
			else if (Touching)
			{
				Touching = false;
				std::printf("touch %d %d\n", Samples, Late);
				std::fflush(stdout);
			}
		}
	}

private:
	//! Owned.
	platform::PenInput* Pen;
	const App& Application;
	bool Touching = false;
	//! The stroke of this touch has begun.
	bool Opened = false;
	int Samples = 0;
	int Late = 0;
};

} // namespace

int main(int argc, char** argv)
{
	bool withPen = true, behindCamera = false;
	std::vector<int> numbers;
	for (int i = 1; i < argc; ++i)
	{
		if (std::strcmp(argv[i], "--no-pen") == 0)
			withPen = false;
		else if (std::strcmp(argv[i], "--behind-camera") == 0)
			behindCamera = true;
		else
			numbers.push_back(std::atoi(argv[i]));
	}
	const int strokes = numbers.size() == 2 ? numbers[0] : 1000;
	const int points = numbers.size() == 2 ? numbers[1] : 200;

	TimingReceiver receiver;
	App app;
	IrrlichtDevice* device = createDeviceWithFallback(vantrelCreationParameters(&receiver), createEngineDevice);
	if (!device)
	{
		std::fprintf(stderr, "pen_latency: no OpenGL window (is DISPLAY set?)\n");
		return 1;
	}
	// The caption the end-to-end harness looks for.
	device->setWindowCaption(L"Vantrel");
	platform::setPressAndHold(platform::activeWindow(), false);
	video::IVideoDriver* driver = device->getVideoDriver();
	scene::ISceneManager* smgr = device->getSceneManager();
	gui::IGUIEnvironment* guienv = device->getGUIEnvironment();
	UIPanel* panel = startWorkspace(device, app, receiver);
	Document sketch = makeSketch(strokes, points);
	// The camera at x = 100 looks down -X: the drawing root moved 300 units along +X puts the
	// sketch behind it. (Moving the points alone would not do: a stroke's box always holds
	// the cube from -1 to 1 around the drawing root's origin, so it would still be drawn.)
	if (behindCamera)
		sketch.DrawingTransform.setTranslation(core::vector3df(300.f, 0.f, 0.f));
	if (strokes > 0)
		restoreDocument(app, sketch);
	// Owned here; null with --no-pen, or where the display has no XInput 2.
	platform::PenInput* pen = withPen ? platform::PenInput::create(driver->getExposedVideoData()) : nullptr;
	if (pen)
		pen = new CountingPen(pen, app);
	else if (withPen)
		std::fprintf(stderr, "pen_latency: this display offers no XInput 2\n");
	receiver.Pen = pen;

	FramePacer pacer(device, &receiver);
	ITimer* timer = device->getTimer();
	u32 previous = timer->getTime();
	bool drawing = true;
	while (device->run())
	{
		receiver.beforeFrame(device);
		receiver.notePoints();
		app.updateRecording(panel);
		if (!pacer.frameWanted(viewIsAnimating(app, panel)))
		{
			if (drawing)
			{
				std::printf("ready\n");
				std::fflush(stdout);
			}
			drawing = false;
			continue;
		}
		drawing = true;
		const u32 now = timer->getTime();
		app.FrameDelta = (f32)(u32)(now - previous - pacer.takeIdleTime()) / 1000.f;
		previous = now;

		const Clock::time_point start = Clock::now();
		driver->beginScene(true, true, app.BackdropColor);
		smgr->drawAll();
		guienv->drawAll();
		app.keepDrawnFrame();
		driver->endScene();
		receiver.noteFrame(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
	}

	receiver.Pen = nullptr;
	delete pen;
	device->drop();
	return 0;
}
