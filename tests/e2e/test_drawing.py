# Drawing strokes and working the side panel: stroke colour and place, the colour picker
# ("PickColor" and "SetBackdrop" included), the radius slider, the erase brush and the
# recording request.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402


class DrawingAndPanel(h.ProgramTestCase):
	def pick_green(self):
		"""Picks a saturated green in the colour picker; returns the preview's colour."""
		self.app.pick_colour(95, h.BOX_TOP_RIGHT)
		self.app.park()
		return self.app.settle().getpixel(h.PREVIEW)

	def test_1_stroke_lies_along_the_drag_only(self):
		self.app.drag([(200, 450), (600, 450)])
		self.app.park()
		img = self.app.settle()
		for x in range(220, 581, 40):
			self.assertNear(img.getpixel((x, 450)), h.START_BRUSH, 4, "on the path at x %d" % x)
			self.assertEqual(img.getpixel((x, 430)), h.BLACK, "above the path at x %d" % x)
			self.assertEqual(img.getpixel((x, 470)), h.BLACK, "below the path at x %d" % x)
		self.assertEqual(img.getpixel((170, 450)), h.BLACK, "before the start")
		self.assertEqual(img.getpixel((630, 450)), h.BLACK, "after the end")
		# Radius 1 at distance 100 is about 8 pixels across.
		width = h.run_length(img, 400, 450, h.START_BRUSH)
		self.assertTrue(5 <= width <= 12, "stroke width %d" % width)
		extent = h.find_colour_extent(img, h.START_BRUSH, h.VIEW_BOX)
		self.assertTrue(190 <= extent[0] <= 200 and 600 <= extent[2] <= 610, "extent %s" % (extent,))

	def test_2_picked_colour_is_drawn(self):
		picked = self.pick_green()
		r, g, b = picked
		self.assertTrue(g > 200 and r < 100 and b < 100, "picked %s is not green" % (picked,))
		self.app.drag([(200, 500), (600, 500)])
		self.app.park()
		img = self.app.settle()
		for x in range(220, 581, 40):
			self.assertNear(img.getpixel((x, 500)), picked, 4, "new stroke at x %d" % x)
			# The earlier stroke keeps its colour.
			self.assertNear(img.getpixel((x, 450)), h.START_BRUSH, 4, "old stroke at x %d" % x)

	def test_3_radius_slider_widens_strokes(self):
		img = self.app.settle()
		colour = img.getpixel(h.PREVIEW)
		self.app.drag([(200, 100), (600, 100)])
		self.app.park()
		thin = h.run_length(self.app.settle(), 400, 100, colour)
		self.app.set_radius_thumb(h.RADIUS_THUMB_AT_0[0], h.RADIUS_THUMB_AT_0[0] + 13)
		self.app.drag([(200, 200), (600, 200)])
		self.app.park()
		img = self.app.settle()
		wide = h.run_length(img, 400, 200, colour)
		self.assertGreaterEqual(thin, 5)
		self.assertGreater(wide, 3 * thin, "thin %d, wide %d" % (thin, wide))
		# Back to radius 1 (the thumb to the far left) and the two strokes taken back.
		self.app.set_radius_thumb(h.RADIUS_THUMB_AT_0[0] + 13, 0)
		self.app.park()
		self.app.undo()
		self.app.undo()
		img = self.app.settle()
		self.assertEqual(img.getpixel((400, 100)), h.BLACK)
		self.assertEqual(img.getpixel((400, 200)), h.BLACK)
		self.app.drag([(300, 150), (500, 150)])
		self.app.park()
		width = h.run_length(self.app.settle(), 400, 150, colour)
		self.assertLessEqual(width, thin + 1, "radius not back to 1")
		self.app.undo()

	def test_4_erase_brush_highlights_and_erases(self):
		img = self.app.settle()
		colour = img.getpixel(h.PREVIEW)
		self.app.drag([(200, 550), (600, 550)])
		self.app.park()
		img = self.app.settle()
		round_checked = img.crop((5, 240, 25, 260)).tobytes()
		erase_unchecked = img.crop((30, 240, 50, 260)).tobytes()

		self.app.panel_click(*h.ERASE_BUTTON)
		first = self.app.settle()
		self.app.panel_click(*h.ERASE_BUTTON)
		second = self.app.settle()
		erase_first = first.crop((30, 240, 50, 260)).tobytes()
		self.assertNotEqual(erase_first, erase_unchecked, "the erase button did not turn checked")
		self.assertEqual(second.crop((30, 240, 50, 260)).tobytes(), erase_first,
			"a second click must leave the erase button checked")
		self.assertNotEqual(second.crop((5, 240, 25, 260)).tobytes(), round_checked,
			"the round button must turn unchecked")

		# Hovering shows the stroke in the highlight colour; the other strokes keep theirs.
		self.app.move(300, 556)
		self.app.move(300, 550)
		img = self.app.settle()
		for x in (250, 400, 550):
			self.assertNear(img.getpixel((x, 550)), h.HIGHLIGHT, 6, "highlighted at x %d" % x)
		self.assertNear(img.getpixel((400, 500)), colour, 4, "other stroke")

		self.app.press()
		self.app.release()
		self.app.park()
		img = self.app.settle()
		for x in (250, 400, 550):
			self.assertEqual(img.getpixel((x, 550)), h.BLACK, "erased stroke at x %d" % x)
		self.assertNear(img.getpixel((400, 500)), colour, 4, "other stroke after the erase")
		self.assertNear(img.getpixel((400, 450)), h.START_BRUSH, 4, "first stroke after the erase")

		self.app.panel_click(*h.ROUND_BUTTON)
		self.app.park()
		img = self.app.settle()
		self.assertEqual(img.crop((5, 240, 25, 260)).tobytes(), round_checked)
		self.assertEqual(img.crop((30, 240, 50, 260)).tobytes(), erase_unchecked)

	def test_5_record_request_hides_panel_and_shows_warning(self):
		self.app.park()
		before = self.app.settle()
		self.app.panel_click(*h.RECORD_GIF)
		# While the panel is hidden its strip is view: the brush marker follows the pointer there.
		self.app.park()
		armed = self.app.settle()
		for p in [(50, 300), (45, 45), h.RECORD_GIF, h.PREVIEW]:
			self.assertEqual(armed.getpixel(p), h.BLACK, "panel pixel %s should be hidden" % (p,))
		warning_box = (300, 200, 400, 240)
		changed = h.count_colour(h.difference(before, armed), h.BLACK, warning_box, tol=2)
		area = (warning_box[2] - warning_box[0]) * (warning_box[3] - warning_box[1])
		self.assertLess(changed, area * 0.5, "the warning image is not shown at (300, 200)")

		# The next press in the view (without moving: an empty recording) ends the request.
		self.app.move(650, 120)
		self.app.press()
		during = self.app.settle()
		self.assertEqual(h.count_colour(h.difference(before, during), h.BLACK, warning_box, tol=2), area,
			"the warning must go at the press")
		self.assertEqual(during.getpixel((50, 300)), h.BLACK, "panel stays hidden until the release")
		self.app.release()
		self.app.park()
		after = self.app.wait_until(h.panel_shown)
		self.assertNear(after.getpixel((50, 300)), h.PANE_OVER_BLACK, 6, "panel back")
		self.assertEqual(after.crop((0, 0, 110, 600)).tobytes(), before.crop((0, 0, 110, 600)).tobytes())

	def test_6_set_backdrop_changes_clear_colour(self):
		picked = self.pick_green()
		self.app.panel_click(*h.SET_BACKDROP)
		self.app.park()
		img = self.app.settle()
		for p in [(150, 50), (700, 50), (700, 550), (150, 560), (500, 300)]:
			self.assertNear(img.getpixel(p), picked, 2, "backdrop at %s" % (p,))
		# The strokes stay in front of it.
		self.assertNear(img.getpixel((400, 450)), h.START_BRUSH, 4, "stroke over the backdrop")

	def test_7_pick_color_takes_the_colour_of_the_stroke_hovered_next(self):
		# The brush is green now; after "PickColor" the first stroke is hovered, and going
		# back to the panel takes its colour.
		self.assertFalse(h.near(self.app.settle().getpixel(h.PREVIEW), h.START_BRUSH, 40))
		self.app.panel_click(*h.PICK_COLOR)
		self.app.move(300, 456)
		self.app.move(300, 450)
		self.app.move(303, 450)
		self.app.move(60, 300)
		self.app.park()
		img = self.app.settle()
		self.assertNear(img.getpixel(h.PREVIEW), h.START_BRUSH, 2, "picked colour")
		self.app.drag([(250, 380), (550, 380)])
		self.app.park()
		img = self.app.settle()
		self.assertNear(img.getpixel((400, 380)), h.START_BRUSH, 4, "stroke in the picked colour")

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


if __name__ == "__main__":
	h.main()
