# Shaping what was drawn, with real X input: the select tool's click, drag, rectangle and
# wheel, Delete and undo, mirror drawing, and a moved stroke kept by saving and opening.
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from PIL import ImageChops  # noqa: E402

SELECT_BUTTON = (65, 250)
MIRROR_BUTTON = (90, 250)
SELECTION = (48, 208, 255)  # the wire cage around selected strokes
ANCHOR_X = 400  # the anchor starts at the camera's target, in the middle of the window


def inked(img, box):
	"""Bounding box (x0, y0, x1, y1), inclusive, of the pixels in box that are not black."""
	bbox = img.crop(box).convert("L").point(lambda v: 255 if v > 30 else 0).getbbox()
	return bbox and (bbox[0] + box[0], bbox[1] + box[1], bbox[2] - 1 + box[0], bbox[3] - 1 + box[1])


class Shaping(h.ProgramTestCase):
	def view(self):
		self.app.park()
		return self.app.settle()

	def assertStroke(self, img, y, colour, msg, x0=220, x1=380):
		"""Nearly every column from x0 to x1 has a pixel near colour within 3 rows of y (the
		cage's lines leave the stroke's own colour between them)."""
		count = sum(1 for x in range(x0, x1 + 1) if any(h.near(img.getpixel((x, y + d)), colour, 40) for d in range(-3, 4)))
		self.assertGreater(count, (x1 - x0) * 0.9, "%s: %d of %d columns at row %d" % (msg, count, x1 - x0 + 1, y))

	def test_1_click_selects_a_drag_moves_undo_delete(self):
		self.app.drag([(200, 150), (400, 150)])
		self.app.panel_click(*SELECT_BUTTON)
		self.app.click(300, 150)
		self.assertStroke(self.view(), 150, SELECTION, "selected")
		self.app.drag([(300, 150), (300, 250)])
		img = self.view()
		self.assertStroke(img, 250, SELECTION, "moved 100 pixels down")
		self.assertIsNone(inked(img, (200, 140, 401, 161)), "the old place after the move")
		self.app.undo()
		img = self.view()
		self.assertStroke(img, 150, SELECTION, "back after Ctrl+Z")
		self.assertIsNone(inked(img, (200, 240, 401, 261)), "the new place after Ctrl+Z")
		self.app.key("Delete")
		self.assertIsNone(inked(self.view(), (180, 130, 421, 271)), "after Delete")
		self.app.undo()
		self.assertStroke(self.view(), 150, h.START_BRUSH, "back after Ctrl+Z, not selected")

	def test_2_rectangle_selects_two_of_three(self):
		self.app.panel_click(*h.ROUND_BUTTON)
		for y in (380, 430, 480):
			self.app.drag([(520, y), (680, y)])
		self.app.panel_click(*SELECT_BUTTON)
		self.app.drag([(500, 360), (700, 450)])
		img = self.view()
		for y, colour in ((380, SELECTION), (430, SELECTION), (480, h.START_BRUSH)):
			self.assertStroke(img, y, colour, "stroke at row %d" % y, 540, 660)

	def test_3_two_wheel_notches_make_it_21_percent_larger(self):
		self.app.click(600, 480)
		band = (h.PANEL_W, 462, 790, 500)
		before = inked(self.view(), band)
		self.app.move(600, 530)
		for _ in range(2):
			self.app.click(600, 530, button=4)  # the wheel away from the user
		after = inked(self.view(), band)
		width, grown = before[2] - before[0] + 1, after[2] - after[0] + 1
		self.assertAlmostEqual(grown / width, 1.21, delta=0.02, msg="%d pixels wide, then %d" % (width, grown))
		self.assertLessEqual(abs(after[0] + after[2] - before[0] - before[2]), 2, "about its centre")

	def test_4_mirror_twin_at_the_mirrored_place(self):
		self.app.key("m")
		self.app.panel_click(*h.ROUND_BUTTON)
		# The plane through the anchor is seen edge on: a faint line down the middle.
		r, g, b = self.view().getpixel((ANCHOR_X, 40))
		self.assertTrue(40 < r < 200 and r == g == b, "plane line %s" % ((r, g, b),))
		self.app.drag([(480, 540), (640, 560)])
		img = self.view()
		for t in (0.1, 0.3, 0.5, 0.7, 0.9):
			x, y = 480 + 160 * t, round(540 + 20 * t)
			self.assertNear(img.getpixel((round(x), y)), h.START_BRUSH, 6, "stroke at t %.1f" % t)
			self.assertNear(img.getpixel((round(2 * ANCHOR_X - x), y)), h.START_BRUSH, 6, "twin at t %.1f" % t)
		self.app.panel_click(*MIRROR_BUTTON)
		self.assertEqual(self.view().getpixel((ANCHOR_X, 40)), h.BLACK, "no plane with mirror off")
		self.app.undo()
		self.assertIsNone(inked(self.view(), (h.PANEL_W, 520, 790, 580)), "one Ctrl+Z takes both")

	def test_5_save_and_open_keep_a_moved_stroke_where_it_was(self):
		self.app.panel_click(*SELECT_BUTTON)
		self.app.click(300, 150)
		self.app.drag([(300, 150), (360, 230)])  # moved, then turned and scaled
		self.app.with_keys(["Shift_L"], lambda: self.app.drag([(400, 230), (420, 290)]))
		self.app.key("equal")
		self.app.click(700, 20)  # nothing selected, and the round brush with its anchor, as opened
		self.app.panel_click(*h.ROUND_BUTTON)
		img = self.view()
		self.assertIsNone(inked(img, (200, 140, 261, 161)), "the old place")
		self.app.with_keys(["Control_L"], lambda: self.app.key("s"))
		deadline = time.monotonic() + 60
		while "saved 4 strokes to " not in self.app.stderr_text() and time.monotonic() < deadline:
			time.sleep(0.1)
		self.assertClosesCleanly()
		type(self).app = h.Vantrel(h.BINARY, h.ASSETS, h.shared_server(), args=["vantrel.glb"], workdir=self.app.workdir)
		self.assertIsNone(ImageChops.difference(img.crop((h.PANEL_W, 0, 800, 570)),
			self.view().crop((h.PANEL_W, 0, 800, 570))).getbbox(), "the opened drawing differs")

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


if __name__ == "__main__":
	h.main()
