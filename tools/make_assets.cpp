// Generates the program's asset files: the bitmap font "font.bmp", the eight tool button images
// and the GIF recording notice. Everything is drawn in code and written with the engine's writers.
#include <irrlicht.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

using namespace irr;

namespace
{

// [SECTION] Pixel font

const u32 GLYPH_ROWS = 9;
const u32 GLYPH_CAP_ROWS = 7; //!< rows from the cap height to the baseline
const u32 GLYPH_COLUMNS = 5;
const u32 GLYPH_COUNT = 95;
const wchar_t FIRST_GLYPH = L' ';

//! One glyph per printable ASCII character, space (32) to tilde (126). A row is 5 bits, bit 4 the
//! leftmost column; rows 0-6 run from the cap height down to the baseline, rows 7-8 hold descenders.
const u8 GLYPHS[GLYPH_COUNT][GLYPH_ROWS] = {
	{ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }, // space
	{ 0x10, 0x10, 0x10, 0x10, 0x10, 0x00, 0x10, 0x00, 0x00 }, // !
	{ 0x14, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }, // "
	{ 0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A, 0x00, 0x00 }, // #
	{ 0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04, 0x00, 0x00 }, // $
	{ 0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03, 0x00, 0x00 }, // %
	{ 0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D, 0x00, 0x00 }, // &
	{ 0x10, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }, // apostrophe
	{ 0x04, 0x08, 0x10, 0x10, 0x10, 0x08, 0x04, 0x00, 0x00 }, // (
	{ 0x10, 0x08, 0x04, 0x04, 0x04, 0x08, 0x10, 0x00, 0x00 }, // )
	{ 0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00, 0x00, 0x00 }, // *
	{ 0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00, 0x00, 0x00 }, // +
	{ 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x08, 0x10, 0x00 }, // ,
	{ 0x00, 0x00, 0x00, 0x1E, 0x00, 0x00, 0x00, 0x00, 0x00 }, // -
	{ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00 }, // .
	{ 0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10, 0x00, 0x00 }, // /
	{ 0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E, 0x00, 0x00 }, // 0
	{ 0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E, 0x00, 0x00 }, // 1
	{ 0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F, 0x00, 0x00 }, // 2
	{ 0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E, 0x00, 0x00 }, // 3
	{ 0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02, 0x00, 0x00 }, // 4
	{ 0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E, 0x00, 0x00 }, // 5
	{ 0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E, 0x00, 0x00 }, // 6
	{ 0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08, 0x00, 0x00 }, // 7
	{ 0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E, 0x00, 0x00 }, // 8
	{ 0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C, 0x00, 0x00 }, // 9
	{ 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00 }, // :
	{ 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08, 0x10, 0x00 }, // ;
	{ 0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02, 0x00, 0x00 }, // <
	{ 0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00, 0x00, 0x00 }, // =
	{ 0x10, 0x08, 0x04, 0x02, 0x04, 0x08, 0x10, 0x00, 0x00 }, // >
	{ 0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04, 0x00, 0x00 }, // ?
	{ 0x0E, 0x11, 0x17, 0x15, 0x17, 0x10, 0x0F, 0x00, 0x00 }, // @
	{ 0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11, 0x00, 0x00 }, // A
	{ 0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E, 0x00, 0x00 }, // B
	{ 0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E, 0x00, 0x00 }, // C
	{ 0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E, 0x00, 0x00 }, // D
	{ 0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F, 0x00, 0x00 }, // E
	{ 0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10, 0x00, 0x00 }, // F
	{ 0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F, 0x00, 0x00 }, // G
	{ 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11, 0x00, 0x00 }, // H
	{ 0x1C, 0x08, 0x08, 0x08, 0x08, 0x08, 0x1C, 0x00, 0x00 }, // I
	{ 0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C, 0x00, 0x00 }, // J
	{ 0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11, 0x00, 0x00 }, // K
	{ 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F, 0x00, 0x00 }, // L
	{ 0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11, 0x00, 0x00 }, // M
	{ 0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x00, 0x00 }, // N
	{ 0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E, 0x00, 0x00 }, // O
	{ 0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10, 0x00, 0x00 }, // P
	{ 0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D, 0x00, 0x00 }, // Q
	{ 0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11, 0x00, 0x00 }, // R
	{ 0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E, 0x00, 0x00 }, // S
	{ 0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x00 }, // T
	{ 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E, 0x00, 0x00 }, // U
	{ 0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04, 0x00, 0x00 }, // V
	{ 0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A, 0x00, 0x00 }, // W
	{ 0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11, 0x00, 0x00 }, // X
	{ 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04, 0x00, 0x00 }, // Y
	{ 0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F, 0x00, 0x00 }, // Z
	{ 0x1C, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1C, 0x00, 0x00 }, // [
	{ 0x10, 0x10, 0x08, 0x04, 0x02, 0x01, 0x01, 0x00, 0x00 }, // backslash
	{ 0x1C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x1C, 0x00, 0x00 }, // ]
	{ 0x04, 0x0A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }, // ^
	{ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F, 0x00 }, // _
	{ 0x10, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }, // `
	{ 0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F, 0x00, 0x00 }, // a
	{ 0x10, 0x10, 0x1E, 0x11, 0x11, 0x11, 0x1E, 0x00, 0x00 }, // b
	{ 0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E, 0x00, 0x00 }, // c
	{ 0x01, 0x01, 0x0F, 0x11, 0x11, 0x11, 0x0F, 0x00, 0x00 }, // d
	{ 0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E, 0x00, 0x00 }, // e
	{ 0x06, 0x08, 0x1E, 0x08, 0x08, 0x08, 0x08, 0x00, 0x00 }, // f
	{ 0x00, 0x00, 0x0F, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x0E }, // g
	{ 0x10, 0x10, 0x1E, 0x11, 0x11, 0x11, 0x11, 0x00, 0x00 }, // h
	{ 0x10, 0x00, 0x10, 0x10, 0x10, 0x10, 0x10, 0x00, 0x00 }, // i
	{ 0x04, 0x00, 0x04, 0x04, 0x04, 0x04, 0x04, 0x14, 0x08 }, // j
	{ 0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12, 0x00, 0x00 }, // k
	{ 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x08, 0x00, 0x00 }, // l
	{ 0x00, 0x00, 0x1A, 0x15, 0x15, 0x15, 0x15, 0x00, 0x00 }, // m
	{ 0x00, 0x00, 0x1E, 0x11, 0x11, 0x11, 0x11, 0x00, 0x00 }, // n
	{ 0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E, 0x00, 0x00 }, // o
	{ 0x00, 0x00, 0x1E, 0x11, 0x11, 0x11, 0x1E, 0x10, 0x10 }, // p
	{ 0x00, 0x00, 0x0F, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x01 }, // q
	{ 0x00, 0x00, 0x16, 0x18, 0x10, 0x10, 0x10, 0x00, 0x00 }, // r
	{ 0x00, 0x00, 0x0F, 0x10, 0x0E, 0x01, 0x1E, 0x00, 0x00 }, // s
	{ 0x00, 0x08, 0x1E, 0x08, 0x08, 0x08, 0x06, 0x00, 0x00 }, // t
	{ 0x00, 0x00, 0x11, 0x11, 0x11, 0x11, 0x0F, 0x00, 0x00 }, // u
	{ 0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04, 0x00, 0x00 }, // v
	{ 0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A, 0x00, 0x00 }, // w
	{ 0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x00, 0x00 }, // x
	{ 0x00, 0x00, 0x11, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x0E }, // y
	{ 0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F, 0x00, 0x00 }, // z
	{ 0x04, 0x08, 0x08, 0x10, 0x08, 0x08, 0x04, 0x00, 0x00 }, // {
	{ 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x00 }, // |
	{ 0x10, 0x08, 0x08, 0x04, 0x08, 0x08, 0x10, 0x00, 0x00 }, // }
	{ 0x00, 0x00, 0x08, 0x15, 0x02, 0x00, 0x00, 0x00, 0x00 }, // ~
};

//! Width of a glyph without ink, the space; with its spacing column it advances 4 pixels.
const u32 SPACE_WIDTH = 3;

//! The inked columns of one glyph: the bitmap is cropped to them, so the font is proportional.
struct GlyphColumns
{
	u32 First;
	u32 Width;
};

GlyphColumns glyphColumns(wchar_t c)
{
	const u8* rows = GLYPHS[c - FIRST_GLYPH];
	u8 used = 0;
	for (u32 r = 0; r < GLYPH_ROWS; ++r)
		used |= rows[r];
	if (!used)
		return { 0, SPACE_WIDTH };

	u32 first = 0;
	while (!(used & (0x10 >> first)))
		++first;
	u32 last = GLYPH_COLUMNS - 1;
	while (!(used & (0x10 >> last)))
		--last;
	return { first, last - first + 1 };
}

bool glyphPixel(wchar_t c, const GlyphColumns& columns, u32 x, u32 row)
{
	return GLYPHS[c - FIRST_GLYPH][row] & (0x10 >> (columns.First + x));
}

//! Horizontal advance of a glyph: its inked width and one column of spacing.
u32 glyphAdvance(wchar_t c)
{
	return glyphColumns(c).Width + 1;
}

u32 textWidth(const wchar_t* text)
{
	u32 width = 0;
	for (const wchar_t* p = text; *p; ++p)
		width += glyphAdvance(*p);
	return width ? width - 1 : 0; // no spacing after the last glyph
}

// [SECTION] font.bmp

// The engine's bitmap font format: pixel (0,0) gives the colour that marks the upper-left corner
// of each glyph box, pixel (1,0) the colour of the lower-right corners and pixel (2,0) the
// background, which the loader makes transparent. Boxes are read in raster order, the first one
// being character 32; a box spans from its upper-left marker up to, not including, its
// lower-right marker. The file is a 24-bit BMP, so the ink is opaque and the engine tints it with
// the text colour of the widget: white ink shows that colour unchanged.
const video::SColor FONT_UPPER_LEFT(255, 255, 0, 0);
const video::SColor FONT_LOWER_RIGHT(255, 255, 255, 0);
const video::SColor FONT_BACKGROUND(255, 0, 0, 0);
const video::SColor FONT_INK(255, 255, 255, 255);

//! A glyph box holds the glyph rows between a clear row above, where the upper-left marker sits,
//! and a clear row below; across, the inked columns and one spacing column.
const u32 FONT_CELL_HEIGHT = GLYPH_ROWS + 2;
//! The lower-right markers lie in the row below each line of boxes.
const u32 FONT_LINE_PITCH = FONT_CELL_HEIGHT + 1;
const u32 FONT_GLYPHS_PER_LINE = 16;
const u32 FONT_LINES = (GLYPH_COUNT + FONT_GLYPHS_PER_LINE - 1) / FONT_GLYPHS_PER_LINE;

//! One past the index of the last glyph on a line of the font image.
u32 fontLineEnd(u32 line)
{
	return std::min(GLYPH_COUNT, (line + 1) * FONT_GLYPHS_PER_LINE);
}

video::IImage* makeFont(video::IVideoDriver* driver)
{
	u32 width = 0;
	for (u32 line = 0; line < FONT_LINES; ++line)
	{
		u32 lineWidth = 0;
		for (u32 i = line * FONT_GLYPHS_PER_LINE; i < fontLineEnd(line); ++i)
			lineWidth += glyphAdvance(FIRST_GLYPH + i);
		// the last box's lower-right marker lies one column past the line
		width = std::max(width, lineWidth + 1);
	}

	video::IImage* image = driver->createImage(video::ECF_A8R8G8B8, core::dimension2du(width, FONT_LINES * FONT_LINE_PITCH));
	image->fill(FONT_BACKGROUND);

	for (u32 line = 0; line < FONT_LINES; ++line)
	{
		const u32 top = line * FONT_LINE_PITCH;
		u32 left = 0;
		for (u32 i = line * FONT_GLYPHS_PER_LINE; i < fontLineEnd(line); ++i)
		{
			const wchar_t c = FIRST_GLYPH + i;
			const GlyphColumns columns = glyphColumns(c);
			for (u32 row = 0; row < GLYPH_ROWS; ++row)
				for (u32 x = 0; x < columns.Width; ++x)
					if (glyphPixel(c, columns, x, row))
						image->setPixel(left + x, top + 1 + row, FONT_INK);

			const u32 advance = columns.Width + 1;
			image->setPixel(left, top, FONT_UPPER_LEFT);
			image->setPixel(left + advance, top + FONT_CELL_HEIGHT, FONT_LOWER_RIGHT);
			left += advance;
		}
	}

	// The loader samples the lower-right colour here; it lies in the space glyph's clear top row
	// and is turned back into background before the boxes are read.
	image->setPixel(1, 0, FONT_LOWER_RIGHT);
	return image;
}

// [SECTION] Antialiased canvas for the images

//! A colour with straight (not premultiplied) alpha, channels in 0..1.
struct Rgba
{
	f32 R, G, B, A;
};

Rgba rgb(u32 r, u32 g, u32 b, f32 alpha = 1.f)
{
	return { r / 255.f, g / 255.f, b / 255.f, alpha };
}

Rgba mix(const Rgba& a, const Rgba& b, f32 t)
{
	return { a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t, a.A + (b.A - a.A) * t };
}

//! A region of the image plane in pixel units, pixel (x, y) covering [x, x+1) x [y, y+1).
struct Shape
{
	f32 Left, Top, Right, Bottom; //!< bounds; nothing outside is inside
	std::function<bool(f32, f32)> Inside;
};

Shape rectangle(f32 left, f32 top, f32 right, f32 bottom)
{
	return { left, top, right, bottom, [=](f32 x, f32 y) { return x >= left && x < right && y >= top && y < bottom; } };
}

Shape disc(f32 cx, f32 cy, f32 radius)
{
	return { cx - radius, cy - radius, cx + radius, cy + radius,
		[=](f32 x, f32 y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; } };
}

Shape roundedRectangle(f32 left, f32 top, f32 right, f32 bottom, f32 radius)
{
	return { left, top, right, bottom, [=](f32 x, f32 y) {
		if (x < left || x >= right || y < top || y >= bottom)
			return false;
		const f32 dx = std::max({ left + radius - x, x - (right - radius), 0.f });
		const f32 dy = std::max({ top + radius - y, y - (bottom - radius), 0.f });
		return dx * dx + dy * dy <= radius * radius;
	} };
}

//! The part [u0, u1] x [v0, v1] of a box turned by angle (radians, y down) about its centre.
Shape turnedBox(f32 cx, f32 cy, f32 angle, f32 u0, f32 u1, f32 v0, f32 v1)
{
	const f32 c = std::cos(angle);
	const f32 s = std::sin(angle);
	const f32 reach = std::max(std::fabs(u0), std::fabs(u1)) + std::max(std::fabs(v0), std::fabs(v1));
	return { cx - reach, cy - reach, cx + reach, cy + reach, [=](f32 x, f32 y) {
		const f32 u = (x - cx) * c + (y - cy) * s;
		const f32 v = -(x - cx) * s + (y - cy) * c;
		return u >= u0 && u <= u1 && v >= v0 && v <= v1;
	} };
}

//! A polygon given by its corners in order; a point is inside by the even-odd rule.
Shape polygon(const std::vector<core::vector2df>& corners)
{
	f32 left = corners[0].X, top = corners[0].Y, right = left, bottom = top;
	for (const core::vector2df& c : corners)
	{
		left = std::min(left, c.X);
		right = std::max(right, c.X);
		top = std::min(top, c.Y);
		bottom = std::max(bottom, c.Y);
	}
	return { left, top, right, bottom, [=](f32 x, f32 y) {
		bool inside = false;
		for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++)
		{
			const core::vector2df& a = corners[i];
			const core::vector2df& b = corners[j];
			if ((a.Y > y) != (b.Y > y) && x < a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y))
				inside = !inside;
		}
		return inside;
	} };
}

//! The shape grown by width: inside it, or at most width away from its corners' outline.
Shape grown(const std::vector<core::vector2df>& corners, f32 width)
{
	const Shape inner = polygon(corners);
	return { inner.Left - width, inner.Top - width, inner.Right + width, inner.Bottom + width, [=](f32 x, f32 y) {
		if (inner.Inside(x, y))
			return true;
		for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++)
		{
			const core::vector2df a = corners[j], d = corners[i] - corners[j], p(x, y);
			const f32 t = core::clamp((p - a).dotProduct(d) / d.getLengthSQ(), 0.f, 1.f);
			if ((p - (a + d * t)).getLengthSQ() <= width * width)
				return true;
		}
		return false;
	} };
}

Shape without(const Shape& outer, const Shape& hole)
{
	return { outer.Left, outer.Top, outer.Right, outer.Bottom,
		[=](f32 x, f32 y) { return outer.Inside(x, y) && !hole.Inside(x, y); } };
}

class Canvas
{
public:
	Canvas(u32 width, u32 height)
		: Width(width), Height(height), Pixels(width * height, Rgba{ 0.f, 0.f, 0.f, 0.f })
	{
	}

	//! Paints colour over the shape, covering each pixel by the share of its 4 x 4 samples inside.
	void fill(const Shape& shape, const std::function<Rgba(f32, f32)>& colour)
	{
		const s32 x0 = std::max(0, (s32)std::floor(shape.Left));
		const s32 y0 = std::max(0, (s32)std::floor(shape.Top));
		const s32 x1 = std::min((s32)Width, (s32)std::ceil(shape.Right) + 1);
		const s32 y1 = std::min((s32)Height, (s32)std::ceil(shape.Bottom) + 1);
		for (s32 y = y0; y < y1; ++y)
			for (s32 x = x0; x < x1; ++x)
			{
				u32 inside = 0;
				for (u32 sy = 0; sy < SAMPLES; ++sy)
					for (u32 sx = 0; sx < SAMPLES; ++sx)
						if (shape.Inside(x + (sx + 0.5f) / SAMPLES, y + (sy + 0.5f) / SAMPLES))
							++inside;
				if (inside)
					blend(x, y, colour(x + 0.5f, y + 0.5f), (f32)inside / (SAMPLES * SAMPLES));
			}
	}

	void fill(const Shape& shape, const Rgba& colour)
	{
		fill(shape, [&](f32, f32) { return colour; });
	}

	video::IImage* toImage(video::IVideoDriver* driver) const
	{
		video::IImage* image = driver->createImage(video::ECF_A8R8G8B8, core::dimension2du(Width, Height));
		for (u32 y = 0; y < Height; ++y)
			for (u32 x = 0; x < Width; ++x)
			{
				const Rgba& p = Pixels[y * Width + x];
				image->setPixel(x, y, video::SColor(toByte(p.A), toByte(p.R), toByte(p.G), toByte(p.B)));
			}
		return image;
	}

private:
	static const u32 SAMPLES = 4;

	static u32 toByte(f32 v)
	{
		return (u32)core::clamp(std::lround(v * 255.f), 0L, 255L);
	}

	//! Source-over compositing of colour at the given coverage.
	void blend(s32 x, s32 y, const Rgba& colour, f32 coverage)
	{
		Rgba& d = Pixels[y * Width + x];
		const f32 sa = colour.A * coverage;
		const f32 a = sa + d.A * (1.f - sa);
		if (a <= 0.f)
			return;
		const f32 keep = d.A * (1.f - sa);
		d.R = (colour.R * sa + d.R * keep) / a;
		d.G = (colour.G * sa + d.G * keep) / a;
		d.B = (colour.B * sa + d.B * keep) / a;
		d.A = a;
	}

	u32 Width;
	u32 Height;
	std::vector<Rgba> Pixels;
};

//! Draws text with the pixel font, each font pixel a scale x scale block; (left, top) is the
//! top of glyph row 0.
void drawText(Canvas& canvas, f32 left, f32 top, u32 scale, const wchar_t* text, const Rgba& colour)
{
	for (const wchar_t* p = text; *p; ++p)
	{
		const GlyphColumns columns = glyphColumns(*p);
		for (u32 row = 0; row < GLYPH_ROWS; ++row)
			for (u32 x = 0; x < columns.Width; ++x)
				if (glyphPixel(*p, columns, x, row))
					canvas.fill(rectangle(left + x * scale, top + row * scale, left + (x + 1) * scale, top + (row + 1) * scale), colour);
		left += (columns.Width + 1) * scale;
	}
}

// [SECTION] Tool button images

// The buttons are 20 x 20 and the engine draws their images without the alpha channel, over the
// whole button: each image is opaque and brings its own frame. Unchecked is a raised light-grey
// key with a dark symbol; checked is a dark sunken key in a blue frame with a bright symbol.
const u32 ICON_SIZE = 20;
const f32 ICON_CENTRE = ICON_SIZE / 2.f;
const Rgba ACCENT = rgb(64, 156, 255);

Canvas buttonFace(bool checked)
{
	const f32 n = (f32)ICON_SIZE;
	Canvas canvas(ICON_SIZE, ICON_SIZE);
	if (!checked)
	{
		canvas.fill(rectangle(0, 0, n, n), rgb(96, 96, 96));
		canvas.fill(rectangle(1, 1, n - 1, n - 1), rgb(168, 168, 168));
		canvas.fill(rectangle(1, 1, n - 2, n - 2), rgb(255, 255, 255));
		const Rgba top = rgb(240, 240, 240);
		const Rgba bottom = rgb(212, 212, 212);
		canvas.fill(rectangle(2, 2, n - 2, n - 2), [&](f32, f32 y) { return mix(top, bottom, (y - 2) / (n - 4)); });
	}
	else
	{
		canvas.fill(rectangle(0, 0, n, n), ACCENT);
		canvas.fill(rectangle(1, 1, n - 1, n - 1), rgb(14, 18, 26));
		const Rgba top = rgb(34, 40, 54);
		const Rgba bottom = rgb(52, 60, 78);
		canvas.fill(rectangle(2, 2, n - 1, n - 1), [&](f32, f32 y) { return mix(top, bottom, (y - 2) / (n - 3)); });
	}
	return canvas;
}

video::IImage* makeRoundBrushIcon(video::IVideoDriver* driver, bool checked)
{
	Canvas canvas = buttonFace(checked);
	if (checked)
	{
		canvas.fill(disc(ICON_CENTRE, ICON_CENTRE, 7.f), Rgba{ ACCENT.R, ACCENT.G, ACCENT.B, 0.45f });
		canvas.fill(disc(ICON_CENTRE, ICON_CENTRE, 5.5f), rgb(250, 250, 250));
	}
	else
		canvas.fill(disc(ICON_CENTRE, ICON_CENTRE, 5.5f), rgb(60, 60, 60));
	return canvas.toImage(driver);
}

video::IImage* makeEraseBrushIcon(video::IVideoDriver* driver, bool checked)
{
	// A block eraser tilted 40 degrees up to the right; u runs along it from the rubbing tip at the
	// lower left, v across it.
	Canvas canvas = buttonFace(checked);
	const f32 angle = -40.f * core::DEGTORAD;
	const f32 half = 6.5f;
	const f32 across = 3.f;
	const f32 tipEnd = -1.5f;
	auto part = [&](f32 u0, f32 u1) { return turnedBox(ICON_CENTRE, ICON_CENTRE, angle, u0, u1, -across, across); };

	const Rgba outline = checked ? rgb(10, 12, 18) : rgb(56, 56, 56);
	const Rgba body = checked ? rgb(255, 112, 146) : rgb(146, 146, 146);
	const Rgba tip = checked ? rgb(248, 248, 248) : rgb(236, 236, 236);
	canvas.fill(turnedBox(ICON_CENTRE, ICON_CENTRE, angle, -half - 1.f, half + 1.f, -across - 1.f, across + 1.f), outline);
	canvas.fill(part(-half, tipEnd - 0.5f), tip);
	canvas.fill(part(tipEnd + 0.5f, half), body);
	return canvas.toImage(driver);
}

video::IImage* makeSelectToolIcon(video::IVideoDriver* driver, bool checked)
{
	// A pointer arrow, tip at the upper left.
	Canvas canvas = buttonFace(checked);
	const std::vector<core::vector2df> arrow = { { 6.f, 3.5f }, { 6.f, 15.5f }, { 9.f, 12.7f }, { 11.2f, 17.f },
		{ 13.2f, 16.f }, { 11.f, 11.8f }, { 15.f, 11.8f } };
	canvas.fill(grown(arrow, 1.f), checked ? rgb(10, 12, 18) : rgb(236, 236, 236));
	canvas.fill(polygon(arrow), checked ? rgb(250, 250, 250) : rgb(60, 60, 60));
	return canvas.toImage(driver);
}

video::IImage* makeMirrorIcon(video::IVideoDriver* driver, bool checked)
{
	// Two mirror-image triangles either side of a dashed line.
	Canvas canvas = buttonFace(checked);
	const Rgba ink = checked ? rgb(250, 250, 250) : rgb(60, 60, 60);
	canvas.fill(polygon({ { 8.5f, 5.f }, { 8.5f, 15.f }, { 3.5f, 15.f } }), ink);
	canvas.fill(polygon({ { 11.5f, 5.f }, { 11.5f, 15.f }, { 16.5f, 15.f } }), checked ? ACCENT : rgb(130, 130, 130));
	for (f32 y = 3.f; y < 17.f; y += 3.f)
		canvas.fill(rectangle(9.5f, y, 10.5f, y + 2.f), ink);
	return canvas.toImage(driver);
}

// [SECTION] gifWarning.png

// Shown over the 3-D view while a recording waits for its first press: a translucent dark box
// with a red recording dot, a title and an instruction, the text at twice the font's size.
const wchar_t* WARNING_TITLE = L"GIF recording armed";
const wchar_t* WARNING_HINT = L"press and drag in the view to record";

video::IImage* makeGifWarning(video::IVideoDriver* driver)
{
	const u32 scale = 2;
	const f32 padding = 14.f;
	const f32 dotSize = 14.f;
	const f32 dotGap = 8.f;
	const f32 capHeight = (f32)(GLYPH_CAP_ROWS * scale);
	const f32 linePitch = capHeight + 8.f; // baseline to baseline
	const f32 textHeight = (f32)(GLYPH_ROWS * scale);

	const f32 titleWidth = dotSize + dotGap + textWidth(WARNING_TITLE) * scale;
	const f32 hintWidth = (f32)(textWidth(WARNING_HINT) * scale);
	const u32 width = (u32)std::ceil(std::max(titleWidth, hintWidth) + 2 * padding);
	const u32 height = (u32)std::ceil(padding + linePitch + textHeight + padding);
	const f32 w = (f32)width;
	const f32 h = (f32)height;

	Canvas canvas(width, height);
	const f32 radius = 10.f;
	const Shape outer = roundedRectangle(0, 0, w, h, radius);
	const Shape inner = roundedRectangle(1, 1, w - 1, h - 1, radius - 1);
	canvas.fill(without(outer, inner), rgb(255, 255, 255, 0.35f));
	canvas.fill(inner, rgb(14, 16, 22, 0.82f));

	// Both lines start at the left edge of the wider one.
	const f32 left = (w - std::max(titleWidth, hintWidth)) / 2;
	const f32 titleTop = padding;
	canvas.fill(disc(left + dotSize / 2, titleTop + capHeight / 2, dotSize / 2), rgb(236, 48, 48));
	drawText(canvas, left + dotSize + dotGap, titleTop, scale, WARNING_TITLE, rgb(255, 255, 255));
	drawText(canvas, left, titleTop + linePitch, scale, WARNING_HINT, rgb(206, 212, 224));
	return canvas.toImage(driver);
}

// [SECTION] Output

struct Asset
{
	const char* Name;
	std::function<video::IImage*(video::IVideoDriver*)> Make;
};

} // namespace

int main(int argc, char* argv[])
{
	if (argc != 2)
	{
		std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
		return 2;
	}

	const std::filesystem::path directory(argv[1]);
	std::error_code error;
	std::filesystem::create_directories(directory, error);
	if (error)
	{
		std::fprintf(stderr, "vantrel_assets: cannot create directory %s: %s\n", directory.string().c_str(), error.message().c_str());
		return 1;
	}

	// The engine would print its banner and every loader message to the console otherwise.
	SIrrlichtCreationParameters parameters;
	parameters.DriverType = video::EDT_NULL;
	parameters.LoggingLevel = ELL_NONE;
	IrrlichtDevice* device = createDeviceEx(parameters);
	if (!device)
	{
		std::fprintf(stderr, "vantrel_assets: cannot create the engine's NULL device\n");
		return 1;
	}
	video::IVideoDriver* driver = device->getVideoDriver();

	const Asset assets[] = {
		{ "font.bmp", makeFont },
		{ "roundBrushUnchecked.png", [](video::IVideoDriver* d) { return makeRoundBrushIcon(d, false); } },
		{ "roundBrushChecked.png", [](video::IVideoDriver* d) { return makeRoundBrushIcon(d, true); } },
		{ "eraseBrushUnchecked.png", [](video::IVideoDriver* d) { return makeEraseBrushIcon(d, false); } },
		{ "eraseBrushChecked.png", [](video::IVideoDriver* d) { return makeEraseBrushIcon(d, true); } },
		{ "selectToolUnchecked.png", [](video::IVideoDriver* d) { return makeSelectToolIcon(d, false); } },
		{ "selectToolChecked.png", [](video::IVideoDriver* d) { return makeSelectToolIcon(d, true); } },
		{ "mirrorUnchecked.png", [](video::IVideoDriver* d) { return makeMirrorIcon(d, false); } },
		{ "mirrorChecked.png", [](video::IVideoDriver* d) { return makeMirrorIcon(d, true); } },
		{ "gifWarning.png", makeGifWarning },
	};

	int status = 0;
	for (const Asset& asset : assets)
	{
		const std::string path = (directory / asset.Name).string();
		video::IImage* image = asset.Make(driver);
		if (!driver->writeImageToFile(image, path.c_str()))
		{
			std::fprintf(stderr, "vantrel_assets: cannot write %s\n", path.c_str());
			status = 1;
		}
		image->drop();
	}

	device->drop();
	return status;
}
