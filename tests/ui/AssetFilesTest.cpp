// Picture files are checked before the engine reads them: headers against file sizes, and
// at most 4096 x 4096 pixels.
#include "ui/AssetFiles.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

using namespace irr;

namespace
{
typedef std::vector<unsigned char> Bytes;

void put32le(Bytes& b, size_t at, u32 v)
{
	for (int i = 0; i < 4; ++i)
		b[at + i] = (unsigned char)(v >> (8 * i));
}

void put32be(Bytes& b, size_t at, u32 v)
{
	for (int i = 0; i < 4; ++i)
		b[at + i] = (unsigned char)(v >> (8 * (3 - i)));
}

//! An uncompressed BMP: 14-byte file header, 40-byte information header, pixel rows padded to
//! four bytes; dataBytes of pixel data follow (fewer than the header claims when cut short).
Bytes bmp(s32 width, s32 height, u32 bitsPerPixel, size_t dataBytes)
{
	Bytes b(54 + dataBytes, 0);
	b[0] = 'B';
	b[1] = 'M';
	put32le(b, 2, (u32)b.size());
	put32le(b, 10, 54);             // pixel data offset
	put32le(b, 14, 40);             // information header size
	put32le(b, 18, (u32)width);
	put32le(b, 22, (u32)height);
	b[26] = 1;                      // planes
	b[28] = (unsigned char)bitsPerPixel;
	return b;
}

//! The first chunks of a PNG: signature, IHDR (8-bit RGBA) and an IEND; no image data.
Bytes pngHeader(u32 width, u32 height)
{
	const unsigned char start[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
	Bytes b(start, start + sizeof(start));
	b.resize(b.size() + 13 + 4 + 12, 0);
	put32be(b, 16, width);
	put32be(b, 20, height);
	b[24] = 8; // bit depth
	b[25] = 6; // RGBA
	const unsigned char iend[] = {'I', 'E', 'N', 'D'};
	std::copy(iend, iend + 4, b.begin() + 33 + 4);
	return b;
}
}

class AssetFilesTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		char pattern[] = "/tmp/vantrel-assets-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		Directory = pattern;
	}
	void TearDown() override
	{
		for (const std::string& f : Files)
			std::remove(f.c_str());
		rmdir(Directory.c_str());
	}
	std::string write(const char* name, const Bytes& bytes)
	{
		const std::string path = Directory + "/" + name;
		FILE* f = std::fopen(path.c_str(), "wb");
		EXPECT_NE(f, nullptr);
		std::fwrite(bytes.data(), 1, bytes.size(), f);
		std::fclose(f);
		Files.push_back(path);
		return path;
	}
	std::string problem(const char* name, const Bytes& bytes) { return assetProblem(write(name, bytes).c_str()); }

	std::string Directory;
	std::vector<std::string> Files;
};

TEST_F(AssetFilesTest, BmpHeadersMustFitTheFile)
{
	EXPECT_EQ(problem("ok.bmp", bmp(2, 2, 24, 16)), ""); // two rows of 6 bytes, padded to 8
	EXPECT_NE(problem("short.bmp", bmp(2, 2, 24, 15)), "");
	// The crash of the engine's loader: 2000 x 2000 pixels claimed in a 64-byte file.
	const std::string claim = problem("claim.bmp", bmp(2000, 2000, 24, 10));
	EXPECT_NE(claim.find("2000 x 2000"), std::string::npos) << claim;
	EXPECT_NE(problem("wide.bmp", bmp(5000, 1, 8, 5000)), "");
	EXPECT_NE(problem("topdown.bmp", bmp(2, -2, 24, 16)), "");
	EXPECT_NE(problem("bits.bmp", bmp(2, 2, 7, 16)), "");
	Bytes notBmp = bmp(2, 2, 24, 16);
	notBmp[0] = 'X';
	EXPECT_NE(problem("notbmp.bmp", notBmp), "");
	EXPECT_NE(assetProblem((Directory + "/absent.bmp").c_str()).find("missing"), std::string::npos);
}

TEST_F(AssetFilesTest, PngHeadersMustBeWholeAndAtMost4096Square)
{
	EXPECT_EQ(problem("ok.png", pngHeader(20, 20)), "");
	EXPECT_EQ(problem("edge.png", pngHeader(4096, 4096)), "");
	const std::string huge = problem("huge.png", pngHeader(10000, 10000));
	EXPECT_NE(huge.find("10000 x 10000"), std::string::npos) << huge;
	EXPECT_NE(problem("tall.png", pngHeader(16, 4097)), "");
	EXPECT_NE(problem("empty.png", pngHeader(0, 16)), "");
	Bytes cut = pngHeader(20, 20);
	cut.resize(20);
	EXPECT_NE(problem("cut.png", cut), "");
}

TEST_F(AssetFilesTest, BadFilesNeverReachTheEngine)
{
	IrrlichtDevice* device = createDevice(video::EDT_NULL, core::dimension2du(800, 600));
	ASSERT_NE(device, nullptr);
	device->getLogger()->setLogLevel(ELL_NONE);
	char previous[4096];
	ASSERT_NE(getcwd(previous, sizeof(previous)), nullptr);
	ASSERT_EQ(chdir(Directory.c_str()), 0);
	// The engine's BMP loader would read the claimed pixels from past the end of the data.
	write("font.bmp", bmp(2000, 2000, 24, 10));
	EXPECT_EQ(loadFont(device->getGUIEnvironment(), "font.bmp"), nullptr);
	EXPECT_EQ(loadTexture(device->getVideoDriver(), "font.bmp"), nullptr);
	EXPECT_EQ(loadTexture(device->getVideoDriver(), "gifWarning.png"), nullptr); // missing
	write("small.bmp", bmp(2, 2, 24, 16));
	EXPECT_NE(loadTexture(device->getVideoDriver(), "small.bmp"), nullptr);
	ASSERT_EQ(chdir(previous), 0);
	device->drop();
}
