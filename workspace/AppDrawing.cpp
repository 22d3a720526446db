// Pointer press, move and release in the 3-D view, and turning a drag into a stroke.
#include "stroke/StrokeNode.h"
#include "workspace/App.h"

using namespace irr;
using core::position2di;
using core::vector3df;

//! Pointer travel in pixels, measured from the last accepted sample, before a new point is taken.
const s32 SAMPLE_SPACING = 5;

bool movedAtLeast(position2di pointer, position2di from, s32 pixels)
{
	// 64-bit: pointers far outside the window must not overflow the squares.
	const s64 dx = (s64)pointer.X - from.X;
	const s64 dy = (s64)pointer.Y - from.Y;
	return dx * dx + dy * dy >= (s64)pixels * pixels;
}

// Whether every point is the first one: such a stroke has no extent to show.
static bool pointsCoincide(const core::array<vector3df>& points)
{
	for (u32 i = 1; i < points.size(); ++i)
		if (points[i] != points[0])
			return false;
	return true;
}

void App::onMousePress(position2di pointer, s32 button)
{
	PressedButton = button;
	LastPointer = pointer;
	if (Navigating || button != 0)
		return;
	if (Tool == 0)
	{
		Drawing = true;
		beginStroke(pointer);
	}
	else if (Tool == 1)
	{
		Erasing = true;
		EraseStepOpen = false;
		pickUnderPointer(pointer);
		eraseAt(pointer, true);
	}
}

void App::onMouseMove(position2di pointer)
{
	if (Navigating)
	{
		if (PressedButton == 0)
		{
			if (Twisting)
				twistDrawing(pointer);
			else
				orbit(pointer);
		}
		else if (PressedButton == 1)
			pan(pointer);
		else if (PressedButton == 2)
			dollyByDrag(pointer);
		return;
	}

	if (SnapToSurface || Tool == 1)
	{
		pickUnderPointer(pointer);
		if (Tool == 1)
			highlightHovered();
	}
	if (PickingColor)
		pickColorCandidate(pointer);

	if (Drawing)
		continueStroke(pointer);
	else if (Erasing)
		eraseAt(pointer, false);

	// The marker follows the pointer at the drawing depth, button held or not.
	ActiveMarker->setPosition(SnapToSurface ? AnchorNode->getPosition() : pointerToDrawingPlane(pointer));
}

void App::onMouseRelease()
{
	PressedButton = -1;

	if (Navigating)
	{
		if (Twisting)
			updateWorldToDrawing();
		return;
	}
	if (Drawing)
	{
		commitStroke();
		Drawing = false;
	}
	else if (Erasing)
		Erasing = false;
}

void App::beginStroke(position2di pointer)
{
	CurrentStroke = new StrokeNode(DrawingRoot, SceneManager);
	CurrentStroke->drop(); // the drawing root owns the node from here on
	CurrentStroke->setColor(BrushColor);
	CurrentStroke->setBrush(BrushRadius, BrushThickness);
	// World-space view direction, fixed for the life of the stroke.
	CurrentStroke->ViewDirection = (Camera->getTarget() - Camera->getAbsolutePosition()).normalize();
	addStrokePoint(pointer);
}

void App::continueStroke(position2di pointer)
{
	if (!movedAtLeast(pointer, LastPointer, SAMPLE_SPACING))
		return;
	LastPointer = pointer;
	addStrokePoint(pointer);
}

void App::addStrokePoint(position2di pointer)
{
	vector3df world;
	if (SnapToSurface)
	{
		// A pick that hits nothing leaves the anchor, and so the point, where it was.
		pickUnderPointer(pointer);
		world = AnchorNode->getPosition();
	}
	else
		world = pointerToDrawingPlane(pointer);

	// World space to the drawing root's local space, where stroke points live.
	vector3df local;
	WorldToDrawing.transformVect(local, world);
	CurrentStroke->addPoint(local);
}

vector3df App::pointerToDrawingPlane(position2di pointer) const
{
	const core::line3df ray = SceneManager->getSceneCollisionManager()->getRayFromScreenCoordinates(pointer, Camera);
	const vector3df normal = (Camera->getTarget() - Camera->getAbsolutePosition()).normalize();
	// The plane faces the camera and passes through the anchor: the anchor sets the drawing depth.
	const f32 d = -normal.dotProduct(AnchorNode->getPosition());
	const vector3df direction = vector3df(ray.end - ray.start).normalize();
	const f32 t = normal.dotProduct(direction);
	if (t == 0.f)
		return vector3df(0.f, 0.f, 0.f);
	const f32 s = -(normal.dotProduct(ray.start) + d) / t;
	return ray.start + direction * s;
}

void App::commitStroke()
{
	if (!CurrentStroke->hasSegments() || pointsCoincide(CurrentStroke->Points))
	{
		// A click without a drag, or points that all fell on one spot (Ctrl over empty space),
		// leave a node that shows nothing: never picked or recorded.
		CurrentStroke = nullptr;
		return;
	}
	Strokes.push_back(CurrentStroke);
	// Also makes the stroke pickable: the pick finds it in Strokes through its index.
	CurrentStroke->finish();
	recordAdd();
}
