// When the frame loop draws, on the NULL device (no window system: an idle wait just sleeps).
#include "app/FramePacer.h"
#include "ui/UINote.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

using namespace irr;

namespace
{

struct CountingReceiver : public IEventReceiver
{
	bool OnEvent(const SEvent& event) override
	{
		if (event.EventType == EET_MOUSE_INPUT_EVENT)
			++Mouse;
		return false;
	}
	int Mouse = 0;
};

SEvent pointerMove()
{
	SEvent e;
	e.EventType = EET_MOUSE_INPUT_EVENT;
	e.MouseInput.Event = EMIE_MOUSE_MOVED;
	e.MouseInput.X = 400;
	e.MouseInput.Y = 300;
	e.MouseInput.Wheel = 0.f;
	e.MouseInput.ButtonStates = 0;
	e.MouseInput.Shift = false;
	e.MouseInput.Control = false;
	return e;
}

class FramePacerTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		SIrrlichtCreationParameters p;
		p.DriverType = video::EDT_NULL;
		p.WindowSize = core::dimension2d<u32>(800, 600);
		p.LoggingLevel = ELL_NONE;
		Device = createDeviceEx(p);
		ASSERT_NE(Device, nullptr);
	}
	void TearDown() override
	{
		if (Device)
			Device->drop();
	}
	IrrlichtDevice* Device = nullptr;
	CountingReceiver Next;
};

} // namespace

TEST_F(FramePacerTest, DrawsForInputAndTheFrameAfterItThenRests)
{
	FramePacer pacer(Device, &Next);
	// Just after start every pass draws.
	EXPECT_TRUE(pacer.frameWanted(false));
	EXPECT_TRUE(pacer.frameWanted(false));
	EXPECT_TRUE(pacer.frameWanted(false));
	// Then nothing moves.
	pacer.StartTime -= START_FRAMES_MS;
	EXPECT_FALSE(pacer.frameWanted(false));

	// Input reaches the program's receiver through the pacer, and earns two frames.
	Device->postEventFromUser(pointerMove());
	EXPECT_EQ(Next.Mouse, 1);
	EXPECT_TRUE(pacer.frameWanted(false));
	EXPECT_TRUE(pacer.frameWanted(false));
	EXPECT_FALSE(pacer.frameWanted(false));

	// Log lines are no input.
	Device->getLogger()->setLogLevel(ELL_INFORMATION);
	Device->getLogger()->log("a line");
	EXPECT_FALSE(pacer.frameWanted(false));
	// What moves by itself is drawn every pass.
	EXPECT_TRUE(pacer.frameWanted(true));
	EXPECT_TRUE(pacer.frameWanted(true));
}

TEST_F(FramePacerTest, TimeAsleepIsTakenOnce)
{
	FramePacer pacer(Device, &Next);
	pacer.StartTime -= START_FRAMES_MS;
	pacer.frameWanted(false);
	pacer.frameWanted(false);
	pacer.frameWanted(false); // waits
	pacer.takeIdleTime();
	EXPECT_EQ(pacer.takeIdleTime(), 0u);
}

TEST_F(FramePacerTest, ARecordingAndTheNoteKeepTheViewMoving)
{
	App app;
	gui::IGUIEnvironment* env = Device->getGUIEnvironment();
	UIPanel* panel = new UIPanel(env, env->getRootGUIElement(), 0);
	panel->drop(); // the GUI root owns it
	EXPECT_FALSE(viewIsAnimating(app, panel));
	EXPECT_FALSE(viewIsAnimating(app, nullptr));
	app.RecordingGif = true;
	EXPECT_TRUE(viewIsAnimating(app, nullptr));
	app.RecordingGif = false;
	panel->Note->show("saved");
	EXPECT_TRUE(viewIsAnimating(app, panel));
}
