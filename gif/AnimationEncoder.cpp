// GIF89a file writer: file header, per-frame blocks with local colour tables, LZW compression and
// 255-byte data sub-blocks.
#include "gif/AnimationEncoder.h"

#include "gif/ColorTable.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace
{
	//! Codes are at most 12 bits; the dictionary restarts once the last code (4095) is assigned.
	const uint32_t MAX_CODE = 4095;
	const uint32_t DICTIONARY_CODES = 4096;
	const uint32_t DICTIONARY_INDICES = 256;
	//! Bytes of packed codes in one data sub-block.
	const uint32_t SUB_BLOCK_SIZE = 255;

	const uint8_t TRAILER = 0x3B;

	//! Codes packed least significant bit first into bytes, and complete bytes gathered into sub-blocks.
	struct CodePacker
	{
		//! Number of pending bits in Accumulator, below 8 between codes.
		uint32_t BitPos;
		//! Pending bits, the oldest in the lowest bit.
		uint32_t Accumulator;
		//! Complete bytes waiting in Block (0 to 255).
		uint32_t BlockLength;
		uint8_t Block[256];
	};

	void writeShort(uint8_t* out, uint32_t value)
	{
		out[0] = uint8_t(value & 0xFF);
		out[1] = uint8_t((value >> 8) & 0xFF);
	}

	//! Appends one bit; a completed byte goes to Block.
	void packBit(CodePacker* packer, uint32_t bit)
	{
		packer->Accumulator |= (bit & 1) << packer->BitPos;
		packer->BitPos += 1;
		if (packer->BitPos > 7)
		{
			packer->Block[packer->BlockLength++] = uint8_t(packer->Accumulator);
			packer->BitPos = 0;
			packer->Accumulator = 0;
		}
	}

	//! Writes the waiting bytes as one sub-block: a length byte, then the bytes.
	void flushBlock(FILE* file, CodePacker* packer)
	{
		// Only the complete bytes leave; bits still pending in the accumulator belong to the next block.
		const uint8_t length = uint8_t(packer->BlockLength);
		std::fputc(length, file);
		std::fwrite(packer->Block, 1, length, file);
		packer->BlockLength = 0;
	}

	//! Appends a code (below 2^length, length at most 12) as a whole rather than bit by bit; the bytes
	//! come out the same. A sub-block is written as soon as its 255th byte is complete, even in the
	//! middle of a code: the code's remaining bits stay in the accumulator, as if packed after the write.
	inline void packCode(FILE* file, CodePacker* packer, uint32_t code, uint32_t length)
	{
		uint32_t accumulator = packer->Accumulator | code << packer->BitPos;
		uint32_t bitPos = packer->BitPos + length;
		while (bitPos >= 8)
		{
			packer->Block[packer->BlockLength++] = uint8_t(accumulator);
			accumulator >>= 8;
			bitPos -= 8;
			if (packer->BlockLength == SUB_BLOCK_SIZE)
				flushBlock(file, packer);
		}
		packer->Accumulator = accumulator;
		packer->BitPos = bitPos;
	}

	//! Deletes a file the encoder could not write completely; leaves devices and directories alone.
	void removeBrokenFile(const std::string& fileName)
	{
		std::error_code error;
		if (std::filesystem::is_regular_file(fileName, error))
			std::filesystem::remove(fileName, error);
	}

	//! Writes 2^Depth entries of 3 bytes; entry 0 always as black.
	void writeColorTable(const ColorTable* table, FILE* file)
	{
		const uint32_t entries = 1u << table->Depth;
		uint8_t bytes[3 * 256];
		bytes[0] = 0;
		bytes[1] = 0;
		bytes[2] = 0;
		for (uint32_t i = 1; i < entries; ++i)
		{
			bytes[3 * i] = table->Reds[i];
			bytes[3 * i + 1] = table->Greens[i];
			bytes[3 * i + 2] = table->Blues[i];
		}
		std::fwrite(bytes, 1, 3 * entries, file);
	}

	//! Writes one frame: graphic control extension, image descriptor, local colour table and the LZW data
	//! of the indices in the fourth byte of each mapped pixel. dictionary is scratch space of 256 x 4096
	//! zeroed entries (the code for string-of-code + index at [index][code]), given back zeroed.
	void writeImageBlock(FILE* file, const uint8_t* mapped, uint32_t left, uint32_t top, uint32_t width,
		uint32_t height, uint32_t delay, const ColorTable* table, uint16_t* dictionary)
	{
		const uint32_t depth = uint32_t(table->Depth);

		uint8_t header[18];
		// Graphic control extension: disposal 1 (leave the frame in place), transparent index 0.
		header[0] = 0x21;
		header[1] = 0xF9;
		header[2] = 0x04;
		header[3] = 0x05;
		writeShort(header + 4, delay);
		header[6] = 0x00;
		header[7] = 0x00;
		// Image descriptor with a local colour table of 2^depth entries, not interlaced.
		header[8] = 0x2C;
		writeShort(header + 9, left);
		writeShort(header + 11, top);
		writeShort(header + 13, width);
		writeShort(header + 15, height);
		header[17] = uint8_t(0x80 + depth - 1);
		std::fwrite(header, 1, sizeof(header), file);
		writeColorTable(table, file);
		std::fputc(int(depth), file);

		const uint32_t clearCode = 1u << depth;
		const uint32_t endCode = clearCode + 1;
		uint32_t codeSize = depth + 1;
		uint32_t lastCode = endCode;
		// The dictionary is stored index-major, [index][code]: the strings that grow by the same index (long
		// runs of the transparent index above all) then lie in one 8 KiB row. Slots assigned since the
		// last clear are listed, so that zeroing just these does what zeroing all 2 MiB would.
		uint32_t assigned[DICTIONARY_CODES];
		uint32_t assignedCount = 0;

		CodePacker packer;
		packer.BitPos = 0;
		packer.Accumulator = 0;
		packer.BlockLength = 0;
		packCode(file, &packer, clearCode, codeSize);

		const size_t count = size_t(width) * height;
		if (count > 0)
		{
			uint32_t current = mapped[3];
			size_t i = 1;
			for (;;)
			{
				// Follow the dictionary as far as it knows the string: in the frames after the first,
				// long runs of the transparent index make this the loop nearly every pixel takes.
				uint32_t slot = 0;
				for (; i < count; ++i)
				{
					slot = uint32_t(mapped[4 * i + 3]) * DICTIONARY_CODES + current;
					const uint32_t next = dictionary[slot];
					if (next == 0)
						break;
					current = next;
				}
				if (i == count)
					break;

				packCode(file, &packer, current, codeSize);
				++lastCode;
				dictionary[slot] = uint16_t(lastCode);
				assigned[assignedCount++] = slot;
				if (lastCode >= 1u << codeSize)
					++codeSize;
				if (lastCode == MAX_CODE)
				{
					packCode(file, &packer, clearCode, codeSize);
					for (uint32_t k = 0; k < assignedCount; ++k)
						dictionary[assigned[k]] = 0;
					assignedCount = 0;
					codeSize = depth + 1;
					lastCode = endCode;
				}
				current = mapped[4 * i + 3];
				++i;
			}
			packCode(file, &packer, current, codeSize);
		}
		packCode(file, &packer, clearCode, codeSize);
		packCode(file, &packer, endCode, depth + 1);

		while (packer.BitPos != 0)
			packBit(&packer, 0);
		if (packer.BlockLength != 0)
			flushBlock(file, &packer);
		std::fputc(0x00, file);

		for (uint32_t k = 0; k < assignedCount; ++k)
			dictionary[assigned[k]] = 0;
	}
}

//! The file is open; previousFrame is the encoder's from here on.
static void startAnimation(AnimationEncoder* encoder, FILE* file, uint8_t* previousFrame, const char* fileName,
	uint32_t width, uint32_t height, uint32_t delay);

//! The screen and image sizes are 16-bit fields.
static bool fitsGif(uint32_t width, uint32_t height)
{
	return width != 0 && height != 0 && width <= 0xFFFF && height <= 0xFFFF;
}

bool openAnimation(AnimationEncoder* encoder, const char* fileName, uint32_t width, uint32_t height,
	uint32_t delay, int32_t depth, bool dither)
{
	(void)depth;
	(void)dither;
	if (!encoder || encoder->Output || !fileName || !fitsGif(width, height))
		return false;

	// Allocated before the file is created, so that a failure leaves no file behind.
	uint8_t* previousFrame = static_cast<uint8_t*>(std::malloc(size_t(width) * height * 4));
	if (!previousFrame)
		return false;
	FILE* file = std::fopen(fileName, "wb");
	if (!file)
	{
		std::free(previousFrame);
		return false;
	}
	startAnimation(encoder, file, previousFrame, fileName, width, height, delay);
	return true;
}

bool openAnimationFile(AnimationEncoder* encoder, FILE* file, const char* fileName, uint32_t width, uint32_t height,
	uint32_t delay)
{
	if (!encoder || encoder->Output || !file || !fileName || !fitsGif(width, height))
		return false;
	uint8_t* previousFrame = static_cast<uint8_t*>(std::malloc(size_t(width) * height * 4));
	if (!previousFrame)
		return false;
	startAnimation(encoder, file, previousFrame, fileName, width, height, delay);
	return true;
}

static void startAnimation(AnimationEncoder* encoder, FILE* file, uint8_t* previousFrame, const char* fileName,
	uint32_t width, uint32_t height, uint32_t delay)
{
	encoder->Output = file;
	encoder->PreviousFrame = previousFrame;
	encoder->IsFirstFrame = true;
	encoder->Width = width;
	encoder->Height = height;
	encoder->FileName = fileName;

	uint8_t header[13 + 6 + 19] = {
		'G', 'I', 'F', '8', '9', 'a',
		// Logical screen descriptor: size, global colour table of 2 entries, 8-bit colour resolution.
		0, 0, 0, 0, 0xF0, 0x00, 0x00,
		// Global colour table: two black entries (every frame brings its own table).
		0, 0, 0, 0, 0, 0,
		// Application extension: loop forever.
		0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 0x00, 0x00, 0x00 };
	writeShort(header + 6, width);
	writeShort(header + 8, height);
	// Without a delay the animation plays once: no loop extension.
	const size_t length = delay != 0 ? sizeof(header) : 13 + 6;
	std::fwrite(header, 1, length, file);
}

bool addFrame(AnimationEncoder* encoder, const uint8_t* frame, uint32_t width, uint32_t height, uint32_t delay,
	int32_t depth, bool dither)
{
	if (!encoder || !encoder->Output)
		return false;
	if (!frame || width != encoder->Width || height != encoder->Height || depth < 1 || depth > 8)
		return false;

	// Everything this frame needs is obtained before the encoder changes, so a failed allocation leaves
	// PreviousFrame matching what the file shows.
	uint16_t* dictionary =
		static_cast<uint16_t*>(std::calloc(size_t(DICTIONARY_CODES) * DICTIONARY_INDICES, sizeof(uint16_t)));
	if (!dictionary)
		return false;

	const uint8_t* previous = encoder->IsFirstFrame ? nullptr : encoder->PreviousFrame;
	ColorTable table;
	// With dithering every pixel takes part in the table.
	if (!buildColorTable(dither ? nullptr : previous, frame, width, height, depth, dither, &table))
	{
		std::free(dictionary);
		return false;
	}
	// Mapping reads each pixel of previous before writing it, so the mapped frame replaces it in place.
	if (dither)
	{
		if (!mapPixelsDiffused(previous, frame, encoder->PreviousFrame, width, height, &table))
		{
			std::free(dictionary);
			return false;
		}
	}
	else
		mapPixels(previous, frame, encoder->PreviousFrame, width, height, &table);
	encoder->IsFirstFrame = false;

	writeImageBlock(encoder->Output, encoder->PreviousFrame, 0, 0, width, height, delay, &table, dictionary);
	std::free(dictionary);
	return std::ferror(encoder->Output) == 0;
}

void argbToFrame(const uint32_t* argb, uint8_t* frame, size_t count)
{
	for (size_t i = 0; i < count; ++i, frame += 4)
	{
		const uint32_t pixel = argb[i];
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
		frame[0] = uint8_t(pixel >> 16);
		frame[1] = uint8_t(pixel >> 8);
		frame[2] = uint8_t(pixel);
		frame[3] = 255;
#else
		// Red, green, blue, 255 in memory order as one word: the loop then vectorises.
		const uint32_t word =
			0xFF000000u | (pixel & 0x0000FF00u) | ((pixel >> 16) & 0xFFu) | ((pixel & 0xFFu) << 16);
		std::memcpy(frame, &word, 4);
#endif
	}
}

bool closeAnimation(AnimationEncoder* encoder)
{
	if (!encoder || !encoder->Output)
		return false;
	std::fputc(TRAILER, encoder->Output);
	bool written = std::ferror(encoder->Output) == 0;
	// fclose flushes the buffered tail, so a full disk may only show here.
	if (std::fclose(encoder->Output) != 0)
		written = false;
	std::free(encoder->PreviousFrame);
	encoder->Output = nullptr;
	encoder->PreviousFrame = nullptr;
	if (!written)
		removeBrokenFile(encoder->FileName);
	encoder->FileName.clear();
	return written;
}
