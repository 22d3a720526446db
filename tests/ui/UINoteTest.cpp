// The note at the foot of the view: shown from the next frame for a fixed time, never in
// the pointer's way.
#include "tests/ui/PanelFixture.h"
#include "ui/UINote.h"

using namespace irr;

using UINoteTest = PanelFixture;

TEST_F(UINoteTest, StaysForItsDurationFromTheFirstFrameThatDrawsIt)
{
	UINote* note = Panel->Note;
	ASSERT_NE(note, nullptr);
	EXPECT_FALSE(note->isShowing());

	note->show("vantrel.glb: 3 strokes");
	EXPECT_TRUE(note->isShowing());
	EXPECT_EQ(core::stringc(note->getText()), "vantrel.glb: 3 strokes");

	// The clock starts at the first frame (time 1000 ms), however long ago show was called.
	note->OnPostRender(1000);
	note->OnPostRender(1000 + NOTE_DURATION_MS - 1);
	EXPECT_TRUE(note->isShowing());
	note->OnPostRender(1000 + NOTE_DURATION_MS);
	EXPECT_FALSE(note->isShowing());
}

TEST_F(UINoteTest, ANewNoteStartsItsOwnTimeAndSurvivesTheTimerWrap)
{
	UINote* note = Panel->Note;
	// The first note starts just before the 32-bit millisecond timer wraps.
	const u32 start = 0xFFFFFFFFu - 100;
	note->show("first");
	note->OnPostRender(start);
	note->OnPostRender(start + 50);
	note->show("second");
	note->OnPostRender(start + 60);
	// start + 60 + NOTE_DURATION_MS lies past the wrap; a plain comparison would hide the note
	// at the next frame before the wrap.
	note->OnPostRender(start + 70);
	EXPECT_TRUE(note->isShowing());
	note->OnPostRender(start + 60 + NOTE_DURATION_MS / 2);
	EXPECT_TRUE(note->isShowing());
	EXPECT_EQ(core::stringc(note->getText()), "second");
	note->OnPostRender(start + 60 + NOTE_DURATION_MS);
	EXPECT_FALSE(note->isShowing());
}

TEST_F(UINoteTest, NeverTakesThePointerAndDrawsWithoutAFont)
{
	UINote* note = Panel->Note;
	note->show("vantrel.gif: 12 frames, 1.5 s, 240 KB");
	// (400, 583): inside the note's strip at the foot of the view.
	EXPECT_EQ(Env->getRootGUIElement()->getElementFromPoint(core::position2di(400, 583)), Env->getRootGUIElement());
	drawFrame();
	note->hide();
	EXPECT_FALSE(note->isShowing());
	drawFrame();
}
