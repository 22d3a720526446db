#include "workspace/MirrorPlaneNode.h"

using namespace irr;

const f32 MirrorPlaneNode::HALF_SIDE = 100.f;
const f32 MirrorPlaneNode::SPACING = 10.f;

//! Grid lines: faint white; the two through the anchor stronger.
static const video::SColor GRID_COLOR(40, 255, 255, 255);
static const video::SColor AXIS_COLOR(110, 255, 255, 255);

MirrorPlaneNode::MirrorPlaneNode(scene::ISceneManager* mgr, scene::ISceneNode* drawingRoot, scene::ISceneNode* anchor)
	: scene::ISceneNode(mgr->getRootSceneNode(), mgr, -1), DrawingRoot(drawingRoot), Anchor(anchor), Box(-HALF_SIDE, -HALF_SIDE, 0.f, HALF_SIDE, HALF_SIDE, 0.f)
{
	Material.Lighting = false;
	Material.MaterialType = video::EMT_TRANSPARENT_VERTEX_ALPHA;
	Material.ZWriteEnable = false;
	Material.BackfaceCulling = false;
	const s32 lines = (s32)(HALF_SIDE / SPACING);
	for (s32 i = -lines; i <= lines; ++i)
	{
		const f32 at = (f32)i * SPACING;
		const video::SColor colour = i == 0 ? AXIS_COLOR : GRID_COLOR;
		const core::vector3df ends[4] = {{at, -HALF_SIDE, 0.f}, {at, HALF_SIDE, 0.f}, {-HALF_SIDE, at, 0.f}, {HALF_SIDE, at, 0.f}};
		for (const core::vector3df& end : ends)
		{
			Indices.push_back((u16)Vertices.size());
			Vertices.push_back(video::S3DVertex(end, core::vector3df(0.f, 0.f, 1.f), colour, core::vector2df(0.f, 0.f)));
		}
	}
}

void MirrorPlaneNode::OnAnimate(u32 timeMs)
{
	// Grid space to world: the drawing root's turn, with the origin at the anchor (world).
	Place = DrawingRoot->getAbsoluteTransformation();
	Place.setTranslation(Anchor->getPosition());
	ISceneNode::OnAnimate(timeMs);
}

core::matrix4 MirrorPlaneNode::getRelativeTransformation() const
{
	return Place;
}

void MirrorPlaneNode::OnRegisterSceneNode()
{
	if (IsVisible)
		SceneManager->registerNodeForRendering(this, scene::ESNRP_TRANSPARENT);
	ISceneNode::OnRegisterSceneNode();
}

void MirrorPlaneNode::render()
{
	video::IVideoDriver* driver = SceneManager->getVideoDriver();
	driver->setMaterial(Material);
	driver->setTransform(video::ETS_WORLD, AbsoluteTransformation);
	driver->drawVertexPrimitiveList(Vertices.const_pointer(), Vertices.size(), Indices.const_pointer(),
		Indices.size() / 2, video::EVT_STANDARD, scene::EPT_LINES, video::EIT_16BIT);
}

const core::aabbox3d<f32>& MirrorPlaneNode::getBoundingBox() const
{
	return Box;
}

video::SMaterial& MirrorPlaneNode::getMaterial(u32)
{
	return Material;
}

u32 MirrorPlaneNode::getMaterialCount() const
{
	return 1;
}
