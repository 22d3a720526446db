// Per-frame colour table of the GIF encoder: median cut into an implicit k-d tree over red, green
// and blue, and the mapping of RGBA frames onto it, direct or with Floyd-Steinberg error diffusion.
#pragma once
#include <cstdint>

//! A table of 2^Depth entries; entry 0 is the transparent entry and is black.
//! The tree is implicit: node 1 is the root, node n has the children 2n and 2n + 1, nodes below 2^Depth
//! are inner nodes and node n >= 2^Depth is the leaf of entry n - 2^Depth.
struct ColorTable
{
	int32_t Depth;
	uint8_t Reds[256];
	uint8_t Greens[256];
	uint8_t Blues[256];
	//! Channel an inner node splits on: 0 red, 1 green, 2 blue.
	uint8_t NodeChannel[256];
	//! Colours below the threshold on the node's channel belong to the left child.
	uint8_t NodeThreshold[256];
};

// Frames are width x height pixels of 4 bytes: red, green, blue, then a byte that is ignored in input
// frames and holds the colour index in mapped frames. A mapped pixel carries the colour of its entry.
// "previous" is the previously written mapped frame or null; pixels whose colour equals it are
// transparent (index 0) and take no part in the table. Output may be the same buffer as previous.

//! Fills table for a frame. forDither gives the first entry the darkest and the last entry the brightest
//! channel values instead of means. Returns false, table untouched, if depth is outside 1 to 8 or the
//! working copy of the frame cannot be allocated.
bool buildColorTable(const uint8_t* previous, const uint8_t* frame, uint32_t width, uint32_t height,
	int32_t depth, bool forDither, ColorTable* table);

//! Maps every pixel to its nearest entry (L1 distance).
void mapPixels(const uint8_t* previous, const uint8_t* frame, uint8_t* output, uint32_t width, uint32_t height,
	const ColorTable* table);

//! Maps with Floyd-Steinberg error diffusion in 8-bit fixed point; the error goes to neighbours by pixel
//! index, so it wraps around row ends. Returns false, output untouched, if the work buffer (16 bytes
//! per pixel) cannot be allocated.
bool mapPixelsDiffused(const uint8_t* previous, const uint8_t* frame, uint8_t* output, uint32_t width,
	uint32_t height, const ColorTable* table);

// The steps of the median cut and of the search, visible so that their tie rules can be tested one by one.
namespace colortable_detail
{
	//! Copies the frame's pixels whose colour differs from previous, in order, to the front of pixels;
	//! returns how many there are. Unchanged pixels take no part in the table.
	uint32_t keepChangedPixels(const uint8_t* previous, const uint8_t* frame, uint8_t* pixels, uint32_t count);

	//! Shares entries firstEntry to lastEntry - 1 out among count pixels in proportion and records the
	//! split of each inner node; reorders pixels.
	void subdivideTable(uint8_t* pixels, uint32_t count, int32_t firstEntry, int32_t lastEntry, int32_t splitEntry,
		int32_t splitStep, int32_t node, bool forDither, ColorTable* table);

	//! Quickselect on one channel over pixels [left, right): afterwards no pixel before target has a
	//! greater value and none after it a smaller one.
	void selectByChannel(uint8_t* pixels, uint32_t left, uint32_t right, int32_t channel, uint32_t target);

	//! Partitions [left, right) around the value of the pixel at pivot; pixels equal to it go alternately
	//! after and before its final place. Returns that place.
	uint32_t partitionAround(uint8_t* pixels, uint32_t left, uint32_t right, int32_t channel, uint32_t pivot);

	//! Swaps the colours of pixels a and b.
	void exchangePixels(uint8_t* pixels, uint32_t a, uint32_t b);

	//! Branch-and-bound search below node for the entry nearest to the colour; updates bestIndex and
	//! bestDistance only on a strictly smaller distance. Entry 0 is never chosen. Channel values may
	//! exceed 255 (diffused error).
	void findNearestEntry(const ColorTable* table, int32_t red, int32_t green, int32_t blue, int32_t* bestIndex,
		int32_t* bestDistance, int32_t node);
}
