// A plain record of one drawing: what a file holds and what the autosave worker writes.
// It holds no engine object, so it may be handed to another thread.
#pragma once
#include <irrlicht.h>

#include <string>
#include <vector>

//! One visible stroke. Points are in the stroke's own space (Placement takes them into the
//! drawing root's), oldest first.
struct DocumentStroke
{
	std::vector<irr::core::vector3df> Points;
	//! The pen's pressure at each point, 0 to 1, parallel to Points; empty means 1 everywhere
	//! (a mouse stroke).
	std::vector<irr::f32> Pressures;
	//! Scene units (the brush radius the stroke was drawn with).
	irr::f32 Radius = 1.f;
	//! Depth-to-width ratio of the cross-section.
	irr::f32 Thickness = 1.f;
	//! World direction the cross-sections face (the view direction when the stroke began).
	irr::core::vector3df ViewDirection;
	//! 32-bit ARGB.
	irr::u32 Color = 0xFF000000;
	//! Where the stroke stands in the drawing root (moved, turned, scaled as a whole): stroke
	//! space to drawing-root space. Identity for a stroke as drawn.
	irr::core::matrix4 Placement;
};

struct Document
{
	std::vector<DocumentStroke> Strokes;

	// Camera, in world space; orbit angles in degrees.
	irr::core::vector3df CameraPosition{100.f, 0.f, 0.f};
	irr::core::vector3df CameraTarget{0.f, 0.f, 0.f};
	irr::core::vector3df CameraUp{0.f, 1.f, 0.f};
	irr::f32 OrbitYaw = 0.f;
	irr::f32 OrbitPitch = 0.f;
	//! Vertical field of view in radians and width-to-height ratio of the view, written for
	//! other programs' cameras (the program keeps its own).
	irr::f32 CameraFov = irr::core::PI / 2.5f;
	irr::f32 CameraAspect = 4.f / 3.f;

	//! The drawing root's transformation (the twist): drawing-root space to world space.
	irr::core::matrix4 DrawingTransform;
	//! World position of the depth anchor.
	irr::core::vector3df AnchorPosition{0.f, 0.f, 0.f};
	//! ARGB.
	irr::u32 BackdropColor = 0xFF000000;

	// The brush the panel shows.
	irr::u32 BrushColor = 0xFF404080;
	irr::f32 BrushRadius = 1.f;
	irr::f32 BrushThickness = 1.f;
	//! 0 round brush, 1 erase brush.
	irr::s32 BrushKind = 0;

	//! Number of points over all strokes.
	size_t pointCount() const;
};

//! Vertex positions and triangles of one stroke, as the program draws it: the buffers of a
//! stroke node built from the stroke's points with the program's own mesh code, with the
//! vertices no triangle uses left out. Positions are in the drawing root's space.
struct StrokeGeometry
{
	std::vector<irr::core::vector3df> Positions;
	//! Three per triangle, into Positions.
	std::vector<irr::u32> Indices;
};

//! Rebuilds the stroke's mesh from its points (no scene manager needed) and compacts it.
StrokeGeometry buildStrokeGeometry(const DocumentStroke& stroke);
