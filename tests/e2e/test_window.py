# The program's window at start-up, its clean exit on a close request, a start without any
# of its asset files, and a start without a display.
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402


class StartupWindow(h.ProgramTestCase):
	def test_1_window_has_caption_and_size(self):
		# The harness found the window by its caption "Vantrel".
		self.assertEqual(self.app.size, (h.WINDOW_W, h.WINDOW_H))

	def test_2_view_is_cleared_to_opaque_black(self):
		img = self.app.settle()
		for p in [(150, 50), (700, 50), (700, 550), (150, 550), (799, 0), (110, 599), (600, 200)]:
			self.assertEqual(img.getpixel(p), h.BLACK, "view pixel %s" % (p,))

	def test_3_anchor_and_marker_stand_translucent_at_the_centre(self):
		img = self.app.settle()
		centre = img.getpixel((400, 300))
		self.assertTrue(all(c >= 40 for c in centre), "centre %s should be lit" % (centre,))
		self.assertFalse(all(c >= 240 for c in centre), "centre %s should be translucent" % (centre,))
		# Both are a few pixels across at the start-up distance: nothing 40 pixels away.
		for p in [(360, 300), (440, 300), (400, 260), (400, 340)]:
			self.assertEqual(img.getpixel(p), h.BLACK, "pixel %s" % (p,))

	def test_4_panel_is_drawn_at_the_left(self):
		img = self.app.settle()
		# Bare pane below the brush editor, above the buttons at the foot and beside them.
		for p in [(50, 300), (10, 450), (100, 500), (2, 590)]:
			self.assertNear(img.getpixel(p), h.PANE_OVER_BLACK, 6, "pane pixel %s" % (p,))
		# The hue bar starts at red; the preview shows the start colour.
		r, g, b = img.getpixel((h.HUE_BAR_X, 8))
		self.assertTrue(r > 200 and g < 60, "hue bar top %s" % ((r, g, b),))
		self.assertNear(img.getpixel(h.PREVIEW), h.START_BRUSH, 4, "preview")
		# The panel ends at x 110.
		self.assertEqual(img.getpixel((110, 450)), h.BLACK)
		self.assertNotEqual(img.getpixel((109, 450)), h.BLACK)

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


class StartupWithoutAssets(h.ProgramTestCase):
	omit_assets = h.ASSET_FILES

	def test_1_panel_and_picker_still_work(self):
		self.assertEqual(os.listdir(self.app.workdir), [])
		img = self.app.settle()
		self.assertNear(img.getpixel((50, 300)), h.PANE_OVER_BLACK, 6, "pane")
		self.app.panel_click(h.HUE_BAR_X, 95)  # green part of the hue bar
		self.app.panel_click(*h.BOX_TOP_RIGHT)
		img = self.app.settle()
		picked = img.getpixel(h.PREVIEW)
		self.assertFalse(h.near(picked, h.START_BRUSH, 40), "preview %s did not change" % (picked,))
		self.app.drag([(200, 450), (600, 450)])
		self.app.park()
		img = self.app.settle()
		for x in range(240, 561, 40):
			self.assertNear(img.getpixel((x, 450)), picked, 12, "stroke at x %d" % x)

	def test_2_recording_request_without_warning_image(self):
		self.app.panel_click(*h.RECORD_GIF)
		img = self.app.settle()
		self.assertEqual(img.getpixel((50, 300)), h.BLACK, "panel should be hidden")
		self.app.drag([(600, 150), (700, 150)], step=8, pause=0.03)
		self.app.park()
		img = self.app.wait_until(h.panel_shown)
		self.assertNear(img.getpixel((50, 300)), h.PANE_OVER_BLACK, 6, "panel back")
		# The file is written beside the frame loop and appears once complete.
		path = os.path.join(self.app.workdir, "vantrel.gif")
		deadline = time.monotonic() + 120
		while not os.path.isfile(path) and time.monotonic() < deadline:
			time.sleep(0.1)
		self.assertTrue(os.path.isfile(path))

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


class StartupWithoutDisplay(unittest.TestCase):
	def test_reports_one_line_and_fails(self):
		env = dict(os.environ)
		env.pop("DISPLAY", None)
		workdir = h.make_temp_dir("nodisplay-")
		run = subprocess.run([h.BINARY], cwd=workdir, env=h.program_env(h.BINARY, env), timeout=60,
			stdout=subprocess.PIPE, stderr=subprocess.PIPE)
		err = run.stderr.decode(errors="replace")
		self.assertGreater(run.returncode, 0, "exit code %d; stderr:\n%s" % (run.returncode, err))
		lines = err.splitlines()
		self.assertEqual(len(lines), 1, "stderr should be one line:\n%s" % err)
		self.assertTrue(lines[0].strip())
		self.assertEqual(os.listdir(workdir), [])


if __name__ == "__main__":
	h.main()
