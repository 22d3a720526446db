#include "workspace/StrokePicker.h"
#include "stroke/StrokeIndex.h"
#include "stroke/StrokeNode.h"
#include "stroke/geometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

using namespace irr;
using core::vector3df;

//! Strokes per leaf of the hierarchy.
static const u32 LEAF_STROKES = 4;
//! Slack on the segment parameter (0 at the ray's start, 1 at its end) when boxes beyond the
//! best hit so far are skipped: hits at the same distance must still be seen.
static const f32 PARAMETER_MARGIN = 1e-4f;

core::line3df drawnPartOfRay(const core::line3df& ray, const scene::ICameraSceneNode* camera)
{
	// Depth of the near clipping plane: OpenGL keeps what the projection maps to z >= -w.
	const core::matrix4& projection = camera->getProjectionMatrix();
	const f32 denominator = projection[10] + projection[11];
	if (camera->isOrthogonal() || denominator == 0.f)
		return ray;
	const f32 nearDepth = -projection[14] / denominator;
	const vector3df eye = camera->getAbsolutePosition();
	const vector3df forward = vector3df(camera->getTarget() - eye).normalize();
	const f32 startDepth = (ray.start - eye).dotProduct(forward);
	const f32 endDepth = (ray.end - eye).dotProduct(forward);
	if (startDepth >= nearDepth || endDepth <= nearDepth)
		return ray;
	core::line3df drawn(ray);
	drawn.start = ray.start + (ray.end - ray.start) * ((nearDepth - startDepth) / (endDepth - startDepth));
	return drawn;
}

// Whether the local segment origin + s direction, 0 <= s <= maxT, clearly misses the
// triangle: a quick test in f32 that only says so when the engine's exact test (in f64, with
// its tolerance near the edges) must miss too. Thin triangles and rays along the plane are
// left to the exact test.
static bool clearlyMissed(const core::triangle3df& t, const vector3df& origin, const vector3df& direction, f32 maxT)
{
	// Barycentric slack; the engine's edge tolerance stays far inside it for triangles whose
	// height is at least a hundredth of their longest edge.
	const f32 slack = 1e-3f;
	const vector3df e1 = t.pointB - t.pointA, e2 = t.pointC - t.pointA;
	const vector3df n = e1.crossProduct(e2);
	const f32 longest = core::max_(e1.getLengthSQ(), e2.getLengthSQ(), (e2 - e1).getLengthSQ());
	if (n.getLengthSQ() < 1e-4f * longest * longest)
		return false;
	const vector3df p = direction.crossProduct(e2);
	const f32 det = e1.dotProduct(p);
	if (std::fabs(det) < 1e-3f * std::sqrt(n.getLengthSQ() * direction.getLengthSQ()))
		return false;
	const f32 inverse = 1.f / det;
	const vector3df s = origin - t.pointA;
	const f32 u = s.dotProduct(p) * inverse;
	if (u < -slack || u > 1.f + slack)
		return true;
	const vector3df q = s.crossProduct(e1);
	const f32 v = direction.dotProduct(q) * inverse;
	if (v < -slack || u + v > 1.f + slack)
		return true;
	const f32 along = e2.dotProduct(q) * inverse;
	return along < -PARAMETER_MARGIN || along > maxT + PARAMETER_MARGIN;
}

struct StrokePicker::Best
{
	f32 DistanceSQ = FLT_MAX;
	u32 Order = 0;
	u32 Triangle = 0;
	StrokeNode* Stroke = nullptr;
	vector3df Point;
	//! Segment parameter beyond which nothing can beat the best hit.
	f32 MaxT = 1.f;
	f32 RayLength = 0.f;

	void take(f32 distanceSQ, u32 order, u32 triangle, StrokeNode* stroke, const vector3df& point)
	{
		if (Stroke && (distanceSQ > DistanceSQ
				|| (distanceSQ == DistanceSQ && (order > Order || (order == Order && triangle > Triangle)))))
			return;
		DistanceSQ = distanceSQ;
		Order = order;
		Triangle = triangle;
		Stroke = stroke;
		Point = point;
		MaxT = std::min(1.f, std::sqrt(distanceSQ) / RayLength + PARAMETER_MARGIN);
	}
};

bool StrokePicker::matches(const core::array<StrokeNode*>& strokes) const
{
	return IndexesMade == StrokeIndex::made() && PlacementsSet == StrokeNode::placementsSet()
		&& strokes.size() == Indexed.size()
		&& (Indexed.empty() || std::memcmp(strokes.const_pointer(), Indexed.data(), Indexed.size() * sizeof(StrokeNode*)) == 0);
}

void StrokePicker::rebuild(const core::array<StrokeNode*>& strokes)
{
	Indexed.assign(strokes.const_pointer(), strokes.const_pointer() + strokes.size());
	IndexesMade = StrokeIndex::made();
	PlacementsSet = StrokeNode::placementsSet();
	Entries.clear();
	Nodes.clear();
	for (u32 i = 0; i < strokes.size(); ++i)
	{
		StrokeNode* stroke = strokes[i];
		Entry entry;
		entry.Stroke = stroke;
		entry.Order = i;
		// The stroke's box in the drawing root's space, grown by the margin the stroke's own
		// index uses.
		core::aabbox3df box = stroke->getBoundingBox();
		stroke->getRelativeTransformation().transformBoxEx(box);
		const f32 m = StrokeIndex::BOX_MARGIN;
		const vector3df lo = box.MinEdge, hi = box.MaxEdge;
		entry.Min[0] = lo.X - m, entry.Min[1] = lo.Y - m, entry.Min[2] = lo.Z - m;
		entry.Max[0] = hi.X + m, entry.Max[1] = hi.Y + m, entry.Max[2] = hi.Z + m;
		Entries.push_back(entry);
	}
	if (!Entries.empty())
		build(0, (u32)Entries.size());
}

u32 StrokePicker::build(u32 lo, u32 hi)
{
	const u32 node = (u32)Nodes.size();
	Nodes.push_back(Node());
	Node n;
	f32 centreMin[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, centreMax[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
	for (int k = 0; k < 3; ++k)
	{
		n.Min[k] = FLT_MAX;
		n.Max[k] = -FLT_MAX;
	}
	for (u32 i = lo; i < hi; ++i)
		for (int k = 0; k < 3; ++k)
		{
			n.Min[k] = std::min(n.Min[k], Entries[i].Min[k]);
			n.Max[k] = std::max(n.Max[k], Entries[i].Max[k]);
			const f32 centre = Entries[i].Min[k] + Entries[i].Max[k];
			centreMin[k] = std::min(centreMin[k], centre);
			centreMax[k] = std::max(centreMax[k], centre);
		}
	if (hi - lo <= LEAF_STROKES)
	{
		n.First = lo;
		n.Count = hi - lo;
		Nodes[node] = n;
		return node;
	}
	// Median split along the axis where the box centres spread most.
	int axis = 0;
	for (int k = 1; k < 3; ++k)
		if (centreMax[k] - centreMin[k] > centreMax[axis] - centreMin[axis])
			axis = k;
	const u32 mid = (lo + hi) / 2;
	std::nth_element(Entries.begin() + lo, Entries.begin() + mid, Entries.begin() + hi,
		[axis](const Entry& a, const Entry& b) { return a.Min[axis] + a.Max[axis] < b.Min[axis] + b.Max[axis]; });
	build(lo, mid);
	n.First = build(mid, hi);
	n.Count = 0;
	Nodes[node] = n;
	return node;
}

StrokeNode* StrokePicker::pick(const core::array<StrokeNode*>& strokes, scene::ISceneNode* drawingRoot,
	const core::line3df& ray, vector3df& outPoint)
{
	if (!matches(strokes))
		rebuild(strokes);
	if (Nodes.empty())
		return nullptr;

	Best best;
	best.RayLength = std::sqrt(ray.getLengthSQ());
	if (best.RayLength == 0.f)
		return nullptr;
	core::matrix4 worldToDrawing;
	if (!drawingRoot->getAbsoluteTransformation().getInverse(worldToDrawing))
		return nullptr;
	vector3df from = ray.start, to = ray.end;
	worldToDrawing.transformVect(from);
	worldToDrawing.transformVect(to);
	const f32 origin[3] = {from.X, from.Y, from.Z};
	const f32 direction[3] = {to.X - from.X, to.Y - from.Y, to.Z - from.Z};

	// Nearest box first, so that the first hits cut off everything behind them.
	struct Pending
	{
		u32 Node;
		f32 T;
	};
	std::vector<Pending> stack;
	stack.reserve(64);
	const f32 rootT = segmentBoxEntry(Nodes[0].Min, Nodes[0].Max, origin, direction);
	if (rootT <= 1.f)
		stack.push_back(Pending{0, rootT});
	while (!stack.empty())
	{
		const Pending p = stack.back();
		stack.pop_back();
		if (p.T > best.MaxT)
			continue;
		const Node& n = Nodes[p.Node];
		if (n.Count > 0)
		{
			for (u32 i = n.First; i < n.First + n.Count; ++i)
			{
				const Entry& entry = Entries[i];
				if (entry.Stroke->isVisible() && segmentBoxEntry(entry.Min, entry.Max, origin, direction) <= best.MaxT)
					testStroke(entry, ray, best);
			}
			continue;
		}
		const u32 left = p.Node + 1, right = n.First;
		const f32 tl = segmentBoxEntry(Nodes[left].Min, Nodes[left].Max, origin, direction);
		const f32 tr = segmentBoxEntry(Nodes[right].Min, Nodes[right].Max, origin, direction);
		const Pending l{left, tl}, r{right, tr};
		const Pending& nearer = tl <= tr ? l : r;
		const Pending& farther = tl <= tr ? r : l;
		if (farther.T <= best.MaxT)
			stack.push_back(farther);
		if (nearer.T <= best.MaxT)
			stack.push_back(nearer);
	}
	if (best.Stroke)
		outPoint = best.Point;
	return best.Stroke;
}

void StrokePicker::testStroke(const Entry& entry, const core::line3df& ray, Best& best) const
{
	StrokeNode* stroke = entry.Stroke;
	const StrokeIndex* index = stroke->pickIndex();
	if (!index)
		return;
	// The engine's steps for one node: the ray in the node's space against its box ...
	const core::matrix4& absolute = stroke->getAbsoluteTransformation();
	core::matrix4 worldToLocal;
	if (!absolute.getInverse(worldToLocal))
		return;
	core::line3df line(ray);
	worldToLocal.transformVect(line.start);
	worldToLocal.transformVect(line.end);
	if (!stroke->getBoundingBox().intersectsWithLine(line))
		return;
	// ... the box around the ray in the node's space, which a triangle must not lie wholly
	// outside of ...
	core::aabbox3df localBox(ray.start);
	localBox.addInternalPoint(ray.end);
	worldToLocal.transformBoxEx(localBox);
	// ... each triangle taken to world space (by identity times the node's transformation) ...
	core::matrix4 localToWorld;
	localToWorld *= absolute;
	// ... and tested there against the box of the ray, then intersected with the line.
	const vector3df lineVector = ray.getVector().normalize();
	const f32 rayLength = ray.getLengthSQ();
	const f32 minX = core::min_(ray.start.X, ray.end.X), maxX = core::max_(ray.start.X, ray.end.X);
	const f32 minY = core::min_(ray.start.Y, ray.end.Y), maxY = core::max_(ray.start.Y, ray.end.Y);
	const f32 minZ = core::min_(ray.start.Z, ray.end.Z), maxZ = core::max_(ray.start.Z, ray.end.Z);

	f32 maxT = best.MaxT;
	const vector3df origin = line.start, direction = line.end - line.start;
	index->traverse(line.start, line.end, maxT, [&](const StrokeIndex::Leaf& leaf) {
		const u16* indices = leaf.Buffer->Indices.const_pointer() + leaf.FirstTriangle * 3;
		const video::S3DVertex* vertices = leaf.Buffer->Vertices.const_pointer();
		for (u32 i = 0; i < leaf.TriangleCount; ++i, indices += 3)
		{
			core::triangle3df t(vertices[indices[0]].Pos, vertices[indices[1]].Pos, vertices[indices[2]].Pos);
			if (clearlyMissed(t, origin, direction, maxT))
				continue;
			if (t.isTotalOutsideBox(localBox))
				continue;
			localToWorld.transformVect(t.pointA);
			localToWorld.transformVect(t.pointB);
			localToWorld.transformVect(t.pointC);
			if ((minX > t.pointA.X && minX > t.pointB.X && minX > t.pointC.X)
				|| (maxX < t.pointA.X && maxX < t.pointB.X && maxX < t.pointC.X)
				|| (minY > t.pointA.Y && minY > t.pointB.Y && minY > t.pointC.Y)
				|| (maxY < t.pointA.Y && maxY < t.pointB.Y && maxY < t.pointC.Y)
				|| (minZ > t.pointA.Z && minZ > t.pointB.Z && minZ > t.pointC.Z)
				|| (maxZ < t.pointA.Z && maxZ < t.pointB.Z && maxZ < t.pointC.Z))
				continue;
			vector3df hit;
			if (!t.getIntersectionWithLine(ray.start, lineVector, hit))
				continue;
			const f32 distanceSQ = hit.getDistanceFromSQ(ray.start);
			if (distanceSQ < rayLength && hit.getDistanceFromSQ(ray.end) < rayLength)
			{
				best.take(distanceSQ, entry.Order, leaf.FirstMeshTriangle + i, stroke, hit);
				maxT = best.MaxT;
			}
		}
	});
}
