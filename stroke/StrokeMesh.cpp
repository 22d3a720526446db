// Incremental tube geometry of a stroke: one block of 24 vertices per piece of the path,
// bridges between consecutive blocks, and a cone cap at each end.
//
// Block b of the stroke: 0 is the start cap, 1..n-1 the segments between consecutive
// points, n the end cap. Even vertices of a block lie on its start ring, odd ones on its
// end ring; the last two vertices are never referenced. Indices are 16-bit, so a buffer
// holds at most BLOCKS_PER_BUFFER blocks; a longer stroke continues in a new buffer that
// starts with a copy of the previous block, so the bridge to it stays within one buffer.
#include "stroke/StrokeNode.h"
#include "stroke/StrokeIndex.h"
#include "stroke/geometry.h"

#include <cmath>

using namespace irr;
using core::vector3df;

void StrokeNode::fillRingTemplate()
{
	RingTemplate.reallocate(RING_SIZE);
	for (s32 i = 0; i < 6; ++i)
	{
		const f32 a = (f32)i * 1.2566371f; // 2*pi/5 as f32: 72 degrees
		const f32 b = a + 0.62831855f;     // pi/5 as f32: 36 degrees further
		const f32 sinA = (f32)std::sin((f64)a), cosA = (f32)std::cos((f64)a);
		const f32 sinB = (f32)std::sin((f64)b), cosB = (f32)std::cos((f64)b);
		RingTemplate.push_back(vector3df(-0.5f, sinA, cosA));
		RingTemplate.push_back(vector3df(0.5f, sinA, cosA));
		RingTemplate.push_back(vector3df(-0.5f, sinB, cosB));
		RingTemplate.push_back(vector3df(0.5f, sinB, cosB));
	}
}

StrokeNode::StrokeBuffer* StrokeNode::currentBuffer() const
{
	return static_cast<StrokeBuffer*>(Mesh->getMeshBuffer(Mesh->getMeshBufferCount() - 1));
}

u32 StrokeNode::blockBase(u32 block) const
{
	return (block - BufferFirstBlock) * RING_SIZE;
}

void StrokeNode::makeRoomForBlock(u32 block)
{
	StrokeBuffer* full = currentBuffer();
	if (full->Vertices.size() + RING_SIZE <= BLOCKS_PER_BUFFER * RING_SIZE)
		return;

	// The full buffer is final: give back what its growth reserved.
	full->Indices.reallocate(full->Indices.size());
	StrokeBuffer* next = new StrokeBuffer();
	next->Material = full->Material;
	// Repeat the previous block so that the bridge to the new block has both rings here.
	const u32 previous = full->Vertices.size() - RING_SIZE;
	next->Vertices.reallocate(BLOCKS_PER_BUFFER * RING_SIZE);
	// A block and a bridge for each block, and the end cap's bridge.
	next->Indices.reallocate((2 * BLOCKS_PER_BUFFER + 1) * BLOCK_INDICES);
	for (u32 j = 0; j < RING_SIZE; ++j)
	{
		next->Vertices.push_back(full->Vertices[previous + j]);
		next->BoundingBox.addInternalPoint(full->Vertices[previous + j].Pos);
	}
	Mesh->addMeshBuffer(next);
	next->drop(); // the mesh holds the only reference
	BufferFirstBlock = block - 1;
	// The full buffer's triangles are final, so are its flat normals (taken after the copy
	// above, which carries the normals the vertices had before).
	flattenNormals(full);
}

//! Makes an array count elements longer, its room growing as push_back grows it (a stroke
//! rebuilt from a file has all its room already); returns the first new element.
template <typename T>
static T* extend(core::array<T>& a, u32 count)
{
	const u32 at = a.size();
	if (at + count > a.allocated_size())
		a.reallocate(at + count + (at < 500 ? core::max_(at, 5u) : at >> 2));
	a.set_used(at + count);
	return a.pointer() + at;
}

//! Appends BLOCK_INDICES indices, written by fill through a pointer to the first of them.
template <typename Fill>
void StrokeNode::appendIndices(StrokeBuffer* buffer, Fill fill)
{
	fill(extend(buffer->Indices, BLOCK_INDICES));
}

f32 StrokeNode::widthAt(u32 i) const
{
	// Exactly 1 at full pressure, so that a mouse stroke keeps the brush's own geometry.
	return 1.f - 0.9f * (1.f - Pressures[i]);
}

void StrokeNode::addPoint(const vector3df& p, f32 pressure)
{
	Points.push_back(p);
	// NaN fails both comparisons and becomes 0, like any reading below the range.
	Pressures.push_back(pressure >= 1.f ? 1.f : (pressure > 0.f ? pressure : 0.f));
	NormalsFresh = false;
	const u32 n = Points.size();
	if (n < 2)
		return;
	if (n == 2)
		appendStartCap();
	appendSegment();
	appendBridge(n - 2, n - 1);
}

void StrokeNode::finish()
{
	if (Points.size() < 2)
		return;
	appendEndCap();
	Mesh->recalculateBoundingBox();

	// Nothing is appended any more: no spare room, and the geometry can stay on the graphics
	// card instead of being sent with every frame. The flat normals wait for the lit look
	// (setDisplayMode): most strokes, above all those of a drawing just opened, never need them.
	for (u32 i = 0; i < Mesh->getMeshBufferCount(); ++i)
	{
		StrokeBuffer* buffer = static_cast<StrokeBuffer*>(Mesh->getMeshBuffer(i));
		buffer->Vertices.reallocate(buffer->Vertices.size());
		buffer->Indices.reallocate(buffer->Indices.size());
	}
	Mesh->setHardwareMappingHint(scene::EHM_STATIC);
	delete PickIndex;
	PickIndex = nullptr;
	Finished = true;
}

void StrokeNode::reserve(u32 points)
{
	// Blocks: the start cap, a segment between each two points, the end cap; a bridge
	// before every block but the first. Later buffers make their own room (makeRoomForBlock).
	const u32 most = BLOCKS_PER_BUFFER; // a copy: min_ takes its arguments by reference
	const u32 blocks = core::min_(points + 1, most);
	Points.reallocate(points);
	Pressures.reallocate(points);
	StrokeBuffer* buffer = currentBuffer();
	buffer->Vertices.reallocate(blocks * RING_SIZE);
	buffer->Indices.reallocate((2 * blocks - 1) * BLOCK_INDICES);
}

void StrokeNode::appendBlock(u32 block, const vector3df& from, const vector3df& to, f32 startScale, f32 endScale)
{
	StrokeBuffer* buffer = currentBuffer();
	const vector3df d = to - from;
	const vector3df m = from + d * 0.5f;

	// u: across the piece towards the view direction (the depth semi-axis);
	// w: across the piece in the screen plane (the width semi-axis).
	const vector3df u = perpendicularAxis(d, ViewDirection) * DepthRadius;
	const vector3df w = normalizeVector(d.crossProduct(u)) * Radius;

	const u32 base = blockBase(block);
	video::S3DVertex* vertices = extend(buffer->Vertices, RING_SIZE);
	for (u32 j = 0; j < RING_SIZE; ++j)
	{
		const vector3df& t = RingTemplate[j];
		const f32 s = (j & 1) ? endScale : startScale;
		const vector3df position = m + d * t.X + u * (t.Y * s) + w * (t.Z * s);
		vertices[j] = video::S3DVertex(position, vector3df(0.f, 0.f, 0.f), Color, core::vector2df(0.f, 0.f));
		buffer->BoundingBox.addInternalPoint(position);
	}
	appendIndices(buffer, [&](u16* indices) {
		for (u32 i = 0; i < 20; i += 2, indices += 6)
		{
			indices[0] = (u16)(base + i + 2);
			indices[1] = (u16)(base + i);
			indices[2] = (u16)(base + i + 1);
			indices[3] = (u16)(base + i + 2);
			indices[4] = (u16)(base + i + 1);
			indices[5] = (u16)(base + i + 3);
		}
	});
}

void StrokeNode::appendBridge(u32 blockA, u32 blockB)
{
	const u32 a = blockBase(blockA);
	const u32 c = blockBase(blockB);
	appendIndices(currentBuffer(), [&](u16* indices) {
		for (u32 i = 0; i < 20; i += 2, indices += 6)
		{
			indices[0] = (u16)(a + i + 1);
			indices[1] = (u16)(c + i);
			indices[2] = (u16)(a + i + 3);
			indices[3] = (u16)(a + i + 3);
			indices[4] = (u16)(c + i);
			indices[5] = (u16)(c + i + 2);
		}
	});
}

// Cap lengths: half and a quarter of the radius, each product formed in double precision.
static void capLengths(f32 radius, f32& half, f32& quarter)
{
	half = (f32)((f64)radius * 0.5);
	quarter = (f32)((f64)half * 0.5);
}

// The caps shrink with the pressure at their end of the stroke, length and rings alike.
void StrokeNode::appendStartCap()
{
	const vector3df dir = normalizeVector(Points[1] - Points[0]);
	const f32 width = widthAt(0);
	f32 h, q;
	capLengths(Radius * width, h, q);
	const vector3df from = Points[0] - dir * h;
	const vector3df to = from + dir * q;
	appendBlock(0, from, to, 0.01f * width, 0.7f * width);
}

void StrokeNode::appendSegment()
{
	const u32 n = Points.size();
	const vector3df& p = Points[n - 2];
	const vector3df& q = Points[n - 1];
	const vector3df e = (q - p) * 0.1f;
	makeRoomForBlock(n - 1);
	// Each ring takes the width of the point it stands by; the bridges join rings of equal width.
	appendBlock(n - 1, p + e, q - e, widthAt(n - 2), widthAt(n - 1));
}

void StrokeNode::appendEndCap()
{
	const u32 n = Points.size();
	const vector3df dir = normalizeVector(Points[n - 1] - Points[n - 2]);
	const f32 width = widthAt(n - 1);
	f32 h, q;
	capLengths(Radius * width, h, q);
	const vector3df from = Points[n - 1] + dir * q;
	const vector3df to = Points[n - 1] + dir * h;
	makeRoomForBlock(n);
	appendBlock(n, from, to, 0.7f * width, 0.01f * width);
	appendBridge(n - 1, n);
}
