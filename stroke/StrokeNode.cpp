// The stroke scene node: construction, engine overrides, colour, highlight, display modes,
// placement and selection. The mesh geometry itself is built in StrokeMesh.cpp.
#include "stroke/StrokeNode.h"
#include "stroke/StrokeIndex.h"

#include <vector>

using namespace irr;

//! Placements set so far in the run.
static u64 placements = 0;

StrokeNode::StrokeNode(scene::ISceneNode* parent, scene::ISceneManager* mgr)
	: scene::ISceneNode(parent, mgr, -1),
	  HighlightColor(0xFFC8C864), DepthRadius(5.f), Radius(5.f), Thickness(1.f), ViewDirection(0.f, 0.f, 0.f),
	  Mesh(new scene::SMesh()), BufferFirstBlock(0), NormalsFresh(false), PickIndex(nullptr), Finished(false), Selected(false)
{
	StrokeBuffer* buffer = new StrokeBuffer();
	buffer->Material.Lighting = false;
	buffer->Material.MaterialType = video::EMT_SOLID;
	Mesh->addMeshBuffer(buffer);
	buffer->drop(); // the mesh holds the only reference
	fillRingTemplate();
}

StrokeNode::~StrokeNode()
{
	delete PickIndex;
	Mesh->drop();
}

void StrokeNode::OnRegisterSceneNode()
{
	if (IsVisible)
		SceneManager->registerNodeForRendering(this, scene::ESNRP_AUTOMATIC);
	ISceneNode::OnRegisterSceneNode();
}

// The selection cage: the stroke's edges, lit by nothing but its own emissive colour, so
// that neither the vertex colours nor the light show, and pulled towards the camera so
// that the lines win over the faces they lie on.
static const video::SMaterial& cageMaterial()
{
	static const video::SMaterial cage = [] {
		video::SMaterial m;
		m.Wireframe = true;
		m.Lighting = true;
		m.ColorMaterial = video::ECM_NONE;
		m.AmbientColor = m.DiffuseColor = m.SpecularColor = video::SColor(255, 0, 0, 0);
		m.EmissiveColor = SELECTION_COLOR;
		m.PolygonOffsetFactor = 2;
		m.PolygonOffsetDirection = video::EPO_FRONT;
		return m;
	}();
	return cage;
}

void StrokeNode::render()
{
	video::IVideoDriver* driver = SceneManager->getVideoDriver();
	driver->setMaterial(getMaterial(0));
	driver->setTransform(video::ETS_WORLD, AbsoluteTransformation);
	for (u32 i = 0; i < Mesh->getMeshBufferCount(); ++i)
		driver->drawMeshBuffer(Mesh->getMeshBuffer(i));
	if (!Selected)
		return;
	driver->setMaterial(cageMaterial());
	for (u32 i = 0; i < Mesh->getMeshBufferCount(); ++i)
		driver->drawMeshBuffer(Mesh->getMeshBuffer(i));
}

const core::aabbox3d<f32>& StrokeNode::getBoundingBox() const
{
	return Mesh->getBoundingBox();
}

video::SMaterial& StrokeNode::getMaterial(u32)
{
	return Mesh->getMeshBuffer(0)->getMaterial();
}

u32 StrokeNode::getMaterialCount() const
{
	return 1;
}

core::matrix4 StrokeNode::getRelativeTransformation() const
{
	return Placement;
}

void StrokeNode::setPlacement(const core::matrix4& placement)
{
	Placement = placement;
	++placements;
	updateAbsolutePosition();
	// A scaled stroke's normals come out of the transformation scaled as well: the lit look
	// needs them made unit length again.
	const bool scaled = placement.getScale() != core::vector3df(1.f, 1.f, 1.f);
	for (u32 i = 0; i < Mesh->getMeshBufferCount(); ++i)
		Mesh->getMeshBuffer(i)->getMaterial().NormalizeNormals = scaled;
}

const core::matrix4& StrokeNode::getPlacement() const
{
	return Placement;
}

u64 StrokeNode::placementsSet()
{
	return placements;
}

void StrokeNode::setSelected(bool on)
{
	Selected = on;
}

bool StrokeNode::isSelected() const
{
	return Selected;
}

void StrokeNode::setColor(const video::SColor& c)
{
	Color = c;
	const video::E_MATERIAL_TYPE type =
		c.color >= 0xFF000000 ? video::EMT_SOLID : video::EMT_TRANSPARENT_VERTEX_ALPHA;
	for (u32 i = 0; i < Mesh->getMeshBufferCount(); ++i)
		Mesh->getMeshBuffer(i)->getMaterial().MaterialType = type;
}

video::SColor StrokeNode::getColor() const
{
	return Color;
}

void StrokeNode::setBrush(f32 radius, f32 thickness)
{
	Radius = radius;
	Thickness = thickness;
	DepthRadius = thickness * radius;
}

bool StrokeNode::hasSegments() const
{
	return Points.size() > 1;
}

void StrokeNode::setHighlighted(bool on)
{
	SceneManager->getMeshManipulator()->setVertexColors(Mesh, on ? HighlightColor : Color);
	// A finished stroke's vertices live on the graphics card: send them again.
	Mesh->setDirty(scene::EBT_VERTEX);
}

void StrokeNode::setDisplayMode(s32 mode)
{
	if (mode < 0 || mode > 2)
		return;
	// Normals depend on the geometry only: made once, at the first lit look after a change.
	if (mode == 1 && !NormalsFresh)
		computeFlatNormals();
	for (u32 i = 0; i < Mesh->getMeshBufferCount(); ++i)
	{
		video::SMaterial& material = Mesh->getMeshBuffer(i)->getMaterial();
		material.Wireframe = mode == 2;
		material.Lighting = mode == 1;
	}
}

void StrokeNode::flattenNormals(StrokeBuffer* buffer)
{
	// The mesh manipulator's flat normals (recalculateNormals, not smoothed): each triangle
	// in index order gives its three vertices its plane's normal, the last one to touch a
	// vertex wins. The same result walking the triangles backwards, where the first to touch
	// a vertex wins and a triangle whose vertices all have theirs is skipped: a block's own
	// triangles mostly are, as the bridges after it touch the same vertices.
	video::S3DVertex* vertices = buffer->Vertices.pointer();
	const u16* indices = buffer->Indices.const_pointer();
	const u32 count = buffer->Indices.size() - buffer->Indices.size() % 3;
	std::vector<bool> done(buffer->Vertices.size(), false);
	for (u32 j = count; j > 0; j -= 3)
	{
		const u16 a = indices[j - 3], b = indices[j - 2], c = indices[j - 1];
		if (done[a] && done[b] && done[c])
			continue;
		const core::vector3df normal = core::plane3df(vertices[a].Pos, vertices[b].Pos, vertices[c].Pos).Normal;
		for (u16 v : {a, b, c})
			if (!done[v])
			{
				vertices[v].Normal = normal;
				done[v] = true;
			}
	}
}

void StrokeNode::computeFlatNormals()
{
	// Every buffer but the current one got its normals when it was sealed.
	flattenNormals(currentBuffer());
	Mesh->setDirty(scene::EBT_VERTEX);
	NormalsFresh = true;
}

const StrokeIndex* StrokeNode::pickIndex() const
{
	// Most strokes of a drawing just opened are never picked: each gets its index when a
	// pick first comes near it.
	if (Finished && !PickIndex)
		PickIndex = new StrokeIndex(Mesh);
	return PickIndex;
}
