// The GLB file on its own: what goes in comes back exactly, and every kind of bad file is
// refused with a message that names the fault. Files are taken apart with nlohmann-json,
// not with the program's reader.
#include "DocumentTestSupport.h"
#include "bench/SketchSupport.h"
#include "document/GlbFile.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

using namespace irr;
using nlohmann::json;

namespace
{

Document sampleDrawing()
{
	Document d;
	DocumentStroke a;
	a.Points = {core::vector3df(0.1f, 0.2f, 0.3f), core::vector3df(5.5f, -3.25f, 1e-7f), core::vector3df(9.f, 9.f, 9.f)};
	a.Radius = 15.5f;
	a.Thickness = 0.55f;
	a.ViewDirection = core::vector3df(-0.70710677f, 0.f, 0.70710677f);
	a.Color = 0x80FF0010;
	DocumentStroke b = a;
	b.Points.push_back(core::vector3df(-1.f / 3.f, 2.f / 3.f, 1e30f));
	b.Pressures = {0.f, 1.f / 3.f, 1.f, 0.999f}; // a pen stroke
	b.Color = 0xFF00FF00;
	b.Radius = 1.f;
	b.Thickness = 0.1f;
	// Moved, turned and scaled by the select tool.
	core::matrix4 scale;
	scale.setScale(core::vector3df(0.37f, 0.37f, 0.37f));
	b.Placement.setRotationDegrees(core::vector3df(15.f, -70.f, 100.f));
	b.Placement = b.Placement * scale;
	b.Placement.setTranslation(core::vector3df(-12.5f, 1.f / 3.f, 40.f));
	d.Strokes = {a, b};
	d.CameraPosition = core::vector3df(12.5f, 80.f, -1.f / 7.f);
	d.CameraTarget = core::vector3df(1.f, 2.f, 3.f);
	d.CameraUp = core::vector3df(-0.5f, 0.8660254f, 0.f);
	d.OrbitYaw = 1234.f;
	d.OrbitPitch = -95.f;
	d.DrawingTransform.setRotationDegrees(core::vector3df(10.f, 20.f, 30.f));
	d.DrawingTransform.setTranslation(core::vector3df(4.f, 5.f, 6.f));
	d.AnchorPosition = core::vector3df(7.f, -8.f, 9.f);
	d.BackdropColor = 0xFF102030;
	d.BrushColor = 0x7F405060;
	d.BrushRadius = 23.62f;
	d.BrushThickness = 0.28f;
	d.BrushKind = 1;
	return d;
}

std::vector<unsigned char> toGlb(const Document& d)
{
	std::ostringstream out;
	std::string error;
	EXPECT_TRUE(writeGlb(d, out, error)) << error;
	const std::string s = out.str();
	return std::vector<unsigned char>(s.begin(), s.end());
}

bool fromGlb(const std::vector<unsigned char>& bytes, Document& d, std::string& error)
{
	return readGlb(bytes.data(), bytes.size(), d, error);
}

uint32_t word(const std::vector<unsigned char>& b, size_t at)
{
	return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

void putWord(std::vector<unsigned char>& b, uint32_t v)
{
	for (int i = 0; i < 4; ++i)
		b.push_back((unsigned char)(v >> (8 * i)));
}

// GLB: 12-byte header ("glTF", version 2, length), then chunks of (length, type, data).
json jsonChunk(const std::vector<unsigned char>& glb)
{
	const uint32_t length = word(glb, 12);
	return json::parse(glb.begin() + 20, glb.begin() + 20 + length);
}

std::vector<unsigned char> binChunk(const std::vector<unsigned char>& glb)
{
	const size_t at = 20 + word(glb, 12);
	if (at >= glb.size())
		return {};
	return std::vector<unsigned char>(glb.begin() + (long)at + 8, glb.begin() + (long)at + 8 + word(glb, at));
}

std::vector<unsigned char> makeGlb(const json& j, const std::vector<unsigned char>& bin)
{
	std::string text = j.dump();
	while (text.size() % 4)
		text += ' ';
	std::vector<unsigned char> out = {'g', 'l', 'T', 'F'};
	putWord(out, 2);
	putWord(out, (uint32_t)(12 + 8 + text.size() + (bin.empty() ? 0 : 8 + bin.size())));
	putWord(out, (uint32_t)text.size());
	putWord(out, 0x4E4F534A); // "JSON"
	out.insert(out.end(), text.begin(), text.end());
	if (!bin.empty())
	{
		putWord(out, (uint32_t)bin.size());
		putWord(out, 0x004E4942); // "BIN"
		out.insert(out.end(), bin.begin(), bin.end());
	}
	return out;
}

// The program data of the first stroke node, found through the scene's "drawing" node.
json& firstStrokeData(json& j)
{
	const int drawing = j["scenes"][0]["extras"]["vantrel"]["drawing"];
	const int first = j["nodes"][drawing]["children"][0];
	return j["nodes"][first]["extras"]["vantrel"];
}

bool bitsEqual(const core::vector3df& a, const core::vector3df& b)
{
	return std::memcmp(&a, &b, sizeof a) == 0;
}

// The refusal of an edited copy of the sample file; the drawing handed in stays as it was.
std::string refusal(const std::function<void(json&)>& edit)
{
	const std::vector<unsigned char> glb = toGlb(sampleDrawing());
	json j = jsonChunk(glb);
	edit(j);
	Document d;
	d.BrushKind = 7;
	std::string error;
	EXPECT_FALSE(fromGlb(makeGlb(j, binChunk(glb)), d, error));
	EXPECT_EQ(d.BrushKind, 7);
	EXPECT_TRUE(d.Strokes.empty());
	return error;
}

} // namespace

TEST(GlbFile, GivesBackEveryFieldBitForBit)
{
	const Document in = sampleDrawing();
	Document out;
	std::string error;
	ASSERT_TRUE(fromGlb(toGlb(in), out, error)) << error;

	ASSERT_EQ(out.Strokes.size(), in.Strokes.size());
	for (size_t i = 0; i < in.Strokes.size(); ++i)
	{
		const DocumentStroke &a = in.Strokes[i], &b = out.Strokes[i];
		ASSERT_EQ(a.Points.size(), b.Points.size());
		for (size_t p = 0; p < a.Points.size(); ++p)
			EXPECT_TRUE(bitsEqual(a.Points[p], b.Points[p])) << "stroke " << i << " point " << p;
		EXPECT_EQ(a.Pressures, b.Pressures) << "stroke " << i;
		EXPECT_EQ(std::memcmp(&a.Radius, &b.Radius, 4), 0);
		EXPECT_EQ(std::memcmp(&a.Thickness, &b.Thickness, 4), 0);
		EXPECT_TRUE(bitsEqual(a.ViewDirection, b.ViewDirection));
		EXPECT_EQ(a.Color, b.Color);
		EXPECT_EQ(std::memcmp(a.Placement.pointer(), b.Placement.pointer(), 64), 0);
	}
	EXPECT_TRUE(bitsEqual(out.CameraPosition, in.CameraPosition));
	EXPECT_TRUE(bitsEqual(out.CameraTarget, in.CameraTarget));
	EXPECT_TRUE(bitsEqual(out.CameraUp, in.CameraUp));
	EXPECT_EQ(out.OrbitYaw, in.OrbitYaw);
	EXPECT_EQ(out.OrbitPitch, in.OrbitPitch);
	EXPECT_EQ(std::memcmp(out.DrawingTransform.pointer(), in.DrawingTransform.pointer(), 64), 0);
	EXPECT_TRUE(bitsEqual(out.AnchorPosition, in.AnchorPosition));
	EXPECT_EQ(out.BackdropColor, in.BackdropColor);
	EXPECT_EQ(out.BrushColor, in.BrushColor);
	EXPECT_EQ(out.BrushRadius, in.BrushRadius);
	EXPECT_EQ(out.BrushThickness, in.BrushThickness);
	EXPECT_EQ(out.BrushKind, in.BrushKind);
}

//! An sRGB level from a glTF colour factor (linear), as viewers convert it for the screen.
int srgbLevel(double linear)
{
	const double s = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
	return (int)std::lround(s * 255);
}

TEST(GlbFile, MeshesColoursAndViewSuitOtherPrograms)
{
	Document d = sampleDrawing();
	// Every level of every channel and of alpha: stroke i is red i, green 255 - i, blue 7i, alpha 255 - i.
	for (u32 i = 0; i < 256; ++i)
	{
		DocumentStroke s = d.Strokes[0];
		s.Color = (255 - i) << 24 | i << 16 | (255 - i) << 8 | (i * 7 % 256);
		d.Strokes.push_back(s);
	}
	const std::vector<unsigned char> glb = toGlb(d);
	const json j = jsonChunk(glb);
	Document back;
	std::string error;
	ASSERT_TRUE(fromGlb(glb, back, error)) << error;

	// The scene: the drawing node carrying the twist, and the camera as the program had it.
	const int drawing = j["scenes"][0]["extras"]["vantrel"]["drawing"];
	ASSERT_EQ(j["scenes"][0]["nodes"].size(), 2u);
	EXPECT_EQ(j["scenes"][0]["nodes"][0], drawing);
	const json& camera = j["nodes"][(int)j["scenes"][0]["nodes"][1]];
	EXPECT_EQ(j["cameras"][(int)camera["camera"]]["perspective"]["yfov"], d.CameraFov);
	EXPECT_EQ(j["cameras"][(int)camera["camera"]]["perspective"]["aspectRatio"], d.CameraAspect);
	const core::vector3df eye(camera["translation"][0], camera["translation"][1], -(float)camera["translation"][2]);
	EXPECT_TRUE(eye.equals(d.CameraPosition)) << eye.X << " " << eye.Y << " " << eye.Z;
	// glTF cameras look along their -Z: the rotation takes it to the target, mirrored.
	const json& q = camera["rotation"];
	core::quaternion turn((float)q[0], (float)q[1], (float)q[2], (float)q[3]);
	core::vector3df forward = turn * core::vector3df(0.f, 0.f, -1.f), up = turn * core::vector3df(0.f, 1.f, 0.f);
	forward.Z = -forward.Z;
	up.Z = -up.Z;
	const core::vector3df look = (d.CameraTarget - d.CameraPosition).normalize();
	EXPECT_TRUE(forward.equals(look, 1e-5f));
	// Up as the engine's camera takes it: square to the line of sight.
	EXPECT_TRUE(up.equals((d.CameraUp - look * look.dotProduct(d.CameraUp)).normalize(), 1e-5f));
	// The backdrop for viewers, linear, and back to its own sRGB levels.
	const video::SColor backdrop(d.BackdropColor);
	const json& background = j["scenes"][0]["extras"]["background"];
	EXPECT_EQ(std::vector<int>({srgbLevel(background[0]), srgbLevel(background[1]), srgbLevel(background[2])}),
		std::vector<int>({(int)backdrop.getRed(), (int)backdrop.getGreen(), (int)backdrop.getBlue()}));

	// Each stroke shows its own colour: the material's, exact to the level, blended below full
	// alpha, and the program reads every level back.
	ASSERT_EQ(j["nodes"][drawing]["children"].size(), d.Strokes.size());
	for (size_t i = 0; i < d.Strokes.size(); ++i)
	{
		const json& node = j["nodes"][(int)j["nodes"][drawing]["children"][i]];
		const video::SColor color(d.Strokes[i].Color);
		for (const json& primitive : j["meshes"][(int)node["mesh"]]["primitives"])
		{
			EXPECT_EQ(primitive["attributes"].size(), 1u);
			EXPECT_TRUE(j["accessors"][(int)primitive["attributes"]["POSITION"]].contains("min"));
			const json& material = j["materials"][(int)primitive["material"]];
			const json& factor = material["pbrMetallicRoughness"]["baseColorFactor"];
			EXPECT_EQ(std::vector<int>({srgbLevel(factor[0]), srgbLevel(factor[1]), srgbLevel(factor[2]),
						  (int)std::lround((double)factor[3] * 255)}),
				std::vector<int>({(int)color.getRed(), (int)color.getGreen(), (int)color.getBlue(), (int)color.getAlpha()}))
				<< i;
			EXPECT_EQ(material.value("alphaMode", "OPAQUE"), color.getAlpha() < 255 ? "BLEND" : "OPAQUE");
			EXPECT_TRUE(material["extensions"].contains("KHR_materials_unlit"));
		}
		EXPECT_EQ(back.Strokes[i].Color, d.Strokes[i].Color);
	}

	// The second stroke's placement is its node's matrix, mirrored into glTF's space like the
	// meshes: (x, y, z) -> (x, y, -z) before and after. The first, as drawn, has none.
	const json& first = j["nodes"][(int)j["nodes"][drawing]["children"][0]];
	const json& second = j["nodes"][(int)j["nodes"][drawing]["children"][1]];
	EXPECT_FALSE(first.contains("matrix"));
	EXPECT_FALSE(first["extras"]["vantrel"].contains("placement"));
	const core::matrix4 placement = d.Strokes[1].Placement;
	ASSERT_EQ(second["matrix"].size(), 16u);
	for (int i = 0; i < 16; ++i)
	{
		const bool flipped = (i % 4 == 2) != (i / 4 == 2);
		EXPECT_EQ((float)second["matrix"][i], flipped ? -placement[i] : placement[i]) << i;
	}
}

TEST(GlbFile, StrokesThatCoverNoAreaHaveNoMesh)
{
	// Drawn along the line of sight, and all in one point: the program shows nothing of them,
	// and glTF has no empty mesh; the file still opens, with both strokes in it.
	Document d;
	DocumentStroke along = sampleDrawing().Strokes[0];
	along.ViewDirection = core::vector3df(-1.f, 0.f, 0.f);
	along.Points = {core::vector3df(0.f, 0.f, 0.f), core::vector3df(5.f, 0.f, 0.f), core::vector3df(9.f, 0.f, 0.f)};
	DocumentStroke point = along;
	point.Points = {core::vector3df(1.f, 2.f, 3.f), core::vector3df(1.f, 2.f, 3.f)};
	d.Strokes = {along, point};
	const std::vector<unsigned char> glb = toGlb(d);
	Document back;
	std::string error;
	ASSERT_TRUE(fromGlb(glb, back, error)) << error;
	EXPECT_EQ(back.Strokes.size(), 2u);
	EXPECT_FALSE(jsonChunk(glb).contains("meshes"));
}

TEST(GlbFile, AtMost150BytesAPoint)
{
	// A sketch of 1,000 strokes of 200 points (every fifth translucent, brushes of radius 1
	// to 8), and one wavy stroke of 10,000 points.
	Document wave;
	wave.Strokes.push_back(makeSketch(1, 10000).Strokes[0]);
	for (const Document& d : {makeSketch(1000, 200), wave})
		EXPECT_LE(toGlb(d).size(), 150 * d.pointCount());
}

TEST(GlbFile, RefusesPlacementsThatAreNotFiniteOrSingular)
{
	// The identity with one element changed: beyond any 32-bit float, flattened onto a plane,
	// mirrored, sheared, projective; and placements of the wrong shape.
	const std::pair<int, json> changes[] = {{5, 1e39}, {10, 0}, {0, -1}, {4, 0.5}, {3, 0.2}, {0, "1"}, {-1, 0}};
	const char* const messages[] = {"is not a finite number", "is singular", "mirrors the stroke",
		"not a turn, an even scale and a move", "not an affine", "is missing or not a number", "not a list of 16"};
	for (size_t i = 0; i < 7; ++i)
	{
		json placement = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
		if (changes[i].first >= 0)
			placement[changes[i].first] = changes[i].second;
		else
			placement.erase(15);
		const std::string error = refusal([&](json& j) { firstStrokeData(j)["placement"] = placement; });
		EXPECT_NE(error.find(std::string("stroke 1 placement ")), std::string::npos) << error;
		EXPECT_NE(error.find(messages[i]), std::string::npos) << error;
	}
}

TEST(GlbFile, RefusesFilesThatAreNotGlb)
{
	const std::vector<unsigned char> glb = toGlb(sampleDrawing());
	Document d;
	std::string error;

	const std::vector<unsigned char> truncated(glb.begin(), glb.begin() + (long)glb.size() / 2);
	EXPECT_FALSE(fromGlb(truncated, d, error));
	EXPECT_NE(error.find("not a readable glTF"), std::string::npos) << error;

	std::mt19937 random(10);
	std::vector<unsigned char> noise(4096);
	for (unsigned char& c : noise)
		c = (unsigned char)random();
	error.clear();
	EXPECT_FALSE(fromGlb(noise, d, error));
	EXPECT_NE(error.find("not a readable glTF"), std::string::npos) << error;

	error.clear();
	EXPECT_FALSE(fromGlb(std::vector<unsigned char>(), d, error));
	EXPECT_FALSE(error.empty());
	EXPECT_TRUE(d.Strokes.empty());
}

TEST(GlbFile, RefusesAValidGltfFromAnotherProgram)
{
	// A valid glTF with a triangle and no program data.
	json j = {{"asset", {{"version", "2.0"}, {"generator", "another program"}}},
		{"scene", 0}, {"scenes", json::array({{{"nodes", {0}}}})}, {"nodes", json::array({{{"mesh", 0}}})},
		{"meshes", json::array({{{"primitives", json::array({{{"attributes", {{"POSITION", 0}}}}})}}})},
		{"accessors", json::array({{{"bufferView", 0}, {"componentType", 5126}, {"type", "VEC3"}, {"count", 3},
			{"min", {0, 0, 0}}, {"max", {1, 1, 0}}}})},
		{"bufferViews", json::array({{{"buffer", 0}, {"byteLength", 36}}})},
		{"buffers", json::array({{{"byteLength", 36}}})}};
	std::vector<unsigned char> bin(36, 0);
	const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
	std::memcpy(bin.data(), corners, 36);
	Document d;
	std::string error;
	EXPECT_FALSE(fromGlb(makeGlb(j, bin), d, error));
	EXPECT_NE(error.find("no Vantrel drawing"), std::string::npos) << error;
}

TEST(GlbFile, RefusesANewerVersionByName)
{
	const std::string error = refusal([](json& j) { j["scenes"][0]["extras"]["vantrel"]["version"] = DOCUMENT_FORMAT_VERSION + 1; });
	EXPECT_NE(error.find("newer Vantrel"), std::string::npos) << error;
	EXPECT_NE(error.find("version " + std::to_string(DOCUMENT_FORMAT_VERSION + 1)), std::string::npos) << error;
}

TEST(GlbFile, RefusesPointCountsBeyondTheData)
{
	const std::string error = refusal([](json& j) {
		const int points = firstStrokeData(j)["points"];
		j["accessors"][points]["count"] = 4000000000u;
	});
	EXPECT_NE(error.find("stroke 1 points"), std::string::npos) << error;
	EXPECT_NE(error.find("more than its data holds"), std::string::npos) << error;

	const std::string outside = refusal([](json& j) {
		const int points = firstStrokeData(j)["points"];
		j["bufferViews"][(int)j["accessors"][points]["bufferView"]]["byteOffset"] = 1u << 30;
	});
	EXPECT_NE(outside.find("outside the binary data"), std::string::npos) << outside;
}

TEST(GlbFile, RefusesPointsThatAreNotFiniteAndPressuresOutsideZeroToOne)
{
	for (const float bad : {-0.5f, 1.5f, std::numeric_limits<float>::quiet_NaN()})
	{
		Document d = sampleDrawing();
		d.Strokes[1].Pressures[1] = bad;
		Document out;
		std::string error;
		EXPECT_FALSE(fromGlb(toGlb(d), out, error));
		EXPECT_NE(error.find("stroke 2 pressures: pressure 2 is not a number from 0 to 1"), std::string::npos) << error;
	}
	for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
	{
		Document d = sampleDrawing();
		d.Strokes[1].Points[2].Y = bad;
		Document out;
		std::string error;
		EXPECT_FALSE(fromGlb(toGlb(d), out, error));
		EXPECT_NE(error.find("stroke 2 points: point 3 is not finite"), std::string::npos) << error;
		EXPECT_TRUE(out.Strokes.empty());
	}
}

TEST(GlbFile, RefusesMissingOrWrongFieldsByName)
{
	EXPECT_NE(refusal([](json& j) { firstStrokeData(j).erase("radius"); }).find("stroke 1 radius is missing"),
		std::string::npos);
	EXPECT_NE(refusal([](json& j) { firstStrokeData(j)["color"] = {255, 300, 0, 0}; }).find("stroke 1 color"),
		std::string::npos);
	EXPECT_NE(refusal([](json& j) { firstStrokeData(j)["thickness"] = -1.0; }).find("above 0"), std::string::npos);
	EXPECT_NE(refusal([](json& j) { j["scenes"][0]["extras"]["vantrel"]["camera"]["up"] = {1, 2}; }).find("camera up"),
		std::string::npos);
	EXPECT_NE(refusal([](json& j) { j["scenes"][0]["extras"]["vantrel"]["twist"][3] = "x"; }).find("twist"),
		std::string::npos);
	EXPECT_NE(refusal([](json& j) { j["scenes"][0]["extras"]["vantrel"]["drawing"] = 999; }).find("drawing does not name"),
		std::string::npos);
	EXPECT_NE(refusal([](json& j) { j["scenes"][0]["extras"]["vantrel"]["brush"]["kind"] = 5; }).find("brush kind"),
		std::string::npos);
}

TEST_F(DocumentTest, SavingReplacesTheFileWholeOrLeavesItAlone)
{
	const std::string path = file("drawing.glb");
	std::string error;
	ASSERT_TRUE(saveGlbFile(sampleDrawing(), path, error)) << error;
	const std::vector<unsigned char> first = readBytes(path);
	Document back;
	ASSERT_TRUE(loadGlbFile(path, back, error)) << error;
	EXPECT_EQ(back.Strokes.size(), 2u);

	// A directory in the file's place, and a directory that does not exist.
	std::filesystem::create_directory(file("taken.glb"));
	EXPECT_FALSE(saveGlbFile(sampleDrawing(), file("taken.glb"), error));
	EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
	error.clear();
	EXPECT_FALSE(saveGlbFile(sampleDrawing(), file("missing/drawing.glb"), error));
	EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
	error.clear();
	EXPECT_FALSE(loadGlbFile(file("taken.glb"), back, error));
	EXPECT_NE(error.find("is a directory"), std::string::npos) << error;

	// Only the finished files are left: no temporary file stays behind.
	size_t entries = 0;
	for (const auto& entry : std::filesystem::directory_iterator(Dir))
		entries += entry.path().filename() == "drawing.glb" || entry.path().filename() == "taken.glb" ? 1 : 100;
	EXPECT_EQ(entries, 2u);
	EXPECT_EQ(readBytes(path), first);
}

TEST(GlbFile, RefusesHostileFilesByName)
{
	const std::string passwd = "/etc/passwd";
	const auto passwdSize = (unsigned long long)std::filesystem::file_size(passwd);
	const size_t requests = glbFileRequests();
	const struct
	{
		const char* Expected;
		std::function<void(json&)> Edit;
	} cases[] = {
		// A buffer whose uri names a file of the right size, climbs out, is percent-encoded or
		// names a directory: nothing is read, and the note names no path.
		{"refers to data outside the file", [&](json& j) { j["buffers"][0] = {{"uri", passwd}, {"byteLength", passwdSize}}; }},
		{"refers to data outside the file", [](json& j) { j["buffers"][0]["uri"] = "../../../../../../etc/hostname"; }},
		{"refers to data outside the file", [](json& j) { j["buffers"][0]["uri"] = "%2Fetc%2Fpasswd"; }},
		{"refers to data outside the file", [](json& j) { j["buffers"][0]["uri"] = "/tmp"; }},
		{"refers to data outside the file", [](json& j) { j["buffers"][0]["uri"] = "data:text/plain;base64,AAAA"; }},
		{"keeps all its data in one", [](json& j) { j["buffers"].push_back(j["buffers"][0]); }},
		// Compressed by another program.
		{"needs the glTF extension EXT_meshopt_compression (data compressed by another program), which Vantrel does not read",
			[](json& j) { j["extensionsRequired"] = {"KHR_materials_unlit", "EXT_meshopt_compression"}; }},
		{"needs the glTF extension KHR_draco_mesh_compression",
			[](json& j) { j["extensionsRequired"] = {"KHR_draco_mesh_compression"}; }},
		// Small files that would take any amount of memory.
		{"stroke 3 is a node listed before", [](json& j) {
			json& children = j["nodes"][(int)j["scenes"][0]["extras"]["vantrel"]["drawing"]]["children"];
			for (int i = 0; i < 1000; ++i)
				children.push_back(children[0]);
		}},
		{"stroke 2 points share their data with stroke 1", [](json& j) {
			const int drawing = j["scenes"][0]["extras"]["vantrel"]["drawing"];
			const int second = j["nodes"][drawing]["children"][1];
			for (const char* key : {"points", "pointsCount", "pointsChecksum"})
				j["nodes"][second]["extras"]["vantrel"][key] = firstStrokeData(j)[key];
		}},
		{"stroke 2 points share their data with stroke 1", [](json& j) {
			// A second accessor over the same bytes, shifted by one point (in a version 1 file,
			// which keeps no checksum).
			j["scenes"][0]["extras"]["vantrel"]["version"] = 1;
			json accessor = j["accessors"][(int)firstStrokeData(j)["points"]];
			accessor["byteOffset"] = 12;
			accessor["count"] = 2;
			j["accessors"].push_back(accessor);
			const int drawing = j["scenes"][0]["extras"]["vantrel"]["drawing"];
			const int second = j["nodes"][drawing]["children"][1];
			j["nodes"][second]["extras"]["vantrel"]["points"] = j["accessors"].size() - 1;
		}},
		// Nesting that would overflow the parser's stack.
		{"nested more than 16 levels deep", [](json& j) {
			// Deep enough to be refused; the parser's stack is another matter (the fuzz corpus
			// keeps a file nested 20,000 levels deep).
			json deep = json::array();
			for (int i = 0; i < 100; ++i)
				deep = json::array({deep});
			firstStrokeData(j)["deep"] = deep;
		}},
	};
	for (const auto& c : cases)
	{
		const std::string error = refusal(c.Edit);
		EXPECT_NE(error.find(c.Expected), std::string::npos) << error;
		EXPECT_EQ(error.find("/etc"), std::string::npos) << error;
		EXPECT_EQ(error.find("/tmp"), std::string::npos) << error;
	}
	EXPECT_EQ(glbFileRequests(), requests);
}

TEST(GlbFile, ChecksTheContainerAgainstItsSize)
{
	std::vector<unsigned char> glb = toGlb(sampleDrawing());
	Document d;
	std::string error;
	// The binary chunk claims the bytes of its own 8-byte header beyond the end.
	const size_t binAt = 20 + word(glb, 12);
	const uint32_t binLength = word(glb, binAt) + 8;
	std::memcpy(&glb[binAt], &binLength, 4);
	EXPECT_FALSE(fromGlb(glb, d, error));
	EXPECT_NE(error.find("chunk 2 claims"), std::string::npos) << error;

	// The header's length must be the file's.
	glb = toGlb(sampleDrawing());
	glb.resize(glb.size() + 4, 0);
	EXPECT_FALSE(fromGlb(glb, d, error));
	EXPECT_NE(error.find("gives a length of " + std::to_string(glb.size() - 4)), std::string::npos) << error;
	EXPECT_TRUE(d.Strokes.empty());
}

TEST_F(DocumentTest, OpensOnlyRegularFilesOfAPossibleSize)
{
	Document d;
	std::string error;
	// A sparse file larger than a GLB can be, and one whose header disagrees with its size:
	// both are refused from their size and header alone.
	const std::string huge = file("huge.glb");
	writeBytes(huge, {'g', 'l', 'T', 'F', 2, 0, 0, 0, 100, 0, 0, 0});
	std::filesystem::resize_file(huge, (1ull << 32) + 1);
	EXPECT_FALSE(loadGlbFile(huge, d, error));
	EXPECT_NE(error.find("larger than a glTF binary file can be"), std::string::npos) << error;
	std::filesystem::resize_file(huge, 1ull << 31);
	EXPECT_FALSE(loadGlbFile(huge, d, error));
	EXPECT_NE(error.find("gives a length of 100 bytes, the file has 2147483648"), std::string::npos) << error;
#if !defined(_WIN32)
	// A FIFO would block the program for ever.
	const std::string fifo = file("fifo.glb");
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	EXPECT_FALSE(loadGlbFile(fifo, d, error));
	EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
#endif
	EXPECT_TRUE(d.Strokes.empty());
}

TEST(GlbFile, FindsEachStrokesPointsAfterAnotherProgramRenumberedTheAccessors)
{
	const Document in = sampleDrawing();
	const std::vector<unsigned char> glb = toGlb(in);
	// What a rewriting tool does: the accessors in another order, the references it knows of
	// (the meshes') renumbered, the program data left as it was.
	const auto renumbered = [&](bool keepPoints) {
		json j = jsonChunk(glb);
		const size_t n = j["accessors"].size();
		std::vector<json> accessors;
		for (size_t i = n; i-- > 0;)
			accessors.push_back(j["accessors"][i]);
		j["accessors"] = accessors;
		for (json& mesh : j["meshes"])
			for (json& primitive : mesh["primitives"])
			{
				primitive["indices"] = n - 1 - (size_t)primitive["indices"];
				for (auto& attribute : primitive["attributes"].items())
					attribute.value() = n - 1 - (size_t)attribute.value();
			}
		if (!keepPoints)
			for (json& accessor : j["accessors"])
				if (!accessor.contains("min") && accessor["type"] == "VEC3")
					accessor["count"] = 2; // a tool that cut the unused data short
		return makeGlb(j, binChunk(glb));
	};
	Document out;
	std::string error;
	ASSERT_TRUE(fromGlb(renumbered(true), out, error)) << error;
	ASSERT_EQ(out.Strokes.size(), 2u);
	for (size_t i = 0; i < 2; ++i)
	{
		ASSERT_EQ(out.Strokes[i].Points.size(), in.Strokes[i].Points.size());
		EXPECT_EQ(std::memcmp(out.Strokes[i].Points.data(), in.Strokes[i].Points.data(), in.Strokes[i].Points.size() * 12), 0);
		EXPECT_EQ(out.Strokes[i].Pressures, in.Strokes[i].Pressures);
	}
	Document refused;
	EXPECT_FALSE(fromGlb(renumbered(false), refused, error));
	EXPECT_NE(error.find("changed by another program"), std::string::npos) << error;

	// A version 1 file (no count or checksum) is read by the accessor's number alone, and
	// has no pressures: 1 everywhere.
	json j = jsonChunk(glb);
	j["scenes"][0]["extras"]["vantrel"]["version"] = 1;
	for (json& node : j["nodes"])
		if (node.contains("extras"))
		{
			node["extras"]["vantrel"].erase("pointsCount");
			node["extras"]["vantrel"].erase("pointsChecksum");
		}
	ASSERT_TRUE(fromGlb(makeGlb(j, binChunk(glb)), out, error)) << error;
	EXPECT_EQ(out.Strokes[1].Points.size(), 4u);
	EXPECT_TRUE(out.Strokes[1].Pressures.empty());
}
