#include "Fixture.h"
#include "stroke/StrokeNode.h"

#include <cmath>

using namespace irr;
using core::vector3df;

class AppCameraTest : public WorkspaceTest
{
protected:
	//! A drag with the given button while Left Alt is held, in steps, with a frame after each step.
	void altDrag(EMOUSE_INPUT_EVENT down, EMOUSE_INPUT_EVENT up, s32 x0, s32 y0, s32 x1, s32 y1, s32 steps = 1)
	{
		keyDown(KEY_LMENU);
		send(mouse(down, x0, y0));
		for (s32 i = 1; i <= steps; ++i)
		{
			moveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
			drawFrame();
		}
		send(mouse(up, x1, y1));
		keyUp(KEY_LMENU);
	}

	f32 distance() const { return (Camera->getPosition() - Camera->getTarget()).getLength(); }

	//! World point of the plane through the target, facing the camera, under a pixel.
	vector3df targetPlanePoint(s32 x, s32 y)
	{
		const core::line3df ray =
			SceneManager->getSceneCollisionManager()->getRayFromScreenCoordinates(core::position2di(x, y), Camera);
		const core::plane3df plane(Camera->getTarget(), (Camera->getTarget() - Camera->getPosition()).normalize());
		vector3df hit;
		plane.getIntersectionWithLine(ray.start, ray.getVector(), hit);
		return hit;
	}
};

static void expectNear(const vector3df& a, const vector3df& b, f32 tolerance)
{
	EXPECT_NEAR(a.X, b.X, tolerance);
	EXPECT_NEAR(a.Y, b.Y, tolerance);
	EXPECT_NEAR(a.Z, b.Z, tolerance);
}

TEST_F(AppCameraTest, OrbitOnePixelTurnsOneDegreeWithoutAJump)
{
	altDrag(EMIE_LMOUSE_PRESSED_DOWN, EMIE_LMOUSE_LEFT_UP, 400, 300, 401, 300);
	const f64 a = core::DEGTORAD64;
	expectNear(Camera->getPosition(), vector3df((f32)(100 * std::cos(a)), 0, (f32)(-100 * std::sin(a))), 1e-3f);
	EXPECT_EQ(Camera->getTarget(), vector3df(0, 0, 0));
	EXPECT_FLOAT_EQ(Application->OrbitYaw, 1.f);
}

TEST_F(AppCameraTest, OrbitNinetyPixelsDownLooksStraightDownAndCarriesOverThePole)
{
	altDrag(EMIE_LMOUSE_PRESSED_DOWN, EMIE_LMOUSE_LEFT_UP, 400, 200, 400, 290, 9);
	expectNear(Camera->getPosition(), vector3df(0, 100, 0), 1e-3f);
	expectNear(Camera->getUpVector(), vector3df(-1, 0, 0), 1e-5f);

	altDrag(EMIE_LMOUSE_PRESSED_DOWN, EMIE_LMOUSE_LEFT_UP, 400, 200, 400, 230);
	// Pitch 120: over the top, upside down, still at distance 100.
	expectNear(Camera->getPosition(), vector3df(-50, 86.6025f, 0), 1e-3f);
	EXPECT_LT(Camera->getUpVector().Y, 0.f);
	EXPECT_NEAR(distance(), 100.f, 1e-3f);
}

TEST_F(AppCameraTest, PanKeepsTheGrabbedPointUnderThePointer)
{
	const vector3df grabbed = targetPlanePoint(300, 200);
	altDrag(EMIE_RMOUSE_PRESSED_DOWN, EMIE_RMOUSE_LEFT_UP, 300, 200, 450, 380, 3);
	drawFrame();
	expectNear(targetPlanePoint(450, 380), grabbed, 1e-2f);
	EXPECT_NEAR(distance(), 100.f, 1e-3f);
	EXPECT_FLOAT_EQ(Application->OrbitYaw, 0.f);
	EXPECT_EQ(Camera->getUpVector(), vector3df(0, 1, 0));
}

TEST_F(AppCameraTest, BracketKeysDollyByTen)
{
	for (int i = 0; i < 10; ++i)
		tap(KEY_OEM_6);
	EXPECT_NEAR(distance(), 200.f, 1e-3f);
	expectNear(Camera->getPosition(), vector3df(200, 0, 0), 1e-3f);
	tap(KEY_OEM_4);
	EXPECT_NEAR(distance(), 190.f, 1e-3f);
}

TEST_F(AppCameraTest, DollyThroughTheTargetGoesToTheFarSide)
{
	Application->dolly(-125.f);
	expectNear(Camera->getPosition(), vector3df(-25, 0, 0), 1e-4f);
	EXPECT_EQ(Camera->getTarget(), vector3df(0, 0, 0));
	// The next orbit step returns to the side the orbit angles give, at distance 25.
	altDrag(EMIE_LMOUSE_PRESSED_DOWN, EMIE_LMOUSE_LEFT_UP, 400, 300, 400, 301);
	EXPECT_GT(Camera->getPosition().X, 0.f);
	EXPECT_NEAR(distance(), 25.f, 1e-3f);
}

TEST_F(AppCameraTest, DollyOntoTheTargetStopsJustShortAndKeepsNavigationWorking)
{
	for (int i = 0; i < 10; ++i)
		tap(KEY_OEM_4);
	EXPECT_GT(distance(), 0.f);
	EXPECT_LT(distance(), 1.f);
	EXPECT_GT(Camera->getPosition().X, 0.f); // still on the near side, looking the same way

	tap(KEY_OEM_6);
	EXPECT_NEAR(distance(), 10.f, 0.2f);
	altDrag(EMIE_LMOUSE_PRESSED_DOWN, EMIE_LMOUSE_LEFT_UP, 400, 300, 490, 300, 9);
	EXPECT_NEAR(distance(), 10.f, 0.2f);
	expectNear(vector3df(Camera->getPosition() - Camera->getTarget()).normalize(), vector3df(0, 0, -1), 1e-3f);
}

TEST_F(AppCameraTest, MiddleDragDolliesByHalfAUnitPerPixel)
{
	altDrag(EMIE_MMOUSE_PRESSED_DOWN, EMIE_MMOUSE_LEFT_UP, 300, 300, 340, 300);
	EXPECT_NEAR(distance(), 80.f, 1e-3f);
	altDrag(EMIE_MMOUSE_PRESSED_DOWN, EMIE_MMOUSE_LEFT_UP, 300, 300, 300, 400);
	EXPECT_NEAR(distance(), 80.f, 1e-3f);
	altDrag(EMIE_MMOUSE_PRESSED_DOWN, EMIE_MMOUSE_LEFT_UP, 300, 300, 260, 300);
	EXPECT_NEAR(distance(), 100.f, 1e-3f);
}

TEST_F(AppCameraTest, WheelAndAltAloneMoveNothing)
{
	const vector3df start = Camera->getPosition();
	SEvent wheel = mouse(EMIE_MOUSE_WHEEL, 400, 300);
	wheel.MouseInput.Wheel = 3.f;
	send(wheel);
	keyDown(KEY_LMENU);
	EXPECT_FALSE(Application->DrawMarker->isVisible());
	moveTo(500, 400);
	moveTo(150, 100);
	EXPECT_EQ(Camera->getPosition(), start);
	EXPECT_FALSE(Application->DrawMarker->isVisible());
	keyUp(KEY_LMENU);
	EXPECT_TRUE(Application->DrawMarker->isVisible());
}

TEST_F(AppCameraTest, FocusMovesTheTargetOntoTheAnchor)
{
	tap(KEY_KEY_F); // anchor already on the target: nothing moves
	EXPECT_EQ(Camera->getPosition(), vector3df(100, 0, 0));
	Application->AnchorNode->setPosition(vector3df(3, 4, 5));
	tap(KEY_KEY_F);
	EXPECT_EQ(Camera->getTarget(), vector3df(3, 4, 5));
	EXPECT_EQ(Camera->getPosition(), vector3df(103, 4, 5));
}

// The drawing root's rotation, applied to a direction.
static vector3df turned(App* app, const vector3df& v)
{
	vector3df out = v;
	app->DrawingRoot->getAbsoluteTransformation().rotateVect(out);
	return out;
}

TEST_F(AppCameraTest, TwistTurnsTheDrawingWithThePointerAboutTheLineOfSight)
{
	const vector3df right = targetPlanePoint(500, 300); // 100 pixels right of the target's screen point
	const vector3df above = targetPlanePoint(400, 200); // 100 pixels above it
	keyDown(KEY_LMENU);
	keyDown(KEY_LSHIFT);
	EXPECT_TRUE(Application->Twisting);
	EXPECT_FALSE(Application->AnchorNode->isVisible());
	press(500, 300);
	// A quarter circle about (400, 300) in nine steps, all before the next frame.
	for (int i = 1; i <= 9; ++i)
	{
		const f64 a = i * 10 * core::DEGTORAD64;
		moveTo(400 + (s32)std::lround(100 * std::cos(a)), 300 - (s32)std::lround(100 * std::sin(a)));
	}
	release(400, 200);
	keyUp(KEY_LSHIFT);
	keyUp(KEY_LMENU);

	expectNear(vector3df(turned(Application, right)).normalize(), vector3df(above).normalize(), 1e-3f);
	expectNear(turned(Application, vector3df(1, 0, 0)), vector3df(1, 0, 0), 1e-5f); // the line of sight stays
	EXPECT_EQ(Camera->getPosition(), vector3df(100, 0, 0));
	EXPECT_FLOAT_EQ(Application->OrbitYaw, 0.f);

	core::matrix4 inverse;
	Application->DrawingRoot->getAbsoluteTransformation().getInversePrimitive(inverse);
	for (int i = 0; i < 16; ++i)
		EXPECT_NEAR(Application->WorldToDrawing[i], inverse[i], 1e-5f) << i;
}

TEST_F(AppCameraTest, StrokesDrawnAfterATwistLandUnderThePointer)
{
	altDrag(EMIE_LMOUSE_PRESSED_DOWN, EMIE_LMOUSE_LEFT_UP, 400, 300, 400, 300); // no-op drag to settle
	keyDown(KEY_LMENU);
	keyDown(KEY_LSHIFT);
	press(500, 300);
	moveTo(470, 230);
	moveTo(400, 200);
	// Shift and Alt let go before the button: the drawing must still take the new turn.
	keyUp(KEY_LSHIFT);
	keyUp(KEY_LMENU);
	release(400, 200);
	drawFrame();

	drawLine(250, 350, 150);
	StrokeNode* stroke = Application->Strokes[0];
	vector3df world;
	stroke->getAbsoluteTransformation().transformVect(world, stroke->Points[0]);
	expectNear(world, Application->pointerToDrawingPlane(core::position2di(250, 150)), 1e-2f);
}

TEST_F(AppCameraTest, TwistOnTheTargetPointKeepsTheDrawingUsable)
{
	keyDown(KEY_LMENU);
	keyDown(KEY_LSHIFT);
	press(400, 300);
	moveTo(400, 300);
	moveTo(450, 320);
	moveTo(400, 300);
	release(400, 300);
	const core::matrix4& m = Application->DrawingRoot->getAbsoluteTransformation();
	for (int i = 0; i < 16; ++i)
		EXPECT_TRUE(std::isfinite(m[i])) << i;
	// Still a rotation: it keeps lengths.
	EXPECT_NEAR(turned(Application, vector3df(0, 1, 0)).getLength(), 1.f, 1e-4f);
	EXPECT_NEAR(turned(Application, vector3df(0, 0, 1)).getLength(), 1.f, 1e-4f);
}

TEST_F(AppCameraTest, ShiftBeforeAltOrbitsInsteadOfTwisting)
{
	keyDown(KEY_LSHIFT);
	keyDown(KEY_LMENU);
	EXPECT_FALSE(Application->Twisting);
	press(400, 300);
	moveTo(410, 300);
	EXPECT_FLOAT_EQ(Application->OrbitYaw, 10.f);
}
