#include "stroke/geometry.h"

#include <algorithm>

using namespace irr;
using core::vector3df;

vector3df normalizeVector(const vector3df& v)
{
	// The engine forms the squared length in f32 and scales by 1/sqrt of it in f64.
	return vector3df(v).normalize();
}

vector3df perpendicularAxis(const vector3df& forward, const vector3df& reference)
{
	return normalizeVector(forward.crossProduct(reference.crossProduct(forward)));
}

core::matrix4 buildFrameMatrix(const vector3df& forward, const vector3df& reference, const vector3df& position)
{
	const vector3df p = perpendicularAxis(forward, reference);
	const vector3df s = normalizeVector(forward.crossProduct(p));

	core::matrix4 m(core::matrix4::EM4CONST_NOTHING);
	m[0] = forward.X; m[1] = forward.Y; m[2] = forward.Z; m[3] = 0.f;
	m[4] = p.X; m[5] = p.Y; m[6] = p.Z; m[7] = 0.f;
	m[8] = s.X; m[9] = s.Y; m[10] = s.Z; m[11] = 0.f;
	m[12] = position.X; m[13] = position.Y; m[14] = position.Z; m[15] = 1.f;
	return m;
}

f32 segmentBoxEntry(const f32 min[3], const f32 max[3], const f32 origin[3], const f32 direction[3])
{
	f32 tMin = 0.f, tMax = 1.f;
	for (int k = 0; k < 3; ++k)
	{
		if (direction[k] == 0.f)
		{
			if (origin[k] < min[k] || origin[k] > max[k])
				return 2.f;
			continue;
		}
		const f32 inverse = 1.f / direction[k];
		f32 t0 = (min[k] - origin[k]) * inverse, t1 = (max[k] - origin[k]) * inverse;
		if (t0 > t1)
			std::swap(t0, t1);
		tMin = std::max(tMin, t0);
		tMax = std::min(tMax, t1);
		if (tMin > tMax)
			return 2.f;
	}
	return tMin;
}
