#include "app/device.h"

#include <gtest/gtest.h>

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
	EXPECT_EQ(p.ZBufferBits, 128);
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
	const std::vector<std::pair<int, int>> expected = {{128, 4}, {24, 4}, {16, 4}, {128, 0}, {24, 0}, {16, 0}};
	EXPECT_EQ(attempts, expected);

	attempts.clear();
	succeedAt = 2;
	IrrlichtDevice* device = createDeviceWithFallback(p, fakeCreate);
	ASSERT_NE(device, nullptr);
	EXPECT_EQ(attempts.size(), 2u); // stops at the first device it gets
	device->drop();
}
