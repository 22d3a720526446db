// The longest frame of the program's window while an autosave of a large sketch runs:
// opens the real window (an X display is needed), puts the sketch in the workspace, draws
// frames for a while with no autosave, then the same number with an autosave started at
// the first and a new one each time the previous has finished; prints frame times in ms.
// Usage: autosave_frames [STROKES POINTS FRAMES [null]]   (default 1000 200 60)
// With "null" the engine's NULL driver stands in for the window: the frames then cost only
// the frame loop's own work, which shows what the autosave takes from the main thread.
#include "SketchSupport.h"
#include "app/EventReceiver.h"
#include "app/device.h"
#include "app/startup.h"
#include "document/DocumentKeeper.h"
#include "document/DocumentScene.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

#include <irrlicht.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace irr;
using Clock = std::chrono::steady_clock;

static f64 ms(Clock::duration d)
{
	return std::chrono::duration<f64, std::milli>(d).count();
}

int main(int argc, char** argv)
{
	const int strokes = argc > 3 ? std::atoi(argv[1]) : 1000;
	const int points = argc > 3 ? std::atoi(argv[2]) : 200;
	const int frames = argc > 3 ? std::atoi(argv[3]) : 60;
	const bool null = argc > 4 && std::string(argv[4]) == "null";

	EventReceiver receiver;
	App app;
	SIrrlichtCreationParameters parameters = vantrelCreationParameters(&receiver);
	if (null)
	{
		parameters.DriverType = video::EDT_NULL;
		parameters.LoggingLevel = ELL_NONE;
	}
	IrrlichtDevice* device = createDeviceWithFallback(parameters, createEngineDevice);
	if (!device)
	{
		std::fprintf(stderr, "autosave_frames: no OpenGL window (is DISPLAY set?)\n");
		return 1;
	}
	scene::ISceneManager* smgr = device->getSceneManager();
	gui::IGUIEnvironment* guienv = device->getGUIEnvironment();
	UIPanel* panel = startWorkspace(device, app, receiver);
	restoreDocument(app, makeSketch(strokes, points));

	DocumentKeeper documents(app, panel);
	documents.AutosavePath = (std::filesystem::temp_directory_path() / "vantrel-bench-autosave.glb").string();
	documents.AutosaveDelayMs = 0;

	auto runFrames = [&](bool autosaving, f64& snapshotMs) {
		std::vector<f64> times;
		snapshotMs = 0;
		for (int f = 0; f < frames && device->run(); ++f)
		{
			const Clock::time_point start = Clock::now();
			if (autosaving && !documents.isBusy())
			{
				++app.Revision; // a change: the next update takes a snapshot and starts a write
				documents.update(device->getTimer()->getTime());
				snapshotMs = std::max(snapshotMs, ms(Clock::now() - start));
			}
			else
				documents.update(device->getTimer()->getTime());
			device->getVideoDriver()->beginScene(true, true, app.BackdropColor);
			smgr->drawAll();
			guienv->drawAll();
			device->getVideoDriver()->endScene();
			times.push_back(ms(Clock::now() - start));
		}
		std::sort(times.begin(), times.end());
		return times;
	};

	f64 snapshot;
	const std::vector<f64> quiet = runFrames(false, snapshot);
	const std::vector<f64> busy = runFrames(true, snapshot);
	documents.waitForWrites();
	std::printf("%d strokes of %d points, %d frames each, %s\n", strokes, points, frames,
		null ? "NULL driver" : "OpenGL window");
	std::printf("without autosave: median %.1f ms, longest %.1f ms\n", quiet[quiet.size() / 2], quiet.back());
	std::printf("with autosaves running: median %.1f ms, longest %.1f ms (longest snapshot on the frame loop %.2f ms)\n",
		busy[busy.size() / 2], busy.back(), snapshot);
	std::remove(documents.AutosavePath.c_str());
	device->drop();
	return 0;
}
