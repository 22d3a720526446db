// The panel's "Open" and "Save" buttons and the list of drawings in the working directory
// that "Open" (or Ctrl+O) shows in the panel's free area. Like the other widgets it never
// calls the workspace: it raises requests that the document keeper takes up.
#pragma once
#include <irrlicht.h>

#include <string>
#include <vector>

class UIFileChooser : public irr::gui::IGUIElement
{
public:
	UIFileChooser(irr::gui::IGUIEnvironment* environment, irr::gui::IGUIElement* parent, irr::s32 id);

	bool OnEvent(const irr::SEvent& event) override;

	//! Fills the list with file names, selects the first and gives it the keyboard.
	void showFiles(const std::vector<std::string>& names);
	void hideFiles();
	bool isShowingFiles() const;

	irr::gui::IGUIButton* OpenButton;
	irr::gui::IGUIButton* SaveButton;
	irr::gui::IGUIListBox* FileList;
	//! "Save" was clicked.
	bool SaveRequested;
	//! "Open" was clicked while no list was shown: the list should be filled and shown.
	bool ListRequested;
	//! A file of the list was chosen (double click, Enter, or "Open" with a selection).
	std::string ChosenFile;

private:
	void chooseSelected();
	std::vector<std::string> Names;
};
