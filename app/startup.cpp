#include "app/startup.h"
#include "app/EventReceiver.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

using namespace irr;

scene::ICameraSceneNode* addStartCamera(scene::ISceneManager* smgr)
{
	scene::ICameraSceneNode* camera =
		smgr->addCameraSceneNode(smgr->getRootSceneNode(), core::vector3df(0, 0, 0), core::vector3df(0, 0, 100), -1, true);
	camera->setPosition(core::vector3df(100, 0, 0));
	camera->setTarget(core::vector3df(0, 0, 0));
	camera->setFarValue(1000.f);
	camera->setNearValue(50.f);
	return camera;
}

UIPanel* startWorkspace(IrrlichtDevice* device, App& app, EventReceiver& receiver)
{
	gui::IGUIEnvironment* guienv = device->getGUIEnvironment();
	UIPanel* panel = new UIPanel(guienv, guienv->getRootGUIElement(), 0);
	panel->drop(); // the GUI root owns the panel
	app.init(device->getSceneManager(), addStartCamera(device->getSceneManager()));
	receiver.Application = &app;
	receiver.Panel = panel;
	receiver.syncSettings();
	return panel;
}
