// "Open" and "Save" buttons and the file list below the brush editor.
#include "ui/UIFileChooser.h"
#include "ui/AssetFiles.h"

using namespace irr;

UIFileChooser::UIFileChooser(gui::IGUIEnvironment* environment, gui::IGUIElement* parent, s32 id)
	// Panel pixels: the list fills (5, 300)-(105, 520) below the smoothing slider, the buttons
	// sit at y 525 to 545.
	: gui::IGUIElement(gui::EGUIET_ELEMENT, environment, parent, id, core::rect<s32>(0, 300, 110, 546)),
	  OpenButton(0), SaveButton(0), FileList(0), SaveRequested(false), ListRequested(false)
{
	gui::IGUIFont* font = loadFont(Environment, "font.bmp");
	// Children of this element; the GUI tree owns them.
	OpenButton = Environment->addButton(core::rect<s32>(5, 225, 53, 245), this, -1, L"Open", 0);
	OpenButton->setOverrideFont(font);
	SaveButton = Environment->addButton(core::rect<s32>(57, 225, 105, 245), this, -1, L"Save", 0);
	SaveButton->setOverrideFont(font);
	FileList = Environment->addListBox(core::rect<s32>(5, 0, 105, 220), this, -1, true);
	FileList->setVisible(false);
}

bool UIFileChooser::OnEvent(const SEvent& event)
{
	if (event.EventType != EET_GUI_EVENT)
		return false;
	const SEvent::SGUIEvent& gui = event.GUIEvent;
	switch (gui.EventType)
	{
	case gui::EGET_BUTTON_CLICKED:
		if (gui.Caller == SaveButton)
			SaveRequested = true;
		else if (gui.Caller == OpenButton)
		{
			if (!isShowingFiles())
				ListRequested = true;
			else if (FileList->getSelected() >= 0)
				chooseSelected();
			else
				hideFiles();
		}
		return true;
	case gui::EGET_LISTBOX_SELECTED_AGAIN:
		if (gui.Caller == FileList)
			chooseSelected();
		return true;
	case gui::EGET_ELEMENT_FOCUS_LOST:
		// Like a pop-up: a click anywhere but on the list or "Open" puts the list away.
		// The focus is moving already, so only the list is hidden here.
		if (gui.Caller == FileList && gui.Element != OpenButton && gui.Element != FileList)
			FileList->setVisible(false);
		return false;
	default:
		return false;
	}
}

void UIFileChooser::showFiles(const std::vector<std::string>& names)
{
	Names = names;
	FileList->clear();
	for (const std::string& name : names)
		FileList->addItem(core::stringw(name.c_str()).c_str());
	FileList->setSelected(names.empty() ? -1 : 0);
	FileList->setVisible(true);
	Environment->setFocus(FileList);
}

void UIFileChooser::hideFiles()
{
	FileList->setVisible(false);
	if (Environment->hasFocus(FileList))
		Environment->removeFocus(FileList);
}

bool UIFileChooser::isShowingFiles() const
{
	return FileList->isVisible();
}

void UIFileChooser::chooseSelected()
{
	const s32 selected = FileList->getSelected();
	if (selected >= 0 && (size_t)selected < Names.size())
		ChosenFile = Names[(size_t)selected];
	hideFiles();
}
