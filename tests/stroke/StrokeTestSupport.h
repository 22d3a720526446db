// A NULL-device scene for testing stroke nodes on their own.
#pragma once
#include "stroke/StrokeNode.h"

#include <gtest/gtest.h>
#include <irrlicht.h>

class StrokeTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		Device = irr::createDevice(irr::video::EDT_NULL, irr::core::dimension2d<irr::u32>(800, 600));
		ASSERT_NE(Device, nullptr);
		Device->getLogger()->setLogLevel(irr::ELL_NONE);
		SceneManager = Device->getSceneManager();
	}
	void TearDown() override
	{
		if (Device)
			Device->drop();
	}

	//! A stroke under the scene root, coloured and sized as the workspace does it.
	StrokeNode* makeStroke(irr::video::SColor color = irr::video::SColor(0xFF404080), irr::f32 radius = 5.f,
		irr::f32 thickness = 0.5f, irr::core::vector3df view = irr::core::vector3df(0, 0, -1))
	{
		StrokeNode* node = new StrokeNode(SceneManager->getRootSceneNode(), SceneManager);
		node->drop(); // the root owns it
		node->setColor(color);
		node->setBrush(radius, thickness);
		node->ViewDirection = view;
		return node;
	}

	static irr::scene::CMeshBuffer<irr::video::S3DVertex>* buffer(StrokeNode* node, irr::u32 i = 0)
	{
		return static_cast<irr::scene::CMeshBuffer<irr::video::S3DVertex>*>(node->Mesh->getMeshBuffer(i));
	}

	irr::IrrlichtDevice* Device = nullptr;
	irr::scene::ISceneManager* SceneManager = nullptr;
};
