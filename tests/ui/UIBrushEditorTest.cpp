// Brush editor: slider values, the radio behaviour of the three tool buttons and the mirror
// toggle under real clicks.
#include "PanelFixture.h"

using namespace irr;

namespace
{
// Window pixels: the editor's top-left corner is (0, 180), so the round button covers
// (5, 240)-(25, 260), the erase button (30, 240)-(50, 260), the select tool (55, 240)-(75, 260)
// and the mirror button (80, 240)-(100, 260).
const s32 ROUND_X = 15, ERASE_X = 40, SELECT_X = 65, MIRROR_X = 90, BUTTONS_Y = 250;
}

using BrushEditorTest = PanelFixture;

TEST_F(BrushEditorTest, StartsAsRadiusOneFullThicknessRoundBrush)
{
	EXPECT_FLOAT_EQ(Editor->getRadius(), 1.f);
	EXPECT_FLOAT_EQ(Editor->getThickness(), 1.f);
	EXPECT_EQ(Editor->BrushKind, 0);
	EXPECT_TRUE(Editor->RoundBrushButton->isPressed());
	EXPECT_FALSE(Editor->EraseBrushButton->isPressed());
	EXPECT_TRUE(Editor->RoundBrushButton->isPushButton());
	EXPECT_TRUE(Editor->EraseBrushButton->isPushButton());
}

TEST_F(BrushEditorTest, SliderPositionsMapOntoRadiusAndThickness)
{
	struct Mapping
	{
		s32 pos;
		f32 radius, thickness;
	};
	const Mapping mappings[] = {{0, 1.f, 0.1f}, {50, 15.5f, 0.55f}, {100, 30.f, 1.f}};
	for (const Mapping& m : mappings)
	{
		Editor->RadiusBar->setPos(m.pos);
		Editor->ThicknessBar->setPos(m.pos);
		EXPECT_FLOAT_EQ(Editor->getRadius(), m.radius) << "position " << m.pos;
		EXPECT_FLOAT_EQ(Editor->getThickness(), m.thickness) << "position " << m.pos;
	}
	// The bars stop at 0 and 100.
	Editor->RadiusBar->setPos(150);
	EXPECT_FLOAT_EQ(Editor->getRadius(), 30.f);
	Editor->ThicknessBar->setPos(-20);
	EXPECT_FLOAT_EQ(Editor->getThickness(), 0.1f);
}

TEST_F(BrushEditorTest, ClickingTheSelectedButtonKeepsItSelected)
{
	click(ROUND_X, BUTTONS_Y);
	EXPECT_EQ(Editor->BrushKind, 0);
	EXPECT_TRUE(Editor->RoundBrushButton->isPressed());
	EXPECT_FALSE(Editor->EraseBrushButton->isPressed());
}

TEST_F(BrushEditorTest, ClickingEraseTwiceLeavesEraseSelected)
{
	click(ERASE_X, BUTTONS_Y);
	EXPECT_EQ(Editor->BrushKind, 1);
	EXPECT_TRUE(Editor->EraseBrushButton->isPressed());
	EXPECT_FALSE(Editor->RoundBrushButton->isPressed());

	click(ERASE_X, BUTTONS_Y);
	EXPECT_EQ(Editor->BrushKind, 1);
	EXPECT_TRUE(Editor->EraseBrushButton->isPressed());
	EXPECT_FALSE(Editor->RoundBrushButton->isPressed());

	click(ROUND_X, BUTTONS_Y);
	EXPECT_EQ(Editor->BrushKind, 0);
	EXPECT_TRUE(Editor->RoundBrushButton->isPressed());
	EXPECT_FALSE(Editor->EraseBrushButton->isPressed());
}

TEST_F(BrushEditorTest, PressReleasedOffTheButtonChangesNothing)
{
	press(ERASE_X, BUTTONS_Y);
	// (80, 250): the left edge of the mirror button, which saw no press either.
	release(80, BUTTONS_Y);
	EXPECT_EQ(Editor->BrushKind, 0);
	EXPECT_FALSE(Editor->Mirror);
	EXPECT_TRUE(Editor->RoundBrushButton->isPressed());
	EXPECT_FALSE(Editor->EraseBrushButton->isPressed());
}

TEST_F(BrushEditorTest, HandlesOnlyItsOwnButtonsAndPassesNothingUp)
{
	// Were the editor to pass events to its parent, the panel would take this as a "RecordGif" click.
	SEvent clicked;
	clicked.EventType = EET_GUI_EVENT;
	clicked.GUIEvent.Caller = Panel->RecordGifButton;
	clicked.GUIEvent.Element = 0;
	clicked.GUIEvent.EventType = gui::EGET_BUTTON_CLICKED;
	EXPECT_FALSE(Editor->OnEvent(clicked));
	EXPECT_EQ(Editor->BrushKind, 0);
	EXPECT_FALSE(Panel->isRecordingRequested());

	clicked.GUIEvent.Caller = Editor->EraseBrushButton;
	Env->setFocus(Editor->EraseBrushButton); // as the press on it does
	EXPECT_FALSE(Editor->OnEvent(clicked));
	EXPECT_EQ(Editor->BrushKind, 1);
}

TEST_F(BrushEditorTest, ButtonsIgnoreAReleaseTheyNeverSawPressed)
{
	// A press on nothing (the GUI root, over the 3-D view) leaves no element with the focus;
	// the release then lands on the erase button, as at the end of a drag from the view.
	press(400, 250);
	EXPECT_EQ(Env->getFocus(), nullptr);
	release(40, 250); // x 30-50, y 240-260: the erase button
	EXPECT_EQ(Editor->BrushKind, 0);
	EXPECT_TRUE(Editor->RoundBrushButton->isPressed());
	EXPECT_FALSE(Editor->EraseBrushButton->isPressed());
	// A real click still switches.
	click(40, 250);
	EXPECT_EQ(Editor->BrushKind, 1);
	EXPECT_TRUE(Editor->EraseBrushButton->isPressed());
	EXPECT_FALSE(Editor->RoundBrushButton->isPressed());
}

TEST_F(BrushEditorTest, ThreeToolButtonsActAsOneGroupAndTheMirrorTogglesOnItsOwn)
{
	// Each click, and the tool and mirror state after it; a release that saw no press changes nothing.
	const s32 clicks[][3] = {{SELECT_X, 2, 0}, {SELECT_X, 2, 0}, {MIRROR_X, 2, 1}, {ERASE_X, 1, 1}, {MIRROR_X, 1, 0}};
	for (const auto& c : clicks)
	{
		click(c[0], BUTTONS_Y);
		press(400, 400);
		release(c[0] == MIRROR_X ? MIRROR_X : SELECT_X, BUTTONS_Y);
		EXPECT_EQ(Editor->BrushKind, c[1]) << c[0];
		EXPECT_TRUE(Editor->RoundBrushButton->isPressed() == (c[1] == 0) && Editor->EraseBrushButton->isPressed() == (c[1] == 1)
			&& Editor->SelectToolButton->isPressed() == (c[1] == 2)) << c[0];
		EXPECT_TRUE(Editor->Mirror == (c[2] == 1) && Editor->MirrorButton->isPressed() == Editor->Mirror) << c[0];
	}
}
