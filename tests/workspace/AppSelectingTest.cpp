// The select tool and mirror drawing: which strokes a click or a rectangle selects, moves,
// turns and scales about the selection's centre, every kind of step undone and redone
// under the history limit, moved strokes found where they are, and the mirror twin.
#include "Fixture.h"
#include "stroke/StrokeNode.h"
#include "workspace/Command.h"
#include "workspace/MirrorPlaneNode.h"

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <vector>

using namespace irr;
using core::position2di;
using core::vector3df;

namespace
{

class AppSelectingTest : public WorkspaceTest
{
protected:
	//! A horizontal stroke from x 300 to 420 on window row y, drawn with the round brush.
	StrokeNode* stroke(s32 y)
	{
		const s32 tool = Application->Tool;
		Application->setTool(TOOL_ROUND_BRUSH);
		drawLine(300, 420, y);
		Application->setTool(tool);
		return Application->Strokes.getLast();
	}
	//! A left drag in steps of at most 10 pixels (a click when it does not move).
	void drag(s32 x0, s32 y0, s32 x1, s32 y1, bool shift = false)
	{
		if (shift)
			keyDown(KEY_LSHIFT);
		press(x0, y0);
		const s32 steps = std::max(1, std::max(std::abs(x1 - x0), std::abs(y1 - y0)) / 10);
		for (s32 i = 1; i <= steps && (x1 != x0 || y1 != y0); ++i)
			moveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
		release(x1, y1);
		if (shift)
			keyUp(KEY_LSHIFT);
		drawFrame();
	}
	void click(s32 x, s32 y, bool shift = false) { drag(x, y, x, y, shift); }
	void wheel(f32 notches)
	{
		SEvent e = mouse(EMIE_MOUSE_WHEEL, 500, 500);
		e.MouseInput.Wheel = notches;
		send(e);
	}
	void undo() { keyDown(KEY_LCONTROL); tap(KEY_KEY_Z); keyUp(KEY_LCONTROL); }
	void redo()
	{
		keyDown(KEY_LCONTROL);
		keyDown(KEY_LSHIFT);
		tap(KEY_KEY_Z);
		keyUp(KEY_LSHIFT);
		keyUp(KEY_LCONTROL);
	}
	position2di screenOf(const vector3df& world) const
	{
		return SceneManager->getSceneCollisionManager()->getScreenCoordinatesFrom3DPosition(world, Camera);
	}
	//! The world change a stroke went through since its absolute transformation was before.
	static core::matrix4 changeOf(StrokeNode* s, const core::matrix4& before)
	{
		core::matrix4 inverse;
		before.getInverse(inverse);
		return s->getAbsoluteTransformation() * inverse;
	}
	//! The visible strokes and where they stand: what undo and redo must give back exactly.
	std::map<StrokeNode*, core::matrix4> drawing() const
	{
		std::map<StrokeNode*, core::matrix4> d;
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
			if (Application->Strokes[i]->isVisible())
				d[Application->Strokes[i]] = Application->Strokes[i]->getPlacement();
		return d;
	}
	std::vector<StrokeNode*> selection() const { return Application->Selection; }
};

//! The farthest any vertex of a, mirrored across local z = mirrorZ, lies from the nearest
//! vertex of b (the two tubes list their ring vertices in different orders).
f32 mirroredDistance(StrokeNode* a, StrokeNode* b, f32 mirrorZ)
{
	const scene::IMeshBuffer* va = a->Mesh->getMeshBuffer(0);
	const scene::IMeshBuffer* vb = b->Mesh->getMeshBuffer(0);
	f32 farthest = 0.f;
	for (u32 i = 0; i < va->getVertexCount(); ++i)
	{
		const vector3df p = va->getPosition(i);
		const vector3df m(p.X, p.Y, 2.f * mirrorZ - p.Z);
		f32 nearest = std::numeric_limits<f32>::max();
		for (u32 j = 0; j < vb->getVertexCount(); ++j)
			nearest = std::min(nearest, m.getDistanceFrom(vb->getPosition(j)));
		farthest = std::max(farthest, nearest);
	}
	return farthest;
}

void expectNear(const vector3df& a, const vector3df& b, f32 tolerance, const char* what)
{
	EXPECT_NEAR(a.X, b.X, tolerance) << what;
	EXPECT_NEAR(a.Y, b.Y, tolerance) << what;
	EXPECT_NEAR(a.Z, b.Z, tolerance) << what;
}

} // namespace

TEST_F(AppSelectingTest, ClicksAndRectanglesSelectByTheRules)
{
	StrokeNode* a = stroke(200);
	StrokeNode* b = stroke(300);
	StrokeNode* c = stroke(400);
	Application->setTool(TOOL_SELECT);
	const core::matrix4 placeOfA = a->getPlacement();
	struct Gesture
	{
		const char* What;
		s32 X0, Y0, X1, Y1;
		bool Shift;
		std::vector<StrokeNode*> Expected;
	};
	const Gesture gestures[] = {
		{"click on a", 360, 200, 360, 200, false, {a}},
		{"click on b selects b alone", 360, 300, 360, 300, false, {b}},
		{"Shift+click adds a", 360, 200, 360, 200, true, {b, a}},
		{"Shift+click removes b", 360, 300, 360, 300, true, {a}},
		{"Shift+click on empty space keeps it", 600, 100, 600, 100, true, {a}},
		{"click on empty space clears", 600, 100, 600, 100, false, {}},
		{"a rectangle over b and c", 250, 250, 450, 450, false, {b, c}},
		{"a rectangle drawn the other way, with Shift, adds a", 450, 250, 250, 150, true, {b, c, a}},
		{"a rectangle that holds no point of a stroke", 200, 210, 290, 290, false, {}},
		{"a small move is still a click", 360, 400, 361, 401, false, {c}},
		{"a drag from a stroke not selected does nothing", 360, 200, 360, 260, false, {c}},
	};
	for (const Gesture& g : gestures)
	{
		drag(g.X0, g.Y0, g.X1, g.Y1, g.Shift);
		EXPECT_EQ(selection(), g.Expected) << g.What;
		for (StrokeNode* s : {a, b, c})
			EXPECT_EQ(s->isSelected(), std::count(g.Expected.begin(), g.Expected.end(), s) == 1) << g.What;
	}
	EXPECT_EQ(a->getPlacement(), placeOfA);
	EXPECT_EQ(Application->UndoList.size(), 3u) << "selecting records nothing";

	// Another tool takes the marking away; a stroke hidden by undo leaves the selection.
	Application->setTool(TOOL_ROUND_BRUSH);
	EXPECT_TRUE(selection().empty());
	EXPECT_FALSE(c->isSelected());
	Application->setTool(TOOL_SELECT);
	drag(250, 150, 450, 450);
	undo(); // takes back c's stroke
	EXPECT_EQ(selection(), (std::vector<StrokeNode*>{a, b}));
	EXPECT_FALSE(c->isSelected());
}

TEST_F(AppSelectingTest, WithNothingSelectedNothingChanges)
{
	StrokeNode* a = stroke(300);
	Application->setTool(TOOL_SELECT);
	const u32 revision = Application->Revision;
	drag(360, 300, 360, 400);        // a drag from a stroke
	drag(360, 300, 400, 360, true);  // the same with Shift
	wheel(1.f);
	tap(KEY_PLUS);
	tap(KEY_DELETE);
	keyDown(KEY_LCONTROL);
	tap(KEY_KEY_D);
	keyUp(KEY_LCONTROL);
	EXPECT_TRUE(a->isVisible());
	EXPECT_EQ(a->getPlacement(), core::matrix4());
	EXPECT_EQ(Application->Strokes.size(), 1u);
	EXPECT_EQ(Application->Revision, revision);
	EXPECT_TRUE(selection().empty());
}

TEST_F(AppSelectingTest, MovesTurnsAndScalesAboutTheSelection)
{
	// An orbited camera and a twisted drawing, so that no axis lines up by chance.
	keyDown(KEY_LMENU);
	drag(400, 300, 430, 320);
	keyDown(KEY_LSHIFT);
	drag(500, 200, 540, 260);
	keyUp(KEY_LSHIFT);
	keyUp(KEY_LMENU);
	StrokeNode* a = stroke(250);
	StrokeNode* b = stroke(350);
	Application->setTool(TOOL_SELECT);
	drag(250, 200, 450, 400);
	ASSERT_EQ(selection().size(), 2u);

	// Move: the point grabbed stays under the pointer.
	vector3df grabbed;
	ASSERT_EQ(Application->strokeUnderPointer(position2di(360, 250), grabbed), a);
	core::matrix4 before = a->getAbsoluteTransformation();
	drag(360, 250, 420, 150);
	vector3df moved;
	changeOf(a, before).transformVect(moved, grabbed);
	const position2di seen = screenOf(moved);
	EXPECT_LE(std::abs(seen.X - 420) + std::abs(seen.Y - 150), 1) << seen.X << ", " << seen.Y;
	EXPECT_EQ(changeOf(b, before), changeOf(a, before)) << "both strokes move together";

	// Turn: about the line of sight through the centre, by the angle the pointer swept: a
	// quarter turn of the pointer about the centre's screen point turns the point under it,
	// on the plane facing the camera through the centre, onto the point under the pointer.
	const vector3df centre = Application->selectionCentre();
	const vector3df sight = (Camera->getTarget() - Camera->getAbsolutePosition()).normalize();
	const position2di c = screenOf(centre);
	const position2di from(420, 150), to(c.X - (from.Y - c.Y), c.Y + (from.X - c.X));
	const vector3df p0 = Application->pointerToViewPlane(core::vector2d<f64>(from.X, from.Y), centre);
	const vector3df p1 = Application->pointerToViewPlane(core::vector2d<f64>(to.X, to.Y), centre);
	before = a->getAbsoluteTransformation();
	drag(from.X, from.Y, to.X, to.Y, true);
	const core::matrix4 turn = changeOf(a, before);
	vector3df kept, axisEnd, turned;
	turn.transformVect(kept, centre);
	turn.transformVect(axisEnd, centre + sight * 10.f);
	turn.transformVect(turned, p0);
	expectNear(kept, centre, 1e-2f, "the centre stays");
	expectNear(axisEnd, centre + sight * 10.f, 1e-2f, "the line of sight through it stays");
	expectNear(turned, p1, 0.02f * (p0 - centre).getLength(), "the point under the pointer");

	// Scale: two notches are 1.1 squared about the centre; "-" takes one back.
	const vector3df middle = Application->selectionCentre();
	before = a->getAbsoluteTransformation();
	wheel(2.f);
	core::matrix4 change = changeOf(a, before);
	EXPECT_NEAR(change.getScale().X, 1.21f, 1e-4f);
	vector3df fixed;
	change.transformVect(fixed, middle);
	expectNear(fixed, middle, 1e-2f, "the centre stays");
	tap(KEY_MINUS);
	EXPECT_NEAR(changeOf(a, before).getScale().X, 1.1f, 1e-4f);
}

TEST_F(AppSelectingTest, ScaleStaysWithinAHundredthAndAHundredTimesTheDrawnSize)
{
	StrokeNode* a = stroke(250);
	StrokeNode* b = stroke(350);
	Application->setTool(TOOL_SELECT);
	click(360, 250);
	wheel(3.f); // a alone: 1.331 times its drawn size
	drag(250, 200, 450, 400);
	const auto scale = [](StrokeNode* s) { return s->getPlacement().getScale().X; };
	for (int i = 0; i < 80; ++i)
		wheel(1.f);
	// The larger one stops at 100, and the other keeps their proportion.
	EXPECT_NEAR(scale(a), 100.f, 1e-2f);
	EXPECT_NEAR(scale(b), 100.f / 1.331f, 1e-2f);
	const u32 steps = Application->Revision;
	wheel(1.f);
	EXPECT_EQ(Application->Revision, steps) << "no step at the limit";
	for (int i = 0; i < 200; ++i)
		tap(KEY_MINUS);
	EXPECT_NEAR(scale(b), 0.01f, 1e-5f);
	EXPECT_NEAR(scale(a), 0.01331f, 1e-5f);
	// Nothing that would flip, flatten or blow up a stroke is taken.
	const u32 down = Application->Revision;
	for (f32 bad : {0.f, -1.f, std::numeric_limits<f32>::quiet_NaN(), std::numeric_limits<f32>::infinity()})
		Application->scaleSelection(bad);
	wheel(std::numeric_limits<f32>::quiet_NaN());
	EXPECT_EQ(Application->Revision, down);
	EXPECT_NEAR(scale(b), 0.01f, 1e-5f);
}

TEST_F(AppSelectingTest, EveryKindOfStepIsUndoneAndRedoneWholeUnderTheHistoryLimit)
{
	StrokeNode* a = stroke(250);
	StrokeNode* b = stroke(350);
	Application->setTool(TOOL_SELECT);
	// Where a stroke's middle point is seen now.
	const auto at = [this](StrokeNode* s) {
		vector3df p;
		s->getAbsoluteTransformation().transformVect(p, s->Points[s->Points.size() / 2]);
		return screenOf(p);
	};
	const auto selectBoth = [&] {
		click(at(a).X, at(a).Y);
		click(at(b).X, at(b).Y, true);
	};
	const auto ctrl = [this](EKEY_CODE k) { keyDown(KEY_LCONTROL); tap(k); keyUp(KEY_LCONTROL); };
	struct Step
	{
		const char* What;
		std::function<void()> Do;
	};
	const Step steps[] = {
		{"move", [&] { selectBoth(); drag(at(a).X, at(a).Y, at(a).X + 20, at(a).Y + 70); }},
		{"turn", [&] { selectBoth(); drag(at(a).X, at(a).Y, at(a).X - 60, at(a).Y - 50, true); }},
		{"wheel", [&] { selectBoth(); wheel(-1.f); }},
		{"= key", [&] { selectBoth(); tap(KEY_PLUS); }},
		{"- key", [&] { selectBoth(); tap(KEY_MINUS); }},
		{"duplicate", [&] { selectBoth(); ctrl(KEY_KEY_D); }},
		{"delete", [&] { selectBoth(); tap(KEY_DELETE); }},
		{"backspace", [&] { selectBoth(); tap(KEY_BACK); }},
		{"mirrored stroke", [&] {
			 Application->setMirror(true);
			 stroke(450);
			 Application->setMirror(false);
		 }},
	};
	std::vector<std::map<StrokeNode*, core::matrix4>> states{drawing()};
	for (const Step& step : steps)
	{
		SCOPED_TRACE(step.What);
		const std::map<StrokeNode*, core::matrix4> before = drawing();
		const u32 revision = Application->Revision;
		const Command* newest = Application->UndoList[0];
		step.Do();
		const std::map<StrokeNode*, core::matrix4> after = drawing();
		ASSERT_NE(after, before);
		EXPECT_EQ(Application->Revision, revision + 1);
		// One step in front of the older ones: a first command and the ones joined to it.
		u32 added = 0;
		while (Application->UndoList[added] != newest)
			++added;
		ASSERT_GT(added, 0u);
		for (u32 i = 0; i < added; ++i)
			EXPECT_EQ(Application->UndoList[i]->JoinsPrevious, i + 1 < added) << i;
		undo();
		EXPECT_EQ(drawing(), before);
		redo();
		EXPECT_EQ(drawing(), after);
		EXPECT_EQ(Application->Revision, revision + 3);
		states.push_back(after);
	}
	// Nine steps after the two strokes: ten steps of the eleven stay undoable, so undoing
	// everything stops after the first stroke.
	for (int i = 0; i < 12; ++i)
		undo();
	EXPECT_EQ(drawing(), (std::map<StrokeNode*, core::matrix4>{{a, core::matrix4()}}));
	for (int i = 0; i < 12; ++i)
		redo();
	EXPECT_EQ(drawing(), states.back());
}

TEST_F(AppSelectingTest, MovedStrokesArePickedErasedSnappedToAndEyedroppedWhereTheyAre)
{
	Application->setBrushColor(video::SColor(0xFF10A040));
	StrokeNode* a = stroke(250);
	Application->setTool(TOOL_SELECT);
	click(360, 250);
	drag(360, 250, 360, 400);
	drawFrame();
	vector3df hit;
	EXPECT_EQ(Application->strokeUnderPointer(position2di(360, 250), hit), nullptr) << "the old place is empty";
	ASSERT_EQ(Application->strokeUnderPointer(position2di(360, 400), hit), a);

	// Left Ctrl snaps the anchor onto it, the eyedropper takes its colour there.
	Application->setTool(TOOL_ROUND_BRUSH);
	keyDown(KEY_LCONTROL);
	moveTo(360, 400);
	keyUp(KEY_LCONTROL);
	expectNear(Application->AnchorNode->getPosition(), hit, 1e-3f, "anchor on the moved stroke");
	EXPECT_FALSE(Application->pickColorCandidate(position2di(360, 250)));
	ASSERT_TRUE(Application->pickColorCandidate(position2di(360, 400)));
	EXPECT_EQ(Application->ColorCandidate->getColor(), video::SColor(0xFF10A040));
	Application->endColorPick();
	// The erase brush finds nothing at the old place and takes it at the new one.
	Application->setTool(TOOL_ERASE_BRUSH);
	click(360, 250);
	EXPECT_TRUE(a->isVisible());
	click(360, 400);
	EXPECT_FALSE(a->isVisible());
}

TEST_F(AppSelectingTest, MirrorTwinOfATwistedDrawing)
{
	// Orbit, twist the drawing and move the anchor off the middle, then draw with the mirror on.
	keyDown(KEY_LMENU);
	drag(400, 300, 440, 310);
	keyDown(KEY_LSHIFT);
	drag(500, 200, 560, 280);
	keyUp(KEY_LSHIFT);
	keyUp(KEY_LMENU);
	Application->AnchorNode->setPosition(vector3df(5.f, 10.f, -20.f));
	Application->setMirror(true);
	drawFrame();
	EXPECT_TRUE(Application->MirrorPlane->isVisible());
	// The plane stands at the anchor, across the drawing root's Z axis.
	const core::matrix4& plane = Application->MirrorPlane->getAbsoluteTransformation();
	const core::matrix4& root = Application->DrawingRoot->getAbsoluteTransformation();
	expectNear(plane.getTranslation(), vector3df(5.f, 10.f, -20.f), 1e-4f, "plane through the anchor");
	expectNear(vector3df(plane[8], plane[9], plane[10]), vector3df(root[8], root[9], root[10]), 1e-5f, "plane normal");

	const u32 commands = Application->UndoList.size();
	drawLine(450, 650, 200);
	ASSERT_EQ(Application->Strokes.size(), 2u);
	StrokeNode* drawn = Application->Strokes[0];
	StrokeNode* twin = Application->Strokes[1];
	EXPECT_EQ(Application->UndoList.size(), commands + 2);
	EXPECT_TRUE(Application->UndoList[0]->JoinsPrevious);

	// In the drawing root's space: z mirrored about the anchor's z, the rest the same.
	vector3df anchor;
	Application->WorldToDrawing.transformVect(anchor, vector3df(5.f, 10.f, -20.f));
	ASSERT_EQ(twin->Points.size(), drawn->Points.size());
	for (u32 i = 0; i < drawn->Points.size(); ++i)
		expectNear(twin->Points[i], vector3df(drawn->Points[i].X, drawn->Points[i].Y, 2.f * anchor.Z - drawn->Points[i].Z),
			1e-4f, "twin point");
	EXPECT_EQ(twin->Pressures, drawn->Pressures);
	EXPECT_EQ(twin->getColor(), drawn->getColor());
	EXPECT_EQ(twin->Radius, drawn->Radius);
	// In the world, the twin's tube is the stroke's tube reflected across the plane.
	const vector3df normal = vector3df(root[8], root[9], root[10]).normalize();
	EXPECT_EQ(drawn->Mesh->getMeshBuffer(0)->getVertexCount(), twin->Mesh->getMeshBuffer(0)->getVertexCount());
	EXPECT_LT(mirroredDistance(drawn, twin, anchor.Z), 1e-3f) << "the twin's tube is the stroke's, mirrored";
	vector3df p, q;
	root.transformVect(p, drawn->Points[3]);
	root.transformVect(q, twin->Points[3]);
	EXPECT_NEAR((p + q).dotProduct(normal) * 0.5f, vector3df(5.f, 10.f, -20.f).dotProduct(normal), 1e-3f);
	expectNear(vector3df(p - q).crossProduct(normal), vector3df(0.f, 0.f, 0.f), 1e-3f, "p - q along the normal");

	// One undo takes both; each can then be taken alone.
	undo();
	EXPECT_FALSE(drawn->isVisible());
	EXPECT_FALSE(twin->isVisible());
	redo();
	Application->setTool(TOOL_SELECT);
	drawFrame();
	vector3df hit;
	EXPECT_EQ(Application->strokeUnderPointer(position2di(550, 200), hit), drawn);

	// A stroke drawn along the plane gets a twin on top of it (the pointer's pixels lie within
	// half a pixel of it, 0.12 units here); the erase brush makes none; the plane goes with the mirror.
	Application->setTool(TOOL_ROUND_BRUSH);
	const vector3df along = normal.crossProduct(
		(Camera->getTarget() - Camera->getAbsolutePosition()).normalize()) * 2.f;
	press(screenOf(vector3df(5.f, 10.f, -20.f) - along * 5.f).X, screenOf(vector3df(5.f, 10.f, -20.f) - along * 5.f).Y);
	for (int i = -4; i <= 5; ++i)
	{
		const position2di at = screenOf(vector3df(5.f, 10.f, -20.f) + along * (f32)i);
		moveTo(at.X, at.Y);
	}
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
