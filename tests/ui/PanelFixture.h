// Test fixture for the side panel's widgets: a NULL-device engine of 800 x 600 with the panel
// built under the GUI root as the program builds it, and mouse input fed to the GUI environment.
#pragma once
#include <gtest/gtest.h>
#include <irrlicht.h>

#include "ui/UIBrushEditor.h"
#include "ui/UIColorPicker.h"
#include "ui/UIPanel.h"

class PanelFixture : public ::testing::Test
{
protected:
	void SetUp() override
	{
		Device = irr::createDevice(irr::video::EDT_NULL, irr::core::dimension2d<irr::u32>(800, 600));
		ASSERT_NE(Device, nullptr);
		// The font and the images may be absent from the working directory; keep the output quiet.
		Device->getLogger()->setLogLevel(irr::ELL_NONE);
		Env = Device->getGUIEnvironment();
		// The root's child list owns the panel after the drop.
		Panel = new UIPanel(Env, Env->getRootGUIElement(), 0);
		Panel->drop();
		Picker = Panel->ColorPicker;
		Editor = Panel->BrushEditor;
	}

	void TearDown() override
	{
		if (Device)
			Device->drop();
	}

	//! Posts one mouse event at window pixel (x, y); returns whether the GUI consumed it.
	bool mouse(irr::EMOUSE_INPUT_EVENT kind, irr::s32 x, irr::s32 y)
	{
		irr::SEvent event;
		event.EventType = irr::EET_MOUSE_INPUT_EVENT;
		event.MouseInput.Event = kind;
		event.MouseInput.X = x;
		event.MouseInput.Y = y;
		event.MouseInput.Wheel = 0.f;
		event.MouseInput.Shift = false;
		event.MouseInput.Control = false;
		event.MouseInput.ButtonStates = (kind == irr::EMIE_LMOUSE_PRESSED_DOWN) ? irr::EMBSM_LEFT : 0;
		return Env->postEventFromUser(event);
	}

	bool press(irr::s32 x, irr::s32 y) { return mouse(irr::EMIE_LMOUSE_PRESSED_DOWN, x, y); }
	bool move(irr::s32 x, irr::s32 y) { return mouse(irr::EMIE_MOUSE_MOVED, x, y); }
	bool release(irr::s32 x, irr::s32 y) { return mouse(irr::EMIE_LMOUSE_LEFT_UP, x, y); }

	void click(irr::s32 x, irr::s32 y)
	{
		press(x, y);
		release(x, y);
	}

	//! Clicks the middle of an element, as the user would.
	void clickOn(irr::gui::IGUIElement* element)
	{
		const irr::core::position2di centre = element->getAbsolutePosition().getCenter();
		click(centre.X, centre.Y);
	}

	//! One frame of GUI drawing on the NULL driver.
	void drawFrame()
	{
		irr::video::IVideoDriver* driver = Device->getVideoDriver();
		driver->beginScene(true, true, irr::video::SColor(255, 0, 0, 0));
		Env->drawAll();
		driver->endScene();
	}

	irr::IrrlichtDevice* Device = nullptr;
	irr::gui::IGUIEnvironment* Env = nullptr;
	UIPanel* Panel = nullptr;
	UIColorPicker* Picker = nullptr;
	UIBrushEditor* Editor = nullptr;
};
