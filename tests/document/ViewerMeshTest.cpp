// The mesh other programs show: on paths that bend more tightly than the tube is thick, no
// triangle faces into its tube; straight stretches need no rings between their ends; long
// strokes are split into parts that 16-bit indices reach; the shape is the program's own.
#include "document/Document.h"
#include "document/ViewerMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace irr;
using core::vector3df;

namespace
{

DocumentStroke strokeAlong(std::vector<vector3df> points, f32 radius, f32 thickness)
{
	DocumentStroke s;
	s.Points = std::move(points);
	s.Radius = radius;
	s.Thickness = thickness;
	s.ViewDirection = vector3df(-1.f, 0.f, 0.f);
	return s;
}

vector3df mirrored(const vector3df& v)
{
	return vector3df(v.X, v.Y, -v.Z);
}

struct Faults
{
	//! Triangles facing into their tube. Every triangle has an edge on one ring: its front,
	//! counter-clockwise in glTF's mirrored space, must face away from that ring's centre
	//! (from its axis, within the ring's plane). Triangles of no area face nowhere.
	size_t Inwards = 0;
	//! Triangles missing between rings apart: twenty between two rings, ten next to a tip.
	//! Only a joint (two rings about one point) leaves out what it folds back.
	size_t Missing = 0;
};

Faults faultsOf(const ViewerMesh& mesh)
{
	const u32 rings = (u32)mesh.Centres.size();
	auto ringOf = [&](u32 vertex) { return vertex == 0 ? 0u : std::min((vertex - 1) / ViewerMesh::SIDES + 1, rings - 1); };
	auto firstOf = [&](u32 ring) { return ring == 0 ? 0u : 1 + (ring - 1) * ViewerMesh::SIDES; };
	Faults faults;
	std::vector<size_t> between(rings, 0);
	for (const ViewerMesh::Part& part : mesh.Parts)
		for (size_t t = 0; t < part.Triangles.size(); t += 3)
		{
			u32 v[3];
			vector3df p[3];
			for (int k = 0; k < 3; ++k)
			{
				EXPECT_LT(part.Triangles[t + (size_t)k], part.VertexCount);
				v[k] = part.FirstVertex + part.Triangles[t + (size_t)k];
				p[k] = mirrored(mesh.Positions[v[k]]);
			}
			++between[std::min(ringOf(v[0]), std::min(ringOf(v[1]), ringOf(v[2])))];
			const vector3df normal = (p[1] - p[0]).crossProduct(p[2] - p[0]);
			if (normal.getLengthSQ() == 0.f)
				continue;
			// The two corners on one ring, and that ring's plane (Newell's normal of its polygon).
			const int odd = ringOf(v[0]) == ringOf(v[1]) ? 2 : ringOf(v[0]) == ringOf(v[2]) ? 1 : 0;
			const u32 ring = ringOf(v[(odd + 1) % 3]);
			vector3df across;
			for (u32 j = 0; j < ViewerMesh::SIDES; ++j)
			{
				const vector3df a = mirrored(mesh.Positions[firstOf(ring) + j]);
				const vector3df b = mirrored(mesh.Positions[firstOf(ring) + (j + 1) % ViewerMesh::SIDES]);
				across += vector3df((a.Y - b.Y) * (a.Z + b.Z), (a.Z - b.Z) * (a.X + b.X), (a.X - b.X) * (a.Y + b.Y));
			}
			across.normalize();
			vector3df out = (p[(odd + 1) % 3] + p[(odd + 2) % 3]) / 2.f - mirrored(mesh.Centres[ring]);
			out -= across * out.dotProduct(across);
			if (normal.dotProduct(out) <= 0.f)
				++faults.Inwards;
		}
	for (u32 r = 0; r + 1 < rings; ++r)
		if (mesh.Centres[r] != mesh.Centres[r + 1])
			faults.Missing += (r == 0 || r + 2 == rings ? 10u : 20u) - between[r];
	return faults;
}

} // namespace

TEST(ViewerMesh, NoTriangleFacesIntoItsTube)
{
	// Paths a hand gives, with points about 5 pixels (0.6 units) apart and thick brushes.
	std::vector<vector3df> zigzag, hairpin, wave, scribble, snapped;
	for (int i = 0; i < 60; ++i)
		zigzag.push_back(vector3df(0.f, (i % 2) * 0.6f, 0.08f * (f32)i));
	for (int i = 0; i < 40; ++i)
		hairpin.push_back(vector3df(0.f, i < 20 ? 0.f : 0.05f, 0.6f * (f32)(i < 20 ? i : 39 - i)));
	for (int i = 0; i < 200; ++i)
		wave.push_back(vector3df(2.f * std::sin(0.045f * (f32)i), 4.f * std::sin(0.085f * (f32)i), 0.6f * (f32)i));
	std::mt19937 random(7);
	std::uniform_real_distribution<f32> step(-0.6f, 0.6f);
	// A scribble in the view's plane, and a path over other strokes' surfaces (snapping), which
	// leaves that plane.
	vector3df at, over;
	for (int i = 0; i < 300; ++i)
	{
		scribble.push_back(at += vector3df(0.f, step(random), step(random)));
		snapped.push_back(over += vector3df(step(random), step(random), step(random)));
	}

	struct Case
	{
		const char* name;
		DocumentStroke stroke;
	} cases[] = {{"zigzag", strokeAlong(zigzag, 3.f, 1.f)}, {"hairpin", strokeAlong(hairpin, 2.f, 0.6f)},
		{"wave", strokeAlong(wave, 8.f, 0.3f)}, {"scribble", strokeAlong(scribble, 5.f, 0.1f)},
		{"snapped", strokeAlong(snapped, 2.f, 0.5f)}};
	cases[4].stroke.ViewDirection = vector3df(-0.6f, 0.f, 0.8f);
	for (size_t i = 0; i < scribble.size(); ++i)
		cases[3].stroke.Pressures.push_back((f32)(i % 17) / 16.f);
	for (const Case& c : cases)
	{
		const ViewerMesh mesh = buildViewerMesh(c.stroke);
		ASSERT_EQ(mesh.Parts.size(), 1u) << c.name;
		EXPECT_GT(mesh.Parts[0].Triangles.size(), 0u) << c.name;
		const Faults faults = faultsOf(mesh);
		EXPECT_EQ(faults.Inwards, 0u) << c.name;
		EXPECT_EQ(faults.Missing, 0u) << c.name;
	}
}

TEST(ViewerMesh, RingsWhereTheShapeNeedsThemAndPartsThatIndicesReach)
{
	// A straight line needs the rings at its ends only (up to 32 points apart); a point, no
	// area at all.
	std::vector<vector3df> line, coil;
	for (int i = 0; i < 30; ++i)
		line.push_back(vector3df(0.f, 0.f, 0.6f * (f32)i));
	EXPECT_EQ(buildViewerMesh(strokeAlong(line, 2.f, 1.f)).Positions.size(), 2u + 4u * ViewerMesh::SIDES);
	const ViewerMesh point = buildViewerMesh(strokeAlong({vector3df(1.f, 2.f, 3.f), vector3df(1.f, 2.f, 3.f)}, 2.f, 1.f));
	EXPECT_EQ(faultsOf(point).Inwards, 0u);

	// A coil needs every ring: 7,000 points make two parts that share the ring between them.
	for (int i = 0; i < 7000; ++i)
		coil.push_back(vector3df(3.f * std::cos(0.3f * (f32)i), 3.f * std::sin(0.3f * (f32)i), 0.011f * (f32)i));
	const ViewerMesh mesh = buildViewerMesh(strokeAlong(coil, 1.f, 0.5f));
	EXPECT_EQ(mesh.Positions.size(), 2u + 7002u * ViewerMesh::SIDES);
	ASSERT_EQ(mesh.Parts.size(), 2u);
	EXPECT_LE(mesh.Parts[0].VertexCount, 65535u);
	EXPECT_EQ(mesh.Parts[1].FirstVertex, mesh.Parts[0].FirstVertex + mesh.Parts[0].VertexCount - ViewerMesh::SIDES);
	EXPECT_EQ(mesh.Parts[1].FirstVertex + mesh.Parts[1].VertexCount, mesh.Positions.size());
	EXPECT_EQ(faultsOf(mesh).Inwards + faultsOf(mesh).Missing, 0u);

	// The same shape as the program's own mesh: on a gentle wave, the same box within a
	// fiftieth of the radius.
	std::vector<vector3df> wave;
	for (int i = 0; i < 120; ++i)
		wave.push_back(vector3df(0.f, 3.f * std::sin(0.05f * (f32)i), 0.6f * (f32)i));
	const DocumentStroke gentle = strokeAlong(wave, 2.f, 0.5f);
	core::aabbox3df own(buildStrokeGeometry(gentle).Positions[0]), viewer(buildViewerMesh(gentle).Positions[0]);
	for (const vector3df& p : buildStrokeGeometry(gentle).Positions)
		own.addInternalPoint(p);
	for (const vector3df& p : buildViewerMesh(gentle).Positions)
		viewer.addInternalPoint(p);
	EXPECT_TRUE(own.MinEdge.equals(viewer.MinEdge, 0.04f) && own.MaxEdge.equals(viewer.MaxEdge, 0.04f))
		<< own.MinEdge.Y << " " << viewer.MinEdge.Y << " / " << own.MaxEdge.Z << " " << viewer.MaxEdge.Z;
}
