// Reads the generated font and images back the way the program does, through the engine's font
// and image loaders on the NULL device, and checks what the panel relies on.
#include <irrlicht.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

using namespace irr;

namespace
{

using ImagePtr = std::unique_ptr<video::IImage, void (*)(video::IImage*)>;

const wchar_t FIRST_PRINTABLE = L' ';
const wchar_t LAST_PRINTABLE = L'~';
const u32 PRINTABLE_COUNT = LAST_PRINTABLE - FIRST_PRINTABLE + 1;

class AssetFixture : public ::testing::Test
{
protected:
	void SetUp() override
	{
		SIrrlichtCreationParameters parameters;
		parameters.DriverType = video::EDT_NULL;
		parameters.LoggingLevel = ELL_NONE;
		Device = createDeviceEx(parameters);
		ASSERT_NE(Device, nullptr);
		Driver = Device->getVideoDriver();
	}

	void TearDown() override
	{
		if (Device)
			Device->drop();
	}

	static io::path assetPath(const char* name)
	{
		return io::path(VANTREL_ASSET_DIR) + "/" + name;
	}

	ImagePtr loadImage(const char* name)
	{
		return ImagePtr(Driver->createImageFromFile(assetPath(name)), [](video::IImage* image) {
			if (image)
				image->drop();
		});
	}

	IrrlichtDevice* Device = nullptr;
	video::IVideoDriver* Driver = nullptr;
};

// [SECTION] font.bmp

class FontAsset : public AssetFixture
{
protected:
	void SetUp() override
	{
		AssetFixture::SetUp();
		gui::IGUIFont* font = Device->getGUIEnvironment()->getFont(assetPath("font.bmp"));
		ASSERT_NE(font, nullptr);
		ASSERT_EQ(font->getType(), gui::EGFT_BITMAP);
		Font = static_cast<gui::IGUIFontBitmap*>(font);
		Bank = Font->getSpriteBank();
		ASSERT_NE(Bank, nullptr);
	}

	//! The glyph box of a character in the font texture, as the loader found it.
	core::recti glyphBox(wchar_t c) const
	{
		const u32 sprite = Font->getSpriteNoFromChar(&c);
		return Bank->getPositions()[Bank->getSprites()[sprite].Frames[0].rectNumber];
	}

	u32 textWidth(const wchar_t* text) const
	{
		return Font->getDimension(text).Width;
	}

	gui::IGUIFontBitmap* Font = nullptr;
	gui::IGUISpriteBank* Bank = nullptr;
};

TEST_F(FontAsset, LoaderFindsAGlyphForEveryPrintableCharacter)
{
	EXPECT_GE(Bank->getPositions().size(), PRINTABLE_COUNT);
	EXPECT_GE(Bank->getSprites().size(), PRINTABLE_COUNT);

	// A character without a box of its own falls back to the space's sprite.
	std::set<u32> sprites;
	for (wchar_t c = FIRST_PRINTABLE; c <= LAST_PRINTABLE; ++c)
	{
		sprites.insert(Font->getSpriteNoFromChar(&c));
		const core::recti box = glyphBox(c);
		EXPECT_GT(box.getWidth(), 0) << "character " << (int)c;
		EXPECT_GT(box.getHeight(), 0) << "character " << (int)c;
	}
	EXPECT_EQ(sprites.size(), PRINTABLE_COUNT);
}

TEST_F(FontAsset, GlyphsShareOneHeight)
{
	const s32 height = glyphBox(L'A').getHeight();
	for (wchar_t c = FIRST_PRINTABLE; c <= LAST_PRINTABLE; ++c)
		EXPECT_EQ(glyphBox(c).getHeight(), height) << "character " << (int)c;
}

TEST_F(FontAsset, TextGrowsWithItsLength)
{
	const core::stringw sentence = L"press and drag";
	u32 previous = 0;
	for (u32 length = 1; length <= sentence.size(); ++length)
	{
		const core::stringw prefix = sentence.subString(0, length);
		const core::dimension2du size = Font->getDimension(prefix.c_str());
		EXPECT_GT(size.Width, previous) << "length " << length;
		EXPECT_EQ(size.Height, Font->getDimension(L"p").Height);
		previous = size.Width;
	}
}

TEST_F(FontAsset, CaptionsFitTheirWidgets)
{
	// Buttons are 100 x 15 pixels and leave a pixel of frame on each side; the labels are 95 x 15.
	for (const wchar_t* caption : { L"SetBackdrop", L"PickColor", L"RecordGif", L"Turntable" })
	{
		EXPECT_LE(textWidth(caption), 96u) << core::stringc(caption).c_str();
		EXPECT_LE(Font->getDimension(caption).Height, 13u) << core::stringc(caption).c_str();
	}
	for (const wchar_t* label : { L"radius", L"thickness" })
	{
		EXPECT_LE(textWidth(label), 95u) << core::stringc(label).c_str();
		EXPECT_LE(Font->getDimension(label).Height, 15u) << core::stringc(label).c_str();
	}
}

TEST_F(FontAsset, VisibleGlyphsHaveDistinctInk)
{
	// Read the file itself: pixel (2,0) is the background, (0,0) and (1,0) the corner markers.
	ImagePtr image = loadImage("font.bmp");
	ASSERT_TRUE(image);
	const video::SColor background = image->getPixel(2, 0);
	const video::SColor upperLeft = image->getPixel(0, 0);
	const video::SColor lowerRight = image->getPixel(1, 0);
	auto isInk = [&](s32 x, s32 y) {
		const video::SColor c = image->getPixel(x, y);
		return c != background && c != upperLeft && c != lowerRight;
	};

	// A glyph's picture: its box width and the ink of its pixels in reading order.
	using Picture = std::pair<s32, std::vector<bool>>;
	std::vector<Picture> pictures;
	for (wchar_t c = FIRST_PRINTABLE; c <= LAST_PRINTABLE; ++c)
	{
		const core::recti box = glyphBox(c);
		Picture picture(box.getWidth(), {});
		u32 ink = 0;
		for (s32 y = box.UpperLeftCorner.Y; y < box.LowerRightCorner.Y; ++y)
			for (s32 x = box.UpperLeftCorner.X; x < box.LowerRightCorner.X; ++x)
			{
				picture.second.push_back(isInk(x, y));
				ink += picture.second.back();
			}
		if (c == L' ')
		{
			EXPECT_EQ(ink, 0u);
			continue;
		}
		EXPECT_GT(ink, 0u) << "character " << (int)c;
		for (size_t i = 0; i < pictures.size(); ++i)
			EXPECT_NE(picture, pictures[i]) << "characters " << (int)c << " and " << (int)(FIRST_PRINTABLE + 1 + i);
		pictures.push_back(picture);
	}
}

// [SECTION] Tool button images

class BrushIcons : public AssetFixture
{
protected:
	//! Pixels whose colour differs by more than a faint shade in any channel.
	static u32 differingPixels(video::IImage* a, video::IImage* b)
	{
		u32 count = 0;
		for (u32 y = 0; y < 20; ++y)
			for (u32 x = 0; x < 20; ++x)
			{
				const video::SColor p = a->getPixel(x, y);
				const video::SColor q = b->getPixel(x, y);
				const s32 diff = core::max_(core::abs_((s32)p.getRed() - (s32)q.getRed()),
						core::abs_((s32)p.getGreen() - (s32)q.getGreen()),
						core::abs_((s32)p.getBlue() - (s32)q.getBlue()));
				count += diff > 48;
			}
		return count;
	}
};

const char* const ICON_NAMES[] = { "roundBrushUnchecked.png", "roundBrushChecked.png",
	"eraseBrushUnchecked.png", "eraseBrushChecked.png", "selectToolUnchecked.png", "selectToolChecked.png",
	"mirrorUnchecked.png", "mirrorChecked.png" };

TEST_F(BrushIcons, AreOpaqueAndSizedLikeTheirButtons)
{
	// The buttons are 20 x 20 and draw their images without the alpha channel.
	for (const char* name : ICON_NAMES)
	{
		ImagePtr image = loadImage(name);
		ASSERT_TRUE(image) << name;
		EXPECT_EQ(image->getDimension(), core::dimension2du(20, 20)) << name;
		u32 translucent = 0;
		for (u32 y = 0; y < 20; ++y)
			for (u32 x = 0; x < 20; ++x)
				translucent += image->getPixel(x, y).getAlpha() != 255;
		EXPECT_EQ(translucent, 0u) << name;
	}
}

TEST_F(BrushIcons, CheckedStateStandsOutFromUnchecked)
{
	// Unchecked and checked image of each button, in ICON_NAMES order.
	std::vector<ImagePtr> icons;
	for (const char* name : ICON_NAMES)
	{
		icons.push_back(loadImage(name));
		ASSERT_TRUE(icons.back()) << name;
	}
	for (int a = 0; a < 4; ++a)
	{
		// Most of the 400 pixels change between the states of one button ...
		EXPECT_GE(differingPixels(icons[2 * a].get(), icons[2 * a + 1].get()), 200u) << ICON_NAMES[2 * a];
		// ... while any two buttons show different symbols in the same state.
		for (int b = a + 1; b < 4; ++b)
			for (int state = 0; state < 2; ++state)
				EXPECT_GE(differingPixels(icons[2 * a + state].get(), icons[2 * b + state].get()), 40u)
					<< ICON_NAMES[2 * a + state] << " and " << ICON_NAMES[2 * b + state];
	}
}

// [SECTION] gifWarning.png

class GifWarning : public AssetFixture
{
};

TEST_F(GifWarning, FitsTheViewAtItsPosition)
{
	// Drawn at its own size with its top-left corner at (300, 200) of the 800 x 600 window.
	ImagePtr image = loadImage("gifWarning.png");
	ASSERT_TRUE(image);
	const core::dimension2du size = image->getDimension();
	EXPECT_GE(size.Width, 300u);
	EXPECT_LE(size.Width, 500u);
	EXPECT_GE(size.Height, 40u);
	EXPECT_LE(size.Height, 400u);
}

TEST_F(GifWarning, ShowsOpaqueTextOnATranslucentBox)
{
	ImagePtr image = loadImage("gifWarning.png");
	ASSERT_TRUE(image);
	ASSERT_EQ(image->getColorFormat(), video::ECF_A8R8G8B8);
	const core::dimension2du size = image->getDimension();

	u32 opaque = 0;
	u32 translucent = 0;
	std::set<u32> colours;
	for (u32 y = 0; y < size.Height; ++y)
		for (u32 x = 0; x < size.Width; ++x)
		{
			const video::SColor c = image->getPixel(x, y);
			colours.insert(c.color);
			opaque += c.getAlpha() == 255;
			translucent += c.getAlpha() > 0 && c.getAlpha() < 255;
		}
	EXPECT_GE(colours.size(), 3u);
	EXPECT_GE(opaque, 500u);                            // the text and the recording dot
	EXPECT_GE(translucent, size.Width * size.Height / 2); // the box lets the view show through
	EXPECT_LT(image->getPixel(0, 0).getAlpha(), 64u);     // rounded corners
}

} // namespace
