# Undo and redo, the camera (orbit, the dolly keys, F), twisting the drawing, drawing onto
# the surface of a stroke with Left Ctrl held, and the display-mode keys.
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402

# A vertical stroke 100 pixels left of the view's centre, on the plane through the target.
STROKE = [(300, 250), (300, 350)]


def centre_x(extent):
	return (extent[0] + extent[2]) / 2.0


def height(extent):
	return extent[3] - extent[1] + 1


class NavigationAndHistory(h.ProgramTestCase):
	@classmethod
	def setUpClass(cls):
		super().setUpClass()
		cls.app.drag(STROKE)
		cls.app.park()
		cls.drawn = h.find_colour_extent(cls.app.settle(), h.START_BRUSH, h.VIEW_BOX)

	def extent(self, colour=h.START_BRUSH):
		self.app.park()
		return h.find_colour_extent(self.app.settle(), colour, h.VIEW_BOX)

	def assertExtentNear(self, actual, expected, tol=2):
		self.assertIsNotNone(actual)
		self.assertTrue(all(abs(a - b) <= tol for a, b in zip(actual, expected)),
			"extent %s, expected %s" % (actual, expected))

	def orbit(self, start, end):
		self.app.move(*start)
		self.app.with_keys(["Alt_L"], lambda: self.app.drag([start, end]))

	def test_0_stroke_is_where_it_was_drawn(self):
		# Points are sampled every 5 pixels of travel, so the end may fall a little short.
		self.assertExtentNear(self.drawn, (296, 250, 304, 350), tol=6)

	def test_1_undo_hides_and_redo_shows_the_stroke(self):
		self.app.undo()
		self.assertIsNone(self.extent(), "undo must hide the stroke")
		# Undo with an empty history and redo twice with one entry change nothing more.
		self.app.undo()
		self.app.redo()
		self.assertExtentNear(self.extent(), self.drawn)
		self.app.redo()
		self.assertExtentNear(self.extent(), self.drawn)

	def test_2_undo_is_ignored_while_alt_is_held(self):
		self.app.with_keys(["Alt_L"], self.app.undo)
		self.assertExtentNear(self.extent(), self.drawn)

	def test_3_orbit_turns_the_scene_with_the_pointer(self):
		# 90 pixels to the right: the camera circles 90 degrees to its left, so the stroke
		# (left of the target) comes round in front of the target: centred and nearer.
		self.orbit((600, 500), (690, 500))
		turned = self.extent()
		self.assertIsNotNone(turned, "the stroke left the view")
		self.assertLessEqual(abs(centre_x(turned) - 400), 4, "extent %s" % (turned,))
		self.assertGreater(height(turned), 1.15 * height(self.drawn), "extent %s" % (turned,))
		# And 90 pixels back to the left restores the start-up view.
		self.orbit((690, 500), (600, 500))
		self.assertExtentNear(self.extent(), self.drawn)

	def test_4_bracket_keys_dolly_away_and_back(self):
		for _ in range(5):
			self.app.key("bracketright")
		far = self.extent()
		self.assertIsNotNone(far)
		# From distance 100 to 150: two thirds of the size, two thirds of the offset.
		self.assertLess(height(far), 0.8 * height(self.drawn), "extent %s" % (far,))
		self.assertLessEqual(abs(centre_x(far) - (400 - 100 * 2 / 3.0)), 4, "extent %s" % (far,))
		for _ in range(5):
			self.app.key("bracketleft")
		self.assertExtentNear(self.extent(), self.drawn)

	def test_5_ctrl_draws_onto_the_surface_of_a_stroke(self):
		# A wide stroke A in the start colour, then thin strokes in green along its middle.
		thumb_y = h.RADIUS_THUMB_AT_0[1]
		self.app.drag([h.RADIUS_THUMB_AT_0, (h.RADIUS_THUMB_AT_0[0] + 13, thumb_y)])
		self.app.move(60, 300)
		self.app.drag([(200, 450), (600, 450)])
		self.app.drag([(h.RADIUS_THUMB_AT_0[0] + 13, thumb_y), (0, thumb_y)])
		self.app.panel_click(h.HUE_BAR_X, 95)
		self.app.panel_click(*h.BOX_TOP_RIGHT)
		self.app.park()
		img = self.app.settle()
		green = img.getpixel(h.PREVIEW)
		self.assertGreater(h.run_length(img, 400, 450, h.START_BRUSH), 30, "stroke A is not wide")

		# Without Ctrl the thin stroke lies on the plane through A's middle: hidden inside A.
		self.app.drag([(220, 450), (380, 450)])
		self.app.park()
		img = self.app.settle()
		for x in (250, 300, 350):
			self.assertNear(img.getpixel((x, 450)), h.START_BRUSH, 4, "plain stroke at x %d" % x)

		# With Ctrl its points land on A's front surface: it shows over A.
		self.app.move(420, 450)
		self.app.with_keys(["Control_L"], lambda: self.app.drag([(420, 450), (580, 450)]))
		self.app.park()
		img = self.app.settle()
		for x in (450, 500, 550):
			self.assertNear(img.getpixel((x, 450)), green, 4, "snapped stroke at x %d" % x)
		for x in (250, 300, 350):
			self.assertNear(img.getpixel((x, 450)), h.START_BRUSH, 4, "plain stroke at x %d" % x)

		for _ in range(3):
			self.app.undo()
		self.assertExtentNear(self.extent(), self.drawn)

	def test_6_alt_then_shift_drag_twists_the_drawing(self):
		# A quarter turn against the clock around the view's centre, in small arcs: the
		# stroke left of the centre turns into a horizontal one below it.
		arc = [(400 + 200 * math.cos(math.radians(a)), 300 - 200 * math.sin(math.radians(a)))
			for a in range(0, 91, 5)]
		self.app.move(*arc[0])
		self.app.with_keys(["Alt_L", "Shift_L"], lambda: self.app.drag(arc))
		twisted = self.extent()
		self.assertIsNotNone(twisted)
		w = twisted[2] - twisted[0] + 1
		self.assertGreater(w, 80, "extent %s" % (twisted,))
		self.assertLess(height(twisted), 20, "extent %s" % (twisted,))
		self.assertLessEqual(abs(centre_x(twisted) - 400), 4, "extent %s" % (twisted,))
		self.assertLessEqual(abs((twisted[1] + twisted[3]) / 2.0 - 400), 4, "extent %s" % (twisted,))

	def test_7_number_keys_switch_the_look_while_held(self):
		self.app.park()
		plain = h.count_colour(self.app.settle(), h.START_BRUSH, h.VIEW_BOX, tol=4)
		self.assertGreater(plain, 300)
		# 1: lit by the directional light, so the flat stroke colour gives way to shading.
		self.app.key_down("1")
		lit = h.count_colour(self.app.settle(), h.START_BRUSH, h.VIEW_BOX, tol=4)
		self.app.key_up("1")
		self.assertLess(lit, plain / 4, "lit look: %d of %d pixels unchanged" % (lit, plain))
		self.assertEqual(h.count_colour(self.app.settle(), h.START_BRUSH, h.VIEW_BOX, tol=4), plain)
		# 2: wireframe, only the mesh's edges in the stroke colour.
		self.app.key_down("2")
		wire = h.count_colour(self.app.settle(), h.START_BRUSH, h.VIEW_BOX, tol=4)
		self.app.key_up("2")
		self.assertTrue(0 < wire < plain * 0.8, "wireframe look: %d of %d pixels" % (wire, plain))
		self.assertEqual(h.count_colour(self.app.settle(), h.START_BRUSH, h.VIEW_BOX, tol=4), plain)

	def test_8_f_brings_the_anchor_to_the_view_centre(self):
		# The anchor was last moved by the Left Ctrl pick at (580, 450), on the front of a
		# wide stroke; F moves the camera's target there, so the drawing shifts by about
		# (400 - 580, 300 - 450), a little less since the drawing lies behind the anchor.
		before = self.extent()
		self.app.key("f")
		after = self.extent()
		self.assertIsNotNone(after, "the stroke left the view")
		dx = centre_x(after) - centre_x(before)
		dy = (after[1] + after[3]) / 2.0 - (before[1] + before[3]) / 2.0
		self.assertTrue(-185 <= dx <= -140 and -155 <= dy <= -125, "shift (%.1f, %.1f)" % (dx, dy))

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


if __name__ == "__main__":
	h.main()
