# Recording a gesture into vantrel.gif: the frames and their content, an empty recording,
# and a recording whose file cannot be written.
import os
import struct
import subprocess
import sys

from PIL import Image, ImageChops

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402

MAX_FRAMES = 30
# Where a frame must show the backdrop: the panel's place (hidden while recording) and the
# anchor cube's place at the view's centre (hidden while recording).
PANEL_PROBES = [(50, 300), (45, 45), (97, 60), (55, 250), h.RECORD_GIF, (2, 2)]
CENTRE_PROBES = [(400, 300), (398, 298), (402, 302)]


def parse_empty_gif(data):
	"""Checks a GIF that holds no image; returns (width, height, loop count).
	Raises AssertionError naming the first thing out of place."""
	assert data[:6] == b"GIF89a", "signature %r" % data[:6]
	width, height, flags = struct.unpack("<HHB", data[6:11])
	pos = 13
	if flags & 0x80:
		pos += 3 * (2 << (flags & 7))
	loop = None
	while True:
		assert pos < len(data), "no trailer"
		block = data[pos]
		if block == 0x3B:
			assert pos == len(data) - 1, "%d bytes after the trailer" % (len(data) - 1 - pos)
			return width, height, loop
		assert block == 0x21, "block 0x%02x at %d: an image in an empty recording" % (block, pos)
		label, size = data[pos + 1], data[pos + 2]
		if label == 0xFF and data[pos + 3:pos + 3 + size] == b"NETSCAPE2.0":
			sub = pos + 3 + size
			assert data[sub] == 3 and data[sub + 1] == 1, "loop sub-block"
			loop = struct.unpack("<H", data[sub + 2:sub + 4])[0]
		pos += 3 + size
		while data[pos] != 0:
			pos += 1 + data[pos]
		pos += 1


def total_difference(a, b):
	histogram = ImageChops.difference(a, b).convert("L").histogram()
	return sum(value * count for value, count in enumerate(histogram))


class Recording(h.ProgramTestCase):
	@property
	def gif_path(self):
		return os.path.join(self.app.workdir, "vantrel.gif")

	def remove_gif(self):
		if os.path.isdir(self.gif_path):
			os.rmdir(self.gif_path)
		elif os.path.exists(self.gif_path):
			os.remove(self.gif_path)

	def arm(self):
		self.app.panel_click(*h.RECORD_GIF)
		img = self.app.settle()
		self.assertEqual(img.getpixel((50, 300)), h.BLACK, "panel should be hidden once armed")

	def test_1_gesture_is_recorded(self):
		self.remove_gif()
		self.arm()
		self.app.move(200, 350)
		self.app.press()
		# Slowly, so that frames are taken along the way.
		self.app.glide([(200, 350), (600, 350)], step=8, pause=0.03)
		self.app.release()
		self.app.park()
		img = self.app.wait_until(h.panel_shown)
		self.assertNear(img.getpixel((50, 300)), h.PANE_OVER_BLACK, 6, "panel back after the release")
		self.assertNear(img.getpixel((500, 350)), h.START_BRUSH, 4, "the gesture drew its stroke")

		with Image.open(self.gif_path) as gif:
			self.assertEqual(gif.size, (h.WINDOW_W, h.WINDOW_H))
			self.assertEqual(gif.info.get("loop"), 0, "must loop forever")
			frames = gif.n_frames
			self.assertTrue(1 <= frames <= MAX_FRAMES, "%d frames" % frames)
			for i in range(frames):
				gif.seek(i)
				frame = gif.convert("RGB")
				for p in PANEL_PROBES:
					self.assertNear(frame.getpixel(p), h.BLACK, 4, "frame %d, panel place %s" % (i, p))
				for p in CENTRE_PROBES:
					self.assertNear(frame.getpixel(p), h.BLACK, 4, "frame %d, anchor place %s" % (i, p))
			last = frame
		extent = h.find_colour_extent(last, h.START_BRUSH, h.VIEW_BOX, tol=16)
		self.assertIsNotNone(extent, "the last frame shows no stroke")
		self.assertTrue(190 <= extent[0] <= 200 and 340 <= extent[1] and extent[3] <= 360,
			"stroke in the last frame at %s" % (extent,))
		self.assertGreater(extent[2], 240, "the last frame shows too little of the stroke: %s" % (extent,))
		for x in range(210, extent[2] - 10, 10):
			self.assertNear(last.getpixel((x, 350)), h.START_BRUSH, 16, "last frame at x %d" % x)
		for x in range(210, 600, 40):
			self.assertNear(last.getpixel((x, 320)), h.BLACK, 4, "last frame off the path at x %d" % x)

	def test_2_press_and_release_write_a_gif_without_frames(self):
		self.remove_gif()
		self.arm()
		self.app.move(650, 120)
		self.app.press()
		self.app.release()
		self.app.park()
		img = self.app.wait_until(h.panel_shown)
		self.assertNear(img.getpixel((50, 300)), h.PANE_OVER_BLACK, 6, "panel back after the release")
		with open(self.gif_path, "rb") as f:
			data = f.read()
		width, height, loop = parse_empty_gif(data)
		self.assertEqual((width, height), (h.WINDOW_W, h.WINDOW_H))
		self.assertEqual(loop, 0, "the loop extension is missing or not forever")

	def test_3_unwritable_file_leaves_the_program_idle(self):
		self.remove_gif()
		os.mkdir(self.gif_path)
		self.arm()
		self.app.move(600, 100)
		self.app.press()
		self.app.glide([(600, 100), (700, 100)], step=8, pause=0.03)
		self.app.release()
		self.app.park()
		img = self.app.wait_until(h.panel_shown)
		self.assertTrue(self.app.alive(), "the program ended: %s" % self.app.stderr_text())
		self.assertTrue(os.path.isdir(self.gif_path))
		self.assertEqual(os.listdir(self.gif_path), [])
		self.assertNear(img.getpixel((50, 300)), h.PANE_OVER_BLACK, 6, "panel back after the release")
		self.assertNear(img.getpixel((650, 100)), h.START_BRUSH, 4, "the gesture drew its stroke")

		# Still responsive: a later drag draws ...
		self.app.drag([(300, 500), (500, 500)])
		self.app.park()
		img = self.app.settle()
		self.assertNear(img.getpixel((400, 500)), h.START_BRUSH, 4, "a later stroke")
		# ... and the next recording, once the file can be written, works.
		self.remove_gif()
		self.arm()
		self.app.move(300, 200)
		self.app.press()
		self.app.glide([(300, 200), (400, 200)], step=8, pause=0.03)
		self.app.release()
		self.app.park()
		self.assertTrue(h.panel_shown(self.app.wait_until(h.panel_shown)), "panel back after the release")
		with Image.open(self.gif_path) as gif:
			self.assertTrue(1 <= gif.n_frames <= MAX_FRAMES, "%d frames" % gif.n_frames)

	def test_4_frames_are_what_the_window_showed(self):
		"""An orbit is recorded while the window is read back after the press and after every
		move. Each recorded frame is one of those pictures (frames are skipped when the
		program draws faster than the capture interval), so the program's file must be the
		very bytes gifencode writes for the matching read-backs: the recording shows what
		the window showed, smoothed edges included."""
		# Slanted strokes: their edges are where smoothing shows.
		self.app.drag([(250, 150), (550, 250)])
		self.app.drag([(300, 450), (500, 330)])
		self.remove_gif()
		self.arm()
		shots = self.app.gesture_with_readbacks((400, 300), [(400 + 6 * i, 300) for i in range(1, 9)], "Alt_L")
		self.app.park()
		self.app.wait_until(h.panel_shown)

		scratch = h.make_temp_dir("frames-")
		with Image.open(self.gif_path) as gif:
			self.assertTrue(1 <= gif.n_frames <= len(shots), "%d frames" % gif.n_frames)
			matched = []
			for i in range(gif.n_frames):
				gif.seek(i)
				frame = gif.convert("RGB")
				# Quantisation leaves small differences; the nearest picture from here on is the one.
				start = matched[-1] if matched else 0
				errors = [(total_difference(frame, shots[k]), k) for k in range(start, len(shots))]
				matched.append(min(errors)[1])
		paths = []
		for n, k in enumerate(matched):
			paths.append(os.path.join(scratch, "frame_%02d.png" % n))
			shots[k].save(paths[-1])
		expected = os.path.join(scratch, "expected.gif")
		subprocess.run([h.GIFENCODE, "-o", expected] + paths, check=True)
		with open(expected, "rb") as f, open(self.gif_path, "rb") as g:
			self.assertTrue(f.read() == g.read(),
				"the recording differs from the window's pictures %s" % matched)

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


if __name__ == "__main__":
	h.main()
