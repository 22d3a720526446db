// Thousands of random pointer and key events through the real receiver: nothing may
// crash, no stroke that could come back may leave the drawing, and the history must stay consistent.
#include "Fixture.h"
#include "stroke/StrokeNode.h"
#include "ui/UIBrushEditor.h"
#include "ui/UIPanel.h"
#include "workspace/Command.h"

#include <random>
#include <set>

using namespace irr;

class InputFuzzTest : public WorkspaceTest
{
protected:
	void SetUp() override
	{
		WorkspaceTest::SetUp();
		gui::IGUIEnvironment* env = Device->getGUIEnvironment();
		Panel = new UIPanel(env, env->getRootGUIElement(), 0);
		Panel->drop(); // the GUI root owns it
		Receiver.Panel = Panel;
		Receiver.syncSettings();
	}

	void checkInvariants(int step)
	{
		ASSERT_LE((s32)Application->UndoList.size(), Application->HistoryLimit) << step;
		std::set<StrokeNode*> strokes;
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
		{
			// Only a stroke that can never come back (hidden, in no command) leaves the drawing.
			ASSERT_TRUE(Application->Strokes[i]->isVisible() || Application->Strokes[i]->getReferenceCount() > 1) << step;
			strokes.insert(Application->Strokes[i]);
		}
		ASSERT_EQ(strokes.size(), Application->Strokes.size()) << step; // no stroke twice
		std::set<Command*> commands;
		for (const core::array<Command*>* list : {&Application->UndoList, &Application->RedoList})
			for (u32 i = 0; i < list->size(); ++i)
			{
				Command* c = (*list)[i];
				ASSERT_TRUE(commands.insert(c).second) << step; // in exactly one list, once
				ASSERT_TRUE(c->Kind == ECK_ADD_STROKE || c->Kind == ECK_ERASE_STROKE) << step;
				ASSERT_TRUE(strokes.count(c->Stroke)) << step;
			}
	}

	UIPanel* Panel = nullptr;
};

TEST_F(InputFuzzTest, RandomInputKeepsTheDrawingAndHistorySound)
{
	std::mt19937 random(20261209);
	const EKEY_CODE keys[] = {KEY_LMENU, KEY_LSHIFT, KEY_LCONTROL, KEY_KEY_Z, KEY_KEY_1, KEY_KEY_2, KEY_KEY_F,
		KEY_OEM_4, KEY_OEM_6, KEY_RMENU};
	const EMOUSE_INPUT_EVENT buttons[] = {EMIE_LMOUSE_PRESSED_DOWN, EMIE_RMOUSE_PRESSED_DOWN, EMIE_MMOUSE_PRESSED_DOWN,
		EMIE_LMOUSE_LEFT_UP, EMIE_RMOUSE_LEFT_UP, EMIE_MMOUSE_LEFT_UP, EMIE_MOUSE_WHEEL, EMIE_LMOUSE_DOUBLE_CLICK};
	s32 x = 400, y = 300;
	for (int step = 0; step < 6000; ++step)
	{
		const int kind = random() % 100;
		if (kind < 60)
		{
			x += (s32)(random() % 41) - 20;
			y += (s32)(random() % 41) - 20;
			if (random() % 50 == 0)
				x = (s32)(random() % 900) - 50; // jumps, also over the panel and outside
			send(mouse(EMIE_MOUSE_MOVED, x, y));
		}
		else if (kind < 80)
			send(mouse(buttons[random() % 8], x, y));
		else if (kind < 98)
			send(key(keys[random() % 10], random() % 2 == 0));
		else
			Panel->BrushEditor->selectBrush((s32)(random() % 2));
		if (step % 40 == 0)
			drawFrame();
		checkInvariants(step);
		if (HasFatalFailure())
			return;
	}
	EXPECT_GT(Application->Strokes.size(), 5u); // the run really drew
}
