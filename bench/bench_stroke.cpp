// Stroke growth, pointer handling while drawing, picking and undo/redo on the NULL device.
#include "NullWorkspace.h"
#include "app/EventReceiver.h"
#include "stroke/StrokeNode.h"
#include "workspace/App.h"

#include <benchmark/benchmark.h>
#include <irrlicht.h>

using namespace irr;

namespace
{

// The workspace with committed strokes drawn into it.
struct Scene : NullWorkspace
{
	//! Committed strokes of the given number of points, spread over the view.
	void addStrokes(int count, int points)
	{
		for (int s = 0; s < count; ++s)
		{
			const s32 y = 120 + (s * 37) % 360;
			const s32 x0 = 130 + (s * 53) % 200;
			Application.onMousePress(core::position2di(x0, y), 0);
			for (int i = 1; i < points; ++i)
				Application.onMouseMove(core::position2di(x0 + i * 5 % 400, y + (i / 80) * 5));
			Application.onMouseRelease();
		}
		frame();
	}
};

} // namespace

// Points appended to one stroke; the per-point cost must not depend on the stroke's length.
static void BM_AppendPoints(benchmark::State& state)
{
	Scene scene;
	const int points = (int)state.range(0);
	for (auto _ : state)
	{
		StrokeNode* node = new StrokeNode(scene.Application.DrawingRoot, scene.SceneManager);
		node->setColor(video::SColor(0xFF404080));
		node->setBrush(5.f, 0.5f);
		node->ViewDirection = core::vector3df(-1, 0, 0);
		for (int i = 0; i < points; ++i)
			node->addPoint(core::vector3df(0, (f32)(i % 100), (f32)i * 0.5f));
		benchmark::DoNotOptimize(node->Mesh);
		state.PauseTiming();
		node->remove();
		node->drop();
		state.ResumeTiming();
	}
	state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_AppendPoints)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A whole 10,000-point stroke as a commit leaves it: points, end cap, bounding box, and the
// normals and picking index that finish adds.
static void BM_BuildCommittedStroke(benchmark::State& state)
{
	Scene scene;
	for (auto _ : state)
	{
		StrokeNode* node = new StrokeNode(scene.Application.DrawingRoot, scene.SceneManager);
		node->setColor(video::SColor(0xFF404080));
		node->ViewDirection = core::vector3df(-1, 0, 0);
		for (int i = 0; i < 10000; ++i)
			node->addPoint(core::vector3df(0, (f32)(i % 100), (f32)i * 0.5f));
		node->finish();
		state.PauseTiming();
		node->remove();
		node->drop();
		state.ResumeTiming();
	}
}
BENCHMARK(BM_BuildCommittedStroke)->Unit(benchmark::kMillisecond);

// One pointer move while drawing (sample, map to the plane, append geometry), with the
// given number of committed strokes of 200 points in the scene.
static void BM_PointerMoveWhileDrawing(benchmark::State& state)
{
	Scene scene;
	scene.addStrokes((int)state.range(0), 200);
	App& app = scene.Application;
	s32 step = 0;
	app.onMousePress(core::position2di(150, 300), 0);
	for (auto _ : state)
	{
		// Five pixels a move, so every move is a sample. Every 400 samples the open stroke is
		// dropped (not committed), so the scene stays as it was set up.
		if (++step == 400)
		{
			state.PauseTiming();
			app.Drawing = false;
			app.CurrentStroke->remove();
			app.onMousePress(core::position2di(150, 300), 0);
			step = 1;
			state.ResumeTiming();
		}
		app.onMouseMove(core::position2di(150 + step * 5 % 600, 300 + step * 5 / 600 * 5));
	}
	state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PointerMoveWhileDrawing)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);

// One erase-brush hover: ray pick against every visible stroke, then the highlight.
static void BM_PickUnderPointer(benchmark::State& state)
{
	Scene scene;
	scene.addStrokes((int)state.range(0), 200);
	App& app = scene.Application;
	app.setTool(1);
	s32 x = 0;
	for (auto _ : state)
	{
		x = (x + 7) % 600;
		app.onMouseMove(core::position2di(150 + x, 300));
	}
	state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PickUnderPointer)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// One undo and one redo with a full history.
static void BM_UndoRedo(benchmark::State& state)
{
	Scene scene;
	scene.addStrokes(20, 200);
	for (auto _ : state)
	{
		scene.Application.undo();
		scene.Application.redo();
	}
	state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kNanosecond);
