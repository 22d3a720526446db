#include "stroke/StrokeIndex.h"
#include "stroke/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace irr;

// Local coordinates of strokes stay within a few thousand units, where an f32 step is
// below 1e-3; the engine's own tests round far less than that.
const f32 StrokeIndex::BOX_MARGIN = 1e-2f;

static u64 indexesMade = 0;

u64 StrokeIndex::made()
{
	return indexesMade;
}

StrokeIndex::StrokeIndex(const scene::IMesh* mesh)
{
	++indexesMade;
	u32 leaves = 0, triangles = 0;
	for (u32 b = 0; b < mesh->getMeshBufferCount(); ++b)
	{
		const auto* buffer = static_cast<const scene::CMeshBuffer<video::S3DVertex>*>(mesh->getMeshBuffer(b));
		const u32 count = buffer->getIndexCount() / 3;
		Buffers.push_back(buffer);
		BufferFirstLeaf.push_back(leaves);
		BufferFirstTriangle.push_back(triangles);
		leaves += (count + LEAF_TRIANGLES - 1) / LEAF_TRIANGLES;
		triangles += count;
	}
	BufferFirstLeaf.push_back(leaves);
	if (leaves == 0)
		return;
	Boxes.resize(2 * leaves - 1);
	build(0, 0, leaves);
}

StrokeIndex::Leaf StrokeIndex::leaf(u32 number) const
{
	// The buffer holding the leaf: the last one whose first leaf is not after it.
	const u32 b = (u32)(std::upper_bound(BufferFirstLeaf.begin(), BufferFirstLeaf.end() - 1, number) - BufferFirstLeaf.begin()) - 1;
	Leaf leaf;
	leaf.Buffer = Buffers[b];
	leaf.FirstTriangle = (number - BufferFirstLeaf[b]) * LEAF_TRIANGLES;
	leaf.FirstMeshTriangle = BufferFirstTriangle[b] + leaf.FirstTriangle;
	leaf.TriangleCount = std::min(LEAF_TRIANGLES, leaf.Buffer->getIndexCount() / 3 - leaf.FirstTriangle);
	return leaf;
}

void StrokeIndex::build(u32 node, u32 lo, u32 hi)
{
	Box& box = Boxes[node];
	if (hi - lo == 1)
	{
		// The box of the run of vertices the leaf's triangles refer to: it holds all of their
		// corners (and a few unused vertices between them), and a stroke's triangles refer to
		// vertices close together, so the run is short.
		const Leaf l = leaf(lo);
		const u16* indices = l.Buffer->Indices.const_pointer() + l.FirstTriangle * 3;
		u32 first = 0xFFFF, last = 0;
		for (u32 i = 0; i < l.TriangleCount * 3; ++i)
		{
			first = std::min<u32>(first, indices[i]);
			last = std::max<u32>(last, indices[i]);
		}
		const video::S3DVertex* vertices = l.Buffer->Vertices.const_pointer();
		const f32 inf = std::numeric_limits<f32>::infinity();
		box = Box{{inf, inf, inf}, {-inf, -inf, -inf}};
		for (u32 v = first; v <= last; ++v)
		{
			const core::vector3df& p = vertices[v].Pos;
			box.Min[0] = std::min(box.Min[0], p.X);
			box.Min[1] = std::min(box.Min[1], p.Y);
			box.Min[2] = std::min(box.Min[2], p.Z);
			box.Max[0] = std::max(box.Max[0], p.X);
			box.Max[1] = std::max(box.Max[1], p.Y);
			box.Max[2] = std::max(box.Max[2], p.Z);
		}
		return;
	}
	const u32 mid = (lo + hi) / 2;
	const u32 left = node + 1, right = node + 2 * (mid - lo);
	build(left, lo, mid);
	build(right, mid, hi);
	for (int k = 0; k < 3; ++k)
	{
		box.Min[k] = std::min(Boxes[left].Min[k], Boxes[right].Min[k]);
		box.Max[k] = std::max(Boxes[left].Max[k], Boxes[right].Max[k]);
	}
}

f32 StrokeIndex::entry(const Box& box, const f32 origin[3], const f32 direction[3])
{
	const f32 lo[3] = {box.Min[0] - BOX_MARGIN, box.Min[1] - BOX_MARGIN, box.Min[2] - BOX_MARGIN};
	const f32 hi[3] = {box.Max[0] + BOX_MARGIN, box.Max[1] + BOX_MARGIN, box.Max[2] + BOX_MARGIN};
	return segmentBoxEntry(lo, hi, origin, direction);
}
