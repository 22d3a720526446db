# Shaping what was drawn, with real X input: the select tool's click, drag, rectangle and
# wheel, Delete and undo, mirror drawing, and a moved stroke kept by saving and opening.
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from PIL import ImageChops  # noqa: E402

SELECT_BUTTON = (65, 250)
MIRROR_BUTTON = (90, 250)
# The wire cage around selected strokes.
SELECTION = (48, 208, 255)
# The anchor starts at the camera's target, seen in the middle of the window.
ANCHOR_X = 400
VIEW_WITHOUT_NOTE = (h.PANEL_W, 0, h.WINDOW_W, 570)


def inked(img, box):
	"""Bounding box (x0, y0, x1, y1), inclusive, of the pixels in box that are not black."""
	bbox = img.crop(box).convert("L").point(lambda v: 255 if v > 30 else 0).getbbox()
	if bbox is None:
		return None
	return (bbox[0] + box[0], bbox[1] + box[1], bbox[2] - 1 + box[0], bbox[3] - 1 + box[1])


def columns_with(img, y, x0, x1, colour, tol=40):
	"""How many columns from x0 to x1 have a pixel near colour within 3 rows of y (the cage's
	lines leave the stroke's own colour between them)."""
	return sum(1 for x in range(x0, x1 + 1)
		if any(h.near(img.getpixel((x, y + d)), colour, tol) for d in range(-3, 4)))


class SelectAndMirror(h.ProgramTestCase):
	def view(self):
		self.app.park()
		return self.app.settle()

	def assertStrokeOnRow(self, img, y, x0, x1, colour, msg):
		count = columns_with(img, y, x0, x1, colour)
		self.assertGreater(count, (x1 - x0) * 0.9, "%s: %d of %d columns at row %d" % (msg, count, x1 - x0 + 1, y))

	def assertEmptyBand(self, img, y0, y1, x0, x1, msg):
		self.assertIsNone(inked(img, (x0, y0, x1 + 1, y1 + 1)), msg)

	def test_1_click_selects_a_drag_moves_undo_delete(self):
		self.app.drag([(200, 150), (400, 150)])
		img = self.view()
		self.assertStrokeOnRow(img, 150, 220, 380, h.START_BRUSH, "drawn")

		self.app.panel_click(*SELECT_BUTTON)
		self.app.click(300, 150)
		img = self.view()
		self.assertStrokeOnRow(img, 150, 220, 380, SELECTION, "the selected stroke is drawn as a cage")

		# 100 pixels down: there, and no longer at its old place.
		self.app.drag([(300, 150), (300, 250)])
		img = self.view()
		self.assertStrokeOnRow(img, 250, 220, 380, SELECTION, "moved")
		self.assertEmptyBand(img, 140, 160, 200, 400, "the old place after the move")

		self.app.undo()
		img = self.view()
		self.assertStrokeOnRow(img, 150, 220, 380, SELECTION, "back after Ctrl+Z")
		self.assertEmptyBand(img, 240, 260, 200, 400, "the new place after Ctrl+Z")

		self.app.key("Delete")
		img = self.view()
		self.assertEmptyBand(img, 130, 270, 180, 420, "after Delete")
		self.app.undo()
		img = self.view()
		self.assertStrokeOnRow(img, 150, 220, 380, h.START_BRUSH, "back after Ctrl+Z, not selected")

	def test_2_rectangle_selects_two_of_three(self):
		self.app.panel_click(*h.ROUND_BUTTON)
		for y in (380, 430, 480):
			self.app.drag([(520, y), (680, y)])
		self.app.panel_click(*SELECT_BUTTON)
		self.app.drag([(500, 360), (700, 450)])
		img = self.view()
		self.assertStrokeOnRow(img, 380, 540, 660, SELECTION, "first stroke")
		self.assertStrokeOnRow(img, 430, 540, 660, SELECTION, "second stroke")
		self.assertStrokeOnRow(img, 480, 540, 660, h.START_BRUSH, "third stroke, outside the rectangle")
		self.assertStrokeOnRow(img, 150, 220, 380, h.START_BRUSH, "the stroke of the first test")

	def test_3_two_wheel_notches_make_it_21_percent_larger(self):
		self.app.click(600, 480)
		band = (h.PANEL_W, 462, 790, 499)
		before = inked(self.view(), band)
		self.app.move(600, 530)
		for _ in range(2):
			self.app.click(600, 530, button=4)  # wheel away from the user
		after = inked(self.view(), band)
		width, grown = before[2] - before[0] + 1, after[2] - after[0] + 1
		self.assertAlmostEqual(grown / width, 1.21, delta=0.02, msg="%d pixels wide, then %d" % (width, grown))
		# About its centre.
		self.assertLessEqual(abs((after[0] + after[2]) - (before[0] + before[2])), 2, "%s, then %s" % (before, after))

	def test_4_mirror_twin_at_the_mirrored_place(self):
		self.app.key("m")
		self.app.panel_click(*h.ROUND_BUTTON)
		img = self.view()
		# The plane through the anchor is seen edge on: a faint line down the middle.
		r, g, b = img.getpixel((ANCHOR_X, 40))
		self.assertTrue(40 < r < 200 and r == g == b, "plane line %s" % ((r, g, b),))
		self.app.drag([(480, 540), (640, 560)])
		img = self.view()
		for t in (0.1, 0.3, 0.5, 0.7, 0.9):
			x, y = 480 + 160 * t, round(540 + 20 * t)
			self.assertNear(img.getpixel((round(x), y)), h.START_BRUSH, 6, "stroke at t %.1f" % t)
			self.assertNear(img.getpixel((round(2 * ANCHOR_X - x), y)), h.START_BRUSH, 6, "twin at t %.1f" % t)
		# Mirror off: the plane goes; one undo takes the stroke and its twin.
		self.app.panel_click(*MIRROR_BUTTON)
		img = self.view()
		self.assertEqual(img.getpixel((ANCHOR_X, 40)), h.BLACK, "plane after mirror off")
		self.app.undo()
		img = self.view()
		self.assertIsNone(inked(img, (h.PANEL_W, 520, 790, 580)), "both gone after one Ctrl+Z")

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


class MovedStrokeIsSaved(unittest.TestCase):
	def test_save_and_open_keep_a_moved_stroke_where_it_was(self):
		server = h.shared_server()
		app = h.Vantrel(h.BINARY, h.ASSETS, server)
		self.addCleanup(app.shutdown)
		app.drag([(200, 200), (600, 200)])
		app.drag([(200, 400), (600, 400)])
		app.panel_click(*SELECT_BUTTON)
		app.click(400, 200)
		app.drag([(400, 200), (460, 300)])  # moved, then turned and scaled
		app.with_keys(["Shift_L"], lambda: app.drag([(500, 300), (520, 360)]))
		app.key("equal")
		app.click(700, 550)  # nothing selected: no cage in the picture
		app.panel_click(*h.ROUND_BUTTON)  # the round brush and its anchor, as the opened file shows them
		app.park()
		img = app.settle()
		self.assertIsNone(inked(img, (420, 190, 600, 210)), "the old place")
		before = img.crop(VIEW_WITHOUT_NOTE)
		app.with_keys(["Control_L"], lambda: app.key("s"))
		deadline = time.monotonic() + 60
		while "saved 2 strokes to " not in app.stderr_text() and time.monotonic() < deadline:
			time.sleep(0.1)
		self.assertEqual(app.close(), 0, app.stderr_text())

		again = h.Vantrel(h.BINARY, h.ASSETS, server, args=["vantrel.glb"], workdir=app.workdir)
		self.addCleanup(again.shutdown)
		deadline = time.monotonic() + 60
		while "opened vantrel.glb: 2 strokes" not in again.stderr_text() and time.monotonic() < deadline:
			time.sleep(0.1)
		again.park()
		after = again.settle().crop(VIEW_WITHOUT_NOTE)
		diff = ImageChops.difference(before, after).getbbox()
		self.assertIsNone(diff, "the pictures differ inside %s (view coordinates)" % (diff,))
		self.assertEqual(again.close(), 0, again.stderr_text())


if __name__ == "__main__":
	h.main()
