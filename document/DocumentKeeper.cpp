// Saving, opening and autosaving the drawing, driven by keys, the panel and the frame loop.
#include "document/DocumentKeeper.h"
#include "document/DocumentScene.h"
#include "document/GlbFile.h"
#include "ui/UIFileChooser.h"
#include "ui/UINote.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

using namespace irr;
namespace fs = std::filesystem;

const char* const DEFAULT_DOCUMENT_FILE = "vantrel.glb";
const char* const AUTOSAVE_FILE = "vantrel-autosave.glb";

DocumentKeeper::DocumentKeeper(App& app, UIPanel* panel)
	: SavePath(DEFAULT_DOCUMENT_FILE), AutosavePath(AUTOSAVE_FILE), AutosaveDelayMs(1000), Application(app),
	  Panel(panel), AutosavedRevision(app.Revision), ChangeTime(0), ChangePending(false)
{
}

void DocumentKeeper::note(const std::string& text)
{
	if (Panel)
		Panel->Note->show(text.c_str());
	else
		std::fprintf(stderr, "%s\n", text.c_str());
}

void DocumentKeeper::save()
{
	WriteJob job;
	job.Drawing = captureDocument(Application);
	job.Path = SavePath;
	Writer.submit(std::move(job));
}

void DocumentKeeper::autosave()
{
	WriteJob job;
	job.Drawing = captureDocument(Application);
	job.Path = AutosavePath;
	job.Autosave = true;
	Writer.submit(std::move(job));
	AutosavedRevision = Application.Revision;
	ChangePending = false;
}

static std::string strokes(size_t n)
{
	return std::to_string(n) + (n == 1 ? " stroke" : " strokes");
}

static bool sameFile(const std::string& a, const std::string& b)
{
	std::error_code ec;
	return fs::equivalent(a, b, ec) || fs::absolute(a, ec).lexically_normal() == fs::absolute(b, ec).lexically_normal();
}

bool DocumentKeeper::open(const std::string& path)
{
	Document drawing;
	std::string error;
	// Read first: the autosave below may be the very file being opened.
	if (!loadGlbFile(path, drawing, error))
	{
		note(error);
		return false;
	}
	// The drawing on screen is replaced: keep it in the autosave unless nothing ever happened to it.
	if (Application.Revision != 0)
		autosave();
	restoreDocument(Application, drawing);
	if (Panel)
		showDocumentSettings(*Panel, drawing);
	// Saving over the autosave would let the next autosave overwrite the user's save.
	SavePath = sameFile(path, AutosavePath) ? DEFAULT_DOCUMENT_FILE : path;
	note("opened " + path + ": " + strokes(drawing.Strokes.size()));
	return true;
}

void DocumentKeeper::chooseFile()
{
	if (!Panel)
		return;
	std::vector<std::string> names;
	std::error_code ec;
	for (fs::directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec))
	{
		std::string extension = it->path().extension().string();
		std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return (char)std::tolower(c); });
		std::error_code typeError;
		if (extension == ".glb" && it->is_regular_file(typeError))
			names.push_back(it->path().filename().string());
	}
	std::sort(names.begin(), names.end());
	if (names.empty())
	{
		note("no .glb drawings to open in " + fs::current_path(ec).string());
		return;
	}
	Panel->Files->showFiles(names);
}

void DocumentKeeper::closeFileList()
{
	if (Panel)
		Panel->Files->hideFiles();
}

void DocumentKeeper::report(const WriteResult& result)
{
	std::error_code ec;
	const std::string where = fs::absolute(result.Path, ec).lexically_normal().string();
	if (result.Autosave)
	{
		// Autosaves succeed quietly; a failure is told once until it changes.
		if (!result.Ok && result.Error != LastAutosaveError)
			note("autosave failed: " + result.Error);
		LastAutosaveError = result.Ok ? std::string() : result.Error;
		return;
	}
	if (result.Ok)
		note("saved " + strokes(result.StrokeCount) + " to " + where);
	else
		note("could not save " + result.Path + ": " + result.Error);
}

void DocumentKeeper::update(u32 nowMs)
{
	if (Panel)
	{
		UIFileChooser* files = Panel->Files;
		if (files->SaveRequested)
		{
			files->SaveRequested = false;
			save();
		}
		if (files->ListRequested)
		{
			files->ListRequested = false;
			chooseFile();
		}
		if (!files->ChosenFile.empty())
		{
			const std::string chosen = files->ChosenFile;
			files->ChosenFile.clear();
			open(chosen);
		}
	}

	if (Application.Revision != AutosavedRevision && !ChangePending)
	{
		ChangePending = true;
		ChangeTime = nowMs;
	}
	// Unsigned difference: a timer wrap still gives the elapsed time.
	if (ChangePending && (u32)(nowMs - ChangeTime) >= AutosaveDelayMs)
		autosave();

	WriteResult result;
	while (Writer.poll(result))
		report(result);
}

void DocumentKeeper::finish()
{
	if (Application.Revision != 0)
		autosave();
	waitForWrites();
}

void DocumentKeeper::waitForWrites()
{
	Writer.waitIdle();
	WriteResult result;
	while (Writer.poll(result))
		report(result);
}

bool DocumentKeeper::isBusy() const
{
	return ChangePending || Writer.isBusy();
}
