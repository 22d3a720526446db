// The side panel: a translucent strip at the left edge holding the colour picker,
// the brush editor, the smoothing slider, the file chooser and the "Turntable" and
// "RecordGif" buttons, plus the recording warning image and the note.
#pragma once
#include <irrlicht.h>

class UIColorPicker;
class UIBrushEditor;
class UINote;
class UIFileChooser;

//! Window columns 0 to PANEL_WIDTH - 1 belong to the panel.
const irr::s32 PANEL_WIDTH = 110;

class UIPanel : public irr::gui::IGUIElement
{
public:
	UIPanel(irr::gui::IGUIEnvironment* environment, irr::gui::IGUIElement* parent, irr::s32 id);
	~UIPanel() override;

	bool OnEvent(const irr::SEvent& event) override;
	void draw() override;

	//! Hides the panel and shows the warning until the next press in the view.
	void requestRecording();
	bool isRecordingRequested() const;
	void hideRecordingWarning();
	//! Shows the panel again and clears the request.
	void endRecordingRequest();
	//! Hides the panel (no warning: there is nothing to drag) for a turntable recording.
	void requestTurntable();
	//! Whether a turntable was asked for since the last call; the panel stays hidden until
	//! endRecordingRequest.
	bool takeTurntableRequest();

	UIColorPicker* ColorPicker;
	UIBrushEditor* BrushEditor;
	irr::gui::IGUIButton* RecordGifButton;
	irr::gui::IGUIButton* TurntableButton;
	irr::gui::IGUIImage* GifWarningImage;
	//! The note at the foot of the view; a child of the GUI root like the warning.
	UINote* Note;
	//! "Open", "Save" and the file list below the smoothing slider; owned by the GUI tree.
	UIFileChooser* Files;
	//! The stabiliser's string length in pixels, 0 (off) to 100; owned by the GUI tree.
	irr::gui::IGUIScrollBar* SmoothingBar;
	irr::video::SColor BackgroundColor;
	bool RecordingRequested;
	bool TurntableRequested;
};
