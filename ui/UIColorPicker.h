// Colour picker: saturation/value box, hue bar, preview over a checkerboard, alpha bar,
// and the "SetBackdrop" and "PickColor" buttons.
#pragma once
#include <irrlicht.h>

class UIColorPicker : public irr::gui::IGUIElement
{
public:
	UIColorPicker(irr::gui::IGUIEnvironment* environment, irr::gui::IGUIElement* parent, irr::s32 id);
	~UIColorPicker() override;

	bool OnEvent(const irr::SEvent& event) override;
	void updateAbsolutePosition() override;
	void draw() override;

	//! Places the markers for c and makes it the colour; clears a pick request.
	virtual void setColor(const irr::video::SColor& c);
	virtual const irr::video::SColor& getColor();
	virtual void setBackgroundColor(const irr::video::SColor& c);
	virtual const irr::video::SColor& getBackgroundColor();
	//! Recomputes the colour from the markers and the alpha bar.
	virtual void updateColor();
	virtual void createAlphaTexture();
	virtual void createGradientTexture();

	//! Makes c the colour with its alpha on the alpha bar too (an opened drawing's brush).
	void showColor(const irr::video::SColor& c);

	//! Colour of row (0 to 128) of the hue bar; the same values fill the "gradient" texture.
	static irr::video::SColor hueRowColor(irr::s32 row);

	static const irr::s32 HUE_ROWS = 129;

	bool DraggingHue;
	bool DraggingBox;
	irr::gui::IGUIScrollBar* AlphaBar;
	irr::video::ITexture* AlphaTexture;
	irr::video::ITexture* GradientTexture;
	irr::video::SColor Color;
	irr::video::SColor HueColor;
	irr::video::SColor BackgroundColor;
	irr::video::SColor WhiteColor;
	irr::video::SColor BlackColor;
	irr::video::SColor HueColorClear;
	//! Absolute screen rectangles, recomputed when the widget moves.
	irr::core::rect<irr::s32> BoxRect;
	irr::core::rect<irr::s32> PreviewRect;
	irr::core::rect<irr::s32> HueBarRect;
	irr::s32 BoxX;
	irr::s32 BoxY;
	irr::s32 HuePos;
	irr::gui::IGUIButton* SetBackdropButton;
	irr::gui::IGUIButton* PickColorButton;
	irr::video::SColor BackdropColor;
	bool PickRequested;
};
