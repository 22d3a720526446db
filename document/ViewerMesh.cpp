// The viewer mesh: rings along the path, pulled in on the inside of tight bends, as strips.
//
// The rings, in path order: the start cap's tip (one vertex), the start cap's wide ring, one
// ring at each point, the end cap's wide ring, the end cap's tip. A cap has the program's
// lengths and ring sizes. A ring at a gentle bend lies in the plane halfway between the two
// pieces and is stretched across the bend so that the tube keeps its width through it; a
// sharp bend has a ring across each piece and a joint between them, as the program draws it,
// whose triangles inside the bend (folded back into both pieces) are left out. A point's
// ring is left out where the tube between its neighbours' rings passes within TOLERANCE of
// every one of its vertices: on straight and gently curved stretches, where a pen or mouse
// gives many more points than the shape needs.
#include "document/ViewerMesh.h"
#include "stroke/geometry.h"

#include <algorithm>
#include <cmath>

using namespace irr;
using core::vector3df;

namespace
{

const u32 SIDES = ViewerMesh::SIDES;
//! The share of the distance between two rings' planes that their vertices keep clear of.
const f32 MARGIN = 0.1f;
//! Bends sharper than 60 degrees (the cosine of half the bend below this) get a joint.
const f32 SHARP = 0.8660254f;
//! How far a ring left out may lie from the tube drawn without it, as a share of the radius:
//! a fiftieth of a pixel at the start-up view's distance.
const f32 TOLERANCE = 0.02f;
//! Most points one piece of the mesh spans.
const size_t MAX_SPAN = 32;

struct Ring
{
	vector3df Centre;
	//! The normal of the ring's plane, along the path.
	vector3df Facing;
	vector3df Offsets[SIDES];
};

//! The pressure as the stroke mesh takes it, and the cross-section's scale at that pressure.
f32 widthAt(const DocumentStroke& stroke, size_t i)
{
	if (stroke.Pressures.empty())
		return 1.f;
	const f32 p = stroke.Pressures[i];
	return 1.f - 0.9f * (1.f - (p >= 1.f ? 1.f : (p > 0.f ? p : 0.f)));
}

//! The sine and cosine of each side's angle.
struct Sides
{
	Sides()
	{
		for (u32 j = 0; j < SIDES; ++j)
		{
			const f64 angle = 2.0 * 3.14159265358979323846 * j / SIDES;
			Sin[j] = std::sin(angle);
			Cos[j] = std::cos(angle);
		}
	}
	f64 Sin[SIDES], Cos[SIDES];
};
const Sides SIDE_ANGLES;

//! A ring facing direction: the depth semi-axis points along the part of the view direction
//! across it, as in the stroke mesh. bend (unit, across direction) is stretched by stretch.
Ring makeRing(const DocumentStroke& stroke, const vector3df& centre, const vector3df& direction, f32 scale,
	const vector3df& bend = vector3df(), f32 stretch = 1.f)
{
	const vector3df u = perpendicularAxis(direction, stroke.ViewDirection) * (stroke.Thickness * stroke.Radius);
	const vector3df w = normalizeVector(direction.crossProduct(u)) * stroke.Radius;
	Ring ring;
	ring.Centre = centre;
	ring.Facing = direction;
	for (u32 j = 0; j < SIDES; ++j)
	{
		vector3df o = u * (f32)(SIDE_ANGLES.Sin[j] * scale) + w * (f32)(SIDE_ANGLES.Cos[j] * scale);
		o += bend * (o.dotProduct(bend) * (stretch - 1.f));
		ring.Offsets[j] = o;
	}
	return ring;
}

Ring makeTip(const vector3df& centre, const vector3df& direction)
{
	Ring ring;
	ring.Centre = centre;
	ring.Facing = direction;
	return ring;
}

//! For each ring but the last, which side of the next ring each of its sides joins: side j
//! to side j + turn (mod SIDES), the turn that joins them with the shortest edges. Rings
//! face the view, so along a path that turns about the view their sides turn too. A joint's
//! two rings join side to side.
std::vector<u32> matchSides(const std::vector<Ring>& rings)
{
	std::vector<u32> turns(rings.size(), 0);
	for (size_t i = 0; i + 1 < rings.size(); ++i)
	{
		if (rings[i].Centre == rings[i + 1].Centre)
			continue;
		// Rings that face alike (within half a side, as circles) join side to side.
		f32 aligned = 0.f, sizeA = 0.f, sizeB = 0.f;
		for (u32 j = 0; j < SIDES; ++j)
		{
			aligned += rings[i].Offsets[j].dotProduct(rings[i + 1].Offsets[j]);
			sizeA += rings[i].Offsets[j].getLengthSQ();
			sizeB += rings[i + 1].Offsets[j].getLengthSQ();
		}
		if (aligned >= 0.96f * std::sqrt(sizeA * sizeB))
			continue;
		f32 shortest = 0.f;
		for (u32 turn = 0; turn < SIDES; ++turn)
		{
			f32 sum = 0.f;
			for (u32 j = 0; j < SIDES; ++j)
				sum += (rings[i + 1].Offsets[(j + turn) % SIDES] - rings[i].Offsets[j]).getLengthSQ();
			if (turn == 0 || sum < shortest)
			{
				shortest = sum;
				turns[i] = turn;
			}
		}
	}
	return turns;
}

//! Draws vertices towards their ring's centre until every vertex of a ring lies ahead of the
//! plane of the ring before it and behind the plane of the ring after it, by MARGIN of the
//! distance between the planes. A triangle between two rings has two corners on one of them,
//! and faces out exactly when its third corner is on the far side of that ring's plane. A
//! joint's two rings share their centre: what the joint folds back is left out instead.
void pullInBends(std::vector<Ring>& rings)
{
	std::vector<f32> scales(rings.size() * SIDES, 1.f);
	for (size_t a = 0, b = 1; b < rings.size(); ++a, ++b)
	{
		const vector3df between = rings[b].Centre - rings[a].Centre;
		if (between == vector3df())
			continue;
		const f32 aheadOfA = between.dotProduct(rings[a].Facing), aheadOfB = between.dotProduct(rings[b].Facing);
		for (u32 j = 0; j < SIDES; ++j)
		{
			const f32 backwards = -rings[b].Offsets[j].dotProduct(rings[a].Facing);
			if (backwards > 0.f)
				scales[b * SIDES + j] = std::min(scales[b * SIDES + j], std::max(0.f, (1.f - MARGIN) * aheadOfA / backwards));
			const f32 forwards = rings[a].Offsets[j].dotProduct(rings[b].Facing);
			if (forwards > 0.f)
				scales[a * SIDES + j] = std::min(scales[a * SIDES + j], std::max(0.f, (1.f - MARGIN) * aheadOfB / forwards));
		}
	}
	for (size_t i = 0; i < rings.size(); ++i)
		for (u32 j = 0; j < SIDES; ++j)
			rings[i].Offsets[j] *= scales[i * SIDES + j];
}

//! Whether the tube from ring a to ring b passes within tolerance of every ring between them.
bool spans(const std::vector<Ring>& rings, size_t a, size_t b, f32 tolerance)
{
	const vector3df chord = rings[b].Centre - rings[a].Centre;
	const f32 lengthSQ = chord.getLengthSQ();
	if (lengthSQ <= 0.f)
		return false;
	for (size_t k = a + 1; k < b; ++k)
	{
		const f32 t = (rings[k].Centre - rings[a].Centre).dotProduct(chord) / lengthSQ;
		if (!(t > 0.f && t < 1.f))
			return false;
		for (u32 j = 0; j < SIDES; ++j)
		{
			const vector3df from = rings[a].Centre + rings[a].Offsets[j], to = rings[b].Centre + rings[b].Offsets[j];
			const vector3df on = from + (to - from) * t;
			if ((rings[k].Centre + rings[k].Offsets[j] - on).getLengthSQ() > tolerance * tolerance)
				return false;
		}
	}
	return true;
}

//! The rings the mesh needs: the caps' and the first and last point's always, the others
//! where leaving them out would change the tube by more than the tolerance.
std::vector<Ring> keepNeeded(const std::vector<Ring>& rings, f32 tolerance)
{
	// rings: tip, cap, points..., cap, tip.
	std::vector<Ring> kept(rings.begin(), rings.begin() + 3);
	const size_t lastPoint = rings.size() - 3;
	for (size_t a = 2; a < lastPoint;)
	{
		size_t b = a + 1;
		while (b < lastPoint && b + 1 - a <= MAX_SPAN && spans(rings, a, b + 1, tolerance))
			++b;
		kept.push_back(rings[b]);
		a = b;
	}
	kept.insert(kept.end(), rings.end() - 2, rings.end());
	return kept;
}

std::vector<Ring> buildRings(const DocumentStroke& stroke)
{
	// Repeated points make no piece.
	std::vector<size_t> kept;
	for (size_t i = 0; i < stroke.Points.size(); ++i)
		if (kept.empty() || stroke.Points[i] != stroke.Points[kept.back()])
			kept.push_back(i);
	std::vector<Ring> rings;
	if (kept.empty())
		return rings;
	const size_t m = kept.size();
	auto point = [&](size_t k) { return stroke.Points[kept[k]]; };
	std::vector<vector3df> pieces(m > 1 ? m - 1 : 1);
	for (size_t k = 0; k + 1 < m; ++k)
		pieces[k] = normalizeVector(point(k + 1) - point(k));

	// The caps' lengths: half and a quarter of the radius at the end's pressure.
	const vector3df first = pieces.front(), last = pieces.back();
	const f32 startWidth = widthAt(stroke, kept.front()), endWidth = widthAt(stroke, kept.back());
	const f32 startLength = stroke.Radius * startWidth * 0.5f, endLength = stroke.Radius * endWidth * 0.5f;
	rings.push_back(makeTip(point(0) - first * startLength, first));
	rings.push_back(makeRing(stroke, point(0) - first * (startLength * 0.5f), first, 0.7f * startWidth));
	for (size_t k = 0; k < m; ++k)
	{
		const f32 width = widthAt(stroke, kept[k]);
		if (k == 0 || k + 1 == m)
		{
			rings.push_back(makeRing(stroke, point(k), k == 0 ? first : last, width));
			continue;
		}
		// A gentle bend: one ring halfway between the pieces, stretched across the bend so
		// that the tube keeps its width. A sharp one: a ring across each piece at the point,
		// and a joint between them.
		const vector3df sum = pieces[k - 1] + pieces[k];
		const f32 halfCos = sum.getLength() * 0.5f;
		if (halfCos >= SHARP)
			rings.push_back(makeRing(stroke, point(k), sum / (2.f * halfCos), width,
				normalizeVector(pieces[k] - pieces[k - 1]), 1.f / halfCos));
		else
		{
			rings.push_back(makeRing(stroke, point(k), pieces[k - 1], width));
			rings.push_back(makeRing(stroke, point(k), pieces[k], width));
		}
	}
	rings.push_back(makeRing(stroke, point(m - 1) + last * (endLength * 0.5f), last, 0.7f * endWidth));
	rings.push_back(makeTip(point(m - 1) + last * endLength, last));
	return keepNeeded(rings, TOLERANCE * stroke.Radius);
}

} // namespace

ViewerMesh buildViewerMesh(const DocumentStroke& stroke, u32 maxVertices)
{
	ViewerMesh mesh;
	std::vector<Ring> rings = buildRings(stroke);
	if (rings.empty())
		return mesh;
	const std::vector<u32> turns = matchSides(rings);
	pullInBends(rings);
	// Ring r's first vertex; the two tips have one vertex each.
	const size_t count = rings.size();
	auto firstVertex = [&](size_t r) { return r == 0 ? 0u : (u32)(1 + SIDES * (r - 1)); };
	auto ringSize = [&](size_t r) { return r == 0 || r + 1 == count ? 1u : SIDES; };
	mesh.Positions.reserve(2 + SIDES * (count - 2));
	for (size_t r = 0; r < count; ++r)
	{
		mesh.Centres.push_back(rings[r].Centre);
		for (u32 j = 0; j < ringSize(r); ++j)
			mesh.Positions.push_back(rings[r].Centre + rings[r].Offsets[j]);
	}

	// A part runs from ring start to ring end, as far as maxVertices allow; the next one
	// begins with the ring this one ends with.
	for (size_t start = 0; start + 1 < count;)
	{
		size_t end = start + 1;
		while (end + 1 < count && firstVertex(end + 1) + ringSize(end + 1) - firstVertex(start) <= maxVertices)
			++end;
		ViewerMesh::Part part;
		part.FirstVertex = firstVertex(start);
		part.VertexCount = firstVertex(end) + ringSize(end) - part.FirstVertex;
		auto index = [&](size_t r, u32 j) { return (u16)(firstVertex(r) + (ringSize(r) == 1 ? 0 : j % SIDES) - part.FirstVertex); };
		// Two triangles between each pair of sides (one next to a tip), turned so that they
		// face out once Z is mirrored.
		part.Triangles.reserve((end - start) * 6 * SIDES);
		for (size_t r = start; r < end; ++r)
		{
			// A triangle has two corners on one ring and faces out when its third is beyond
			// that ring's plane. Pulling in made that so between rings apart; of a joint's
			// triangles it leaves out those folded back into the pieces.
			// Triangles of no area (a ring drawn to a point, a stroke along the line of sight)
			// face nowhere and are left out too.
			auto facesOut = [&](u16 a, u16 b, u16 c, size_t ring, u16 corner, f32 side) {
				const vector3df& p = mesh.Positions[part.FirstVertex + a];
				if ((mesh.Positions[part.FirstVertex + b] - p).crossProduct(mesh.Positions[part.FirstVertex + c] - p) == vector3df())
					return false;
				return (mesh.Positions[part.FirstVertex + corner] - rings[ring].Centre).dotProduct(rings[ring].Facing) * side > 0.f;
			};
			for (u32 j = 0; j < SIDES; ++j)
			{
				const u16 a = index(r, j), b = index(r, j + 1), c = index(r + 1, j + turns[r]), d = index(r + 1, j + 1 + turns[r]);
				if (facesOut(a, b, c, r, c, 1.f))
					part.Triangles.insert(part.Triangles.end(), {a, b, c});
				if (facesOut(b, d, c, r + 1, b, -1.f))
					part.Triangles.insert(part.Triangles.end(), {b, d, c});
			}
		}
		mesh.Parts.push_back(std::move(part));
		start = end;
	}
	return mesh;
}
