#!/usr/bin/env python3
# GIF encoders side by side: the program's own (tools/gifencode) against ImageMagick,
# ffmpeg and Pillow on the same 30 frames of 800 x 600 taken from the real program.
#
#   bench/compare_gif.py --build build-rel [--frames DIR] [--runs 3]
#
# Frames: with --frames DIR holding orbit/ and growing/ (frame_00.png .. frame_29.png) they
# are reused; otherwise (or with --capture) the program is started on a private Xvfb
# server, a sketch of 40 strokes is drawn with xdotool, and two recordings are taken while
# the window is read back after every pointer move: an orbit around the sketch and one
# stroke growing over it. Both are made exactly as a user makes a recording ("RecordGif",
# then a gesture), so the frames show the view as the recording sees it.
#
# Each encoder runs as its own process, PNG decoding included, --runs times; the table
# gives the median wall time, the CPU time of that run, the largest peak resident size,
# the file size, the frame count a decoder sees and the mean PSNR of the decoded frames
# (composited as a viewer shows them, by Pillow) against the source frames.
# Needs Xvfb, xdotool, ImageMagick (convert), ffmpeg, GNU time and python3-pil
# (scripts/install-deps.sh --bench).
import argparse
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness as h  # noqa: E402

FRAME_COUNT = 30
SETS = ("orbit", "growing")
GNU_TIME = "/usr/bin/time"
# PSNR reported for a frame decoded without any difference.
PSNR_EXACT = 99.0


# ---------------------------------------------------------------------------------------
# Capturing frames from the real program

def frame_name(i):
	return "frame_%02d.png" % i


def draw_sketch(app):
	"""40 strokes in four layers, the camera orbited between layers so that the layers lie
	on different planes: curves, loops and zigzags in varied colours and widths."""
	thumb = 0
	for layer in range(4):
		offset = (0, 3, 1, 5)[layer]
		app.set_radius_thumb(h.RADIUS_THUMB_AT_0[0] + thumb, h.RADIUS_THUMB_AT_0[0] + offset)
		thumb = offset
		for k in range(10):
			n = layer * 10 + k
			app.pick_colour(8 + (n * 37) % 120, (30 + (n * 13) % 54, 6 + (n * 7) % 40))
			cx, cy = 200 + (k % 5) * 110, 150 + (k // 5) * 250 + (layer % 2) * 40
			points = []
			for t in range(25):
				a = t / 24.0 * math.pi * (1.0 + (n % 3) * 0.6)
				r = 40 + 25 * ((n + layer) % 4)
				if n % 3 == 0:
					points.append((cx - r + 2 * r * t / 24.0, cy + 0.6 * r * math.sin(2 * a)))
				elif n % 3 == 1:
					points.append((cx + r * math.cos(a), cy + 0.7 * r * math.sin(a)))
				else:
					points.append((cx - r + 2 * r * t / 24.0, cy + (25 if t % 4 < 2 else -25)))
			app.drag([(int(x), int(y)) for x, y in points], step=6)
		app.move(450, 300)
		app.with_keys(["Alt_L"], lambda: app.drag([(450, 300), (485, 310)], step=5))
	app.set_radius_thumb(h.RADIUS_THUMB_AT_0[0] + thumb, h.RADIUS_THUMB_AT_0[0])
	app.park()
	app.settle()


def record(app, out_dir, start, step_to, modifier=None):
	"""Makes a recording of FRAME_COUNT - 1 pointer moves and keeps the window's read-backs
	after the press and after every move. The program takes a frame per move at most, so
	it never reaches its limit during the gesture and the panel stays hidden throughout."""
	os.makedirs(out_dir, exist_ok=True)
	app.panel_click(*h.RECORD_GIF)
	pictures = app.gesture_with_readbacks(start, [step_to(i) for i in range(1, FRAME_COUNT)], modifier)
	for i, img in enumerate(pictures):
		if h.panel_shown(img):
			raise RuntimeError("the panel showed during the recording (frame %d)" % i)
		img.save(os.path.join(out_dir, frame_name(i)))
	app.park()
	app.wait_until(h.panel_shown)


def capture(build, frames_dir):
	binary = os.path.join(build, "vantrel")
	assets = os.path.join(build, "assets")
	app = h.Vantrel(binary, assets, h.XServer())
	try:
		if app.size != (h.WINDOW_W, h.WINDOW_H):
			raise RuntimeError("window is %dx%d" % app.size)
		draw_sketch(app)
		# Orbit: 29 moves of 6 pixels, 6 degrees each.
		record(app, os.path.join(frames_dir, "orbit"), (300, 300), lambda i: (300 + 6 * i, 300),
			modifier="Alt_L")
		# One stroke growing along a wave across the top of the sketch, 19 pixels a move: the
		# new stroke lies on the plane through the sketch's middle, so where the sketch is
		# dense other strokes hide it.
		app.pick_colour(20, (80, 10))
		record(app, os.path.join(frames_dir, "growing"), (140, 60),
			lambda i: (140 + 19 * i, int(60 + 30 * math.sin(i / 29.0 * math.pi * 3))))
	finally:
		app.shutdown()


# ---------------------------------------------------------------------------------------
# Encoders

def encoders(build):
	gifencode = os.path.join(build, "tools", "gifencode")
	pillow = ("from PIL import Image; import sys; fs=[Image.open(p).convert('RGB') for p in sys.argv[2:]]; "
		"fs[0].save(sys.argv[1], save_all=True, append_images=fs[1:], duration=10, loop=0)")
	palettes = "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1:dither=none"
	return [
		("gifencode (this program's encoder)", lambda src, out: [gifencode, "-o", out] + src),
		("ImageMagick convert -dither None", lambda src, out:
			["convert", "-delay", "1", "-loop", "0", "-dither", "None"] + src + [out]),
		("ffmpeg, a palette per frame, no dithering", lambda src, out:
			["ffmpeg", "-v", "error", "-y", "-framerate", "100", "-i",
				os.path.join(os.path.dirname(src[0]), "frame_%02d.png"),
				"-filter_complex", palettes, "-loop", "0", out]),
		("Pillow, default settings", lambda src, out: [sys.executable, "-c", pillow, out] + src),
	]


def run_measured(argv, scratch):
	"""Runs argv; returns (wall seconds, CPU seconds, peak resident KiB). The peak comes from
	GNU time, which forks the program from its own small process: the peak a process reports
	counts the memory of the process it was forked from, here this script's decoded frames."""
	report = os.path.join(scratch, "usage.txt")
	start = time.monotonic()
	proc = subprocess.run([GNU_TIME, "-f", "%U %S %M", "-o", report] + argv,
		stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
	wall = time.monotonic() - start
	if proc.returncode != 0:
		raise RuntimeError("%s failed (%d): %s" % (argv[0], proc.returncode, proc.stderr.decode(errors="replace")))
	with open(report) as f:
		user, system, peak = f.read().split()[-3:]
	return wall, float(user) + float(system), int(peak)


def psnr(a, b):
	diff = ImageChops.difference(a, b)
	squared = 0
	for band in diff.split():
		squared += sum(count * value * value for value, count in enumerate(band.histogram()))
	mse = squared / (3.0 * a.width * a.height)
	return PSNR_EXACT if mse == 0 else min(PSNR_EXACT, 10.0 * math.log10(255.0 * 255.0 / mse))


def quality(gif_path, sources):
	"""(frames decoded, mean PSNR over the source frames)."""
	values = []
	with Image.open(gif_path) as gif:
		count = gif.n_frames
		for i, src in enumerate(sources):
			if i >= count:
				break
			gif.seek(i)
			values.append(psnr(gif.convert("RGB"), src))
	return count, (statistics.mean(values) if values else 0.0)


def compare(build, frames_dir, runs, scratch):
	rows = []
	for name in SETS:
		src = [os.path.join(frames_dir, name, frame_name(i)) for i in range(FRAME_COUNT)]
		sources = [Image.open(p).convert("RGB") for p in src]
		for label, command in encoders(build):
			out = os.path.join(scratch, "%s.gif" % name)
			measured = [run_measured(command(src, out), scratch) for _ in range(runs)]
			# The run of median wall time (the later one of the middle two for an even count).
			wall, cpu, _ = sorted(measured)[len(measured) // 2]
			peak = max(m[2] for m in measured)
			count, mean_psnr = quality(out, sources)
			rows.append((name, label, wall, cpu, peak, os.path.getsize(out), count, mean_psnr))
			print("%-8s %-42s %6.2f s wall %6.2f s CPU %6.1f MiB %8.1f KiB %2d frames %5.2f dB"
				% (name, label, wall, cpu, peak / 1024.0, os.path.getsize(out) / 1024.0, count, mean_psnr),
				file=sys.stderr)
			os.remove(out)
	return rows


def markdown(rows):
	lines = [
		"| Frames | Encoder | Wall time | CPU time | Peak memory | File size | Frames decoded | Mean PSNR |",
		"|---|---|---|---|---|---|---|---|",
	]
	for name, label, wall, cpu, peak, size, count, mean_psnr in rows:
		lines.append("| %s | %s | %.2f s | %.2f s | %.0f MiB | %.0f KiB | %d | %.2f dB |"
			% (name, label, wall, cpu, peak / 1024.0, size / 1024.0, count, mean_psnr))
	return "\n".join(lines)


def main():
	parser = argparse.ArgumentParser(description="Encodes 30 frames from the program with gifencode, "
		"ImageMagick, ffmpeg and Pillow; prints a Markdown table.")
	parser.add_argument("--build", required=True, help="build directory with vantrel, assets/ and tools/gifencode")
	parser.add_argument("--frames", help="directory of frames to reuse or to capture into")
	parser.add_argument("--capture", action="store_true", help="capture the frames even if they exist")
	parser.add_argument("--runs", type=int, default=3, help="runs of each encoder (default 3)")
	args = parser.parse_args()
	build = os.path.abspath(args.build)

	scratch = tempfile.mkdtemp(prefix="vantrel-gifbench-")
	try:
		frames_dir = os.path.abspath(args.frames) if args.frames else os.path.join(scratch, "frames")
		have = all(os.path.exists(os.path.join(frames_dir, s, frame_name(FRAME_COUNT - 1))) for s in SETS)
		if args.capture or not have:
			capture(build, frames_dir)
		print(markdown(compare(build, frames_dir, max(1, args.runs), scratch)))
	finally:
		shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
	main()
