// The one place where the drawing record is taken from the workspace and given back to it.
#include "document/DocumentScene.h"
#include "document/TwoThreads.h"
#include "stroke/StrokeNode.h"
#include "ui/UIBrushEditor.h"
#include "ui/UIColorPicker.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"
#include "workspace/Command.h"

#include <vector>

using namespace irr;

Document captureDocument(const App& app)
{
	Document d;
	// Hidden strokes are undo state, not drawing.
	size_t visible = 0;
	for (u32 i = 0; i < app.Strokes.size(); ++i)
		if (app.Strokes[i]->isVisible())
			++visible;
	d.Strokes.reserve(visible);
	for (u32 i = 0; i < app.Strokes.size(); ++i)
	{
		const StrokeNode* node = app.Strokes[i];
		if (!node->isVisible())
			continue;
		DocumentStroke s;
		s.Points.assign(node->Points.const_pointer(), node->Points.const_pointer() + node->Points.size());
		s.Pressures.assign(node->Pressures.const_pointer(), node->Pressures.const_pointer() + node->Pressures.size());
		s.Radius = node->Radius;
		s.Thickness = node->Thickness;
		s.ViewDirection = node->ViewDirection;
		s.Color = node->Color.color;
		s.Placement = node->getPlacement();
		d.Strokes.push_back(std::move(s));
	}
	d.CameraPosition = app.Camera->getPosition();
	d.CameraTarget = app.Camera->getTarget();
	d.CameraUp = app.Camera->getUpVector();
	d.OrbitYaw = app.OrbitYaw;
	d.OrbitPitch = app.OrbitPitch;
	d.CameraFov = app.Camera->getFOV();
	d.CameraAspect = app.Camera->getAspectRatio();
	d.DrawingTransform = app.DrawingRoot->getRelativeTransformationMatrix();
	d.AnchorPosition = app.AnchorNode->getPosition();
	d.BackdropColor = app.BackdropColor.color;
	d.BrushColor = app.BrushColor.color;
	d.BrushRadius = app.BrushRadius;
	d.BrushThickness = app.BrushThickness;
	// The select tool is no brush: the file keeps the round brush in its place.
	d.BrushKind = app.Tool == TOOL_ERASE_BRUSH ? TOOL_ERASE_BRUSH : TOOL_ROUND_BRUSH;
	return d;
}

//! The strokes' nodes, outside the scene, each built the way a drawn stroke is, so that every
//! vertex comes out the same. Their meshes are most of the time an open takes: a big
//! drawing's are built on two threads. This thread makes every node and all the room its
//! geometry needs (so that the memory comes from its own allocator, which keeps it for the
//! next drawing); the threads only fill them in. A node being filled touches nothing shared
//! (no parent, no scene manager, no driver) and has one owner, the thread that fills it,
//! until the threads are joined; then all are the caller's.
static std::vector<StrokeNode*> buildStrokes(const std::vector<DocumentStroke>& strokes)
{
	std::vector<StrokeNode*> nodes;
	nodes.reserve(strokes.size());
	try
	{
		for (const DocumentStroke& s : strokes)
		{
			nodes.push_back(new StrokeNode(nullptr, nullptr));
			nodes.back()->setColor(video::SColor(s.Color));
			nodes.back()->setBrush(s.Radius, s.Thickness);
			nodes.back()->ViewDirection = s.ViewDirection;
			nodes.back()->reserve((u32)s.Points.size());
		}
		forStrokesOnTwoThreads(strokes, 2000, [&](size_t from, size_t to) {
			for (size_t i = from; i < to; ++i)
			{
				const DocumentStroke& s = strokes[i];
				for (size_t p = 0; p < s.Points.size(); ++p)
					nodes[i]->addPoint(s.Points[p], s.Pressures.empty() ? 1.f : s.Pressures[p]);
				nodes[i]->finish();
			}
		});
	}
	catch (...)
	{
		// Running out of memory: nothing half built stays behind.
		for (StrokeNode* node : nodes)
			node->drop();
		throw;
	}
	return nodes;
}

void restoreDocument(App& app, const Document& drawing)
{
	// The history goes first: its commands hold the last references on hidden strokes.
	for (u32 i = 0; i < app.UndoList.size(); ++i)
		delete app.UndoList[i];
	app.UndoList.clear();
	app.clearRedo();
	app.clearHighlight();
	app.cancelSelectGesture();
	app.clearSelection();
	app.Strokes.clear();
	// Every child of the drawing root is a stroke (committed or not); the root drops them.
	app.DrawingRoot->removeAll();
	app.CurrentStroke = nullptr;
	app.CurrentTwin = nullptr;
	app.HighlightedStroke = nullptr;
	app.HoveredStroke = nullptr;
	app.ColorCandidate = nullptr;
	app.Drawing = false;
	app.Erasing = false;

	app.DrawingRoot->getRelativeTransformationMatrix() = drawing.DrawingTransform;
	app.DrawingRoot->updateAbsolutePosition();
	app.updateWorldToDrawing();

	const std::vector<StrokeNode*> nodes = buildStrokes(drawing.Strokes);
	for (size_t i = 0; i < nodes.size(); ++i)
	{
		app.DrawingRoot->addChild(nodes[i]);
		nodes[i]->drop(); // the drawing root owns the node
		nodes[i]->setPlacement(drawing.Strokes[i].Placement);
		app.Strokes.push_back(nodes[i]); // also makes it pickable, through its index
	}

	app.Camera->setPosition(drawing.CameraPosition);
	app.Camera->setTarget(drawing.CameraTarget);
	app.Camera->setUpVector(drawing.CameraUp);
	app.Camera->updateAbsolutePosition();
	app.OrbitYaw = drawing.OrbitYaw;
	app.OrbitPitch = drawing.OrbitPitch;
	app.AnchorNode->setPosition(drawing.AnchorPosition);
	app.setBackdropColor(video::SColor(drawing.BackdropColor));
	app.setBrushColor(video::SColor(drawing.BrushColor));
	// The panel's sliders cover these ranges; a file may hold anything.
	app.setBrushSize(core::clamp(drawing.BrushRadius, 1.f, 30.f), core::clamp(drawing.BrushThickness, 0.1f, 1.f));
	app.setTool(drawing.BrushKind);
	++app.Revision;
}

void showDocumentSettings(UIPanel& panel, const Document& drawing)
{
	panel.ColorPicker->setColor(video::SColor(drawing.BrushColor));
	panel.ColorPicker->BackdropColor = video::SColor(drawing.BackdropColor);
	panel.BrushEditor->setRadius(drawing.BrushRadius);
	panel.BrushEditor->setThickness(drawing.BrushThickness);
	panel.BrushEditor->selectBrush(drawing.BrushKind);
}
