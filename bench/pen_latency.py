#!/usr/bin/env python3
# The time from a pen sample to its point in the stroke, and the samples that make no point,
# in the program's real window: starts an Xorg server with a pen (tests/e2e/penserver.py),
# runs build/bench/pen_latency on it, draws strokes with the pen at a fixed sample rate and
# matches sample i (its send time on CLOCK_MONOTONIC) to point i (the time the program saw
# it appear). Each stroke is undone after it, so that all are drawn over the same drawing.
# "core" runs the program with --no-pen, so that the pen reaches it only as the engine's
# core pointer events, as before the program read the pen; "pen" reads it through XInput 2.
# Both run in each round, the order alternating.
#   python3 bench/pen_latency.py --build build-rel [--runs 3] [--sketch 1000 200] [--behind-camera]
# With --behind-camera the sketch lies behind the camera, culled from every frame, so that
# the renderer's time stays out of the figures.
import argparse
import math
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness as h  # noqa: E402
import penserver as ps  # noqa: E402

# Pixels between samples: more than the 5 of the spacing rule, so that every sample is a point,
# also as the whole pixels of core events.
SPACING = 6
# A stroke goes back and forth along rows of the 3-D view (window pixels), 100 samples a row.
LEFT, RIGHT, TOP, BOTTOM = 150.25, 750.25, 40.5, 520.5
MODES = ("core", "pen")


def stroke_path(count, first_row):
	"""count samples SPACING pixels apart, along rows starting at row first_row."""
	rows = int((BOTTOM - TOP) / SPACING)
	corners = []
	for r in range(first_row, first_row + count // 100 + 2):
		y = TOP + (r % rows) * SPACING
		ends = [(LEFT, y), (RIGHT, y)]
		corners += ends if (r - first_row) % 2 == 0 else ends[::-1]
	return ps.along(corners, SPACING)[:count]


def percentile(values, fraction):
	ordered = sorted(values)
	return ordered[min(len(ordered) - 1, max(0, math.ceil(fraction * len(ordered)) - 1))]


class Program:
	"""One run of pen_latency on the server; reads what it prints."""

	def __init__(self, build, server, mode, sketch, behind_camera):
		self.mode = mode
		args = (["--no-pen"] if mode == "core" else []) + (["--behind-camera"] if behind_camera else [])
		args += [str(n) for n in sketch]
		self.app = h.Vantrel(os.path.join(build, "bench", "pen_latency"), os.path.join(build, "assets"), server,
			args=args)
		self.server = server
		self.rows = 0

	def output(self):
		return self.app.stdout_text().splitlines()

	def wait_for(self, word, after, timeout):
		"""Waits for a line starting with word from line number after on; returns its number."""
		deadline = time.monotonic() + timeout
		while True:
			lines = self.output()
			for n in range(after, len(lines)):
				if lines[n].split()[:1] == [word]:
					return n
			if not self.app.alive():
				raise RuntimeError("pen_latency ended: %s" % self.app.stderr_text())
			if time.monotonic() > deadline:
				raise RuntimeError("pen_latency printed no %r within %.0f s" % (word, timeout))
			time.sleep(0.02)

	def stroke(self, count, rate, timeout):
		"""Draws a stroke of count samples at rate samples a second, starting with the program
		idle and the pen hovering over the first sample. Returns the send times of the samples
		(ns), the times of the stroke's points (ns), the frame line of the stroke and, for the
		pen path, how many samples the program read only after the stroke had ended."""
		pen = self.server.pen
		path = [(self.app.origin[0] + x, self.app.origin[1] + y) for x, y in stroke_path(count, self.rows)]
		self.rows += count // 100 + 3
		# The program is idle: it says "ready" again once it has drawn what the hover shows.
		before = len(self.output())
		pen.move(*path[0], pressure=0.0)
		self.wait_for("ready", before, timeout)
		pressures = [min(1.0, 0.2 + 0.8 * i / (count - 1)) for i in range(count)]
		sent = []
		pen.down(pressures[0])
		sent.append(time.monotonic_ns())
		start = time.monotonic()
		for i in range(1, count):
			delay = start + i / rate - time.monotonic()
			if delay > 0:
				time.sleep(delay)
			pen.move(*path[i], pressure=pressures[i])
			sent.append(time.monotonic_ns())
		pen.up()
		pen.sync()
		at = self.wait_for("stroke", before, timeout)
		# The frames after the release, so that the next stroke starts on an idle program.
		self.wait_for("ready", at + 1, timeout)
		late = int(self.output()[self.wait_for("touch", before, timeout)].split()[2]) if self.mode == "pen" else 0
		lines = self.output()
		points = [int(t) for t in lines[at].split()[1:]]
		frames = lines[at + 1].split()[1:]
		# Undone, so that every stroke is drawn over the same drawing (the next one discards it).
		before = len(lines)
		self.app.undo()
		self.wait_for("ready", before, timeout)
		return sent, points, (int(frames[0]), float(frames[1]), float(frames[2])), late

	def close(self):
		self.app.close()


class Run:
	"""What the strokes of one rate in one run of the program gave."""

	def __init__(self):
		self.latencies, self.frames = [], []
		self.sent = self.points = self.late = 0

	def add(self, latencies, sent, points, frame, late):
		self.latencies += latencies
		self.sent += sent
		self.points += points
		self.frames.append(frame)
		self.late += late


def main():
	parser = argparse.ArgumentParser()
	parser.add_argument("--build", required=True, help="the build tree (Release)")
	parser.add_argument("--runs", type=int, default=3)
	parser.add_argument("--sketch", type=int, nargs=2, default=(1000, 200), metavar=("STROKES", "POINTS"))
	parser.add_argument("--behind-camera", action="store_true")
	parser.add_argument("--rates", type=float, nargs="+", default=(200.0, 300.0))
	parser.add_argument("--samples", type=int, default=400, help="samples of each stroke")
	parser.add_argument("--strokes", type=int, default=2, help="strokes per rate and run")
	parser.add_argument("--timeout", type=float, default=600.0, help="seconds to wait for the program")
	args = parser.parse_args()
	build = os.path.abspath(args.build)

	# results[mode][rate]: one Run per run of the program.
	results = {mode: {rate: [] for rate in args.rates} for mode in MODES}
	with ps.PenServer(first=210, last=219) as server:
		print("Xorg with the inputtest pen on %s; sketch of %d strokes of %d points%s"
			% (server.display, args.sketch[0], args.sketch[1], " behind the camera" if args.behind_camera else ""),
			flush=True)
		for run in range(args.runs):
			for mode in (MODES if run % 2 == 0 else MODES[::-1]):
				program = Program(build, server, mode, args.sketch, args.behind_camera)
				try:
					program.wait_for("ready", 0, args.timeout)
					for rate in args.rates:
						totals = Run()
						for _ in range(args.strokes):
							sent, points, frame, late = program.stroke(args.samples, rate, args.timeout)
							these = [(p - s) / 1e6 for s, p in zip(sent, points)]
							totals.add(these, len(sent), len(points), frame, late)
							print("run %d %-4s %3.0f/s (sent at %.0f/s): %d samples, %d points, %d read after the"
								" stroke ended; latency median %.2f ms, max %.2f ms; %d frames, median %.1f ms,"
								" longest %.1f ms" % (run + 1, mode, rate, (len(sent) - 1) * 1e9 / (sent[-1] - sent[0]),
								len(sent), len(points), late, statistics.median(these), max(these), *frame), flush=True)
						results[mode][rate].append(totals)
				finally:
					program.close()

	print("\nMedians over %d runs (each run: %d strokes of %d samples, %d px apart, per rate)"
		% (args.runs, args.strokes, args.samples, SPACING))
	print("| Path | Samples/s | Latency median | Latency p99 | Samples sent | Points | Read after the stroke ended"
		" | Frame time during the strokes |")
	print("|---|---|---|---|---|---|---|---|")
	for rate in args.rates:
		for mode in MODES:
			runs = results[mode][rate]
			frame_medians = [f[1] for r in runs for f in r.frames if f[0] > 0]
			print("| %s | %.0f | %.2f ms | %.2f ms | %s | %s | %s | median %.1f ms |" % (mode, rate,
				statistics.median(statistics.median(r.latencies) for r in runs),
				statistics.median(percentile(r.latencies, 0.99) for r in runs),
				" / ".join(str(r.sent) for r in runs), " / ".join(str(r.points) for r in runs),
				" / ".join(str(r.late) for r in runs) if mode == "pen" else "-",
				statistics.median(frame_medians) if frame_medians else 0.0))



if __name__ == "__main__":
	main()
