// Brush section of the side panel: radius and thickness sliders, the round brush, erase brush
// and select tool group, and the mirror toggle.
#include "ui/UIBrushEditor.h"
#include "ui/AssetFiles.h"

#include "app/utils.h"

#include <cmath>

using namespace irr;

namespace
{
// Slider positions run 0 to 100 and map linearly onto these value ranges.
const f32 SLIDER_MAX = 100.f;
const f32 RADIUS_MIN = 1.f;
const f32 RADIUS_MAX = 30.f;
const f32 THICKNESS_MIN = 0.1f;
const f32 THICKNESS_MAX = 1.0f;
}

UIBrushEditor::UIBrushEditor(gui::IGUIEnvironment* environment, gui::IGUIElement* parent, s32 id)
	: gui::IGUIElement(gui::EGUIET_ELEMENT, environment, parent, id, core::rect<s32>(0, 180, 110, 265)),
	  BackgroundColor(0x40FFFFFF), RadiusBar(0), ThicknessBar(0), RoundBrushButton(0), EraseBrushButton(0),
	  SelectToolButton(0), MirrorButton(0), BrushKind(0), Mirror(false)
{
	// Null when "font.bmp" is missing: the labels then use the skin's font.
	gui::IGUIFont* font = loadFont(Environment, "font.bmp");
	video::IVideoDriver* driver = Environment->getVideoDriver();

	// Every child below is owned by this element's child list; rectangles are relative to the editor.
	gui::IGUIStaticText* radiusLabel =
		Environment->addStaticText(L"radius", core::rect<s32>(5, 0, 100, 15), false, false, this, -1, false);
	radiusLabel->setOverrideFont(font);

	RadiusBar = Environment->addScrollBar(true, core::rect<s32>(5, 15, 100, 25), this, -1);
	RadiusBar->setMin(0);
	RadiusBar->setMax(100);
	RadiusBar->setPos(0);

	gui::IGUIStaticText* thicknessLabel =
		Environment->addStaticText(L"thickness", core::rect<s32>(5, 30, 100, 45), false, false, this, -1, false);
	thicknessLabel->setOverrideFont(font);

	ThicknessBar = Environment->addScrollBar(true, core::rect<s32>(5, 45, 100, 55), this, -1);
	ThicknessBar->setMin(0);
	ThicknessBar->setMax(100);
	ThicknessBar->setPos(100);

	// The textures stay in the driver's cache; a missing file leaves the button without an image.
	RoundBrushButton = Environment->addButton(core::rect<s32>(5, 60, 25, 80), this, -1, 0, 0);
	RoundBrushButton->setIsPushButton(true);
	RoundBrushButton->setImage(loadTexture(driver, "roundBrushUnchecked.png"));
	RoundBrushButton->setPressedImage(loadTexture(driver, "roundBrushChecked.png"));
	RoundBrushButton->setPressed(true);

	EraseBrushButton = Environment->addButton(core::rect<s32>(30, 60, 50, 80), this, -1, 0, 0);
	EraseBrushButton->setIsPushButton(true);
	EraseBrushButton->setImage(loadTexture(driver, "eraseBrushUnchecked.png"));
	EraseBrushButton->setPressedImage(loadTexture(driver, "eraseBrushChecked.png"));

	SelectToolButton = Environment->addButton(core::rect<s32>(55, 60, 75, 80), this, -1, 0, 0);
	SelectToolButton->setIsPushButton(true);
	SelectToolButton->setImage(loadTexture(driver, "selectToolUnchecked.png"));
	SelectToolButton->setPressedImage(loadTexture(driver, "selectToolChecked.png"));

	MirrorButton = Environment->addButton(core::rect<s32>(80, 60, 100, 80), this, -1, 0, 0);
	MirrorButton->setIsPushButton(true);
	MirrorButton->setImage(loadTexture(driver, "mirrorUnchecked.png"));
	MirrorButton->setPressedImage(loadTexture(driver, "mirrorChecked.png"));
}

UIBrushEditor::~UIBrushEditor()
{
}

bool UIBrushEditor::OnEvent(const SEvent& event)
{
	if (event.EventType == EET_GUI_EVENT && event.GUIEvent.EventType == gui::EGET_BUTTON_CLICKED)
	{
		// A button takes the focus when it is pressed: without it, the release that toggled it
		// came from a press elsewhere (a drag that ended here). Undo the toggle, change nothing.
		const bool focused = Environment->getFocus() == event.GUIEvent.Caller;
		if (event.GUIEvent.Caller == MirrorButton)
			setMirror(focused ? MirrorButton->isPressed() : Mirror);
		else if (!focused)
			selectBrush(BrushKind);
		else if (event.GUIEvent.Caller == RoundBrushButton)
			selectBrush(0);
		else if (event.GUIEvent.Caller == EraseBrushButton)
			selectBrush(1);
		else if (event.GUIEvent.Caller == SelectToolButton)
			selectBrush(2);
	}
	return false;
}

void UIBrushEditor::selectBrush(s32 kind)
{
	// The engine has already toggled the clicked push button; restore the radio group.
	RoundBrushButton->setPressed(kind == 0);
	EraseBrushButton->setPressed(kind == 1);
	SelectToolButton->setPressed(kind == 2);
	BrushKind = kind;
}

void UIBrushEditor::setMirror(bool on)
{
	MirrorButton->setPressed(on);
	Mirror = on;
}

f32 UIBrushEditor::getRadius() const
{
	return utils_remap((f32)RadiusBar->getPos(), 0.f, SLIDER_MAX, RADIUS_MIN, RADIUS_MAX);
}

f32 UIBrushEditor::getThickness() const
{
	return utils_remap((f32)ThicknessBar->getPos(), 0.f, SLIDER_MAX, THICKNESS_MIN, THICKNESS_MAX);
}

// The slider position (0 to SLIDER_MAX) whose value is nearest to value.
static s32 nearestPosition(f32 value, f32 low, f32 high)
{
	s32 best = 0;
	for (s32 p = 1; p <= (s32)SLIDER_MAX; ++p)
		if (std::fabs(utils_remap((f32)p, 0.f, SLIDER_MAX, low, high) - value)
			< std::fabs(utils_remap((f32)best, 0.f, SLIDER_MAX, low, high) - value))
			best = p;
	return best;
}

void UIBrushEditor::setRadius(f32 radius)
{
	RadiusBar->setPos(nearestPosition(radius, RADIUS_MIN, RADIUS_MAX));
}

void UIBrushEditor::setThickness(f32 thickness)
{
	ThicknessBar->setPos(nearestPosition(thickness, THICKNESS_MIN, THICKNESS_MAX));
}

void UIBrushEditor::draw()
{
	Environment->getSkin()->draw3DSunkenPane(this, BackgroundColor, true, true, AbsoluteRect, &AbsoluteClippingRect);
	IGUIElement::draw();
}
