// Strokes that drop out of the history hidden are freed, and nothing keeps pointing at them.
#include "Fixture.h"
#include "stroke/StrokeNode.h"
#include "workspace/Command.h"

#include <random>
#include <set>

using namespace irr;

class AppFreeingTest : public WorkspaceTest
{
protected:
	StrokeNode* stroke(s32 y)
	{
		drawLine(300, 360, y);
		return Application->Strokes.getLast();
	}
	u32 nodesInDrawing() const { return Application->DrawingRoot->getChildren().getSize(); }

	//! Every stroke in the drawing can still be seen or brought back; every pointer the
	//! workspace and its history keep is to a stroke in the drawing (or the open one).
	void checkNothingDangles(int step)
	{
		std::set<StrokeNode*> strokes;
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
		{
			StrokeNode* s = Application->Strokes[i];
			strokes.insert(s);
			ASSERT_TRUE(s->isVisible() || s->getReferenceCount() > 1) << step;
			ASSERT_EQ(s->getParent(), Application->DrawingRoot) << step;
		}
		for (const core::array<Command*>* list : {&Application->UndoList, &Application->RedoList})
			for (u32 i = 0; i < list->size(); ++i)
				ASSERT_TRUE(strokes.count((*list)[i]->Stroke)) << step;
		for (StrokeNode* s : {Application->HoveredStroke, Application->HighlightedStroke})
			ASSERT_TRUE(!s || strokes.count(s)) << step;
		// The open stroke is not in the drawing yet, but it is in the scene.
		if (StrokeNode* s = Application->CurrentStroke)
		{
			ASSERT_EQ(s->getParent(), Application->DrawingRoot) << step;
		}
	}
};

TEST_F(AppFreeingTest, AnUndoneStrokeIsFreedWhenANewOneDiscardsItsRedo)
{
	StrokeNode* a = stroke(200);
	stroke(300);
	Application->undo();
	EXPECT_EQ(nodesInDrawing(), 2u); // undone, but redo can bring it back
	StrokeNode* c = stroke(400);
	ASSERT_EQ(Application->Strokes.size(), 2u);
	EXPECT_EQ(Application->Strokes[0], a);
	EXPECT_EQ(Application->Strokes[1], c);
	EXPECT_EQ(nodesInDrawing(), 2u);
	EXPECT_TRUE(Application->RedoList.empty());
}

TEST_F(AppFreeingTest, AnEraseThatLeavesTheHistoryFreesItsStroke)
{
	StrokeNode* erased = stroke(100);
	Application->setTool(1);
	moveTo(330, 100);
	press(330, 100);
	release(330, 100);
	EXPECT_EQ(Application->HighlightedStroke, erased); // hidden, still the highlighted one
	Application->setTool(0);
	EXPECT_EQ(Application->HighlightedStroke, nullptr);
	moveTo(330, 100);

	// Ten more changes push the erase out of the history.
	for (s32 i = 0; i < 9; ++i)
		stroke(150 + i * 40);
	EXPECT_EQ(Application->Strokes.size(), 10u);
	EXPECT_EQ(nodesInDrawing(), 10u);
	stroke(550);
	EXPECT_EQ(Application->Strokes.size(), 10u);
	EXPECT_EQ(nodesInDrawing(), 10u);
	for (u32 i = 0; i < Application->Strokes.size(); ++i)
		EXPECT_NE(Application->Strokes[i], erased);
}

TEST_F(AppFreeingTest, VisibleStrokesStayWhenTheirCommandsLeave)
{
	for (s32 i = 0; i < 12; ++i)
		stroke(40 + i * 45);
	EXPECT_EQ(Application->Strokes.size(), 12u);
	EXPECT_EQ(Application->UndoList.size(), 10u);
}

TEST_F(AppFreeingTest, RandomHistoryNeverLeavesADanglingPointer)
{
	std::mt19937 random(9);
	std::uniform_int_distribution<s32> row(30, 570), column(150, 700);
	u32 freed = 0;
	for (int step = 0; step < 1500; ++step)
	{
		const u32 before = Application->Strokes.size();
		bool added = false;
		switch (random() % 8)
		{
		case 0:
		case 1:
		{
			const s32 x = column(random);
			drawLine(x, x + 60, row(random));
			added = true;
			break;
		}
		case 2:
			Application->undo();
			break;
		case 3:
			Application->redo();
			break;
		case 4:
			// An erase click, the hover before it highlights the stroke.
		{
			const s32 x = column(random), y = row(random);
			Application->setTool(1);
			moveTo(x, y);
			press(x, y);
			release(x, y);
			break;
		}
		case 5:
			Application->setTool(random() % 2);
			break;
		case 6:
			moveTo(column(random), row(random));
			break;
		default:
			// Ctrl picks too (and keeps HoveredStroke).
			keyDown(KEY_LCONTROL);
			moveTo(column(random), row(random));
			keyUp(KEY_LCONTROL);
			break;
		}
		if (Application->Strokes.size() < before + (added ? 1u : 0u))
			++freed;
		if (step % 10 == 0)
			drawFrame();
		checkNothingDangles(step);
		if (HasFatalFailure())
			return;
	}
	EXPECT_GT(freed, 20u); // the run really freed strokes
}
