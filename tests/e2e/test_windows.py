# The Windows build in its real window under Wine: window, drawing, orbit, undo, recording
# and a clean exit, the left-hand modifier keys as the engine's Win32 device reports them
# (and the right-hand ones doing nothing), the tablet-pen property on the window as another
# process sees it, and gifencode.exe.
#
#   python3 test_windows.py --wine WINE --probe window_probe.exe \
#       --binary vantrel.exe --assets ASSETS --gifencode gifencode.exe
# WINEPREFIX in the environment names a prefix made beforehand (wineboot is slow), with no
# wineserver of a display-less session still running (Wine keeps its display driver per session).
import argparse
import os
import subprocess
import sys
import unittest

from PIL import Image, ImageChops

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402

WINE = None
PROBE = None

# A vertical stroke 100 pixels left of the view's centre, on the plane through the target.
STROKE = [(300, 250), (300, 350)]
# X key codes of the right-hand modifiers: xdotool given their names presses the left ones.
CONTROL_R, SHIFT_R, ALT_R = 105, 62, 108
CONTROL_L = 37


def wine_env(display=None):
	env = dict(os.environ)
	if display:
		env["DISPLAY"] = display
	return env


class WindowsProgram(h.ProgramTestCase):
	@classmethod
	def setUpClass(cls):
		super().setUpClass()
		# Input only once the first frame is there: under Wine, input that arrives while the
		# program starts may be lost when it loads the tablet library (wintab32.dll).
		cls.app.wait_until(h.panel_shown)
		cls.app.drag(STROKE)
		cls.app.park()
		cls.drawn = h.find_colour_extent(cls.app.settle(), h.START_BRUSH, h.VIEW_BOX)

	def extent(self):
		self.app.park()
		return h.find_colour_extent(self.app.settle(), h.START_BRUSH, h.VIEW_BOX)

	def assertExtentNear(self, actual, expected, tol=2):
		self.assertIsNotNone(actual, "no stroke in the view")
		self.assertTrue(all(abs(a - b) <= tol for a, b in zip(actual, expected)),
			"extent %s, expected %s" % (actual, expected))

	def key_code(self, code, action):
		"""Holds the key with this X key code while running action."""
		self.app._xdotool("keydown", code)
		try:
			action()
		finally:
			self.app._xdotool("keyup", code)

	def probe(self):
		"""What window_probe.exe sees of the window captioned "Vantrel": {"pen": .., "client": ..}."""
		run = subprocess.run([WINE, PROBE], env=wine_env(self.app.server.display), timeout=120,
			stdout=subprocess.PIPE, stderr=subprocess.PIPE)
		self.assertEqual(run.returncode, 0, "window_probe.exe exit code %d; stdout:\n%s\nstderr:\n%s"
			% (run.returncode, run.stdout.decode(errors="replace"), run.stderr.decode(errors="replace")))
		return dict(line.split(" ", 1) for line in run.stdout.decode().splitlines())

	def test_1_window_has_caption_and_client_size(self):
		# The harness found the X window by the caption "Vantrel"; Wine's X window is the
		# client area, and Windows sees the same size.
		self.assertEqual(self.app.size, (h.WINDOW_W, h.WINDOW_H))
		self.assertEqual(self.probe()["client"], "%dx%d" % (h.WINDOW_W, h.WINDOW_H))
		img = self.app.settle()
		self.assertTrue(h.panel_shown(img), "panel pixel %s" % (img.getpixel((50, 300)),))
		self.assertEqual(img.getpixel((700, 50)), h.BLACK)

	def test_2_pen_property_is_set_on_the_window(self):
		self.assertEqual(self.probe()["pen"], "1", "MicrosoftTabletPenServiceProperty")

	def test_3_left_drag_draws_a_stroke_of_the_start_colour_along_its_path(self):
		# Points are sampled every 5 pixels of travel, so the end may fall a little short.
		self.assertExtentNear(self.drawn, (296, 250, 304, 350), tol=6)
		img = self.app.settle()
		for y in range(260, 341, 20):
			self.assertNear(img.getpixel((300, y)), h.START_BRUSH, 4, "stroke at y %d" % y)

	def test_4_right_hand_modifiers_do_nothing(self):
		# Keys sent by code arrive: Left Ctrl by its code undoes, and Ctrl+Shift+Z redoes.
		self.key_code(CONTROL_L, lambda: self.app.key("z"))
		self.assertIsNone(self.extent(), "Left Ctrl sent by key code must undo")
		self.app.redo()
		self.assertExtentNear(self.extent(), self.drawn)
		# Right Ctrl + Z: no undo.
		self.key_code(CONTROL_R, lambda: self.app.key("z"))
		self.assertExtentNear(self.extent(), self.drawn)
		# Left Ctrl + Right Shift + Z undoes (no redo); Left Ctrl + Left Shift + Z redoes.
		self.app.with_keys(["Control_L"], lambda: self.key_code(SHIFT_R, lambda: self.app.key("z")))
		self.assertIsNone(self.extent(), "Right Shift must not make Ctrl+Z a redo")
		self.app.redo()
		self.assertExtentNear(self.extent(), self.drawn)
		# Right Alt + left drag draws instead of orbiting; Left Ctrl + Z takes it back.
		self.key_code(ALT_R, lambda: self.app.drag([(500, 250), (500, 350)]))
		self.app.park()
		img = self.app.settle()
		self.assertNear(img.getpixel((500, 300)), h.START_BRUSH, 4, "Right Alt drag should draw")
		self.assertExtentNear(h.find_colour_extent(img, h.START_BRUSH, (h.PANEL_W, 0, 400, 560)), self.drawn)
		self.app.undo()
		self.assertExtentNear(self.extent(), self.drawn)

	def test_5_ctrl_z_hides_the_stroke_and_ctrl_shift_z_brings_it_back(self):
		self.app.undo()
		self.assertIsNone(self.extent(), "Ctrl+Z must hide the stroke")
		self.app.redo()
		self.assertExtentNear(self.extent(), self.drawn)

	def test_6_left_alt_drag_orbits(self):
		# 90 pixels to the right: the camera circles 90 degrees, and the stroke (left of the
		# target) comes round in front of it: centred and nearer.
		start, end = (600, 500), (690, 500)
		self.app.move(*start)
		self.app.with_keys(["Alt_L"], lambda: self.app.drag([start, end]))
		turned = self.extent()
		self.assertIsNotNone(turned, "the stroke left the view")
		self.assertLessEqual(abs((turned[0] + turned[2]) / 2.0 - 400), 4, "extent %s" % (turned,))
		self.assertGreater(turned[3] - turned[1], 1.15 * (self.drawn[3] - self.drawn[1]), "extent %s" % (turned,))
		self.app.move(*end)
		self.app.with_keys(["Alt_L"], lambda: self.app.drag([end, start]))
		self.assertExtentNear(self.extent(), self.drawn)

	def test_7_recording_writes_a_gif_that_pillow_reads(self):
		gif_path = os.path.join(self.app.workdir, "vantrel.gif")
		self.app.panel_click(*h.RECORD_GIF)
		self.assertEqual(self.app.settle().getpixel((50, 300)), h.BLACK, "panel should be hidden once armed")
		self.app.move(200, 450)
		self.app.press()
		self.app.glide([(200, 450), (600, 450)], step=8, pause=0.03)
		self.app.release()
		self.app.park()
		img = self.app.wait_until(h.panel_shown)
		self.assertTrue(h.panel_shown(img), "panel back after the recording")
		with Image.open(gif_path) as gif:
			self.assertEqual(gif.size, (h.WINDOW_W, h.WINDOW_H))
			self.assertGreaterEqual(gif.n_frames, 1)
			gif.seek(gif.n_frames - 1)
			last = gif.convert("RGB")
		self.assertNear(last.getpixel((300, 300)), h.START_BRUSH, 16, "the first stroke in the last frame")
		self.assertNear(last.getpixel((205, 450)), h.START_BRUSH, 16, "the recorded stroke's start")

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


class GifEncodeExe(unittest.TestCase):
	def test_frames_come_back_as_drawn(self):
		work = h.make_temp_dir("gifencode-")
		frames = []
		for i in range(2):
			img = Image.new("RGB", (64, 48), (0, 0, 0))
			img.paste((200, 40 * i, 30), (8 * i, 8, 8 * i + 24, 40))
			img.save(os.path.join(work, "f%d.png" % i))
			frames.append(img)
		run = subprocess.run([WINE, h.GIFENCODE, "-o", "out.gif", "f0.png", "f1.png"], cwd=work,
			env=wine_env(), timeout=120, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
		self.assertEqual(run.returncode, 0, "window_probe.exe exit code %d; stdout:\n%s\nstderr:\n%s"
			% (run.returncode, run.stdout.decode(errors="replace"), run.stderr.decode(errors="replace")))
		with Image.open(os.path.join(work, "out.gif")) as gif:
			self.assertEqual(gif.n_frames, 2)
			for i, source in enumerate(frames):
				gif.seek(i)
				self.assertIsNone(ImageChops.difference(gif.convert("RGB"), source).getbbox(), "frame %d" % i)


if __name__ == "__main__":
	parser = argparse.ArgumentParser(add_help=False)
	parser.add_argument("--wine", required=True)
	parser.add_argument("--probe", required=True)
	known, rest = parser.parse_known_args(sys.argv[1:])
	WINE, PROBE = known.wine, os.path.abspath(known.probe)
	sys.argv = [sys.argv[0]] + rest
	h.LAUNCHER = [WINE]
	# Wine's errors (not its notes on what it leaves out) go to the program's stderr, which a
	# failure shows.
	os.environ["WINEDEBUG"] = "fixme-all"
	h.main()
