#include "Fixture.h"
#include "stroke/StrokeNode.h"
#include "workspace/Command.h"

using namespace irr;

class AppHistoryTest : public WorkspaceTest
{
protected:
	//! Draws a short horizontal stroke on row y and returns it.
	StrokeNode* stroke(s32 y)
	{
		drawLine(300, 360, y);
		return Application->Strokes.getLast();
	}
	void undo() { keyDown(KEY_LCONTROL); tap(KEY_KEY_Z); keyUp(KEY_LCONTROL); }
	void redo()
	{
		keyDown(KEY_LCONTROL);
		keyDown(KEY_LSHIFT);
		tap(KEY_KEY_Z);
		keyUp(KEY_LSHIFT);
		keyUp(KEY_LCONTROL);
	}
	//! Erases a stroke with the erase brush, by pressing on it.
	void erase(StrokeNode* s, s32 y)
	{
		(void)s;
		Application->setTool(1);
		press(330, y);
		release(330, y);
		Application->setTool(0);
	}
};

TEST_F(AppHistoryTest, ElevenStrokesKeepTheTenNewestUndoable)
{
	core::array<StrokeNode*> strokes;
	for (s32 i = 0; i < 11; ++i)
		strokes.push_back(stroke(40 + i * 50));
	EXPECT_EQ(Application->UndoList.size(), 10u);
	for (int i = 0; i < 11; ++i)
		undo();
	EXPECT_TRUE(strokes[0]->isVisible());
	for (u32 i = 1; i < 11; ++i)
		EXPECT_FALSE(strokes[i]->isVisible()) << i;
	EXPECT_EQ(Application->RedoList.size(), 10u);
	EXPECT_EQ(Application->UndoList.size(), 0u);
}

TEST_F(AppHistoryTest, NewChangeDiscardsTheRedoListForGood)
{
	StrokeNode* a = stroke(100);
	StrokeNode* b = stroke(200);
	undo();
	EXPECT_FALSE(b->isVisible());
	StrokeNode* c = stroke(300);
	EXPECT_EQ(Application->RedoList.size(), 0u);
	ASSERT_EQ(Application->UndoList.size(), 2u);
	EXPECT_EQ(Application->UndoList[0]->Stroke, c);
	EXPECT_EQ(Application->UndoList[1]->Stroke, a);
	redo();
	// B could never come back, so it has left the drawing.
	ASSERT_EQ(Application->Strokes.size(), 2u);
	EXPECT_EQ(Application->Strokes[0], a);
	EXPECT_EQ(Application->Strokes[1], c);
}

TEST_F(AppHistoryTest, EraseAndAddUndoAndRedoInTurn)
{
	StrokeNode* a = stroke(300);
	erase(a, 300);
	EXPECT_FALSE(a->isVisible());
	EXPECT_EQ(Application->UndoList[0]->Kind, ECK_ERASE_STROKE);
	undo();
	EXPECT_TRUE(a->isVisible());
	undo();
	EXPECT_FALSE(a->isVisible());
	redo();
	EXPECT_TRUE(a->isVisible());
	redo();
	EXPECT_FALSE(a->isVisible());
	EXPECT_EQ(Application->UndoList.size(), 2u);
	EXPECT_EQ(Application->RedoList.size(), 0u);
}

TEST_F(AppHistoryTest, EmptyListsDoNothing)
{
	undo();
	redo();
	StrokeNode* a = stroke(300);
	redo(); // nothing to redo: the undo list stays
	EXPECT_EQ(Application->UndoList.size(), 1u);
	EXPECT_TRUE(a->isVisible());
}

TEST_F(AppHistoryTest, UndoWhileNavigatingDoesNothing)
{
	StrokeNode* a = stroke(300);
	keyDown(KEY_LMENU);
	undo();
	keyUp(KEY_LMENU);
	EXPECT_TRUE(a->isVisible());
}

TEST_F(AppHistoryTest, EraseAfterTenUndosDiscardsAllRedos)
{
	core::array<StrokeNode*> strokes;
	for (s32 i = 0; i < 11; ++i)
		strokes.push_back(stroke(40 + i * 50));
	for (int i = 0; i < 10; ++i)
		undo();
	EXPECT_EQ(Application->RedoList.size(), 10u);
	erase(strokes[0], 40);
	EXPECT_FALSE(strokes[0]->isVisible());
	EXPECT_EQ(Application->RedoList.size(), 0u);
	EXPECT_EQ(Application->UndoList.size(), 1u);
}

TEST_F(AppHistoryTest, CommandsHoldTheirStrokesAlive)
{
	StrokeNode* a = stroke(300);
	// The drawing root and the add command each hold one reference.
	EXPECT_EQ(a->getReferenceCount(), 2);
	Command* command = Application->UndoList[0];
	EXPECT_EQ(command->Stroke, a);
	a->grab(); // keeps it for the check below
	undo();
	stroke(200); // discards the redo entry: its reference goes back
	EXPECT_EQ(a->getReferenceCount(), 2);
	a->drop();
}

TEST_F(AppHistoryTest, OneEraseSweepIsOneUndoStepWhateverItTakes)
{
	// Twelve short strokes on rows 30 to 525, then one vertical erase drag across all of them.
	core::array<StrokeNode*> strokes;
	for (s32 i = 0; i < 12; ++i)
		strokes.push_back(stroke(30 + i * 45));
	Application->setTool(1);
	press(330, 10);
	for (s32 y = 15; y <= 560; y += 5)
		moveTo(330, y);
	release(330, 560);
	Application->setTool(0);
	for (u32 i = 0; i < 12; ++i)
		ASSERT_FALSE(strokes[i]->isVisible()) << i;

	// The sweep is the newest of ten steps; the nine adds before it are still undoable.
	undo();
	for (u32 i = 0; i < 12; ++i)
		EXPECT_TRUE(strokes[i]->isVisible()) << i;
	for (int i = 0; i < 9; ++i)
		undo();
	for (u32 i = 0; i < 12; ++i)
		EXPECT_EQ(strokes[i]->isVisible(), i < 3) << i;
	undo(); // nothing older is kept
	EXPECT_TRUE(strokes[2]->isVisible());

	// Redone, the sweep comes back as a whole, after the adds.
	for (int i = 0; i < 10; ++i)
		redo();
	for (u32 i = 0; i < 12; ++i)
		EXPECT_FALSE(strokes[i]->isVisible()) << i;
	undo();
	EXPECT_TRUE(strokes[0]->isVisible());
	EXPECT_TRUE(strokes[11]->isVisible());
}

TEST_F(AppHistoryTest, TrimmingTheOldestStepTakesItsJoinedErasesWithIt)
{
	StrokeNode* a = stroke(100);
	StrokeNode* b = stroke(160);
	Application->setTool(1);
	press(330, 80);
	for (s32 y = 85; y <= 180; y += 5)
		moveTo(330, y);
	release(330, 180);
	Application->setTool(0);
	EXPECT_EQ(Application->UndoList.size(), 4u); // two adds, and one step of two erases
	for (s32 i = 0; i < 9; ++i)
		stroke(300 + i * 20);
	// The two adds went; the sweep is the oldest step kept, with both its erases.
	EXPECT_EQ(Application->UndoList.size(), 11u);
	stroke(500);
	// Now the sweep went as a whole: ten adds, and the erases are final.
	ASSERT_EQ(Application->UndoList.size(), 10u);
	for (u32 i = 0; i < 10; ++i)
		EXPECT_EQ(Application->UndoList[i]->Kind, ECK_ADD_STROKE) << i;
	// The two erased strokes can never come back: they left the drawing (compared as
	// addresses only, the nodes are gone).
	ASSERT_EQ(Application->Strokes.size(), 10u);
	for (u32 i = 0; i < Application->Strokes.size(); ++i)
	{
		EXPECT_NE(Application->Strokes[i], a);
		EXPECT_NE(Application->Strokes[i], b);
	}
	for (int i = 0; i < 11; ++i)
		undo();
	for (u32 i = 0; i < Application->Strokes.size(); ++i)
		EXPECT_FALSE(Application->Strokes[i]->isVisible()) << i;
}

TEST_F(AppHistoryTest, UndoInTheMiddleOfAnEraseDragStartsANewStep)
{
	StrokeNode* a = stroke(100);
	StrokeNode* b = stroke(200);
	Application->setTool(1);
	press(330, 100); // erases a
	keyDown(KEY_LCONTROL);
	tap(KEY_KEY_Z); // brings a back
	keyUp(KEY_LCONTROL);
	moveTo(335, 100); // erases a again
	for (s32 y = 105; y <= 200; y += 5)
		moveTo(335, y); // then b
	release(330, 200);
	EXPECT_FALSE(a->isVisible());
	EXPECT_FALSE(b->isVisible());
	undo();
	EXPECT_TRUE(a->isVisible());
	EXPECT_TRUE(b->isVisible());
	undo();
	EXPECT_FALSE(b->isVisible()); // b's add, not part of the erase step
}
