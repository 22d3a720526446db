#include "app/device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using namespace irr;

static std::vector<std::pair<int, int>> attempts;
static size_t succeedAt;

// Records each request; "succeeds" (with a NULL device) at attempt number succeedAt.
static IrrlichtDevice* fakeCreate(const SIrrlichtCreationParameters& p)
{
	attempts.push_back(std::make_pair((int)p.ZBufferBits, (int)p.AntiAlias));
	if (attempts.size() != succeedAt)
		return nullptr;
	SIrrlichtCreationParameters null(p);
	null.DriverType = video::EDT_NULL;
	null.LoggingLevel = ELL_NONE;
	null.EventReceiver = nullptr;
	return createDeviceEx(null);
}

TEST(DeviceCreation, AsksForTheProgramsWindow)
{
	IEventReceiver* receiver = reinterpret_cast<IEventReceiver*>(0x1);
	const SIrrlichtCreationParameters p = vantrelCreationParameters(receiver);
	EXPECT_EQ(p.DriverType, video::EDT_OPENGL);
	EXPECT_EQ(p.WindowSize, core::dimension2du(800, 600));
#if defined(_WIN32)
	// WGL offers multisampling with 24 bits; asked for 128, the engine quietly takes a format without it.
	EXPECT_EQ(p.ZBufferBits, 24);
#else
	EXPECT_EQ(p.ZBufferBits, 128);
#endif
	EXPECT_EQ(p.AntiAlias, 4);
	EXPECT_EQ(p.Bits, 16);
	EXPECT_FALSE(p.Vsync);
	EXPECT_FALSE(p.Fullscreen);
	EXPECT_TRUE(p.Doublebuffer);
	EXPECT_FALSE(p.WithAlphaChannel);
	EXPECT_TRUE(p.UsePerformanceTimer);
	EXPECT_EQ(p.EventReceiver, receiver);
}

TEST(DeviceCreation, FallsBackToSmallerDepthBuffersThenWithoutAntiAliasing)
{
	const SIrrlichtCreationParameters p = vantrelCreationParameters(nullptr);
	attempts.clear();
	succeedAt = 100;
	EXPECT_EQ(createDeviceWithFallback(p, fakeCreate), nullptr);
#if defined(_WIN32)
	const std::vector<std::pair<int, int>> expected = {{24, 4}, {16, 4}, {24, 0}, {16, 0}};
#else
	const std::vector<std::pair<int, int>> expected = {{128, 4}, {24, 4}, {16, 4}, {128, 0}, {24, 0}, {16, 0}};
#endif
	EXPECT_EQ(attempts, expected);

	attempts.clear();
	succeedAt = 2;
	IrrlichtDevice* device = createDeviceWithFallback(p, fakeCreate);
	ASSERT_NE(device, nullptr);
	EXPECT_EQ(attempts.size(), 2u); // stops at the first device it gets
	device->drop();
}

// Logs as the engine does while it tries a window, then fails, or succeeds at succeedAt.
static IrrlichtDevice* noisyCreate(const SIrrlichtCreationParameters& p)
{
	SEvent line;
	line.EventType = EET_LOG_TEXT_EVENT;
	line.LogEvent.Level = ELL_ERROR;
	line.LogEvent.Text = "Fatal error, could not get visual.";
	EXPECT_TRUE(p.EventReceiver->OnEvent(line)); // held back, not printed
	attempts.push_back(std::make_pair((int)p.ZBufferBits, (int)p.AntiAlias));
	if (attempts.size() != succeedAt)
		return nullptr;
	// A NULL device logging its start-up as the engine does, to the attempt's receiver.
	SIrrlichtCreationParameters null(p);
	null.DriverType = video::EDT_NULL;
	return createDeviceEx(null);
}

// Counts the engine's log lines that reach the program's receiver.
struct LogCount : public IEventReceiver
{
	bool OnEvent(const SEvent& event) override
	{
		if (event.EventType == EET_LOG_TEXT_EVENT)
			Lines.push_back(event.LogEvent.Text);
		return true;
	}
	std::vector<std::string> Lines;
};

TEST(DeviceCreation, FailedAttemptsStayQuietAndTheLastErrorIsKept)
{
	LogCount receiver;
	const SIrrlichtCreationParameters p = vantrelCreationParameters(&receiver);
	attempts.clear();
	succeedAt = 100;
	std::string failure;
	EXPECT_EQ(createDeviceWithFallback(p, noisyCreate, &failure), nullptr);
	EXPECT_EQ(failure, "Fatal error, could not get visual.");
	EXPECT_TRUE(receiver.Lines.empty());

	attempts.clear();
	succeedAt = 2;
	failure.clear();
	IrrlichtDevice* device = createDeviceWithFallback(p, noisyCreate, &failure);
	ASSERT_NE(device, nullptr);
	EXPECT_TRUE(failure.empty());
	// The working attempt's lines go on to the program's receiver, the failed one's not.
	ASSERT_GE(receiver.Lines.size(), 2u);
	EXPECT_EQ(receiver.Lines[0], "Fatal error, could not get visual."); // the working attempt's own
	EXPECT_EQ(std::count(receiver.Lines.begin(), receiver.Lines.end(), "Fatal error, could not get visual."), 1);
	EXPECT_NE(receiver.Lines[1].find("Irrlicht Engine version"), std::string::npos);
	const size_t before = receiver.Lines.size();
	device->getLogger()->log("later", ELL_ERROR);
	EXPECT_EQ(receiver.Lines.size(), before + 1);
	device->drop();
}
