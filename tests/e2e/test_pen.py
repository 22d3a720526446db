# The program with a real pen (an X server with the inputtest driver, see penserver.py):
# pressure shapes the stroke, the mouse keeps one width, the stabiliser smooths a shaky
# hand, and the eraser end erases.
import math

import harness as h
import penserver as ps

# Columns where a stroke from x 200 to 600 is measured: near its start, its middle, its end.
COLUMNS = (225, 400, 575)
SMOOTHING_THUMB_AT_0 = (20, 290)


def width(img, x, row):
	"""Height of the stroke at column x, searched for within 40 pixels of row."""
	for d in range(0, 40):
		for y in (row - d, row + d):
			if h.near(img.getpixel((x, y)), h.START_BRUSH, 16):
				return h.run_length(img, x, y, h.START_BRUSH, tol=16)
	return 0


def centre_line(img, row, columns):
	"""The stroke's middle at each column (mean of its rows within 30 pixels of row)."""
	line = []
	for x in columns:
		ys = [y for y in range(row - 30, row + 31) if h.near(img.getpixel((x, y)), h.START_BRUSH, 16)]
		if ys:
			line.append((x, sum(ys) / len(ys)))
	return line


def turning(line):
	"""Sum of the turning angles along a polyline, in radians."""
	total = 0.0
	for a, b, c in zip(line, line[1:], line[2:]):
		u = math.atan2(b[1] - a[1], b[0] - a[0])
		v = math.atan2(c[1] - b[1], c[0] - b[0])
		total += abs(math.remainder(v - u, 2 * math.pi))
	return total


class PenDrawing(ps.ProgramTestCase):
	def pen_line(self, row, pressure, device=None, spacing=2.5):
		(device or self.server.pen).stroke(
			ps.along([self.screen(200.25, row + 0.5), self.screen(600.25, row + 0.5)], spacing), pressure=pressure)
		self.app.park()

	def test_1_pressure_thins_the_ends_and_the_mouse_keeps_one_width(self):
		self.app.settle()
		# A wider brush (radius about 6) so that widths are measured to a few per cent.
		self.app.set_radius_thumb(h.RADIUS_THUMB_AT_0[0], h.RADIUS_THUMB_AT_0[0] + 13)
		# Pressure 0.15 at both ends, 1 in the middle: window row 150.
		self.pen_line(150, lambda t: 0.15 + 0.85 * (1 - abs(2 * t - 1)))
		# The same path with the mouse: window row 330.
		self.app.drag([(200, 330), (600, 330)], step=3)
		self.app.park()
		img = self.app.wait_until(lambda img: width(img, 575, 330) > 0 and width(img, 575, 150) > 0, 30)
		pen = [width(img, x, 150) for x in COLUMNS]
		mouse = [width(img, x, 330) for x in COLUMNS]
		self.assertGreater(pen[1], 30, "pen widths %s" % pen)
		self.assertLess(pen[0], pen[1] * 0.5, "pen widths %s" % pen)
		self.assertLess(pen[2], pen[1] * 0.5, "pen widths %s" % pen)
		self.assertLessEqual(max(mouse) - min(mouse), 2, "mouse widths %s" % mouse)
		self.assertLessEqual(abs(mouse[1] - pen[1]), 3, "full pressure draws the brush's width")

	def test_2_the_stabiliser_smooths_a_shaky_pen(self):
		# Back to the thin brush; a shaky line: 12 pixels on, 10 up or down, sampled every
		# 3 pixels at 200 samples a second.
		self.app.set_radius_thumb(h.RADIUS_THUMB_AT_0[0] + 13, 0)
		corners = lambda row: [self.screen(200 + 12 * i, row + (10 if i % 2 else -10)) for i in range(34)]
		shaky = lambda row: ps.along(corners(row), 3)
		self.server.pen.stroke(shaky(450), pressure=1.0)
		thumb = SMOOTHING_THUMB_AT_0
		self.app.drag([thumb, (thumb[0] + 30, thumb[1])])
		self.app.move(60, 400)  # over the panel: the new setting reaches the workspace
		self.server.pen.stroke(shaky(530), pressure=1.0)
		self.app.park()
		img = self.app.wait_until(lambda img: width(img, 560, 530) > 0, 30)
		columns = range(230, 571, 6)
		raw, smooth = turning(centre_line(img, 450, columns)), turning(centre_line(img, 530, columns))
		self.assertGreater(raw, 5.0, "the shaky line was drawn shaky")
		self.assertLess(smooth, raw / 4, "turning: raw %.2f, smoothed %.2f" % (raw, smooth))
		# The release finishes the stroke at the pointer: the end cap reaches the last sample.
		self.assertTrue(any(h.near(img.getpixel((x, y)), h.START_BRUSH, 16)
			for x in range(590, 600) for y in range(520, 540)), "the smoothed stroke stops short")
		self.app.drag([(thumb[0] + 30, thumb[1]), (0, thumb[1])])
		self.app.move(60, 400)

	def test_3_the_eraser_end_erases_without_the_panel(self):
		before = self.app.settle()
		self.assertGreater(width(before, 400, 330), 0)
		# Across the mouse's stroke of the first test, down the view at x 400.
		self.server.eraser.stroke(ps.along([self.screen(400.5, 280), self.screen(400.5, 380)], 3), pressure=0.8)
		self.app.park()
		img = self.app.wait_until(lambda img: width(img, 400, 330) == 0, 30)
		self.assertEqual(width(img, 400, 330), 0, "the stroke under the eraser stays")
		self.assertGreater(width(img, 400, 150), 0, "the eraser took a stroke it never touched")
		# The tip draws again, with the panel's round brush.
		self.pen_line(400, 1.0)
		img = self.app.wait_until(lambda img: width(img, 400, 400) > 0, 30)
		self.assertGreater(width(img, 400, 400), 0, "the tip does not draw after the eraser")

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


if __name__ == "__main__":
	h.main()
