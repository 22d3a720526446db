// Pointer press, move and release in the 3-D view, the pen's samples, and turning a drag
// into a stroke: the stabiliser's string, the spacing of points, the commit.
#include "stroke/StrokeNode.h"
#include "workspace/App.h"

#include <cmath>

using namespace irr;
using core::position2di;
using core::vector3df;
typedef core::vector2d<f64> PixelPosition;

//! Pen samples kept while a stroke waits for its press: a few seconds of a fast pen.
const size_t PEN_PENDING_LIMIT = 4096;

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
	if (activeTool() == 0)
	{
		Drawing = true;
		beginStroke(pointer);
	}
	else if (activeTool() == 1)
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

	if (SnapToSurface || activeTool() == 1)
	{
		pickUnderPointer(pointer);
		if (activeTool() == 1)
			highlightHovered();
	}
	if (PickingColor)
		pickColorCandidate(pointer);

	// A pen stroke takes its points from the pen's own samples.
	if (Drawing && !StrokeFromPen)
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
		finishAtPointer();
		commitStroke();
		Drawing = false;
	}
	else if (Erasing)
		Erasing = false;
}

void App::onPenSample(const platform::PenSample& sample)
{
	if (sample.Event != platform::PenSample::PEN_GONE && sample.Eraser != PenEraser)
	{
		// Turning the pen round swaps the brush for the eraser and back, leaving the panel as it is.
		PenEraser = sample.Eraser;
		showTool();
	}
	const bool touching = PenTouching;
	if (sample.Event != platform::PenSample::PEN_MOVE)
	{
		PenTouching = sample.Event == platform::PenSample::PEN_PRESS;
		PenPending.clear();
	}
	if (Drawing && StrokeFromPen)
	{
		// The engine's release may come after samples of the pen hovering again: the stroke
		// ends where the pen lifted, whose own report (pressure all but gone) makes no point.
		if (sample.Event == platform::PenSample::PEN_MOVE && touching)
			followPointer(PixelPosition(sample.X, sample.Y), sample.Pressure);
		else if (sample.Event == platform::PenSample::PEN_RELEASE && touching)
			StrokePointer = PixelPosition(sample.X, sample.Y);
	}
	else if (PenTouching && PenPending.size() < PEN_PENDING_LIMIT)
		PenPending.push_back(sample);
}

void App::beginStroke(position2di pointer)
{
	if (PenTouching && !PenPending.empty())
	{
		// The pen touched down: the stroke starts where it did, with every sample since.
		const std::vector<platform::PenSample> pending = PenPending;
		PenPending.clear();
		StrokeFromPen = true;
		beginStrokeAt(PixelPosition(pending[0].X, pending[0].Y), pending[0].Pressure);
		for (size_t i = 1; i < pending.size(); ++i)
			followPointer(PixelPosition(pending[i].X, pending[i].Y), pending[i].Pressure);
		return;
	}
	StrokeFromPen = false;
	beginStrokeAt(PixelPosition(pointer.X, pointer.Y), 1.f);
}

void App::beginStrokeAt(PixelPosition at, f32 pressure)
{
	CurrentStroke = new StrokeNode(DrawingRoot, SceneManager);
	CurrentStroke->drop(); // the drawing root owns the node from here on
	CurrentStroke->setColor(BrushColor);
	CurrentStroke->setBrush(BrushRadius, BrushThickness);
	// World-space view direction, fixed for the life of the stroke.
	CurrentStroke->ViewDirection = (Camera->getTarget() - Camera->getAbsolutePosition()).normalize();
	StrokePointer = StringEnd = StrokeSample = at;
	StrokePressure = pressure;
	addStrokePointAt(at, pressure);
}

void App::continueStroke(position2di pointer)
{
	followPointer(PixelPosition(pointer.X, pointer.Y), 1.f);
}

// The string's end stays within length of the pointer: when the pointer pulls further away
// the end moves straight towards it, by as much as the string is too short.
static PixelPosition pullString(PixelPosition end, PixelPosition pointer, f64 length)
{
	const PixelPosition pull = pointer - end;
	const f64 distance = pull.getLength();
	if (distance <= length)
		return end;
	return end + pull * ((distance - length) / distance);
}

void App::followPointer(PixelPosition at, f32 pressure)
{
	const PixelPosition from = StrokePointer;
	StrokePointer = at;
	StrokePressure = pressure;
	if (Smoothing <= 0.f)
	{
		StringEnd = at;
		sampleAt(at, pressure);
		return;
	}
	// The pointer's way is pulled along in steps of at most a pixel, so that one long move
	// and the same way in many short ones leave the string's end in the same place: the
	// stabiliser depends on the distance travelled, not on how often the pointer reports.
	const f64 travel = (at - from).getLength();
	const s32 steps = travel > 1.0 ? (s32)std::ceil(travel) : 1;
	for (s32 i = 1; i <= steps; ++i)
	{
		StringEnd = pullString(StringEnd, from + (at - from) * ((f64)i / steps), Smoothing);
		sampleAt(StringEnd, pressure);
	}
}

void App::sampleAt(PixelPosition at, f32 pressure)
{
	// The distance is measured from the last point taken, so slow drags still give a point
	// every SAMPLE_SPACING pixels.
	const PixelPosition step = at - StrokeSample;
	if (step.X * step.X + step.Y * step.Y < (f64)SAMPLE_SPACING * SAMPLE_SPACING)
		return;
	StrokeSample = at;
	LastPointer = position2di((s32)std::floor(at.X + 0.5), (s32)std::floor(at.Y + 0.5));
	addStrokePointAt(at, pressure);
}

void App::finishAtPointer()
{
	if (Smoothing <= 0.f || !CurrentStroke)
		return;
	// Straight from the last point to the pointer, a point every SAMPLE_SPACING pixels and
	// one at the pointer itself.
	const PixelPosition way = StrokePointer - StrokeSample;
	const f64 length = way.getLength();
	if (length == 0.0)
		return;
	const PixelPosition start = StrokeSample;
	for (f64 along = SAMPLE_SPACING; along < length; along += SAMPLE_SPACING)
		addStrokePointAt(start + way * (along / length), StrokePressure);
	StrokeSample = StringEnd = StrokePointer;
	addStrokePointAt(StrokePointer, StrokePressure);
}

void App::addStrokePoint(position2di pointer)
{
	addStrokePointAt(PixelPosition(pointer.X, pointer.Y), 1.f);
}

void App::addStrokePointAt(PixelPosition at, f32 pressure)
{
	vector3df world;
	if (SnapToSurface)
	{
		// A pick that hits nothing leaves the anchor, and so the point, where it was.
		pickUnderPointer(position2di((s32)std::floor(at.X + 0.5), (s32)std::floor(at.Y + 0.5)));
		world = AnchorNode->getPosition();
	}
	else
		world = pointerToDrawingPlane(at);

	// World space to the drawing root's local space, where stroke points live.
	vector3df local;
	WorldToDrawing.transformVect(local, world);
	CurrentStroke->addPoint(local, pressure);
}

vector3df App::pointerToDrawingPlane(position2di pointer) const
{
	return pointerToDrawingPlane(PixelPosition(pointer.X, pointer.Y));
}

vector3df App::pointerToDrawingPlane(PixelPosition pointer) const
{
	// The ray through the pixel as the engine's collision manager makes it (from the camera
	// to the far plane), for a position with a fraction: integer pixels give the same ray.
	const scene::SViewFrustum* frustum = Camera->getViewFrustum();
	const vector3df farLeftUp = frustum->getFarLeftUp();
	const vector3df leftToRight = frustum->getFarRightUp() - farLeftUp;
	const vector3df upToDown = frustum->getFarLeftDown() - farLeftUp;
	const core::rect<s32>& viewPort = SceneManager->getVideoDriver()->getViewPort();
	const f32 dx = (f32)pointer.X / (f32)viewPort.getWidth();
	const f32 dy = (f32)pointer.Y / (f32)viewPort.getHeight();
	core::line3df ray;
	ray.start = Camera->isOrthogonal() ? frustum->cameraPosition + leftToRight * (dx - 0.5f) + upToDown * (dy - 0.5f)
	                                   : frustum->cameraPosition;
	ray.end = farLeftUp + leftToRight * dx + upToDown * dy;
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
