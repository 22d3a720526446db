// Frames of a 1,000-stroke sketch in a real OpenGL window (an X display is needed), for
// counting what each frame hands the driver with the gl_traffic interposer:
//   LD_PRELOAD=build/bench/libgl_traffic.so build/bench/bench_frames [strokes] [frames]
// The strokes (100 points each) are drawn through the workspace as the pointer draws
// them, then the given number of frames is drawn with nothing changing.
#include "app/device.h"
#include "app/startup.h"
#include "workspace/App.h"

#include <cstdio>
#include <cstdlib>

using namespace irr;

int main(int argc, char** argv)
{
	const int strokes = argc > 1 ? std::atoi(argv[1]) : 1000;
	const int frames = argc > 2 ? std::atoi(argv[2]) : 20;
	SIrrlichtCreationParameters p = vantrelCreationParameters(nullptr);
	p.LoggingLevel = ELL_NONE;
	IrrlichtDevice* device = createDeviceWithFallback(p, createEngineDevice);
	if (!device)
	{
		std::fprintf(stderr, "bench_frames: no OpenGL window\n");
		return 1;
	}
	video::IVideoDriver* driver = device->getVideoDriver();
	scene::ISceneManager* smgr = device->getSceneManager();
	scene::ICameraSceneNode* camera = addStartCamera(smgr);
	{
		App app;
		app.init(smgr, camera);
		app.setBrushColor(video::SColor(0xFF404080));
		app.setBrushSize(1.f, 1.f);
		for (int s = 0; s < strokes; ++s)
		{
			const s32 y = 120 + (s * 37) % 360;
			const s32 x0 = 130 + (s * 53) % 200;
			app.onMousePress(core::position2di(x0, y), 0);
			for (int i = 1; i < 100; ++i)
				app.onMouseMove(core::position2di(x0 + i * 5 % 400, y + (i / 80) * 5));
			app.onMouseRelease();
		}
		for (int f = 0; f < frames && device->run(); ++f)
		{
			driver->beginScene(true, true, app.BackdropColor);
			smgr->drawAll();
			driver->endScene();
		}
		device->drop();
	}
	return 0;
}
