// The select tool: strokes selected by click and by rectangle, the selection moved and
// turned with the pointer, scaled, deleted and duplicated. Moving, turning and scaling only
// change the strokes' placements; their points and meshes stay as drawn.
#include "stroke/StrokeNode.h"
#include "workspace/App.h"
#include "workspace/Command.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

using namespace irr;
using core::position2di;
using core::vector3df;
typedef core::vector2d<f64> PixelPosition;

//! Pointer travel in pixels from the press before the press counts as a drag.
const s32 SELECT_DRAG_THRESHOLD = 3;
//! Each stroke stays between these multiples of the size it was drawn at.
const f64 MIN_STROKE_SCALE = 0.01;
const f64 MAX_STROKE_SCALE = 100.0;

static PixelPosition pixels(position2di p)
{
	return PixelPosition(p.X, p.Y);
}

// Turn by angle (radians) about a unit axis: v cos + (axis x v) sin + axis (axis . v)(1 - cos).
static core::matrix4 rotationAbout(const vector3df& axis, f64 angle)
{
	const f32 c = (f32)std::cos(angle), s = (f32)std::sin(angle);
	core::matrix4 m;
	const vector3df units[3] = {vector3df(1.f, 0.f, 0.f), vector3df(0.f, 1.f, 0.f), vector3df(0.f, 0.f, 1.f)};
	for (int column = 0; column < 3; ++column)
	{
		const vector3df& v = units[column];
		const vector3df r = v * c + axis.crossProduct(v) * s + axis * (axis.dotProduct(v) * (1.f - c));
		m[4 * column] = r.X;
		m[4 * column + 1] = r.Y;
		m[4 * column + 2] = r.Z;
	}
	return m;
}

// A world transformation about a world point: moved there, changed, moved back.
static core::matrix4 about(const vector3df& centre, const core::matrix4& change)
{
	core::matrix4 to, from;
	to.setTranslation(centre);
	from.setTranslation(-centre);
	return to * change * from;
}

void App::beginSelectGesture(position2di pointer)
{
	GestureStroke = strokeUnderPointer(pointer, GestureGrab);
	GesturePress = GesturePointer = pointer;
	GestureShift = ShiftDown;
	SelectGesture = ESG_PRESSED;
}

void App::followSelectGesture(position2di pointer)
{
	GesturePointer = pointer;
	if (SelectGesture == ESG_PRESSED)
	{
		if (!movedAtLeast(pointer, GesturePress, SELECT_DRAG_THRESHOLD))
			return;
		if (!GestureStroke)
			SelectGesture = ESG_RECTANGLE;
		else if (GestureStroke->isSelected())
		{
			SelectGesture = GestureShift ? ESG_TURN : ESG_MOVE;
			if (SelectGesture == ESG_TURN)
				GestureCentre = selectionCentre();
			GestureStart.clear();
			for (StrokeNode* stroke : Selection)
				GestureStart.push_back(stroke->getPlacement());
		}
		else
		{
			// Drags act on what is selected already: one from another stroke does nothing.
			SelectGesture = ESG_NONE;
			GestureStroke = nullptr;
			return;
		}
	}
	if (SelectGesture == ESG_MOVE)
	{
		// The point grabbed stays under the pointer, on the plane facing the camera through it.
		core::matrix4 change;
		change.setTranslation(pointerToViewPlane(pixels(pointer), GestureGrab) - GestureGrab);
		placeSelection(change);
	}
	else if (SelectGesture == ESG_TURN)
	{
		// The angle the pointer swept about the centre since the press, seen along the line of
		// sight; over the centre itself there is no angle and the selection stays as it was.
		const vector3df axis = (Camera->getTarget() - Camera->getAbsolutePosition()).normalize();
		const vector3df from = pointerToViewPlane(pixels(GesturePress), GestureCentre) - GestureCentre;
		const vector3df to = pointerToViewPlane(pixels(pointer), GestureCentre) - GestureCentre;
		const f64 angle = std::atan2((f64)from.crossProduct(to).dotProduct(axis), (f64)from.dotProduct(to));
		placeSelection(about(GestureCentre, rotationAbout(axis, angle)));
	}
}

void App::placeSelection(const core::matrix4& change)
{
	// The world change seen from the drawing root's space, where placements live.
	const core::matrix4 local = WorldToDrawing * change * DrawingRoot->getAbsoluteTransformation();
	for (size_t i = 0; i < Selection.size(); ++i)
		Selection[i]->setPlacement(local * GestureStart[i]);
}

void App::endSelectGesture(bool released)
{
	const E_SELECT_GESTURE gesture = SelectGesture;
	SelectGesture = ESG_NONE;
	if (gesture == ESG_MOVE || gesture == ESG_TURN)
	{
		std::vector<Command*> step;
		for (size_t i = 0; i < Selection.size(); ++i)
			if (Selection[i]->getPlacement() != GestureStart[i])
			{
				Command* command = new Command(ECK_PLACE_STROKE, Selection[i]);
				command->Before = GestureStart[i];
				command->After = Selection[i]->getPlacement();
				step.push_back(command);
			}
		if (!step.empty())
			recordStep(step);
	}
	else if (released && gesture == ESG_PRESSED)
	{
		// A click on a stroke selects it alone, or with Shift adds or removes it; a click on
		// empty space clears the selection (with Shift it stays).
		if (GestureStroke && GestureShift)
			select(GestureStroke, !GestureStroke->isSelected());
		else if (GestureStroke)
		{
			clearSelection();
			select(GestureStroke, true);
		}
		else if (!GestureShift)
			clearSelection();
	}
	else if (released && gesture == ESG_RECTANGLE)
		selectInRectangle(core::rect<s32>(GesturePress, GesturePointer), GestureShift);
	GestureStroke = nullptr;
}

void App::cancelSelectGesture()
{
	if (SelectGesture == ESG_MOVE || SelectGesture == ESG_TURN)
		for (size_t i = 0; i < Selection.size(); ++i)
			Selection[i]->setPlacement(GestureStart[i]);
	SelectGesture = ESG_NONE;
	GestureStroke = nullptr;
}

void App::select(StrokeNode* stroke, bool on)
{
	if (stroke->isSelected() == on)
		return;
	stroke->setSelected(on);
	if (on)
		Selection.push_back(stroke);
	else
		Selection.erase(std::find(Selection.begin(), Selection.end(), stroke));
}

void App::clearSelection()
{
	for (StrokeNode* stroke : Selection)
		stroke->setSelected(false);
	Selection.clear();
}

void App::dropHiddenFromSelection()
{
	size_t kept = 0;
	for (StrokeNode* stroke : Selection)
	{
		if (stroke->isVisible())
			Selection[kept++] = stroke;
		else
			stroke->setSelected(false);
	}
	Selection.resize(kept);
}

void App::selectInRectangle(const core::rect<s32>& rectangle, bool add)
{
	if (!add)
		clearSelection();
	core::rect<s32> r(rectangle);
	r.repair();
	// The rectangle in normalised device coordinates (y up), so that a point is tested in
	// clip space without a division: left w <= x <= right w, and the same for y. OpenGL
	// draws what has -w <= z <= w: nearer or farther points are not seen and not taken.
	const core::rect<s32>& viewPort = SceneManager->getVideoDriver()->getViewPort();
	const f32 width = (f32)viewPort.getWidth(), height = (f32)viewPort.getHeight();
	const f32 left = 2.f * (f32)r.UpperLeftCorner.X / width - 1.f;
	const f32 right = 2.f * (f32)r.LowerRightCorner.X / width - 1.f;
	const f32 top = 1.f - 2.f * (f32)r.UpperLeftCorner.Y / height;
	const f32 bottom = 1.f - 2.f * (f32)r.LowerRightCorner.Y / height;
	const core::matrix4 viewProjection = Camera->getProjectionMatrix() * Camera->getViewMatrix();

	for (u32 i = 0; i < Strokes.size(); ++i)
	{
		StrokeNode* stroke = Strokes[i];
		if (!stroke->isVisible() || stroke->isSelected())
			continue;
		// Stroke-local points to clip space, through the drawing root's current place.
		const core::matrix4 toClip = viewProjection * DrawingRoot->getAbsoluteTransformation() * stroke->getPlacement();
		// Skip the stroke when its box lies in front of the camera and beside the rectangle.
		vector3df corners[8];
		stroke->getBoundingBox().getEdges(corners);
		bool inFront = true;
		f32 lo[2] = {FLT_MAX, FLT_MAX}, hi[2] = {-FLT_MAX, -FLT_MAX};
		for (const vector3df& corner : corners)
		{
			f32 c[4]; // clip coordinates x, y, z, w
			toClip.transformVect(c, corner);
			inFront = inFront && c[3] > 0.f;
			for (int k = 0; k < 2; ++k)
			{
				lo[k] = std::min(lo[k], c[k] / c[3]);
				hi[k] = std::max(hi[k], c[k] / c[3]);
			}
		}
		if (inFront && (hi[0] < left || lo[0] > right || hi[1] < bottom || lo[1] > top))
			continue;
		for (u32 j = 0; j < stroke->Points.size(); ++j)
		{
			f32 c[4];
			toClip.transformVect(c, stroke->Points[j]);
			const f32 w = c[3];
			if (w > 0.f && c[0] >= left * w && c[0] <= right * w && c[1] >= bottom * w && c[1] <= top * w
				&& c[2] >= -w && c[2] <= w)
			{
				select(stroke, true);
				break;
			}
		}
	}
}

vector3df App::selectionCentre() const
{
	// The box of the paths, not of the meshes: a mesh's box also holds its local origin.
	core::aabbox3df all;
	bool first = true;
	for (StrokeNode* stroke : Selection)
	{
		const core::matrix4 toWorld = DrawingRoot->getAbsoluteTransformation() * stroke->getPlacement();
		for (u32 i = 0; i < stroke->Points.size(); ++i)
		{
			vector3df p;
			toWorld.transformVect(p, stroke->Points[i]);
			if (first)
				all.reset(p);
			else
				all.addInternalPoint(p);
			first = false;
		}
	}
	return all.getCenter();
}

void App::scaleSelection(f32 factor)
{
	cancelSelectGesture();
	if (Selection.empty() || !(factor > 0.f) || !std::isfinite(factor))
		return;
	// The factors every selected stroke can take without leaving its size range.
	f64 low = 0.0, high = DBL_MAX;
	for (StrokeNode* stroke : Selection)
	{
		// Placements only ever turn, move and scale evenly: the length of a column is the scale.
		const core::matrix4& p = stroke->getPlacement();
		const f64 scale = std::sqrt((f64)p[0] * p[0] + (f64)p[1] * p[1] + (f64)p[2] * p[2]);
		low = std::max(low, MIN_STROKE_SCALE / scale);
		high = std::min(high, MAX_STROKE_SCALE / scale);
	}
	if (low > high)
		return;
	const f32 f = (f32)core::clamp((f64)factor, low, high);
	// At a limit the factor left is 1, give or take the rounding of the scales.
	if (std::fabs(f - 1.f) < 1e-5f)
		return;
	core::matrix4 scaling;
	scaling.setScale(vector3df(f, f, f));
	const core::matrix4 local =
		WorldToDrawing * about(selectionCentre(), scaling) * DrawingRoot->getAbsoluteTransformation();
	std::vector<Command*> step;
	for (StrokeNode* stroke : Selection)
	{
		Command* command = new Command(ECK_PLACE_STROKE, stroke);
		command->Before = stroke->getPlacement();
		stroke->setPlacement(local * command->Before);
		command->After = stroke->getPlacement();
		step.push_back(command);
	}
	recordStep(step);
}

void App::deleteSelection()
{
	cancelSelectGesture();
	if (Selection.empty())
		return;
	std::vector<Command*> step;
	for (StrokeNode* stroke : Selection)
	{
		stroke->setVisible(false);
		stroke->setSelected(false);
		step.push_back(new Command(ECK_ERASE_STROKE, stroke));
	}
	Selection.clear();
	recordStep(step);
}

void App::duplicateSelection()
{
	cancelSelectGesture();
	if (Selection.empty())
		return;
	// Each copy is built the way its original was drawn, so every vertex comes out the same,
	// and stands where the original stands.
	std::vector<Command*> step;
	for (StrokeNode* original : Selection)
	{
		StrokeNode* copy = new StrokeNode(DrawingRoot, SceneManager);
		copy->drop(); // the drawing root owns the node from here on
		copy->setColor(original->Color);
		copy->setBrush(original->Radius, original->Thickness);
		copy->ViewDirection = original->ViewDirection;
		for (u32 i = 0; i < original->Points.size(); ++i)
			copy->addPoint(original->Points[i], original->Pressures[i]);
		copy->finish();
		copy->setPlacement(original->getPlacement());
		Strokes.push_back(copy);
		step.push_back(new Command(ECK_ADD_STROKE, copy));
	}
	clearSelection();
	for (Command* command : step)
		select(command->Stroke, true);
	recordStep(step);
}

void App::drawOverlay()
{
	if (SelectGesture != ESG_RECTANGLE)
		return;
	core::rect<s32> r(GesturePress, GesturePointer);
	r.repair();
	video::IVideoDriver* driver = SceneManager->getVideoDriver();
	driver->draw2DRectangle(video::SColor(40, SELECTION_COLOR.getRed(), SELECTION_COLOR.getGreen(),
		SELECTION_COLOR.getBlue()), r);
	driver->draw2DRectangleOutline(r, SELECTION_COLOR);
}
