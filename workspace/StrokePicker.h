// The ray pick over the committed strokes: the same nearest hit as the engine's scene-wide
// pick through triangle selectors, found through a hierarchy of the strokes' boxes and each
// stroke's own triangle index instead of testing every triangle of every stroke.
#pragma once
#include <irrlicht.h>

#include <vector>

class StrokeNode;

//! The part of a pointer ray (world space) that the camera really draws: from where it
//! crosses the near clipping plane, which the engine's projection places at
//! near x far / (2 far - near) through OpenGL (about 25.6 units for 50 and 1000), to its end.
irr::core::line3df drawnPartOfRay(const irr::core::line3df& ray, const irr::scene::ICameraSceneNode* camera);

class StrokePicker
{
public:
	//! Nearest hit of a world-space ray on the visible strokes, or null. The hit is the
	//! engine's: per stroke its box and triangle tests in the stroke's space and its
	//! intersection arithmetic on the stroke's triangles in world space; the nearest point
	//! from ray.start wins, and at equal distance the earlier stroke in strokes, then the
	//! earlier triangle. All strokes are children of drawingRoot, each at its placement in
	//! it; the hierarchy is rebuilt when strokes changes or a placement was set.
	StrokeNode* pick(const irr::core::array<StrokeNode*>& strokes, irr::scene::ISceneNode* drawingRoot,
		const irr::core::line3df& ray, irr::core::vector3df& outPoint);

private:
	struct Entry
	{
		StrokeNode* Stroke;
		//! Place in strokes, which decides between hits at equal distance.
		irr::u32 Order;
		irr::f32 Min[3], Max[3];
	};
	struct Node
	{
		irr::f32 Min[3], Max[3];
		//! Leaf: its entries First .. First + Count - 1. Inner node (Count 0): the left child
		//! follows the node, First is the right child.
		irr::u32 First, Count;
	};
	struct Best;

	//! Whether strokes holds what the hierarchy was built from: the same nodes, no stroke
	//! finished since (a node freed and another made at its address would have been), and
	//! no placement set since.
	bool matches(const irr::core::array<StrokeNode*>& strokes) const;
	void rebuild(const irr::core::array<StrokeNode*>& strokes);
	irr::u32 build(irr::u32 lo, irr::u32 hi);
	void testStroke(const Entry& entry, const irr::core::line3df& ray, Best& best) const;

	//! The strokes in their order in strokes when the hierarchy was built, and how many
	//! stroke indexes and placements had been made by then.
	std::vector<StrokeNode*> Indexed;
	irr::u64 IndexesMade = 0;
	irr::u64 PlacementsSet = 0;
	//! The same strokes in the order of the hierarchy's leaves.
	std::vector<Entry> Entries;
	std::vector<Node> Nodes;
};
