// A drawn stroke: its sampled path, brush, colour and the tube mesh grown from the path.
#pragma once
#include <irrlicht.h>

class StrokeIndex;

//! Colour of the wire cage around selected strokes.
const irr::video::SColor SELECTION_COLOR(0xFF30D0FF);

//! Scene node of one stroke. Points are in the node's local space, which its placement
//! takes into the drawing root's (the same space for a stroke as drawn).
//! The mesh grows by a fixed amount per point; nothing is rebuilt while drawing.
class StrokeNode : public irr::scene::ISceneNode
{
public:
	StrokeNode(irr::scene::ISceneNode* parent, irr::scene::ISceneManager* mgr);
	~StrokeNode() override;

	void OnRegisterSceneNode() override;
	void render() override;
	const irr::core::aabbox3d<irr::f32>& getBoundingBox() const override;
	//! Every index gives the one material that all of the stroke's buffers share.
	irr::video::SMaterial& getMaterial(irr::u32 i) override;
	irr::u32 getMaterialCount() const override;
	//! The stroke's placement in the drawing root (see setPlacement).
	irr::core::matrix4 getRelativeTransformation() const override;

	//! Colour of vertices appended from now on; alpha below 255 makes the stroke translucent.
	void setColor(const irr::video::SColor& c);
	irr::video::SColor getColor() const;
	//! Applies to blocks appended afterwards; thickness is the depth-to-width ratio.
	void setBrush(irr::f32 radius, irr::f32 thickness);
	//! pressure (0 to 1) scales the cross-section at this point by 0.1 + 0.9 * pressure:
	//! the mouse draws at 1, which leaves the tube as wide as the brush.
	void addPoint(const irr::core::vector3df& p, irr::f32 pressure = 1.f);
	//! Makes room at once for a stroke of this many points, when they are known before the
	//! first (a stroke rebuilt from a file): the geometry is then never copied as it grows.
	void reserve(irr::u32 points);
	bool hasSegments() const;
	//! Adds the end cap and fits the bounding box; once, when the pen goes up. The geometry
	//! is final from here on: the buffers shrink to their size, are marked for keeping on the
	//! graphics card, and can be picked. The lit look gives them their flat normals.
	void finish();
	void setHighlighted(bool on);
	//! 0 plain, 1 lit (flat normals), 2 wireframe; other values change nothing.
	void setDisplayMode(irr::s32 mode);
	//! Index of the finished stroke's triangles for ray picks, made when first asked for;
	//! null before finish.
	const StrokeIndex* pickIndex() const;

	//! Where the stroke stands in the drawing root: moved, turned and scaled as a whole,
	//! its points and mesh untouched. Identity for a stroke as drawn. The absolute
	//! transformation follows at once, so picks before the next frame see the new place.
	void setPlacement(const irr::core::matrix4& placement);
	const irr::core::matrix4& getPlacement() const;
	//! How many placements have been set in the run: a pick's boxes are stale once it moves on.
	static irr::u64 placementsSet();
	//! A selected stroke is drawn a second time as a wire cage in SELECTION_COLOR.
	void setSelected(bool on);
	bool isSelected() const;

	irr::video::SColor Color;
	irr::video::SColor HighlightColor;
	irr::f32 DepthRadius;
	irr::f32 Radius;
	//! The thickness given to setBrush, kept so that the stroke can be rebuilt exactly.
	irr::f32 Thickness;
	irr::core::array<irr::core::vector3df> Points;
	//! The pen's pressure at each point, 0 to 1, parallel to Points.
	irr::core::array<irr::f32> Pressures;
	//! Unit cross-section ring: 24 entries, x = -0.5 (start ring) or +0.5 (end ring).
	irr::core::array<irr::core::vector3df> RingTemplate;
	//! World direction the cross-sections are oriented by; set once before the first point.
	irr::core::vector3df ViewDirection;
	//! Owned (one reference). One buffer per 2,730 blocks, so 16-bit indices stay exact
	//! for strokes of any length.
	irr::scene::SMesh* Mesh;

	//! Blocks one 16-bit-indexed buffer can hold (24 vertices each, at most 65,536 vertices).
	static const irr::u32 BLOCKS_PER_BUFFER = 65536 / 24;
	static const irr::u32 RING_SIZE = 24;
	//! Indices of one block's triangles, and of one bridge's.
	static const irr::u32 BLOCK_INDICES = 60;

private:
	typedef irr::scene::CMeshBuffer<irr::video::S3DVertex> StrokeBuffer;

	void fillRingTemplate();
	StrokeBuffer* currentBuffer() const;
	//! Starts a new buffer when the current one has no room for another block.
	void makeRoomForBlock(irr::u32 block);
	//! Flat normals of one buffer, as the mesh manipulator's recalculateNormals gives them.
	static void flattenNormals(StrokeBuffer* buffer);
	//! Flat normals of every buffer; marks the vertices changed.
	void computeFlatNormals();
	//! Scale of the cross-section at point i.
	irr::f32 widthAt(irr::u32 i) const;
	//! First vertex of a block in the current buffer.
	irr::u32 blockBase(irr::u32 block) const;

	void appendBlock(irr::u32 block, const irr::core::vector3df& from, const irr::core::vector3df& to,
		irr::f32 startScale, irr::f32 endScale);
	void appendBridge(irr::u32 blockA, irr::u32 blockB);
	template <typename Fill>
	static void appendIndices(StrokeBuffer* buffer, Fill fill);
	void appendStartCap();
	void appendSegment();
	void appendEndCap();

	//! Number of the block stored at vertex 0 of the current buffer.
	irr::u32 BufferFirstBlock;
	//! Whether the normals in the buffers belong to the geometry as it now is.
	bool NormalsFresh;
	//! Owned; made by the first pickIndex after finish.
	mutable StrokeIndex* PickIndex;
	bool Finished;
	irr::core::matrix4 Placement;
	bool Selected;
};
