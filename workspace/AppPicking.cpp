// The ray pick under the pointer, the erase brush's highlight and erase, and the
// marker's change when the pointer enters or leaves the side panel.
#include "app/utils.h"
#include "stroke/StrokeNode.h"
#include "workspace/App.h"

using namespace irr;
using core::position2di;
using core::vector3df;

//! Pointer travel in pixels from the press before an erase drag erases.
const s32 ERASE_DRAG_THRESHOLD = 5;

StrokeNode* App::strokeUnderPointer(position2di pointer, vector3df& hit)
{
	scene::ISceneCollisionManager* collision = SceneManager->getSceneCollisionManager();
	// Only what the camera draws can be hit: nothing in front of the near clipping plane.
	const core::line3df ray = drawnPartOfRay(collision->getRayFromScreenCoordinates(pointer, Camera), Camera);
	// Only committed strokes are in Strokes, and hidden ones are skipped.
	return Picker.pick(Strokes, DrawingRoot, ray, hit);
}

void App::pickUnderPointer(position2di pointer)
{
	vector3df hit;
	StrokeNode* node = strokeUnderPointer(pointer, hit);
	if (!node)
	{
		HoveredStroke = nullptr;
		return;
	}
	HoveredStroke = node;
	AnchorNode->setPosition(hit);
	// The anchor cube grows with its distance from the camera, so it keeps a similar size on screen.
	const f32 scale = utils_remap(Camera->getPosition().getDistanceFrom(hit), 0.f, 100.f, 0.01f, 2.f);
	AnchorNode->setScale(vector3df(scale, scale, scale));
}

void App::highlightHovered()
{
	// Already drawn in the highlight: recolouring it twice would change nothing.
	if (HoveredStroke && HoveredStroke == HighlightedStroke)
		return;
	clearHighlight();
	if (HoveredStroke)
	{
		HoveredStroke->setHighlighted(true);
		HighlightedStroke = HoveredStroke;
	}
}

void App::clearHighlight()
{
	if (HighlightedStroke)
	{
		HighlightedStroke->setHighlighted(false);
		HighlightedStroke = nullptr;
	}
}

void App::eraseAt(position2di pointer, bool forced)
{
	// Measured from the press: LastPointer does not move during an erase drag.
	if (!forced && !movedAtLeast(pointer, LastPointer, ERASE_DRAG_THRESHOLD))
		return;
	if (!HoveredStroke)
		return;
	HoveredStroke->setVisible(false);
	// The pen's eraser end erases whatever tool the panel shows: a selected stroke too.
	if (HoveredStroke->isSelected())
		select(HoveredStroke, false);
	recordErase();
	HoveredStroke = nullptr;
}

void App::setPointerOverPanel(bool over)
{
	if (over == PointerOverPanel)
		return;
	PointerOverPanel = over;
	scene::IMeshManipulator* manipulator = SceneManager->getMeshManipulator();
	if (over)
	{
		// Over the panel the marker stands at the anchor as a white preview of the brush's cross-section.
		ActiveMarker->setPosition(AnchorNode->getPosition());
		faceMarkerToCamera();
		ActiveMarker->setScale(vector3df(BrushRadius, BrushRadius * BrushThickness, BrushRadius));
		manipulator->setVertexColors(ActiveMarker->getMesh(), NEUTRAL_PREVIEW_COLOR);
		AnchorNode->setVisible(false);
		ActiveMarker->setVisible(true);
	}
	else
		manipulator->setVertexColors(ActiveMarker->getMesh(), BrushColor);
}

void App::faceMarkerToCamera()
{
	ActiveMarker->updateAbsolutePosition();
	const vector3df m = ActiveMarker->getAbsolutePosition();
	const vector3df c = Camera->getAbsolutePosition();
	// Local X towards the camera, local Y (the thickness axis) as close to world up as possible;
	// with the camera straight above or below, as close to the camera's up as possible.
	const vector3df f = vector3df(c - m).normalize();
	vector3df r = vector3df(0.f, 1.f, 0.f).crossProduct(f);
	if (r.getLengthSQ() == 0.f)
		r = Camera->getUpVector().crossProduct(f);
	if (r.getLengthSQ() == 0.f)
		return; // the camera stands on the marker: no direction to face, keep the last one
	const vector3df u = f.crossProduct(r).normalize();
	const vector3df w = f.crossProduct(u).normalize();

	core::matrix4 rotation;
	rotation[0] = f.X; rotation[1] = f.Y; rotation[2] = f.Z;
	rotation[4] = u.X; rotation[5] = u.Y; rotation[6] = u.Z;
	rotation[8] = w.X; rotation[9] = w.Y; rotation[10] = w.Z;
	ActiveMarker->setRotation(rotation.getRotationDegrees());
}

bool App::pickColorCandidate(position2di pointer)
{
	// The eyedropper only looks: the anchor, and with it the drawing depth, stays.
	const vector3df anchorPosition = AnchorNode->getPosition();
	const vector3df anchorScale = AnchorNode->getScale();
	pickUnderPointer(pointer);
	AnchorNode->setPosition(anchorPosition);
	AnchorNode->setScale(anchorScale);
	const bool hit = HoveredStroke != nullptr;
	if (hit)
		ColorCandidate = HoveredStroke;
	// The candidate stays shown over empty space, on the way back to the panel.
	if (ColorCandidate && HighlightedStroke != ColorCandidate)
	{
		clearHighlight();
		ColorCandidate->setHighlighted(true);
		HighlightedStroke = ColorCandidate;
	}
	return hit;
}

void App::endColorPick()
{
	if (ColorCandidate && HighlightedStroke == ColorCandidate)
		clearHighlight();
	ColorCandidate = nullptr;
	PickingColor = false;
}
