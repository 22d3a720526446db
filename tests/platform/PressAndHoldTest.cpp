// The tablet pen's press-and-hold switch on a real window: the property is set to 1 to turn
// the gesture off and removed to turn it back on, and a call that cannot do that says so.
#include <gtest/gtest.h>

#include "platform/platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace
{

const char* const PEN_PROPERTY = "MicrosoftTabletPenServiceProperty";

class PressAndHold : public ::testing::Test
{
protected:
	void SetUp() override
	{
		// A message-only window: a real window handle with properties, never shown.
		Window = CreateWindowA("STATIC", "press-and-hold", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
			GetModuleHandleA(nullptr), nullptr);
		ASSERT_NE(Window, nullptr);
	}
	void TearDown() override
	{
		if (Window)
			DestroyWindow(Window);
	}
	ULONG_PTR property() const
	{
		return reinterpret_cast<ULONG_PTR>(GetPropA(Window, PEN_PROPERTY));
	}

	HWND Window = nullptr;
};

} // namespace

TEST_F(PressAndHold, DisablingSetsThePropertyToOneAndEnablingRemovesIt)
{
	ASSERT_EQ(property(), 0u);
	EXPECT_TRUE(platform::setPressAndHold(Window, false));
	EXPECT_EQ(property(), 1u);
	EXPECT_TRUE(platform::setPressAndHold(Window, true));
	EXPECT_EQ(property(), 0u);
	// Nothing left to remove.
	EXPECT_FALSE(platform::setPressAndHold(Window, true));
}

TEST_F(PressAndHold, ReportsAWindowThatIsGone)
{
	HWND gone = Window;
	DestroyWindow(Window);
	Window = nullptr;
	EXPECT_FALSE(platform::setPressAndHold(gone, false));
}
