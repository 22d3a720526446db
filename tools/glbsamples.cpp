// Writes the drawings that independent glTF readers are tested with (an empty drawing, a few
// strokes, a translucent stroke, a twisted drawing with a stroke moved, turned and scaled, one
// stroke of 10,000 points) into a directory, and prints for each file the vertex count of every mesh, one line per file:
//   name.glb count count ...
#include "document/Document.h"
#include "document/GlbFile.h"

#include <cmath>
#include <cstdio>
#include <string>

using namespace irr;
using core::vector3df;

// A wavy path of n points across the view, in drawing-root space (scene units).
static DocumentStroke wave(size_t n, f32 y, u32 color, f32 radius, f32 thickness)
{
	DocumentStroke s;
	for (size_t i = 0; i < n; ++i)
	{
		const f32 t = (f32)i / (f32)(n > 1 ? n - 1 : 1);
		s.Points.push_back(vector3df(0.f, y + 8.f * std::sin(t * 12.f), -40.f + 80.f * t));
	}
	s.Radius = radius;
	s.Thickness = thickness;
	s.ViewDirection = vector3df(-1.f, 0.f, 0.f); // the start-up camera looks along -X
	s.Color = color;
	return s;
}

static bool write(const std::string& dir, const char* name, const Document& d)
{
	std::string error;
	if (!saveGlbFile(d, dir + "/" + name, error))
	{
		std::fprintf(stderr, "glbsamples: %s: %s\n", name, error.c_str());
		return false;
	}
	std::printf("%s", name);
	for (const DocumentStroke& s : d.Strokes)
		std::printf(" %zu", buildStrokeGeometry(s).Positions.size());
	std::printf("\n");
	return true;
}

int main(int argc, char** argv)
{
	if (argc != 2)
	{
		std::fprintf(stderr, "usage: glbsamples DIRECTORY\n");
		return 2;
	}
	const std::string dir = argv[1];

	Document empty;

	Document few;
	few.Strokes.push_back(wave(20, -20.f, 0xFFFF0000, 3.f, 1.f));
	few.Strokes.push_back(wave(35, 0.f, 0xFF20C040, 5.5f, 0.4f));
	few.Strokes.push_back(wave(2, 20.f, 0xFF4040FF, 1.f, 0.1f));

	Document translucent;
	translucent.Strokes.push_back(wave(30, 0.f, 0x80FFFF00, 6.f, 0.7f));

	// Turned by 30 degrees about the line of sight (X) through (0, 0, 0), as a twist does.
	Document twisted = few;
	twisted.DrawingTransform.setRotationDegrees(vector3df(30.f, 0.f, 0.f));
	twisted.DrawingTransform.setTranslation(vector3df(0.f, 5.f, -3.f));
	// Its second stroke placed anew, as the select tool does: turned, scaled by 1.5, moved.
	core::matrix4 scale;
	scale.setScale(vector3df(1.5f, 1.5f, 1.5f));
	twisted.Strokes[1].Placement.setRotationDegrees(vector3df(0.f, 20.f, 45.f));
	twisted.Strokes[1].Placement = twisted.Strokes[1].Placement * scale;
	twisted.Strokes[1].Placement.setTranslation(vector3df(10.f, -4.f, 6.f));

	Document longStroke;
	longStroke.Strokes.push_back(wave(10000, 0.f, 0xFFFFFFFF, 2.f, 1.f));

	const bool ok = write(dir, "empty.glb", empty) && write(dir, "few.glb", few)
		&& write(dir, "translucent.glb", translucent) && write(dir, "twisted.glb", twisted)
		&& write(dir, "long.glb", longStroke);
	return ok ? 0 : 1;
}
