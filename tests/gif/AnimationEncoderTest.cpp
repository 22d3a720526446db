// Tests of the GIF writer's file layout, its code packing and its failure handling.
#include "gif/AnimationEncoder.h"

#include "GifTestUtils.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif
#include <vector>

namespace
{
	//! The file header for 800 x 600 and a non-zero delay.
	const std::vector<uint8_t> RECORDING_HEADER = {
		'G', 'I', 'F', '8', '9', 'a',
		// Logical Screen Descriptor (7 bytes): 800, 600, global table of 2 entries with 8-bit resolution,
		// background index 0, no aspect ratio.
		0x20, 0x03, 0x58, 0x02, 0xF0, 0x00, 0x00,
		// Global Color Table (2 entries, black)
		0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
		// Application Extension (19 bytes): NETSCAPE2.0, loop count 0 = forever
		0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 0x00, 0x00, 0x00 };

	std::vector<uint8_t> solidFrame(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b)
	{
		std::vector<uint8_t> frame(size_t(width) * height * 4, 255);
		for (size_t i = 0; i < size_t(width) * height; ++i)
		{
			frame[4 * i] = r;
			frame[4 * i + 1] = g;
			frame[4 * i + 2] = b;
		}
		return frame;
	}

	// The failure tests below need POSIX resource limits and /dev/full, which Windows lacks.
#if !defined(_WIN32)
	//! Run in a child process: a file size limit of 1000 bytes makes the writes fail part way, and the
	//! incomplete file must be gone afterwards. Exits with 0 when it is.
	void writeUnderFileSizeLimit(const std::string& name)
	{
		std::signal(SIGXFSZ, SIG_IGN);
		rlimit limit;
		limit.rlim_cur = 1000;
		limit.rlim_max = 1000;
		setrlimit(RLIMIT_FSIZE, &limit);
		AnimationEncoder encoder;
		const bool opened = openAnimation(&encoder, name.c_str(), 64, 64, 1, 8, false);
		const std::vector<uint8_t> frame = giftest::noiseFrame(64, 64, 2);
		addFrame(&encoder, frame.data(), 64, 64, 1, 8, false);
		const bool closed = closeAnimation(&encoder);
		std::exit(opened && !closed && !std::filesystem::exists(name) ? 0 : 1);
	}

#if !defined(__SANITIZE_ADDRESS__)
	//! Run in a child process: with the address space limited to a few MiB above what is in use, a frame
	//! whose working copy does not fit is refused without touching the file, and a size whose
	//! previous-frame buffer does not fit opens nothing. Exits with 0 when all that holds.
	void writeUnderAddressSpaceLimit(const std::string& smallName, const std::string& largeName)
	{
		const uint32_t side = 2000;
		const std::vector<uint8_t> frame = giftest::strokeFrame(side, side, 0);
		AnimationEncoder encoder;
		if (!openAnimation(&encoder, smallName.c_str(), side, side, 1, 8, false))
			std::exit(2);

		// First field of statm: the size of the address space in use, in pages.
		std::ifstream statm("/proc/self/statm");
		size_t pages = 0;
		statm >> pages;
		rlimit limit;
		limit.rlim_cur = pages * size_t(sysconf(_SC_PAGESIZE)) + (8u << 20);
		limit.rlim_max = limit.rlim_cur;
		setrlimit(RLIMIT_AS, &limit);

		const bool added = addFrame(&encoder, frame.data(), side, side, 1, 8, false);
		const bool stillFirst = encoder.IsFirstFrame;
		const bool closed = closeAnimation(&encoder);
		const bool emptyFile = giftest::readFile(smallName).size() == 13u + 6u + 19u + 1u;
		const bool openedLarge = openAnimation(&encoder, largeName.c_str(), 4000, 4000, 1, 8, false);
		const bool noLargeFile = !std::filesystem::exists(largeName);
		std::exit(!added && stillFirst && closed && emptyFile && !openedLarge && noLargeFile ? 0 : 1);
	}
#endif
#endif

	bool isDirectoryWithNothingElse(const std::string& dir, const std::string& onlyEntry)
	{
		size_t entries = 0;
		for (const auto& entry : std::filesystem::directory_iterator(dir))
		{
			if (entry.path().filename() != onlyEntry)
				return false;
			++entries;
		}
		return entries <= 1;
	}
}

TEST(AnimationEncoder, HeaderForTheRecordingSettings)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("out.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 800, 600, 1, 8, false));
	const std::vector<uint8_t> frame = giftest::strokeFrame(800, 600, 0);
	ASSERT_TRUE(addFrame(&encoder, frame.data(), 800, 600, 1, 8, false));
	ASSERT_TRUE(closeAnimation(&encoder));

	const std::vector<uint8_t> bytes = giftest::readFile(name);
	ASSERT_GT(bytes.size(), RECORDING_HEADER.size());
	EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + RECORDING_HEADER.size()), RECORDING_HEADER);

	const size_t at = RECORDING_HEADER.size();
	const std::vector<uint8_t> frameStart = {
		// Graphic Control Extension (8 bytes): disposal 1, transparent flag, delay 1, transparent index 0
		0x21, 0xF9, 0x04, 0x05, 0x01, 0x00, 0x00, 0x00,
		// Image Descriptor (10 bytes): at (0, 0), 800 x 600, local table of 256 entries
		0x2C, 0x00, 0x00, 0x00, 0x00, 0x20, 0x03, 0x58, 0x02, 0x87,
		// Local Color Table entry 0: black
		0x00, 0x00, 0x00 };
	EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + frameStart.size()), frameStart);
	// LZW minimum code size after the 768-byte table.
	EXPECT_EQ(bytes[at + 18 + 768], 8);

	const giftest::GifLayout layout = giftest::parseLayout(bytes);
	ASSERT_TRUE(layout.Valid);
	EXPECT_TRUE(layout.Loops);
	ASSERT_EQ(layout.Images.size(), 1u);
}

TEST(AnimationEncoder, EmptyAnimationHoldsOnlyHeaderAndTrailer)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("empty.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 800, 600, 1, 8, false));
	ASSERT_TRUE(closeAnimation(&encoder));
	std::vector<uint8_t> expected = RECORDING_HEADER;
	// Trailer
	expected.push_back(0x3B);
	EXPECT_EQ(giftest::readFile(name), expected);
}

TEST(AnimationEncoder, ZeroDelayPlaysOnceWithoutLoopExtension)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("once.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 3, 2, 0, 8, false));
	const std::vector<uint8_t> frame = solidFrame(3, 2, 9, 9, 9);
	// The frame's own delay is written as given (low 16 bits).
	ASSERT_TRUE(addFrame(&encoder, frame.data(), 3, 2, 0x12345, 8, false));
	ASSERT_TRUE(closeAnimation(&encoder));

	const std::vector<uint8_t> bytes = giftest::readFile(name);
	const std::vector<uint8_t> header = {
		'G', 'I', 'F', '8', '9', 'a',
		// Logical Screen Descriptor (7 bytes): 3 x 2
		0x03, 0x00, 0x02, 0x00, 0xF0, 0x00, 0x00,
		// Global Color Table (2 entries, black)
		0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
		// Graphic Control Extension follows at once: no Application Extension
		0x21, 0xF9, 0x04, 0x05, 0x45, 0x23 };
	ASSERT_GT(bytes.size(), header.size());
	EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + header.size()), header);
	const giftest::GifLayout layout = giftest::parseLayout(bytes);
	EXPECT_TRUE(layout.Valid);
	EXPECT_FALSE(layout.Loops);
}

TEST(AnimationEncoder, LocalTableSizeFollowsTheDepth)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("depths.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 7, 3, 4, 3, false));
	for (int32_t depth = 1; depth <= 8; ++depth)
	{
		const std::vector<uint8_t> frame = giftest::noiseFrame(7, 3, uint32_t(depth));
		ASSERT_TRUE(addFrame(&encoder, frame.data(), 7, 3, 4, depth, false));
	}
	ASSERT_TRUE(closeAnimation(&encoder));
	const giftest::GifLayout layout = giftest::parseLayout(giftest::readFile(name));
	ASSERT_TRUE(layout.Valid);
	ASSERT_EQ(layout.Images.size(), 8u);
	for (int32_t depth = 1; depth <= 8; ++depth)
	{
		const giftest::ImageBlock& image = layout.Images[size_t(depth - 1)];
		EXPECT_EQ(image.Descriptor[9], 0x80 + depth - 1);
		EXPECT_EQ(image.ColorTable.size(), 3u << depth);
		EXPECT_EQ(image.MinCodeSize, depth);
		EXPECT_EQ(image.ColorTable[0] | image.ColorTable[1] | image.ColorTable[2], 0);
	}
}

TEST(AnimationEncoder, DataStartsWithClearAndEndsWithLastCodeClearAndEnd)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("codes.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 3, 1, 1, 8, false));
	const std::vector<uint8_t> frame = solidFrame(3, 1, 200, 10, 10);
	ASSERT_TRUE(addFrame(&encoder, frame.data(), 3, 1, 1, 8, false));
	const uint32_t index = encoder.PreviousFrame[3];
	ASSERT_TRUE(closeAnimation(&encoder));

	const giftest::GifLayout layout = giftest::parseLayout(giftest::readFile(name));
	ASSERT_TRUE(layout.Valid);
	ASSERT_EQ(layout.Images.size(), 1u);
	const giftest::ImageBlock& image = layout.Images[0];
	// Three equal indices: clear, the index, the new code 258 for the pair, clear, end; 5 x 9 = 45 bits
	// in one sub-block of 6 bytes.
	ASSERT_EQ(image.SubBlockLengths, std::vector<size_t>{ 6 });
	giftest::BitReader reader(image.Data);
	EXPECT_EQ(reader.read(9), 256u);
	EXPECT_EQ(reader.read(9), index);
	EXPECT_EQ(reader.read(9), 258u);
	EXPECT_EQ(reader.read(9), 256u);
	EXPECT_EQ(reader.read(9), 257u);
	// Zero padding to the byte.
	EXPECT_EQ(reader.read(3), 0u);
}

TEST(AnimationEncoder, SubBlocksHoldAtMost255Bytes)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("blocks.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 120, 90, 1, 8, false));
	const std::vector<uint8_t> frame = giftest::noiseFrame(120, 90, 4);
	ASSERT_TRUE(addFrame(&encoder, frame.data(), 120, 90, 1, 8, false));
	ASSERT_TRUE(closeAnimation(&encoder));

	const giftest::GifLayout layout = giftest::parseLayout(giftest::readFile(name));
	ASSERT_TRUE(layout.Valid);
	ASSERT_EQ(layout.Images.size(), 1u);
	const std::vector<size_t>& lengths = layout.Images[0].SubBlockLengths;
	ASSERT_GT(lengths.size(), 10u);
	// Every sub-block but the last is written the moment it is full.
	for (size_t i = 0; i + 1 < lengths.size(); ++i)
		EXPECT_EQ(lengths[i], 255u) << i;
	EXPECT_GE(lengths.back(), 1u);
	EXPECT_LE(lengths.back(), 255u);
}

TEST(AnimationEncoder, CallsAfterCloseReturnFalseAndWriteNothing)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("closed.gif");
	AnimationEncoder encoder;
	const std::vector<uint8_t> frame = solidFrame(4, 4, 1, 2, 3);
	// Never opened.
	EXPECT_FALSE(addFrame(&encoder, frame.data(), 4, 4, 1, 8, false));
	EXPECT_FALSE(closeAnimation(&encoder));

	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 4, 4, 1, 8, false));
	ASSERT_TRUE(addFrame(&encoder, frame.data(), 4, 4, 1, 8, false));
	ASSERT_TRUE(closeAnimation(&encoder));
	EXPECT_EQ(encoder.Output, nullptr);
	EXPECT_EQ(encoder.PreviousFrame, nullptr);
	const std::vector<uint8_t> written = giftest::readFile(name);

	EXPECT_FALSE(addFrame(&encoder, frame.data(), 4, 4, 1, 8, false));
	EXPECT_FALSE(closeAnimation(&encoder));
	EXPECT_EQ(giftest::readFile(name), written);
}

TEST(AnimationEncoder, OpenFailureLeavesNoFile)
{
	giftest::ScratchDir scratch;
	// A directory stands where the file should go.
	const std::string name = scratch.path("taken.gif");
	std::filesystem::create_directory(name);
	AnimationEncoder encoder;
	EXPECT_FALSE(openAnimation(&encoder, name.c_str(), 8, 8, 1, 8, false));
	EXPECT_EQ(encoder.Output, nullptr);
	EXPECT_EQ(encoder.PreviousFrame, nullptr);
	const std::vector<uint8_t> frame = solidFrame(8, 8, 1, 2, 3);
	EXPECT_FALSE(addFrame(&encoder, frame.data(), 8, 8, 1, 8, false));
	EXPECT_FALSE(closeAnimation(&encoder));
	EXPECT_TRUE(std::filesystem::is_directory(name));
	EXPECT_TRUE(std::filesystem::is_empty(name));
	EXPECT_TRUE(isDirectoryWithNothingElse(scratch.Dir, "taken.gif"));

	// A missing directory on the way.
	const std::string nowhere = scratch.path("missing/out.gif");
	EXPECT_FALSE(openAnimation(&encoder, nowhere.c_str(), 8, 8, 1, 8, false));
	EXPECT_TRUE(isDirectoryWithNothingElse(scratch.Dir, "taken.gif"));
}

TEST(AnimationEncoder, SizesThatDoNotFitSixteenBitsAreRefused)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("size.gif");
	AnimationEncoder encoder;
	EXPECT_FALSE(openAnimation(&encoder, name.c_str(), 65536, 1, 1, 8, false));
	EXPECT_FALSE(openAnimation(&encoder, name.c_str(), 1, 65536, 1, 8, false));
	EXPECT_FALSE(openAnimation(&encoder, name.c_str(), 0, 10, 1, 8, false));
	EXPECT_FALSE(openAnimation(&encoder, name.c_str(), 10, 0, 1, 8, false));
	EXPECT_FALSE(std::filesystem::exists(name));

	// The largest size that fits is written as FF FF.
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 65535, 1, 1, 8, false));
	ASSERT_TRUE(closeAnimation(&encoder));
	const std::vector<uint8_t> bytes = giftest::readFile(name);
	ASSERT_GE(bytes.size(), 10u);
	EXPECT_EQ((std::vector<int>{ bytes[6], bytes[7], bytes[8], bytes[9] }), (std::vector<int>{ 0xFF, 0xFF, 0x01, 0x00 }));
}

TEST(AnimationEncoder, FramesOfAnotherSizeOrDepthAreRefused)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("mismatch.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 4, 4, 1, 8, false));
	const std::vector<uint8_t> frame = solidFrame(4, 8, 1, 2, 3);
	EXPECT_FALSE(addFrame(&encoder, frame.data(), 4, 8, 1, 8, false));
	EXPECT_FALSE(addFrame(&encoder, frame.data(), 8, 4, 1, 8, false));
	EXPECT_FALSE(addFrame(&encoder, frame.data(), 4, 4, 1, 0, false));
	EXPECT_FALSE(addFrame(&encoder, frame.data(), 4, 4, 1, 9, false));
	EXPECT_FALSE(addFrame(&encoder, nullptr, 4, 4, 1, 8, false));
	// A refused frame leaves the encoder as it was: the next frame is still the first.
	EXPECT_TRUE(encoder.IsFirstFrame);
	ASSERT_TRUE(closeAnimation(&encoder));
	std::vector<uint8_t> expected(RECORDING_HEADER);
	expected[6] = 4;
	expected[7] = 0;
	expected[8] = 4;
	expected[9] = 0;
	expected.push_back(0x3B);
	EXPECT_EQ(giftest::readFile(name), expected);
}

TEST(AnimationEncoder, OpenTwiceKeepsTheFirstFile)
{
	giftest::ScratchDir scratch;
	const std::string first = scratch.path("first.gif");
	const std::string second = scratch.path("second.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, first.c_str(), 2, 2, 1, 8, false));
	EXPECT_FALSE(openAnimation(&encoder, second.c_str(), 2, 2, 1, 8, false));
	EXPECT_FALSE(std::filesystem::exists(second));
	EXPECT_TRUE(closeAnimation(&encoder));
	EXPECT_EQ(giftest::readFile(first).size(), 13u + 6u + 19u + 1u);
}

#if !defined(_WIN32)
TEST(AnimationEncoder, FailedWriteIsReportedByClose)
{
	// Opening /dev/full for writing works; every write to it fails. The device must survive the cleanup.
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, "/dev/full", 64, 64, 1, 8, false));
	const std::vector<uint8_t> frame = giftest::noiseFrame(64, 64, 1);
	addFrame(&encoder, frame.data(), 64, 64, 1, 8, false);
	EXPECT_FALSE(closeAnimation(&encoder));
	EXPECT_EQ(encoder.Output, nullptr);
	EXPECT_EQ(encoder.PreviousFrame, nullptr);
	EXPECT_TRUE(std::filesystem::exists("/dev/full"));
	EXPECT_FALSE(addFrame(&encoder, frame.data(), 64, 64, 1, 8, false));
}

TEST(AnimationEncoderDeathTest, FileCutShortIsRemoved)
{
	giftest::ScratchDir scratch;
	const std::string name = scratch.path("cut.gif");
	EXPECT_EXIT(writeUnderFileSizeLimit(name), ::testing::ExitedWithCode(0), "");
}

TEST(AnimationEncoderDeathTest, AllocationFailureWritesNothing)
{
#if defined(__SANITIZE_ADDRESS__)
	GTEST_SKIP() << "AddressSanitizer's allocator does not survive an address-space limit";
#else
	giftest::ScratchDir scratch;
	EXPECT_EXIT(writeUnderAddressSpaceLimit(scratch.path("small.gif"), scratch.path("large.gif")),
		::testing::ExitedWithCode(0), "");
#endif
}
#endif
