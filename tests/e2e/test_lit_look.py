# The lit look (key 1) of committed strokes in the real window, pixel for pixel against a
# picture of the same strokes taken from the program before its strokes kept their normals
# and their buffers on the graphics card (data/lit_look.png), and again after the erase
# brush's highlight has changed and restored the vertex colours.
#
# To take the reference picture again from another build:
#   VANTREL_E2E_WRITE_LIT_LOOK=data/lit_look.png python3 test_lit_look.py --binary ... --assets ...
import os
import sys

from PIL import Image, ImageChops

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402

REFERENCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "lit_look.png")
# A curve and a crossing line, so the light meets faces turned many ways.
CURVE = [(260, 420), (300, 330), (360, 270), (440, 250), (520, 280), (580, 350), (600, 440)]
LINE = [(250, 300), (640, 360)]


class LitLook(h.ProgramTestCase):
	@classmethod
	def setUpClass(cls):
		super().setUpClass()
		cls.app.drag(CURVE)
		cls.app.drag(LINE)
		# With the erase brush neither the anchor nor a marker shows (and the anchor moves
		# wherever the brush hovers): the pictures hold the strokes alone.
		cls.app.panel_click(*h.ERASE_BUTTON)
		cls.app.park()
		cls.app.settle()

	def lit(self):
		self.app.park()
		self.app.key_down("1")
		img = self.app.settle().crop(h.VIEW_BOX).convert("RGB")
		self.app.key_up("1")
		self.app.settle()
		return img

	def assertSamePicture(self, img, reference, what):
		diff = ImageChops.difference(img, reference)
		box = diff.getbbox()
		changed = sum(1 for p in diff.getdata() if p != (0, 0, 0))
		self.assertIsNone(box, "%s: %d pixels differ from the reference, within %s" % (what, changed, box))

	def test_1_lit_look_is_the_reference_picture(self):
		plain = h.count_colour(self.app.settle(), h.START_BRUSH, h.VIEW_BOX, tol=4)
		img = self.lit()
		# The strokes really are lit: the flat brush colour has mostly gone.
		self.assertGreater(plain, 1000)
		self.assertLess(h.count_colour(img, h.START_BRUSH, None, tol=4), plain / 4)
		out = os.environ.get("VANTREL_E2E_WRITE_LIT_LOOK")
		if out:
			img.save(out)
			self.skipTest("reference written to %s" % out)
		self.assertSamePicture(img, Image.open(REFERENCE).convert("RGB"), "lit look")

	def test_2_highlight_shows_and_goes_on_finished_strokes(self):
		self.app.move(700, 100)
		plain = self.app.settle()
		# The erase brush's hover recolours a stroke kept on the graphics card ...
		self.app.move(440, 252)
		hovered = self.app.settle()
		self.assertGreater(h.count_colour(hovered, h.HIGHLIGHT, h.VIEW_BOX, tol=6), 100)
		# ... and moving off gives the colours back.
		self.app.move(700, 100)
		self.assertEqual(self.app.settle().crop(h.VIEW_BOX).tobytes(), plain.crop(h.VIEW_BOX).tobytes())

	def test_3_lit_look_unchanged_after_highlight_and_a_second_press(self):
		reference = Image.open(REFERENCE).convert("RGB")
		self.assertSamePicture(self.lit(), reference, "lit look after the highlight")
		self.assertSamePicture(self.lit(), reference, "lit look at the next press")

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


if __name__ == "__main__":
	h.main()
