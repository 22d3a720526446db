// A stroke's geometry rebuilt from its points: the same positions and triangles as the
// stroke node the workspace draws, without the vertices no triangle uses.
#include "DocumentTestSupport.h"
#include "document/Document.h"

#include <set>

using namespace irr;

namespace
{

DocumentStroke recordOf(const StrokeNode* node)
{
	DocumentStroke s;
	s.Points.assign(node->Points.const_pointer(), node->Points.const_pointer() + node->Points.size());
	s.Radius = node->Radius;
	s.Thickness = node->Thickness;
	s.ViewDirection = node->ViewDirection;
	s.Color = node->Color.color;
	return s;
}

// The triangles of the node as position triples, in order, over all its buffers.
std::vector<core::vector3df> nodeTriangles(const StrokeNode* node)
{
	std::vector<core::vector3df> corners;
	for (u32 b = 0; b < node->Mesh->getMeshBufferCount(); ++b)
	{
		const scene::IMeshBuffer* buffer = node->Mesh->getMeshBuffer(b);
		const video::S3DVertex* v = static_cast<const video::S3DVertex*>(buffer->getVertices());
		for (u32 i = 0; i < buffer->getIndexCount(); ++i)
			corners.push_back(v[buffer->getIndices()[i]].Pos);
	}
	return corners;
}

void expectSameTriangles(const StrokeNode* node, const StrokeGeometry& g)
{
	const std::vector<core::vector3df> expected = nodeTriangles(node);
	ASSERT_EQ(g.Indices.size(), expected.size());
	for (size_t i = 0; i < expected.size(); ++i)
	{
		ASSERT_LT(g.Indices[i], g.Positions.size());
		ASSERT_EQ(std::memcmp(&g.Positions[g.Indices[i]], &expected[i], 12), 0) << "corner " << i;
	}
	// No vertex is left that no triangle uses.
	EXPECT_EQ(std::set<u32>(g.Indices.begin(), g.Indices.end()).size(), g.Positions.size());
}

} // namespace

TEST_F(DocumentTest, GeometryKeepsTheDrawnTrianglesAndDropsTwoVerticesABlock)
{
	drawLine(300, 500, 200);
	StrokeNode* node = Application->Strokes[0];
	const StrokeGeometry g = buildStrokeGeometry(recordOf(node));
	const u32 blocks = node->Points.size() + 1;
	EXPECT_EQ(g.Positions.size(), 22u * blocks);
	expectSameTriangles(node, g);
}

TEST_F(DocumentTest, GeometryOfAStrokePastOneBufferIsOneIndexRangeWithoutCopies)
{
	// 3,000 points: more blocks than one 16-bit buffer holds (2,730).
	StrokeNode* node = drawPoints(3000, video::SColor(0xFF20A040), 4.f, 0.5f);
	ASSERT_GT(node->Mesh->getMeshBufferCount(), 1u);
	const StrokeGeometry g = buildStrokeGeometry(recordOf(node));
	EXPECT_EQ(g.Positions.size(), 22u * 3001u);
	EXPECT_GT(g.Positions.size(), 65536u);
	expectSameTriangles(node, g);
}
