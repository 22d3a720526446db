// Tests of the median-cut colour table, the nearest-entry search and the direct and diffused mappings.
#include "gif/ColorTable.h"

#include "GifTestUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace colortable_detail;

namespace
{
	struct Rgb
	{
		uint8_t R, G, B;
	};

	std::vector<uint8_t> frameOf(const std::vector<Rgb>& colours)
	{
		std::vector<uint8_t> frame(4 * colours.size(), 255);
		for (size_t i = 0; i < colours.size(); ++i)
		{
			frame[4 * i] = colours[i].R;
			frame[4 * i + 1] = colours[i].G;
			frame[4 * i + 2] = colours[i].B;
		}
		return frame;
	}

	int32_t nearest(const ColorTable& table, int32_t r, int32_t g, int32_t b)
	{
		int32_t index = 0;
		int32_t distance = 1000000;
		findNearestEntry(&table, r, g, b, &index, &distance, 1);
		return index;
	}

	//! A table of depth 1 whose one usable entry has the grey value given.
	ColorTable greyTable(uint8_t grey)
	{
		ColorTable table;
		std::memset(&table, 0, sizeof(table));
		table.Depth = 1;
		table.Reds[1] = grey;
		table.Greens[1] = grey;
		table.Blues[1] = grey;
		return table;
	}

	//! Depth 2 on red alone. Root: red < 100 to node 2, which holds entry 1 (the transparent entry 0 on
	//! its left leaf); otherwise node 3: red < 150 to entry 2, else entry 3.
	ColorTable lineTable()
	{
		ColorTable table;
		std::memset(&table, 0, sizeof(table));
		table.Depth = 2;
		table.NodeChannel[1] = 0;
		table.NodeThreshold[1] = 100;
		table.NodeChannel[3] = 0;
		table.NodeThreshold[3] = 150;
		table.Reds[1] = 50;
		table.Reds[2] = 120;
		table.Reds[3] = 180;
		return table;
	}
}

TEST(ColorTable, OneColourFrameGivesEveryEntryThatColour)
{
	// 256 pixels for 255 entries: every entry receives pixels.
	const std::vector<uint8_t> frame = frameOf(std::vector<Rgb>(256, Rgb{ 12, 200, 77 }));
	for (bool forDither : { false, true })
	{
		ColorTable table;
		ASSERT_TRUE(buildColorTable(nullptr, frame.data(), 16, 16, 8, forDither, &table));
		for (int32_t entry = 1; entry < 256; ++entry)
		{
			EXPECT_EQ(table.Reds[entry], 12) << entry;
			EXPECT_EQ(table.Greens[entry], 200) << entry;
			EXPECT_EQ(table.Blues[entry], 77) << entry;
		}
		EXPECT_EQ(table.Reds[0] | table.Greens[0] | table.Blues[0], 0);

		std::vector<uint8_t> mapped(frame.size());
		mapPixels(nullptr, frame.data(), mapped.data(), 16, 16, &table);
		for (size_t i = 0; i < 256; ++i)
		{
			EXPECT_NE(mapped[4 * i + 3], 0) << i;
			EXPECT_EQ(mapped[4 * i], 12);
			EXPECT_EQ(mapped[4 * i + 1], 200);
			EXPECT_EQ(mapped[4 * i + 2], 77);
		}
	}
}

TEST(ColorTable, EntriesAreSharedOutInProportionAlongTheWidestChannel)
{
	// 255 reds 0..254 for 255 entries: the root splits at 127/255 on red, and in the end entry k holds
	// red k - 1 (entries in tree order from left to right).
	std::vector<Rgb> colours;
	for (int32_t r = 254; r >= 0; --r)
		colours.push_back(Rgb{ uint8_t(r), 9, 9 });
	const std::vector<uint8_t> frame = frameOf(colours);
	ColorTable table;
	ASSERT_TRUE(buildColorTable(nullptr, frame.data(), 255, 1, 8, false, &table));
	EXPECT_EQ(table.NodeChannel[1], 0);
	EXPECT_EQ(table.NodeThreshold[1], 127);
	for (int32_t entry = 1; entry < 256; ++entry)
		EXPECT_EQ(table.Reds[entry], entry - 1) << entry;
	// Entry 1's node was made to split on red at 0.
	EXPECT_EQ(table.NodeChannel[128], 0);
	EXPECT_EQ(table.NodeThreshold[128], 0);
}

TEST(ColorTable, DitherTableTakesDarkestAndBrightestForTheOuterEntries)
{
	// Depth 2: the root gives 6 x 1/3 = 2 pixels to entry 1, the next node halves the other four.
	const std::vector<uint8_t> frame = frameOf({ { 50, 8, 2 }, { 0, 9, 1 }, { 40, 1, 9 }, { 10, 2, 8 },
		{ 30, 5, 5 }, { 20, 5, 5 } });
	ColorTable mean;
	ColorTable dither;
	ASSERT_TRUE(buildColorTable(nullptr, frame.data(), 6, 1, 2, false, &mean));
	ASSERT_TRUE(buildColorTable(nullptr, frame.data(), 6, 1, 2, true, &dither));

	// Entry 1 from (0,9,1) and (10,2,8): rounded mean (5,6,5), per-channel minimum (0,2,1).
	EXPECT_EQ((std::vector<int>{ mean.Reds[1], mean.Greens[1], mean.Blues[1] }), (std::vector<int>{ 5, 6, 5 }));
	EXPECT_EQ((std::vector<int>{ dither.Reds[1], dither.Greens[1], dither.Blues[1] }), (std::vector<int>{ 0, 2, 1 }));
	// Entry 2 is a mean either way.
	EXPECT_EQ((std::vector<int>{ mean.Reds[2], mean.Greens[2], mean.Blues[2] }), (std::vector<int>{ 25, 5, 5 }));
	EXPECT_EQ((std::vector<int>{ dither.Reds[2], dither.Greens[2], dither.Blues[2] }), (std::vector<int>{ 25, 5, 5 }));
	// Entry 3 from (40,1,9) and (50,8,2): rounded mean (45,5,6), per-channel maximum (50,8,9).
	EXPECT_EQ((std::vector<int>{ mean.Reds[3], mean.Greens[3], mean.Blues[3] }), (std::vector<int>{ 45, 5, 6 }));
	EXPECT_EQ((std::vector<int>{ dither.Reds[3], dither.Greens[3], dither.Blues[3] }), (std::vector<int>{ 50, 8, 9 }));
	EXPECT_EQ(mean.NodeThreshold[1], 20);
	EXPECT_EQ(mean.NodeThreshold[3], 40);
}

TEST(ColorTable, SplitChannelTiesGoToGreenThenBlue)
{
	struct Case
	{
		Rgb Bright;
		uint8_t Channel;
	};
	// Each case: a frame of black and one other colour, so the ranges are that colour's channels.
	const Case cases[] = {
		{ { 10, 10, 10 }, 1 }, // all equal: green
		{ { 5, 10, 10 }, 1 }, // green = blue: green
		{ { 10, 10, 5 }, 1 }, // red = green: green
		{ { 10, 5, 10 }, 2 }, // red = blue above green: blue
		{ { 10, 5, 5 }, 0 }, // red alone widest
		{ { 5, 5, 10 }, 2 }, // blue alone widest
		{ { 5, 10, 5 }, 1 }, // green alone widest
	};
	for (const Case& c : cases)
	{
		const std::vector<uint8_t> frame = frameOf({ { 0, 0, 0 }, c.Bright, { 0, 0, 0 }, c.Bright });
		ColorTable table;
		ASSERT_TRUE(buildColorTable(nullptr, frame.data(), 4, 1, 2, false, &table));
		EXPECT_EQ(table.NodeChannel[1], c.Channel) << int(c.Bright.R) << "," << int(c.Bright.G) << "," << int(c.Bright.B);
	}
}

TEST(ColorTable, PartitionSendsEverySecondEqualValueBeforeThePivot)
{
	// Red values with the pixel's original position in green.
	std::vector<uint8_t> pixels = frameOf({ { 5, 0, 0 }, { 5, 1, 0 }, { 2, 2, 0 }, { 5, 3, 0 }, { 9, 4, 0 },
		{ 5, 5, 0 }, { 5, 6, 0 } });
	// Pivot 3 (red 5) moves to the end first. The walk meets red 5 at pixels 0, 1, 6, 5: the first stays,
	// the second moves to the front, the third stays, the fourth moves; 2 moves for being smaller.
	const uint32_t place = partitionAround(pixels.data(), 0, 7, 0, 3);
	EXPECT_EQ(place, 3u);
	std::vector<int> order;
	for (size_t i = 0; i < 7; ++i)
		order.push_back(pixels[4 * i + 1]);
	EXPECT_EQ(order, (std::vector<int>{ 1, 2, 5, 3, 4, 0, 6 }));
}

TEST(ColorTable, SelectPlacesTheTargetBetweenSmallerAndGreater)
{
	giftest::Random random(99);
	for (uint32_t count : { 2u, 3u, 17u, 200u })
	{
		for (uint32_t target = 0; target < count; target += 1 + count / 7)
		{
			std::vector<uint8_t> pixels(4 * count);
			for (uint8_t& byte : pixels)
				byte = uint8_t(random.next() % 6); // many equal values
			selectByChannel(pixels.data(), 0, count, 2, target);
			const uint8_t value = pixels[4 * target + 2];
			for (uint32_t i = 0; i < target; ++i)
				EXPECT_LE(pixels[4 * i + 2], value);
			for (uint32_t i = target + 1; i < count; ++i)
				EXPECT_GE(pixels[4 * i + 2], value);
		}
	}
}

TEST(ColorTable, KeepChangedPixelsGathersChangedColoursInOrder)
{
	const std::vector<uint8_t> previous = frameOf({ { 1, 1, 1 }, { 2, 2, 2 }, { 3, 3, 3 }, { 4, 4, 4 } });
	std::vector<uint8_t> frame = frameOf({ { 1, 1, 1 }, { 2, 2, 9 }, { 3, 3, 3 }, { 7, 4, 4 } });
	// Only the colour counts: a different fourth byte is no change.
	frame[3] = 17;
	std::vector<uint8_t> pixels(16, 0xEE);
	ASSERT_EQ(keepChangedPixels(previous.data(), frame.data(), pixels.data(), 4), 2u);
	EXPECT_EQ((std::vector<int>{ pixels[0], pixels[1], pixels[2] }), (std::vector<int>{ 2, 2, 9 }));
	EXPECT_EQ((std::vector<int>{ pixels[4], pixels[5], pixels[6] }), (std::vector<int>{ 7, 4, 4 }));
}

TEST(ColorTable, FewerChangedPixelsThanEntriesLeaveASoundTable)
{
	// 64 pixels, of which 5 differ from the previous frame: most ranges receive no pixel.
	std::vector<uint8_t> previous = giftest::noiseFrame(8, 8, 3);
	std::vector<uint8_t> frame = previous;
	const size_t changed[5] = { 0, 9, 10, 40, 63 };
	const Rgb colours[5] = { { 0, 0, 0 }, { 255, 0, 0 }, { 17, 34, 51 }, { 255, 255, 255 }, { 17, 34, 52 } };
	for (size_t k = 0; k < 5; ++k)
	{
		frame[4 * changed[k]] = colours[k].R;
		frame[4 * changed[k] + 1] = colours[k].G;
		frame[4 * changed[k] + 2] = colours[k].B;
	}
	for (size_t k = 0; k < 5; ++k)
		previous[4 * changed[k]] ^= 1;

	// Whatever the table held before, the result is the same.
	ColorTable fromZero;
	ColorTable fromJunk;
	std::memset(&fromZero, 0, sizeof(fromZero));
	std::memset(&fromJunk, 0xCD, sizeof(fromJunk));
	ASSERT_TRUE(buildColorTable(previous.data(), frame.data(), 8, 8, 8, false, &fromZero));
	ASSERT_TRUE(buildColorTable(previous.data(), frame.data(), 8, 8, 8, false, &fromJunk));
	EXPECT_EQ(std::memcmp(&fromZero, &fromJunk, sizeof(ColorTable)), 0);

	for (int32_t node = 1; node < 256; ++node)
		EXPECT_LE(fromZero.NodeChannel[node], 2) << node;

	// Every changed pixel finds an entry of exactly its colour; the others stay transparent.
	std::vector<uint8_t> mapped = previous;
	mapPixels(mapped.data(), frame.data(), mapped.data(), 8, 8, &fromZero);
	for (size_t i = 0; i < 64; ++i)
	{
		EXPECT_EQ(std::memcmp(&mapped[4 * i], &frame[4 * i], 3), 0) << i;
		const bool isChanged = std::find(std::begin(changed), std::end(changed), i) != std::end(changed);
		EXPECT_EQ(mapped[4 * i + 3] != 0, isChanged) << i;
	}

	// Any colour, even beyond 255 as diffused error makes them, ends at a usable entry.
	giftest::Random random(5);
	for (int32_t k = 0; k < 2000; ++k)
	{
		const int32_t index = nearest(fromZero, random.next() % 400, random.next() % 400, random.next() % 400);
		EXPECT_GT(index, 0);
		EXPECT_LT(index, 256);
	}
}

TEST(ColorTable, ColourBetweenTwoEntriesTakesTheOneOnItsSideOfTheSplit)
{
	const ColorTable table = lineTable();
	// Red 150 is 30 from entry 2 (120) and from entry 3 (180); it is not below node 3's threshold, so the
	// search visits entry 3 first, and the later equal distance does not replace it.
	EXPECT_EQ(nearest(table, 150, 0, 0), 3);
	// Red 85 is 35 from entry 1 (50) and from entry 2 (120); below the root's threshold: entry 1 first.
	EXPECT_EQ(nearest(table, 85, 0, 0), 1);
	// Off the middle the nearer one wins on either side.
	EXPECT_EQ(nearest(table, 149, 0, 0), 2);
	EXPECT_EQ(nearest(table, 86, 0, 0), 2);
	// The transparent entry 0 (black) is never chosen, not even for black.
	EXPECT_EQ(nearest(table, 0, 0, 0), 1);
}

TEST(ColorTable, SearchPrunesOnlyWhatCannotBeNearer)
{
	// The search must agree with a full scan on the best distance (entries reached first win ties).
	const std::vector<uint8_t> frame = giftest::strokeFrame(64, 48, 2);
	ColorTable table;
	ASSERT_TRUE(buildColorTable(nullptr, frame.data(), 64, 48, 6, false, &table));
	giftest::Random random(11);
	for (int32_t k = 0; k < 3000; ++k)
	{
		const int32_t r = random.next() % 256;
		const int32_t g = random.next() % 256;
		const int32_t b = random.next() % 256;
		int32_t best = 1000000;
		for (int32_t e = 1; e < 64; ++e)
			best = std::min(best, std::abs(r - table.Reds[e]) + std::abs(g - table.Greens[e]) + std::abs(b - table.Blues[e]));
		int32_t index = 0;
		int32_t distance = 1000000;
		findNearestEntry(&table, r, g, b, &index, &distance, 1);
		EXPECT_EQ(distance, best);
	}
}

TEST(ColorTableMapping, MapsEachPixelToTheEntryTheSearchFinds)
{
	// The mapping remembers recent search results; they must be those of a fresh search.
	const std::vector<uint8_t> frame = giftest::noiseFrame(97, 61, 8);
	ColorTable table;
	ASSERT_TRUE(buildColorTable(nullptr, frame.data(), 97, 61, 7, false, &table));
	std::vector<uint8_t> mapped(frame.size());
	mapPixels(nullptr, frame.data(), mapped.data(), 97, 61, &table);
	for (size_t i = 0; i < 97 * 61; ++i)
	{
		const int32_t entry = nearest(table, frame[4 * i], frame[4 * i + 1], frame[4 * i + 2]);
		ASSERT_EQ(mapped[4 * i + 3], entry) << i;
		ASSERT_EQ(mapped[4 * i], table.Reds[entry]);
		ASSERT_EQ(mapped[4 * i + 1], table.Greens[entry]);
		ASSERT_EQ(mapped[4 * i + 2], table.Blues[entry]);
	}
}

TEST(ColorTableMapping, AgreesWithTheSearchOnASparseTable)
{
	// Three pixels for 255 entries leave most of the tree unassigned (black entries under red-0 splits).
	const std::vector<uint8_t> few = frameOf({ { 200, 10, 10 }, { 10, 200, 10 }, { 90, 90, 250 } });
	ColorTable table;
	ASSERT_TRUE(buildColorTable(nullptr, few.data(), 3, 1, 8, false, &table));
	const std::vector<uint8_t> frame = giftest::noiseFrame(64, 64, 12);
	std::vector<uint8_t> mapped(frame.size());
	mapPixels(nullptr, frame.data(), mapped.data(), 64, 64, &table);
	for (size_t i = 0; i < 64 * 64; ++i)
		ASSERT_EQ(mapped[4 * i + 3], nearest(table, frame[4 * i], frame[4 * i + 1], frame[4 * i + 2])) << i;
}

TEST(ColorTableMapping, UnchangedFrameIsAllTransparent)
{
	std::vector<uint8_t> previous = giftest::noiseFrame(5, 4, 21);
	// As a mapped frame: every pixel has an index.
	for (size_t i = 0; i < 20; ++i)
		previous[4 * i + 3] = 1;
	const std::vector<uint8_t> frame = previous;
	ColorTable table;
	ASSERT_TRUE(buildColorTable(previous.data(), frame.data(), 5, 4, 8, false, &table));
	std::vector<uint8_t> mapped = previous;
	mapPixels(mapped.data(), frame.data(), mapped.data(), 5, 4, &table);
	for (size_t i = 0; i < 20; ++i)
	{
		EXPECT_EQ(mapped[4 * i + 3], 0) << i;
		EXPECT_EQ(std::memcmp(&mapped[4 * i], &frame[4 * i], 3), 0) << i;
	}
}

TEST(ColorTableMapping, TransparentOnlyAgainstTheColourThePreviousFrameWasWrittenWith)
{
	// Depth 1: one entry, the mean (50,50,50) of black and (100,100,100).
	const std::vector<uint8_t> first = frameOf({ { 0, 0, 0 }, { 100, 100, 100 } });
	ColorTable table;
	ASSERT_TRUE(buildColorTable(nullptr, first.data(), 2, 1, 1, false, &table));
	std::vector<uint8_t> written(8);
	mapPixels(nullptr, first.data(), written.data(), 2, 1, &table);
	ASSERT_EQ(written, (std::vector<uint8_t>{ 50, 50, 50, 1, 50, 50, 50, 1 }));

	// Black was written as (50,50,50): showing black again is a change; showing (50,50,50) is not.
	const std::vector<uint8_t> second = frameOf({ { 0, 0, 0 }, { 50, 50, 50 } });
	ASSERT_TRUE(buildColorTable(written.data(), second.data(), 2, 1, 1, false, &table));
	mapPixels(written.data(), second.data(), written.data(), 2, 1, &table);
	EXPECT_EQ(written[3], 1);
	EXPECT_EQ(written[7], 0);
	EXPECT_EQ((std::vector<int>{ written[0], written[1], written[2] }), (std::vector<int>{ 0, 0, 0 }));
	EXPECT_EQ((std::vector<int>{ written[4], written[5], written[6] }), (std::vector<int>{ 50, 50, 50 }));
}

// In the diffusion tests a single grey entry takes every pixel, so only the transparency test against the
// previous frame shows a pixel's rounded work value: previous (1,2,3) never matches a grey value.

TEST(ColorTableDiffusion, NegativeErrorSharesTruncateTowardZero)
{
	// 4 x 1 against entry 255. Work values (x 256):
	//  pixel 0: 0, error -65280; to pixel 1: x 7/16 = -28560, to pixel 3 (index + width - 1): x 3/16 = -12240.
	//  pixel 1: 122 x 256 - 28560 = 2672; error -62608; to pixel 2: x 7/16 = -27391.
	//  pixel 2: 109 x 256 - 27391 = 513; error -64767; to pixel 3: x 7/16 = -28335.5625, truncated -28335.
	//  pixel 3: 159 x 256 - 12240 - 28335 = 129, rounded (129 + 127) / 256 = 1 (flooring the share gives 0).
	const ColorTable table = greyTable(255);
	const std::vector<uint8_t> frame = frameOf({ { 0, 0, 0 }, { 122, 122, 122 }, { 109, 109, 109 }, { 159, 159, 159 } });
	std::vector<uint8_t> previous = frameOf({ { 1, 2, 3 }, { 1, 2, 3 }, { 1, 2, 3 }, { 1, 1, 1 } });
	std::vector<uint8_t> mapped(16);
	ASSERT_TRUE(mapPixelsDiffused(previous.data(), frame.data(), mapped.data(), 4, 1, &table));
	EXPECT_EQ(mapped, (std::vector<uint8_t>{ 255, 255, 255, 1, 255, 255, 255, 1, 255, 255, 255, 1, 1, 1, 1, 0 }));

	previous[12] = previous[13] = previous[14] = 0;
	ASSERT_TRUE(mapPixelsDiffused(previous.data(), frame.data(), mapped.data(), 4, 1, &table));
	EXPECT_EQ(mapped[15], 1);
}

TEST(ColorTableDiffusion, ValuesAreNeverPushedBelowZero)
{
	// 2 x 1 against entry 255: pixel 0 (black) sends -28560 and -12240 to pixel 1 (10 x 256 = 2560),
	// which stops at 0 and rounds to 0.
	const ColorTable table = greyTable(255);
	const std::vector<uint8_t> frame = frameOf({ { 0, 0, 0 }, { 10, 10, 10 } });
	const std::vector<uint8_t> previous = frameOf({ { 1, 2, 3 }, { 0, 0, 0 } });
	std::vector<uint8_t> mapped(8);
	ASSERT_TRUE(mapPixelsDiffused(previous.data(), frame.data(), mapped.data(), 2, 1, &table));
	EXPECT_EQ(mapped, (std::vector<uint8_t>{ 255, 255, 255, 1, 0, 0, 0, 0 }));
}

TEST(ColorTableDiffusion, ChannelsMayExceed255BeforeMapping)
{
	// 2 x 1 against entry 0 (black): pixel 0 (255) sends +28560 and +12240 to pixel 1, which becomes
	// 65280 + 40800 = 106080, rounded 414: not the previous 255, so not transparent.
	const ColorTable table = greyTable(0);
	const std::vector<uint8_t> frame = frameOf({ { 255, 255, 255 }, { 255, 255, 255 } });
	const std::vector<uint8_t> previous = frameOf({ { 1, 2, 3 }, { 255, 255, 255 } });
	std::vector<uint8_t> mapped(8);
	ASSERT_TRUE(mapPixelsDiffused(previous.data(), frame.data(), mapped.data(), 2, 1, &table));
	EXPECT_EQ(mapped, (std::vector<uint8_t>{ 0, 0, 0, 1, 0, 0, 0, 1 }));
}

TEST(ColorTableDiffusion, ErrorFollowsPixelIndexAcrossRowEnds)
{
	const ColorTable table = greyTable(255);
	{
		// 3 x 1: pixel 0 (black, error -65280) gives x 7/16 to pixel 1: 200 x 256 - 28560 = 22640, rounded 88,
		// and its weight-3 share to the last pixel of its own row: 100 x 256 - 12240 = 13360, rounded 52.
		const std::vector<uint8_t> frame = frameOf({ { 0, 0, 0 }, { 200, 200, 200 }, { 100, 100, 100 } });
		const std::vector<uint8_t> previous = frameOf({ { 1, 2, 3 }, { 88, 88, 88 }, { 52, 52, 52 } });
		std::vector<uint8_t> mapped(12);
		ASSERT_TRUE(mapPixelsDiffused(previous.data(), frame.data(), mapped.data(), 3, 1, &table));
		EXPECT_EQ(mapped[7], 0);
		EXPECT_EQ(mapped[11], 0);
	}
	{
		// 3 x 2 with pixels 0 and 1 transparent (they spread nothing): the last pixel of row 0 (black)
		// gives x 7/16 to the first pixel of row 1: 200 x 256 - 28560 = 22640, rounded 88.
		const std::vector<uint8_t> frame = frameOf({ { 7, 7, 7 }, { 7, 7, 7 }, { 0, 0, 0 }, { 200, 200, 200 },
			{ 9, 9, 9 }, { 9, 9, 9 } });
		const std::vector<uint8_t> previous = frameOf({ { 7, 7, 7 }, { 7, 7, 7 }, { 1, 2, 3 }, { 88, 88, 88 },
			{ 1, 2, 3 }, { 1, 2, 3 } });
		std::vector<uint8_t> mapped(24);
		ASSERT_TRUE(mapPixelsDiffused(previous.data(), frame.data(), mapped.data(), 3, 2, &table));
		EXPECT_EQ((std::vector<int>{ mapped[3], mapped[7], mapped[11], mapped[15], mapped[19] }),
			(std::vector<int>{ 0, 0, 1, 0, 1 }));
		EXPECT_EQ((std::vector<int>{ mapped[12], mapped[13], mapped[14] }), (std::vector<int>{ 88, 88, 88 }));
	}
}
