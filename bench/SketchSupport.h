// A sketch for the document benchmarks: strokes of wavy paths across the start-up view,
// as a record and set up in a workspace.
#pragma once
#include "document/Document.h"

#include <cmath>

inline Document makeSketch(int strokes, int points)
{
	Document d;
	for (int s = 0; s < strokes; ++s)
	{
		DocumentStroke stroke;
		const irr::f32 y = -45.f + 90.f * (irr::f32)s / (irr::f32)strokes;
		for (int i = 0; i < points; ++i)
		{
			const irr::f32 t = (irr::f32)i / (irr::f32)(points - 1);
			stroke.Points.push_back(irr::core::vector3df(2.f * std::sin(t * 9.f + s), y + 4.f * std::sin(t * 17.f), -60.f + 120.f * t));
		}
		stroke.Radius = 1.f + (irr::f32)(s % 8);
		stroke.Thickness = 0.1f + 0.1f * (irr::f32)(s % 10);
		stroke.ViewDirection = irr::core::vector3df(-1.f, 0.f, 0.f);
		stroke.Color = (s % 5 == 0 ? 0x80000000u : 0xFF000000u) | (0x10305070u * (irr::u32)(s + 1) & 0xFFFFFFu);
		d.Strokes.push_back(std::move(stroke));
	}
	return d;
}
