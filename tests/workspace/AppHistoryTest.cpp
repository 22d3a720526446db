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
