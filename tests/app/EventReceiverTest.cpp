#include "Fixture.h"
#include "platform/platform.h"
#include "stroke/StrokeNode.h"
#include "ui/UIBrushEditor.h"
#include "ui/UIColorPicker.h"
#include "ui/UINote.h"
#include "ui/UIPanel.h"
#include "workspace/MirrorPlaneNode.h"

#include <chrono>
#include <thread>

using namespace irr;

typedef WorkspaceTest EventReceiverTest;

// With the side panel linked, as main does it.
class RoutingWithPanelTest : public WorkspaceTest
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
	//! One pass of the frame loop as main runs it (the NULL device draws nothing).
	void loopOnce()
	{
		Application->updateRecording(Panel);
		drawFrame();
		Application->keepDrawnFrame();
	}
	UIPanel* Panel = nullptr;
};

TEST_F(EventReceiverTest, UnlinkedReceiverIgnoresEverything)
{
	Receiver.Application = nullptr;
	press(300, 300);
	EXPECT_FALSE(Application->Drawing);
	EXPECT_EQ(Receiver.Pointer, core::position2di(0, 0));
	EXPECT_FALSE(Receiver.ButtonHeld);
}

TEST_F(EventReceiverTest, PanelStripEndsAtColumn109)
{
	press(109, 300); // x = 109: over the side panel
	EXPECT_TRUE(Application->PointerOverPanel);
	EXPECT_FALSE(Application->Drawing);
	EXPECT_FALSE(Receiver.ButtonHeld);
	release(109, 300);

	press(110, 300); // x = 110: the first column of the 3-D view
	EXPECT_FALSE(Application->PointerOverPanel);
	EXPECT_TRUE(Application->Drawing);
	EXPECT_TRUE(Receiver.ButtonHeld);
	EXPECT_EQ(Application->PressedButton, 0);
}

TEST_F(EventReceiverTest, DragFromTheViewKeepsGoingToTheWorkspaceOverThePanel)
{
	press(300, 300);
	for (s32 x = 290; x >= 50; x -= 10)
	{
		moveTo(x, 300);
		EXPECT_FALSE(Application->PointerOverPanel) << x;
	}
	release(50, 300);
	EXPECT_FALSE(Application->PointerOverPanel);
	EXPECT_FALSE(Receiver.ButtonHeld);
	ASSERT_EQ(Application->Strokes.size(), 1u);
	EXPECT_EQ(Application->Strokes[0]->Points.size(), 26u); // the press and 25 moves of 10 pixels
}

TEST_F(EventReceiverTest, ButtonNumbersFollowThePressKind)
{
	send(mouse(EMIE_RMOUSE_PRESSED_DOWN, 300, 300));
	EXPECT_EQ(Application->PressedButton, 1);
	send(mouse(EMIE_RMOUSE_LEFT_UP, 300, 300));
	EXPECT_EQ(Application->PressedButton, -1);
	send(mouse(EMIE_MMOUSE_PRESSED_DOWN, 300, 300));
	EXPECT_EQ(Application->PressedButton, 2);
	EXPECT_FALSE(Application->Drawing); // only the left button draws
	send(mouse(EMIE_MMOUSE_LEFT_UP, 300, 300));
}

TEST_F(EventReceiverTest, KeyRepeatIsPassedOnOnce)
{
	drawLine(200, 300, 200);
	drawLine(200, 300, 300);
	drawLine(200, 300, 400);
	keyDown(KEY_LCONTROL);
	keyDown(KEY_KEY_Z);
	keyDown(KEY_KEY_Z); // auto-repeat of the held key
	keyDown(KEY_KEY_Z);
	EXPECT_EQ(Application->RedoList.size(), 1u);
	keyUp(KEY_KEY_Z);
	keyDown(KEY_KEY_Z); // a second real press
	EXPECT_EQ(Application->RedoList.size(), 2u);
	EXPECT_TRUE(Receiver.Keys.isHeld(KEY_KEY_Z));
	keyUp(KEY_KEY_Z);
	EXPECT_FALSE(Receiver.Keys.isHeld(KEY_KEY_Z));
}

TEST_F(EventReceiverTest, RepeatsAreFilteredPerHeldKey)
{
	drawLine(200, 300, 200);
	drawLine(200, 300, 300);
	keyDown(KEY_LCONTROL);
	keyDown(KEY_KEY_Z);       // undo
	keyDown(KEY_LCONTROL);    // Ctrl's own repeat
	keyDown(KEY_KEY_Z);       // Z's repeat: still held, dropped
	EXPECT_EQ(Application->RedoList.size(), 1u);
	keyUp(KEY_KEY_Z);
	keyUp(KEY_LCONTROL);

	// Ctrl+Shift+Z redoes; Shift let go before Z: Z's repeats must not undo the redo.
	keyDown(KEY_LCONTROL);
	keyDown(KEY_LSHIFT);
	keyDown(KEY_KEY_Z);
	EXPECT_EQ(Application->RedoList.size(), 0u);
	keyUp(KEY_LSHIFT);
	keyDown(KEY_KEY_Z);
	keyDown(KEY_KEY_Z);
	EXPECT_EQ(Application->RedoList.size(), 0u);
	EXPECT_EQ(Application->UndoList.size(), 2u);
}

TEST_F(EventReceiverTest, GuiEventsCountAsLeavingThePanel)
{
	moveTo(50, 300);
	EXPECT_TRUE(Application->PointerOverPanel);
	SEvent gui;
	gui.EventType = EET_GUI_EVENT;
	gui.GUIEvent.Caller = nullptr;
	gui.GUIEvent.Element = nullptr;
	gui.GUIEvent.EventType = gui::EGET_ELEMENT_HOVERED;
	send(gui);
	EXPECT_FALSE(Application->PointerOverPanel);
}

TEST_F(RoutingWithPanelTest, KeysOverThePanelLeaveTheMarkerItsNeutralPreview)
{
	const auto markerColor = [&] {
		return static_cast<video::S3DVertex*>(Application->DrawMarker->getMesh()->getMeshBuffer(0)->getVertices())[0].Color;
	};
	moveTo(50, 300); // x = 50: over the side panel
	ASSERT_EQ(markerColor(), NEUTRAL_PREVIEW_COLOR);
	// Ctrl+S, then a frame's settings check, the pointer resting over the panel.
	keyDown(KEY_LCONTROL);
	tap(KEY_KEY_S);
	keyUp(KEY_LCONTROL);
	Receiver.beforeFrame(Device);
	EXPECT_TRUE(Application->PointerOverPanel);
	EXPECT_EQ(markerColor(), NEUTRAL_PREVIEW_COLOR);
	moveTo(300, 300); // x = 300: in the view, where the marker shows the brush colour
	EXPECT_EQ(markerColor(), Application->BrushColor);
}

TEST_F(EventReceiverTest, RightAltAndRightCtrlDoNothing)
{
	keyDown(KEY_RMENU);
	EXPECT_FALSE(Application->Navigating);
	EXPECT_FALSE(Application->AltDown);
	keyDown(KEY_RCONTROL);
	EXPECT_FALSE(Application->CtrlDown);
	keyDown(KEY_RSHIFT);
	EXPECT_FALSE(Application->ShiftDown);
	keyDown(KEY_LMENU);
	EXPECT_TRUE(Application->Navigating);
}

TEST_F(EventReceiverTest, WhileNavigatingOnlyModifiersAct)
{
	drawLine(200, 300, 300);
	const core::vector3df camera = Camera->getPosition();
	keyDown(KEY_LMENU);
	tap(KEY_OEM_6);
	tap(KEY_OEM_4);
	tap(KEY_KEY_F);
	keyDown(KEY_KEY_2);
	EXPECT_FALSE(Application->Strokes[0]->getMaterial(0).Wireframe);
	keyUp(KEY_KEY_2);
	keyDown(KEY_LCONTROL); // Ctrl is tested before navigation
	EXPECT_TRUE(Application->CtrlDown);
	tap(KEY_KEY_Z);
	EXPECT_EQ(Camera->getPosition(), camera);
	EXPECT_EQ(Application->UndoList.size(), 1u);
	EXPECT_TRUE(Application->Strokes[0]->isVisible());

	keyUp(KEY_LMENU);
	tap(KEY_KEY_Z);
	EXPECT_FALSE(Application->Strokes[0]->isVisible());
}

TEST_F(EventReceiverTest, DisplayModeKeysHoldTheLook)
{
	drawLine(200, 300, 300);
	keyDown(KEY_KEY_2);
	EXPECT_TRUE(Application->Strokes[0]->getMaterial(0).Wireframe);
	keyUp(KEY_KEY_2);
	EXPECT_FALSE(Application->Strokes[0]->getMaterial(0).Wireframe);
	keyDown(KEY_KEY_1);
	EXPECT_TRUE(Application->Strokes[0]->getMaterial(0).Lighting);
	keyDown(KEY_LMENU);
	keyUp(KEY_KEY_1); // reverts even while navigating
	EXPECT_FALSE(Application->Strokes[0]->getMaterial(0).Lighting);
}

TEST_F(RoutingWithPanelTest, SynchronisesOnLeftPressReleaseAndMoveOverThePanel)
{
	const auto spoil = [this] { Application->BrushRadius = 99.f; };
	spoil();
	send(mouse(EMIE_RMOUSE_PRESSED_DOWN, 50, 300));
	EXPECT_EQ(Application->BrushRadius, 99.f);
	send(mouse(EMIE_RMOUSE_LEFT_UP, 50, 300));
	EXPECT_EQ(Application->BrushRadius, 99.f);
	moveTo(50, 300);
	EXPECT_EQ(Application->BrushRadius, 1.f);
	spoil();
	press(50, 300);
	EXPECT_EQ(Application->BrushRadius, 1.f);
	spoil();
	release(50, 300);
	EXPECT_EQ(Application->BrushRadius, 1.f);
}

TEST_F(RoutingWithPanelTest, StartValuesReachTheWorkspace)
{
	EXPECT_EQ(Application->BrushColor, video::SColor(0xFF404080));
	EXPECT_EQ(Application->BackdropColor, video::SColor(0xFF000000));
	EXPECT_FLOAT_EQ(Application->BrushRadius, 1.f);
	EXPECT_FLOAT_EQ(Application->BrushThickness, 1.f);
	EXPECT_EQ(Application->Tool, 0);
}

TEST_F(RoutingWithPanelTest, SettingsFollowTheWidgets)
{
	Panel->BrushEditor->RadiusBar->setPos(50);
	Panel->BrushEditor->ThicknessBar->setPos(50);
	Panel->BrushEditor->selectBrush(1);
	Panel->ColorPicker->setColor(video::SColor(0xFF00FF00));
	Panel->ColorPicker->BackdropColor = video::SColor(0xFF203040);
	moveTo(50, 300);
	EXPECT_FLOAT_EQ(Application->BrushRadius, 15.5f);
	EXPECT_FLOAT_EQ(Application->BrushThickness, 0.55f);
	EXPECT_EQ(Application->Tool, 1);
	EXPECT_EQ(Application->BrushColor, video::SColor(0xFF00FF00));
	EXPECT_EQ(Application->BackdropColor, video::SColor(0xFF203040));
}

TEST_F(RoutingWithPanelTest, PickRequestTakesTheColourUnderThePointer)
{
	Panel->ColorPicker->setColor(video::SColor(0xFFFF0000));
	moveTo(50, 300);
	drawLine(200, 400, 300); // a red stroke through the view's middle row
	Panel->ColorPicker->setColor(video::SColor(0xFF0000FF));
	Panel->ColorPicker->PickRequested = true;
	keyDown(KEY_LCONTROL); // Ctrl: every move picks
	moveTo(300, 300);
	keyUp(KEY_LCONTROL);
	moveTo(50, 300); // back over the panel: the request is answered
	EXPECT_FALSE(Panel->ColorPicker->PickRequested);
	EXPECT_EQ(Application->BrushColor, video::SColor(0xFFFF0000));
}

TEST_F(RoutingWithPanelTest, RecordingRunsFromThePressToTheReleaseOfThatButton)
{
	Panel->requestRecording();
	press(50, 300); // x = 50: the hidden panel's strip is view while a recording is requested
	EXPECT_TRUE(Application->RecordingGif);
	EXPECT_FALSE(Application->PointerOverPanel);
	EXPECT_FALSE(Panel->GifWarningImage->isVisible());
	EXPECT_FALSE(Panel->isVisible());
	// A right click in the middle of the drag does not end it.
	send(mouse(EMIE_RMOUSE_PRESSED_DOWN, 200, 300));
	send(mouse(EMIE_RMOUSE_LEFT_UP, 200, 300));
	loopOnce();
	EXPECT_TRUE(Application->RecordingGif);

	release(300, 300);
	EXPECT_FALSE(Application->RecordingGif);
	loopOnce();
	EXPECT_FALSE(Panel->isRecordingRequested());
	EXPECT_TRUE(Panel->isVisible());
	// The writer's word comes back as the note (the NULL device gives no pictures).
	for (int i = 0; i < 2000 && !Panel->Note->isShowing(); ++i)
	{
		std::this_thread::sleep_for(std::chrono::milliseconds(5));
		loopOnce();
	}
	EXPECT_TRUE(Panel->Note->isShowing());
}

TEST_F(RoutingWithPanelTest, EscapeCancelsARequestedOrRunningRecording)
{
	Panel->requestRecording();
	tap(KEY_ESCAPE);
	EXPECT_TRUE(Panel->isVisible());
	EXPECT_FALSE(Panel->GifWarningImage->isVisible());
	EXPECT_FALSE(Panel->isRecordingRequested());
	press(300, 300);
	EXPECT_FALSE(Application->RecordingGif);
	release(300, 300);

	Panel->requestRecording();
	press(300, 300);
	EXPECT_TRUE(Application->RecordingGif);
	tap(KEY_ESCAPE);
	EXPECT_FALSE(Application->RecordingGif);
	EXPECT_TRUE(Panel->isVisible());
	release(300, 300);
	loopOnce();
	EXPECT_TRUE(Panel->isVisible());
	EXPECT_FALSE(Application->RecordingGif);
}

TEST_F(RoutingWithPanelTest, TurntableRunsFromItsButtonWithThePanelHidden)
{
	Panel->requestTurntable();
	EXPECT_FALSE(Panel->isVisible());
	EXPECT_FALSE(Panel->GifWarningImage->isVisible());
	loopOnce();
	EXPECT_TRUE(Application->isRecording());
	// A press in the view meanwhile starts no recording of its own.
	press(300, 300);
	EXPECT_EQ(Application->RecordingButton, -1);
	release(300, 300);
	for (int i = 0; i < 80; ++i)
		loopOnce();
	EXPECT_FALSE(Application->isRecording());
	EXPECT_TRUE(Panel->isVisible());
	EXPECT_FALSE(Panel->isRecordingRequested());
}

TEST_F(EventReceiverTest, ModifiersWhoseKeyUpWentElsewhereAreReleased)
{
	// Ctrl and Shift: the next pointer event says they are up.
	keyDown(KEY_LCONTROL);
	keyDown(KEY_LSHIFT);
	ControlHeld = ShiftHeld = false; // their key-ups went to another window
	moveTo(300, 300);
	EXPECT_FALSE(Application->CtrlDown);
	EXPECT_FALSE(Application->SnapToSurface);
	EXPECT_FALSE(Application->ShiftDown);
	EXPECT_FALSE(Receiver.Keys.isHeld(KEY_LCONTROL));

	// Alt: only the keyboard itself can tell; an unknown answer changes nothing.
	keyDown(KEY_LMENU);
	Receiver.followKeyboard(false, -1);
	Receiver.followKeyboard(false, platform::HELD_LEFT_ALT);
	EXPECT_TRUE(Application->Navigating);
	Receiver.followKeyboard(false, 0);
	EXPECT_FALSE(Application->Navigating);
	EXPECT_FALSE(Application->AltDown);
	drawLine(200, 300, 300); // the next drag draws instead of orbiting
	EXPECT_EQ(Application->Strokes.size(), 1u);
	keyDown(KEY_LMENU); // and the next real press of Alt counts
	EXPECT_TRUE(Application->Navigating);
}

TEST_F(EventReceiverTest, LosingTheFocusReleasesEveryHeldKey)
{
	drawLine(200, 300, 300);
	Receiver.followKeyboard(true, -1);
	keyDown(KEY_LMENU);
	keyDown(KEY_LSHIFT);
	keyDown(KEY_KEY_2);
	EXPECT_TRUE(Application->Twisting);
	Receiver.followKeyboard(true, -1); // still focused: nothing changes
	EXPECT_TRUE(Application->Navigating);
	Receiver.followKeyboard(false, -1);
	EXPECT_FALSE(Application->Navigating);
	EXPECT_FALSE(Application->Twisting);
	EXPECT_FALSE(Application->ShiftDown);
	EXPECT_FALSE(Application->Strokes[0]->getMaterial(0).Wireframe); // 2 let go
	EXPECT_TRUE(Application->AnchorNode->isVisible()); // shown again after the twist
	keyDown(KEY_KEY_2); // a fresh press, not a repeat
	EXPECT_TRUE(Application->Strokes[0]->getMaterial(0).Wireframe);
}

TEST_F(EventReceiverTest, RawKeyCodesOfUnknownKeysDoNothing)
{
	drawLine(200, 300, 300);
	const core::vector3df camera = Camera->getPosition();
	// What the engine's X11 device sends for XF86Favorites, XF86TaskPane and XF86AudioPreset.
	const EKEY_CODE raw[] = {KEY_LMENU, KEY_LCONTROL, KEY_OEM_6};
	for (EKEY_CODE code : raw)
	{
		SEvent note;
		note.EventType = EET_LOG_TEXT_EVENT;
		note.LogEvent.Level = ELL_INFORMATION;
		core::stringc text("Could not find EKEY_CODE, using orig. X11 keycode instead: ");
		text += (s32)code;
		note.LogEvent.Text = text.c_str();
		send(note);
		send(key(code, true));
		send(note);
		send(key(code, false));
	}
	EXPECT_FALSE(Application->Navigating);
	EXPECT_FALSE(Application->SnapToSurface);
	EXPECT_EQ(Camera->getPosition(), camera);
	// The real keys act.
	tap(KEY_OEM_6);
	EXPECT_NE(Camera->getPosition(), camera);
	keyDown(KEY_LMENU);
	EXPECT_TRUE(Application->Navigating);
}

TEST_F(RoutingWithPanelTest, DragFromTheViewNeverActsOnAPanelWidget)
{
	// From (400, 250) to the erase button at (40, 250), released there.
	post(mouse(EMIE_LMOUSE_PRESSED_DOWN, 400, 250));
	for (s32 x = 390; x >= 40; x -= 10)
		post(mouse(EMIE_MOUSE_MOVED, x, 250));
	// Over the radius slider's thumb with the button held: the slider must not follow.
	post(mouse(EMIE_MOUSE_MOVED, 10, 200));
	post(mouse(EMIE_MOUSE_MOVED, 60, 200));
	post(mouse(EMIE_MOUSE_MOVED, 40, 250));
	post(mouse(EMIE_LMOUSE_LEFT_UP, 40, 250));
	EXPECT_EQ(Panel->BrushEditor->BrushKind, 0);
	EXPECT_EQ(Panel->BrushEditor->RadiusBar->getPos(), 0);
	ASSERT_EQ(Application->Strokes.size(), 1u);
	post(mouse(EMIE_MOUSE_MOVED, 60, 300));
	EXPECT_EQ(Application->Tool, 0);
}

TEST_F(RoutingWithPanelTest, PanelChangesReachTheFirstEventInTheView)
{
	const auto click = [this](s32 x, s32 y) {
		post(mouse(EMIE_LMOUSE_PRESSED_DOWN, x, y));
		post(mouse(EMIE_LMOUSE_LEFT_UP, x, y));
	};
	drawLine(200, 400, 300);
	// Erase button, then straight to a press on the stroke (a pen set down elsewhere).
	click(40, 250);
	post(mouse(EMIE_LMOUSE_PRESSED_DOWN, 300, 300));
	EXPECT_FALSE(Application->Strokes[0]->isVisible());
	post(mouse(EMIE_LMOUSE_LEFT_UP, 300, 300));
	click(15, 250); // round brush again

	// Three clicks on the radius bar's right arrow (x 95-100), then a brisk move into the view.
	for (int i = 0; i < 3; ++i)
		click(97, 200);
	EXPECT_GT(Panel->BrushEditor->RadiusBar->getPos(), 0);
	post(mouse(EMIE_MOUSE_MOVED, 400, 200));
	EXPECT_FLOAT_EQ(Application->BrushRadius, Panel->BrushEditor->getRadius());

	// A hue drag released in the view: the next stroke takes the colour the preview shows.
	post(mouse(EMIE_LMOUSE_PRESSED_DOWN, 97, 20));
	post(mouse(EMIE_MOUSE_MOVED, 97, 60));
	post(mouse(EMIE_MOUSE_MOVED, 300, 90));
	post(mouse(EMIE_LMOUSE_LEFT_UP, 300, 90));
	const video::SColor shown = Panel->ColorPicker->getColor();
	drawLine(200, 400, 200);
	EXPECT_EQ(Application->Strokes.getLast()->getColor(), shown);

	// "SetBackdrop" (y 140-155) shows in the next frame, with no pointer event after the click.
	click(55, 147);
	Receiver.beforeFrame(Device);
	EXPECT_EQ(Application->BackdropColor, shown);
}

TEST_F(RoutingWithPanelTest, PickColorTakesTheColourOfAStrokeHoveredSinceTheRequest)
{
	UIColorPicker* picker = Panel->ColorPicker;
	const auto click = [this](s32 x, s32 y) {
		post(mouse(EMIE_LMOUSE_PRESSED_DOWN, x, y));
		post(mouse(EMIE_LMOUSE_LEFT_UP, x, y));
	};
	picker->setColor(video::SColor(0xC8FFFF00)); // translucent yellow, between two hue rows
	moveTo(50, 300);
	drawLine(200, 400, 300);
	StrokeNode* yellow = Application->Strokes[0];
	picker->setColor(video::SColor(0xFF0000FF));
	moveTo(50, 300);

	// Nothing hovered since the request: back over the panel the colour stays.
	click(55, 167); // "PickColor"
	post(mouse(EMIE_MOUSE_MOVED, 60, 300));
	EXPECT_TRUE(picker->PickRequested);
	post(mouse(EMIE_MOUSE_MOVED, 600, 100)); // empty space
	post(mouse(EMIE_MOUSE_MOVED, 60, 300));
	EXPECT_FALSE(picker->PickRequested);
	EXPECT_EQ(picker->getColor(), video::SColor(0xFF0000FF));
	EXPECT_EQ(Application->BrushColor, video::SColor(0xFF0000FF));

	// Hovered with the round brush: highlighted, kept over empty space, taken at the panel.
	click(55, 167);
	const core::vector3df anchor = Application->AnchorNode->getPosition();
	post(mouse(EMIE_MOUSE_MOVED, 300, 300));
	EXPECT_EQ(Application->ColorCandidate, yellow);
	EXPECT_EQ(Application->HighlightedStroke, yellow);
	EXPECT_EQ(Application->AnchorNode->getPosition(), anchor); // the drawing depth stays
	post(mouse(EMIE_MOUSE_MOVED, 600, 100));
	EXPECT_EQ(Application->HighlightedStroke, yellow);
	post(mouse(EMIE_MOUSE_MOVED, 60, 300));
	EXPECT_EQ(picker->getColor(), video::SColor(0xC8FFFF00)); // exact, alpha included
	EXPECT_EQ(Application->BrushColor, video::SColor(0xC8FFFF00));
	EXPECT_EQ(Application->HighlightedStroke, nullptr);

	// A click on a stroke takes its colour and draws nothing.
	picker->setColor(video::SColor(0xFF0000FF));
	click(55, 167);
	post(mouse(EMIE_LMOUSE_PRESSED_DOWN, 300, 300));
	for (s32 x = 310; x <= 360; x += 10)
		post(mouse(EMIE_MOUSE_MOVED, x, 300));
	post(mouse(EMIE_LMOUSE_LEFT_UP, 360, 300));
	EXPECT_EQ(picker->getColor(), video::SColor(0xC8FFFF00));
	EXPECT_FALSE(picker->PickRequested);
	EXPECT_EQ(Application->Strokes.size(), 1u);
}

TEST_F(RoutingWithPanelTest, MirrorKeyAndWheelReachTheWorkspaceAndTheMirrorPlaneStaysOutOfRecordings)
{
	// M flips the panel's mirror button, and the workspace follows (not while navigating).
	tap(KEY_KEY_M);
	keyDown(KEY_LMENU);
	tap(KEY_KEY_M);
	keyUp(KEY_LMENU);
	EXPECT_TRUE(Panel->BrushEditor->Mirror && Application->Mirror && Application->MirrorPlane->isVisible());
	Panel->requestRecording();
	press(300, 300);
	EXPECT_FALSE(Application->MirrorPlane->isVisible());
	release(300, 300);
	EXPECT_TRUE(Application->MirrorPlane->isVisible());

	// The wheel in the view scales the selection and never reaches a slider that kept the focus.
	drawLine(300, 420, 300);
	Panel->BrushEditor->selectBrush(TOOL_SELECT);
	Receiver.syncSettings();
	Application->select(Application->Strokes[0], true);
	Device->getGUIEnvironment()->setFocus(Panel->BrushEditor->RadiusBar);
	SEvent wheel = mouse(EMIE_MOUSE_WHEEL, 500, 300);
	wheel.MouseInput.Wheel = 1.f;
	post(wheel);
	EXPECT_NEAR(Application->Strokes[0]->getPlacement().getScale().X, 1.1f, 1e-5f);
	EXPECT_EQ(Panel->BrushEditor->RadiusBar->getPos(), 0);
}
