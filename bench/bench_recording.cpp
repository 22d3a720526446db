// The recording's write step: 30 screenshots of 800 x 600 converted and encoded into
// "vantrel.gif", as at the release that ends a recording (the window is frozen meanwhile).
// The frames are drawn here, or, when VANTREL_BENCH_FRAMES names a directory, read from its
// frame_00.png to frame_29.png (frames taken from the program by bench/compare_gif.py).
#include "workspace/App.h"

#include <benchmark/benchmark.h>
#include <irrlicht.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

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

} // namespace

static void BM_WriteGifOf30Frames(benchmark::State& state)
{
	SIrrlichtCreationParameters p;
	p.DriverType = video::EDT_NULL;
	p.LoggingLevel = ELL_NONE;
	IrrlichtDevice* device = createDeviceEx(p);
	video::IVideoDriver* driver = device->getVideoDriver();
	core::array<video::IImage*> frames;
	if (const char* directory = std::getenv("VANTREL_BENCH_FRAMES"))
	{
		if (!loadFrames(driver, directory, &frames))
		{
			for (u32 i = 0; i < frames.size(); ++i)
				frames[i]->drop();
			device->drop();
			state.SkipWithError("VANTREL_BENCH_FRAMES lacks frame_00.png to frame_29.png of 800 x 600");
			return;
		}
	}
	else
	{
		for (int i = 0; i < 30; ++i)
		{
			frames.push_back(driver->createImage(video::ECF_A8R8G8B8, core::dimension2du(800, 600)));
			paintFrame(frames.getLast(), i);
		}
	}

	char directory[] = "/tmp/vantrel-bench-XXXXXX";
	if (!mkdtemp(directory) || chdir(directory) != 0)
	{
		state.SkipWithError("no temporary directory");
		return;
	}
	App app;
	for (auto _ : state)
	{
		// The recording holds one reference per screenshot and gives it back when written.
		for (int i = 0; i < 30; ++i)
		{
			frames[i]->grab();
			app.GifFrames[i] = frames[i];
		}
		app.GifFramesCaptured = 30;
		app.RecordingGif = true;
		app.writeGif();
	}
	state.SetItemsProcessed(state.iterations() * 30);
	std::remove("vantrel.gif");
	rmdir(directory);
	for (u32 i = 0; i < frames.size(); ++i)
		frames[i]->drop();
	device->drop();
}
BENCHMARK(BM_WriteGifOf30Frames)->Unit(benchmark::kMillisecond)->UseRealTime();
