#include "Fixture.h"

#include <gif_lib.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace irr;

// Runs each test in a fresh working directory, where the recording writes "vantrel.gif".
class GifRecordingTest : public WorkspaceTest
{
protected:
	void SetUp() override
	{
		char pattern[] = "/tmp/vantrel-gif-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		Directory = pattern;
		ASSERT_NE(getcwd(Previous, sizeof(Previous)), nullptr);
		ASSERT_EQ(chdir(Directory.c_str()), 0);
		WorkspaceTest::SetUp();
	}
	void TearDown() override
	{
		WorkspaceTest::TearDown();
		ASSERT_EQ(chdir(Previous), 0);
		std::remove((Directory + "/vantrel.gif").c_str());
		rmdir((Directory + "/vantrel.gif").c_str());
		rmdir(Directory.c_str());
	}

	//! An A8R8G8B8 screenshot stand-in filled with one colour.
	video::IImage* screenshot(u32 argb, u32 width = 800, u32 height = 600)
	{
		video::IImage* image =
			Device->getVideoDriver()->createImage(video::ECF_A8R8G8B8, core::dimension2du(width, height));
		u32* pixels = static_cast<u32*>(image->lock());
		for (u32 i = 0; i < width * height; ++i)
			pixels[i] = argb;
		image->unlock();
		return image;
	}

	std::string Directory;
	char Previous[4096];
};

TEST_F(GifRecordingTest, StartHidesTheAnchorAndWaitsForAFreshFrame)
{
	Application->FrameDelta = 0.5f;
	Application->startGifRecording();
	EXPECT_TRUE(Application->RecordingGif);
	EXPECT_FALSE(Application->AnchorNode->isVisible());
	// The picture on screen predates the recording: moves before the next frame take nothing.
	Application->captureGifFrame();
	Application->captureGifFrame();
	EXPECT_EQ(Application->GifFramesCaptured, 0);
}

TEST_F(GifRecordingTest, CapturesOncePerIntervalOfFrameTime)
{
	Application->startGifRecording();
	Application->FrameDelta = 0.005f; // shorter than 1/120 s: every second move captures
	for (int i = 0; i < 6; ++i)
		Application->captureGifFrame();
	EXPECT_EQ(Application->GifFramesCaptured, 3);
	Application->FrameDelta = 0.02f; // longer: every move captures
	Application->captureGifFrame();
	EXPECT_EQ(Application->GifFramesCaptured, 4);
}

TEST_F(GifRecordingTest, ThirtiethCaptureWritesTheFileAndLaterMovesAddNothing)
{
	Application->startGifRecording();
	Application->FrameDelta = 0.02f;
	for (int i = 0; i < 29; ++i)
		Application->captureGifFrame();
	EXPECT_TRUE(Application->RecordingGif);
	Application->captureGifFrame();
	EXPECT_FALSE(Application->RecordingGif);
	EXPECT_EQ(Application->GifFramesCaptured, 0);
	for (u32 i = 0; i < 30; ++i)
		EXPECT_EQ(Application->GifFrames[i], nullptr);
	struct stat info;
	EXPECT_EQ(stat("vantrel.gif", &info), 0);
}

TEST_F(GifRecordingTest, ScreenshotsBecomeFramesAndOddOnesAreSkipped)
{
	Application->startGifRecording();
	Application->GifFrames[0] = screenshot(0xFF102030);
	Application->GifFrames[1] = nullptr;               // the driver gave no screenshot
	Application->GifFrames[2] = screenshot(0xFFFFFFFF, 640, 480); // the window was another size
	Application->GifFrames[3] = screenshot(0xFF405060);
	Application->GifFramesCaptured = 4;
	Application->writeGif();
	EXPECT_FALSE(Application->RecordingGif);
	for (u32 i = 0; i < 30; ++i)
		EXPECT_EQ(Application->GifFrames[i], nullptr);

	int error = 0;
	GifFileType* gif = DGifOpenFileName("vantrel.gif", &error);
	ASSERT_NE(gif, nullptr) << GifErrorString(error);
	ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
	EXPECT_EQ(gif->SWidth, 800);
	EXPECT_EQ(gif->SHeight, 600);
	ASSERT_EQ(gif->ImageCount, 2);
	const ColorMapObject* map = gif->SavedImages[0].ImageDesc.ColorMap;
	const GifColorType first = map->Colors[gif->SavedImages[0].RasterBits[0]];
	EXPECT_EQ(first.Red, 0x10);
	EXPECT_EQ(first.Green, 0x20);
	EXPECT_EQ(first.Blue, 0x30);
	const GifColorType second = gif->SavedImages[1].ImageDesc.ColorMap->Colors[gif->SavedImages[1].RasterBits[0]];
	EXPECT_EQ(second.Red, 0x40);
	EXPECT_EQ(second.Blue, 0x60);
	DGifCloseFile(gif, &error);
}

TEST_F(GifRecordingTest, PressAndReleaseWithoutMovingWritesAnEmptyAnimation)
{
	Application->startGifRecording();
	Application->onMousePress(core::position2di(300, 300), 0);
	Application->onMouseRelease();
	EXPECT_FALSE(Application->RecordingGif);
	EXPECT_TRUE(Application->AnchorNode->isVisible()); // hidden for the recording only
	// giflib refuses files without images, so read the bytes: header, screen descriptor,
	// global colour table, loop extension, trailer.
	FILE* file = std::fopen("vantrel.gif", "rb");
	ASSERT_NE(file, nullptr);
	unsigned char bytes[64];
	const size_t size = std::fread(bytes, 1, sizeof(bytes), file);
	std::fclose(file);
	ASSERT_EQ(size, 6u + 7 + 6 + 19 + 1);
	EXPECT_EQ(std::string((const char*)bytes, 6), "GIF89a");
	EXPECT_EQ(bytes[6] | bytes[7] << 8, 800);
	EXPECT_EQ(bytes[8] | bytes[9] << 8, 600);
	EXPECT_EQ(std::string((const char*)bytes + 22, 11), "NETSCAPE2.0");
	EXPECT_EQ(bytes[size - 1], 0x3B);
}

TEST_F(GifRecordingTest, UnwritableFileStillReturnsToIdleAndReleasesScreenshots)
{
	ASSERT_EQ(mkdir("vantrel.gif", 0755), 0); // a directory where the file should go
	Application->startGifRecording();
	Application->GifFrames[0] = screenshot(0xFF102030);
	Application->GifFramesCaptured = 1;
	Application->writeGif();
	EXPECT_FALSE(Application->RecordingGif);
	EXPECT_EQ(Application->GifFrames[0], nullptr);
	struct stat info;
	ASSERT_EQ(stat("vantrel.gif", &info), 0);
	EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(GifRecordingTest, KeptFrameIsOnlyForOpenGLAndGoesWithTheRecording)
{
	// Outside a recording, and on drivers that have their own screenshots, nothing is kept.
	Application->keepDrawnFrame();
	EXPECT_EQ(Application->LastDrawnFrame, nullptr);
	Application->startGifRecording();
	Application->keepDrawnFrame();
	EXPECT_EQ(Application->LastDrawnFrame, nullptr);

	// A kept frame (as OpenGL leaves one) is given back when the recording is written.
	video::IImage* kept = screenshot(0xFF405060);
	kept->grab();
	Application->LastDrawnFrame = kept;
	Application->writeGif();
	EXPECT_EQ(Application->LastDrawnFrame, nullptr);
	EXPECT_EQ(kept->getReferenceCount(), 1);
	kept->drop();
}
