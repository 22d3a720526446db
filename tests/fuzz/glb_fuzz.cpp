// libFuzzer target: every input is read as a drawing file, and the reader's promises are
// checked beyond what the sanitizers see. A refusal gives a reason and leaves the drawing as it
// was; accepted data is finite and within its ranges; writing it and reading it again gives the
// same drawing bit for bit; reading never asks for a file.
#include "document/GlbFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

using namespace irr;

namespace
{

void check(bool ok, const char* promise, const std::string& detail = std::string())
{
	if (ok)
		return;
	std::fprintf(stderr, "broken promise: %s %s\n", promise, detail.c_str());
	std::abort();
}

template <typename T> bool sameBits(const T& a, const T& b)
{
	return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool sameDrawing(const Document& a, const Document& b)
{
	if (a.Strokes.size() != b.Strokes.size())
		return false;
	for (size_t i = 0; i < a.Strokes.size(); ++i)
	{
		const DocumentStroke &s = a.Strokes[i], &t = b.Strokes[i];
		if (s.Points.size() != t.Points.size()
			|| (!s.Points.empty() && std::memcmp(s.Points.data(), t.Points.data(), s.Points.size() * 12) != 0)
			|| s.Pressures.size() != t.Pressures.size()
			|| (!s.Pressures.empty() && std::memcmp(s.Pressures.data(), t.Pressures.data(), s.Pressures.size() * 4) != 0)
			|| !sameBits(s.Radius, t.Radius) || !sameBits(s.Thickness, t.Thickness)
			|| !sameBits(s.ViewDirection, t.ViewDirection) || s.Color != t.Color
			|| std::memcmp(s.Placement.pointer(), t.Placement.pointer(), 16 * sizeof(f32)) != 0)
			return false;
	}
	return sameBits(a.CameraPosition, b.CameraPosition) && sameBits(a.CameraTarget, b.CameraTarget)
		&& sameBits(a.CameraUp, b.CameraUp) && sameBits(a.OrbitYaw, b.OrbitYaw) && sameBits(a.OrbitPitch, b.OrbitPitch)
		&& std::memcmp(a.DrawingTransform.pointer(), b.DrawingTransform.pointer(), 64) == 0
		&& sameBits(a.AnchorPosition, b.AnchorPosition) && a.BackdropColor == b.BackdropColor
		&& a.BrushColor == b.BrushColor && sameBits(a.BrushRadius, b.BrushRadius)
		&& sameBits(a.BrushThickness, b.BrushThickness) && a.BrushKind == b.BrushKind;
}

bool finite(const core::vector3df& v)
{
	return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}

void checkAccepted(const Document& d)
{
	for (const DocumentStroke& s : d.Strokes)
	{
		check(s.Points.size() >= 2, "a stroke has two points or more");
		for (const core::vector3df& p : s.Points)
			check(finite(p), "points are finite");
		check(std::isfinite(s.Radius) && s.Radius > 0 && std::isfinite(s.Thickness) && s.Thickness > 0,
			"radius and thickness are finite and above 0");
		check(finite(s.ViewDirection), "view directions are finite");
		check(s.Pressures.empty() || s.Pressures.size() == s.Points.size(), "one pressure a point, or none");
		for (f32 p : s.Pressures)
			check(p >= 0.f && p <= 1.f, "pressures are from 0 to 1");
	}
	check(finite(d.CameraPosition) && finite(d.CameraTarget) && finite(d.CameraUp) && finite(d.AnchorPosition),
		"camera and anchor are finite");
	check(std::isfinite(d.OrbitYaw) && std::isfinite(d.OrbitPitch), "orbit angles are finite");
	for (int i = 0; i < 16; ++i)
		check(std::isfinite(d.DrawingTransform[i]), "the twist is finite");
	check(std::isfinite(d.BrushRadius) && std::isfinite(d.BrushThickness), "the brush is finite");
	check(d.BrushKind == 0 || d.BrushKind == 1, "the brush kind is 0 or 1");
}

//! What the drawing holds before each read: a refusal must leave every bit of it.
Document before()
{
	Document d;
	DocumentStroke s;
	s.Points = {core::vector3df(1.f, 2.f, 3.f), core::vector3df(-4.f, 5.f, 6.5f)};
	s.Pressures = {0.5f, 0.25f};
	s.Radius = 2.5f;
	s.Color = 0x12345678;
	d.Strokes.push_back(s);
	d.BrushKind = 1;
	d.OrbitYaw = 33.f;
	return d;
}

void checkRead(const uint8_t* data, size_t size)
{
	const size_t requests = glbFileRequests();
	Document drawing = before();
	std::string error;
	if (!readGlb(data, size, drawing, error))
	{
		check(!error.empty(), "a refusal gives a reason");
		check(sameDrawing(drawing, before()), "a refusal leaves the drawing as it was", error);
	}
	else
	{
		checkAccepted(drawing);
		std::ostringstream out;
		check(writeGlb(drawing, out, error), "an accepted drawing can be written", error);
		const std::string written = out.str();
		Document again = before();
		check(readGlb((const unsigned char*)written.data(), written.size(), again, error),
			"a written drawing is read again", error);
		check(sameDrawing(drawing, again), "writing and reading again gives the same drawing");
	}
	check(glbFileRequests() == requests, "reading never asks for a file");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	checkRead(data, size);
	// Most mutations change the size, which the header's length must match: read each input
	// also with that length mended, so that the fuzzer gets past the header.
	if (size >= 12 && size <= UINT32_MAX)
	{
		std::vector<uint8_t> mended(data, data + size);
		for (int i = 0; i < 4; ++i)
			mended[8 + i] = uint8_t(size >> (8 * i));
		checkRead(mended.data(), size);
	}
	return 0;
}
