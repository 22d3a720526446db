// Camera navigation: orbit, pan and dolly about the camera's target, focus on the anchor,
// and the twist that turns the whole drawing about the line of sight.
#include "app/utils.h"
#include "stroke/geometry.h"
#include "workspace/App.h"

#include <cmath>

using namespace irr;
using core::position2di;
using core::vector3df;

//! Closest the camera may come to its target (scene units); at zero the view would be undefined.
const f32 MIN_CAMERA_DISTANCE = 0.1f;

// World point where the pointer's ray meets the plane through target with the given unit normal.
static vector3df targetPlaneHit(scene::ISceneManager* sceneManager, scene::ICameraSceneNode* camera,
	position2di pointer, const vector3df& normal, const vector3df& target)
{
	const core::line3df ray = sceneManager->getSceneCollisionManager()->getRayFromScreenCoordinates(pointer, camera);
	const vector3df direction = vector3df(ray.end - ray.start).normalize();
	const f32 offset = -normal.dotProduct(target);
	const f32 t = normal.dotProduct(direction);
	if (t == 0.f)
		return vector3df(0.f, 0.f, 0.f);
	return ray.start + direction * (-(normal.dotProduct(ray.start) + offset) / t);
}

// Unit offset from target to camera for the orbit angles (degrees).
static vector3df orbitDirection(f32 yaw, f32 pitch)
{
	const f64 y = yaw * core::DEGTORAD64, p = pitch * core::DEGTORAD64;
	return vector3df((f32)(std::cos(p) * std::cos(y)), (f32)std::sin(p), (f32)(-std::cos(p) * std::sin(y)));
}

void App::orbit(position2di pointer)
{
	// One degree per pixel.
	OrbitYaw += (f32)((s64)pointer.X - LastPointer.X);
	OrbitPitch += (f32)((s64)pointer.Y - LastPointer.Y);
	const vector3df target = Camera->getTarget();
	const f32 distance = (Camera->getPosition() - target).getLength();

	vector3df position(target.X + distance, target.Y, target.Z);
	position.rotateXYBy(OrbitPitch, target);
	position.rotateXZBy(-OrbitYaw, target);
	Camera->setPosition(position);
	Camera->setTarget(target);

	// Rebuilt from the pitch, so the view rolls smoothly over the poles instead of flipping.
	vector3df up(0.f, 1.f, 0.f);
	up.rotateXYBy(-OrbitPitch);
	up.rotateXZBy(180.f - OrbitYaw);
	Camera->setUpVector(up);
	LastPointer = pointer;
}

void App::pan(position2di pointer)
{
	const vector3df target = Camera->getTarget();
	const vector3df position = Camera->getPosition();
	const vector3df normal = vector3df(target - position).normalize();
	const vector3df now = targetPlaneHit(SceneManager, Camera, pointer, normal, target);
	const vector3df last = targetPlaneHit(SceneManager, Camera, LastPointer, normal, target);
	// Grab and drag: the point of the target plane under the pointer stays under it.
	const vector3df delta = now - last;
	Camera->setPosition(position - delta);
	Camera->setTarget(target - delta);
	LastPointer = pointer;
}

void App::dollyByDrag(position2di pointer)
{
	// -0.5 scene units per pixel to the right: moving right comes closer.
	dolly(utils_remap((f32)((s64)pointer.X - LastPointer.X), 0.f, 100.f, 0.f, -50.f));
	LastPointer = pointer;
}

void App::dolly(f32 amount)
{
	const vector3df target = Camera->getTarget();
	vector3df offset = Camera->getPosition() - target;
	const f32 distance = offset.getLength();
	if (offset.getLengthSQ() == 0.f)
		offset = orbitDirection(OrbitYaw, OrbitPitch);
	offset.normalize();

	// Past the target the camera goes on to the far side, still looking at it; landing
	// on the target itself would leave no view direction, so it stops just short.
	f32 next = distance + amount;
	if (std::fabs(next) < MIN_CAMERA_DISTANCE)
		next = MIN_CAMERA_DISTANCE;
	Camera->setPosition(target + offset * next);
}

void App::focusOnAnchor()
{
	const vector3df target = Camera->getTarget();
	const vector3df position = Camera->getPosition();
	const vector3df delta = AnchorNode->getPosition() - target;
	Camera->setTarget(target + delta);
	Camera->setPosition(position + delta);
}

void App::twistDrawing(position2di pointer)
{
	const vector3df target = Camera->getTarget();
	const vector3df position = Camera->getPosition();
	const vector3df normal = vector3df(target - Camera->getAbsolutePosition()).normalize();
	const vector3df a = targetPlaneHit(SceneManager, Camera, LastPointer, normal, target) - target;
	const vector3df b = targetPlaneHit(SceneManager, Camera, pointer, normal, target) - target;
	const vector3df sight = vector3df(position - target).normalize();
	LastPointer = pointer;

	// A pointer on the target's own screen point gives no angle: skip the step rather
	// than collapse the drawing onto the line of sight.
	if (perpendicularAxis(sight, a).getLengthSQ() == 0.f || perpendicularAxis(sight, b).getLengthSQ() == 0.f)
		return;

	const core::matrix4 from = buildFrameMatrix(sight, a, target);
	const core::matrix4 to = buildFrameMatrix(sight, b, target);
	core::matrix4 fromInverse;
	from.getInversePrimitive(fromInverse);
	const core::matrix4 turned = to * fromInverse * DrawingRoot->getAbsoluteTransformation();
	DrawingRoot->getRelativeTransformationMatrix() = turned;
	// Keep the absolute transformation current, so that several steps between two frames
	// add up, and new points go into the drawing as it now stands.
	DrawingRoot->updateAbsolutePosition();
	updateWorldToDrawing();
}

void App::updateWorldToDrawing()
{
	DrawingRoot->getAbsoluteTransformation().getInversePrimitive(WorldToDrawing);
}
