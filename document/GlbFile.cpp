// Writing and reading the drawing as GLB. tinygltf does the container (JSON and binary
// chunks); this file decides what goes into it and checks every field it reads back.
//
// Coordinate spaces: the program's world is left-handed (Y up) and glTF's right-handed
// (Y up), so the meshes and the drawing node are mirrored in Z and their triangles turned
// round for other programs. The program data in "extras" stays in the program's own space.
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include <tiny_gltf.h>

#include "document/GlbFile.h"
#include "document/TwoThreads.h"
#include "document/ViewerMesh.h"
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <new>
#include <set>
#include <streambuf>
#include <tuple>

using namespace irr;
using core::vector3df;

namespace
{

// The points are written straight from memory as packed f32 triples.
static_assert(sizeof(vector3df) == 12, "vector3df must be three packed floats");

const int ARRAY_BUFFER = 34962;
const int ELEMENT_ARRAY_BUFFER = 34963;
const char* const EXTRAS_KEY = "vantrel";
const char* const UNLIT = "KHR_materials_unlit";
//! A GLB's lengths are 32-bit; leave room for the header and the JSON chunk.
const size_t MAX_BINARY_SIZE = 0xF0000000u;
//! Deepest nesting of JSON arrays and objects read. The program's own data is four levels
//! below the document's members (scene, extras, program data, camera, position); other
//! programs' extensions go a few levels deeper. Deeper nesting would run the parser out of stack.
const int MAX_JSON_DEPTH = 16;
//! Most points over all strokes of one file.
const size_t MAX_POINTS = 50000000;
const uint32_t GLB_MAGIC = 0x46546C67; // "glTF"
const uint32_t CHUNK_JSON = 0x4E4F534A; // "JSON"
const uint32_t CHUNK_BIN = 0x004E4942; // "BIN"
//! Extensions that change where or how a file's data is kept; the reader knows none of them.
const char* const COMPRESSIONS[] = {"KHR_draco_mesh_compression", "EXT_meshopt_compression", "KHR_meshopt_compression",
	"KHR_mesh_quantization"};

//! Requests for files the reader has refused, over the program's run.
std::atomic<size_t> FileRequests(0);

//! FNV-1a, 64 bits: the checksum of a stroke's data in the file.
uint64_t fnv1a(const unsigned char* bytes, size_t n)
{
	uint64_t hash = 0xCBF29CE484222325ull;
	for (size_t i = 0; i < n; ++i)
		hash = (hash ^ bytes[i]) * 0x100000001B3ull;
	return hash;
}

//! The lowest digits hexadecimal digits of value, lower case.
std::string hexadecimal(uint64_t value, int digits)
{
	std::string text((size_t)digits, '0');
	for (int i = digits - 1; i >= 0; --i, value >>= 4)
		text[(size_t)i] = "0123456789abcdef"[value & 0xF];
	return text;
}

//! A checksum as 16 lower-case hexadecimal digits (JSON numbers cannot hold 64 bits exactly).
std::string formatChecksum(uint64_t sum)
{
	return hexadecimal(sum, 16);
}

// ---------------------------------------------------------------------------------------
// Writing

tinygltf::Value number(f64 v)
{
	return tinygltf::Value(v);
}

tinygltf::Value vectorValue(const vector3df& v)
{
	return tinygltf::Value(tinygltf::Value::Array{number(v.X), number(v.Y), number(v.Z)});
}

//! ARGB as four integers 0-255 in that order (a JSON integer cannot hold all 32-bit values here).
tinygltf::Value colorValue(u32 argb)
{
	return tinygltf::Value(tinygltf::Value::Array{tinygltf::Value((int)(argb >> 24)),
		tinygltf::Value((int)((argb >> 16) & 0xFF)), tinygltf::Value((int)((argb >> 8) & 0xFF)),
		tinygltf::Value((int)(argb & 0xFF))});
}

//! An 8-bit sRGB channel as a linear value from 0 to 1, in double precision: glTF's colour
//! factors are linear, and this keeps every level exact through a reader's conversion back.
f64 srgbToLinear(u32 c)
{
	const f64 s = c / 255.0;
	return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

//! Program (left-handed) to glTF (right-handed) coordinates: Z mirrored.
vector3df mirrored(const vector3df& v)
{
	return vector3df(v.X, v.Y, -v.Z);
}

//! Element i of a transformation taken into glTF's space (Z mirrored on both sides). Both the
//! engine and glTF keep element (row r, column c) at index 4c + r.
f64 mirroredElement(const core::matrix4& m, int i)
{
	const int r = i % 4, c = i / 4;
	return ((r == 2) != (c == 2)) ? -(f64)m[i] : (f64)m[i];
}

//! The rotation of the 3 x 3 part of m (element (r, c) at 4c + r; orthonormal columns) as a
//! glTF quaternion x, y, z, w; empty for none.
std::vector<f64> rotationOf(const f64 m[16])
{
	auto R = [&](int r, int c) { return m[4 * c + r]; };
	f64 w, x, y, z;
	const f64 trace = R(0, 0) + R(1, 1) + R(2, 2);
	if (trace > 0)
	{
		const f64 s = std::sqrt(trace + 1.0) * 2;
		w = 0.25 * s; x = (R(2, 1) - R(1, 2)) / s; y = (R(0, 2) - R(2, 0)) / s; z = (R(1, 0) - R(0, 1)) / s;
	}
	else if (R(0, 0) > R(1, 1) && R(0, 0) > R(2, 2))
	{
		const f64 s = std::sqrt(1.0 + R(0, 0) - R(1, 1) - R(2, 2)) * 2;
		w = (R(2, 1) - R(1, 2)) / s; x = 0.25 * s; y = (R(0, 1) + R(1, 0)) / s; z = (R(0, 2) + R(2, 0)) / s;
	}
	else if (R(1, 1) > R(2, 2))
	{
		const f64 s = std::sqrt(1.0 + R(1, 1) - R(0, 0) - R(2, 2)) * 2;
		w = (R(0, 2) - R(2, 0)) / s; x = (R(0, 1) + R(1, 0)) / s; y = 0.25 * s; z = (R(1, 2) + R(2, 1)) / s;
	}
	else
	{
		const f64 s = std::sqrt(1.0 + R(2, 2) - R(0, 0) - R(1, 1)) * 2;
		w = (R(1, 0) - R(0, 1)) / s; x = (R(0, 2) + R(2, 0)) / s; y = (R(1, 2) + R(2, 1)) / s; z = 0.25 * s;
	}
	const f64 length = std::sqrt(w * w + x * x + y * y + z * z);
	if (!(length > 0) || (x == 0 && y == 0 && z == 0))
		return {};
	return {x / length, y / length, z / length, w / length};
}

//! The twist as glTF translation and rotation (it is rigid), mirrored into glTF's space.
void setDrawingTransform(tinygltf::Node& node, const core::matrix4& twist)
{
	f64 m[16];
	for (int i = 0; i < 16; ++i)
		m[i] = mirroredElement(twist, i);
	node.rotation = rotationOf(m);
	if (m[12] != 0 || m[13] != 0 || m[14] != 0)
		node.translation = {m[12], m[13], m[14]};
}

//! The program's view as a glTF camera and the node that places it: glTF cameras look along
//! their -Z with +Y up.
void addCamera(tinygltf::Model& model, const Document& drawing)
{
	tinygltf::Camera camera;
	camera.name = "Vantrel view";
	camera.type = "perspective";
	camera.perspective.yfov = drawing.CameraFov;
	camera.perspective.aspectRatio = drawing.CameraAspect;
	// Planes far apart enough that a viewer clips nothing the program shows.
	camera.perspective.znear = 1.0;
	camera.perspective.zfar = 10000.0;
	model.cameras.push_back(camera);

	tinygltf::Node node;
	node.name = "camera";
	node.camera = 0;
	const vector3df position = mirrored(drawing.CameraPosition);
	const core::vector3d<f64> eye(position.X, position.Y, position.Z);
	const vector3df target = mirrored(drawing.CameraTarget), up = mirrored(drawing.CameraUp);
	core::vector3d<f64> back = eye - core::vector3d<f64>(target.X, target.Y, target.Z);
	core::vector3d<f64> right = core::vector3d<f64>(up.X, up.Y, up.Z).crossProduct(back);
	if (back.getLengthSQ() > 0 && right.getLengthSQ() > 0)
	{
		back.normalize();
		right.normalize();
		const core::vector3d<f64> top = back.crossProduct(right);
		const f64 m[16] = {right.X, right.Y, right.Z, 0, top.X, top.Y, top.Z, 0, back.X, back.Y, back.Z, 0, 0, 0, 0, 1};
		node.rotation = rotationOf(m);
	}
	node.translation = {eye.X, eye.Y, eye.Z};
	model.nodes.push_back(node);
}

//! The file's binary data, kept by kind while strokes are added, then laid out one view each.
enum DataKind
{
	POSITIONS, // the meshes' vertices, 32-bit floats
	TRIANGLES, // 16-bit indices
	POINTS,    // the program's points, 32-bit floats
	PRESSURES, // the program's pressures, 32-bit floats
	DATA_KINDS
};

class ModelBuilder
{
public:
	ModelBuilder()
	{
		Model.asset.version = "2.0";
		Model.asset.generator = "Vantrel";
	}

	//! One mesh and one node for the stroke; returns the node's index.
	int addStroke(const DocumentStroke& stroke, const ViewerMesh& viewer, size_t ordinal)
	{
		const std::string name = "stroke " + std::to_string(ordinal);
		tinygltf::Mesh mesh;
		mesh.name = name;
		tinygltf::Node node;
		node.name = name;

		// The mesh other programs show, in the stroke's space, Z mirrored. A stroke that covers
		// no area (drawn along the line of sight, or all in one point) has none: the program
		// shows nothing of it either, and glTF has no empty mesh.
		if (std::all_of(viewer.Parts.begin(), viewer.Parts.end(), [](const ViewerMesh::Part& p) { return p.Triangles.empty(); }))
			return addNode(stroke, node);
		std::vector<unsigned char>& positions = Data[POSITIONS];
		const size_t firstPosition = positions.size();
		positions.resize(firstPosition + viewer.Positions.size() * sizeof(vector3df));
		for (size_t v = 0; v < viewer.Positions.size(); ++v)
		{
			const vector3df p = mirrored(viewer.Positions[v]);
			std::memcpy(&positions[firstPosition + v * sizeof(vector3df)], &p, sizeof(vector3df));
		}
		for (const ViewerMesh::Part& part : viewer.Parts)
		{
			if (part.Triangles.empty())
				continue;
			tinygltf::Primitive primitive;
			const int position = addAccessor(POSITIONS, firstPosition + (size_t)part.FirstVertex * sizeof(vector3df),
				TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, part.VertexCount);
			core::aabbox3df box(mirrored(viewer.Positions[part.FirstVertex]));
			for (u32 v = 1; v < part.VertexCount; ++v)
				box.addInternalPoint(mirrored(viewer.Positions[part.FirstVertex + v]));
			Model.accessors[(size_t)position].minValues = {box.MinEdge.X, box.MinEdge.Y, box.MinEdge.Z};
			Model.accessors[(size_t)position].maxValues = {box.MaxEdge.X, box.MaxEdge.Y, box.MaxEdge.Z};
			primitive.attributes["POSITION"] = position;
			primitive.indices = addAccessor(TRIANGLES, append(TRIANGLES, part.Triangles.data(), part.Triangles.size() * 2, 2),
				TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_SCALAR, part.Triangles.size());
			primitive.material = material(stroke.Color);
			primitive.mode = TINYGLTF_MODE_TRIANGLES;
			mesh.primitives.push_back(primitive);
		}
		Model.meshes.push_back(mesh);
		node.mesh = (int)Model.meshes.size() - 1;
		return addNode(stroke, node);
	}

	//! The stroke's node with the program's data, after its mesh; returns the node's index.
	int addNode(const DocumentStroke& stroke, tinygltf::Node& node)
	{
		// The program's own copy of the path, in the stroke's space, unmirrored.
		const size_t pointBytes = stroke.Points.size() * sizeof(vector3df);
		tinygltf::Value::Object data;
		data["points"] = tinygltf::Value(addAccessor(POINTS, append(POINTS, stroke.Points.data(), pointBytes, 4),
			TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, stroke.Points.size()));
		// Beside the accessor's number, what it holds: a program that rewrites the file may
		// renumber the accessors, and the reader then finds the points by these.
		data["pointsCount"] = tinygltf::Value((int)stroke.Points.size());
		data["pointsChecksum"] = tinygltf::Value(
			formatChecksum(fnv1a(reinterpret_cast<const unsigned char*>(stroke.Points.data()), pointBytes)));
		// A mouse stroke's pressures are all 1: they are not written.
		if (std::any_of(stroke.Pressures.begin(), stroke.Pressures.end(), [](f32 p) { return p != 1.f; }))
		{
			const size_t bytes = stroke.Pressures.size() * sizeof(f32);
			data["pressures"] = tinygltf::Value(addAccessor(PRESSURES, append(PRESSURES, stroke.Pressures.data(), bytes, 4),
				TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, stroke.Pressures.size()));
			data["pressuresCount"] = tinygltf::Value((int)stroke.Pressures.size());
			data["pressuresChecksum"] = tinygltf::Value(
				formatChecksum(fnv1a(reinterpret_cast<const unsigned char*>(stroke.Pressures.data()), bytes)));
		}
		data["radius"] = number(stroke.Radius);
		data["thickness"] = number(stroke.Thickness);
		data["viewDirection"] = vectorValue(stroke.ViewDirection);
		data["color"] = colorValue(stroke.Color);
		// A stroke as drawn has none: files of drawings that were never reshaped stay as they were.
		if (!stroke.Placement.isIdentity())
		{
			tinygltf::Value::Array placement;
			for (int i = 0; i < 16; ++i)
			{
				placement.push_back(number(stroke.Placement[i]));
				node.matrix.push_back(mirroredElement(stroke.Placement, i));
			}
			data["placement"] = tinygltf::Value(std::move(placement));
		}
		tinygltf::Value::Object extras;
		extras[EXTRAS_KEY] = tinygltf::Value(std::move(data));
		node.extras = tinygltf::Value(std::move(extras));
		Model.nodes.push_back(node);
		return (int)Model.nodes.size() - 1;
	}

	//! Makes room for the data of these strokes and meshes at once.
	void reserve(const std::vector<DocumentStroke>& strokes, const std::vector<ViewerMesh>& meshes)
	{
		size_t bytes[DATA_KINDS] = {0, 0, 0, 0};
		for (size_t i = 0; i < strokes.size(); ++i)
		{
			bytes[POSITIONS] += meshes[i].Positions.size() * sizeof(vector3df);
			for (const ViewerMesh::Part& part : meshes[i].Parts)
				bytes[TRIANGLES] += part.Triangles.size() * 2 + 2;
			bytes[POINTS] += strokes[i].Points.size() * sizeof(vector3df);
			bytes[PRESSURES] += strokes[i].Pressures.size() * sizeof(f32);
		}
		for (int kind = 0; kind < DATA_KINDS; ++kind)
			Data[kind].reserve(bytes[kind]);
	}

	//! Bytes of binary data so far.
	size_t dataSize() const
	{
		size_t n = 0;
		for (const std::vector<unsigned char>& d : Data)
			n += d.size();
		return n;
	}

	//! Lays the data out in the one buffer, a view for each kind there is, and points the
	//! accessors at them. An empty drawing has no buffer (one of length 0 is not allowed).
	void finishData()
	{
		if (dataSize() == 0)
			return;
		Model.buffers.resize(1);
		std::vector<unsigned char>& buffer = Model.buffers[0].data;
		buffer.reserve(dataSize());
		int views[DATA_KINDS];
		for (int kind = 0; kind < DATA_KINDS; ++kind)
		{
			views[kind] = -1;
			if (Data[kind].empty())
				continue;
			tinygltf::BufferView view;
			view.buffer = 0;
			view.byteOffset = buffer.size();
			view.byteLength = Data[kind].size();
			view.byteStride = kind == POSITIONS ? sizeof(vector3df) : 0;
			view.target = kind == POSITIONS ? ARRAY_BUFFER : kind == TRIANGLES ? ELEMENT_ARRAY_BUFFER : 0;
			buffer.insert(buffer.end(), Data[kind].begin(), Data[kind].end());
			buffer.resize((buffer.size() + 3) & ~(size_t)3, 0);
			std::vector<unsigned char>().swap(Data[kind]);
			Model.bufferViews.push_back(view);
			views[kind] = (int)Model.bufferViews.size() - 1;
		}
		for (tinygltf::Accessor& accessor : Model.accessors)
			accessor.bufferView = views[accessor.bufferView];
	}

	tinygltf::Model Model;

private:
	//! Appends bytes of a kind, aligned to align; returns their offset among that kind's.
	size_t append(DataKind kind, const void* bytes, size_t n, size_t align)
	{
		std::vector<unsigned char>& d = Data[kind];
		d.resize((d.size() + align - 1) / align * align, 0);
		const size_t at = d.size();
		const unsigned char* p = static_cast<const unsigned char*>(bytes);
		d.insert(d.end(), p, p + n);
		return at;
	}

	//! An accessor into the data of kind (its view is set by finishData).
	int addAccessor(DataKind kind, size_t byteOffset, int componentType, int type, size_t count)
	{
		tinygltf::Accessor accessor;
		accessor.bufferView = kind;
		accessor.byteOffset = byteOffset;
		accessor.componentType = componentType;
		accessor.type = type;
		accessor.count = count;
		Model.accessors.push_back(accessor);
		return (int)Model.accessors.size() - 1;
	}

	//! The material of a colour: the colour itself, linear, as the base colour of an unlit
	//! material; translucent ones blend. One per colour in the drawing.
	int material(u32 argb)
	{
		const auto known = Materials.find(argb);
		if (known != Materials.end())
			return known->second;
		const video::SColor color(argb);
		tinygltf::Material m;
		m.name = "stroke #" + hexadecimal(argb, 6);
		if (color.getAlpha() < 255)
			m.name = "translucent " + m.name + " alpha " + std::to_string(color.getAlpha());
		m.pbrMetallicRoughness.baseColorFactor = {srgbToLinear(color.getRed()), srgbToLinear(color.getGreen()),
			srgbToLinear(color.getBlue()), color.getAlpha() / 255.0};
		m.pbrMetallicRoughness.metallicFactor = 0.0;
		m.pbrMetallicRoughness.roughnessFactor = 1.0;
		m.alphaMode = color.getAlpha() < 255 ? "BLEND" : "OPAQUE";
		m.extensions[UNLIT] = tinygltf::Value(tinygltf::Value::Object());
		Model.materials.push_back(m);
		const int index = (int)Model.materials.size() - 1;
		Materials[argb] = index;
		return index;
	}

	std::vector<unsigned char> Data[DATA_KINDS];
	std::map<u32, int> Materials;
};

// ---------------------------------------------------------------------------------------
// Reading. Every check names the field it found wrong; nothing is kept from a bad file.

//! The member key of v, or a null value when v is no object or has no such member
//! (tinygltf's own lookup insists on an object).
const tinygltf::Value& member(const tinygltf::Value& v, const char* key)
{
	static const tinygltf::Value missing;
	return v.Has(key) ? v.Get(key) : missing;
}

uint32_t littleEndianWord(const unsigned char* p)
{
	return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

const char* const NOT_GLB = "it is not a readable glTF binary file: ";

//! The 12-byte GLB header against the size of the whole file.
bool checkHeader(const unsigned char* header, uint64_t fileSize, std::string& error)
{
	if (littleEndianWord(header) != GLB_MAGIC)
	{
		error = std::string(NOT_GLB) + "it does not begin with \"glTF\"";
		return false;
	}
	if (littleEndianWord(header + 4) != 2)
	{
		error = std::string(NOT_GLB) + "its container version is " + std::to_string(littleEndianWord(header + 4))
			+ ", not 2";
		return false;
	}
	if (littleEndianWord(header + 8) != fileSize)
	{
		error = std::string(NOT_GLB) + "its header gives a length of " + std::to_string(littleEndianWord(header + 8))
			+ " bytes, the file has " + std::to_string(fileSize) + " (cut short or damaged)";
		return false;
	}
	return true;
}

//! The container before any parser sees it: header, then a JSON chunk, an optional BIN chunk
//! and any further chunks, each with its 8-byte header and its data inside the data given.
bool checkContainer(const unsigned char* data, size_t size, size_t& jsonLength, std::string& error)
{
	if (size < 12)
	{
		error = std::string(NOT_GLB) + "it is shorter than a glTF binary header";
		return false;
	}
	if (!checkHeader(data, size, error))
		return false;
	size_t at = 12;
	for (int chunk = 0; at < size; ++chunk)
	{
		if (size - at < 8)
		{
			error = std::string(NOT_GLB) + "chunk " + std::to_string(chunk + 1) + " is cut short in its header";
			return false;
		}
		const uint32_t length = littleEndianWord(data + at), type = littleEndianWord(data + at + 4);
		if (length > size - at - 8)
		{
			error = std::string(NOT_GLB) + "chunk " + std::to_string(chunk + 1) + " claims " + std::to_string(length)
				+ " bytes, more than the file holds after it";
			return false;
		}
		if (chunk == 0 && (type != CHUNK_JSON || length == 0))
		{
			error = std::string(NOT_GLB) + "it does not begin with a JSON chunk";
			return false;
		}
		if (chunk == 1 && type != CHUNK_BIN)
		{
			error = std::string(NOT_GLB) + "its second chunk is not the binary chunk";
			return false;
		}
		if (chunk == 1 && (length < 4 || length % 4 != 0))
		{
			error = std::string(NOT_GLB) + "its binary chunk's length is not a multiple of 4 bytes";
			return false;
		}
		if (chunk == 0)
			jsonLength = length;
		at += 8 + (size_t)length;
	}
	if (at == 12)
	{
		error = std::string(NOT_GLB) + "it holds no JSON chunk";
		return false;
	}
	return true;
}

//! What the JSON asks of the reader, before tinygltf reads it: nesting within
//! MAX_JSON_DEPTH, no extension the reader lacks, and all data in the file's binary chunk.
//! One pass over the text finds the document's members; only the two looked at here are
//! parsed (tinygltf parses the whole document once, after).
bool checkJson(const char* text, size_t length, std::string& error)
{
	int depth = 0;
	bool inString = false, escaped = false, expectName = false, pending = false;
	size_t stringStart = 0, valueStart = 0;
	std::string name;
	// Where each member's value lies in the text, by name; the last of a name counts, as
	// with a JSON reader.
	std::map<std::string, std::pair<size_t, size_t>> members;
	for (size_t i = 0; i < length; ++i)
	{
		const char c = text[i];
		if (inString)
		{
			if (c == '\\')
			{
				escaped = true;
				++i;
			}
			else if (c == '"')
			{
				inString = false;
				if (depth == 1 && expectName)
				{
					// Escapes decoded as a JSON reader decodes them.
					const nlohmann::json decoded = escaped
						? nlohmann::json::parse(text + stringStart, text + i + 1, nullptr, false)
						: nlohmann::json(std::string(text + stringStart + 1, i - stringStart - 1));
					name = decoded.is_string() ? decoded.get<std::string>() : std::string();
					expectName = false;
				}
			}
		}
		else if (c == '"')
		{
			inString = true;
			escaped = false;
			stringStart = i;
		}
		else if (c == '[' || c == '{')
		{
			if (++depth > MAX_JSON_DEPTH)
			{
				error = "its JSON is nested more than " + std::to_string(MAX_JSON_DEPTH) + " levels deep";
				return false;
			}
			expectName = depth == 1;
		}
		else if (depth == 1 && c == ':')
		{
			valueStart = i + 1;
			pending = true;
		}
		else if (depth == 1 && c == ',' && pending)
		{
			members[name] = std::make_pair(valueStart, i);
			pending = false;
			expectName = true;
		}
		else if (c == ']' || c == '}')
		{
			if (depth-- == 1 && pending)
			{
				members[name] = std::make_pair(valueStart, i);
				pending = false;
			}
		}
	}
	size_t first = 0;
	while (first < length && std::isspace((unsigned char)text[first]))
		++first;
	if (first == length || text[first] != '{' || depth != 0 || inString)
	{
		error = std::string(NOT_GLB) + "its JSON chunk is not a JSON object";
		return false;
	}
	auto member = [&](const char* wanted) {
		const auto span = members.find(wanted);
		return span == members.end() ? nlohmann::json()
			: nlohmann::json::parse(text + span->second.first, text + span->second.second, nullptr, false);
	};
	const nlohmann::json required = member("extensionsRequired");
	if (required.is_array())
		for (const nlohmann::json& name : required)
		{
			if (!name.is_string() || name.get<std::string>() == UNLIT)
				continue;
			const std::string extension = name.get<std::string>();
			bool compression = false;
			for (const char* known : COMPRESSIONS)
				compression = compression || extension == known;
			error = "it needs the glTF extension " + extension + (compression ? " (data compressed by another program)" : "")
				+ ", which Vantrel does not read";
			return false;
		}
	const nlohmann::json buffers = member("buffers");
	if (buffers.is_array())
	{
		if (buffers.size() > 1)
		{
			error = "it has " + std::to_string(buffers.size()) + " buffers; a Vantrel file keeps all its data in one, "
				"the file's binary chunk";
			return false;
		}
		for (const nlohmann::json& buffer : buffers)
			if (buffer.is_object() && buffer.contains("uri"))
			{
				error = "its buffer refers to data outside the file; Vantrel reads only what the file itself holds";
				return false;
			}
	}
	return true;
}

bool parseChecksum(const std::string& text, uint64_t& sum)
{
	if (text.size() != 16)
		return false;
	sum = 0;
	for (char c : text)
	{
		const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
		if (digit < 0)
			return false;
		sum = sum << 4 | (uint64_t)digit;
	}
	return true;
}

// File-system callbacks for tinygltf that refuse everything: a drawing file never makes the
// program open another file. user_data is a counter of the requests of one read.
std::string keepPath(const std::string& path, void*)
{
	return path;
}

bool refuseExists(const std::string&, void* requests)
{
	++*static_cast<size_t*>(requests);
	++FileRequests;
	return false;
}

bool refuseRead(std::vector<unsigned char>*, std::string*, const std::string&, void* requests)
{
	++*static_cast<size_t*>(requests);
	++FileRequests;
	return false;
}

bool refuseWrite(std::string*, const std::string&, const std::vector<unsigned char>&, void* requests)
{
	++*static_cast<size_t*>(requests);
	++FileRequests;
	return false;
}

struct Reader
{
	explicit Reader(const tinygltf::Model& model) : Model(model) {}

	const tinygltf::Model& Model;
	std::string Error;
	//! Points read so far, over all strokes.
	size_t Points = 0;
	//! The file's format version.
	int Version = 0;
	//! The byte ranges of the data read so far in the buffer: start -> (end, stroke number).
	std::map<size_t, std::pair<size_t, size_t>> PointRanges;
	//! Checksums of accessors, by index, and how many more bytes may be hashed.
	std::map<size_t, uint64_t> Checksums;
	size_t HashBudget = 0;
	//! Accessors by (type, count, checksum), made when a stroke's named accessor does not hold
	//! its data (another program renumbered them).
	std::multimap<std::tuple<int, size_t, uint64_t>, size_t> Index;
	bool Indexed = false;

	bool fail(const std::string& what)
	{
		if (Error.empty())
			Error = what;
		return false;
	}

	bool readNumber(const tinygltf::Value& v, const std::string& what, f32& out)
	{
		if (!v.IsNumber())
			return fail(what + " is missing or not a number");
		const f64 d = v.GetNumberAsDouble();
		if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<f32>::max())
			return fail(what + " is not a finite number");
		out = (f32)d;
		return true;
	}

	bool readVector(const tinygltf::Value& v, const std::string& what, vector3df& out)
	{
		if (!v.IsArray() || v.ArrayLen() != 3)
			return fail(what + " is not a list of three numbers");
		return readNumber(v.Get(0), what, out.X) && readNumber(v.Get(1), what, out.Y) && readNumber(v.Get(2), what, out.Z);
	}

	bool readColor(const tinygltf::Value& v, const std::string& what, u32& out)
	{
		if (!v.IsArray() || v.ArrayLen() != 4)
			return fail(what + " is not a list of four numbers (alpha, red, green, blue)");
		u32 argb = 0;
		for (int i = 0; i < 4; ++i)
		{
			const tinygltf::Value& c = v.Get(i);
			if (!c.IsInt() || c.GetNumberAsInt() < 0 || c.GetNumberAsInt() > 255)
				return fail(what + " has a channel that is not a whole number from 0 to 255");
			argb = (argb << 8) | (u32)c.GetNumberAsInt();
		}
		out = argb;
		return true;
	}

	//! Whether no stroke has claimed any of bytes [start, end) of the buffer; else the stroke
	//! that has, in owner.
	bool rangeFree(size_t start, size_t end, size_t& owner) const
	{
		auto next = PointRanges.lower_bound(start);
		if (next != PointRanges.end() && next->first < end)
			owner = next->second.second;
		else if (next != PointRanges.begin() && std::prev(next)->second.first > start)
			owner = std::prev(next)->second.second;
		else
			return true;
		return false;
	}

	//! Where the packed 32-bit floats of accessor index lie in the buffer: type is
	//! TINYGLTF_TYPE_VEC3 (12 bytes an element) or TINYGLTF_TYPE_SCALAR (4 bytes). Says in why
	//! what is wrong with it.
	bool locate(size_t index, int type, size_t& start, size_t& count, std::string& why) const
	{
		const size_t size = elementSize(type);
		const tinygltf::Accessor& a = Model.accessors[index];
		if (a.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT || a.type != type || a.sparse.isSparse)
		{
			why = type == TINYGLTF_TYPE_VEC3 ? " is not an accessor of three 32-bit floats" : " is not an accessor of 32-bit floats";
			return false;
		}
		if (a.bufferView < 0 || (size_t)a.bufferView >= Model.bufferViews.size())
		{
			why = ": the accessor has no buffer view";
			return false;
		}
		const tinygltf::BufferView& view = Model.bufferViews[(size_t)a.bufferView];
		if (view.buffer < 0 || (size_t)view.buffer >= Model.buffers.size())
		{
			why = ": the buffer view names no buffer";
			return false;
		}
		const size_t bufferSize = Model.buffers[(size_t)view.buffer].data.size();
		if (view.byteStride != 0 && view.byteStride != size)
		{
			why = ": the data are not packed (byteStride " + std::to_string(view.byteStride) + ")";
			return false;
		}
		// Sizes are checked without overflow: a count can be any number the file claims.
		if (view.byteOffset > bufferSize || view.byteLength > bufferSize - view.byteOffset)
		{
			why = ": the buffer view lies outside the binary data";
			return false;
		}
		if (a.byteOffset > view.byteLength || a.count > (view.byteLength - a.byteOffset) / size)
		{
			why = ": the accessor claims " + std::to_string(a.count) + " values, more than its data holds";
			return false;
		}
		// The one buffer there is (checkJson) is the binary chunk.
		start = view.byteOffset + a.byteOffset;
		count = a.count;
		return true;
	}

	//! FNV-1a (64 bits) of the accessor's bytes, each accessor's hashed once. Reading as a
	//! whole hashes at most twice the buffer's size: many accessors over the same bytes would
	//! otherwise make a small file take any amount of time.
	bool checksumOf(size_t index, size_t start, size_t bytes, uint64_t& sum)
	{
		auto known = Checksums.find(index);
		if (known != Checksums.end())
		{
			sum = known->second;
			return true;
		}
		if (bytes > HashBudget)
			return false;
		HashBudget -= bytes;
		sum = fnv1a(Model.buffers[0].data.data() + start, bytes);
		Checksums[index] = sum;
		return true;
	}

	static size_t elementSize(int type)
	{
		return type == TINYGLTF_TYPE_VEC3 ? 12 : 4;
	}

	//! Indexes every accessor of packed 32-bit floats (VEC3 or SCALAR) by what it holds, as far
	//! as the hashing budget goes.
	void buildIndex()
	{
		Indexed = true;
		for (size_t i = 0; i < Model.accessors.size(); ++i)
			for (int type : {TINYGLTF_TYPE_VEC3, TINYGLTF_TYPE_SCALAR})
			{
				std::string ignored;
				size_t at = 0, n = 0;
				uint64_t sum = 0;
				if (locate(i, type, at, n, ignored) && checksumOf(i, at, n * elementSize(type), sum))
					Index.emplace(std::make_tuple(type, n, sum), i);
			}
	}

	//! The data of one stroke member (points or pressures) found and claimed for stroke number:
	//! in version 1 the accessor key names; in version 2 the accessor whose count and checksum
	//! are the ones kept beside it, which is the named one unless another program renumbered
	//! the accessors. Fails when no accessor has them.
	bool findData(const tinygltf::Value& data, const std::string& key, int type, size_t number, const std::string& what,
		size_t& start, size_t& count)
	{
		const tinygltf::Value& named = member(data, key.c_str());
		if (!named.IsInt() || named.GetNumberAsInt() < 0 || (size_t)named.GetNumberAsInt() >= Model.accessors.size())
			return fail(what + " does not name an accessor of the file");
		std::string why;
		const bool located = locate((size_t)named.GetNumberAsInt(), type, start, count, why);
		if (Version >= 2)
		{
			const tinygltf::Value& wantedCount = member(data, (key + "Count").c_str());
			const tinygltf::Value& wantedSum = member(data, (key + "Checksum").c_str());
			uint64_t sum = 0;
			if (!wantedCount.IsInt() || wantedCount.GetNumberAsInt() < 0 || !wantedSum.IsString()
				|| !parseChecksum(wantedSum.Get<std::string>(), sum))
				return fail(what + ": " + key + "Count or " + key + "Checksum is missing or malformed");
			const size_t size = elementSize(type);
			const size_t wanted = (size_t)wantedCount.GetNumberAsInt();
			uint64_t actual = 0;
			if (!located || count != wanted || !checksumOf((size_t)named.GetNumberAsInt(), start, count * size, actual)
				|| actual != sum)
			{
				// Among equal copies, one that no stroke has taken yet; an entry that overlaps data
				// taken never becomes free again, so it goes, and each entry is looked at once.
				if (!Indexed)
					buildIndex();
				bool found = false;
				for (auto it = Index.find(std::make_tuple(type, wanted, sum)); !found && it != Index.end()
					&& it->first == std::make_tuple(type, wanted, sum);)
				{
					std::string ignored;
					size_t owner = 0;
					found = locate(it->second, type, start, count, ignored) && rangeFree(start, start + count * size, owner);
					if (!found)
						it = Index.erase(it);
				}
				if (!found)
					return fail(what + (located ? " do not match the count and checksum kept beside them" : why)
						+ ", and no other accessor holds them: the file was changed by another program, or damaged");
			}
		}
		else if (!located)
			return fail(what + why);
		size_t owner = 0;
		const size_t bytes = count * elementSize(type);
		if (!rangeFree(start, start + bytes, owner))
			return fail(what + " share their data with stroke " + std::to_string(owner));
		PointRanges[start] = std::make_pair(start + bytes, number);
		return true;
	}

	bool readPoints(const tinygltf::Value& data, size_t number, const std::string& what, std::vector<vector3df>& out)
	{
		size_t start = 0, count = 0;
		if (!findData(data, "points", TINYGLTF_TYPE_VEC3, number, what, start, count))
			return false;
		if (count < 2)
			return fail(what + " holds fewer than two points");
		if (count > MAX_POINTS - Points)
			return fail("the drawing has more than " + std::to_string(MAX_POINTS) + " points, more than Vantrel opens");
		Points += count;
		const unsigned char* bytes = Model.buffers[0].data.data() + start;
		out.resize(count);
		for (size_t i = 0; i < out.size(); ++i)
		{
			f32 c[3];
			std::memcpy(c, bytes + i * 12, 12);
			if (!std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2]))
				return fail(what + ": point " + std::to_string(i + 1) + " is not finite");
			out[i].set(c[0], c[1], c[2]);
		}
		return true;
	}

	//! A pen stroke's pressures (version 2): one for each point, 0 to 1. All of them 1 is a
	//! mouse stroke, kept as no pressures at all, as the writer would have written it.
	bool readPressures(const tinygltf::Value& data, size_t number, const std::string& what, size_t points,
		std::vector<f32>& out)
	{
		size_t start = 0, count = 0;
		if (!findData(data, "pressures", TINYGLTF_TYPE_SCALAR, number, what, start, count))
			return false;
		if (count != points)
			return fail(what + ": " + std::to_string(count) + " pressures for " + std::to_string(points) + " points");
		out.resize(count);
		std::memcpy(out.data(), Model.buffers[0].data.data() + start, count * sizeof(f32));
		for (size_t i = 0; i < count; ++i)
			if (!(out[i] >= 0.f && out[i] <= 1.f))
				return fail(what + ": pressure " + std::to_string(i + 1) + " is not a number from 0 to 1");
		if (std::all_of(out.begin(), out.end(), [](f32 p) { return p == 1.f; }))
			out.clear();
		return true;
	}

	bool readStroke(const tinygltf::Node& node, size_t number, DocumentStroke& stroke)
	{
		const std::string what = "stroke " + std::to_string(number);
		const tinygltf::Value& data = member(node.extras, EXTRAS_KEY);
		if (!data.IsObject())
			return fail(what + " carries no program data");
		if (!readPoints(data, number, what + " points", stroke.Points)
			|| !readNumber(member(data, "radius"), what + " radius", stroke.Radius)
			|| !readNumber(member(data, "thickness"), what + " thickness", stroke.Thickness)
			|| !readVector(member(data, "viewDirection"), what + " viewDirection", stroke.ViewDirection)
			|| !readColor(member(data, "color"), what + " color", stroke.Color))
			return false;
		if (stroke.Radius <= 0.f || stroke.Thickness <= 0.f)
			return fail(what + ": radius and thickness must be above 0");
		if (Version >= 2 && data.Has("pressures")
			&& !readPressures(data, number, what + " pressures", stroke.Points.size(), stroke.Pressures))
			return false;
		const tinygltf::Value& placement = member(data, "placement");
		return placement.Type() == tinygltf::NULL_TYPE || readPlacement(placement, what + " placement", stroke.Placement);
	}

	//! A placement turns, scales evenly and moves: anything else (a singular matrix above all,
	//! which flattens the stroke to nothing) is no placement the program makes.
	bool readPlacement(const tinygltf::Value& v, const std::string& what, core::matrix4& out)
	{
		if (!v.IsArray() || v.ArrayLen() != 16)
			return fail(what + " is not a list of 16 numbers");
		core::matrix4 m;
		for (int i = 0; i < 16; ++i)
			if (!readNumber(v.Get(i), what, m[i]))
				return false;
		if (m[3] != 0.f || m[7] != 0.f || m[11] != 0.f || m[15] != 1.f)
			return fail(what + " is not an affine transformation (its last row is not 0 0 0 1)");
		const vector3df x(m[0], m[1], m[2]), y(m[4], m[5], m[6]), z(m[8], m[9], m[10]);
		const f64 scale = x.getLength();
		const f64 tolerance = 1e-3 * scale * scale;
		if (!(x.crossProduct(y).dotProduct(z) > 0.f) || scale < 1e-6)
			return fail(what + " is singular or mirrors the stroke");
		if (std::fabs(x.dotProduct(y)) > tolerance || std::fabs(y.dotProduct(z)) > tolerance
			|| std::fabs(z.dotProduct(x)) > tolerance || std::fabs(y.getLengthSQ() - scale * scale) > tolerance
			|| std::fabs(z.getLengthSQ() - scale * scale) > tolerance)
			return fail(what + " is not a turn, an even scale and a move");
		out = m;
		return true;
	}

	bool read(Document& out)
	{
		if (Model.scenes.empty())
			return fail("the file holds no scene");
		const size_t sceneIndex = Model.defaultScene >= 0 && (size_t)Model.defaultScene < Model.scenes.size()
			? (size_t)Model.defaultScene : 0;
		const tinygltf::Value& data = member(Model.scenes[sceneIndex].extras, EXTRAS_KEY);
		if (!data.IsObject())
			return fail("it holds no Vantrel drawing (no program data; made by another program?)");
		const tinygltf::Value& version = member(data, "version");
		if (!version.IsInt() || version.GetNumberAsInt() < 1)
			return fail("its format version is missing or not a whole number above 0");
		if (version.GetNumberAsInt() > DOCUMENT_FORMAT_VERSION)
			return fail("it was written by a newer Vantrel (file format version " + std::to_string(version.GetNumberAsInt())
				+ "; this program reads up to version " + std::to_string(DOCUMENT_FORMAT_VERSION) + ")");

		Version = version.GetNumberAsInt();
		HashBudget = Model.buffers.empty() ? 0 : 2 * Model.buffers[0].data.size();

		Document d;
		const tinygltf::Value& camera = member(data, "camera");
		const tinygltf::Value& brush = member(data, "brush");
		if (!readVector(member(camera, "position"), "camera position", d.CameraPosition)
			|| !readVector(member(camera, "target"), "camera target", d.CameraTarget)
			|| !readVector(member(camera, "up"), "camera up", d.CameraUp)
			|| !readNumber(member(camera, "orbitYaw"), "camera orbitYaw", d.OrbitYaw)
			|| !readNumber(member(camera, "orbitPitch"), "camera orbitPitch", d.OrbitPitch)
			|| !readVector(member(data, "anchor"), "anchor", d.AnchorPosition)
			|| !readColor(member(data, "backdrop"), "backdrop", d.BackdropColor)
			|| !readColor(member(brush, "color"), "brush color", d.BrushColor)
			|| !readNumber(member(brush, "radius"), "brush radius", d.BrushRadius)
			|| !readNumber(member(brush, "thickness"), "brush thickness", d.BrushThickness))
			return false;
		const tinygltf::Value& kind = member(brush, "kind");
		if (!kind.IsInt() || kind.GetNumberAsInt() < 0 || kind.GetNumberAsInt() > 1)
			return fail("brush kind is not 0 (round) or 1 (erase)");
		d.BrushKind = kind.GetNumberAsInt();
		const tinygltf::Value& twist = member(data, "twist");
		if (!twist.IsArray() || twist.ArrayLen() != 16)
			return fail("twist is not a list of 16 numbers");
		for (int i = 0; i < 16; ++i)
			if (!readNumber(twist.Get(i), "twist", d.DrawingTransform[i]))
				return false;

		const tinygltf::Value& drawing = member(data, "drawing");
		if (!drawing.IsInt() || drawing.GetNumberAsInt() < 0 || (size_t)drawing.GetNumberAsInt() >= Model.nodes.size())
			return fail("drawing does not name a node of the file");
		const std::vector<int>& roots = Model.scenes[sceneIndex].nodes;
		if (Version >= 2 && std::find(roots.begin(), roots.end(), drawing.GetNumberAsInt()) == roots.end())
			return fail("drawing does not name a node of the scene: the file was changed by another program");
		const std::vector<int>& children = Model.nodes[(size_t)drawing.GetNumberAsInt()].children;
		d.Strokes.resize(children.size());
		std::set<int> listed;
		for (size_t i = 0; i < children.size(); ++i)
		{
			if (children[i] < 0 || (size_t)children[i] >= Model.nodes.size())
				return fail("stroke " + std::to_string(i + 1) + " names no node of the file");
			if (!listed.insert(children[i]).second)
				return fail("stroke " + std::to_string(i + 1) + " is a node listed before");
			if (!readStroke(Model.nodes[(size_t)children[i]], i + 1, d.Strokes[i]))
				return false;
		}
		out = std::move(d);
		return true;
	}
};

std::string trimmed(std::string s)
{
	while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
		s.pop_back();
	for (char& c : s)
		if (c == '\n')
			c = ' ';
	return s;
}

//! A stream buffer that writes straight to a C file, so the data need not be held twice.
class FileOutBuffer : public std::streambuf
{
public:
	explicit FileOutBuffer(std::FILE* file) : File(file) {}

protected:
	int_type overflow(int_type c) override
	{
		if (c == traits_type::eof())
			return traits_type::not_eof(c);
		return std::fputc(c, File) == EOF ? traits_type::eof() : c;
	}
	std::streamsize xsputn(const char* s, std::streamsize n) override
	{
		return (std::streamsize)std::fwrite(s, 1, (size_t)n, File);
	}

private:
	std::FILE* File;
};

std::string systemError()
{
	return std::strerror(errno);
}

//! The strokes' viewer meshes, which take most of a save's time: a big drawing's on two threads.
std::vector<ViewerMesh> buildViewerMeshes(const std::vector<DocumentStroke>& strokes)
{
	std::vector<ViewerMesh> meshes(strokes.size());
	auto build = [&](size_t from, size_t to) {
		for (size_t i = from; i < to; ++i)
			meshes[i] = buildViewerMesh(strokes[i], 65535);
	};
	forStrokesOnTwoThreads(strokes, 2000, build);
	return meshes;
}

} // namespace

bool writeGlb(const Document& drawing, std::ostream& out, std::string& error)
{
	for (size_t i = 0; i < drawing.Strokes.size(); ++i)
	{
		const DocumentStroke& stroke = drawing.Strokes[i];
		if (!stroke.Pressures.empty() && stroke.Pressures.size() != stroke.Points.size())
		{
			error = "stroke " + std::to_string(i + 1) + " has " + std::to_string(stroke.Pressures.size())
				+ " pressures for " + std::to_string(stroke.Points.size()) + " points";
			return false;
		}
	}
	const std::vector<ViewerMesh> meshes = buildViewerMeshes(drawing.Strokes);
	ModelBuilder builder;
	tinygltf::Model& model = builder.Model;
	builder.reserve(drawing.Strokes, meshes);

	tinygltf::Node root;
	root.name = "drawing";
	setDrawingTransform(root, drawing.DrawingTransform);
	for (size_t i = 0; i < drawing.Strokes.size(); ++i)
	{
		root.children.push_back(builder.addStroke(drawing.Strokes[i], meshes[i], i + 1));
		if (builder.dataSize() > MAX_BINARY_SIZE)
		{
			error = "the drawing is too large for one glTF binary file (4 GB)";
			return false;
		}
	}
	builder.finishData();
	if (!model.materials.empty())
		model.extensionsUsed = {UNLIT};
	model.nodes.push_back(root);
	const int rootIndex = (int)model.nodes.size() - 1;
	addCamera(model, drawing);
	const int cameraIndex = (int)model.nodes.size() - 1;

	tinygltf::Value::Object camera;
	camera["position"] = vectorValue(drawing.CameraPosition);
	camera["target"] = vectorValue(drawing.CameraTarget);
	camera["up"] = vectorValue(drawing.CameraUp);
	camera["orbitYaw"] = number(drawing.OrbitYaw);
	camera["orbitPitch"] = number(drawing.OrbitPitch);
	tinygltf::Value::Object brush;
	brush["color"] = colorValue(drawing.BrushColor);
	brush["radius"] = number(drawing.BrushRadius);
	brush["thickness"] = number(drawing.BrushThickness);
	brush["kind"] = tinygltf::Value(drawing.BrushKind);
	tinygltf::Value::Array twist;
	for (int i = 0; i < 16; ++i)
		twist.push_back(number(drawing.DrawingTransform[i]));

	tinygltf::Value::Object data;
	data["version"] = tinygltf::Value(DOCUMENT_FORMAT_VERSION);
	data["drawing"] = tinygltf::Value(rootIndex);
	data["camera"] = tinygltf::Value(std::move(camera));
	data["twist"] = tinygltf::Value(std::move(twist));
	data["anchor"] = vectorValue(drawing.AnchorPosition);
	data["backdrop"] = colorValue(drawing.BackdropColor);
	data["brush"] = tinygltf::Value(std::move(brush));
	tinygltf::Value::Object extras;
	extras[EXTRAS_KEY] = tinygltf::Value(std::move(data));
	// The backdrop for viewers: linear, as glTF's colours are.
	const video::SColor backdrop(drawing.BackdropColor);
	extras["background"] = tinygltf::Value(tinygltf::Value::Array{number(srgbToLinear(backdrop.getRed())),
		number(srgbToLinear(backdrop.getGreen())), number(srgbToLinear(backdrop.getBlue()))});

	tinygltf::Scene scene;
	scene.name = "Vantrel drawing";
	scene.nodes = {rootIndex, cameraIndex};
	scene.extras = tinygltf::Value(std::move(extras));
	model.scenes.push_back(scene);
	model.defaultScene = 0;

	tinygltf::TinyGLTF gltf;
	if (!gltf.WriteGltfSceneToStream(&model, out, false, true) || !out.good())
	{
		error = "writing failed";
		return false;
	}
	return true;
}

bool saveGlbFile(const Document& drawing, const std::string& path, std::string& error)
{
	std::error_code ec;
	if (std::filesystem::is_directory(path, ec))
	{
		error = path + " is a directory";
		return false;
	}
	// Unique per save, so two saves (or two programs) never share a temporary file, and never
	// opened through a link planted under its name.
	std::string temporary;
	std::FILE* file = platform::createUniqueFile(path, ".tmp", &temporary);
	if (!file)
	{
		error = "cannot create a file beside " + path + ": " + systemError();
		return false;
	}
	bool ok;
	{
		FileOutBuffer buffer(file);
		std::ostream out(&buffer);
		ok = writeGlb(drawing, out, error);
	}
	if (ok && (std::ferror(file) || !platform::syncFile(file)))
	{
		error = "cannot write beside " + path + ": " + systemError();
		ok = false;
	}
	if (std::fclose(file) != 0 && ok)
	{
		error = "cannot write beside " + path + ": " + systemError();
		ok = false;
	}
	if (ok && !platform::replaceFile(temporary.c_str(), path.c_str()))
	{
		error = "cannot put the new file in the place of " + path + ": " + systemError();
		ok = false;
	}
	if (!ok)
		std::remove(temporary.c_str());
	return ok;
}

bool readGlb(const unsigned char* data, size_t size, Document& drawing, std::string& error)
{
	// Nothing the reader or the allocator throws may end the program: a file is only refused.
	try
	{
		size_t jsonLength = 0;
		if (!checkContainer(data, size, jsonLength, error) || !checkJson((const char*)data + 20, jsonLength, error))
			return false;
		tinygltf::TinyGLTF gltf;
		size_t requests = 0;
		gltf.SetFsCallbacks(tinygltf::FsCallbacks{&refuseExists, &keepPath, &refuseRead, &refuseWrite, &requests});
		tinygltf::Model model;
		std::string err, warn;
		const bool parsed = gltf.LoadBinaryFromMemory(&model, &err, &warn, data, (unsigned int)size, "",
			tinygltf::REQUIRE_VERSION);
		if (requests != 0)
		{
			// tinygltf's message would name the path it looked for.
			error = "it refers to data outside the file; Vantrel reads only what the file itself holds";
			return false;
		}
		if (!parsed)
		{
			error = std::string(NOT_GLB) + trimmed(err.empty() ? "unknown reason" : err);
			return false;
		}
		Reader reader(model);
		if (!reader.read(drawing))
		{
			error = reader.Error;
			return false;
		}
		return true;
	}
	catch (const std::bad_alloc&)
	{
		error = "there is not enough memory to read it";
	}
	catch (const std::exception& e)
	{
		error = std::string("reading it failed (") + e.what() + ")";
	}
	return false;
}

size_t glbFileRequests()
{
	return FileRequests;
}

bool loadGlbFile(const std::string& path, Document& drawing, std::string& error)
{
	// Only a regular file is opened (a FIFO or a device could block or never end), and its
	// size and header are checked before the rest is read.
	std::error_code ec;
	const std::filesystem::file_status status = std::filesystem::status(path, ec);
	if (ec)
	{
		error = "cannot open " + path + ": " + ec.message();
		return false;
	}
	if (std::filesystem::is_directory(status))
	{
		error = "cannot open " + path + ": it is a directory";
		return false;
	}
	if (!std::filesystem::is_regular_file(status))
	{
		error = "cannot open " + path + ": it is not a regular file";
		return false;
	}
	const uintmax_t size = std::filesystem::file_size(path, ec);
	if (ec || size > std::numeric_limits<uint32_t>::max())
	{
		error = "cannot open " + path + ": " + (ec ? ec.message() : "it is larger than a glTF binary file can be (4 GB)");
		return false;
	}
	std::FILE* file = std::fopen(path.c_str(), "rb");
	if (!file)
	{
		error = "cannot open " + path + ": " + systemError();
		return false;
	}
	std::vector<unsigned char> bytes;
	bool read = false;
	try
	{
		bytes.resize(std::min<size_t>((size_t)size, 12));
		read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
		if (read && bytes.size() == 12 && !checkHeader(bytes.data(), size, error))
		{
			std::fclose(file);
			error = "cannot open " + path + ": " + error;
			return false;
		}
		if (read && size > 12)
		{
			bytes.resize((size_t)size);
			read = std::fread(bytes.data() + 12, 1, (size_t)size - 12, file) == (size_t)size - 12;
		}
	}
	catch (const std::bad_alloc&)
	{
		std::fclose(file);
		error = "cannot open " + path + ": there is not enough memory to read it";
		return false;
	}
	const bool failed = std::ferror(file) != 0;
	std::fclose(file);
	if (!read)
	{
		error = "cannot read " + path + ": " + (failed ? systemError() : "it changed while it was read");
		return false;
	}
	if (!readGlb(bytes.data(), bytes.size(), drawing, error))
	{
		error = "cannot open " + path + ": " + error;
		return false;
	}
	return true;
}
