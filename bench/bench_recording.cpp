// The recording's cost. In the real window (OpenGL: run under Xvfb or on a desktop): the
// intervals between presented frames while orbiting a 40-stroke sketch, without and with a
// recording, release and writing included. On the writer thread alone: its throughput in
// frames per second against the capture rate of 50 per second, and the memory a 30-s recording
// takes against a 5-s one. Frames for the writer are drawn here, or, when VANTREL_BENCH_FRAMES
// names a directory, read from its frame_00.png to frame_29.png (taken from the program by
// bench/compare_gif.py). VANTREL_BENCH_ASSETS names the directory of the program's font and
// images, for a window that draws its panel as the program does.
#include "app/EventReceiver.h"
#include "app/device.h"
#include "gif/AnimationEncoder.h"
#include "gif/RecordingWriter.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

#include <benchmark/benchmark.h>
#include <irrlicht.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace irr;

namespace
{

// A sketch-like frame: thick coloured strokes over black, turned a little per frame as
// during an orbit, so that most pixels change between frames as they do in a recording.
void paintFrame(video::IImage* image, int frame)
{
	u32* pixels = static_cast<u32*>(image->lock());
	std::fill(pixels, pixels + 800 * 600, 0xFF000000u);
	const f64 turn = frame * 0.02;
	for (int s = 0; s < 40; ++s)
	{
		const u32 color = 0xFF000000u | ((u32)(60 + s * 37 % 190) << 16) | ((u32)(40 + s * 71 % 200) << 8)
			| (u32)(80 + s * 13 % 170);
		const f64 angle = s * 0.7 + turn, radius = 40 + s * 6;
		for (int t = 0; t < 400; ++t)
		{
			const f64 a = angle + t * 0.004;
			const int cx = 455 + (int)(radius * std::cos(a)), cy = 300 + (int)(radius * 0.6 * std::sin(a * 1.3));
			for (int dy = -3; dy <= 3; ++dy)
				for (int dx = -3; dx <= 3; ++dx)
				{
					const int x = cx + dx, y = cy + dy;
					if (x >= 110 && x < 800 && y >= 0 && y < 600)
						pixels[y * 800 + x] = color - (u32)((dx * dx + dy * dy) * 0x030303);
				}
		}
	}
	image->unlock();
}

//! The 30 frames from the directory as 800 x 600 screenshots, or none if one is missing.
bool loadFrames(video::IVideoDriver* driver, const char* directory, core::array<video::IImage*>* frames)
{
	for (int i = 0; i < 30; ++i)
	{
		char name[32];
		std::snprintf(name, sizeof(name), "/frame_%02d.png", i);
		video::IImage* file = driver->createImageFromFile((std::string(directory) + name).c_str());
		if (!file || file->getDimension() != core::dimension2du(800, 600))
		{
			if (file)
				file->drop();
			return false;
		}
		video::IImage* screenshot = driver->createImage(video::ECF_A8R8G8B8, file->getDimension());
		file->copyTo(screenshot);
		file->drop();
		frames->push_back(screenshot);
	}
	return true;
}


const char* const ASSET_FILES[] = {"font.bmp", "roundBrushUnchecked.png", "roundBrushChecked.png",
	"eraseBrushUnchecked.png", "eraseBrushChecked.png", "selectToolUnchecked.png", "selectToolChecked.png",
	"mirrorUnchecked.png", "mirrorChecked.png", "gifWarning.png"};

//! Seconds on a monotonic clock.
f64 now()
{
	return std::chrono::duration<f64>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

//! The process's peak resident size in KiB since the last resetPeakMemory (Linux).
long peakMemoryKiB()
{
	std::ifstream status("/proc/self/status");
	std::string line;
	while (std::getline(status, line))
		if (line.compare(0, 6, "VmHWM:") == 0)
			return std::atol(line.c_str() + 6);
	return 0;
}

void resetPeakMemory()
{
	std::ofstream("/proc/self/clear_refs") << "5";
}

//! The writer's frames: 30 sketch-like pictures (or the program's), as RGBA bytes.
bool writerFrames(std::vector<std::vector<u8>>* frames, std::string* error)
{
	SIrrlichtCreationParameters p;
	p.DriverType = video::EDT_NULL;
	p.LoggingLevel = ELL_NONE;
	IrrlichtDevice* device = createDeviceEx(p);
	video::IVideoDriver* driver = device->getVideoDriver();
	core::array<video::IImage*> images;
	bool loaded = true;
	if (const char* directory = std::getenv("VANTREL_BENCH_FRAMES"))
		loaded = loadFrames(driver, directory, &images);
	else
		for (int i = 0; i < 30; ++i)
		{
			images.push_back(driver->createImage(video::ECF_A8R8G8B8, core::dimension2du(800, 600)));
			paintFrame(images.getLast(), i);
		}
	for (u32 i = 0; i < images.size(); ++i)
	{
		frames->emplace_back(800 * 600 * 4);
		argbToFrame(static_cast<const u32*>(images[i]->lock()), frames->back().data(), 800 * 600);
		images[i]->unlock();
		images[i]->drop();
	}
	device->drop();
	if (!loaded)
		*error = "VANTREL_BENCH_FRAMES lacks frame_00.png to frame_29.png of 800 x 600";
	return loaded;
}

//! Hands count frames 20 ms apart to a writer as fast as it takes them; returns the seconds
//! until the file is written, and the report.
f64 writeRecording(const std::vector<std::vector<u8>>& frames, int count, std::string* report)
{
	RecordingWriter writer(6);
	const f64 start = now();
	writer.begin("vantrel.gif", 800, 600);
	for (int i = 0; i < count; ++i)
	{
		while (!writer.hasRoom())
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
		RecordedFrame frame;
		frame.Pixels = frames[i % frames.size()];
		frame.StartMs = 20 * i;
		writer.add(std::move(frame));
	}
	writer.end(20 * count, RecordedFrame());
	while (!writer.takeReport(report))
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	return now() - start;
}

//! Runs in a fresh temporary directory, where the writer puts its file; with the program's
//! font and images copied there from VANTREL_BENCH_ASSETS, if it names their directory.
struct ScratchDirectory
{
	ScratchDirectory()
	{
		Ok = mkdtemp(Path) && getcwd(Previous, sizeof(Previous)) && chdir(Path) == 0;
		const char* assets = std::getenv("VANTREL_BENCH_ASSETS");
		for (const char* name : ASSET_FILES)
			if (Ok && assets)
			{
				std::ifstream in(std::string(assets) + "/" + name, std::ios::binary);
				std::ofstream(name, std::ios::binary) << in.rdbuf();
			}
	}
	~ScratchDirectory()
	{
		std::remove("vantrel.gif");
		for (const char* name : ASSET_FILES)
			std::remove(name);
		if (Ok && chdir(Previous) == 0)
			rmdir(Path);
	}
	char Path[32] = "/tmp/vantrel-bench-XXXXXX";
	char Previous[4096] = "";
	bool Ok;
};

// The program's window, panel, camera and workspace, made as main makes them, with a sketch of
// 40 strokes drawn through the workspace's input operations.
struct Window
{
	Window()
	{
		Device = createDeviceWithFallback(vantrelCreationParameters(&Receiver), createEngineDevice);
		if (!Device)
			return;
		Driver = Device->getVideoDriver();
		SceneManager = Device->getSceneManager();
		Gui = Device->getGUIEnvironment();
		Panel = new UIPanel(Gui, Gui->getRootGUIElement(), 0);
		Panel->drop(); // the GUI root owns the panel
		scene::ICameraSceneNode* camera = SceneManager->addCameraSceneNode(SceneManager->getRootSceneNode(),
			core::vector3df(0, 0, 0), core::vector3df(0, 0, 100), -1, true);
		camera->setPosition(core::vector3df(100, 0, 0));
		camera->setTarget(core::vector3df(0, 0, 0));
		camera->setFarValue(1000.f);
		camera->setNearValue(50.f);
		Application.init(SceneManager, camera);
		Receiver.Application = &Application;
		Receiver.Panel = Panel;
		Receiver.syncSettings();
		for (int n = 0; n < 40; ++n)
		{
			Application.setBrushColor(video::SColor(0xFF000000u | ((u32)(60 + n * 37 % 190) << 16)
				| ((u32)(40 + n * 71 % 200) << 8) | (u32)(80 + n * 13 % 170)));
			Application.setBrushSize(1.f + (n / 10) * 2.f, 1.f);
			const s32 cx = 200 + (n % 5) * 110, cy = 150 + ((n / 5) % 2) * 250 + (n / 10 % 2) * 40;
			Application.onMousePress(core::position2di(cx - 50, cy), 0);
			for (int t = 1; t <= 25; ++t)
				Application.onMouseMove(core::position2di(cx - 50 + 4 * t, cy + (s32)(30 * std::sin(t * 0.5 + n))));
			Application.onMouseRelease();
			if (n % 10 == 9)
			{
				// Each layer of ten on another plane.
				Application.onKeyDown(KEY_LMENU);
				Application.onMousePress(core::position2di(450, 300), 0);
				Application.onMouseMove(core::position2di(485, 310));
				Application.onMouseRelease();
				Application.onKeyUp(KEY_LMENU);
			}
			frame();
		}
	}
	~Window()
	{
		if (Device)
			Device->drop();
	}

	//! One pass of the frame loop as main runs it; returns when the frame has been presented.
	void frame()
	{
		Device->run();
		Application.updateRecording(Panel);
		Driver->beginScene(true, true, Application.BackdropColor);
		SceneManager->drawAll();
		Gui->drawAll();
		Application.keepDrawnFrame();
		Driver->endScene();
	}

	EventReceiver Receiver;
	App Application;
	IrrlichtDevice* Device = nullptr;
	video::IVideoDriver* Driver = nullptr;
	scene::ISceneManager* SceneManager = nullptr;
	gui::IGUIEnvironment* Gui = nullptr;
	UIPanel* Panel = nullptr;
};

} // namespace

// An orbit of ORBIT_FRAMES frames, one pointer move of 3 pixels per frame, then the release and
// frames until the writer is done (at least 20): the presented frames' intervals.
static void BM_FrameLoopWhileOrbiting(benchmark::State& state)
{
	const bool recording = state.range(0) != 0;
	const int ORBIT_FRAMES = 150;
	ScratchDirectory scratch;
	Window window;
	if (!scratch.Ok || !window.Device || window.Driver->getDriverType() != video::EDT_OPENGL)
	{
		state.SkipWithError("needs an OpenGL window (DISPLAY) and a temporary directory");
		return;
	}
	App& app = window.Application;
	std::vector<f64> intervals;
	f64 releaseSeconds = 0;
	for (auto _ : state)
	{
		intervals.clear();
		window.frame();
		if (recording)
			window.Panel->requestRecording();
		app.onKeyDown(KEY_LMENU);
		core::position2di pointer(400, 300);
		if (recording)
		{
			app.startGifRecording(0);
			window.Panel->hideRecordingWarning();
		}
		app.onMousePress(pointer, 0);
		f64 last = now();
		const auto presented = [&]() {
			const f64 t = now();
			intervals.push_back(t - last);
			last = t;
		};
		for (int i = 0; i < ORBIT_FRAMES; ++i)
		{
			pointer.X += 3;
			app.onMouseMove(pointer);
			window.frame();
			presented();
		}
		// The release as the event receiver handles it: it must return at once.
		const f64 release = now();
		app.stopGifRecording(0);
		app.onMouseRelease();
		releaseSeconds = now() - release;
		// A recording's release draws and shows the view at the release.
		if (recording)
			presented();
		app.onKeyUp(KEY_LMENU);
		for (int i = 0; i < 20 || app.isWritingGif(); ++i)
		{
			window.frame();
			presented();
		}
	}
	std::vector<f64> sorted = intervals;
	std::sort(sorted.begin(), sorted.end());
	state.counters["median_ms"] = sorted[sorted.size() / 2] * 1000.0;
	state.counters["longest_ms"] = sorted.back() * 1000.0;
	state.counters["frames"] = (f64)intervals.size();
	state.counters["release_ms"] = releaseSeconds * 1000.0;
	if (recording)
		state.counters["captured"] = app.GifFramesCaptured;
}
BENCHMARK(BM_FrameLoopWhileOrbiting)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The writer alone: 150 frames (3 s at the capture rate of 50 a second), fed as fast as it
// takes them; frames per second it encodes and writes.
static void BM_WriterThroughput(benchmark::State& state)
{
	ScratchDirectory scratch;
	std::vector<std::vector<u8>> frames;
	std::string error;
	if (!scratch.Ok || !writerFrames(&frames, &error))
	{
		state.SkipWithError(error.empty() ? "no temporary directory" : error.c_str());
		return;
	}
	std::string report;
	f64 seconds = 0;
	for (auto _ : state)
		seconds = writeRecording(frames, 150, &report);
	state.counters["frames_per_s"] = 150 / seconds;
	state.SetLabel(report);
}
BENCHMARK(BM_WriterThroughput)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak memory of a recording of 5 s and of 30 s (250 and 1,500 frames 20 ms apart), above what
// the process held before; the frames themselves are counted once (they are the source here).
static void BM_RecordingPeakMemory(benchmark::State& state)
{
	const int count = (int)state.range(0);
	ScratchDirectory scratch;
	std::vector<std::vector<u8>> frames;
	std::string error;
	if (!scratch.Ok || !writerFrames(&frames, &error))
	{
		state.SkipWithError(error.empty() ? "no temporary directory" : error.c_str());
		return;
	}
	std::string report;
	long before = 0, peak = 0;
	for (auto _ : state)
	{
		resetPeakMemory();
		before = peakMemoryKiB();
		writeRecording(frames, count, &report);
		peak = peakMemoryKiB();
	}
	state.counters["peak_MiB"] = (peak - before) / 1024.0;
	state.SetLabel(report);
}
BENCHMARK(BM_RecordingPeakMemory)->Arg(250)->Arg(1500)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
