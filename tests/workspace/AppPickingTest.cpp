#include "Fixture.h"
#include "stroke/StrokeNode.h"

#include <cmath>

using namespace irr;
using core::vector3df;

class AppPickingTest : public WorkspaceTest
{
protected:
	StrokeNode* stroke(s32 y)
	{
		drawLine(250, 450, y);
		return Application->Strokes.getLast();
	}
	static video::SColor firstColor(StrokeNode* s)
	{
		return static_cast<video::S3DVertex*>(s->Mesh->getMeshBuffer(0)->getVertices())[0].Color;
	}
};

TEST_F(AppPickingTest, PickMovesTheAnchorOntoTheSurfaceAndScalesItByDistance)
{
	Application->setBrushSize(5.f, 1.f);
	StrokeNode* s = stroke(300);
	Application->pickUnderPointer(core::position2di(350, 300));
	EXPECT_EQ(Application->HoveredStroke, s);
	const vector3df hit = Application->AnchorNode->getPosition();
	// The tube's near surface, five units in front of the plane through the origin.
	EXPECT_NEAR(hit.X, 5.f, 0.5f);
	const f32 d = Camera->getPosition().getDistanceFrom(hit);
	const f32 expected = 0.01f + d * 1.99f / 100.f;
	EXPECT_NEAR(Application->AnchorNode->getScale().X, expected, 1e-4f);

	// Nothing under the pointer: the anchor stays, the hover clears.
	Application->pickUnderPointer(core::position2di(350, 100));
	EXPECT_EQ(Application->HoveredStroke, nullptr);
	EXPECT_EQ(Application->AnchorNode->getPosition(), hit);
}

TEST_F(AppPickingTest, AnchorScaleGrowsWithDistanceFromTheCamera)
{
	// The tube of radius 3 drawn on the plane x = 0 has a flat face at x = 3 sin(72 degrees)
	// towards the camera (its rings have ten steps of 36 degrees).
	const f32 face = 3.f * 0.9510565f;
	const f32 distances[3] = {50, 100, 200};
	const f32 scales[3] = {1.005f, 2.f, 3.99f};
	Application->setBrushSize(3.f, 1.f);
	stroke(300);
	for (int i = 0; i < 3; ++i)
	{
		Camera->setPosition(vector3df(face + distances[i], 0, 0));
		Camera->setTarget(vector3df(face, 0, 0));
		drawFrame();
		Application->pickUnderPointer(core::position2di(400, 300));
		ASSERT_NE(Application->HoveredStroke, nullptr) << i;
		EXPECT_NEAR(Application->AnchorNode->getScale().X, scales[i], 1e-3f) << i;
	}
}

TEST_F(AppPickingTest, HiddenStrokesAreNeverPicked)
{
	StrokeNode* s = stroke(300);
	s->setVisible(false);
	Application->pickUnderPointer(core::position2di(350, 300));
	EXPECT_EQ(Application->HoveredStroke, nullptr);
}

TEST_F(AppPickingTest, OnlyWhatTheCameraDrawsIsPicked)
{
	// A on the plane x = 0, B behind it on x = -30, both through the middle of the view.
	StrokeNode* a = stroke(300);
	Application->AnchorNode->setPosition(vector3df(-30, 0, 0));
	StrokeNode* b = stroke(300);
	Application->pickUnderPointer(core::position2di(400, 300));
	EXPECT_EQ(Application->HoveredStroke, a);

	// From x = 20, A lies 19 units in front of the camera: nearer than the near clipping
	// plane (25.6 units for the near value 50), so it is not drawn, and B is what shows.
	Camera->setPosition(vector3df(20, 0, 0));
	drawFrame();
	Application->pickUnderPointer(core::position2di(400, 300));
	EXPECT_EQ(Application->HoveredStroke, b);
	// The erase brush takes what shows.
	Application->setTool(1);
	press(400, 300);
	release(400, 300);
	EXPECT_TRUE(a->isVisible());
	EXPECT_FALSE(b->isVisible());

	// Closer still, B is clipped too: nothing is under the pointer.
	Camera->setPosition(vector3df(-10, 0, 0));
	Camera->setTarget(vector3df(-40, 0, 0));
	b->setVisible(true);
	drawFrame();
	Application->pickUnderPointer(core::position2di(400, 300));
	EXPECT_EQ(Application->HoveredStroke, nullptr);
}

TEST_F(AppPickingTest, PressWithTheEraseBrushErasesAtOnce)
{
	StrokeNode* s = stroke(300);
	Application->setTool(1);
	press(350, 300);
	EXPECT_FALSE(s->isVisible());
	EXPECT_EQ(Application->UndoList.size(), 2u);
	EXPECT_EQ(Application->HoveredStroke, nullptr);
	release(350, 300);
	EXPECT_FALSE(Application->Erasing);
}

TEST_F(AppPickingTest, EraseDragTakesEachStrokeOnceOutsideTheFivePixelCircle)
{
	StrokeNode* a = stroke(200);
	StrokeNode* b = stroke(250);
	StrokeNode* c = stroke(300);
	StrokeNode* spared = stroke(400);
	Application->setTool(1);
	press(350, 198); // on a: erased at the press
	EXPECT_FALSE(a->isVisible());
	for (s32 y = 203; y <= 300; y += 5)
		moveTo(350, y);
	release(350, 300);
	EXPECT_FALSE(b->isVisible());
	EXPECT_FALSE(c->isVisible());
	EXPECT_TRUE(spared->isVisible());
	// Four adds, then one erase command per stroke.
	EXPECT_EQ(Application->UndoList.size(), 7u);
}

TEST_F(AppPickingTest, EraseDragInsideTheFivePixelCircleErasesOnlyThePress)
{
	StrokeNode* a = stroke(300);
	StrokeNode* b = stroke(303);
	Application->setTool(1);
	press(350, 300);
	const bool aGone = !a->isVisible(), bGone = !b->isVisible();
	EXPECT_TRUE(aGone != bGone); // the press took exactly the stroke on top
	moveTo(352, 302);
	moveTo(353, 303);
	release(353, 303);
	EXPECT_EQ(!a->isVisible() + !b->isVisible(), 1);
	EXPECT_EQ(Application->UndoList.size(), 3u);
}

TEST_F(AppPickingTest, EraseBrushHighlightsTheStrokeUnderThePointer)
{
	StrokeNode* s = stroke(300);
	Application->setTool(1);
	moveTo(350, 300);
	EXPECT_EQ(Application->HighlightedStroke, s);
	EXPECT_EQ(firstColor(s), video::SColor(0xFFC8C864));
	moveTo(350, 100);
	EXPECT_EQ(Application->HighlightedStroke, nullptr);
	EXPECT_EQ(firstColor(s), video::SColor(0xFF404080));

	moveTo(350, 300);
	Application->setTool(1); // any tool change clears the highlight
	EXPECT_EQ(Application->HighlightedStroke, nullptr);
	EXPECT_EQ(firstColor(s), video::SColor(0xFF404080));
}

TEST_F(AppPickingTest, CtrlSnapsNewPointsOntoTheSurfaceWithoutHighlighting)
{
	Application->setBrushSize(5.f, 1.f);
	StrokeNode* below = stroke(300);
	keyDown(KEY_LCONTROL);
	moveTo(350, 300);
	EXPECT_EQ(Application->HoveredStroke, below);
	EXPECT_EQ(Application->HighlightedStroke, nullptr);
	EXPECT_EQ(Application->DrawMarker->getPosition(), Application->AnchorNode->getPosition());
	press(350, 300);
	moveTo(360, 300);
	moveTo(370, 300);
	release(370, 300);
	keyUp(KEY_LCONTROL);
	StrokeNode* snapped = Application->Strokes.getLast();
	ASSERT_NE(snapped, below);
	for (u32 i = 0; i < snapped->Points.size(); ++i)
		EXPECT_NEAR(snapped->Points[i].X, 5.f, 0.5f) << i; // on the tube's near surface, not the plane x = 0
}

TEST_F(AppPickingTest, OverThePanelTheMarkerIsAWhiteCameraFacingPreview)
{
	Application->setBrushSize(10.f, 0.5f);
	Application->AnchorNode->setPosition(vector3df(0, 20, 0));
	Application->setPointerOverPanel(true);
	scene::IMeshSceneNode* marker = Application->DrawMarker;
	EXPECT_EQ(marker->getPosition(), vector3df(0, 20, 0));
	EXPECT_EQ(marker->getScale(), vector3df(10, 5, 10));
	EXPECT_EQ(static_cast<video::S3DVertex*>(marker->getMesh()->getMeshBuffer(0)->getVertices())[0].Color,
		NEUTRAL_PREVIEW_COLOR);
	EXPECT_FALSE(Application->AnchorNode->isVisible());
	EXPECT_TRUE(marker->isVisible());

	// Local X points at the camera; local Y is world up made perpendicular to the line of sight.
	marker->updateAbsolutePosition();
	core::matrix4 rotation;
	rotation.setRotationDegrees(marker->getRotation());
	vector3df x(1, 0, 0), y(0, 1, 0);
	rotation.rotateVect(x);
	rotation.rotateVect(y);
	const vector3df toCamera = vector3df(Camera->getAbsolutePosition() - vector3df(0, 20, 0)).normalize();
	EXPECT_NEAR(x.dotProduct(toCamera), 1.f, 1e-4f);
	EXPECT_NEAR(y.dotProduct(toCamera), 0.f, 1e-4f);
	EXPECT_GT(y.Y, 0.9f);

	// Leaving only recolours it.
	Application->setPointerOverPanel(false);
	EXPECT_EQ(static_cast<video::S3DVertex*>(marker->getMesh()->getMeshBuffer(0)->getVertices())[0].Color,
		Application->BrushColor);
	EXPECT_EQ(marker->getPosition(), vector3df(0, 20, 0));
}

TEST_F(AppPickingTest, MarkersAndAnchorShowOnlyWhatTheToolShows)
{
	// The erase brush shows no marker, not even after navigating.
	Application->setTool(1);
	tap(KEY_LMENU);
	moveTo(300, 300);
	EXPECT_FALSE(Application->EraseMarker->isVisible());

	// After a twist the anchor of the round brush is back as soon as the keys go up.
	Application->setTool(0);
	keyDown(KEY_LMENU);
	keyDown(KEY_LSHIFT);
	EXPECT_FALSE(Application->AnchorNode->isVisible());
	keyUp(KEY_LSHIFT);
	EXPECT_TRUE(Application->AnchorNode->isVisible());
	keyDown(KEY_LSHIFT);
	keyUp(KEY_LMENU);
	EXPECT_TRUE(Application->AnchorNode->isVisible());
	keyUp(KEY_LSHIFT);
}

TEST_F(AppPickingTest, MarkerFacesACameraStraightAbove)
{
	// F, then an orbit of exactly 90 pixels down: the camera stands right above the anchor
	// (off the origin, the orbit's tiny cosine is lost in rounding: exactly above).
	Application->AnchorNode->setPosition(core::vector3df(3.7f, 1.3f, -2.1f));
	tap(KEY_KEY_F);
	keyDown(KEY_LMENU);
	press(400, 200);
	moveTo(400, 290);
	release(400, 290);
	keyUp(KEY_LMENU);
	drawFrame();
	ASSERT_NEAR(Camera->getPosition().Y, 101.3f, 1e-3f);
	moveTo(50, 300); // into the panel: the marker turns to the camera
	const core::vector3df rotation = Application->ActiveMarker->getRotation();
	EXPECT_TRUE(std::isfinite(rotation.X) && std::isfinite(rotation.Y) && std::isfinite(rotation.Z));
	// Its local X axis points at the camera.
	core::matrix4 m;
	m.setRotationDegrees(rotation);
	core::vector3df x(1, 0, 0);
	m.rotateVect(x);
	EXPECT_NEAR(x.Y, 1.f, 1e-3f);
}
