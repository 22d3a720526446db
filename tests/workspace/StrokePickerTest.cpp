// The stroke pick against the engine's own brute-force pick (a triangle selector on every
// stroke, getSceneNodeAndCollisionPointFromRay over the whole scene) on random sketches.
#include "Fixture.h"
#include "stroke/StrokeNode.h"
#include "workspace/StrokePicker.h"

#include <random>

using namespace irr;
using core::vector3df;

class StrokePickerTest : public WorkspaceTest
{
protected:
	//! A random sketch: strokes of random brush, colour (some translucent) and depth, drawn
	//! from several camera positions, some after the drawing has been twisted, some hidden.
	void drawRandomSketch(std::mt19937& random, int strokes)
	{
		std::uniform_int_distribution<s32> x(120, 780), y(20, 580), step(-40, 40);
		for (int s = 0; s < strokes; ++s)
		{
			if (random() % 5 == 0)
			{
				// Orbit, or twist the drawing, between strokes.
				keyDown(KEY_LMENU);
				const bool twist = random() % 2 == 0;
				if (twist)
					keyDown(KEY_LSHIFT);
				const s32 x0 = x(random), y0 = y(random);
				press(x0, y0);
				moveTo(x0 + step(random), y0 + step(random));
				release(x0, y0);
				if (twist)
					keyUp(KEY_LSHIFT);
				keyUp(KEY_LMENU);
				drawFrame();
			}
			Application->setBrushSize((f32)(1 + random() % 12), (f32)(1 + random() % 10) / 10.f);
			Application->setBrushColor(video::SColor(random() % 3 == 0 ? 128 : 255, random() % 256, 80, 40));
			Application->AnchorNode->setPosition(vector3df((f32)(random() % 60) - 30.f, 0, 0));
			s32 px = x(random), py = y(random);
			press(px, py);
			const int points = 2 + (int)(random() % 30);
			for (int i = 0; i < points; ++i)
			{
				px += step(random);
				py += step(random);
				moveTo(px, py);
			}
			release(px, py);
		}
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
			if (random() % 6 == 0)
				Application->Strokes[i]->setVisible(false);
		drawFrame();
	}

	//! Gives every stroke the engine's triangle selector, for the engine's own pick.
	void attachEngineSelectors()
	{
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
		{
			StrokeNode* stroke = Application->Strokes[i];
			scene::ITriangleSelector* selector = SceneManager->createTriangleSelector(stroke->Mesh, stroke);
			stroke->setTriangleSelector(selector);
			selector->drop();
		}
	}

	//! Both picks on one world ray must agree on the stroke and the point.
	void expectSamePick(const core::line3df& ray, int which)
	{
		vector3df engineHit, ourHit;
		core::triangle3df triangle;
		scene::ISceneNode* engine = SceneManager->getSceneCollisionManager()->getSceneNodeAndCollisionPointFromRay(
			ray, engineHit, triangle, 0, nullptr, false);
		StrokeNode* ours = Picker.pick(Application->Strokes, Application->DrawingRoot, ray, ourHit);
		ASSERT_EQ(ours, engine) << "ray " << which;
		if (engine)
		{
			++Hits;
			// The engine shortens its ray after each hit, which can move the last bits.
			const f32 tolerance = 1e-5f * (1.f + engineHit.getLength());
			ASSERT_NEAR(ourHit.X, engineHit.X, tolerance) << which;
			ASSERT_NEAR(ourHit.Y, engineHit.Y, tolerance) << which;
			ASSERT_NEAR(ourHit.Z, engineHit.Z, tolerance) << which;
		}
	}

	//! Pointer rays as the program casts them (from the near clipping plane on), rays from
	//! anywhere (also through the strokes' insides), and rays that run along the edges and
	//! faces of the strokes' boxes or end on them: both picks agree on every one.
	void compareOnRandomRays(std::mt19937& random)
	{
		std::uniform_int_distribution<s32> x(110, 799), y(0, 599);
		scene::ISceneCollisionManager* collision = SceneManager->getSceneCollisionManager();
		for (int i = 0; i < 1500; ++i, ++Rays)
		{
			const core::position2di pointer(x(random), y(random));
			expectSamePick(drawnPartOfRay(collision->getRayFromScreenCoordinates(pointer, Camera), Camera), Rays);
			if (HasFatalFailure())
				return;
		}
		std::uniform_real_distribution<f32> coordinate(-150.f, 150.f);
		for (int i = 0; i < 500; ++i, ++Rays)
		{
			const core::line3df ray(vector3df(coordinate(random), coordinate(random), coordinate(random)),
				vector3df(coordinate(random), coordinate(random), coordinate(random)));
			expectSamePick(ray, Rays);
			if (HasFatalFailure())
				return;
		}
		for (int i = 0; i < 500; ++i, ++Rays)
		{
			StrokeNode* stroke = Application->Strokes[random() % Application->Strokes.size()];
			core::aabbox3df box = stroke->getBoundingBox();
			stroke->getAbsoluteTransformation().transformBoxEx(box);
			vector3df corners[8];
			box.getEdges(corners);
			const vector3df a = corners[random() % 8], b = corners[random() % 8];
			const f32 f = (f32)(random() % 5) / 4.f;
			const vector3df onEdge = a + (b - a) * f;
			const vector3df along = (b - a) * 1.5f;
			const core::line3df ray = random() % 2 ? core::line3df(onEdge - along, onEdge + along)
			                                       : core::line3df(Camera->getAbsolutePosition(), onEdge);
			expectSamePick(ray, Rays);
			if (HasFatalFailure())
				return;
		}
	}

	StrokePicker Picker;
	int Hits = 0;
	int Rays = 0;
};

TEST_F(StrokePickerTest, SameNearestHitAsTheEngineOnRandomRays)
{
	std::mt19937 random(12);
	// Each round adds strokes to the sketch of the rounds before.
	for (int round = 0; round < 4; ++round)
	{
		drawRandomSketch(random, 30);
		attachEngineSelectors();
		compareOnRandomRays(random);
		if (HasFatalFailure())
			return;
	}
	// The sketches really were hit, and missed.
	EXPECT_GT(Hits, Rays / 10);
	EXPECT_LT(Hits, Rays * 9 / 10);
}

TEST_F(StrokePickerTest, SameNearestHitAsTheEngineOnMovedTurnedAndScaledStrokes)
{
	std::mt19937 random(18);
	drawRandomSketch(random, 60);
	attachEngineSelectors();
	std::uniform_real_distribution<f32> unit(-1.f, 1.f);
	for (int round = 0; round < 3; ++round)
	{
		// Some strokes placed anew between the rounds: the pick must follow without being told.
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
		{
			if (random() % 3 != 0)
				continue;
			core::matrix4 placement;
			placement.setRotationDegrees(vector3df(unit(random), unit(random), unit(random)) * 180.f);
			const f32 scale = std::pow(10.f, unit(random) * (random() % 4 == 0 ? 2.f : 0.5f));
			core::matrix4 scaling;
			scaling.setScale(vector3df(scale, scale, scale));
			placement = placement * scaling;
			placement.setTranslation(vector3df(unit(random), unit(random), unit(random)) * 40.f);
			Application->Strokes[i]->setPlacement(placement);
		}
		compareOnRandomRays(random);
		if (HasFatalFailure())
			return;
	}
	EXPECT_GT(Hits, Rays / 10);
	EXPECT_LT(Hits, Rays * 9 / 10);
}
