// Side panel: layout, the recording request and its warning image, drawing and ownership of the widgets.
#include "PanelFixture.h"

using namespace irr;

namespace
{
// (55, 585): the middle of the "RecordGif" button, window pixels.
const s32 RECORD_X = 55, RECORD_Y = 585;
}

using PanelTest = PanelFixture;

TEST_F(PanelTest, ChildrenSitAtTheirWindowRectangles)
{
	struct Placed
	{
		const char* name;
		core::rect<s32> actual;
		core::rect<s32> expected;
	};
	const Placed placed[] = {
		{"panel", Panel->getAbsolutePosition(), core::rect<s32>(0, 0, 110, 600)},
		{"colour picker", Picker->getAbsolutePosition(), core::rect<s32>(0, 0, 110, 180)},
		{"brush editor", Editor->getAbsolutePosition(), core::rect<s32>(0, 180, 110, 265)},
		{"record button", Panel->RecordGifButton->getAbsolutePosition(), core::rect<s32>(5, 575, 105, 595)},
		{"alpha bar", Picker->AlphaBar->getAbsolutePosition(), core::rect<s32>(5, 125, 85, 135)},
		{"set backdrop button", Picker->SetBackdropButton->getAbsolutePosition(), core::rect<s32>(5, 140, 105, 155)},
		{"pick colour button", Picker->PickColorButton->getAbsolutePosition(), core::rect<s32>(5, 160, 105, 175)},
		{"radius bar", Editor->RadiusBar->getAbsolutePosition(), core::rect<s32>(5, 195, 100, 205)},
		{"thickness bar", Editor->ThicknessBar->getAbsolutePosition(), core::rect<s32>(5, 225, 100, 235)},
		{"round brush button", Editor->RoundBrushButton->getAbsolutePosition(), core::rect<s32>(5, 240, 25, 260)},
		{"erase brush button", Editor->EraseBrushButton->getAbsolutePosition(), core::rect<s32>(30, 240, 50, 260)},
		{"box", Picker->BoxRect, core::rect<s32>(5, 5, 85, 85)},
		{"hue bar", Picker->HueBarRect, core::rect<s32>(90, 5, 105, 132)},
		{"preview", Picker->PreviewRect, core::rect<s32>(5, 90, 85, 120)},
	};
	for (const Placed& p : placed)
	{
		EXPECT_EQ(p.actual.UpperLeftCorner, p.expected.UpperLeftCorner) << p.name;
		EXPECT_EQ(p.actual.LowerRightCorner, p.expected.LowerRightCorner) << p.name;
	}
	EXPECT_EQ(PANEL_WIDTH, Panel->getAbsolutePosition().getWidth());
	EXPECT_EQ(Picker->getType(), gui::EGUIET_COLOR_SELECT_DIALOG);
	EXPECT_EQ(core::stringw(Panel->RecordGifButton->getText()), core::stringw(L"RecordGif"));
}

TEST_F(PanelTest, StartsVisibleWithTheWarningHiddenUnderTheRoot)
{
	EXPECT_TRUE(Panel->isVisible());
	EXPECT_FALSE(Panel->GifWarningImage->isVisible());
	EXPECT_FALSE(Panel->isRecordingRequested());
	EXPECT_EQ(Panel->GifWarningImage->getParent(), Env->getRootGUIElement());
	EXPECT_EQ(Panel->GifWarningImage->getAbsolutePosition().UpperLeftCorner, core::position2di(300, 200));
}

TEST_F(PanelTest, RecordGifClickHidesThePanelAndShowsTheWarning)
{
	click(RECORD_X, RECORD_Y);
	EXPECT_FALSE(Panel->isVisible());
	EXPECT_TRUE(Panel->GifWarningImage->isVisible());
	EXPECT_TRUE(Panel->isRecordingRequested());
	EXPECT_EQ(Panel->GifWarningImage->getAbsolutePosition().UpperLeftCorner, core::position2di(300, 200));
}

TEST_F(PanelTest, RecordingRequestRunsBackToIdle)
{
	click(RECORD_X, RECORD_Y);

	// The recording press: the warning goes, the panel stays hidden.
	Panel->hideRecordingWarning();
	EXPECT_FALSE(Panel->GifWarningImage->isVisible());
	EXPECT_FALSE(Panel->isVisible());
	EXPECT_TRUE(Panel->isRecordingRequested());

	// The hidden button cannot be clicked again.
	click(RECORD_X, RECORD_Y);
	EXPECT_FALSE(Panel->GifWarningImage->isVisible());

	// Its release: back to idle.
	Panel->endRecordingRequest();
	EXPECT_TRUE(Panel->isVisible());
	EXPECT_FALSE(Panel->GifWarningImage->isVisible());
	EXPECT_FALSE(Panel->isRecordingRequested());

	// And the button works again.
	click(RECORD_X, RECORD_Y);
	EXPECT_TRUE(Panel->isRecordingRequested());
}

TEST_F(PanelTest, WidgetClicksLeaveThePanelUnchanged)
{
	clickOn(Picker->PickColorButton);
	clickOn(Picker->SetBackdropButton);
	clickOn(Picker->AlphaBar);
	// (45, 45): a drag in the colour box.
	press(45, 45);
	move(60, 30);
	release(60, 30);
	clickOn(Editor->EraseBrushButton);
	clickOn(Editor->RoundBrushButton);
	clickOn(Editor->RadiusBar);
	// (55, 400): the empty pane below the editor.
	click(55, 400);

	EXPECT_TRUE(Panel->isVisible());
	EXPECT_FALSE(Panel->GifWarningImage->isVisible());
	EXPECT_FALSE(Panel->isRecordingRequested());
}

TEST_F(PanelTest, OnlyTheRecordButtonsClickRaisesTheRequest)
{
	SEvent clicked;
	clicked.EventType = EET_GUI_EVENT;
	clicked.GUIEvent.Element = 0;
	clicked.GUIEvent.EventType = gui::EGET_BUTTON_CLICKED;
	clicked.GUIEvent.Caller = Picker->PickColorButton;
	EXPECT_FALSE(Panel->OnEvent(clicked));
	EXPECT_FALSE(Panel->isRecordingRequested());

	clicked.GUIEvent.Caller = Panel->RecordGifButton;
	clicked.GUIEvent.EventType = gui::EGET_ELEMENT_FOCUSED;
	EXPECT_FALSE(Panel->OnEvent(clicked));
	EXPECT_FALSE(Panel->isRecordingRequested());

	clicked.GUIEvent.EventType = gui::EGET_BUTTON_CLICKED;
	EXPECT_FALSE(Panel->OnEvent(clicked));
	EXPECT_TRUE(Panel->isRecordingRequested());
}

TEST_F(PanelTest, DrawsInEveryStateOnTheNullDriver)
{
	drawFrame();
	// Hue 0 puts the hue marker one row below the texture.
	Picker->setColor(video::SColor(0x80ff0000));
	drawFrame();
	click(RECORD_X, RECORD_Y);
	drawFrame();
	Panel->hideRecordingWarning();
	Panel->endRecordingRequest();
	drawFrame();
	EXPECT_TRUE(Panel->isVisible());
}

TEST_F(PanelTest, ReleasesEachWidgetOnceWhenDestroyed)
{
	// Hold the widgets past the panel's end: the test's reference must be the only one left.
	Picker->grab();
	Editor->grab();
	Panel->remove();
	EXPECT_EQ(Picker->getReferenceCount(), 1);
	EXPECT_EQ(Editor->getReferenceCount(), 1);
	EXPECT_EQ(Picker->getParent(), nullptr);
	Picker->drop();
	Editor->drop();
	// The warning image and the note belong to the root and outlive the panel.
	EXPECT_EQ(Env->getRootGUIElement()->getChildren().size(), 2u);
}
