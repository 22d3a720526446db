#include "ui/AssetFiles.h"

#include <cstdio>
#include <cstring>

using namespace irr;

const char* const ASSET_FILES[10] = {"font.bmp", "roundBrushUnchecked.png", "roundBrushChecked.png",
	"eraseBrushUnchecked.png", "eraseBrushChecked.png", "selectToolUnchecked.png", "selectToolChecked.png",
	"mirrorUnchecked.png", "mirrorChecked.png", "gifWarning.png"};

namespace
{
// BMP: 14-byte file header, then at least the 40-byte information header the engine reads.
const u32 BMP_HEADERS = 14 + 40;
// PNG: 8-byte signature, the IHDR chunk (length, type, 13 data bytes, CRC) and an IEND chunk.
const u32 PNG_SMALLEST = 8 + 25 + 12;
const u8 PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

u32 littleEndian(const u8* p, int bytes)
{
	u32 v = 0;
	for (int i = bytes - 1; i >= 0; --i)
		v = (v << 8) | p[i];
	return v;
}

u32 bigEndian(const u8* p)
{
	return ((u32)p[0] << 24) | ((u32)p[1] << 16) | ((u32)p[2] << 8) | p[3];
}

std::string pixelsProblem(s64 width, s64 height)
{
	if (width <= 0 || height <= 0)
		return "its header gives no pixels";
	if (width > ASSET_MAX_SIDE || height > ASSET_MAX_SIDE)
		return "its header claims " + std::to_string(width) + " x " + std::to_string(height)
			+ " pixels, more than " + std::to_string(ASSET_MAX_SIDE) + " x " + std::to_string(ASSET_MAX_SIDE);
	return std::string();
}

std::string bmpProblem(const u8* h, u64 size)
{
	if (size < BMP_HEADERS || h[0] != 'B' || h[1] != 'M')
		return "it is not a BMP file";
	const u32 offset = littleEndian(h + 10, 4);
	const u32 infoSize = littleEndian(h + 14, 4);
	const s64 width = (s32)littleEndian(h + 18, 4);
	// A negative height (rows top-down) is not read by the engine.
	const s64 height = (s32)littleEndian(h + 22, 4);
	const u32 bitsPerPixel = littleEndian(h + 28, 2);
	const u32 compression = littleEndian(h + 30, 4);
	const u32 dataSize = littleEndian(h + 34, 4);
	if (infoSize < 40)
		return "its BMP header is of an old kind";
	const std::string pixels = pixelsProblem(width, height);
	if (!pixels.empty())
		return pixels;
	const bool known = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16
		|| bitsPerPixel == 24 || bitsPerPixel == 32;
	// 0 uncompressed, 1 run-length coded 8 bits, 2 run-length coded 4 bits.
	if (!known || compression > 2 || (compression == 1 && bitsPerPixel != 8) || (compression == 2 && bitsPerPixel != 4))
		return "its BMP header gives an unsupported pixel format";
	if (offset < BMP_HEADERS || offset > size)
		return "its BMP header puts the pixels outside the file";
	// The engine reads the data size from the header, or takes the rest of the file.
	const u64 available = size - offset;
	const u64 declared = dataSize ? dataSize : available;
	if (compression == 0)
	{
		// Rows are padded to four bytes.
		const u64 row = ((u64)width * bitsPerPixel + 31) / 32 * 4;
		const u64 needed = row * (u64)height;
		if (needed > available || needed > declared)
			return "its header claims " + std::to_string(width) + " x " + std::to_string(height) + " pixels, "
				+ std::to_string(needed) + " bytes, but the file holds " + std::to_string(available);
	}
	else if (declared > available || declared == 0)
		return "its BMP header claims more coded pixel data than the file holds";
	return std::string();
}

std::string pngProblem(const u8* h, u64 size)
{
	if (size < 8 || std::memcmp(h, PNG_SIGNATURE, 8) != 0)
		return "it is not a PNG file";
	if (size < PNG_SMALLEST || bigEndian(h + 8) != 13 || std::memcmp(h + 12, "IHDR", 4) != 0)
		return "its PNG header is cut short or damaged";
	return pixelsProblem(bigEndian(h + 16), bigEndian(h + 20));
}
}

std::string assetProblem(const char* path)
{
	std::FILE* file = std::fopen(path, "rb");
	if (!file)
		return "missing (it cannot be opened)";
	u8 header[BMP_HEADERS] = {0};
	const size_t read = std::fread(header, 1, sizeof(header), file);
	std::fseek(file, 0, SEEK_END);
	const long end = std::ftell(file);
	std::fclose(file);
	const u64 size = end < 0 ? read : (u64)end;
	const size_t length = std::strlen(path);
	if (length >= 4 && std::strcmp(path + length - 4, ".bmp") == 0)
		return bmpProblem(header, size);
	return pngProblem(header, size);
}

void reportAssetProblems()
{
	for (const char* name : ASSET_FILES)
	{
		const std::string problem = assetProblem(name);
		if (!problem.empty())
			std::fprintf(stderr, "vantrel: %s is skipped: %s\n", name, problem.c_str());
	}
}

gui::IGUIFont* loadFont(gui::IGUIEnvironment* environment, const char* name)
{
	return assetProblem(name).empty() ? environment->getFont(name) : nullptr;
}

video::ITexture* loadTexture(video::IVideoDriver* driver, const char* name)
{
	return assetProblem(name).empty() ? driver->getTexture(name) : nullptr;
}
