// The workspace's side of a recording on the NULL device (which gives no pictures): which
// release ends it, the 30-s end, the turntable's camera, cancelling, and an earlier file kept.
#include "Fixture.h"
#include "gif/RecordingWriter.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
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
		rmdir(Directory.c_str());
	}

	//! The writer's next report, waited for.
	std::string nextReport()
	{
		std::string report;
		const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
		while (!Application->GifWriter->takeReport(&report) && std::chrono::steady_clock::now() < deadline)
			std::this_thread::sleep_for(std::chrono::milliseconds(5));
		return report;
	}

	static std::string readFile(const char* name)
	{
		std::ifstream in(name, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	}

	std::string Directory;
	char Previous[4096];
};

TEST_F(GifRecordingTest, OnlyTheRecordingButtonsReleaseEndsIt)
{
	ASSERT_TRUE(Application->AnchorNode->isVisible());
	Application->startGifRecording(0);
	EXPECT_TRUE(Application->isRecording());
	EXPECT_FALSE(Application->AnchorNode->isVisible());
	Application->startGifRecording(1); // a second press starts nothing new
	EXPECT_EQ(Application->RecordingButton, 0);

	Application->stopGifRecording(1); // the right button let go mid-drag
	Application->keepDrawnFrame();
	EXPECT_TRUE(Application->isRecording());
	EXPECT_FALSE(Application->GifRecordingEnded);

	Application->stopGifRecording(0);
	EXPECT_FALSE(Application->isRecording());
	EXPECT_TRUE(Application->GifRecordingEnded);
	EXPECT_TRUE(Application->AnchorNode->isVisible());
}

TEST_F(GifRecordingTest, NoPictureKeepsTheEarlierFileByteForByte)
{
	const std::string earlier = "GIF89a an earlier recording";
	std::ofstream("vantrel.gif", std::ios::binary) << earlier;
	Application->startGifRecording(0);
	for (int i = 0; i < 3; ++i)
		Application->keepDrawnFrame();
	Application->stopGifRecording(0);
	EXPECT_EQ(nextReport(), "vantrel.gif not written: no frame was recorded; the previous file is kept");
	EXPECT_EQ(readFile("vantrel.gif"), earlier);
}

TEST_F(GifRecordingTest, ThirtySecondsEndTheRecordingAsIfReleased)
{
	Application->startGifRecording(0);
	Application->keepDrawnFrame();
	EXPECT_TRUE(Application->isRecording());
	Application->GifClock.StartMs -= MAX_RECORDING_MS; // the press was 30 s ago
	Application->keepDrawnFrame();
	EXPECT_FALSE(Application->isRecording());
	EXPECT_TRUE(Application->GifRecordingEnded);
}

TEST_F(GifRecordingTest, TurntableTurnsAboutTheTargetAndPutsTheCameraBack)
{
	Camera->setPosition(core::vector3df(60, 30, -40));
	Camera->setTarget(core::vector3df(5, 10, 0));
	const core::vector3df position = Camera->getPosition(), target = Camera->getTarget(), up = Camera->getUpVector();
	Application->startTurntable();
	EXPECT_TRUE(Application->isRecording());
	EXPECT_FALSE(Application->AnchorNode->isVisible());
	EXPECT_FALSE(Application->ActiveMarker->isVisible());
	Application->stopGifRecording(0); // a release has nothing to end
	EXPECT_TRUE(Application->isRecording());

	Application->keepDrawnFrame();
	// The next frame's camera: turned about the vertical through the target, same distance and height.
	const core::vector3df turned = Camera->getPosition();
	EXPECT_NEAR((turned - target).getLength(), (position - target).getLength(), 1e-3);
	EXPECT_NEAR(turned.Y, position.Y, 1e-4);
	EXPECT_GT((turned - position).getLength(), 1.f);
	EXPECT_EQ(Camera->getTarget(), target);
	for (int k = 1; k < 74; ++k)
		Application->keepDrawnFrame();
	EXPECT_TRUE(Application->isRecording());
	// The last frame is drawn from the start position itself.
	EXPECT_EQ(Camera->getPosition(), position);
	Application->keepDrawnFrame();
	EXPECT_FALSE(Application->isRecording());
	EXPECT_EQ(Camera->getPosition(), position);
	EXPECT_EQ(Camera->getTarget(), target);
	EXPECT_EQ(Camera->getUpVector(), up);
	EXPECT_TRUE(Application->AnchorNode->isVisible());
	EXPECT_TRUE(Application->ActiveMarker->isVisible());
}

TEST_F(GifRecordingTest, CancelPutsTheCameraBackAndWritesNothing)
{
	const core::vector3df position = Camera->getPosition();
	Application->startTurntable();
	for (int k = 0; k < 10; ++k)
		Application->keepDrawnFrame();
	Application->cancelGifRecording();
	EXPECT_FALSE(Application->isRecording());
	EXPECT_EQ(Camera->getPosition(), position);
	EXPECT_EQ(nextReport(), "recording cancelled: vantrel.gif is unchanged");
	EXPECT_FALSE(std::ifstream("vantrel.gif").good());
}
