// Median-cut colour table, nearest-entry search and the direct and error-diffused frame mappings.
#include "gif/ColorTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace colortable_detail;

namespace
{
	//! Start value of the best distance, so that the first entry the search reaches replaces it.
	const int32_t START_DISTANCE = 1000000;

	//! Slots of the mappings' search cache: 2^14 of 4 bytes, enough for the ten thousand or so colours
	//! that change in a frame of strokes.
	const uint32_t CACHE_BITS = 14;
	const uint32_t CACHE_SIZE = 1u << CACHE_BITS;

	//! The search below node with the colour as an array indexed by channel; see findNearestEntry.
	void searchNode(const ColorTable* table, const int32_t* colour, int32_t leafBase, int32_t* bestIndex,
		int32_t* bestDistance, int32_t node)
	{
		while (node < leafBase)
		{
			const int32_t value = colour[table->NodeChannel[node]];
			const int32_t threshold = table->NodeThreshold[node];
			if (threshold > value)
			{
				searchNode(table, colour, leafBase, bestIndex, bestDistance, 2 * node);
				if (*bestDistance <= threshold - value)
					return;
				node = 2 * node + 1;
			}
			else
			{
				searchNode(table, colour, leafBase, bestIndex, bestDistance, 2 * node + 1);
				if (*bestDistance <= value - threshold)
					return;
				node = 2 * node;
			}
		}

		const int32_t entry = node - leafBase;
		if (entry == 0)
			return;
		const int32_t dr = colour[0] - table->Reds[entry];
		const int32_t dg = colour[1] - table->Greens[entry];
		const int32_t db = colour[2] - table->Blues[entry];
		const int32_t distance = (dr < 0 ? -dr : dr) + (dg < 0 ? -dg : dg) + (db < 0 ? -db : db);
		if (distance < *bestDistance)
		{
			*bestIndex = entry;
			*bestDistance = distance;
		}
	}

	//! Per-node bounding boxes of the entry colours below each node, for the mappings' searches. A box
	//! with Low 255 and High 0 is empty (entry 0's leaf); min/max unions then ignore it.
	struct SearchBounds
	{
		int32_t LeafBase;
		uint8_t Low[512][3];
		uint8_t High[512][3];
	};

	void buildSearchBounds(const ColorTable* table, SearchBounds* bounds)
	{
		const int32_t leafBase = 1 << table->Depth;
		bounds->LeafBase = leafBase;
		for (int32_t entry = 0; entry < leafBase; ++entry)
		{
			uint8_t* low = bounds->Low[leafBase + entry];
			uint8_t* high = bounds->High[leafBase + entry];
			if (entry == 0)
			{
				low[0] = low[1] = low[2] = 255;
				high[0] = high[1] = high[2] = 0;
				continue;
			}
			low[0] = high[0] = table->Reds[entry];
			low[1] = high[1] = table->Greens[entry];
			low[2] = high[2] = table->Blues[entry];
		}
		for (int32_t node = leafBase - 1; node >= 1; --node)
		{
			for (int32_t c = 0; c < 3; ++c)
			{
				bounds->Low[node][c] = std::min(bounds->Low[2 * node][c], bounds->Low[2 * node + 1][c]);
				bounds->High[node][c] = std::max(bounds->High[2 * node][c], bounds->High[2 * node + 1][c]);
			}
		}
	}

	//! L1 distance from the colour to the nearest point of a node's box: no entry below is nearer.
	inline int32_t boxDistance(const SearchBounds* bounds, const int32_t* colour, int32_t node)
	{
		int32_t distance = 0;
		for (int32_t c = 0; c < 3; ++c)
		{
			const int32_t low = bounds->Low[node][c];
			const int32_t high = bounds->High[node][c];
			if (colour[c] < low)
				distance += low - colour[c];
			else if (colour[c] > high)
				distance += colour[c] - high;
		}
		return distance;
	}

	//! searchNode with one more cut: a child whose box is no nearer than the best distance is skipped.
	//! The best entry only changes on a strictly smaller distance, so a skipped child could not have
	//! changed it, and the result is the same entry the plain search finds.
	void searchBounded(const ColorTable* table, const SearchBounds* bounds, const int32_t* colour,
		int32_t* bestIndex, int32_t* bestDistance, int32_t node)
	{
		const int32_t leafBase = bounds->LeafBase;
		while (node < leafBase)
		{
			const int32_t value = colour[table->NodeChannel[node]];
			const int32_t threshold = table->NodeThreshold[node];
			int32_t nearSide;
			int32_t farSide;
			int32_t gap;
			if (threshold > value)
			{
				nearSide = 2 * node;
				farSide = 2 * node + 1;
				gap = threshold - value;
			}
			else
			{
				nearSide = 2 * node + 1;
				farSide = 2 * node;
				gap = value - threshold;
			}
			if (boxDistance(bounds, colour, nearSide) < *bestDistance)
				searchBounded(table, bounds, colour, bestIndex, bestDistance, nearSide);
			if (*bestDistance <= gap || boxDistance(bounds, colour, farSide) >= *bestDistance)
				return;
			node = farSide;
		}

		const int32_t entry = node - leafBase;
		if (entry == 0)
			return;
		const int32_t distance = boxDistance(bounds, colour, node);
		if (distance < *bestDistance)
		{
			*bestIndex = entry;
			*bestDistance = distance;
		}
	}

	//! Remembers recent search results of one table: the search is a pure function of the colour, and
	//! frames repeat colours a lot (backdrop, stroke interiors). Direct-mapped on a hash of the colour;
	//! a slot holds the colour in its upper 24 bits and the entry in its low byte, 0 when empty (the
	//! search never answers entry 0).
	class NearestCache
	{
	public:
		explicit NearestCache(const ColorTable* table) : Table(table)
		{
			buildSearchBounds(table, &Bounds);
			std::memset(Slots, 0, sizeof(Slots));
		}

		//! Channel values may lie above 255 (diffused error); those are searched every time.
		int32_t nearest(int32_t red, int32_t green, int32_t blue)
		{
			const bool cacheable = (red | green | blue) >= 0 && red < 256 && green < 256 && blue < 256;
			const uint32_t key = uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
			uint32_t& slot = Slots[(key * 2654435761u) >> (32 - CACHE_BITS)];
			if (cacheable && slot >> 8 == key && (slot & 0xFF) != 0)
				return int32_t(slot & 0xFF);
			const int32_t colour[3] = { red, green, blue };
			int32_t bestIndex = 0;
			int32_t bestDistance = START_DISTANCE;
			searchBounded(Table, &Bounds, colour, &bestIndex, &bestDistance, 1);
			if (cacheable)
				slot = key << 8 | uint32_t(bestIndex);
			return bestIndex;
		}

	private:
		const ColorTable* Table;
		SearchBounds Bounds;
		uint32_t Slots[CACHE_SIZE];
	};

	void setEntry(ColorTable* table, int32_t entry, const uint8_t* pixels, size_t count, bool forDither)
	{
		const int32_t lastEntry = (1 << table->Depth) - 1;
		uint8_t result[3];
		if (forDither && (entry == 1 || entry == lastEntry))
		{
			// The darkest and the brightest entry span the frame, so diffused error cannot run away.
			const bool darkest = entry == 1;
			for (int32_t c = 0; c < 3; ++c)
			{
				uint8_t v = pixels[c];
				for (size_t i = 1; i < count; ++i)
				{
					const uint8_t p = pixels[4 * i + c];
					if (darkest ? p < v : p > v)
						v = p;
				}
				result[c] = v;
			}
		}
		else
		{
			uint64_t sums[3] = { 0, 0, 0 };
			for (size_t i = 0; i < count; ++i)
			{
				sums[0] += pixels[4 * i];
				sums[1] += pixels[4 * i + 1];
				sums[2] += pixels[4 * i + 2];
			}
			for (int32_t c = 0; c < 3; ++c)
				result[c] = uint8_t((sums[c] + count / 2) / count);
		}
		table->Reds[entry] = result[0];
		table->Greens[entry] = result[1];
		table->Blues[entry] = result[2];
	}
}

namespace colortable_detail
{
	uint32_t keepChangedPixels(const uint8_t* previous, const uint8_t* frame, uint8_t* pixels, uint32_t count)
	{
		uint32_t kept = 0;
		for (size_t i = 0; i < count; ++i)
		{
			const uint8_t* p = frame + 4 * i;
			const uint8_t* q = previous + 4 * i;
			if (p[0] != q[0] || p[1] != q[1] || p[2] != q[2])
			{
				std::memcpy(pixels + 4 * size_t(kept), p, 4);
				++kept;
			}
		}
		return kept;
	}

	void exchangePixels(uint8_t* pixels, uint32_t a, uint32_t b)
	{
		// The fourth byte goes along: nothing reads it in the working copy, and whole words swap faster.
		uint32_t pa;
		uint32_t pb;
		std::memcpy(&pa, pixels + 4 * size_t(a), 4);
		std::memcpy(&pb, pixels + 4 * size_t(b), 4);
		std::memcpy(pixels + 4 * size_t(a), &pb, 4);
		std::memcpy(pixels + 4 * size_t(b), &pa, 4);
	}

	uint32_t partitionAround(uint8_t* pixels, uint32_t left, uint32_t right, int32_t channel, uint32_t pivot)
	{
		const uint32_t pivotValue = pixels[4 * size_t(pivot) + channel];
		exchangePixels(pixels, pivot, right - 1);
		uint32_t store = left;
		uint32_t alternate = 0;
		// Smaller values move to the front; of the equal values every second one does, so runs of one
		// value split evenly. The comparisons are unpredictable on real frames, so the loop has no
		// branch: both words are always written back, exchanged or not, chosen by a mask.
		for (uint32_t i = left; i < right - 1; ++i)
		{
			uint8_t* at = pixels + 4 * size_t(i);
			uint8_t* front = pixels + 4 * size_t(store);
			uint32_t atWord;
			uint32_t frontWord;
			std::memcpy(&atWord, at, 4);
			std::memcpy(&frontWord, front, 4);
			// Both values are bytes, so the difference's top bit tells "smaller" and it is zero
			// exactly when they are equal; plain arithmetic keeps the compiler from branching.
			const uint32_t difference = uint32_t(at[channel]) - pivotValue;
			const uint32_t equal = 1u ^ ((difference | (0u - difference)) >> 31);
			const uint32_t move = (difference >> 31) | (equal & alternate);
			alternate ^= equal;
			const uint32_t mask = 0u - move;
			const uint32_t toFront = frontWord ^ ((atWord ^ frontWord) & mask);
			const uint32_t toAt = atWord ^ ((atWord ^ frontWord) & mask);
			std::memcpy(front, &toFront, 4);
			std::memcpy(at, &toAt, 4);
			store += move;
		}
		exchangePixels(pixels, store, right - 1);
		return store;
	}

	void selectByChannel(uint8_t* pixels, uint32_t left, uint32_t right, int32_t channel, uint32_t target)
	{
		while (left + 1 < right)
		{
			const uint32_t p = partitionAround(pixels, left, right, channel, left + (right - left) / 2);
			if (p == target)
				return;
			if (p > target)
				right = p;
			else
				left = p + 1;
		}
	}

	void subdivideTable(uint8_t* pixels, uint32_t count, int32_t firstEntry, int32_t lastEntry, int32_t splitEntry,
		int32_t splitStep, int32_t node, bool forDither, ColorTable* table)
	{
		// The right part is handled by this loop, the left part by recursion.
		for (;;)
		{
			if (lastEntry <= firstEntry || count == 0)
				return;
			if (lastEntry == firstEntry + 1)
			{
				setEntry(table, firstEntry, pixels, count, forDither);
				return;
			}

			uint8_t minima[3] = { 255, 255, 255 };
			uint8_t maxima[3] = { 0, 0, 0 };
			for (size_t i = 0; i < count; ++i)
			{
				for (int32_t c = 0; c < 3; ++c)
				{
					const uint8_t v = pixels[4 * i + c];
					if (v < minima[c])
						minima[c] = v;
					if (v > maxima[c])
						maxima[c] = v;
				}
			}
			const int32_t redRange = maxima[0] - minima[0];
			const int32_t greenRange = maxima[1] - minima[1];
			const int32_t blueRange = maxima[2] - minima[2];
			// Ties go to green, then blue.
			int32_t channel = 1;
			if (blueRange > greenRange)
				channel = 2;
			if (redRange > blueRange && redRange > greenRange)
				channel = 0;

			const uint32_t leftCount =
				uint32_t(uint64_t(count) * uint32_t(splitEntry - firstEntry) / uint32_t(lastEntry - firstEntry));
			selectByChannel(pixels, 0, count, channel, leftCount);
			table->NodeChannel[node] = uint8_t(channel);
			table->NodeThreshold[node] = pixels[4 * size_t(leftCount) + channel];

			subdivideTable(pixels, leftCount, firstEntry, splitEntry, splitEntry - splitStep, splitStep / 2, 2 * node,
				forDither, table);

			if (splitEntry >= lastEntry)
				return;
			pixels += 4 * size_t(leftCount);
			count -= leftCount;
			firstEntry = splitEntry;
			splitEntry += splitStep;
			splitStep /= 2;
			node = 2 * node + 1;
		}
	}

	void findNearestEntry(const ColorTable* table, int32_t red, int32_t green, int32_t blue, int32_t* bestIndex,
		int32_t* bestDistance, int32_t node)
	{
		const int32_t colour[3] = { red, green, blue };
		searchNode(table, colour, 1 << table->Depth, bestIndex, bestDistance, node);
	}
}

bool buildColorTable(const uint8_t* previous, const uint8_t* frame, uint32_t width, uint32_t height,
	int32_t depth, bool forDither, ColorTable* table)
{
	if (depth < 1 || depth > 8)
		return false;
	const size_t pixelCount = size_t(width) * height;
	// The median cut reorders its pixels, so it works on a copy: of the changed pixels only, when there
	// is a previous frame.
	uint8_t* pixels = static_cast<uint8_t*>(std::malloc(pixelCount > 0 ? 4 * pixelCount : 4));
	if (!pixels)
		return false;
	uint32_t count = uint32_t(pixelCount);
	if (previous)
		count = keepChangedPixels(previous, frame, pixels, count);
	else
		std::memcpy(pixels, frame, 4 * pixelCount);

	// Entries and nodes of ranges that receive no pixels (fewer changed pixels than entries) keep these
	// values: black entries under nodes that split on red at 0, so the search stays inside the table
	// and the file does not depend on what the table held before.
	table->Depth = depth;
	std::memset(table->Reds, 0, sizeof(table->Reds));
	std::memset(table->Greens, 0, sizeof(table->Greens));
	std::memset(table->Blues, 0, sizeof(table->Blues));
	std::memset(table->NodeChannel, 0, sizeof(table->NodeChannel));
	std::memset(table->NodeThreshold, 0, sizeof(table->NodeThreshold));

	const int32_t entries = 1 << depth;
	subdivideTable(pixels, count, 1, entries, entries / 2, entries / 4, 1, forDither, table);
	std::free(pixels);

	// Entry 1 was reached as a single-entry range at node entries / 2, one level above the other leaves;
	// splitting that node on red at 0 puts entry 1 at its right leaf and the transparent entry 0 at its left.
	table->NodeChannel[entries / 2] = 0;
	table->NodeThreshold[entries / 2] = 0;
	table->Reds[0] = 0;
	table->Greens[0] = 0;
	table->Blues[0] = 0;
	return true;
}

void mapPixels(const uint8_t* previous, const uint8_t* frame, uint8_t* output, uint32_t width, uint32_t height,
	const ColorTable* table)
{
	NearestCache cache(table);
	const size_t count = size_t(width) * height;
	for (size_t i = 0; i < count; ++i)
	{
		const uint8_t* in = frame + 4 * i;
		uint8_t* out = output + 4 * i;
		const uint8_t red = in[0];
		const uint8_t green = in[1];
		const uint8_t blue = in[2];
		if (previous)
		{
			// Read before writing: output may be previous.
			const uint8_t* before = previous + 4 * i;
			if (red == before[0] && green == before[1] && blue == before[2])
			{
				out[0] = red;
				out[1] = green;
				out[2] = blue;
				out[3] = 0;
				continue;
			}
		}

		const int32_t entry = cache.nearest(red, green, blue);
		out[0] = table->Reds[entry];
		out[1] = table->Greens[entry];
		out[2] = table->Blues[entry];
		out[3] = uint8_t(entry);
	}
}

bool mapPixelsDiffused(const uint8_t* previous, const uint8_t* frame, uint8_t* output, uint32_t width,
	uint32_t height, const ColorTable* table)
{
	const size_t count = size_t(width) * height;
	// One signed value per frame byte in 8-bit fixed point (value x 256).
	int32_t* work = static_cast<int32_t*>(std::malloc(count > 0 ? 4 * count * sizeof(int32_t) : sizeof(int32_t)));
	if (!work)
		return false;
	for (size_t i = 0; i < 4 * count; ++i)
		work[i] = int32_t(frame[i]) * 256;

	NearestCache cache(table);
	const size_t width1 = width;
	const size_t neighbours[4] = { 1, width1 - 1, width1, width1 + 1 };
	const int32_t weights[4] = { 7, 3, 5, 1 };
	for (size_t i = 0; i < count; ++i)
	{
		int32_t* w = work + 4 * i;
		// Integer division truncates toward zero; the values are never negative.
		const int32_t red = (w[0] + 127) / 256;
		const int32_t green = (w[1] + 127) / 256;
		const int32_t blue = (w[2] + 127) / 256;

		if (previous)
		{
			const uint8_t* before = previous + 4 * i;
			if (red == before[0] && green == before[1] && blue == before[2])
			{
				w[0] = red;
				w[1] = green;
				w[2] = blue;
				w[3] = 0;
				continue;
			}
		}

		const int32_t entry = cache.nearest(red, green, blue);
		const int32_t errors[3] = {
			w[0] - table->Reds[entry] * 256,
			w[1] - table->Greens[entry] * 256,
			w[2] - table->Blues[entry] * 256 };
		w[0] = table->Reds[entry];
		w[1] = table->Greens[entry];
		w[2] = table->Blues[entry];
		w[3] = entry;

		// Neighbours are found by index alone: a row's last pixel passes error on to the next row's
		// first, and a row's first pixel passes its weight-3 share to the last pixel of its own row.
		for (int32_t n = 0; n < 4; ++n)
		{
			const size_t j = i + neighbours[n];
			if (j >= count)
				continue;
			int32_t* v = work + 4 * j;
			for (int32_t c = 0; c < 3; ++c)
			{
				const int32_t share = errors[c] * weights[n] / 16;
				v[c] += share > -v[c] ? share : -v[c];
			}
		}
	}

	for (size_t i = 0; i < 4 * count; ++i)
		output[i] = uint8_t(work[i]);
	std::free(work);
	return true;
}
