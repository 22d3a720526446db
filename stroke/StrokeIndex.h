// Spatial index over the triangles of one finished stroke, for ray picks. It keeps no
// copy of the geometry: a leaf is a run of consecutive triangles of one mesh buffer, read
// through the buffer's own indices and vertices when a ray comes near it.
#pragma once
#include <irrlicht.h>

#include <vector>

//! Bounding-box hierarchy over runs of LEAF_TRIANGLES consecutive triangles, in the
//! stroke's local space. A stroke is a path, so consecutive triangles lie close together
//! and the leaves of the tree simply follow the index order: the tree over leaves lo..hi
//! splits at their middle, its nodes stored in depth-first order (node, left subtree,
//! right subtree), so only the boxes need to be stored.
class StrokeIndex
{
public:
	static constexpr irr::u32 LEAF_TRIANGLES = 64;
	//! Every box is grown by this much (local units) when a ray is tested against it, so that
	//! rounding can never drop a triangle that the exact test would hit.
	static const irr::f32 BOX_MARGIN;

	//! Indexes every triangle of mesh; the mesh must not change while the index is used.
	explicit StrokeIndex(const irr::scene::IMesh* mesh);

	struct Leaf
	{
		const irr::scene::CMeshBuffer<irr::video::S3DVertex>* Buffer;
		//! First triangle of the leaf in its buffer, and in the whole mesh (buffer by buffer,
		//! as the engine's triangle selector numbers them).
		irr::u32 FirstTriangle;
		irr::u32 FirstMeshTriangle;
		irr::u32 TriangleCount;
	};

	//! Visits the leaves whose boxes the segment from + t (to - from), 0 <= t <= 1, passes,
	//! nearest entry first, as long as their entry parameter is at most maxT; visit(leaf)
	//! may lower maxT. Local space.
	template <typename Visit>
	void traverse(const irr::core::vector3df& from, const irr::core::vector3df& to, irr::f32& maxT, Visit visit) const;

	//! How many indexes have been made so far in the run: a node that takes the place (and
	//! the address) of another one has been finished since, so this count has moved on.
	static irr::u64 made();

private:
	struct Box
	{
		irr::f32 Min[3];
		irr::f32 Max[3];
	};

	Leaf leaf(irr::u32 number) const;
	void build(irr::u32 node, irr::u32 lo, irr::u32 hi);
	//! Entry parameter of the segment into the box grown by BOX_MARGIN, or a value above 1
	//! when it misses.
	static irr::f32 entry(const Box& box, const irr::f32 origin[3], const irr::f32 direction[3]);

	std::vector<const irr::scene::CMeshBuffer<irr::video::S3DVertex>*> Buffers;
	//! Leaf number of each buffer's first leaf; one more entry holding the leaf count.
	std::vector<irr::u32> BufferFirstLeaf;
	std::vector<irr::u32> BufferFirstTriangle;
	std::vector<Box> Boxes;
};

template <typename Visit>
void StrokeIndex::traverse(const irr::core::vector3df& from, const irr::core::vector3df& to, irr::f32& maxT, Visit visit) const
{
	const irr::u32 leaves = BufferFirstLeaf.back();
	if (leaves == 0)
		return;
	const irr::f32 origin[3] = {from.X, from.Y, from.Z};
	const irr::f32 direction[3] = {to.X - from.X, to.Y - from.Y, to.Z - from.Z};
	struct Pending
	{
		irr::u32 Node, Lo, Hi;
		irr::f32 T;
	};
	// Depth is about log2 of the leaf count; a 64-bit count of leaves fits in 64 levels,
	// each leaving at most one pending sibling.
	Pending stack[80];
	irr::u32 top = 0;
	const irr::f32 rootT = entry(Boxes[0], origin, direction);
	if (rootT > maxT)
		return;
	stack[top++] = Pending{0, 0, leaves, rootT};
	while (top > 0)
	{
		const Pending p = stack[--top];
		if (p.T > maxT)
			continue;
		if (p.Hi - p.Lo == 1)
		{
			visit(leaf(p.Lo));
			continue;
		}
		const irr::u32 mid = (p.Lo + p.Hi) / 2;
		const irr::u32 left = p.Node + 1, right = p.Node + 2 * (mid - p.Lo);
		const irr::f32 tl = entry(Boxes[left], origin, direction);
		const irr::f32 tr = entry(Boxes[right], origin, direction);
		// Push the farther child first, so the nearer one is taken next.
		const Pending l{left, p.Lo, mid, tl}, r{right, mid, p.Hi, tr};
		const Pending& nearer = tl <= tr ? l : r;
		const Pending& farther = tl <= tr ? r : l;
		if (farther.T <= maxT)
			stack[top++] = farther;
		if (nearer.T <= maxT)
			stack[top++] = nearer;
	}
}
