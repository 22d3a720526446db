// For the benchmarks: an engine on the NULL device and a workspace set up like the
// program's main (800 x 600, the start-up camera, the start brush), without a window.
#pragma once
#include "app/startup.h"
#include "workspace/App.h"

#include <irrlicht.h>

struct NullWorkspace
{
	NullWorkspace()
	{
		irr::SIrrlichtCreationParameters p;
		p.DriverType = irr::video::EDT_NULL;
		p.WindowSize = irr::core::dimension2du(800, 600);
		p.LoggingLevel = irr::ELL_NONE;
		Device = irr::createDeviceEx(p);
		SceneManager = Device->getSceneManager();
		Camera = addStartCamera(SceneManager);
		Application.init(SceneManager, Camera);
		Application.setBrushColor(irr::video::SColor(0xFF404080));
		Application.setBrushSize(1.f, 1.f);
		frame();
	}
	// The device takes the scene graph with it; the workspace goes after it.
	~NullWorkspace() { Device->drop(); }

	//! One frame of scene drawing.
	void frame()
	{
		Device->getVideoDriver()->beginScene(true, true, 0);
		SceneManager->drawAll();
		Device->getVideoDriver()->endScene();
	}

	irr::IrrlichtDevice* Device;
	irr::scene::ISceneManager* SceneManager;
	irr::scene::ICameraSceneNode* Camera;
	App Application;
};
