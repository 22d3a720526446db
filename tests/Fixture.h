// Test fixture and input builders: a NULL-device engine of 800 x 600 with the start-up
// camera and an initialised workspace, set up the way the program's main does it.
#pragma once
#include "app/EventReceiver.h"
#include "workspace/App.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

class WorkspaceTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		irr::SIrrlichtCreationParameters p;
		p.DriverType = irr::video::EDT_NULL;
		p.WindowSize = irr::core::dimension2d<irr::u32>(800, 600);
		p.LoggingLevel = irr::ELL_NONE;
		p.EventReceiver = &Receiver;
		Device = irr::createDeviceEx(p);
		ASSERT_NE(Device, nullptr);
		SceneManager = Device->getSceneManager();
		Camera = SceneManager->addCameraSceneNode(SceneManager->getRootSceneNode(),
			irr::core::vector3df(0, 0, 0), irr::core::vector3df(0, 0, 100), -1, true);
		Camera->setPosition(irr::core::vector3df(100, 0, 0));
		Camera->setTarget(irr::core::vector3df(0, 0, 0));
		Camera->setFarValue(1000.f);
		Camera->setNearValue(50.f);
		Application = new App();
		Application->init(SceneManager, Camera);
		// The values the panel's widgets start with.
		Application->setBrushColor(irr::video::SColor(0xFF404080));
		Application->setBrushSize(1.f, 1.f);
		Receiver.Application = Application;
		drawFrame();
	}

	void TearDown() override
	{
		// Same order as the program: the device takes the scene, then the workspace goes.
		if (Device)
			Device->drop();
		delete Application;
	}

	//! Runs one frame so that cameras and nodes update their transformations.
	void drawFrame()
	{
		irr::video::IVideoDriver* driver = Device->getVideoDriver();
		driver->beginScene(true, true, Application->BackdropColor);
		SceneManager->drawAll();
		driver->endScene();
	}

	//! To the receiver alone; keeps track of the modifiers held, as the engine's input does.
	void send(const irr::SEvent& event)
	{
		trackModifiers(event);
		Receiver.OnEvent(event);
	}
	//! Through the device, as the engine delivers input: the receiver, then the GUI.
	void post(const irr::SEvent& event)
	{
		trackModifiers(event);
		Device->postEventFromUser(event);
	}
	void trackModifiers(const irr::SEvent& event)
	{
		if (event.EventType != irr::EET_KEY_INPUT_EVENT)
			return;
		if (event.KeyInput.Key == irr::KEY_LCONTROL)
			ControlHeld = event.KeyInput.PressedDown;
		else if (event.KeyInput.Key == irr::KEY_LSHIFT)
			ShiftHeld = event.KeyInput.PressedDown;
	}

	//! A pointer event; like the engine's, it tells whether Ctrl and Shift are held.
	irr::SEvent mouse(irr::EMOUSE_INPUT_EVENT kind, irr::s32 x, irr::s32 y) const
	{
		irr::SEvent e;
		e.EventType = irr::EET_MOUSE_INPUT_EVENT;
		e.MouseInput.Event = kind;
		e.MouseInput.X = x;
		e.MouseInput.Y = y;
		e.MouseInput.Wheel = 0.f;
		e.MouseInput.ButtonStates = 0;
		e.MouseInput.Shift = ShiftHeld;
		e.MouseInput.Control = ControlHeld;
		return e;
	}
	irr::SEvent key(irr::EKEY_CODE code, bool down) const
	{
		irr::SEvent e;
		e.EventType = irr::EET_KEY_INPUT_EVENT;
		e.KeyInput.Key = code;
		e.KeyInput.PressedDown = down;
		e.KeyInput.Char = 0;
		e.KeyInput.Shift = ShiftHeld;
		e.KeyInput.Control = ControlHeld;
		return e;
	}

	void press(irr::s32 x, irr::s32 y) { send(mouse(irr::EMIE_LMOUSE_PRESSED_DOWN, x, y)); }
	void moveTo(irr::s32 x, irr::s32 y) { send(mouse(irr::EMIE_MOUSE_MOVED, x, y)); }
	void release(irr::s32 x, irr::s32 y) { send(mouse(irr::EMIE_LMOUSE_LEFT_UP, x, y)); }
	void keyDown(irr::EKEY_CODE code) { send(key(code, true)); }
	void keyUp(irr::EKEY_CODE code) { send(key(code, false)); }
	void tap(irr::EKEY_CODE code) { keyDown(code); keyUp(code); }

	//! A left drag in the view from (x0, y) to (x1, y) in steps of 10 pixels.
	void drawLine(irr::s32 x0, irr::s32 x1, irr::s32 y)
	{
		press(x0, y);
		const irr::s32 step = x1 > x0 ? 10 : -10;
		for (irr::s32 x = x0 + step; step > 0 ? x <= x1 : x >= x1; x += step)
			moveTo(x, y);
		release(x1, y);
		drawFrame();
	}

	irr::IrrlichtDevice* Device = nullptr;
	irr::scene::ISceneManager* SceneManager = nullptr;
	irr::scene::ICameraSceneNode* Camera = nullptr;
	App* Application = nullptr;
	EventReceiver Receiver;
	bool ControlHeld = false;
	bool ShiftHeld = false;
};
