// The drawing record, and a stroke's geometry rebuilt from its points with the stroke mesh code.
#include "document/Document.h"
#include "stroke/StrokeNode.h"

#include <algorithm>

using namespace irr;

size_t Document::pointCount() const
{
	size_t n = 0;
	for (const DocumentStroke& s : Strokes)
		n += s.Points.size();
	return n;
}

StrokeGeometry buildStrokeGeometry(const DocumentStroke& stroke)
{
	// A node outside any scene: the mesh code needs neither a parent nor a scene manager, so
	// this runs on any thread. This thread holds the only reference.
	StrokeNode* node = new StrokeNode(nullptr, nullptr);
	node->setColor(video::SColor(stroke.Color));
	node->setBrush(stroke.Radius, stroke.Thickness);
	node->ViewDirection = stroke.ViewDirection;
	for (size_t i = 0; i < stroke.Points.size(); ++i)
		node->addPoint(stroke.Points[i], stroke.Pressures.empty() ? 1.f : stroke.Pressures[i]);
	node->finish();

	StrokeGeometry geometry;
	// Buffer by buffer: keep only the vertices some triangle uses, in their order. A buffer
	// after the first starts with a copy of the block before it; those vertices are the
	// ones already kept from the end of the previous buffer.
	const u32 UNUSED = 0xFFFFFFFF;
	const u32 ring = StrokeNode::RING_SIZE; // a copy: std::min takes its arguments by reference
	std::vector<u32> remap, previousTail;
	for (u32 b = 0; b < node->Mesh->getMeshBufferCount(); ++b)
	{
		const scene::IMeshBuffer* buffer = node->Mesh->getMeshBuffer(b);
		const video::S3DVertex* vertices = static_cast<const video::S3DVertex*>(buffer->getVertices());
		const u16* indices = buffer->getIndices();
		const u32 vertexCount = buffer->getVertexCount();
		const u32 indexCount = buffer->getIndexCount();
		remap.assign(vertexCount, UNUSED);
		for (u32 i = 0; i < indexCount; ++i)
			remap[indices[i]] = 0;
		for (u32 v = 0; v < vertexCount; ++v)
		{
			if (remap[v] == UNUSED)
				continue;
			if (b > 0 && v < ring && previousTail[v] != UNUSED)
				remap[v] = previousTail[v];
			else
			{
				remap[v] = (u32)geometry.Positions.size();
				geometry.Positions.push_back(vertices[v].Pos);
			}
		}
		for (u32 i = 0; i < indexCount; ++i)
			geometry.Indices.push_back(remap[indices[i]]);
		previousTail.assign(remap.end() - std::min(vertexCount, ring), remap.end());
	}
	node->drop();
	return geometry;
}
