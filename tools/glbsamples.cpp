// Writes the drawings that independent glTF readers are tested with (an empty drawing, a few
// strokes, a translucent stroke, a twisted drawing with a stroke moved, turned and scaled (seen
// from a camera off the axes, on a coloured backdrop), one
// stroke of 10,000 points, a coil of 7,000 points whose mesh needs more than one primitive,
// 256 strokes with every level of every colour channel and of alpha)
// into a directory, and prints for each file, per stroke, the vertex counts of its mesh's
// primitives joined by "+", one line per file:
//   name.glb count count+count ...
#include "document/Document.h"
#include "document/GlbFile.h"
#include "document/ViewerMesh.h"

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
	{
		const ViewerMesh mesh = buildViewerMesh(s, 65535);
		for (size_t i = 0; i < mesh.Parts.size(); ++i)
			std::printf("%s%u", i ? "+" : " ", mesh.Parts[i].VertexCount);
	}
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
	// Seen from off every axis, with an up that is not square to the line of sight, on a
	// coloured backdrop: a reader that drops the mirror or a channel shows it elsewhere.
	twisted.CameraPosition = vector3df(70.f, 25.f, -60.f);
	twisted.CameraTarget = vector3df(4.f, -3.f, 8.f);
	twisted.CameraUp = vector3df(0.1f, 1.f, 0.2f);
	twisted.BackdropColor = 0xFF2A6BC8;

	Document longStroke;
	longStroke.Strokes.push_back(wave(10000, 0.f, 0xFFFFFFFF, 2.f, 1.f));

	// Tight enough that every point needs its ring: more vertices than 16-bit indices reach.
	Document coil;
	DocumentStroke turns = wave(2, 0.f, 0xFF8040C0, 1.f, 0.5f);
	turns.Points.clear();
	for (int i = 0; i < 7000; ++i)
		turns.Points.push_back(vector3df(3.f * std::cos(0.3f * (f32)i), 3.f * std::sin(0.3f * (f32)i), -40.f + 0.011f * (f32)i));
	coil.Strokes.push_back(turns);

	// Stroke i: red i, green 255 - i, blue 7i (mod 256), alpha 255 - i; on a backdrop that is
	// no grey, seen from an orbited camera.
	Document colours;
	for (u32 i = 0; i < 256; ++i)
	{
		DocumentStroke s = wave(2, -60.f + 0.47f * (f32)i, ((255 - i) << 24) | (i << 16) | ((255 - i) << 8) | (i * 7 % 256), 0.2f, 1.f);
		colours.Strokes.push_back(s);
	}
	colours.BackdropColor = 0xFF1E2A3B;
	colours.CameraPosition = vector3df(70.f, 20.f, -70.f);
	colours.CameraTarget = vector3df(0.f, 5.f, 0.f);
	colours.OrbitYaw = 45.f;

	const bool ok = write(dir, "empty.glb", empty) && write(dir, "few.glb", few)
		&& write(dir, "translucent.glb", translucent) && write(dir, "twisted.glb", twisted)
		&& write(dir, "long.glb", longStroke) && write(dir, "coil.glb", coil) && write(dir, "colours.glb", colours);
	return ok ? 0 : 1;
}
