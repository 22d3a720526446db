// Brush section of the side panel: radius and thickness sliders, the round brush, erase brush
// and select tool buttons, and the mirror toggle.
#pragma once
#include <irrlicht.h>

class UIBrushEditor : public irr::gui::IGUIElement
{
public:
	UIBrushEditor(irr::gui::IGUIEnvironment* environment, irr::gui::IGUIElement* parent, irr::s32 id);
	~UIBrushEditor() override;

	bool OnEvent(const irr::SEvent& event) override;
	void draw() override;

	//! Makes kind (0 round brush, 1 erase brush, 2 select tool) the chosen tool; the three
	//! buttons act as one radio group.
	void selectBrush(irr::s32 kind);
	//! Turns mirror drawing on or off, and its button with it.
	void setMirror(bool on);
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
	irr::gui::IGUIButton* SelectToolButton;
	irr::gui::IGUIButton* MirrorButton;
	//! 0 round brush, 1 erase brush, 2 select tool.
	irr::s32 BrushKind;
	//! Mirror drawing is on (the mirror button is pressed).
	bool Mirror;
};
