// Colour picker: hue bar and saturation/value box driven by mouse drags, alpha from a scroll bar,
// plus the backdrop and pick-from-drawing buttons.
#include "ui/UIColorPicker.h"

#include <cmath>

using namespace irr;

namespace
{
// Side of the saturation/value box in pixels.
const f32 BOX_SIZE = 80.f;
// Checkerboard texture: 16 x 16 pixels in 8 x 8 quadrants.
const u32 ALPHA_SIZE = 16;
const u32 ALPHA_QUADRANT = 8;
const u32 CHECKER_LIGHT = 0xff999999;
const u32 CHECKER_DARK = 0xff666666;
// Hue texture width in pixels; every pixel of a row has the row's colour.
const u32 GRADIENT_WIDTH = 15;
// First row of each of the six hue segments; each ramps over 25 rows.
const s32 SEGMENT_START[6] = {0, 21, 42, 63, 84, 105};
const f32 SEGMENT_RAMP = 25.f;

u32 roundChannel(f32 v)
{
	return (u32)std::floor(v + 0.5f);
}

// The colour with its alpha byte set to 0.
video::SColor withoutAlpha(video::SColor c)
{
	c.setAlpha(0);
	return c;
}
}

UIColorPicker::UIColorPicker(gui::IGUIEnvironment* environment, gui::IGUIElement* parent, s32 id)
	: gui::IGUIElement(gui::EGUIET_COLOR_SELECT_DIALOG, environment, parent, id, core::rect<s32>(0, 0, 110, 180)),
	  DraggingHue(false), DraggingBox(false), AlphaBar(0), AlphaTexture(0), GradientTexture(0),
	  Color(0xff404080), HueColor(0), BackgroundColor(0x40ffffff), WhiteColor(0xffffffff),
	  BlackColor(0xff000000), HueColorClear(0), BoxRect(0, 0, 0, 0), PreviewRect(0, 0, 0, 0),
	  HueBarRect(0, 0, 0, 0), BoxX(0), BoxY(0), HuePos(0), SetBackdropButton(0), PickColorButton(0),
	  BackdropColor(0xff000000), PickRequested(false)
{
	// The scroll bar and the buttons are owned by this element's child list.
	AlphaBar = Environment->addScrollBar(true, core::rect<s32>(5, 125, 85, 135), this, -1);
	AlphaBar->setMin(0);
	AlphaBar->setMax(255);
	AlphaBar->setPos(255);

	createAlphaTexture();
	createGradientTexture();

	// Null when "font.bmp" is missing: the buttons then use the skin's font.
	gui::IGUIFont* font = Environment->getFont("font.bmp");

	SetBackdropButton = Environment->addButton(core::rect<s32>(5, 140, 105, 155), this, -1, L"SetBackdrop", 0);
	SetBackdropButton->setOverrideFont(font);
	PickColorButton = Environment->addButton(core::rect<s32>(5, 160, 105, 175), this, -1, L"PickColor", 0);
	PickColorButton->setOverrideFont(font);

	setColor(video::SColor(0xff404080));
	updateAbsolutePosition();
}

UIColorPicker::~UIColorPicker()
{
}

video::SColor UIColorPicker::hueRowColor(s32 row)
{
	s32 segment = 5;
	while (segment > 0 && row < SEGMENT_START[segment])
		--segment;
	// Segments are 21 rows long (24 for the last) but ramp over 25, so each stops short of the next hue.
	const f32 t = core::clamp((row - SEGMENT_START[segment]) / SEGMENT_RAMP, 0.f, 1.f);
	const u32 up = roundChannel(255.f * t);
	const u32 down = roundChannel(255.f * (1.f - t));
	switch (segment)
	{
	case 0:
		return video::SColor(255, 255, 0, up);
	case 1:
		return video::SColor(255, down, 0, 255);
	case 2:
		return video::SColor(255, 0, up, 255);
	case 3:
		return video::SColor(255, 0, 255, down);
	case 4:
		return video::SColor(255, up, 255, 0);
	default:
		return video::SColor(255, 255, down, 0);
	}
}

void UIColorPicker::createAlphaTexture()
{
	// The texture belongs to the driver's cache.
	AlphaTexture = Environment->getVideoDriver()->addTexture(
		core::dimension2du(ALPHA_SIZE, ALPHA_SIZE), "alpha", video::ECF_A8R8G8B8);
	if (!AlphaTexture)
		return;
	// A8R8G8B8, 4 bytes a pixel, rows without padding; drivers that cannot lock return null.
	u32* pixels = static_cast<u32*>(AlphaTexture->lock(video::ETLM_READ_WRITE, 0));
	if (!pixels)
		return;
	for (u32 y = 0; y < ALPHA_SIZE; ++y)
		for (u32 x = 0; x < ALPHA_SIZE; ++x)
			pixels[y * ALPHA_SIZE + x] = ((x < ALPHA_QUADRANT) == (y < ALPHA_QUADRANT)) ? CHECKER_LIGHT : CHECKER_DARK;
	AlphaTexture->unlock();
}

void UIColorPicker::createGradientTexture()
{
	GradientTexture = Environment->getVideoDriver()->addTexture(
		core::dimension2du(GRADIENT_WIDTH, HUE_ROWS), "gradient", video::ECF_A8R8G8B8);
	if (!GradientTexture)
		return;
	u32* pixels = static_cast<u32*>(GradientTexture->lock(video::ETLM_READ_WRITE, 0));
	if (!pixels)
		return;
	for (s32 row = 0; row < HUE_ROWS; ++row)
	{
		const u32 color = hueRowColor(row).color;
		for (u32 x = 0; x < GRADIENT_WIDTH; ++x)
			pixels[row * GRADIENT_WIDTH + x] = color;
	}
	GradientTexture->unlock();
}

void UIColorPicker::setColor(const video::SColor& c)
{
	PickRequested = false;
	Color = c;

	const f32 r = c.getRed() / 255.f;
	const f32 g = c.getGreen() / 255.f;
	const f32 b = c.getBlue() / 255.f;
	const f32 max = core::max_(r, g, b);
	const f32 min = core::min_(r, g, b);
	const f32 d = max - min;

	// Hue in degrees, 0 to 360.
	f32 h = 0.f;
	if (d != 0.f)
	{
		if (r >= max)
			h = (g - b) / d;
		else if (g >= max)
			h = (b - r) / d + 2.f;
		else
			h = (r - g) / d + 4.f;
	}
	h *= 60.f;
	if (h < 0.f)
		h += 360.f;
	const f32 s = (max == 0.f) ? 0.f : d / max;

	// Hue 360 is at the top of the bar, hue 0 one row below its last texture row.
	HuePos = (s32)(129.f - (h / 360.f) * 129.f);
	BoxX = (s32)(s * BOX_SIZE);
	BoxY = (s32)(BOX_SIZE - max * BOX_SIZE);

	// Hue 0 (reds and greys) gives position 129, past the texture; it is the same hue as row 0.
	HueColor = hueRowColor(HuePos < HUE_ROWS ? HuePos : 0);
	HueColorClear = withoutAlpha(HueColor);
}

const video::SColor& UIColorPicker::getColor()
{
	return Color;
}

void UIColorPicker::setBackgroundColor(const video::SColor& c)
{
	BackgroundColor = c;
}

const video::SColor& UIColorPicker::getBackgroundColor()
{
	return BackgroundColor;
}

void UIColorPicker::updateColor()
{
	// Across the box from white to the hue, then down the box toward black.
	const video::SColor saturated = HueColor.getInterpolated(WhiteColor, BoxX / BOX_SIZE);
	Color = BlackColor.getInterpolated(saturated, BoxY / BOX_SIZE);
	Color.setAlpha(AlphaBar->getPos());
	HueColorClear = withoutAlpha(HueColor);
}

bool UIColorPicker::OnEvent(const SEvent& event)
{
	if (event.EventType == EET_MOUSE_INPUT_EVENT)
	{
		// Window pixels.
		core::position2di pointer(event.MouseInput.X, event.MouseInput.Y);
		if (event.MouseInput.Event == EMIE_LMOUSE_LEFT_UP)
		{
			DraggingHue = false;
			DraggingBox = false;
			return IGUIElement::OnEvent(event);
		}
		if (event.MouseInput.Event == EMIE_LMOUSE_PRESSED_DOWN)
		{
			// isPointInside includes all four edges.
			DraggingHue = HueBarRect.isPointInside(pointer);
			DraggingBox = BoxRect.isPointInside(pointer);
		}
		if (DraggingHue)
		{
			pointer.Y = core::clamp(pointer.Y, HueBarRect.UpperLeftCorner.Y, HueBarRect.LowerRightCorner.Y);
			HuePos = pointer.Y - HueBarRect.UpperLeftCorner.Y;
			HueColor = hueRowColor(HuePos);
			updateColor();
			pointer.X = core::clamp(pointer.X, HueBarRect.UpperLeftCorner.X, HueBarRect.LowerRightCorner.X);
		}
		if (DraggingBox)
		{
			BoxX = core::clamp(pointer.X, BoxRect.UpperLeftCorner.X, BoxRect.LowerRightCorner.X) - BoxRect.UpperLeftCorner.X;
			BoxY = core::clamp(pointer.Y, BoxRect.UpperLeftCorner.Y, BoxRect.LowerRightCorner.Y) - BoxRect.UpperLeftCorner.Y;
			updateColor();
		}
		if (DraggingHue || DraggingBox)
			return true;
	}
	else if (event.EventType == EET_GUI_EVENT)
	{
		if (event.GUIEvent.EventType == gui::EGET_BUTTON_CLICKED)
		{
			if (event.GUIEvent.Caller == SetBackdropButton)
				BackdropColor = Color;
			else if (event.GUIEvent.Caller == PickColorButton)
				PickRequested = true;
		}
		else if (event.GUIEvent.EventType == gui::EGET_SCROLL_BAR_CHANGED)
		{
			updateColor();
			return true;
		}
	}
	return IGUIElement::OnEvent(event);
}

void UIColorPicker::updateAbsolutePosition()
{
	IGUIElement::updateAbsolutePosition();
	// Window pixels of the widget's top-left corner.
	const s32 x = AbsoluteRect.UpperLeftCorner.X;
	const s32 y = AbsoluteRect.UpperLeftCorner.Y;
	BoxRect = core::rect<s32>(x + 5, y + 5, x + 85, y + 85);
	HueBarRect = core::rect<s32>(x + 90, y + 5, x + 105, y + 132);
	PreviewRect = core::rect<s32>(x + 5, y + 90, x + 85, y + 120);
}

void UIColorPicker::draw()
{
	video::IVideoDriver* driver = Environment->getVideoDriver();
	const core::rect<s32>* clip = &AbsoluteClippingRect;
	const s32 x = AbsoluteRect.UpperLeftCorner.X;
	const s32 y = AbsoluteRect.UpperLeftCorner.Y;

	Environment->getSkin()->draw3DSunkenPane(this, BackgroundColor, true, true, AbsoluteRect, clip);
	IGUIElement::draw();

	// The texture's 129 rows reach one row below the hue bar's hit area.
	if (GradientTexture)
		driver->draw2DImage(GradientTexture, core::position2di(x + 90, y + 5));

	// White to the hue across the top, fading to the black fill toward the bottom.
	driver->draw2DRectangle(BlackColor, BoxRect, clip);
	driver->draw2DRectangle(BoxRect, WhiteColor, HueColor, HueColorClear, HueColorClear, clip);

	// Each marker is a black line between two white ones.
	const s32 hy = y + 5 + HuePos;
	const s32 vy = BoxRect.UpperLeftCorner.Y + BoxY;
	const s32 sx = BoxRect.UpperLeftCorner.X + BoxX;
	auto acrossHueBar = [&](s32 lineY, video::SColor color) {
		driver->draw2DLine(core::position2di(x + 90, lineY), core::position2di(x + 105, lineY), color);
	};
	auto acrossBox = [&](s32 lineY, video::SColor color) {
		driver->draw2DLine(core::position2di(BoxRect.UpperLeftCorner.X, lineY),
			core::position2di(BoxRect.LowerRightCorner.X, lineY), color);
	};
	auto downBox = [&](s32 lineX, video::SColor color) {
		driver->draw2DLine(core::position2di(lineX, BoxRect.UpperLeftCorner.Y),
			core::position2di(lineX, BoxRect.LowerRightCorner.Y), color);
	};
	acrossHueBar(hy - 1, WhiteColor);
	acrossHueBar(hy + 1, WhiteColor);
	acrossBox(vy - 1, WhiteColor);
	acrossBox(vy + 1, WhiteColor);
	downBox(sx - 1, WhiteColor);
	downBox(sx + 1, WhiteColor);
	acrossHueBar(hy, BlackColor);
	acrossBox(vy, BlackColor);
	downBox(sx, BlackColor);

	// The source rectangle is the preview's own screen rectangle, so the 16 x 16 pattern
	// repeats across it aligned to screen coordinates.
	if (AlphaTexture)
		driver->draw2DImage(AlphaTexture, PreviewRect, PreviewRect, 0, 0, false);
	driver->draw2DRectangle(Color, PreviewRect, clip);
}

void UIColorPicker::showColor(const video::SColor& c)
{
	AlphaBar->setPos(c.getAlpha());
	setColor(c);
}
