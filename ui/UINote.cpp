// The note at the foot of the view.
#include "ui/UINote.h"
#include "ui/AssetFiles.h"
#include "ui/UIPanel.h"

#include <cstdio>

using namespace irr;

// Window pixels: the bottom strip of the view, right of the panel.
static const core::rect<s32> NOTE_RECT(PANEL_WIDTH + 6, 572, 794, 594);

UINote::UINote(gui::IGUIEnvironment* environment, gui::IGUIElement* parent, s32 id)
	: gui::IGUIElement(gui::EGUIET_ELEMENT, environment, parent, id, NOTE_RECT), Font(0), HideTime(0)
{
	// Null when "font.bmp" is missing: the note then uses the skin's font.
	Font = loadFont(Environment, "font.bmp");
	setVisible(false);
}

void UINote::show(const char* text)
{
	std::fprintf(stderr, "vantrel: %s\n", text);
	Text = core::stringw(text);
	HideTime = 0;
	setVisible(true);
	// Above any element added later (the warning image, for one).
	if (Parent)
		Parent->bringToFront(this);
}

void UINote::hide()
{
	setVisible(false);
	HideTime = 0;
}

bool UINote::isShowing() const
{
	return IsVisible;
}

void UINote::draw()
{
	if (!IsVisible)
		return;
	Environment->getVideoDriver()->draw2DRectangle(video::SColor(192, 0, 0, 0), AbsoluteRect, &AbsoluteClippingRect);
	gui::IGUIFont* font = Font ? Font : Environment->getSkin()->getFont();
	if (font)
	{
		core::rect<s32> textRect(AbsoluteRect);
		textRect.UpperLeftCorner.X += 6;
		font->draw(Text, textRect, video::SColor(255, 255, 255, 255), false, true, &AbsoluteClippingRect);
	}
}

void UINote::OnPostRender(u32 timeMs)
{
	if (IsVisible)
	{
		if (HideTime == 0)
			HideTime = timeMs + NOTE_DURATION_MS;
		else if ((s32)(timeMs - HideTime) >= 0)
			hide();
	}
	IGUIElement::OnPostRender(timeMs);
}

bool UINote::isPointInside(const core::position2di&) const
{
	return false;
}
