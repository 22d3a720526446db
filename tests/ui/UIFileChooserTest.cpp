// The panel's "Open" and "Save" buttons and the file list, driven with the mouse through the
// GUI environment: each raises its request for the document keeper; the list behaves like
// a pop-up.
#include "PanelFixture.h"
#include "ui/UIFileChooser.h"

using namespace irr;

class FileChooserTest : public PanelFixture
{
protected:
	void SetUp() override
	{
		PanelFixture::SetUp();
		Files = Panel->Files;
	}
	UIFileChooser* Files = nullptr;
};

TEST_F(FileChooserTest, ButtonsSitBelowTheBrushEditorAndRaiseRequests)
{
	EXPECT_EQ(Files->OpenButton->getAbsolutePosition(), core::rect<s32>(5, 525, 53, 545));
	EXPECT_EQ(Files->SaveButton->getAbsolutePosition(), core::rect<s32>(57, 525, 105, 545));
	EXPECT_FALSE(Files->isShowingFiles());
	click(81, 535); // "Save"
	EXPECT_TRUE(Files->SaveRequested);
	EXPECT_FALSE(Files->ListRequested);
	click(29, 535); // "Open" with no list shown: asks for the list
	EXPECT_TRUE(Files->ListRequested);
	EXPECT_FALSE(Files->isShowingFiles());
	// The "RecordGif" button below still gets its clicks.
	click(55, 585);
	EXPECT_TRUE(Panel->isRecordingRequested());
}

TEST_F(FileChooserTest, AClickThenOpenChoosesTheFile)
{
	Files->showFiles({"a.glb", "b.glb", "c.glb"});
	ASSERT_TRUE(Files->isShowingFiles());
	EXPECT_EQ(Files->FileList->getAbsolutePosition(), core::rect<s32>(5, 300, 105, 520));
	EXPECT_EQ(Files->FileList->getSelected(), 0);
	// The list box's rows are the skin font's height plus 4 pixels, from the list's top (y 300).
	const s32 itemHeight = Env->getSkin()->getFont()->getDimension(L"A").Height + 4;
	click(50, 300 + itemHeight + itemHeight / 2); // the second row
	EXPECT_EQ(Files->FileList->getSelected(), 1);
	EXPECT_TRUE(Files->ChosenFile.empty());
	click(29, 535); // "Open" with a selection: that file
	EXPECT_EQ(Files->ChosenFile, "b.glb");
	EXPECT_FALSE(Files->isShowingFiles());
	EXPECT_FALSE(Files->ListRequested);
}

TEST_F(FileChooserTest, AClickElsewhereClosesTheList)
{
	Files->showFiles({"a.glb"});
	click(400, 300); // in the view
	EXPECT_FALSE(Files->isShowingFiles());
	EXPECT_TRUE(Files->ChosenFile.empty());

	// An empty list: "Open" only puts it away.
	Files->showFiles({});
	EXPECT_EQ(Files->FileList->getSelected(), -1);
	click(29, 535);
	EXPECT_FALSE(Files->isShowingFiles());
	EXPECT_TRUE(Files->ChosenFile.empty());
}
