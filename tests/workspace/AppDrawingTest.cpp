#include "Fixture.h"
#include "stroke/StrokeNode.h"

#include <cmath>

using namespace irr;
using core::vector3df;

typedef WorkspaceTest AppDrawingTest;

TEST_F(AppDrawingTest, PointsAreSampledEveryFivePixelsFromTheLastSample)
{
	press(300, 300);
	ASSERT_TRUE(Application->Drawing);
	StrokeNode* stroke = Application->CurrentStroke;
	EXPECT_EQ(stroke->Points.size(), 1u);
	moveTo(303, 300); // 3 pixels from the press: no point
	EXPECT_EQ(stroke->Points.size(), 1u);
	EXPECT_EQ(Application->LastPointer, core::position2di(300, 300));
	moveTo(306, 300); // 6 from the press, though only 3 from the last move
	EXPECT_EQ(stroke->Points.size(), 2u);
	EXPECT_EQ(Application->LastPointer, core::position2di(306, 300));
	moveTo(309, 304); // exactly 5 (3, 4): taken
	EXPECT_EQ(stroke->Points.size(), 3u);
	moveTo(313, 306); // 4.47 from the last sample: not taken
	EXPECT_EQ(stroke->Points.size(), 3u);
	release(313, 306);
	EXPECT_FALSE(Application->Drawing);
	ASSERT_EQ(Application->Strokes.size(), 1u);
	EXPECT_EQ(Application->UndoList.size(), 1u);
	// Committed strokes are finished and pickable.
	EXPECT_NE(stroke->pickIndex(), nullptr);
	EXPECT_EQ(stroke->Mesh->getMeshBuffer(0)->getVertexCount(), 24u * 4);
}

TEST_F(AppDrawingTest, ClickWithoutDragLeavesNothing)
{
	drawLine(200, 300, 300);
	tap(KEY_LCONTROL);
	keyDown(KEY_LCONTROL);
	tap(KEY_KEY_Z);
	keyUp(KEY_LCONTROL);
	ASSERT_EQ(Application->RedoList.size(), 1u);

	press(400, 400);
	release(400, 400);
	EXPECT_EQ(Application->Strokes.size(), 1u);
	EXPECT_EQ(Application->UndoList.size(), 0u);
	EXPECT_EQ(Application->RedoList.size(), 1u); // a click is no change: the redo entry stays
	EXPECT_EQ(Application->CurrentStroke, nullptr);
}

TEST_F(AppDrawingTest, StrokesLieOnThePlaneThroughTheAnchorFacingTheCamera)
{
	Application->AnchorNode->setPosition(vector3df(-20, 0, 0));
	drawLine(150, 650, 100);
	StrokeNode* stroke = Application->Strokes[0];
	// The camera looks down -x: the plane is x = -20.
	for (u32 i = 0; i < stroke->Points.size(); ++i)
		EXPECT_NEAR(stroke->Points[i].X, -20.f, 1e-3f) << i;
	EXPECT_EQ(stroke->ViewDirection, vector3df(-1, 0, 0));
	EXPECT_EQ(stroke->getColor(), video::SColor(0xFF404080));

	// The ray through the window's centre hits the plane on the line of sight.
	const vector3df centre = Application->pointerToDrawingPlane(core::position2di(400, 300));
	EXPECT_NEAR(centre.X, -20.f, 1e-3f);
	EXPECT_NEAR(centre.Y, 0.f, 0.3f);
	EXPECT_NEAR(centre.Z, 0.f, 0.3f);
}

TEST_F(AppDrawingTest, NoViewDirectionGivesTheOrigin)
{
	// A camera on its own target has no view direction, so no plane to hit.
	Camera->setTarget(Camera->getAbsolutePosition());
	EXPECT_EQ(Application->pointerToDrawingPlane(core::position2di(300, 200)), vector3df(0, 0, 0));
}

TEST_F(AppDrawingTest, NewPointsGoThroughWorldToDrawing)
{
	Application->WorldToDrawing.setTranslation(vector3df(0, 0, 1000));
	drawLine(300, 400, 300);
	StrokeNode* stroke = Application->Strokes[0];
	EXPECT_NEAR(stroke->Points[0].Z, 1000.f + Application->pointerToDrawingPlane(core::position2di(300, 300)).Z, 1e-2f);
}

TEST_F(AppDrawingTest, CtrlOverEmptySpaceRepeatsTheAnchorAndCommitsNothing)
{
	Application->AnchorNode->setPosition(vector3df(1, 2, 3));
	keyDown(KEY_LCONTROL);
	press(200, 100);
	for (s32 x = 210; x <= 300; x += 10)
		moveTo(x, 100);
	StrokeNode* open = Application->CurrentStroke;
	ASSERT_NE(open, nullptr);
	EXPECT_EQ(open->Points.size(), 11u); // the press and ten moves
	for (u32 i = 0; i < open->Points.size(); ++i)
		EXPECT_EQ(open->Points[i], vector3df(1, 2, 3));
	EXPECT_EQ(Application->DrawMarker->getPosition(), vector3df(1, 2, 3));
	// All points on one spot show nothing: no stroke, and no undo step that seems to do nothing.
	release(300, 100);
	keyUp(KEY_LCONTROL);
	EXPECT_EQ(Application->Strokes.size(), 0u);
	EXPECT_EQ(Application->UndoList.size(), 0u);
	EXPECT_EQ(Application->CurrentStroke, nullptr);
}

TEST_F(AppDrawingTest, MarkerFollowsThePointerOnThePlane)
{
	moveTo(250, 350);
	EXPECT_EQ(Application->DrawMarker->getPosition(), Application->pointerToDrawingPlane(core::position2di(250, 350)));
}

TEST_F(AppDrawingTest, RightAndMiddlePressesOnlyRecordTheButton)
{
	send(mouse(EMIE_MMOUSE_PRESSED_DOWN, 321, 123));
	EXPECT_EQ(Application->PressedButton, 2);
	EXPECT_EQ(Application->LastPointer, core::position2di(321, 123));
	EXPECT_FALSE(Application->Drawing);
	EXPECT_EQ(Application->DrawingRoot->getChildren().size(), 0u);
}

TEST_F(AppDrawingTest, AltDuringADrawCommitsWhatWasDrawn)
{
	press(200, 300);
	moveTo(220, 300);
	moveTo(240, 300);
	keyDown(KEY_LMENU);
	EXPECT_FALSE(Application->Drawing);
	ASSERT_EQ(Application->Strokes.size(), 1u);
	EXPECT_EQ(Application->Strokes[0]->Points.size(), 3u);
	moveTo(300, 300); // orbits now
	release(300, 300);
	keyUp(KEY_LMENU);
	moveTo(350, 300);
	EXPECT_EQ(Application->Strokes[0]->Points.size(), 3u); // the stroke stays closed
	EXPECT_EQ(Application->UndoList.size(), 1u);
}

TEST_F(AppDrawingTest, PointerOutsideTheWindowKeepsTheStrokeSound)
{
	press(300, 300);
	moveTo(-5000, -3000);
	moveTo(90000, 70000);
	moveTo(-2147483000, 300);
	moveTo(320, 300);
	release(320, 300);
	ASSERT_EQ(Application->Strokes.size(), 1u);
	const StrokeNode* stroke = Application->Strokes[0];
	EXPECT_EQ(stroke->Points.size(), 5u);
	for (u32 i = 0; i < stroke->Points.size(); ++i)
		EXPECT_TRUE(std::isfinite(stroke->Points[i].X) && std::isfinite(stroke->Points[i].Y)
			&& std::isfinite(stroke->Points[i].Z)) << i;
}
