// The drawing taken from the workspace, through a GLB file and back: the same strokes with
// the same buffers bit for bit, the same camera, twist, anchor, backdrop and brush, in the
// workspace and in the panel's widgets; the history is gone and hidden strokes stay out.
#include "DocumentTestSupport.h"
#include "document/DocumentScene.h"
#include "document/GlbFile.h"
#include "ui/UIBrushEditor.h"
#include "ui/UIColorPicker.h"

#include <sstream>

using namespace irr;

namespace
{

Document throughFile(const Document& d)
{
	std::ostringstream out;
	std::string error;
	EXPECT_TRUE(writeGlb(d, out, error)) << error;
	const std::string bytes = out.str();
	Document back;
	EXPECT_TRUE(readGlb((const unsigned char*)bytes.data(), bytes.size(), back, error)) << error;
	return back;
}

} // namespace

TEST_F(DocumentTest, RoundTripRebuildsEveryBufferAndTheView)
{
	// Three strokes by real input (one translucent), one past 2,730 blocks drawn with a pen's
	// changing pressure (enough points for opening to build on two threads), a twist and an orbit.
	drawLine(200, 500, 150);
	// Brush settings come from the panel's widgets, as the user sets them.
	Panel->ColorPicker->setColor(video::SColor(0x80FF8000));
	Panel->BrushEditor->setRadius(12.f);
	Panel->BrushEditor->setThickness(0.3f);
	drawLine(250, 600, 300);
	drawPoints(2900, video::SColor(0xFF3060F0), 3.f, 0.7f, true);
	keyDown(KEY_LMENU);
	press(400, 300);
	moveTo(430, 320); // orbit
	release(430, 320);
	keyDown(KEY_LSHIFT);
	press(500, 200);
	moveTo(520, 260); // twist
	drawFrame();
	moveTo(540, 300);
	release(540, 300);
	keyUp(KEY_LSHIFT);
	keyUp(KEY_LMENU);
	drawFrame();
	Application->AnchorNode->setPosition(core::vector3df(3.f, -4.f, 5.f));
	Panel->ColorPicker->BackdropColor = video::SColor(0xFF203040);
	Panel->ColorPicker->setColor(video::SColor(0xFF3060F0));
	Panel->BrushEditor->setRadius(3.f);
	Receiver.syncSettings();

	// The second stroke reshaped with the select tool: scaled about its middle, then part back.
	Application->setTool(TOOL_SELECT);
	Application->select(Application->Strokes[1], true);
	Application->scaleSelection(2.f);
	tap(KEY_MINUS);
	const core::matrix4 placement = Application->Strokes[1]->getPlacement();
	ASSERT_FALSE(placement.isIdentity());

	const u32 count = Application->Strokes.size();
	ASSERT_EQ(count, 3u);
	std::vector<StrokeNode*> before(Application->Strokes.const_pointer(), Application->Strokes.const_pointer() + count);
	for (StrokeNode* s : before)
		s->grab(); // kept for the comparison after the drawing root lets them go
	const core::matrix4 twist = Application->DrawingRoot->getRelativeTransformationMatrix();
	ASSERT_FALSE(twist.isIdentity());
	const core::vector3df position = Camera->getPosition(), target = Camera->getTarget(), up = Camera->getUpVector();
	const f32 yaw = Application->OrbitYaw, pitch = Application->OrbitPitch;
	const core::matrix4 worldToDrawing = Application->WorldToDrawing;

	const Document back = throughFile(captureDocument(*Application));
	restoreDocument(*Application, back);
	showDocumentSettings(*Panel, back);
	drawFrame();

	ASSERT_EQ(Application->Strokes.size(), count);
	for (u32 i = 0; i < count; ++i)
	{
		SCOPED_TRACE(i);
		EXPECT_NE(Application->Strokes[i], before[i]);
		expectSameStroke(before[i], Application->Strokes[i]);
		// Lit, too: the normals made at the first lit look are the drawn stroke's.
		before[i]->setDisplayMode(1);
		Application->Strokes[i]->setDisplayMode(1);
		expectSameStroke(before[i], Application->Strokes[i]);
		EXPECT_EQ(Application->Strokes[i]->getParent(), Application->DrawingRoot);
		EXPECT_NE(Application->Strokes[i]->pickIndex(), nullptr);
		EXPECT_EQ(before[i]->getParent(), nullptr);
		before[i]->drop();
	}
	EXPECT_GT(Application->Strokes[2]->Mesh->getMeshBufferCount(), 1u);
	// Where it was reshaped to, bit for bit, and nothing selected any more.
	EXPECT_EQ(std::memcmp(Application->Strokes[1]->getPlacement().pointer(), placement.pointer(), 64), 0);
	EXPECT_TRUE(Application->Strokes[0]->getPlacement().isIdentity());
	EXPECT_TRUE(Application->Selection.empty());
	EXPECT_FALSE(Application->Strokes[1]->isSelected());
	EXPECT_EQ(Application->Tool, TOOL_ROUND_BRUSH) << "the select tool is saved as the round brush";
	EXPECT_EQ(std::memcmp(Application->DrawingRoot->getRelativeTransformationMatrix().pointer(), twist.pointer(), 64), 0);
	EXPECT_EQ(std::memcmp(Application->WorldToDrawing.pointer(), worldToDrawing.pointer(), 64), 0);
	EXPECT_EQ(Camera->getPosition(), position);
	EXPECT_EQ(Camera->getTarget(), target);
	EXPECT_EQ(Camera->getUpVector(), up);
	EXPECT_EQ(Application->OrbitYaw, yaw);
	EXPECT_EQ(Application->OrbitPitch, pitch);
	EXPECT_EQ(Application->AnchorNode->getPosition(), core::vector3df(3.f, -4.f, 5.f));
	EXPECT_TRUE(Application->UndoList.empty());
	EXPECT_TRUE(Application->RedoList.empty());
	// Undo has nothing to take back from an opened drawing.
	keyDown(KEY_LCONTROL);
	tap(KEY_KEY_Z);
	keyUp(KEY_LCONTROL);
	EXPECT_TRUE(Application->Strokes[0]->isVisible());

	// The settings came back through the widgets, which the next synchronisation reads.
	Receiver.syncSettings();
	EXPECT_EQ(Application->BackdropColor.color, 0xFF203040u);
	EXPECT_EQ(Application->BrushColor.color, 0xFF3060F0u);
	EXPECT_NEAR(Application->BrushRadius, 3.f, 0.15f); // the nearest slider position
	EXPECT_EQ(Panel->ColorPicker->AlphaBar->getPos(), 255);
}

TEST_F(DocumentTest, OnlyVisibleStrokesAreTaken)
{
	drawLine(200, 400, 150);
	drawLine(200, 400, 250);
	drawLine(200, 400, 350);
	keyDown(KEY_LCONTROL);
	tap(KEY_KEY_Z); // the third stroke is hidden: undo state, not drawing
	keyUp(KEY_LCONTROL);
	const Document d = captureDocument(*Application);
	ASSERT_EQ(d.Strokes.size(), 2u);
	EXPECT_EQ(d.Strokes[1].Points.size(), Application->Strokes[1]->Points.size());
	EXPECT_EQ(d.Strokes[0].Points[0], Application->Strokes[0]->Points[0]);
}

TEST_F(DocumentTest, BrushSettingsShowInTheWidgets)
{
	Document d;
	d.BrushColor = 0x80FF0000;
	d.BrushRadius = 15.5f;    // slider position 50
	d.BrushThickness = 0.55f; // slider position 50
	d.BrushKind = 1;
	d.BackdropColor = 0xFF00FF00;
	showDocumentSettings(*Panel, d);
	EXPECT_EQ(Panel->ColorPicker->getColor().color, 0x80FF0000u);
	EXPECT_EQ(Panel->ColorPicker->AlphaBar->getPos(), 0x80);
	EXPECT_EQ(Panel->ColorPicker->BackdropColor.color, 0xFF00FF00u);
	EXPECT_EQ(Panel->BrushEditor->RadiusBar->getPos(), 50);
	EXPECT_EQ(Panel->BrushEditor->ThicknessBar->getPos(), 50);
	EXPECT_EQ(Panel->BrushEditor->BrushKind, 1);
	Receiver.syncSettings();
	EXPECT_EQ(Application->BrushColor.color, 0x80FF0000u);
	EXPECT_EQ(Application->BrushRadius, 15.5f);
	EXPECT_EQ(Application->Tool, 1);
}
