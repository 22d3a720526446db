# Recording into vantrel.gif with real X input: a gesture on the wall clock (delays, distinct
# frames, the view at the release, the same frames for Pillow, ImageMagick and giflib), the
# frames being what the window showed, what keeps an earlier file (a press without a move, a
# directory in the way, Escape, a kill while the file is being written) and the Turntable loop.
import os
import signal
import subprocess
import sys
import time

from PIL import Image, ImageChops, ImageStat

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402

#: Shortest frame delay the program writes, in milliseconds (2 hundredths).
MIN_DELAY_MS = 20
TURNTABLE = (55, 560)
# Where a frame must show the backdrop: the panel's place (hidden while recording) and the
# anchor cube's place at the view's centre (hidden while recording).
PANEL_PROBES = [(50, 300), (45, 45), (97, 60), (55, 250), h.RECORD_GIF, TURNTABLE, (2, 2)]
CENTRE_PROBES = [(400, 300), (398, 298), (402, 302)]
# The view without the panel's strip and the note's line at its foot.
VIEW_ABOVE_NOTE = (h.PANEL_W, 0, h.WINDOW_W, 570)
NOTE_WRITTEN = "vantrel: vantrel.gif: "


def gif_frames(path):
	"""The frames as a viewer shows them (composited by Pillow) and their delays in ms."""
	frames = []
	with Image.open(path) as gif:
		for i in range(gif.n_frames):
			gif.seek(i)
			frames.append((gif.convert("RGB"), gif.info.get("duration")))
	return frames


def imagemagick_frames(path):
	"""(delay in hundredths, width, height) of each frame as ImageMagick reads the file."""
	out = subprocess.run(["identify", "-format", "%T %w %h\n", path], check=True,
		stdout=subprocess.PIPE).stdout.decode()
	return [tuple(int(v) for v in line.split()) for line in out.splitlines()]


def giflib_frames(path):
	"""The delays (hundredths) and image sizes giflib's gifbuild finds in the file."""
	delays, sizes = [], []
	with subprocess.Popen(["gifbuild", "-d", path], stdout=subprocess.PIPE) as proc:
		for raw in proc.stdout:
			line = raw.decode(errors="replace").strip()
			if line.startswith("delay "):
				delays.append(int(line.split()[1]))
			elif line.startswith("image bits "):
				parts = line.split()
				sizes.append((int(parts[2]), int(parts[4])))
	assert proc.returncode == 0, "gifbuild refused %s" % path
	return delays, sizes


def without_delays(data):
	"""The file's bytes with every frame's delay field set to 0, the blocks walked as a
	decoder walks them."""
	data = bytearray(data)
	pos = 13
	if data[10] & 0x80:
		pos += 3 * (2 << (data[10] & 7))
	while data[pos] != 0x3B:
		if data[pos] == 0x21:
			if data[pos + 1] == 0xF9:
				data[pos + 4:pos + 6] = b"\0\0"
			pos += 2
		else:
			assert data[pos] == 0x2C, "block 0x%02x at %d" % (data[pos], pos)
			packed = data[pos + 9]
			pos += 10
			if packed & 0x80:
				pos += 3 * (2 << (packed & 7))
			pos += 1  # LZW minimum code size
		while data[pos] != 0:
			pos += 1 + data[pos]
		pos += 1
	return bytes(data)


def mean_difference(a, b, box=None):
	"""Mean absolute difference per channel and pixel, over box."""
	if box:
		a, b = a.crop(box), b.crop(box)
	return sum(ImageStat.Stat(ImageChops.difference(a, b)).mean) / 3.0


def total_difference(a, b):
	histogram = ImageChops.difference(a, b).convert("L").histogram()
	return sum(value * count for value, count in enumerate(histogram))


def write_earlier_recording(path):
	"""A small good GIF standing for an earlier recording; returns its bytes."""
	first = Image.new("RGB", (16, 16), (200, 30, 30))
	second = Image.new("RGB", (16, 16), (30, 30, 200))
	first.save(path, save_all=True, append_images=[second], duration=[100, 100], loop=0)
	with open(path, "rb") as f:
		return f.read()


class RecordingTestCase(h.ProgramTestCase):
	@property
	def gif_path(self):
		return os.path.join(self.app.workdir, "vantrel.gif")

	def remove_gif(self):
		if os.path.isdir(self.gif_path):
			os.rmdir(self.gif_path)
		elif os.path.exists(self.gif_path):
			os.remove(self.gif_path)

	def read_gif(self):
		with open(self.gif_path, "rb") as f:
			return f.read()

	def arm(self):
		self.app.panel_click(*h.RECORD_GIF)
		img = self.app.settle()
		self.assertEqual(img.getpixel((50, 300)), h.BLACK, "panel should be hidden once armed")

	def notes(self, text):
		return self.app.stderr_text().count(text)

	def parts(self):
		"""The names of the writer's temporary files in the working directory."""
		return sorted(n for n in os.listdir(self.app.workdir) if n.startswith("vantrel.gif.part"))

	def wait_for_note(self, text, count, timeout=120.0):
		"""Waits until the program has shown the note `text` count times (notes go to stderr)."""
		deadline = time.monotonic() + timeout
		while self.notes(text) < count and time.monotonic() < deadline:
			time.sleep(0.1)
		self.assertGreaterEqual(self.notes(text), count, "no note %r; stderr:\n%s"
			% (text, self.app.stderr_text()))

	def sketch(self):
		"""Two slanted strokes about the centre, clear of the anchor's place."""
		self.app.drag([(250, 150), (550, 250)])
		self.app.drag([(300, 450), (500, 330)])
		self.app.park()


class Recording(RecordingTestCase):
	def test_1_orbit_plays_at_the_gestures_speed(self):
		self.sketch()
		self.remove_gif()
		written = self.notes(NOTE_WRITTEN)
		self.arm()
		self.app.move(400, 300)
		self.app.key_down("Alt_L")
		try:
			before = time.monotonic()
			self.app.press()
			pressed = (before + time.monotonic()) / 2
			# About 3 s of orbit: 60 moves of 3 pixels, 50 ms apart.
			self.app.glide([(400, 300), (580, 300)], step=3, pause=0.05)
			before = time.monotonic()
			self.app.release()
			released = (before + time.monotonic()) / 2
			# Alt still held: the window shows the view at the release, with the panel back.
			at_release = self.app.wait_until(h.panel_shown)
		finally:
			self.app.key_up("Alt_L")
		self.app.park()
		duration = released - pressed
		print("gesture: pressed %.3f, released %.3f, %.3f s" % (pressed, released, duration))
		self.assertTrue(h.panel_shown(at_release), "the panel did not come back")
		self.wait_for_note(NOTE_WRITTEN, written + 1)

		frames = gif_frames(self.gif_path)
		delays = [d for _, d in frames]
		print("frames: %d, delays (ms): %s" % (len(frames), delays))
		self.assertGreaterEqual(len(frames), 10, "an orbit of 3 s gave only %d frames" % len(frames))
		self.assertTrue(all(d >= MIN_DELAY_MS for d in delays), "delays below 2 hundredths: %s" % delays)
		self.assertLess(abs(sum(delays) / 1000.0 - duration), 0.1 * duration,
			"the file plays %.2f s, the gesture took %.2f s" % (sum(delays) / 1000.0, duration))
		for i in range(1, len(frames)):
			self.assertNotEqual(frames[i - 1][0].tobytes(), frames[i][0].tobytes(),
				"frames %d and %d are the same picture" % (i - 1, i))
		for i, (frame, _) in enumerate(frames):
			for p in PANEL_PROBES:
				self.assertNear(frame.getpixel(p), h.BLACK, 4, "frame %d, panel place %s" % (i, p))
			for p in CENTRE_PROBES:
				self.assertNear(frame.getpixel(p), h.BLACK, 4, "frame %d, anchor place %s" % (i, p))
		# The last frame is the view at the release: of all frames the nearest to the window's.
		differences = [mean_difference(frame, at_release, VIEW_ABOVE_NOTE) for frame, _ in frames]
		self.assertLess(differences[-1], 1.0, "last frame against the window: %s" % differences[-4:])
		self.assertEqual(differences[-1], min(differences), "an earlier frame is nearer: %s" % differences)
		self.assertGreater(differences[0], 4 * differences[-1] + 0.5, "the first frame shows the end already")

		# Other readers see the same frames and delays.
		self.assertEqual(imagemagick_frames(self.gif_path),
			[(d // 10, h.WINDOW_W, h.WINDOW_H) for d in delays], "ImageMagick")
		giflib_delays, giflib_sizes = giflib_frames(self.gif_path)
		self.assertEqual(giflib_delays, [d // 10 for d in delays], "giflib")
		self.assertEqual(giflib_sizes, [(h.WINDOW_W, h.WINDOW_H)] * len(frames), "giflib")

	def test_2_press_and_release_without_a_move_keep_the_previous_file(self):
		earlier = write_earlier_recording(self.gif_path)
		unchanged = self.notes("vantrel.gif not written: the view did not change")
		self.arm()
		# x = 50: the hidden panel's strip, which belongs to the view while recording.
		self.app.move(50, 120)
		self.app.press()
		img = self.app.settle()
		self.assertFalse(h.panel_shown(img), "the press should start the recording")
		self.app.release()
		self.app.park()
		img = self.app.wait_until(h.panel_shown)
		self.assertNear(img.getpixel((50, 300)), h.PANE_OVER_BLACK, 6, "panel back after the release")
		self.wait_for_note("vantrel.gif not written: the view did not change", unchanged + 1)
		self.assertEqual(self.read_gif(), earlier, "the earlier recording was touched")

	def test_2b_a_link_named_like_the_temporary_file_is_not_written_through(self):
		# A file of the user's, and links to it under the temporary file's old fixed name and
		# under names that look like the new ones.
		victim = os.path.join(self.app.workdir, "precious.txt")
		with open(victim, "w") as f:
			f.write("precious")
		for name in ["vantrel.gif.part", "vantrel.gif.part0", "vantrel.gif.part1-0-0"]:
			os.symlink(victim, os.path.join(self.app.workdir, name))
		self.sketch()
		self.remove_gif()
		written = self.notes(NOTE_WRITTEN)
		self.arm()
		self.app.move(400, 300)
		self.app.key_down("Alt_L")
		try:
			self.app.press()
			self.app.glide([(400, 300), (520, 300)], step=6, pause=0.05)
			self.app.release()
		finally:
			self.app.key_up("Alt_L")
		self.app.park()
		self.wait_for_note(NOTE_WRITTEN, written + 1)
		with open(victim, "rb") as f:
			self.assertEqual(f.read(), b"precious", "the recording wrote through a link")
		self.assertGreaterEqual(len(gif_frames(self.gif_path)), 2)
		for name in ["vantrel.gif.part", "vantrel.gif.part0", "vantrel.gif.part1-0-0"]:
			self.assertTrue(os.path.islink(os.path.join(self.app.workdir, name)))
			os.remove(os.path.join(self.app.workdir, name))
		self.assertEqual(self.parts(), [], "the temporary file was left behind")

	def test_3_directory_in_the_way_gives_a_note_and_the_program_goes_on(self):
		self.remove_gif()
		os.mkdir(self.gif_path)
		self.arm()
		self.app.move(600, 100)
		self.app.press()
		self.app.glide([(600, 100), (700, 100)], step=8, pause=0.03)
		self.app.release()
		self.app.park()
		img = self.app.wait_until(h.panel_shown)
		self.wait_for_note("vantrel.gif not written: a directory of that name is in the way", 1)
		self.assertTrue(self.app.alive(), "the program ended: %s" % self.app.stderr_text())
		self.assertTrue(os.path.isdir(self.gif_path))
		self.assertEqual(os.listdir(self.gif_path), [])
		self.assertEqual(self.parts(), [], "the temporary file was left behind")
		self.assertNear(img.getpixel((650, 100)), h.START_BRUSH, 4, "the gesture drew its stroke")

		# Still responsive: a later drag draws ...
		self.app.drag([(300, 500), (500, 500)])
		self.app.park()
		img = self.app.settle()
		self.assertNear(img.getpixel((400, 500)), h.START_BRUSH, 4, "a later stroke")
		# ... and the next recording, once the file can be written, works.
		self.remove_gif()
		written = self.notes(NOTE_WRITTEN)
		self.arm()
		self.app.move(300, 200)
		self.app.press()
		self.app.glide([(300, 200), (400, 200)], step=8, pause=0.03)
		self.app.release()
		self.app.park()
		self.assertTrue(h.panel_shown(self.app.wait_until(h.panel_shown)), "panel back after the release")
		self.wait_for_note(NOTE_WRITTEN, written + 1)
		self.assertGreaterEqual(len(gif_frames(self.gif_path)), 2)

	def test_4_frames_are_what_the_window_showed(self):
		"""An orbit is recorded while the window is read back after the press and after every
		move. Each recorded frame is one of those pictures, so apart from the delays the
		program's file must be the very bytes gifencode writes for the matching read-backs:
		the recording shows what the window showed, smoothed edges included, and the encoder
		writes what it always wrote."""
		self.remove_gif()
		written = self.notes(NOTE_WRITTEN)
		self.arm()
		shots = self.app.gesture_with_readbacks((400, 300), [(400 + 6 * i, 300) for i in range(1, 9)], "Alt_L")
		self.app.park()
		self.app.wait_until(h.panel_shown)
		self.wait_for_note(NOTE_WRITTEN, written + 1)

		scratch = h.make_temp_dir("frames-")
		frames = gif_frames(self.gif_path)
		self.assertTrue(2 <= len(frames) <= len(shots), "%d frames" % len(frames))
		matched = []
		for frame, _ in frames:
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
		with open(expected, "rb") as f:
			self.assertTrue(without_delays(f.read()) == without_delays(self.read_gif()),
				"the recording differs from the window's pictures %s" % matched)

	def test_5_escape_cancels_a_requested_or_running_recording(self):
		earlier = write_earlier_recording(self.gif_path)
		self.app.move(h.RECORD_GIF[0] + 1, h.RECORD_GIF[1])
		before = self.app.settle()
		self.arm()
		self.app.key("Escape")
		# The pointer back over the (shown) panel puts the brush preview back at the anchor.
		self.app.move(h.RECORD_GIF[0] + 2, h.RECORD_GIF[1])
		self.app.move(h.RECORD_GIF[0] + 1, h.RECORD_GIF[1])
		after = self.app.settle()
		# Above the note's line: an earlier note may go meanwhile.
		above_note = (0, 0, h.WINDOW_W, 570)
		self.assertTrue(after.crop(above_note).tobytes() == before.crop(above_note).tobytes(),
			"panel and view not as before the request")
		# The next press in the view draws and records nothing.
		noted = self.notes("vantrel: ")
		self.app.drag([(300, 520), (420, 520)])
		self.app.park()
		img = self.app.settle()
		self.assertNear(img.getpixel((360, 520)), h.START_BRUSH, 4, "the drag drew")

		# Escape in the middle of a recording: the panel comes back and nothing is written.
		self.arm()
		self.app.move(300, 560)
		self.app.press()
		self.app.glide([(300, 560), (400, 560)], step=8, pause=0.03)
		self.app.key("Escape")
		self.assertTrue(h.panel_shown(self.app.wait_until(h.panel_shown)), "panel back after Escape")
		self.app.release()
		self.app.park()
		self.wait_for_note("recording cancelled: vantrel.gif is unchanged", 1)
		self.assertEqual(self.notes("vantrel: "), noted + 1, self.app.stderr_text())
		self.assertEqual(self.read_gif(), earlier)

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


class Turntable(RecordingTestCase):
	def test_loop_goes_back_to_the_view_it_started_from(self):
		self.sketch()
		before = self.app.settle()
		written = self.notes(NOTE_WRITTEN)
		self.app.click(*TURNTABLE)
		self.app.park()
		after = self.app.wait_until(h.panel_shown)
		self.wait_for_note(NOTE_WRITTEN, written + 1)
		self.assertTrue(after.crop(VIEW_ABOVE_NOTE).tobytes() == before.crop(VIEW_ABOVE_NOTE).tobytes(),
			"the camera is not back where it was")

		frames = gif_frames(self.gif_path)
		delays = [d for _, d in frames]
		self.assertEqual(len(frames), 75, "one frame every 40 ms over 3 s")
		self.assertEqual(delays, [40] * 75)
		for i, (frame, _) in enumerate(frames):
			for p in PANEL_PROBES + CENTRE_PROBES:
				self.assertNear(frame.getpixel(p), h.BLACK, 4, "frame %d at %s" % (i, p))
		first, last, half = frames[0][0], frames[-1][0], frames[37][0]
		seam = mean_difference(first, last)
		self.assertLess(seam, 0.5, "first and last frames differ by %.2f" % seam)
		self.assertGreater(mean_difference(first, half), 10 * seam + 0.2, "the view did not turn")


class KilledWhileWriting(RecordingTestCase):
	def test_kill_while_encoding_leaves_the_previous_file(self):
		self.sketch()
		earlier = write_earlier_recording(self.gif_path)
		self.arm()
		self.app.move(400, 300)
		self.app.key_down("Alt_L")
		try:
			self.app.press()
			# Orbit until the writer has begun the file, then kill the program outright.
			x, deadline = 400, time.monotonic() + 20
			while not self.parts() and time.monotonic() < deadline:
				self.app.glide([(x, 300), (x + 12, 300)], step=3, pause=0.05)
				x = 400 + (x - 400 + 12) % 300
			self.assertTrue(self.parts(), "the writer never began the file")
			self.app.proc.send_signal(signal.SIGKILL)
			self.app.proc.wait(60)
		finally:
			self.app.key_up("Alt_L")
		self.assertEqual(self.read_gif(), earlier, "the earlier recording was touched")
		self.assertEqual(len(self.parts()), 1)
		self.assertEqual(sorted(n for n in os.listdir(self.app.workdir) if n.startswith("vantrel.gif")),
			["vantrel.gif"] + self.parts())


if __name__ == "__main__":
	h.main()
