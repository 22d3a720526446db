// Saving and opening a sketch of 1,000 strokes of 200 points (opening as a whole, and its two
// halves: reading the file, rebuilding the strokes), and the snapshot the frame loop takes for
// each autosave. Counters: file size, bytes per stroke point, and the size of the strokes'
// meshes in memory (engine vertices and 16-bit indices), in MB.
#include "NullWorkspace.h"
#include "SketchSupport.h"
#include "document/DocumentScene.h"
#include "document/GlbFile.h"
#include "stroke/StrokeNode.h"
#include "workspace/App.h"

#include <benchmark/benchmark.h>
#include <irrlicht.h>

#include <cstdio>
#include <filesystem>

using namespace irr;

namespace
{

const int STROKES = 1000, POINTS = 200;

// The workspace, with the size of its strokes' meshes.
struct Scene : NullWorkspace
{
	f64 meshMegabytes() const
	{
		size_t bytes = 0;
		for (u32 i = 0; i < Application.Strokes.size(); ++i)
			for (u32 b = 0; b < Application.Strokes[i]->Mesh->getMeshBufferCount(); ++b)
			{
				const scene::IMeshBuffer* buffer = Application.Strokes[i]->Mesh->getMeshBuffer(b);
				bytes += buffer->getVertexCount() * sizeof(video::S3DVertex) + buffer->getIndexCount() * sizeof(u16);
			}
		return bytes / 1e6;
	}
};

std::string sketchPath()
{
	return (std::filesystem::temp_directory_path() / "vantrel-bench-sketch.glb").string();
}

void BM_SaveSketch(benchmark::State& state)
{
	const Document sketch = makeSketch(STROKES, POINTS);
	const std::string path = sketchPath();
	std::string error;
	for (auto _ : state)
		if (!saveGlbFile(sketch, path, error))
			state.SkipWithError(error.c_str());
	const f64 size = (f64)std::filesystem::file_size(path);
	state.SetBytesProcessed((int64_t)(size * (f64)state.iterations()));
	Scene scene;
	restoreDocument(scene.Application, sketch);
	state.counters["file_MB"] = size / 1e6;
	state.counters["bytes_per_point"] = size / (f64)(STROKES * POINTS);
	state.counters["mesh_MB"] = scene.meshMegabytes();
}
BENCHMARK(BM_SaveSketch)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading the file and rebuilding every stroke in the workspace, as Open does.
void BM_OpenSketch(benchmark::State& state)
{
	const std::string path = sketchPath();
	std::string error;
	if (!saveGlbFile(makeSketch(STROKES, POINTS), path, error))
	{
		state.SkipWithError(error.c_str());
		return;
	}
	Scene scene;
	for (auto _ : state)
	{
		Document d;
		if (!loadGlbFile(path, d, error))
			state.SkipWithError(error.c_str());
		restoreDocument(scene.Application, d);
	}
	state.SetBytesProcessed((int64_t)std::filesystem::file_size(path) * state.iterations());
	std::remove(path.c_str());
}
BENCHMARK(BM_OpenSketch)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open's first half: reading and checking the file.
void BM_ReadSketch(benchmark::State& state)
{
	const std::string path = sketchPath();
	std::string error;
	if (!saveGlbFile(makeSketch(STROKES, POINTS), path, error))
	{
		state.SkipWithError(error.c_str());
		return;
	}
	for (auto _ : state)
	{
		Document d;
		if (!loadGlbFile(path, d, error))
			state.SkipWithError(error.c_str());
		benchmark::DoNotOptimize(d);
	}
	std::remove(path.c_str());
}
BENCHMARK(BM_ReadSketch)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open's second half: rebuilding every stroke in the workspace from the record.
void BM_RebuildSketch(benchmark::State& state)
{
	const Document sketch = makeSketch(STROKES, POINTS);
	Scene scene;
	for (auto _ : state)
		restoreDocument(scene.Application, sketch);
}
BENCHMARK(BM_RebuildSketch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The part of an autosave that runs on the main thread: copying the strokes' points.
void BM_AutosaveSnapshot(benchmark::State& state)
{
	Scene scene;
	restoreDocument(scene.Application, makeSketch(STROKES, POINTS));
	for (auto _ : state)
		benchmark::DoNotOptimize(captureDocument(scene.Application));
}
BENCHMARK(BM_AutosaveSnapshot)->Unit(benchmark::kMillisecond);

} // namespace
