// The mirror plane as the user sees it: a faint grid through the depth anchor, across the
// drawing root's Z axis, so it turns with the twist and follows the anchor.
#pragma once
#include <irrlicht.h>

//! A child of the scene's root (the drawing root's children are its strokes) that stands
//! where the anchor is, turned as the drawing root is: the grid lies in the root's X-Y
//! plane through the anchor. Drawn unlit and translucent, without writing depth.
class MirrorPlaneNode : public irr::scene::ISceneNode
{
public:
	//! drawingRoot and anchor (a child of the scene's root) are not owned.
	MirrorPlaneNode(irr::scene::ISceneManager* mgr, irr::scene::ISceneNode* drawingRoot, irr::scene::ISceneNode* anchor);

	//! Takes the anchor's position and the drawing root's turn.
	void OnAnimate(irr::u32 timeMs) override;
	irr::core::matrix4 getRelativeTransformation() const override;
	void OnRegisterSceneNode() override;
	void render() override;
	const irr::core::aabbox3d<irr::f32>& getBoundingBox() const override;
	irr::video::SMaterial& getMaterial(irr::u32 i) override;
	irr::u32 getMaterialCount() const override;

	//! Half the grid's side and its spacing, scene units.
	static const irr::f32 HALF_SIDE;
	static const irr::f32 SPACING;

private:
	irr::scene::ISceneNode* DrawingRoot;
	irr::scene::ISceneNode* Anchor;
	irr::core::matrix4 Place;
	irr::video::SMaterial Material;
	irr::core::array<irr::video::S3DVertex> Vertices;
	irr::core::array<irr::u16> Indices;
	irr::core::aabbox3df Box;
};
