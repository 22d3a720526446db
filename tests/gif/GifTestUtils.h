// Helpers shared by the GIF encoder tests: scratch directories, test frames (noise and thick strokes on a
// dark backdrop) and a reader that splits a written file into its blocks.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace giftest
{
	inline std::vector<uint8_t> readFile(const std::string& path)
	{
		std::ifstream in(path, std::ios::binary);
		return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	}

	//! A fresh directory under /tmp, removed with everything in it at the end of the test.
	class ScratchDir
	{
	public:
		ScratchDir()
		{
			char pattern[] = "/tmp/gif_tests.XXXXXX";
			const char* made = mkdtemp(pattern);
			Dir = made ? made : "";
		}
		~ScratchDir()
		{
			std::error_code error;
			std::filesystem::remove_all(Dir, error);
		}
		std::string path(const char* name) const { return Dir + "/" + name; }

		std::string Dir;
	};

	//! Small deterministic generator (xorshift32), so that every run sees the same frames.
	struct Random
	{
		explicit Random(uint32_t seed) : State(seed ? seed : 1) {}
		uint32_t next()
		{
			State ^= State << 13;
			State ^= State >> 17;
			State ^= State << 5;
			return State;
		}
		uint32_t State;
	};

	//! Every byte random; alpha random too, as the encoder must ignore it.
	inline std::vector<uint8_t> noiseFrame(uint32_t width, uint32_t height, uint32_t seed)
	{
		Random random(seed);
		std::vector<uint8_t> frame(size_t(width) * height * 4);
		for (uint8_t& byte : frame)
			byte = uint8_t(random.next() >> 24);
		return frame;
	}

	//! A dark backdrop with a dozen shaded thick strokes; each step grows the strokes by a few pixels,
	//! as the view does while the user draws.
	inline std::vector<uint8_t> strokeFrame(uint32_t width, uint32_t height, int32_t step)
	{
		std::vector<uint8_t> frame(size_t(width) * height * 4);
		for (size_t i = 0; i < size_t(width) * height; ++i)
		{
			frame[4 * i] = 24;
			frame[4 * i + 1] = 26;
			frame[4 * i + 2] = 38;
			frame[4 * i + 3] = 255;
		}
		Random random(7);
		for (int32_t s = 0; s < 12; ++s)
		{
			const float x0 = float(random.next() % width);
			const float y0 = float(random.next() % height);
			const float angle = float(random.next() % 628) / 100.0f;
			const float length = float(width) * 0.2f + 3.0f * float(step);
			const float x1 = x0 + std::cos(angle) * length;
			const float y1 = y0 + std::sin(angle) * length;
			const float radius = 1.5f + float(random.next() % 6);
			const uint8_t base[3] = { uint8_t(random.next()), uint8_t(random.next()), uint8_t(random.next()) };
			const float dx = x1 - x0;
			const float dy = y1 - y0;
			const float lengthSq = dx * dx + dy * dy;
			const int32_t xMin = std::max(0, int32_t(std::floor(std::min(x0, x1) - radius)));
			const int32_t xMax = std::min(int32_t(width) - 1, int32_t(std::ceil(std::max(x0, x1) + radius)));
			const int32_t yMin = std::max(0, int32_t(std::floor(std::min(y0, y1) - radius)));
			const int32_t yMax = std::min(int32_t(height) - 1, int32_t(std::ceil(std::max(y0, y1) + radius)));
			for (int32_t y = yMin; y <= yMax; ++y)
			{
				for (int32_t x = xMin; x <= xMax; ++x)
				{
					float t = ((float(x) - x0) * dx + (float(y) - y0) * dy) / lengthSq;
					t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
					const float ex = float(x) - (x0 + t * dx);
					const float ey = float(y) - (y0 + t * dy);
					const float d = std::sqrt(ex * ex + ey * ey);
					if (d > radius)
						continue;
					// Brighter along the middle of the tube, like a lit stroke.
					const float shade = 0.55f + 0.45f * (1.0f - d / radius);
					uint8_t* p = &frame[(size_t(y) * width + x) * 4];
					for (int32_t c = 0; c < 3; ++c)
						p[c] = uint8_t(float(base[c]) * shade);
				}
			}
		}
		return frame;
	}

	//! One frame's blocks as found in the file.
	struct ImageBlock
	{
		//! Offset of the graphic control extension in the file.
		size_t Offset = 0;
		std::vector<uint8_t> ControlExtension;
		std::vector<uint8_t> Descriptor;
		std::vector<uint8_t> ColorTable;
		uint8_t MinCodeSize = 0;
		std::vector<size_t> SubBlockLengths;
		//! The sub-blocks' payloads joined.
		std::vector<uint8_t> Data;
	};

	struct GifLayout
	{
		bool Valid = false;
		bool Loops = false;
		std::vector<ImageBlock> Images;
	};

	//! Splits a file of this encoder's layout into its parts; Valid is false if it does not follow it.
	inline GifLayout parseLayout(const std::vector<uint8_t>& bytes)
	{
		GifLayout layout;
		size_t at = 13 + 6;
		if (bytes.size() < at + 1)
			return layout;
		if (bytes.size() >= at + 19 && bytes[at] == 0x21 && bytes[at + 1] == 0xFF)
		{
			layout.Loops = true;
			at += 19;
		}
		while (at < bytes.size() && bytes[at] == 0x21)
		{
			ImageBlock image;
			image.Offset = at;
			if (bytes.size() < at + 18)
				return layout;
			image.ControlExtension.assign(bytes.begin() + at, bytes.begin() + at + 8);
			image.Descriptor.assign(bytes.begin() + at + 8, bytes.begin() + at + 18);
			at += 18;
			const size_t tableBytes = 3u << ((image.Descriptor[9] & 7) + 1);
			if (bytes.size() < at + tableBytes + 1)
				return layout;
			image.ColorTable.assign(bytes.begin() + at, bytes.begin() + at + tableBytes);
			at += tableBytes;
			image.MinCodeSize = bytes[at++];
			for (;;)
			{
				if (at >= bytes.size())
					return layout;
				const size_t length = bytes[at++];
				if (length == 0)
					break;
				if (bytes.size() < at + length)
					return layout;
				image.SubBlockLengths.push_back(length);
				image.Data.insert(image.Data.end(), bytes.begin() + at, bytes.begin() + at + length);
				at += length;
			}
			layout.Images.push_back(image);
		}
		layout.Valid = at + 1 == bytes.size() && bytes[at] == 0x3B;
		return layout;
	}

	//! Reads codes of the given bit lengths, least significant bit first, from packed data.
	class BitReader
	{
	public:
		explicit BitReader(const std::vector<uint8_t>& data) : Data(data) {}
		uint32_t read(uint32_t length)
		{
			uint32_t code = 0;
			for (uint32_t b = 0; b < length; ++b, ++Position)
				code |= uint32_t((Data[Position / 8] >> (Position % 8)) & 1) << b;
			return code;
		}
		size_t Position = 0;

	private:
		const std::vector<uint8_t>& Data;
	};
}
