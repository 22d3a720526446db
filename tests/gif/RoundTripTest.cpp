// Files written by the encoder, read back with giflib and composited as a viewer does, must show the
// mapped frames; the compressed data must equal a straightforward LZW of the same indices.
#include "gif/AnimationEncoder.h"

#include "GifTestUtils.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
	struct Encoded
	{
		std::string Name;
		//! PreviousFrame after each addFrame: what each frame was written as.
		std::vector<std::vector<uint8_t>> Mapped;
	};

	Encoded encode(const std::string& name, const std::vector<std::vector<uint8_t>>& frames, uint32_t width,
		uint32_t height, int32_t depth, bool dither)
	{
		Encoded encoded;
		encoded.Name = name;
		AnimationEncoder encoder;
		EXPECT_TRUE(openAnimation(&encoder, name.c_str(), width, height, 2, depth, dither));
		for (const std::vector<uint8_t>& frame : frames)
		{
			EXPECT_TRUE(addFrame(&encoder, frame.data(), width, height, 2, depth, dither));
			encoded.Mapped.emplace_back(encoder.PreviousFrame, encoder.PreviousFrame + frame.size());
		}
		EXPECT_TRUE(closeAnimation(&encoder));
		return encoded;
	}

	//! Decodes with giflib and composites: transparent index 0 keeps the canvas pixel (disposal 1 leaves
	//! each frame in place). Every frame's indices and canvas must match the mapped frame.
	void expectDecodesToMappedFrames(const Encoded& encoded, uint32_t width, uint32_t height)
	{
		int error = 0;
		GifFileType* gif = DGifOpenFileName(encoded.Name.c_str(), &error);
		ASSERT_NE(gif, nullptr) << GifErrorString(error);
		ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
		EXPECT_EQ(gif->Error, 0);
		EXPECT_EQ(uint32_t(gif->SWidth), width);
		EXPECT_EQ(uint32_t(gif->SHeight), height);
		ASSERT_EQ(size_t(gif->ImageCount), encoded.Mapped.size());

		const size_t count = size_t(width) * height;
		std::vector<uint8_t> canvas(3 * count, 0);
		for (size_t k = 0; k < encoded.Mapped.size(); ++k)
		{
			const SavedImage& image = gif->SavedImages[k];
			const std::vector<uint8_t>& mapped = encoded.Mapped[k];
			ASSERT_EQ(uint32_t(image.ImageDesc.Width), width);
			ASSERT_EQ(uint32_t(image.ImageDesc.Height), height);
			ASSERT_FALSE(image.ImageDesc.Interlace);
			ASSERT_NE(image.ImageDesc.ColorMap, nullptr);
			GraphicsControlBlock control;
			ASSERT_EQ(DGifSavedExtensionToGCB(gif, int(k), &control), GIF_OK);
			EXPECT_EQ(control.DisposalMode, DISPOSE_DO_NOT);
			EXPECT_EQ(control.TransparentColor, 0);
			EXPECT_EQ(control.DelayTime, 2);

			const GifColorType* colours = image.ImageDesc.ColorMap->Colors;
			size_t mismatches = 0;
			for (size_t i = 0; i < count; ++i)
			{
				const uint8_t index = image.RasterBits[i];
				if (k == 0 && index == 0)
					++mismatches; // the first frame has nothing to show through
				if (index != mapped[4 * i + 3])
					++mismatches;
				if (index != 0)
				{
					canvas[3 * i] = colours[index].Red;
					canvas[3 * i + 1] = colours[index].Green;
					canvas[3 * i + 2] = colours[index].Blue;
				}
				if (canvas[3 * i] != mapped[4 * i] || canvas[3 * i + 1] != mapped[4 * i + 1] ||
					canvas[3 * i + 2] != mapped[4 * i + 2])
					++mismatches;
			}
			EXPECT_EQ(mismatches, 0u) << "frame " << k;
		}
		DGifCloseFile(gif, &error);
	}

	//! A four-frame sequence: a picture, part of it changed, a new picture, and that picture again.
	std::vector<std::vector<uint8_t>> sequence(uint32_t width, uint32_t height, bool noise)
	{
		std::vector<std::vector<uint8_t>> frames;
		frames.push_back(noise ? giftest::noiseFrame(width, height, 1) : giftest::strokeFrame(width, height, 0));
		std::vector<uint8_t> changed = frames.back();
		const std::vector<uint8_t> other = giftest::noiseFrame(width, height, 2);
		for (size_t i = 0; i < changed.size() / 3; ++i)
			changed[i] = other[i];
		frames.push_back(changed);
		frames.push_back(noise ? giftest::noiseFrame(width, height, 3) : giftest::strokeFrame(width, height, 4));
		frames.push_back(frames.back());
		return frames;
	}

	struct Blocks
	{
		std::vector<size_t> Lengths;
		std::vector<uint8_t> Data;
		//! Clear codes emitted because the dictionary was full.
		uint32_t Restarts = 0;
	};

	//! LZW of the indices in the fourth bytes, word for word as the format prescribes: a whole zeroed
	//! dictionary, codes packed one bit at a time, 255-byte sub-blocks.
	Blocks straightforwardLzw(const std::vector<uint8_t>& mapped, uint32_t depth)
	{
		Blocks blocks;
		std::vector<uint8_t> block;
		uint32_t bitPos = 0;
		uint32_t accumulator = 0;
		auto flush = [&]() {
			blocks.Lengths.push_back(block.size());
			blocks.Data.insert(blocks.Data.end(), block.begin(), block.end());
			block.clear();
		};
		auto bit = [&](uint32_t b) {
			accumulator |= (b & 1) << bitPos;
			if (++bitPos == 8)
			{
				block.push_back(uint8_t(accumulator));
				bitPos = 0;
				accumulator = 0;
			}
		};
		auto code = [&](uint32_t value, uint32_t length) {
			for (uint32_t b = 0; b < length; ++b)
			{
				bit(value >> b);
				if (block.size() == 255)
					flush();
			}
		};

		std::vector<uint16_t> dictionary(4096 * 256, 0);
		const uint32_t clear = 1u << depth;
		const uint32_t end = clear + 1;
		uint32_t codeSize = depth + 1;
		uint32_t lastCode = end;
		code(clear, codeSize);
		int32_t current = -1;
		for (size_t i = 0; i < mapped.size() / 4; ++i)
		{
			const uint32_t value = mapped[4 * i + 3];
			if (current < 0)
				current = int32_t(value);
			else if (dictionary[size_t(current) * 256 + value] != 0)
				current = dictionary[size_t(current) * 256 + value];
			else
			{
				code(uint32_t(current), codeSize);
				++lastCode;
				dictionary[size_t(current) * 256 + value] = uint16_t(lastCode);
				if (lastCode >= (1u << codeSize))
					++codeSize;
				if (lastCode == 4095)
				{
					code(clear, codeSize);
					++blocks.Restarts;
					std::fill(dictionary.begin(), dictionary.end(), 0);
					codeSize = depth + 1;
					lastCode = end;
				}
				current = int32_t(value);
			}
		}
		code(uint32_t(current), codeSize);
		code(clear, codeSize);
		code(end, depth + 1);
		while (bitPos != 0)
			bit(0);
		if (!block.empty())
			flush();
		return blocks;
	}

	//! 64-bit FNV-1a.
	uint64_t digest(const std::vector<uint8_t>& bytes)
	{
		uint64_t hash = 14695981039346656037ull;
		for (uint8_t byte : bytes)
		{
			hash ^= byte;
			hash *= 1099511628211ull;
		}
		return hash;
	}

	//! Integer-only picture: bands of colour with a moving block, the same on every platform.
	std::vector<uint8_t> bandFrame(uint32_t width, uint32_t height, uint32_t step)
	{
		std::vector<uint8_t> frame(size_t(width) * height * 4);
		for (uint32_t y = 0; y < height; ++y)
		{
			for (uint32_t x = 0; x < width; ++x)
			{
				uint8_t* p = &frame[(size_t(y) * width + x) * 4];
				const bool inBlock = x >= 10 + 7 * step && x < 60 + 7 * step && y >= 20 && y < 70;
				p[0] = inBlock ? 240 : uint8_t(20 + (x * 3) % 90);
				p[1] = inBlock ? uint8_t(40 + step) : uint8_t(30 + (y * 5) % 70);
				p[2] = uint8_t(50 + ((x + y) / 8) % 40);
				p[3] = 255;
			}
		}
		return frame;
	}
}

TEST(GifRoundTrip, SmallFramesAtEveryDepthWithAndWithoutDithering)
{
	giftest::ScratchDir scratch;
	const uint32_t sizes[][2] = { { 1, 1 }, { 7, 3 }, { 97, 61 } };
	for (const auto& size : sizes)
	{
		for (bool noise : { true, false })
		{
			const std::vector<std::vector<uint8_t>> frames = sequence(size[0], size[1], noise);
			for (int32_t depth = 1; depth <= 8; ++depth)
			{
				for (bool dither : { false, true })
				{
					SCOPED_TRACE(::testing::Message() << size[0] << "x" << size[1] << (noise ? " noise" : " strokes")
						<< " depth " << depth << (dither ? " dithered" : ""));
					const Encoded encoded = encode(scratch.path("small.gif"), frames, size[0], size[1], depth, dither);
					expectDecodesToMappedFrames(encoded, size[0], size[1]);
				}
			}
		}
	}
}

TEST(GifRoundTrip, RecordingSizeFrames)
{
	giftest::ScratchDir scratch;
	std::vector<std::vector<uint8_t>> frames;
	for (int32_t step = 0; step < 3; ++step)
		frames.push_back(giftest::strokeFrame(800, 600, step));
	const Encoded plain = encode(scratch.path("plain.gif"), frames, 800, 600, 8, false);
	expectDecodesToMappedFrames(plain, 800, 600);

	frames.resize(2);
	const Encoded dithered = encode(scratch.path("dithered.gif"), frames, 800, 600, 8, true);
	expectDecodesToMappedFrames(dithered, 800, 600);
}

TEST(GifRoundTrip, DictionaryRestartAt4095StillDecodes)
{
	// Noise gives about one code per pixel: 60000 pixels fill the dictionary over and over.
	giftest::ScratchDir scratch;
	const std::vector<std::vector<uint8_t>> frames = { giftest::noiseFrame(300, 200, 9) };
	const Encoded encoded = encode(scratch.path("restart.gif"), frames, 300, 200, 8, false);
	expectDecodesToMappedFrames(encoded, 300, 200);

	const giftest::GifLayout layout = giftest::parseLayout(giftest::readFile(encoded.Name));
	ASSERT_TRUE(layout.Valid);
	ASSERT_EQ(layout.Images.size(), 1u);
	const Blocks expected = straightforwardLzw(encoded.Mapped[0], 8);
	EXPECT_GE(expected.Restarts, 10u);
	EXPECT_EQ(layout.Images[0].Data, expected.Data);
}

TEST(GifRoundTrip, CompressedDataEqualsStraightforwardLzw)
{
	giftest::ScratchDir scratch;
	const uint32_t width = 150;
	const uint32_t height = 100;
	for (int32_t depth = 1; depth <= 8; ++depth)
	{
		for (bool noise : { true, false })
		{
			SCOPED_TRACE(::testing::Message() << "depth " << depth << (noise ? " noise" : " strokes"));
			const Encoded encoded = encode(scratch.path("lzw.gif"), sequence(width, height, noise), width, height,
				depth, depth % 2 == 0);
			const giftest::GifLayout layout = giftest::parseLayout(giftest::readFile(encoded.Name));
			ASSERT_TRUE(layout.Valid);
			ASSERT_EQ(layout.Images.size(), encoded.Mapped.size());
			for (size_t k = 0; k < encoded.Mapped.size(); ++k)
			{
				const Blocks expected = straightforwardLzw(encoded.Mapped[k], uint32_t(depth));
				EXPECT_EQ(layout.Images[k].SubBlockLengths, expected.Lengths) << "frame " << k;
				EXPECT_EQ(layout.Images[k].Data, expected.Data) << "frame " << k;
			}
		}
	}
}

TEST(GifRoundTrip, OutputBytesAreUnchanged)
{
	// Digests of files written by the straightforward form of the encoder, before its hot paths were
	// tightened; any change to the bytes written shows here.
	giftest::ScratchDir scratch;
	std::vector<std::vector<uint8_t>> frames;
	for (uint32_t step = 0; step < 4; ++step)
		frames.push_back(bandFrame(320, 240, step));
	frames.push_back(giftest::noiseFrame(320, 240, 5));

	const Encoded plain = encode(scratch.path("plain.gif"), frames, 320, 240, 8, false);
	EXPECT_EQ(digest(giftest::readFile(plain.Name)), 0x312cfd05d8fb9965ull);
	const Encoded dithered = encode(scratch.path("dithered.gif"), frames, 320, 240, 5, true);
	EXPECT_EQ(digest(giftest::readFile(dithered.Name)), 0x47aced4242b80727ull);
}

TEST(GifRoundTrip, EachFrameKeepsItsOwnDelay)
{
	// Frames with delays of their own (the recording's wall-clock timeline) read back through giflib,
	// pictures unchanged by the delays: the same frames at delay 2 map to the same indices.
	giftest::ScratchDir scratch;
	const uint32_t delays[] = {2, 7, 113, 65535};
	const std::string name = scratch.path("timed.gif");
	AnimationEncoder encoder;
	ASSERT_TRUE(openAnimation(&encoder, name.c_str(), 64, 48, delays[0], 8, false));
	std::vector<std::vector<uint8_t>> mapped;
	for (uint32_t k = 0; k < 4; ++k)
	{
		const std::vector<uint8_t> frame = bandFrame(64, 48, k);
		ASSERT_TRUE(addFrame(&encoder, frame.data(), 64, 48, delays[k], 8, false));
		mapped.emplace_back(encoder.PreviousFrame, encoder.PreviousFrame + frame.size());
	}
	ASSERT_TRUE(closeAnimation(&encoder));

	int error = 0;
	GifFileType* gif = DGifOpenFileName(name.c_str(), &error);
	ASSERT_NE(gif, nullptr) << GifErrorString(error);
	ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
	ASSERT_EQ(gif->ImageCount, 4);
	for (int k = 0; k < 4; ++k)
	{
		GraphicsControlBlock control;
		ASSERT_EQ(DGifSavedExtensionToGCB(gif, k, &control), GIF_OK);
		EXPECT_EQ(uint32_t(control.DelayTime), delays[k]) << "frame " << k;
		EXPECT_EQ(control.TransparentColor, 0);
	}
	DGifCloseFile(gif, &error);

	std::vector<std::vector<uint8_t>> frames;
	for (uint32_t k = 0; k < 4; ++k)
		frames.push_back(bandFrame(64, 48, k));
	const Encoded constant = encode(scratch.path("constant.gif"), frames, 64, 48, 8, false);
	EXPECT_EQ(constant.Mapped, mapped);
}
