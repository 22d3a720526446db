// Colour picker: marker placement from a colour, colour from the markers, drags, buttons and the hue rows.
#include "PanelFixture.h"

using namespace irr;

namespace
{
// The picker sits at the panel's top-left corner, which is the window's, so window pixels equal
// picker pixels: box (5, 5)-(85, 85), hue bar hit area (90, 5)-(105, 132).
const s32 BOX_LEFT = 5, BOX_TOP = 5, BOX_RIGHT = 85, BOX_BOTTOM = 85;
const s32 HUE_LEFT = 90, HUE_TOP = 5, HUE_RIGHT = 105, HUE_BOTTOM = 132;

struct Placement
{
	const char* name;
	u32 color;
	s32 huePos;
	s32 boxX;
	s32 boxY;
};
}

using ColorPickerTest = PanelFixture;

TEST(UIColorPickerHueRows, SegmentsStopShortOfTheNextHue)
{
	struct Row
	{
		s32 row;
		u32 red, green, blue;
	};
	const Row rows[] = {
		{0, 255, 0, 0},   // red
		{20, 255, 0, 204}, // end of red toward magenta
		{21, 255, 0, 255}, // magenta
		{41, 51, 0, 255},
		{42, 0, 0, 255},   // blue
		{43, 0, 10, 255},
		{63, 0, 255, 255}, // cyan
		{84, 0, 255, 0},   // green
		{105, 255, 255, 0}, // yellow
		{127, 255, 31, 0},
		{128, 255, 20, 0}, // last row, short of red
	};
	for (const Row& r : rows)
	{
		const video::SColor c = UIColorPicker::hueRowColor(r.row);
		EXPECT_EQ(c.getAlpha(), 255u) << "row " << r.row;
		EXPECT_EQ(c.getRed(), r.red) << "row " << r.row;
		EXPECT_EQ(c.getGreen(), r.green) << "row " << r.row;
		EXPECT_EQ(c.getBlue(), r.blue) << "row " << r.row;
	}
}

TEST_F(ColorPickerTest, StartsWithItsStartColourAndOpaqueBlackBackdrop)
{
	EXPECT_EQ(Picker->getColor().color, 0xff404080u);
	EXPECT_EQ(Picker->HuePos, 43);
	EXPECT_EQ(Picker->BoxX, 40);
	EXPECT_EQ(Picker->BoxY, 39);
	EXPECT_EQ(Picker->BackdropColor.color, 0xff000000u);
	EXPECT_FALSE(Picker->PickRequested);
	EXPECT_EQ(Picker->AlphaBar->getPos(), 255);
	EXPECT_EQ(Picker->getBackgroundColor().color, 0x40ffffffu);
}

TEST_F(ColorPickerTest, SetColorPlacesTheMarkers)
{
	const Placement placements[] = {
		{"blue", 0xff0000ff, 43, 80, 0},
		{"green", 0xff00ff00, 86, 80, 0},
		{"yellow", 0xffffff00, 107, 80, 0},
		{"cyan", 0xff00ffff, 64, 80, 0},
		{"magenta", 0xffff00ff, 21, 80, 0},
		{"start colour", 0xff404080, 43, 40, 39},
		{"dark half-saturated green", 0xff204020, 86, 40, 59},
	};
	for (const Placement& p : placements)
	{
		Picker->setColor(video::SColor(p.color));
		EXPECT_EQ(Picker->getColor().color, p.color) << p.name;
		EXPECT_EQ(Picker->HuePos, p.huePos) << p.name;
		EXPECT_EQ(Picker->BoxX, p.boxX) << p.name;
		EXPECT_EQ(Picker->BoxY, p.boxY) << p.name;
		// The hue colour is the texture row under the marker.
		EXPECT_EQ(Picker->HueColor.color, UIColorPicker::hueRowColor(p.huePos).color) << p.name;
	}
}

TEST_F(ColorPickerTest, HueZeroMarksBelowTheBarAndTakesTheTopRowRed)
{
	Picker->setColor(video::SColor(0xffff0000));
	EXPECT_EQ(Picker->HuePos, 129);
	EXPECT_EQ(Picker->BoxX, 80);
	EXPECT_EQ(Picker->BoxY, 0);
	EXPECT_EQ(Picker->HueColor.color, UIColorPicker::hueRowColor(0).color);

	// With the hue taken from row 0, pure red survives a recomputation from the markers.
	Picker->updateColor();
	EXPECT_EQ(Picker->getColor().color, 0xffff0000u);

	// Greys have hue 0 as well.
	Picker->setColor(video::SColor(0xff808080));
	EXPECT_EQ(Picker->HuePos, 129);
	EXPECT_EQ(Picker->BoxX, 0);
	EXPECT_EQ(Picker->BoxY, 39);
	EXPECT_EQ(Picker->HueColor.color, 0xffff0000u);
}

TEST_F(ColorPickerTest, SetColorKeepsItsExactColourWhenOnlyTheAlphaIsTouched)
{
	// Yellow lies between two rows of the hue bar: the markers can only come near it.
	Picker->setColor(video::SColor(0xC8FFFF00));
	EXPECT_EQ(Picker->getColor().color, 0xC8FFFF00u);
	EXPECT_EQ(Picker->AlphaBar->getPos(), 0xC8); // the bar shows the colour's alpha
	Picker->AlphaBar->setPos(0x40);
	SEvent changed;
	changed.EventType = EET_GUI_EVENT;
	changed.GUIEvent.Caller = Picker->AlphaBar;
	changed.GUIEvent.Element = 0;
	changed.GUIEvent.EventType = gui::EGET_SCROLL_BAR_CHANGED;
	EXPECT_TRUE(Picker->OnEvent(changed));
	EXPECT_EQ(Picker->getColor().color, 0x40FFFF00u);
	// Touching the box or the hue bar takes the colour from the markers again, alpha kept.
	Picker->updateColor();
	EXPECT_EQ(Picker->getColor().getAlpha(), 0x40u);
	EXPECT_NE(Picker->getColor().color, 0x40FFFF00u);
}

TEST_F(ColorPickerTest, LeftEdgeOfTheBoxRunsFromWhiteToBlackForAnyHue)
{
	for (s32 row : {0, 20, 43, 86, 107, 128})
	{
		Picker->HueColor = UIColorPicker::hueRowColor(row);
		Picker->BoxX = 0;
		Picker->BoxY = 0;
		Picker->updateColor();
		EXPECT_EQ(Picker->getColor().color, 0xffffffffu) << "row " << row;
		Picker->BoxY = 80;
		Picker->updateColor();
		EXPECT_EQ(Picker->getColor().color, 0xff000000u) << "row " << row;
		// The whole bottom row is black.
		Picker->BoxX = 80;
		Picker->updateColor();
		EXPECT_EQ(Picker->getColor().color, 0xff000000u) << "row " << row;
		// Top-right is the hue itself.
		Picker->BoxY = 0;
		Picker->updateColor();
		EXPECT_EQ(Picker->getColor().color, UIColorPicker::hueRowColor(row).color) << "row " << row;
	}
}

TEST_F(ColorPickerTest, UpdateColorBlendsAcrossThenDownAndRoundsHalvesUp)
{
	Picker->HueColor = video::SColor(255, 0, 10, 255);
	Picker->BoxX = 40;
	Picker->BoxY = 0;
	Picker->updateColor();
	// Halfway from white to (0, 10, 255): 127.5 and 132.5 round up.
	EXPECT_EQ(Picker->getColor().color, video::SColor(255, 128, 133, 255).color);
	Picker->BoxY = 40;
	Picker->updateColor();
	// Then halfway toward black.
	EXPECT_EQ(Picker->getColor().color, video::SColor(255, 64, 67, 128).color);
}

TEST_F(ColorPickerTest, AlphaComesFromTheAlphaBar)
{
	Picker->AlphaBar->setPos(100);
	Picker->updateColor();
	EXPECT_EQ(Picker->getColor().getAlpha(), 100u);

	// The bar's change event recomputes the colour and stops at the picker.
	Picker->AlphaBar->setPos(7);
	SEvent changed;
	changed.EventType = EET_GUI_EVENT;
	changed.GUIEvent.Caller = Picker->AlphaBar;
	changed.GUIEvent.Element = 0;
	changed.GUIEvent.EventType = gui::EGET_SCROLL_BAR_CHANGED;
	EXPECT_TRUE(Picker->OnEvent(changed));
	EXPECT_EQ(Picker->getColor().getAlpha(), 7u);
}

TEST_F(ColorPickerTest, BoxDragClampsToTheBox)
{
	// (45, 45): the middle of the box.
	EXPECT_TRUE(press(45, 45));
	EXPECT_TRUE(Picker->DraggingBox);
	EXPECT_FALSE(Picker->DraggingHue);
	EXPECT_EQ(Picker->BoxX, 40);
	EXPECT_EQ(Picker->BoxY, 40);

	// Far above and left, out in the window: clamped to the top-left corner, white.
	EXPECT_TRUE(move(-500, -500));
	EXPECT_EQ(Picker->BoxX, 0);
	EXPECT_EQ(Picker->BoxY, 0);
	EXPECT_EQ(Picker->getColor().color, 0xffffffffu);

	// Far into the 3-D view: clamped to the bottom-right corner, black.
	EXPECT_TRUE(move(2000, 2000));
	EXPECT_EQ(Picker->BoxX, 80);
	EXPECT_EQ(Picker->BoxY, 80);
	EXPECT_EQ(Picker->getColor().color, 0xff000000u);

	// After the release, moves no longer change anything.
	EXPECT_FALSE(release(400, 300));
	EXPECT_FALSE(Picker->DraggingBox);
	EXPECT_FALSE(move(45, 45));
	EXPECT_EQ(Picker->BoxX, 80);
	EXPECT_EQ(Picker->BoxY, 80);
}

TEST_F(ColorPickerTest, HueDragClampsToTheHitArea)
{
	// (97, 50): inside the hue bar, row 45.
	EXPECT_TRUE(press(97, 50));
	EXPECT_TRUE(Picker->DraggingHue);
	EXPECT_FALSE(Picker->DraggingBox);
	EXPECT_EQ(Picker->HuePos, 45);
	EXPECT_EQ(Picker->HueColor.color, UIColorPicker::hueRowColor(45).color);

	EXPECT_TRUE(move(300, -100));
	EXPECT_EQ(Picker->HuePos, 0);
	EXPECT_EQ(Picker->HueColor.color, UIColorPicker::hueRowColor(0).color);
	// Red at the start markers (40, 39): halfway from white, then 39/80 of the way to black.
	EXPECT_EQ(Picker->getColor().color, video::SColor(255, 131, 66, 66).color);

	EXPECT_TRUE(move(-300, 1000));
	EXPECT_EQ(Picker->HuePos, 127);
	EXPECT_EQ(Picker->HueColor.color, UIColorPicker::hueRowColor(127).color);

	// The clamped pointer does not reach the box: its markers stay.
	EXPECT_EQ(Picker->BoxX, 40);
	EXPECT_EQ(Picker->BoxY, 39);

	release(97, 50);
	EXPECT_FALSE(Picker->DraggingHue);
}

TEST_F(ColorPickerTest, PressesOnEveryEdgeStartADrag)
{
	struct Hit
	{
		const char* name;
		s32 x, y;
		bool box, hue;
	};
	const Hit hits[] = {
		{"box left edge", BOX_LEFT, 45, true, false},
		{"box right edge", BOX_RIGHT, 45, true, false},
		{"box top edge", 45, BOX_TOP, true, false},
		{"box bottom edge", 45, BOX_BOTTOM, true, false},
		{"left of the box", BOX_LEFT - 1, 45, false, false},
		{"below the box", 45, BOX_BOTTOM + 1, false, false},
		{"between box and hue bar", 87, 45, false, false},
		{"hue bar left edge", HUE_LEFT, 50, false, true},
		{"hue bar right edge", HUE_RIGHT, 50, false, true},
		{"hue bar top edge", 97, HUE_TOP, false, true},
		{"hue bar bottom edge", 97, HUE_BOTTOM, false, true},
		{"last texture row, below the hit area", 97, HUE_BOTTOM + 1, false, false},
	};
	for (const Hit& h : hits)
	{
		press(h.x, h.y);
		EXPECT_EQ(Picker->DraggingBox, h.box) << h.name;
		EXPECT_EQ(Picker->DraggingHue, h.hue) << h.name;
		release(h.x, h.y);
	}
}

TEST_F(ColorPickerTest, LeftReleaseIsNeverConsumed)
{
	// Straight to the picker, during a box drag, a hue drag and no drag.
	for (s32 x : {45, 97, 87})
	{
		SEvent event;
		event.EventType = EET_MOUSE_INPUT_EVENT;
		event.MouseInput.X = x;
		event.MouseInput.Y = 50;
		event.MouseInput.Wheel = 0.f;
		event.MouseInput.Shift = false;
		event.MouseInput.Control = false;
		event.MouseInput.ButtonStates = EMBSM_LEFT;
		event.MouseInput.Event = EMIE_LMOUSE_PRESSED_DOWN;
		Picker->OnEvent(event);
		event.MouseInput.ButtonStates = 0;
		event.MouseInput.Event = EMIE_LMOUSE_LEFT_UP;
		EXPECT_FALSE(Picker->OnEvent(event)) << "x " << x;
		EXPECT_FALSE(Picker->DraggingBox);
		EXPECT_FALSE(Picker->DraggingHue);
	}
	// The press in the preview starts no drag and is not consumed either.
	EXPECT_FALSE(press(45, 100));
}

TEST_F(ColorPickerTest, PickColorRaisesARequestThatSetColorClears)
{
	clickOn(Picker->PickColorButton);
	EXPECT_TRUE(Picker->PickRequested);
	Picker->setColor(video::SColor(0xff112233));
	EXPECT_FALSE(Picker->PickRequested);
	EXPECT_EQ(Picker->BackdropColor.color, 0xff000000u);
}

TEST_F(ColorPickerTest, SetBackdropCopiesTheColourOnce)
{
	Picker->setColor(video::SColor(0xff123456));
	clickOn(Picker->SetBackdropButton);
	EXPECT_EQ(Picker->BackdropColor.color, 0xff123456u);
	EXPECT_FALSE(Picker->PickRequested);

	Picker->setColor(video::SColor(0xff654321));
	press(45, 45);
	release(45, 45);
	EXPECT_NE(Picker->getColor().color, 0xff123456u);
	EXPECT_EQ(Picker->BackdropColor.color, 0xff123456u);

	clickOn(Picker->SetBackdropButton);
	EXPECT_EQ(Picker->BackdropColor.color, Picker->getColor().color);
}

TEST_F(ColorPickerTest, MovingThePickerMovesItsRectangles)
{
	Picker->setRelativePosition(core::position2di(10, 20));
	EXPECT_EQ(Picker->BoxRect, core::rect<s32>(15, 25, 95, 105));
	EXPECT_EQ(Picker->HueBarRect, core::rect<s32>(100, 25, 115, 152));
	EXPECT_EQ(Picker->PreviewRect, core::rect<s32>(15, 110, 95, 140));
	// (100, 25): the hue bar's new top-left corner.
	press(100, 25);
	EXPECT_TRUE(Picker->DraggingHue);
	EXPECT_EQ(Picker->HuePos, 0);
	release(100, 25);
}
