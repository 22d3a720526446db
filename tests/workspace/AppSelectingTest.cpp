// The select tool and mirror drawing: what a click or a rectangle selects, moves, turns and
// scales about the selection, every kind of step through undo and redo under the history
// limit, and the mirror twin of a twisted drawing.
#include "Fixture.h"
#include "stroke/StrokeNode.h"
#include "workspace/Command.h"
#include "workspace/MirrorPlaneNode.h"

#include <functional>
#include <limits>
#include <map>

using namespace irr;
using core::position2di;
using core::vector3df;
typedef std::map<StrokeNode*, core::matrix4> Drawing;

class AppSelectingTest : public WorkspaceTest
{
protected:
	//! A stroke from x 300 to 420 on window row y, drawn with the round brush.
	StrokeNode* stroke(s32 y)
	{
		const s32 tool = Application->Tool;
		Application->setTool(TOOL_ROUND_BRUSH);
		drawLine(300, 420, y);
		Application->setTool(tool);
		return Application->Strokes.getLast();
	}
	//! A left drag in steps of at most 10 pixels; a click when it does not move.
	void drag(position2di from, position2di to, bool shift = false)
	{
		if (shift)
			keyDown(KEY_LSHIFT);
		press(from.X, from.Y);
		const s32 steps = std::max(std::abs(to.X - from.X), std::abs(to.Y - from.Y)) / 10 + 1;
		for (s32 i = 1; i <= steps && to != from; ++i)
			moveTo(from.X + (to.X - from.X) * i / steps, from.Y + (to.Y - from.Y) * i / steps);
		release(to.X, to.Y);
		if (shift)
			keyUp(KEY_LSHIFT);
		drawFrame();
	}
	void wheel(f32 notches)
	{
		SEvent e = mouse(EMIE_MOUSE_WHEEL, 500, 500);
		e.MouseInput.Wheel = notches;
		send(e);
	}
	void ctrl(EKEY_CODE k) { keyDown(KEY_LCONTROL); tap(k); keyUp(KEY_LCONTROL); }
	void redo() { keyDown(KEY_LSHIFT); ctrl(KEY_KEY_Z); keyUp(KEY_LSHIFT); }
	position2di screenOf(const vector3df& world) const
	{
		return SceneManager->getSceneCollisionManager()->getScreenCoordinatesFrom3DPosition(world, Camera);
	}
	//! Where the stroke's middle point is seen now.
	position2di at(StrokeNode* s) const
	{
		vector3df p;
		s->getAbsoluteTransformation().transformVect(p, s->Points[s->Points.size() / 2]);
		return screenOf(p);
	}
	//! The world change a stroke went through since its absolute transformation was before.
	static core::matrix4 changeOf(StrokeNode* s, const core::matrix4& before)
	{
		core::matrix4 inverse;
		before.getInverse(inverse);
		return s->getAbsoluteTransformation() * inverse;
	}
	//! The visible strokes and their placements: what undo and redo must give back exactly.
	Drawing drawing() const
	{
		Drawing d;
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
			if (Application->Strokes[i]->isVisible())
				d[Application->Strokes[i]] = Application->Strokes[i]->getPlacement();
		return d;
	}
	static void expectNear(const vector3df& a, const vector3df& b, f32 tolerance, const char* what)
	{
		EXPECT_LE(a.getDistanceFrom(b), tolerance) << what;
	}
};

TEST_F(AppSelectingTest, ClicksAndRectanglesSelectByTheRules)
{
	StrokeNode* a = stroke(200);
	StrokeNode* b = stroke(300);
	StrokeNode* c = stroke(400);
	Application->setTool(TOOL_SELECT);
	// With nothing selected, drags from a stroke, the wheel and the keys change nothing.
	drag({360, 200}, {360, 300});
	drag({360, 200}, {400, 260}, true);
	wheel(1.f);
	tap(KEY_PLUS);
	tap(KEY_DELETE);
	ctrl(KEY_KEY_D);
	EXPECT_EQ(drawing(), (Drawing{{a, {}}, {b, {}}, {c, {}}}));
	EXPECT_EQ(Application->UndoList.size(), 3u);
	struct Gesture
	{
		position2di From, To;
		bool Shift;
		std::vector<StrokeNode*> Expected;
	};
	const Gesture gestures[] = {
		{{360, 200}, {360, 200}, false, {a}},
		{{360, 300}, {360, 300}, false, {b}},    // a click selects the stroke alone
		{{360, 200}, {360, 200}, true, {b, a}},  // Shift adds ...
		{{360, 300}, {360, 300}, true, {a}},     // ... and removes
		{{600, 100}, {600, 100}, true, {a}},     // Shift+click on empty space keeps it
		{{600, 100}, {600, 100}, false, {}},     // a click there clears it
		{{250, 250}, {450, 450}, false, {b, c}}, // rectangles: a point inside is enough
		{{450, 250}, {250, 150}, true, {b, c, a}},
		{{200, 210}, {290, 290}, false, {}},     // only caps, no point, inside
		{{360, 400}, {361, 401}, false, {c}},    // a small move is still a click
		{{360, 200}, {360, 260}, false, {c}},    // a drag from a stroke not selected: nothing
	};
	for (const Gesture& g : gestures)
	{
		drag(g.From, g.To, g.Shift);
		EXPECT_EQ(Application->Selection, g.Expected) << g.From.X << ", " << g.From.Y;
		for (StrokeNode* s : {a, b, c})
			EXPECT_EQ(s->isSelected(), std::count(g.Expected.begin(), g.Expected.end(), s) == 1);
	}
	EXPECT_EQ(drawing(), (Drawing{{a, {}}, {b, {}}, {c, {}}}));
	// The marking goes with the tool; a stroke that undo hides leaves the selection.
	Application->setTool(TOOL_ROUND_BRUSH);
	EXPECT_TRUE(Application->Selection.empty() && !c->isSelected());
	Application->setTool(TOOL_SELECT);
	drag({250, 150}, {450, 450});
	ctrl(KEY_KEY_Z);
	EXPECT_EQ(Application->Selection, (std::vector<StrokeNode*>{a, b}));
	EXPECT_FALSE(c->isSelected());
}

TEST_F(AppSelectingTest, MovesTurnsAndScalesAboutTheSelectionWithinItsSizeRange)
{
	// An orbited camera and a twisted drawing, so that no axis lines up by chance.
	keyDown(KEY_LMENU);
	drag({400, 300}, {430, 320});
	drag({500, 200}, {540, 260}, true);
	keyUp(KEY_LMENU);
	StrokeNode* a = stroke(250);
	StrokeNode* b = stroke(350);
	Application->setTool(TOOL_SELECT);
	drag({250, 200}, {450, 400});
	ASSERT_EQ(Application->Selection.size(), 2u);

	// Move: the point grabbed stays under the pointer, and is picked there.
	vector3df grabbed, moved;
	ASSERT_EQ(Application->strokeUnderPointer({360, 250}, grabbed), a);
	core::matrix4 before = a->getAbsoluteTransformation();
	drag({360, 250}, {420, 150});
	changeOf(a, before).transformVect(moved, grabbed);
	EXPECT_LE((screenOf(moved) - position2di(420, 150)).getLengthSQ(), 1);
	EXPECT_EQ(changeOf(b, before), changeOf(a, before));
	vector3df hit;
	EXPECT_EQ(Application->strokeUnderPointer({420, 150}, hit), a);
	EXPECT_NE(Application->strokeUnderPointer({360, 250}, hit), a) << "a left its old place";

	// Turn: a quarter turn of the pointer about the centre's screen point turns the point
	// under it (on the plane facing the camera through the centre) onto the point under the
	// pointer, about the line of sight through the centre.
	const vector3df centre = Application->selectionCentre();
	const vector3df sight = (Camera->getTarget() - Camera->getAbsolutePosition()).normalize();
	const position2di c = screenOf(centre), from(420, 150), to(c.X - (from.Y - c.Y), c.Y + (from.X - c.X));
	const vector3df p0 = Application->pointerToViewPlane(core::vector2d<f64>(from.X, from.Y), centre);
	const vector3df p1 = Application->pointerToViewPlane(core::vector2d<f64>(to.X, to.Y), centre);
	before = a->getAbsoluteTransformation();
	drag(from, to, true);
	vector3df kept, axis, turned;
	changeOf(a, before).transformVect(kept, centre);
	changeOf(a, before).transformVect(axis, centre + sight * 10.f);
	changeOf(a, before).transformVect(turned, p0);
	expectNear(kept, centre, 1e-2f, "the centre stays");
	expectNear(axis, centre + sight * 10.f, 1e-2f, "so does the line of sight through it");
	expectNear(turned, p1, 0.02f * (p0 - centre).getLength(), "the point under the pointer");

	// Scale: two notches are 1.1 squared about the centre; "-" takes one back.
	const vector3df middle = Application->selectionCentre();
	before = a->getAbsoluteTransformation();
	wheel(2.f);
	changeOf(a, before).transformVect(kept, middle);
	expectNear(kept, middle, 1e-2f, "the centre stays");
	EXPECT_NEAR(changeOf(a, before).getScale().X, 1.21f, 1e-4f);
	tap(KEY_MINUS);
	EXPECT_NEAR(changeOf(a, before).getScale().X, 1.1f, 1e-4f);

	// a alone 1.331 times larger, then both as far as they go: the larger stops at 100 times
	// its drawn size, the smaller at 1/100, and the two keep their proportion.
	drag(at(a), at(a));
	wheel(3.f);
	drag(at(b), at(b), true);
	const auto scale = [](StrokeNode* s) { return s->getPlacement().getScale().X; };
	for (int i = 0; i < 80; ++i)
		wheel(1.f);
	EXPECT_NEAR(scale(a), 100.f, 1e-2f);
	EXPECT_NEAR(scale(b), 100.f / 1.331f, 1e-2f);
	for (int i = 0; i < 200; ++i)
		tap(KEY_MINUS);
	EXPECT_NEAR(scale(b), 0.01f, 1e-5f);
	EXPECT_NEAR(scale(a), 0.01331f, 1e-5f);
	// At the limit, and for factors that would flip, flatten or blow up strokes: no step.
	const u32 revision = Application->Revision;
	tap(KEY_MINUS);
	for (f32 bad : {0.f, -1.f, std::numeric_limits<f32>::quiet_NaN(), std::numeric_limits<f32>::infinity()})
		Application->scaleSelection(bad);
	wheel(std::numeric_limits<f32>::quiet_NaN());
	EXPECT_EQ(Application->Revision, revision);
}

TEST_F(AppSelectingTest, EveryKindOfStepIsUndoneAndRedoneWholeUnderTheHistoryLimit)
{
	StrokeNode* a = stroke(250);
	StrokeNode* b = stroke(350);
	Application->setTool(TOOL_SELECT);
	const auto both = [&] {
		drag(at(a), at(a));
		drag(at(b), at(b), true);
	};
	struct Step
	{
		const char* What;
		std::function<void()> Do;
	};
	const Step steps[] = {
		{"move", [&] { both(); drag(at(a), at(a) + position2di(20, 70)); }},
		{"turn", [&] { both(); drag(at(a), at(a) - position2di(60, 50), true); }},
		{"wheel", [&] { both(); wheel(-1.f); }},
		{"= key", [&] { both(); tap(KEY_PLUS); }},
		{"- key", [&] { both(); tap(KEY_MINUS); }},
		{"duplicate", [&] { both(); ctrl(KEY_KEY_D); }},
		{"delete", [&] { both(); tap(KEY_DELETE); }},
		{"backspace", [&] { both(); tap(KEY_BACK); }},
		{"mirrored stroke", [&] { Application->setMirror(true); stroke(450); Application->setMirror(false); }},
	};
	for (const Step& step : steps)
	{
		SCOPED_TRACE(step.What);
		const Drawing before = drawing();
		const u32 revision = Application->Revision;
		const Command* newest = Application->UndoList[0];
		step.Do();
		const Drawing after = drawing();
		ASSERT_NE(after, before);
		// One step in front of the older ones: a first command and the ones joined to it.
		u32 added = 0;
		while (Application->UndoList[added] != newest)
			++added;
		for (u32 i = 0; i < added; ++i)
			EXPECT_EQ(Application->UndoList[i]->JoinsPrevious, i + 1 < added) << i;
		ctrl(KEY_KEY_Z);
		EXPECT_EQ(drawing(), before);
		redo();
		EXPECT_EQ(drawing(), after);
		EXPECT_EQ(Application->Revision, revision + 3) << "the autosave sees every change";
	}
	// Eleven steps: the ten newest stay undoable, so undoing all stops after the first stroke.
	const Drawing last = drawing();
	for (int i = 0; i < 12; ++i)
		ctrl(KEY_KEY_Z);
	EXPECT_EQ(drawing(), (Drawing{{a, {}}}));
	for (int i = 0; i < 12; ++i)
		redo();
	EXPECT_EQ(drawing(), last);
}

TEST_F(AppSelectingTest, MirrorTwinOfATwistedDrawing)
{
	// Orbit, twist the drawing and move the anchor off the middle, then draw with the mirror on.
	keyDown(KEY_LMENU);
	drag({400, 300}, {440, 310});
	drag({500, 200}, {560, 280}, true);
	keyUp(KEY_LMENU);
	const vector3df anchorWorld(5.f, 10.f, -20.f);
	Application->AnchorNode->setPosition(anchorWorld);
	Application->setMirror(true);
	drawFrame();
	// The plane stands at the anchor, across the drawing root's Z axis.
	const core::matrix4& plane = Application->MirrorPlane->getAbsoluteTransformation();
	const core::matrix4& root = Application->DrawingRoot->getAbsoluteTransformation();
	expectNear(plane.getTranslation(), anchorWorld, 1e-4f, "plane through the anchor");
	const vector3df normal(root[8], root[9], root[10]);
	expectNear(vector3df(plane[8], plane[9], plane[10]), normal, 1e-5f, "plane normal");

	drawLine(450, 650, 200);
	ASSERT_EQ(Application->Strokes.size(), 2u);
	StrokeNode* drawn = Application->Strokes[0];
	StrokeNode* twin = Application->Strokes[1];
	EXPECT_TRUE(Application->UndoList[0]->JoinsPrevious && !Application->UndoList[1]->JoinsPrevious);
	// Drawing-root space: z mirrored about the anchor's z; brush, colour and pressure the same.
	vector3df anchor;
	Application->WorldToDrawing.transformVect(anchor, anchorWorld);
	ASSERT_EQ(twin->Points.size(), drawn->Points.size());
	for (u32 i = 0; i < drawn->Points.size(); ++i)
	{
		const vector3df& p = drawn->Points[i];
		expectNear(twin->Points[i], vector3df(p.X, p.Y, 2.f * anchor.Z - p.Z), 1e-4f, "twin point");
	}
	EXPECT_EQ(twin->Pressures, drawn->Pressures);
	EXPECT_TRUE(twin->getColor() == drawn->getColor() && twin->Radius == drawn->Radius);
	// The twin's tube is the stroke's mirrored: each mirrored vertex lies on one of the twin's
	// (the rings list them in another order).
	const scene::IMeshBuffer* mesh = drawn->Mesh->getMeshBuffer(0);
	const scene::IMeshBuffer* twinMesh = twin->Mesh->getMeshBuffer(0);
	ASSERT_EQ(twinMesh->getVertexCount(), mesh->getVertexCount());
	for (u32 i = 0; i < mesh->getVertexCount(); ++i)
	{
		const vector3df p = mesh->getPosition(i), m(p.X, p.Y, 2.f * anchor.Z - p.Z);
		f32 nearest = std::numeric_limits<f32>::max();
		for (u32 j = 0; j < twinMesh->getVertexCount(); ++j)
			nearest = std::min(nearest, m.getDistanceFrom(twinMesh->getPosition(j)));
		ASSERT_LT(nearest, 1e-3f) << "vertex " << i;
	}
	// In the world the pair lies across the plane: midpoints on it, offsets along its normal.
	vector3df p, q;
	root.transformVect(p, drawn->Points[3]);
	root.transformVect(q, twin->Points[3]);
	EXPECT_NEAR(((p + q) * 0.5f - anchorWorld).dotProduct(normal), 0.f, 1e-3f);
	expectNear(vector3df(p - q).crossProduct(normal), vector3df(), 1e-3f, "p - q along the normal");

	// One undo takes both; the stroke can then be picked on its own.
	ctrl(KEY_KEY_Z);
	EXPECT_FALSE(drawn->isVisible() || twin->isVisible());
	redo();
	vector3df hit;
	EXPECT_EQ(Application->strokeUnderPointer({550, 200}, hit), drawn);

	// A stroke along the plane gets a twin on top of it (the pixels lie within half a pixel,
	// 0.12 units here, of the plane); the erase brush mirrors nothing; the plane goes with mirror.
	const vector3df along = normal.crossProduct((Camera->getTarget() - Camera->getAbsolutePosition()).normalize());
	press(screenOf(anchorWorld - along * 10.f).X, screenOf(anchorWorld - along * 10.f).Y);
	for (int i = -4; i <= 5; ++i)
		moveTo(screenOf(anchorWorld + along * (2.f * i)).X, screenOf(anchorWorld + along * (2.f * i)).Y);
	release(0, 0);
	ASSERT_EQ(Application->Strokes.size(), 4u);
	for (u32 i = 0; i < Application->Strokes[2]->Points.size(); ++i)
		expectNear(Application->Strokes[3]->Points[i], Application->Strokes[2]->Points[i], 0.25f, "twin on the plane");
	Application->setTool(TOOL_ERASE_BRUSH);
	drawLine(450, 650, 200);
	EXPECT_EQ(Application->Strokes.size(), 4u);
	EXPECT_FALSE(drawn->isVisible());
	Application->setMirror(false);
	EXPECT_FALSE(Application->MirrorPlane->isVisible());
}
