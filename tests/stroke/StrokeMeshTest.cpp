#include "stroke/StrokeTestSupport.h"

#include <cmath>

using namespace irr;
using core::vector3df;

// Ellipse of one ring: the 10 even (start ring) or odd (end ring) vertices of block b.
static void ringExtent(scene::CMeshBuffer<video::S3DVertex>* mb, u32 block, bool endRing, vector3df& minimum,
	vector3df& maximum)
{
	minimum = vector3df(1e9f, 1e9f, 1e9f);
	maximum = vector3df(-1e9f, -1e9f, -1e9f);
	for (u32 j = endRing ? 1 : 0; j < 22; j += 2)
	{
		const vector3df& p = mb->Vertices[block * 24 + j].Pos;
		minimum.X = std::min(minimum.X, p.X); minimum.Y = std::min(minimum.Y, p.Y); minimum.Z = std::min(minimum.Z, p.Z);
		maximum.X = std::max(maximum.X, p.X); maximum.Y = std::max(maximum.Y, p.Y); maximum.Z = std::max(maximum.Z, p.Z);
	}
}

TEST_F(StrokeTest, VertexAndIndexCountsFollowBlocksAndBridges)
{
	StrokeNode* node = makeStroke();
	node->addPoint(vector3df(0, 0, 0));
	EXPECT_FALSE(node->hasSegments());
	EXPECT_EQ(buffer(node)->getVertexCount(), 0u);
	node->finish(); // one point: nothing to close
	EXPECT_EQ(buffer(node)->getVertexCount(), 0u);

	node->addPoint(vector3df(10, 0, 0));
	EXPECT_TRUE(node->hasSegments());
	EXPECT_EQ(buffer(node)->getVertexCount(), 48u);  // start cap + one segment
	EXPECT_EQ(buffer(node)->getIndexCount(), 180u);  // two blocks + the bridge between them

	node->addPoint(vector3df(20, 0, 0));
	EXPECT_EQ(buffer(node)->getVertexCount(), 72u);
	EXPECT_EQ(buffer(node)->getIndexCount(), 300u);

	node->finish();
	EXPECT_EQ(buffer(node)->getVertexCount(), 24u * (3 + 1));
	EXPECT_EQ(buffer(node)->getIndexCount(), 120u * 3 + 60);
	EXPECT_EQ(node->Mesh->getMeshBufferCount(), 1u);
}

TEST_F(StrokeTest, IndicesFollowTheBlockAndBridgePattern)
{
	StrokeNode* node = makeStroke();
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));
	const core::array<u16>& idx = buffer(node)->Indices;
	// First triangle pair of block 0, then of block 1 (base 24).
	const u16 block0[6] = {2, 0, 1, 2, 1, 3};
	const u16 block1[6] = {26, 24, 25, 26, 25, 27};
	// Bridge from block 0's end ring to block 1's start ring, step 0.
	const u16 bridge[6] = {1, 24, 3, 3, 24, 26};
	for (int i = 0; i < 6; ++i)
	{
		EXPECT_EQ(idx[i], block0[i]);
		EXPECT_EQ(idx[60 + i], block1[i]);
		EXPECT_EQ(idx[120 + i], bridge[i]);
	}
	// The last two vertices of every block are never referenced.
	for (u32 i = 0; i < idx.size(); ++i)
		EXPECT_NE(idx[i] % 24, 22) << i;
}

TEST_F(StrokeTest, RingsAreEllipsesFacingTheView)
{
	// Points 10 apart along +x, view (0, 0, -1), radius 5, depth radius 2.5.
	StrokeNode* node = makeStroke(video::SColor(0xFF404080), 5.f, 0.5f, vector3df(0, 0, -1));
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));
	node->addPoint(vector3df(20, 0, 0));
	scene::CMeshBuffer<video::S3DVertex>* mb = buffer(node);

	vector3df lo, hi;
	ringExtent(mb, 1, false, lo, hi); // first segment, start ring
	EXPECT_NEAR(lo.X, 1.f, 1e-5f);
	EXPECT_NEAR(hi.X, 1.f, 1e-5f);
	EXPECT_NEAR(hi.Y, 5.f, 1e-4f);
	EXPECT_NEAR(lo.Y, -5.f, 1e-4f);
	// Steps of 36 degrees: the depth semi-axis 2.5 is reached only to sin(72 degrees).
	EXPECT_NEAR(hi.Z - lo.Z, 2 * 2.5f * std::sin(72 * M_PI / 180), 1e-3f);
	ringExtent(mb, 1, true, lo, hi);
	EXPECT_NEAR(lo.X, 9.f, 1e-5f);
	EXPECT_NEAR(hi.X, 9.f, 1e-5f);

	// Ring step 0 lies at +radius along y (across the stroke in the screen plane).
	const vector3df step0 = mb->Vertices[24].Pos;
	EXPECT_NEAR(step0.Y, 5.f, 1e-5f);
	EXPECT_NEAR(step0.Z, 0.f, 1e-5f);
	// Every vertex: zero normal, the stroke colour, zero texture coordinates.
	EXPECT_EQ(mb->Vertices[30].Normal, vector3df(0, 0, 0));
	EXPECT_EQ(mb->Vertices[30].Color, video::SColor(0xFF404080));
}

TEST_F(StrokeTest, CapsAreConesBeyondTheEndPoints)
{
	StrokeNode* node = makeStroke(video::SColor(0xFF404080), 4.f, 1.f);
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));
	node->finish();
	scene::CMeshBuffer<video::S3DVertex>* mb = buffer(node);

	vector3df lo, hi;
	// Start cap (block 0): narrow ring half a radius before the first point, 1 % wide.
	ringExtent(mb, 0, false, lo, hi);
	EXPECT_NEAR(lo.X, -2.f, 1e-5f);
	EXPECT_NEAR(hi.Y, 0.04f, 1e-5f);
	// Wide ring a quarter radius before the first point, 70 % wide.
	ringExtent(mb, 0, true, lo, hi);
	EXPECT_NEAR(lo.X, -1.f, 1e-5f);
	EXPECT_NEAR(hi.Y, 2.8f, 1e-5f);
	// End cap (block 2): wide ring a quarter radius past the last point, narrow ring at half.
	ringExtent(mb, 2, false, lo, hi);
	EXPECT_NEAR(lo.X, 11.f, 1e-5f);
	EXPECT_NEAR(hi.Y, 2.8f, 1e-5f);
	ringExtent(mb, 2, true, lo, hi);
	EXPECT_NEAR(lo.X, 12.f, 1e-5f);
	EXPECT_NEAR(hi.Y, 0.04f, 1e-5f);
}

TEST_F(StrokeTest, DegenerateInputCollapsesWithoutFailing)
{
	// A segment along the view direction: every ring collapses onto the axis.
	StrokeNode* node = makeStroke(video::SColor(0xFF404080), 5.f, 1.f, vector3df(1, 0, 0));
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));
	for (u32 j = 24; j < 48; ++j)
	{
		const vector3df& p = buffer(node)->Vertices[j].Pos;
		EXPECT_EQ(p.Y, 0.f);
		EXPECT_EQ(p.Z, 0.f);
	}
	// Repeated points: the segment falls onto its midpoint, no NaN anywhere.
	node->addPoint(vector3df(10, 0, 0));
	node->finish();
	for (u32 j = 0; j < buffer(node)->getVertexCount(); ++j)
	{
		const vector3df& p = buffer(node)->Vertices[j].Pos;
		EXPECT_FALSE(std::isnan(p.X) || std::isnan(p.Y) || std::isnan(p.Z)) << j;
	}
}

TEST_F(StrokeTest, ColourChangeShowsInLaterBlocksOnly)
{
	StrokeNode* node = makeStroke(video::SColor(0xFFFF0000));
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));
	node->setColor(video::SColor(0xFF00FF00));
	node->addPoint(vector3df(20, 0, 0));
	scene::CMeshBuffer<video::S3DVertex>* mb = buffer(node);
	EXPECT_EQ(mb->Vertices[0].Color, video::SColor(0xFFFF0000));
	EXPECT_EQ(mb->Vertices[47].Color, video::SColor(0xFFFF0000));
	EXPECT_EQ(mb->Vertices[48].Color, video::SColor(0xFF00FF00));
}

TEST_F(StrokeTest, LongStrokeKeepsEveryIndexInsideItsBuffer)
{
	StrokeNode* node = makeStroke(video::SColor(0xFF404080), 2.f, 1.f);
	const u32 count = 10000;
	for (u32 i = 0; i < count; ++i)
		node->addPoint(vector3df((f32)i, (f32)(i % 7), 0));
	node->finish();

	u32 vertices = 0, indices = 0;
	for (u32 b = 0; b < node->Mesh->getMeshBufferCount(); ++b)
	{
		scene::IMeshBuffer* mb = node->Mesh->getMeshBuffer(b);
		ASSERT_EQ(mb->getIndexType(), video::EIT_16BIT);
		ASSERT_LE(mb->getVertexCount(), 65536u);
		u16 highest = 0;
		for (u32 i = 0; i < mb->getIndexCount(); ++i)
			highest = std::max(highest, mb->getIndices()[i]);
		EXPECT_LT(highest, mb->getVertexCount()) << "buffer " << b;
		vertices += mb->getVertexCount();
		indices += mb->getIndexCount();
	}
	EXPECT_GT(node->Mesh->getMeshBufferCount(), 1u);
	// Every block and bridge is there; each later buffer repeats one block (24 vertices, no triangles).
	const u32 repeats = node->Mesh->getMeshBufferCount() - 1;
	EXPECT_EQ(vertices, 24 * (count + 1) + 24 * repeats);
	EXPECT_EQ(indices, 120 * count + 60);

	// The repeated block is an exact copy, so the tube has no gap at a buffer boundary.
	scene::CMeshBuffer<video::S3DVertex>* first = buffer(node, 0);
	scene::CMeshBuffer<video::S3DVertex>* second = buffer(node, 1);
	const u32 last = first->getVertexCount() - 24;
	for (u32 j = 0; j < 24; ++j)
		EXPECT_EQ(second->Vertices[j].Pos, first->Vertices[last + j].Pos);
	// The bounding box reaches the far end.
	EXPECT_GT(node->getBoundingBox().MaxEdge.X, (f32)count - 1);
}

TEST_F(StrokeTest, LongStrokeIsPickedNearItsEnd)
{
	StrokeNode* node = makeStroke(video::SColor(0xFF404080), 2.f, 1.f, vector3df(0, 0, 1));
	for (u32 i = 0; i < 10000; ++i)
		node->addPoint(vector3df((f32)i * 0.5f, 0, 0));
	node->finish();
	scene::ITriangleSelector* selector = SceneManager->createTriangleSelector(node->Mesh, node);
	node->setTriangleSelector(selector);
	selector->drop();
	node->updateAbsolutePosition();

	// A ray down the z axis at x = 4900 (point 9,800, in the fourth buffer).
	scene::ISceneCollisionManager* collision = SceneManager->getSceneCollisionManager();
	core::vector3df hit;
	core::triangle3df triangle;
	scene::ISceneNode* picked = collision->getSceneNodeAndCollisionPointFromRay(
		core::line3df(4900.f, 0.5f, -100.f, 4900.f, 0.5f, 100.f), hit, triangle);
	EXPECT_EQ(picked, node);
	EXPECT_NEAR(hit.X, 4900.f, 0.01f);
	EXPECT_NEAR(hit.Z, -2.f, 0.3f);
}

TEST_F(StrokeTest, PressureScalesEachRingAndTheJoinsStayClosed)
{
	// Radius 5, depth 2.5, points 10 apart along +x; pressures 0, 0.5 and 1.
	StrokeNode* node = makeStroke();
	const f32 pressures[] = {0.f, 0.5f, 1.f, 0.25f};
	for (u32 i = 0; i < 4; ++i)
		node->addPoint(vector3df(10.f * i, 0, 0), pressures[i]);
	node->finish();
	auto* mb = buffer(node);
	// Half the ring's extent across (y) and in depth (z) at the scale of the point it stands by.
	auto semiAxes = [mb](u32 block, bool endRing) {
		vector3df lo, hi;
		ringExtent(mb, block, endRing, lo, hi);
		return core::vector2df((hi.Y - lo.Y) / 2.f, (hi.Z - lo.Z) / 2.f);
	};
	for (u32 k = 1; k < 4; ++k) // segment k runs from point k-1 to point k
	{
		const f32 from = 0.1f + 0.9f * pressures[k - 1], to = 0.1f + 0.9f * pressures[k];
		EXPECT_NEAR(semiAxes(k, false).X, 5.f * from, 1e-4f) << k;
		EXPECT_NEAR(semiAxes(k, false).Y, 2.5f * from * 0.9510565f, 1e-4f) << k; // the ring reaches sin 72° in depth
		EXPECT_NEAR(semiAxes(k, true).X, 5.f * to, 1e-4f) << k;
		// The bridge at point k joins two segments' rings of the same size: no step in the tube.
		if (k < 3)
		{
			EXPECT_NEAR(semiAxes(k, true).X, semiAxes(k + 1, false).X, 1e-4f) << k;
			EXPECT_NEAR(semiAxes(k, true).Y, semiAxes(k + 1, false).Y, 1e-4f) << k;
		}
	}
	// The caps taper from the width at their end of the stroke, and shorten with it.
	EXPECT_NEAR(semiAxes(0, true).X, 0.7f * 5.f * 0.1f, 1e-4f);
	EXPECT_NEAR(mb->Vertices[0].Pos.X, -0.5f * 5.f * 0.1f, 1e-4f);
	EXPECT_NEAR(semiAxes(4, false).X, 0.7f * 5.f * (0.1f + 0.9f * 0.25f), 1e-4f);
}
