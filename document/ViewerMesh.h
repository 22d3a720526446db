// The mesh other programs show for a stroke. It has the program's cross-sections and caps,
// but at most one ring of vertices per point, shared by the pieces on both sides of it, and
// no ring where the tube passes within a fiftieth of its radius without it: a fraction of
// the program's own mesh, and the same picture unlit.
//
// No triangle faces into its tube. Where the path bends more tightly than the tube is thick,
// the vertices on the inside of the bend are drawn towards the path, just far enough that no
// ring reaches past its neighbour's; the program's own mesh lets them cross there.
#pragma once
#include "document/Document.h"

#include <vector>

struct ViewerMesh
{
	//! Sides of every ring.
	static const irr::u32 SIDES = 10;

	//! Vertices in the stroke's own space: the start cap's tip, the rings in path order (ten
	//! vertices each), the end cap's tip.
	std::vector<irr::core::vector3df> Positions;
	//! Where each ring (and tip) is centred, in the same order: a point of the path, or for
	//! the caps a point on the line of the first or last piece.
	std::vector<irr::core::vector3df> Centres;

	//! A run of consecutive vertices and their triangles. The parts of a long stroke share
	//! the ring where one ends and the next begins.
	struct Part
	{
		irr::u32 FirstVertex = 0;
		irr::u32 VertexCount = 0;
		//! Three per triangle, into the part's own vertices (0 is FirstVertex). With Z mirrored
		//! into glTF's right-handed space, every triangle's front faces out of the tube.
		std::vector<irr::u16> Triangles;
	};
	std::vector<Part> Parts;
};

//! The viewer mesh of the stroke. A part holds at most maxVertices vertices (glTF's 16-bit
//! indices reach 65,535: the highest value is reserved).
ViewerMesh buildViewerMesh(const DocumentStroke& stroke, irr::u32 maxVertices = 65535);
