// Speed of writing a recording: 30 frames of 800 x 600 through the GIF encoder, as the program does
// synchronously when a recording ends. Frames are made before timing starts.
#include "gif/AnimationEncoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace
{
	const uint32_t WIDTH = 800;
	const uint32_t HEIGHT = 600;
	const int32_t FRAME_COUNT = 30;
	//! The recording's settings: delay in hundredths of a second, bits per colour index.
	const uint32_t DELAY = 1;
	const int32_t DEPTH = 8;
	const char* const OUTPUT_NAME = "/tmp/bench_gif.gif";

	typedef std::vector<uint8_t> Frame;

	struct Random
	{
		uint32_t State;
		uint32_t next()
		{
			State ^= State << 13;
			State ^= State >> 17;
			State ^= State << 5;
			return State;
		}
		float unit() { return float(next() % 10000) / 10000.0f; }
	};

	struct Line
	{
		float X0, Y0, X1, Y1, Radius;
		uint8_t Colour[3];
	};

	Frame backdrop()
	{
		Frame frame(size_t(WIDTH) * HEIGHT * 4);
		for (size_t i = 0; i < size_t(WIDTH) * HEIGHT; ++i)
		{
			frame[4 * i] = 28;
			frame[4 * i + 1] = 30;
			frame[4 * i + 2] = 44;
			frame[4 * i + 3] = 255;
		}
		return frame;
	}

	//! A lit tube seen from the side: brighter along its middle, edges blended into what lies below
	//! (the window is drawn with multisampling, so edges carry in-between colours).
	void drawLine(Frame& frame, const Line& line)
	{
		const float dx = line.X1 - line.X0;
		const float dy = line.Y1 - line.Y0;
		const float lengthSq = std::max(dx * dx + dy * dy, 1e-6f);
		const int32_t xMin = std::max(0, int32_t(std::min(line.X0, line.X1) - line.Radius - 1));
		const int32_t xMax = std::min(int32_t(WIDTH) - 1, int32_t(std::max(line.X0, line.X1) + line.Radius + 1));
		const int32_t yMin = std::max(0, int32_t(std::min(line.Y0, line.Y1) - line.Radius - 1));
		const int32_t yMax = std::min(int32_t(HEIGHT) - 1, int32_t(std::max(line.Y0, line.Y1) + line.Radius + 1));
		for (int32_t y = yMin; y <= yMax; ++y)
		{
			for (int32_t x = xMin; x <= xMax; ++x)
			{
				float t = ((float(x) - line.X0) * dx + (float(y) - line.Y0) * dy) / lengthSq;
				t = std::min(1.0f, std::max(0.0f, t));
				const float ex = float(x) - (line.X0 + t * dx);
				const float ey = float(y) - (line.Y0 + t * dy);
				const float d = std::sqrt(ex * ex + ey * ey);
				const float coverage = std::min(1.0f, std::max(0.0f, line.Radius + 0.5f - d));
				if (coverage <= 0.0f)
					continue;
				const float shade = 0.5f + 0.5f * std::max(0.0f, 1.0f - d / line.Radius);
				uint8_t* p = &frame[(size_t(y) * WIDTH + size_t(x)) * 4];
				for (int32_t c = 0; c < 3; ++c)
					p[c] = uint8_t(float(p[c]) * (1.0f - coverage) + float(line.Colour[c]) * shade * coverage);
			}
		}
	}

	std::vector<Line> someLines(Random& random, int32_t count)
	{
		std::vector<Line> lines;
		for (int32_t i = 0; i < count; ++i)
		{
			Line line;
			line.X0 = random.unit() * WIDTH;
			line.Y0 = random.unit() * HEIGHT;
			const float angle = random.unit() * 6.2832f;
			const float length = 60.0f + random.unit() * 300.0f;
			line.X1 = line.X0 + std::cos(angle) * length;
			line.Y1 = line.Y0 + std::sin(angle) * length;
			line.Radius = 2.0f + random.unit() * 8.0f;
			for (uint8_t& c : line.Colour)
				c = uint8_t(60 + random.next() % 196);
			lines.push_back(line);
		}
		return lines;
	}

	//! Three dozen strokes stand still while a new one grows by a few pixels per frame.
	std::vector<Frame> growingStroke()
	{
		Random random{ 12345 };
		const std::vector<Line> lines = someLines(random, 36);
		std::vector<Frame> frames;
		for (int32_t k = 0; k < FRAME_COUNT; ++k)
		{
			Frame frame = backdrop();
			for (const Line& line : lines)
				drawLine(frame, line);
			const float angle = 0.6f + 0.02f * float(k);
			const float length = 20.0f + 12.0f * float(k);
			drawLine(frame, Line{ 420.0f, 300.0f, 420.0f + std::cos(angle) * length, 300.0f + std::sin(angle) * length,
				6.0f, { 240, 120, 40 } });
			frames.push_back(frame);
		}
		return frames;
	}

	//! The same strokes seen from a camera that orbits by half a degree per frame: every stroke moves.
	std::vector<Frame> orbitingView()
	{
		Random random{ 777 };
		const std::vector<Line> lines = someLines(random, 40);
		std::vector<Frame> frames;
		for (int32_t k = 0; k < FRAME_COUNT; ++k)
		{
			const float angle = 0.0087f * float(k);
			const float c = std::cos(angle);
			const float s = std::sin(angle);
			Frame frame = backdrop();
			for (Line line : lines)
			{
				// Rotation about the window centre stands in for the orbit.
				const float x0 = line.X0 - 400.0f;
				const float x1 = line.X1 - 400.0f;
				line.X0 = 400.0f + x0 * c;
				line.X1 = 400.0f + x1 * c;
				line.Y0 += x0 * s * 0.2f;
				line.Y1 += x1 * s * 0.2f;
				drawLine(frame, line);
			}
			frames.push_back(frame);
		}
		return frames;
	}

	std::vector<Frame> noise()
	{
		Random random{ 99 };
		std::vector<Frame> frames;
		for (int32_t k = 0; k < FRAME_COUNT; ++k)
		{
			Frame frame(size_t(WIDTH) * HEIGHT * 4);
			for (uint8_t& byte : frame)
				byte = uint8_t(random.next() >> 24);
			frames.push_back(frame);
		}
		return frames;
	}

	void encodeRecording(benchmark::State& state, const std::vector<Frame>& frames, bool dither)
	{
		long fileBytes = 0;
		for (auto _ : state)
		{
			AnimationEncoder encoder;
			if (!openAnimation(&encoder, OUTPUT_NAME, WIDTH, HEIGHT, DELAY, DEPTH, dither))
			{
				state.SkipWithError("cannot create the output file");
				return;
			}
			for (const Frame& frame : frames)
				addFrame(&encoder, frame.data(), WIDTH, HEIGHT, DELAY, DEPTH, dither);
			fileBytes = std::ftell(encoder.Output);
			closeAnimation(&encoder);
		}
		std::remove(OUTPUT_NAME);
		state.counters["frames/s"] = benchmark::Counter(double(frames.size()), benchmark::Counter::kIsIterationInvariantRate);
		state.counters["KiB"] = double(fileBytes) / 1024.0;
	}

	void BM_GrowingStroke(benchmark::State& state)
	{
		static const std::vector<Frame> frames = growingStroke();
		encodeRecording(state, frames, false);
	}

	void BM_OrbitingView(benchmark::State& state)
	{
		static const std::vector<Frame> frames = orbitingView();
		encodeRecording(state, frames, false);
	}

	void BM_OrbitingViewDithered(benchmark::State& state)
	{
		static const std::vector<Frame> frames = orbitingView();
		encodeRecording(state, frames, true);
	}

	void BM_Noise(benchmark::State& state)
	{
		static const std::vector<Frame> frames = noise();
		encodeRecording(state, frames, false);
	}
}

BENCHMARK(BM_GrowingStroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrbitingView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrbitingViewDithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Noise)->Unit(benchmark::kMillisecond);
