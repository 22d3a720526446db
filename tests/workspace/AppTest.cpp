#include "Fixture.h"
#include "stroke/StrokeNode.h"

using namespace irr;

typedef WorkspaceTest AppTest;

static video::SColor firstVertexColor(scene::IMeshSceneNode* node)
{
	return static_cast<video::S3DVertex*>(node->getMesh()->getMeshBuffer(0)->getVertices())[0].Color;
}

TEST(AppDefaults, ConstructorTouchesNoEngineObject)
{
	App app;
	EXPECT_EQ(app.BackdropColor, video::SColor(0xFF000000));
	EXPECT_EQ(app.Camera, nullptr);
	EXPECT_EQ(app.PressedButton, -1);
	EXPECT_EQ(app.HistoryLimit, 10);
	// No recording, and no writer thread until the first one.
	EXPECT_FALSE(app.isRecording());
	EXPECT_EQ(app.GifWriter, nullptr);
	EXPECT_EQ(app.TurntableFrame, -1);
	EXPECT_TRUE(app.WorldToDrawing.isIdentity());
}

TEST_F(AppTest, InitBuildsTheSceneOfTheWorkspace)
{
	scene::ISceneNode* root = SceneManager->getRootSceneNode();
	EXPECT_EQ(Application->DrawingRoot->getParent(), root);
	EXPECT_EQ(Application->AnchorNode->getParent(), root);
	EXPECT_EQ(Application->DrawMarker->getParent(), root);
	EXPECT_EQ(Application->EraseMarker->getParent(), root);
	for (scene::IMeshSceneNode* node : {Application->AnchorNode, Application->DrawMarker, Application->EraseMarker})
	{
		EXPECT_FALSE(node->getMaterial(0).Lighting);
		EXPECT_EQ(node->getMaterial(0).MaterialType, video::EMT_TRANSPARENT_VERTEX_ALPHA);
	}
	EXPECT_EQ(firstVertexColor(Application->AnchorNode), NEUTRAL_PREVIEW_COLOR);
	EXPECT_EQ(firstVertexColor(Application->EraseMarker), NEUTRAL_PREVIEW_COLOR);

	// Round brush selected: anchor and draw marker shown, erase marker hidden.
	EXPECT_EQ(Application->Tool, 0);
	EXPECT_EQ(Application->ActiveMarker, Application->DrawMarker);
	EXPECT_TRUE(Application->AnchorNode->isVisible());
	EXPECT_TRUE(Application->DrawMarker->isVisible());
	EXPECT_FALSE(Application->EraseMarker->isVisible());

	// One directional light in the scene.
	int lights = 0;
	for (scene::ISceneNode* node : root->getChildren())
		if (node->getType() == scene::ESNT_LIGHT)
		{
			++lights;
			EXPECT_EQ(static_cast<scene::ILightSceneNode*>(node)->getLightType(), video::ELT_DIRECTIONAL);
		}
	EXPECT_EQ(lights, 1);
}

TEST_F(AppTest, EraseBrushShowsNeitherAnchorNorMarker)
{
	Application->setTool(1);
	EXPECT_EQ(Application->ActiveMarker, Application->EraseMarker);
	EXPECT_FALSE(Application->AnchorNode->isVisible());
	EXPECT_FALSE(Application->DrawMarker->isVisible());
	EXPECT_FALSE(Application->EraseMarker->isVisible());

	Application->AnchorNode->setPosition(core::vector3df(3, 4, 5));
	Application->setTool(0);
	EXPECT_EQ(Application->ActiveMarker, Application->DrawMarker);
	EXPECT_TRUE(Application->AnchorNode->isVisible());
	EXPECT_EQ(Application->DrawMarker->getPosition(), core::vector3df(3, 4, 5));
}

TEST_F(AppTest, BrushSettingsShapeAndColourTheMarker)
{
	Application->setBrushSize(10.f, 0.5f);
	EXPECT_EQ(Application->DrawMarker->getScale(), core::vector3df(10, 5, 10));

	Application->setBrushColor(video::SColor(0xFF112233));
	EXPECT_EQ(firstVertexColor(Application->DrawMarker), video::SColor(0xFF112233));

	// Over the panel the marker keeps the neutral preview colour until the pointer leaves.
	Application->setPointerOverPanel(true);
	Application->setBrushColor(video::SColor(0xFF445566));
	EXPECT_EQ(Application->BrushColor, video::SColor(0xFF445566));
	EXPECT_EQ(firstVertexColor(Application->DrawMarker), NEUTRAL_PREVIEW_COLOR);
	Application->setPointerOverPanel(false);
	EXPECT_EQ(firstVertexColor(Application->DrawMarker), video::SColor(0xFF445566));
}

TEST_F(AppTest, DisplayModeReachesOnlyCommittedStrokes)
{
	Application->setStrokeDisplayMode(2); // no strokes: nothing to do
	drawLine(200, 300, 300);
	press(200, 400); // a click: never committed
	release(200, 400);
	StrokeNode* click = Application->CurrentStroke;
	EXPECT_EQ(click, nullptr);
	Application->setStrokeDisplayMode(2);
	EXPECT_TRUE(Application->Strokes[0]->getMaterial(0).Wireframe);
	const core::list<scene::ISceneNode*>& children = Application->DrawingRoot->getChildren();
	ASSERT_EQ(children.size(), 2u);
	EXPECT_FALSE((*children.getLast())->getMaterial(0).Wireframe);
}
