// Brush section of the side panel: radius and thickness sliders, round and erase brush buttons.
#pragma once
#include <irrlicht.h>

class UIBrushEditor : public irr::gui::IGUIElement
{
public:
	UIBrushEditor(irr::gui::IGUIEnvironment* environment, irr::gui::IGUIElement* parent, irr::s32 id);
	~UIBrushEditor() override;

	bool OnEvent(const irr::SEvent& event) override;
	void draw() override;

	//! Makes kind (0 round, 1 erase) the selected brush; the two buttons act as a radio pair.
	void selectBrush(irr::s32 kind);
	//! Brush radius in scene units, 1 to 30.
	irr::f32 getRadius() const;
	//! Depth-to-width ratio of the brush, 0.1 to 1.
	irr::f32 getThickness() const;
	//! Moves the sliders to the positions that give the nearest radius and thickness.
	void setRadius(irr::f32 radius);
	void setThickness(irr::f32 thickness);

	irr::video::SColor BackgroundColor;
	irr::gui::IGUIScrollBar* RadiusBar;
	irr::gui::IGUIScrollBar* ThicknessBar;
	irr::gui::IGUIButton* RoundBrushButton;
	irr::gui::IGUIButton* EraseBrushButton;
	//! 0 round brush, 1 erase brush.
	irr::s32 BrushKind;
};
