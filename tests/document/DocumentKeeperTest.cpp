// Saving, opening and autosaving as the user triggers them: Ctrl+S, Ctrl+O, the panel's
// "Save" and "Open", and the changes that the autosave follows. Files are read back with
// the file reader; the frame loop is stood in for by calls of update with a given time.
#include "DocumentTestSupport.h"
#include "document/DocumentKeeper.h"
#include "document/GlbFile.h"
#include "ui/UIBrushEditor.h"
#include "ui/UIFileChooser.h"
#include "ui/UINote.h"

using namespace irr;

class DocumentKeeperTest : public DocumentTest
{
protected:
	void SetUp() override
	{
		DocumentTest::SetUp();
		Keeper = new DocumentKeeper(*Application, Panel);
		Keeper->SavePath = file("vantrel.glb");
		Keeper->AutosavePath = file("vantrel-autosave.glb");
		Application->Documents = Keeper;
	}
	void TearDown() override
	{
		delete Keeper;
		DocumentTest::TearDown();
	}

	//! A frame at time nowMs, then waits for the writes it started.
	void settle(u32 nowMs)
	{
		Keeper->update(nowMs);
		Keeper->waitForWrites();
	}

	size_t strokesIn(const std::string& path)
	{
		Document d;
		std::string error;
		EXPECT_TRUE(loadGlbFile(path, d, error)) << error;
		return d.Strokes.size();
	}

	void ctrl(EKEY_CODE code)
	{
		keyDown(KEY_LCONTROL);
		tap(code);
		keyUp(KEY_LCONTROL);
	}

	DocumentKeeper* Keeper = nullptr;
};

TEST_F(DocumentKeeperTest, CtrlSSavesAndTheNoteSaysWhereAndHowMany)
{
	drawLine(200, 400, 150);
	drawLine(200, 400, 250);
	ctrl(KEY_KEY_S);
	settle(0);
	EXPECT_EQ(strokesIn(file("vantrel.glb")), 2u);
	EXPECT_TRUE(Panel->Note->isShowing());
	const core::stringw text = Panel->Note->getText();
	EXPECT_NE(text.find(L"saved 2 strokes to "), -1);
	EXPECT_NE(text.find(L"vantrel.glb"), -1);

	// S alone, or with Alt held for navigation, saves nothing.
	std::filesystem::remove(file("vantrel.glb"));
	tap(KEY_KEY_S);
	keyDown(KEY_LMENU);
	ctrl(KEY_KEY_S);
	keyUp(KEY_LMENU);
	settle(0);
	EXPECT_FALSE(std::filesystem::exists(file("vantrel.glb")));
}

TEST_F(DocumentKeeperTest, SaveButtonSavesAndAFailedSaveSaysWhy)
{
	drawLine(200, 400, 150);
	std::filesystem::create_directory(file("vantrel.glb"));
	Panel->Files->SaveRequested = true;
	settle(0);
	const core::stringw text = Panel->Note->getText();
	EXPECT_NE(text.find(L"could not save"), -1);
	EXPECT_NE(text.find(L"is a directory"), -1);
	EXPECT_TRUE(std::filesystem::is_directory(file("vantrel.glb")));
	EXPECT_EQ(Application->Strokes.size(), 1u);
}

TEST_F(DocumentKeeperTest, AutosaveFollowsEveryChangeAfterTheDelay)
{
	settle(0);
	EXPECT_FALSE(std::filesystem::exists(file("vantrel-autosave.glb"))); // nothing changed yet

	drawLine(200, 400, 150); // commit
	Keeper->update(100);
	settle(100 + Keeper->AutosaveDelayMs - 1);
	EXPECT_FALSE(std::filesystem::exists(file("vantrel-autosave.glb")));
	settle(100 + Keeper->AutosaveDelayMs);
	EXPECT_EQ(strokesIn(file("vantrel-autosave.glb")), 1u);

	u32 now = 5000;
	ctrl(KEY_KEY_Z); // undo
	Keeper->update(now);
	settle(now += Keeper->AutosaveDelayMs);
	EXPECT_EQ(strokesIn(file("vantrel-autosave.glb")), 0u);

	keyDown(KEY_LCONTROL);
	keyDown(KEY_LSHIFT);
	tap(KEY_KEY_Z); // redo
	keyUp(KEY_LSHIFT);
	keyUp(KEY_LCONTROL);
	Keeper->update(now += 10);
	settle(now += Keeper->AutosaveDelayMs);
	EXPECT_EQ(strokesIn(file("vantrel-autosave.glb")), 1u);

	Panel->BrushEditor->setRadius(1.f);
	Panel->BrushEditor->setThickness(1.f);
	Panel->BrushEditor->selectBrush(1); // the erase brush, as a click on its button selects it
	drawFrame();
	press(300, 150); // erase
	release(300, 150);
	ASSERT_FALSE(Application->Strokes[0]->isVisible());
	Keeper->update(now += 10);
	settle(now += Keeper->AutosaveDelayMs);
	EXPECT_EQ(strokesIn(file("vantrel-autosave.glb")), 0u);
	EXPECT_FALSE(Keeper->isBusy());
}

TEST_F(DocumentKeeperTest, FinishAutosavesAChangedDrawingOnly)
{
	Keeper->finish();
	EXPECT_FALSE(std::filesystem::exists(file("vantrel-autosave.glb")));
	drawLine(200, 400, 150);
	Keeper->finish();
	EXPECT_EQ(strokesIn(file("vantrel-autosave.glb")), 1u);
}

TEST_F(DocumentKeeperTest, OpenReplacesTheDrawingAfterAutosavingIt)
{
	drawLine(200, 400, 150);
	drawLine(200, 400, 250);
	ctrl(KEY_KEY_S);
	settle(0);
	drawLine(200, 400, 350); // three strokes on screen, two in the file
	ASSERT_EQ(Application->UndoList.size(), 3u);

	ASSERT_TRUE(Keeper->open(file("vantrel.glb")));
	EXPECT_EQ(Application->Strokes.size(), 2u);
	EXPECT_TRUE(Application->UndoList.empty());
	settle(0);
	// The drawing it replaced went to the autosave first.
	EXPECT_EQ(strokesIn(file("vantrel-autosave.glb")), 3u);
	EXPECT_NE(core::stringw(Panel->Note->getText()).find(L"2 strokes"), -1);
	// The opened file is where Ctrl+S writes now.
	EXPECT_EQ(Keeper->SavePath, file("vantrel.glb"));
}

TEST_F(DocumentKeeperTest, ABadFileLeavesTheDrawingAlone)
{
	drawLine(200, 400, 150);
	StrokeNode* stroke = Application->Strokes[0];
	writeBytes(file("random.glb"), std::vector<unsigned char>(1000, 0x5A));
	std::filesystem::create_directory(file("folder.glb"));
	for (const char* name : {"random.glb", "folder.glb", "missing.glb"})
	{
		SCOPED_TRACE(name);
		EXPECT_FALSE(Keeper->open(file(name)));
		ASSERT_EQ(Application->Strokes.size(), 1u);
		EXPECT_EQ(Application->Strokes[0], stroke);
		EXPECT_EQ(Application->UndoList.size(), 1u);
		const core::stringw text = Panel->Note->getText();
		EXPECT_NE(text.find(L"cannot open"), -1);
		EXPECT_NE(text.find(core::stringw(name).c_str()), -1);
	}
	EXPECT_EQ(Keeper->SavePath, file("vantrel.glb"));
}

TEST_F(DocumentKeeperTest, CtrlOListsTheDrawingsAndChoosingOneOpensIt)
{
	// The list shows the .glb files of the working directory, sorted.
	const std::filesystem::path previous = std::filesystem::current_path();
	std::filesystem::current_path(Dir);
	drawLine(200, 400, 150);
	Keeper->SavePath = "b.glb";
	ctrl(KEY_KEY_S);
	settle(0);
	std::filesystem::copy_file("b.glb", "a.glb");
	writeBytes("notes.txt", {'x'});

	ctrl(KEY_KEY_O);
	UIFileChooser* files = Panel->Files;
	ASSERT_TRUE(files->isShowingFiles());
	ASSERT_EQ(files->FileList->getItemCount(), 2u);
	EXPECT_EQ(core::stringw(files->FileList->getListItem(0)), L"a.glb");
	EXPECT_EQ(core::stringw(files->FileList->getListItem(1)), L"b.glb");
	EXPECT_TRUE(Device->getGUIEnvironment()->hasFocus(files->FileList));

	// Down, then Enter: the list box reports the chosen item again, which opens it.
	SEvent down = key(KEY_DOWN, true);
	Device->getGUIEnvironment()->postEventFromUser(down);
	SEvent enter = key(KEY_RETURN, false);
	Device->getGUIEnvironment()->postEventFromUser(enter);
	EXPECT_EQ(files->ChosenFile, "b.glb");
	EXPECT_FALSE(files->isShowingFiles());
	Keeper->update(0);
	EXPECT_EQ(Keeper->SavePath, "b.glb");
	EXPECT_TRUE(Application->UndoList.empty());

	// Escape puts the list away without opening anything.
	ctrl(KEY_KEY_O);
	ASSERT_TRUE(files->isShowingFiles());
	tap(KEY_ESCAPE);
	EXPECT_FALSE(files->isShowingFiles());
	settle(0);
	std::filesystem::current_path(previous);
}
