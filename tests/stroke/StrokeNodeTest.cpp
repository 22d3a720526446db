#include "stroke/StrokeTestSupport.h"

using namespace irr;
using core::vector3df;

TEST_F(StrokeTest, OneMaterialWhateverTheIndex)
{
	StrokeNode* node = makeStroke();
	EXPECT_EQ(node->getMaterialCount(), 1u);
	EXPECT_EQ(&node->getMaterial(5), &node->getMaterial(0));
	EXPECT_FALSE(node->getMaterial(0).Lighting);
	EXPECT_EQ(node->getMaterial(0).MaterialType, video::EMT_SOLID);
}

TEST_F(StrokeTest, OpaqueColoursAreSolidAndOthersTranslucent)
{
	StrokeNode* node = makeStroke(video::SColor(254, 10, 20, 30));
	EXPECT_EQ(node->getMaterial(0).MaterialType, video::EMT_TRANSPARENT_VERTEX_ALPHA);
	node->setColor(video::SColor(255, 10, 20, 30));
	EXPECT_EQ(node->getMaterial(0).MaterialType, video::EMT_SOLID);
	EXPECT_EQ(node->getColor(), video::SColor(255, 10, 20, 30));
}

TEST_F(StrokeTest, BoundingBoxIsFittedOnlyWhenFinished)
{
	StrokeNode* node = makeStroke();
	node->addPoint(vector3df(100, 100, 100));
	node->addPoint(vector3df(120, 100, 100));
	EXPECT_EQ(node->getBoundingBox(), core::aabbox3df(-1, -1, -1, 1, 1, 1));
	node->finish();
	EXPECT_TRUE(node->getBoundingBox().isPointInside(vector3df(110, 100, 100)));
	EXPECT_GT(node->getBoundingBox().MaxEdge.X, 120.f);
}

TEST_F(StrokeTest, HighlightIsOpaqueAndUndoneToTheLatestColour)
{
	StrokeNode* node = makeStroke(video::SColor(0x80FF0000));
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));
	node->setColor(video::SColor(0x8000FF00));
	node->addPoint(vector3df(20, 0, 0));

	node->setHighlighted(true);
	for (u32 i = 0; i < buffer(node)->getVertexCount(); ++i)
		ASSERT_EQ(buffer(node)->Vertices[i].Color, video::SColor(0xFFC8C864)) << i;
	EXPECT_EQ(node->getMaterial(0).MaterialType, video::EMT_TRANSPARENT_VERTEX_ALPHA);

	node->setHighlighted(false);
	for (u32 i = 0; i < buffer(node)->getVertexCount(); ++i)
		ASSERT_EQ(buffer(node)->Vertices[i].Color, video::SColor(0x8000FF00)) << i;
}

TEST_F(StrokeTest, DisplayModesSwitchLightingAndWireframe)
{
	StrokeNode* node = makeStroke();
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));

	node->setDisplayMode(2);
	EXPECT_TRUE(node->getMaterial(0).Wireframe);
	EXPECT_FALSE(node->getMaterial(0).Lighting);

	node->setDisplayMode(3); // unknown modes change nothing
	EXPECT_TRUE(node->getMaterial(0).Wireframe);

	node->setDisplayMode(1);
	EXPECT_FALSE(node->getMaterial(0).Wireframe);
	EXPECT_TRUE(node->getMaterial(0).Lighting);
	// Lit mode gives the tube real normals.
	EXPECT_GT(buffer(node)->Vertices[30].Normal.getLength(), 0.5f);

	node->setDisplayMode(0);
	EXPECT_FALSE(node->getMaterial(0).Wireframe);
	EXPECT_FALSE(node->getMaterial(0).Lighting);
}

TEST_F(StrokeTest, HiddenStrokesAndTheirChildrenAreNotDrawn)
{
	StrokeNode* node = makeStroke();
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));
	node->finish();
	StrokeNode* child = new StrokeNode(node, SceneManager);
	child->drop();
	child->setColor(video::SColor(0xFFFFFFFF));
	child->ViewDirection = vector3df(0, 0, 1);
	child->addPoint(vector3df(0, 5, 0));
	child->addPoint(vector3df(10, 5, 0));
	child->finish();
	SceneManager->addCameraSceneNode(nullptr, vector3df(5, 0, -100), vector3df(5, 0, 0));

	video::IVideoDriver* driver = Device->getVideoDriver();
	auto drawnTriangles = [&]() {
		driver->beginScene(true, true, video::SColor(0));
		SceneManager->drawAll();
		driver->endScene();
		return driver->getPrimitiveCountDrawn(0);
	};
	const u32 both = drawnTriangles();
	EXPECT_EQ(both, 2 * (buffer(node)->getIndexCount() / 3));
	node->setVisible(false);
	EXPECT_EQ(drawnTriangles(), 0u);
}

TEST_F(StrokeTest, FinishingKeepsTheEnginesFlatNormalsAndTheGeometryOnTheCard)
{
	// Long enough for several buffers.
	StrokeNode* node = makeStroke(video::SColor(0xFF404080), 3.f, 0.5f, vector3df(-1, 0.2f, 0.1f));
	for (int i = 0; i < 3000; ++i)
		node->addPoint(vector3df(0, (f32)(i % 37) * 0.7f, (f32)i * 0.3f + (f32)(i % 5)));
	node->finish();
	ASSERT_GT(node->Mesh->getMeshBufferCount(), 1u);

	// The same mesh lit the engine's way at the key press.
	scene::SMesh* expected = SceneManager->getMeshManipulator()->createMeshCopy(node->Mesh);
	for (u32 b = 0; b < expected->getMeshBufferCount(); ++b)
	{
		auto* copy = static_cast<scene::CMeshBuffer<video::S3DVertex>*>(expected->getMeshBuffer(b));
		for (u32 i = 0; i < copy->Vertices.size(); ++i)
			copy->Vertices[i].Normal = vector3df(0, 0, 0);
		SceneManager->getMeshManipulator()->recalculateNormals(copy, false, false);
	}
	node->setDisplayMode(1);
	for (u32 b = 0; b < expected->getMeshBufferCount(); ++b)
	{
		auto* copy = static_cast<scene::CMeshBuffer<video::S3DVertex>*>(expected->getMeshBuffer(b));
		ASSERT_EQ(copy->Vertices.size(), buffer(node, b)->Vertices.size());
		for (u32 i = 0; i < copy->Vertices.size(); ++i)
		{
			const vector3df& n = buffer(node, b)->Vertices[i].Normal;
			const vector3df& e = copy->Vertices[i].Normal;
			// Bit for bit: the same pixels under the light.
			ASSERT_TRUE(n.X == e.X && n.Y == e.Y && n.Z == e.Z) << b << " " << i;
		}
		// No spare room is kept, and the buffers may stay on the graphics card.
		EXPECT_EQ(buffer(node, b)->Vertices.allocated_size(), buffer(node, b)->Vertices.size());
		EXPECT_EQ(buffer(node, b)->Indices.allocated_size(), buffer(node, b)->Indices.size());
		EXPECT_EQ(buffer(node, b)->getHardwareMappingHint_Vertex(), scene::EHM_STATIC);
		EXPECT_EQ(buffer(node, b)->getHardwareMappingHint_Index(), scene::EHM_STATIC);
	}
	expected->drop();
	EXPECT_NE(node->pickIndex(), nullptr);
}

TEST_F(StrokeTest, RecolouredAndRelitVerticesAreSentToTheCardAgain)
{
	// The driver uploads a static buffer again only when its change count moves.
	StrokeNode* node = makeStroke();
	node->addPoint(vector3df(0, 0, 0));
	node->addPoint(vector3df(10, 0, 0));
	node->addPoint(vector3df(20, 5, 0));
	const u32 growing = buffer(node)->getChangedID_Vertex();
	node->setDisplayMode(1); // normals of a stroke still being drawn
	EXPECT_NE(buffer(node)->getChangedID_Vertex(), growing);
	node->finish();

	u32 changed = buffer(node)->getChangedID_Vertex();
	node->setHighlighted(true);
	EXPECT_NE(buffer(node)->getChangedID_Vertex(), changed);
	changed = buffer(node)->getChangedID_Vertex();
	node->setHighlighted(false);
	EXPECT_NE(buffer(node)->getChangedID_Vertex(), changed);
	// A finished stroke's normals are already there: the lit look changes only the material.
	changed = buffer(node)->getChangedID_Vertex();
	node->setDisplayMode(1);
	EXPECT_TRUE(node->getMaterial(0).Lighting);
	EXPECT_EQ(buffer(node)->getChangedID_Vertex(), changed);
}
