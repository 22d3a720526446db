// The side panel: builds the colour picker, the brush editor, the smoothing slider, the
// file chooser and the "Turntable" and "RecordGif" buttons, and switches between itself and the recording warning while a
// recording is requested.
#include "ui/UIPanel.h"
#include "ui/AssetFiles.h"

#include "ui/UIBrushEditor.h"
#include "ui/UIColorPicker.h"
#include "ui/UIFileChooser.h"
#include "ui/UINote.h"

using namespace irr;

UIPanel::UIPanel(gui::IGUIEnvironment* environment, gui::IGUIElement* parent, s32 id)
	: gui::IGUIElement(gui::EGUIET_ELEMENT, environment, parent, id, core::rect<s32>(0, 0, PANEL_WIDTH, 600)),
	  ColorPicker(0), BrushEditor(0), RecordGifButton(0), TurntableButton(0), GifWarningImage(0), Note(0), Files(0), SmoothingBar(0),
	  BackgroundColor(0x40FFFFFF), RecordingRequested(false), TurntableRequested(false)
{
	// Null when "font.bmp" is missing: the button then uses the skin's font.
	gui::IGUIFont* font = loadFont(Environment, "font.bmp");

	// The panel keeps the reference from new and drops it in its destructor; the child list holds another.
	ColorPicker = new UIColorPicker(Environment, this, 0);
	BrushEditor = new UIBrushEditor(Environment, this, 0);

	RecordGifButton = Environment->addButton(core::rect<s32>(5, 575, 105, 595), this, -1, L"RecordGif", 0);
	RecordGifButton->setOverrideFont(font);
	TurntableButton = Environment->addButton(core::rect<s32>(5, 550, 105, 570), this, -1, L"Turntable", 0);
	TurntableButton->setOverrideFont(font);

	// Below the brush editor: how far the drawn path trails the pointer, in pixels. Children
	// of the panel; the GUI tree owns them.
	gui::IGUIStaticText* smoothingLabel =
		Environment->addStaticText(L"smoothing", core::rect<s32>(5, 270, 100, 285), false, false, this, -1, false);
	smoothingLabel->setOverrideFont(font);
	SmoothingBar = Environment->addScrollBar(true, core::rect<s32>(5, 285, 100, 295), this, -1);
	SmoothingBar->setMin(0);
	SmoothingBar->setMax(100);
	SmoothingBar->setPos(0);

	Files = new UIFileChooser(Environment, this, -1);
	Files->drop(); // the panel's child list holds the only reference

	// A child of the GUI root, not of the panel, so it stays at window position (300, 200)
	// and shows while the panel is hidden. A missing file leaves the image empty.
	video::ITexture* warning = loadTexture(Environment->getVideoDriver(), "gifWarning.png");
	GifWarningImage = Environment->addImage(warning, core::position2di(300, 200), true,
		Environment->getRootGUIElement(), -1, 0);
	GifWarningImage->setVisible(false);

	// The GUI root owns the note after the drop.
	Note = new UINote(Environment, Environment->getRootGUIElement(), -1);
	Note->drop();
}

UIPanel::~UIPanel()
{
	ColorPicker->drop();
	BrushEditor->drop();
}

bool UIPanel::OnEvent(const SEvent& event)
{
	// Events of the widgets stop here: nothing is passed further up.
	if (event.EventType == EET_GUI_EVENT && event.GUIEvent.EventType == gui::EGET_BUTTON_CLICKED &&
		event.GUIEvent.Caller == RecordGifButton)
		requestRecording();
	if (event.EventType == EET_GUI_EVENT && event.GUIEvent.EventType == gui::EGET_BUTTON_CLICKED &&
		event.GUIEvent.Caller == TurntableButton)
		requestTurntable();
	return false;
}

void UIPanel::draw()
{
	if (!isVisible())
		return;
	Environment->getSkin()->draw3DSunkenPane(this, BackgroundColor, true, true, AbsoluteRect, &AbsoluteClippingRect);
	IGUIElement::draw();
}

void UIPanel::requestRecording()
{
	// Hidden until the recording press is released, so the recorded frames never show the panel.
	setVisible(false);
	GifWarningImage->setVisible(true);
	RecordingRequested = true;
}

bool UIPanel::isRecordingRequested() const
{
	return RecordingRequested;
}

void UIPanel::hideRecordingWarning()
{
	GifWarningImage->setVisible(false);
}

void UIPanel::endRecordingRequest()
{
	setVisible(true);
	GifWarningImage->setVisible(false);
	RecordingRequested = false;
	TurntableRequested = false;
}

void UIPanel::requestTurntable()
{
	// Hidden like for a recording, so that the view is all the frames show.
	setVisible(false);
	RecordingRequested = true;
	TurntableRequested = true;
}

bool UIPanel::takeTurntableRequest()
{
	const bool requested = TurntableRequested;
	TurntableRequested = false;
	return requested;
}
