// Vector helpers shared by the stroke mesh and the twist gesture, and the box test of the picks.
#pragma once
#include <irrlicht.h>

//! Normalises the engine's way: a zero vector stays zero; the inverse length is taken in double precision.
irr::core::vector3df normalizeVector(const irr::core::vector3df& v);

//! Unit direction of the part of reference perpendicular to forward; zero when they are parallel.
irr::core::vector3df perpendicularAxis(const irr::core::vector3df& forward, const irr::core::vector3df& reference);

//! Rows: forward (as given), the perpendicular axis of (forward, reference), their normalised cross
//! product, and position as the translation. A local point (a, b, c) maps to position + a*f + b*p + c*s.
irr::core::matrix4 buildFrameMatrix(const irr::core::vector3df& forward, const irr::core::vector3df& reference,
	const irr::core::vector3df& position);

//! Entry parameter of the segment origin + t * direction (0 <= t <= 1) into the axis-aligned
//! box [min, max], or 2 when the segment misses it.
irr::f32 segmentBoxEntry(const irr::f32 min[3], const irr::f32 max[3], const irr::f32 origin[3], const irr::f32 direction[3]);
