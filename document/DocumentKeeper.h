// Keeps the drawing on disk: Ctrl+S and "Save", Ctrl+O and "Open", opening a file named on
// the command line, and the autosave a few seconds after each change and at exit. Files
// are written by a worker thread from a record of the drawing; this class runs on the main
// thread and is polled by the frame loop.
#pragma once
#include "document/DocumentWriter.h"

#include <irrlicht.h>

#include <string>

class App;
class UIPanel;

//! Where the first Ctrl+S writes, in the working directory.
extern const char* const DEFAULT_DOCUMENT_FILE;
//! Where the autosave writes, in the working directory. Nothing ever opens it by itself.
extern const char* const AUTOSAVE_FILE;

class DocumentKeeper
{
public:
	//! panel may be null (no notes on screen, no file list); both must outlive finish().
	DocumentKeeper(App& app, UIPanel* panel);

	//! Writes the drawing to SavePath on the worker; the note tells the outcome.
	void save();
	//! Replaces the drawing with the file's, after autosaving the drawing it replaces.
	//! A file that cannot be read leaves the drawing as it is; the note says why.
	bool open(const std::string& path);
	//! Shows the .glb files of the working directory in the panel to choose from.
	void chooseFile();
	void closeFileList();
	//! Every frame: takes up the panel's requests, starts a due autosave and reports
	//! finished writes. nowMs is the engine's timer.
	void update(irr::u32 nowMs);
	//! At exit, while the scene still exists: autosaves a drawing that changed in this run
	//! and waits until every write has finished.
	void finish();
	//! Something is waiting to be written or reported: keep calling update.
	bool isBusy() const;
	//! Blocks until the writes handed to the worker so far are done, and reports them.
	void waitForWrites();

	//! Where Ctrl+S writes: DEFAULT_DOCUMENT_FILE, or the file the drawing was opened from.
	std::string SavePath;
	std::string AutosavePath;
	//! Milliseconds between the first unsaved change and its autosave.
	irr::u32 AutosaveDelayMs;

private:
	void autosave();
	void note(const std::string& text);
	void report(const WriteResult& result);

	App& Application;
	UIPanel* Panel;
	//! The drawing's revision when it was last handed to the autosave.
	irr::u32 AutosavedRevision;
	//! Engine time of the first change not yet autosaved; valid while ChangePending.
	irr::u32 ChangeTime;
	bool ChangePending;
	//! Last autosave failure reported, so a lasting fault is not repeated every second.
	std::string LastAutosaveError;
	//! Last: its destructor finishes the writes still queued before the members above go.
	DocumentWriter Writer;
};
