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
