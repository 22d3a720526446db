// Big sketches on the NULL device: the pick per pointer move, the commit of a long stroke
// (drawn with the mouse or the pen), undo and redo, the lit look, the memory a committed
// point costs, and the select tool's drag and rectangle.
// Times of single operations are taken one by one, so the counters give their median and
// 99th percentile (microseconds) rather than a mean. They are the thread's CPU time: on a
// shared machine the wall time of one operation mostly measures the other processes.
#include "NullWorkspace.h"
#include "stroke/StrokeNode.h"
#include "workspace/App.h"

#include <benchmark/benchmark.h>
#include <irrlicht.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <unistd.h>
#include <vector>

using namespace irr;

namespace
{

// CPU time of the calling thread.
struct Clock
{
	typedef double time_point;
	static double now()
	{
		timespec t;
		clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
		return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
	}
};

double microsecondsSince(Clock::time_point start)
{
	return Clock::now() - start;
}

void reportSpread(benchmark::State& state, std::vector<double> times)
{
	std::sort(times.begin(), times.end());
	state.counters["median_us"] = times[times.size() / 2];
	state.counters["p99_us"] = times[std::min(times.size() - 1, times.size() * 99 / 100)];
	state.counters["max_us"] = times.back();
}

// Resident set size of this process in KiB.
double residentKiB()
{
	long pages = 0, resident = 0;
	std::FILE* statm = std::fopen("/proc/self/statm", "r");
	if (statm)
	{
		if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
			resident = 0;
		std::fclose(statm);
	}
	return (double)resident * (double)sysconf(_SC_PAGESIZE) / 1024.0;
}

// The workspace with a sketch drawn into it as a user draws.
struct Sketch : NullWorkspace
{
	//! One stroke drawn as a user draws it: a press, moves of 5 pixels, a release.
	//! Consecutive strokes are spread over the view, on one plane, many of them on top of
	//! each other (the same points again).
	void drawStroke(int s, int points)
	{
		const s32 y = 120 + (s * 37) % 360;
		const s32 x0 = 130 + (s * 53) % 200;
		Application.onMousePress(core::position2di(x0, y), 0);
		for (int i = 1; i < points; ++i)
			Application.onMouseMove(core::position2di(x0 + i * 5 % 400, y + (i / 80) * 5));
		Application.onMouseRelease();
	}

	//! A stroke as a user sketches: a wandering line of 5-pixel moves starting anywhere in the
	//! view, at a depth between 40 units in front of the target and 40 behind it.
	void sketchStroke(std::mt19937& random, int points)
	{
		Application.AnchorNode->setPosition(core::vector3df((f32)(random() % 81) - 40.f, 0.f, 0.f));
		f32 x = (f32)(130 + random() % 640), y = (f32)(20 + random() % 560);
		f32 heading = (f32)(random() % 360) * core::DEGTORAD;
		Application.onMousePress(core::position2di((s32)x, (s32)y), 0);
		for (int i = 1; i < points; ++i)
		{
			heading += ((f32)(random() % 61) - 30.f) * core::DEGTORAD;
			x += 5.5f * std::cos(heading);
			y += 5.5f * std::sin(heading);
			// Turn back at the edges of the view.
			if (x < 120.f || x > 790.f)
				heading = core::PI - heading;
			if (y < 10.f || y > 590.f)
				heading = -heading;
			Application.onMouseMove(core::position2di((s32)x, (s32)y));
		}
		Application.onMouseRelease();
	}

	//! A long stroke that sweeps the view in rows one unit apart (the drawing plane x = 0),
	//! left open as the pointer leaves it before the release. A pen stroke begins with the
	//! pen's touch and its pressure ramps from 0.15 to 1 and back along each row; the mouse's
	//! is 1 throughout.
	StrokeNode* openLongStroke(int points, bool pen = false)
	{
		const int perRow = 130;
		auto pressure = [&](int column) {
			return pen ? 0.15f + 0.85f * (1.f - std::fabs(2.f * (f32)column / (f32)(perRow - 1) - 1.f)) : 1.f;
		};
		if (pen)
		{
			platform::PenSample touch;
			touch.Event = platform::PenSample::PEN_PRESS;
			touch.X = 400.0;
			touch.Y = 300.0;
			touch.Pressure = pressure(0);
			Application.onPenSample(touch);
		}
		Application.onMousePress(core::position2di(400, 300), 0);
		StrokeNode* stroke = Application.CurrentStroke;
		for (int i = 1; i < points; ++i)
		{
			const int row = i / perRow, column = i % perRow;
			const f32 z = -78.f + 1.2f * (f32)((row & 1) ? perRow - 1 - column : column);
			stroke->addPoint(core::vector3df(0.f, 75.f - (f32)row, z), pressure(column));
		}
		if (pen)
		{
			// The pen lifts before the engine's release arrives.
			platform::PenSample lift;
			lift.Event = platform::PenSample::PEN_RELEASE;
			lift.X = 400.0;
			lift.Y = 300.0;
			lift.Pressure = 0.f;
			Application.onPenSample(lift);
		}
		return stroke;
	}
};

// Pointer positions of an erase-brush hover gliding over the view in rows, 7 pixels a move.
std::vector<core::position2di> hoverPath(int moves)
{
	std::vector<core::position2di> path;
	s32 x = 120, y = 100;
	for (int i = 0; i < moves; ++i)
	{
		x += 7;
		if (x > 780)
		{
			x = 120;
			y = y >= 560 ? 100 : y + 23;
		}
		path.push_back(core::position2di(x, y));
	}
	return path;
}

void timePicks(benchmark::State& state, Sketch& sketch)
{
	App& app = sketch.Application;
	app.setTool(1);
	const std::vector<core::position2di> path = hoverPath(3000);
	std::vector<double> times;
	int hits = 0;
	for (auto _ : state)
	{
		for (const core::position2di& pointer : path)
		{
			const Clock::time_point start = Clock::now();
			app.pickUnderPointer(pointer);
			times.push_back(microsecondsSince(start));
			hits += app.HoveredStroke != nullptr;
		}
	}
	reportSpread(state, times);
	state.counters["hit_percent"] = 100.0 * hits / (double)times.size();
}

} // namespace

// The erase brush's pick under the pointer, one move at a time, over a sketch of strokes
// of 200 points at many depths.
static void BM_PickPerMove(benchmark::State& state)
{
	Sketch sketch;
	std::mt19937 random(5);
	for (int s = 0; s < state.range(0); ++s)
		sketch.sketchStroke(random, 200);
	sketch.frame();
	timePicks(state, sketch);
}
BENCHMARK(BM_PickPerMove)->Arg(1000)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same over strokes on one plane that lie on top of each other, up to fourteen times the
// same points: every hit there is a tie that all the strokes under the pointer take part in.
static void BM_PickPerMoveStacked(benchmark::State& state)
{
	Sketch sketch;
	for (int s = 0; s < state.range(0); ++s)
		sketch.drawStroke(s, 200);
	sketch.frame();
	timePicks(state, sketch);
}
BENCHMARK(BM_PickPerMoveStacked)->Arg(1000)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same pick over one committed stroke of 20,000 points that fills the view.
static void BM_PickPerMoveLongStroke(benchmark::State& state)
{
	Sketch sketch;
	sketch.openLongStroke(20000);
	sketch.Application.onMouseRelease();
	sketch.frame();
	timePicks(state, sketch);
}
BENCHMARK(BM_PickPerMoveLongStroke)->Iterations(1)->Unit(benchmark::kMillisecond);

// The release that commits a 20,000-point stroke (end cap, box, picking structures, history),
// drawn with the mouse or with the pen.
static void timeCommits(benchmark::State& state, bool pen)
{
	Sketch sketch;
	std::vector<double> times;
	for (auto _ : state)
	{
		state.PauseTiming();
		sketch.openLongStroke(20000, pen);
		state.ResumeTiming();
		const Clock::time_point start = Clock::now();
		sketch.Application.onMouseRelease();
		times.push_back(microsecondsSince(start));
	}
	reportSpread(state, times);
}

static void BM_CommitLongStroke(benchmark::State& state)
{
	timeCommits(state, false);
}
BENCHMARK(BM_CommitLongStroke)->Iterations(5)->Unit(benchmark::kMillisecond);

// The same stroke from the pen, with a pressure at each point.
static void BM_CommitLongPenStroke(benchmark::State& state)
{
	timeCommits(state, true);
}
BENCHMARK(BM_CommitLongPenStroke)->Iterations(5)->Unit(benchmark::kMillisecond);

// One undo and one redo (Ctrl+Z, Ctrl+Shift+Z) of a 20,000-point stroke with a full history.
static void BM_UndoRedoLongStroke(benchmark::State& state)
{
	Sketch sketch;
	for (int s = 0; s < 10; ++s)
		sketch.drawStroke(s, 200);
	sketch.openLongStroke(20000);
	sketch.Application.onMouseRelease();
	for (auto _ : state)
	{
		sketch.Application.undo();
		sketch.Application.redo();
	}
	state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_UndoRedoLongStroke)->Unit(benchmark::kNanosecond);

// Key 1 pressed and released (lit look on, then off) over strokes of 200 points.
static void BM_LitLook(benchmark::State& state)
{
	Sketch sketch;
	for (int s = 0; s < state.range(0); ++s)
		sketch.drawStroke(s, 200);
	sketch.frame();
	std::vector<double> down, up;
	for (auto _ : state)
	{
		Clock::time_point start = Clock::now();
		sketch.Application.onKeyDown(KEY_KEY_1);
		down.push_back(microsecondsSince(start));
		start = Clock::now();
		sketch.Application.onKeyUp(KEY_KEY_1);
		up.push_back(microsecondsSince(start));
	}
	reportSpread(state, down);
	std::sort(up.begin(), up.end());
	state.counters["release_median_us"] = up[up.size() / 2];
}
BENCHMARK(BM_LitLook)->Arg(1000)->Arg(5000)->Iterations(5)->Unit(benchmark::kMillisecond);

// Resident memory while 10,000 strokes of 100 points are drawn: the least-squares slope of
// RSS over the drawn points, sampled every 500 strokes. Argument 0: each stroke is undone
// and redone once, so every stroke stays in the drawing. Argument 1: each stroke is undone,
// so the next one discards it for good.
static void BM_MemoryPerPoint(benchmark::State& state)
{
	const bool discard = state.range(0) == 1;
	const int strokes = 10000, points = 100;
	for (auto _ : state)
	{
		Sketch sketch;
		std::vector<double> xs, ys;
		for (int s = 0; s <= strokes; ++s)
		{
			if (s % 500 == 0)
			{
				xs.push_back((double)s * points);
				ys.push_back(residentKiB() * 1024.0);
			}
			if (s == strokes)
				break;
			sketch.drawStroke(s, points);
			sketch.Application.undo();
			if (!discard)
				sketch.Application.redo();
		}
		double mx = 0, my = 0;
		for (size_t i = 0; i < xs.size(); ++i)
		{
			mx += xs[i];
			my += ys[i];
		}
		mx /= (double)xs.size();
		my /= (double)ys.size();
		double sxy = 0, sxx = 0;
		for (size_t i = 0; i < xs.size(); ++i)
		{
			sxy += (xs[i] - mx) * (ys[i] - my);
			sxx += (xs[i] - mx) * (xs[i] - mx);
		}
		state.counters["bytes_per_point"] = sxy / sxx;
		state.counters["rss_MiB"] = ys.back() / (1024.0 * 1024.0);
	}
}
BENCHMARK(BM_MemoryPerPoint)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

// The select tool's drag over a sketch of strokes of 200 points, all of them selected: the time
// of each pointer move (every selected stroke placed anew), and of the release that makes the
// move one undo step.
static void BM_MoveSelectionPerMove(benchmark::State& state)
{
	Sketch sketch;
	App& app = sketch.Application;
	std::mt19937 random(7);
	for (int s = 0; s < state.range(0); ++s)
		sketch.sketchStroke(random, 200);
	sketch.frame();
	app.setTool(TOOL_SELECT);
	app.selectInRectangle(core::rect<s32>(0, 0, 800, 600), false);
	// A press on a stroke: the first point of a row that hits one.
	core::position2di grab;
	core::vector3df hit;
	for (s32 y = 300; !app.strokeUnderPointer(grab, hit); y += 3)
		grab = core::position2di(400, y);
	std::vector<double> moves, releases;
	for (auto _ : state)
	{
		app.onMousePress(grab, 0);
		// A drag of 400 moves of 3 pixels, out and back to 3 pixels from the press.
		for (int i = 1; i <= 400; ++i)
		{
			const s32 d = 3 * (i <= 200 ? i : 401 - i);
			const Clock::time_point start = Clock::now();
			app.onMouseMove(core::position2di(grab.X + d, grab.Y + d / 2));
			moves.push_back(microsecondsSince(start));
		}
		const Clock::time_point start = Clock::now();
		app.onMouseRelease();
		releases.push_back(microsecondsSince(start));
	}
	reportSpread(state, moves);
	std::sort(releases.begin(), releases.end());
	state.counters["release_median_us"] = releases[releases.size() / 2];
	state.counters["selected"] = (double)app.Selection.size();
}
BENCHMARK(BM_MoveSelectionPerMove)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);

// Selecting by rectangle over a sketch of strokes of 200 points: the whole view, a quarter of
// it and a small box, from an empty selection each time.
static void BM_RectangleSelection(benchmark::State& state)
{
	Sketch sketch;
	App& app = sketch.Application;
	std::mt19937 random(9);
	for (int s = 0; s < state.range(0); ++s)
		sketch.sketchStroke(random, 200);
	sketch.frame();
	app.setTool(TOOL_SELECT);
	const core::rect<s32> rectangles[] = {core::rect<s32>(110, 0, 800, 600), core::rect<s32>(300, 150, 600, 450),
		core::rect<s32>(420, 280, 460, 320)};
	std::vector<double> times;
	double selected = 0;
	for (auto _ : state)
	{
		for (const core::rect<s32>& r : rectangles)
		{
			const Clock::time_point start = Clock::now();
			app.selectInRectangle(r, false);
			times.push_back(microsecondsSince(start));
			selected += (double)app.Selection.size();
			app.clearSelection();
		}
	}
	reportSpread(state, times);
	state.counters["selected_mean"] = selected / (double)times.size();
}
BENCHMARK(BM_RectangleSelection)->Arg(5000)->Iterations(20)->Unit(benchmark::kMillisecond);
