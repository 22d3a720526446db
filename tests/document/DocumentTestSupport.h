// Fixture for the drawing's file: the workspace on the NULL device with the side panel, as
// the program sets them up, a scratch directory for files, and stroke comparisons.
#pragma once
#include "Fixture.h"
#include "stroke/StrokeNode.h"
#include "ui/UIPanel.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class DocumentTest : public WorkspaceTest
{
protected:
	void SetUp() override
	{
		WorkspaceTest::SetUp();
		irr::gui::IGUIEnvironment* gui = Device->getGUIEnvironment();
		Panel = new UIPanel(gui, gui->getRootGUIElement(), 0);
		Panel->drop(); // the GUI root owns the panel
		Receiver.Panel = Panel;
		Receiver.syncSettings();
		Dir = std::filesystem::temp_directory_path() /
			("vantrel-document-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
		std::filesystem::remove_all(Dir);
		std::filesystem::create_directories(Dir);
	}

	void TearDown() override
	{
		WorkspaceTest::TearDown();
		std::filesystem::remove_all(Dir);
	}

	std::string file(const char* name) const { return (Dir / name).string(); }

	static std::vector<unsigned char> readBytes(const std::string& path)
	{
		std::ifstream in(path, std::ios::binary);
		return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	}

	static void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
	{
		std::ofstream out(path, std::ios::binary);
		out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
	}

	//! A stroke of n points along a wave, fed to the workspace's current stroke and committed
	//! as a drag would do it (so it lands in the history); a pen stroke's pressure goes up and
	//! down between 0 and 1.
	StrokeNode* drawPoints(irr::u32 n, irr::video::SColor color, irr::f32 radius, irr::f32 thickness, bool pen = false)
	{
		Application->setBrushColor(color);
		Application->setBrushSize(radius, thickness);
		Application->beginStroke(irr::core::position2di(400, 300));
		Application->Drawing = true;
		for (irr::u32 i = 1; i < n; ++i)
			Application->CurrentStroke->addPoint(
				irr::core::vector3df(0.f, 10.f * std::sin(0.05f * (irr::f32)i), -40.f + 0.01f * (irr::f32)i),
				pen ? 0.5f + 0.5f * std::cos(0.013f * (irr::f32)i) : 1.f);
		StrokeNode* stroke = Application->CurrentStroke;
		Application->commitStroke();
		Application->Drawing = false;
		return stroke;
	}

	//! Every field and every buffer of two strokes, vertices compared bit for bit.
	static void expectSameStroke(StrokeNode* a, StrokeNode* b)
	{
		EXPECT_EQ(a->Color.color, b->Color.color);
		EXPECT_EQ(std::memcmp(&a->Radius, &b->Radius, sizeof(irr::f32)), 0);
		EXPECT_EQ(std::memcmp(&a->DepthRadius, &b->DepthRadius, sizeof(irr::f32)), 0);
		EXPECT_EQ(std::memcmp(&a->ViewDirection, &b->ViewDirection, sizeof(irr::core::vector3df)), 0);
		ASSERT_EQ(a->Points.size(), b->Points.size());
		ASSERT_EQ(a->Pressures.size(), b->Pressures.size());
		EXPECT_EQ(std::memcmp(a->Pressures.const_pointer(), b->Pressures.const_pointer(), a->Pressures.size() * 4), 0);
		EXPECT_EQ(std::memcmp(a->Points.const_pointer(), b->Points.const_pointer(), a->Points.size() * 12), 0);
		EXPECT_EQ(a->getMaterial(0).MaterialType, b->getMaterial(0).MaterialType);
		ASSERT_EQ(a->Mesh->getMeshBufferCount(), b->Mesh->getMeshBufferCount());
		for (irr::u32 i = 0; i < a->Mesh->getMeshBufferCount(); ++i)
		{
			const irr::scene::IMeshBuffer* x = a->Mesh->getMeshBuffer(i);
			const irr::scene::IMeshBuffer* y = b->Mesh->getMeshBuffer(i);
			ASSERT_EQ(x->getVertexCount(), y->getVertexCount()) << "buffer " << i;
			ASSERT_EQ(x->getIndexCount(), y->getIndexCount()) << "buffer " << i;
			EXPECT_EQ(std::memcmp(x->getVertices(), y->getVertices(), x->getVertexCount() * sizeof(irr::video::S3DVertex)), 0)
				<< "buffer " << i;
			EXPECT_EQ(std::memcmp(x->getIndices(), y->getIndices(), x->getIndexCount() * sizeof(irr::u16)), 0)
				<< "buffer " << i;
		}
	}

	UIPanel* Panel = nullptr;
	std::filesystem::path Dir;
};
