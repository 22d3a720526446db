// Vantrel: free-hand drawing in 3-D. Creates the window, the side panel, the camera
// and the workspace, then draws frames until the window is closed.
#include "app/EventReceiver.h"
#include "app/FramePacer.h"
#include "app/device.h"
#include "app/startup.h"
#include "document/DocumentKeeper.h"
#include "platform/PenInput.h"
#include "platform/platform.h"
#include "ui/AssetFiles.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

#include <cstdio>
#include <string>

using namespace irr;

int main(int argc, char** argv)
{
	EventReceiver receiver;
	App app;

	const std::string displayProblem = platform::displayProblem();
	if (!displayProblem.empty())
	{
		std::fprintf(stderr, "vantrel: %s\n", displayProblem.c_str());
		return 1;
	}
	std::string failure = "the engine gave no reason";
	IrrlichtDevice* device = createDeviceWithFallback(vantrelCreationParameters(&receiver), createEngineDevice, &failure);
	if (!device)
	{
		std::fprintf(stderr, "vantrel: could not open an OpenGL window of 800 x 600 pixels on this display: %s\n",
			failure.c_str());
		return 1;
	}
	device->setWindowCaption(L"Vantrel");
	platform::setPressAndHold(platform::activeWindow(), false);

	video::IVideoDriver* driver = device->getVideoDriver();
	scene::ISceneManager* smgr = device->getSceneManager();
	gui::IGUIEnvironment* guienv = device->getGUIEnvironment();

	reportAssetProblems();
	UIPanel* panel = startWorkspace(device, app, receiver);
	// A tablet pen's pressure and every one of its samples; null without one. Owned here.
	platform::PenInput* pen = platform::PenInput::create(driver->getExposedVideoData());
	receiver.Pen = pen;

	// Saving, opening and the autosave; "vantrel FILE.glb" starts with that drawing.
	DocumentKeeper documents(app, panel);
	app.Documents = &documents;
	if (argc > 1)
		documents.open(argv[1]);

	FramePacer pacer(device, &receiver);
	ITimer* timer = device->getTimer();
	u32 previous = timer->getTime();
	while (device->run())
	{
		// The keyboard's real state and the reports of the writer threads, on every pass.
		receiver.beforeFrame(device);
		documents.update(timer->getTime());
		app.updateRecording(panel);
		// Asleep while nothing on screen would change (how it decides: docs/PERFORMANCE.md).
		if (!pacer.frameWanted(viewIsAnimating(app, panel)))
			continue;
		// Milliseconds as unsigned 32-bit, so a timer wrap still gives a small positive delta;
		// the time spent asleep belongs to no frame.
		const u32 now = timer->getTime();
		app.FrameDelta = (f32)(u32)(now - previous - pacer.takeIdleTime()) / 1000.f;
		previous = now;

		driver->beginScene(true, true, app.BackdropColor);
		smgr->drawAll();
		app.drawOverlay();
		guienv->drawAll();
		app.keepDrawnFrame();
		driver->endScene();
	}

	receiver.Pen = nullptr;
	delete pen;
	documents.finish();
	// The device takes the scene graph and the GUI with it; the workspace touches neither.
	device->drop();
	return 0;
}
