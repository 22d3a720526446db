# The gifencode command: PNG frames in, an animated GIF out that independent readers
# (Pillow, ImageMagick) accept, its options, and its refusals: each with a message, a
# non-zero exit and no output file touched.
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image, ImageChops, ImageDraw

GIFENCODE = None
W, H = 40, 30


def blocks_frame(shift):
	"""Four flat colours in blocks, moved `shift` pixels right: few colours, so the
	encoder's table holds each exactly."""
	img = Image.new("RGB", (W, H), (10, 20, 30))
	draw = ImageDraw.Draw(img)
	draw.rectangle((shift, 5, shift + 12, 20), fill=(200, 40, 40))
	draw.rectangle((20, shift, 35, shift + 8), fill=(40, 200, 90))
	draw.rectangle((0, 25, W - 1, H - 1), fill=(250, 250, 250))
	return img


def gradient_frame():
	img = Image.new("RGB", (W, H))
	img.putdata([(x * 6, y * 8, (x * y) % 256) for y in range(H) for x in range(W)])
	return img


class GifEncode(unittest.TestCase):
	def setUp(self):
		self.dir = tempfile.mkdtemp(prefix="gifencode-test-")
		self.addCleanup(shutil.rmtree, self.dir, True)
		self.out = os.path.join(self.dir, "out.gif")

	def save(self, name, img):
		path = os.path.join(self.dir, name)
		img.save(path)
		return path

	def run_tool(self, *args):
		return subprocess.run([GIFENCODE] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
			timeout=60)

	def encode(self, frames, *options):
		paths = [self.save("f%d.png" % i, f) for i, f in enumerate(frames)]
		done = self.run_tool(*(list(options) + ["-o", self.out] + paths))
		self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))
		with open(self.out, "rb") as f:
			return f.read()

	def test_frames_come_back_as_drawn_in_independent_readers(self):
		sources = [blocks_frame(s) for s in (0, 3, 6)]
		# A frame with an alpha channel is taken by its colours.
		sources.append(blocks_frame(9).convert("RGBA"))
		self.encode(sources)
		with Image.open(self.out) as gif:
			self.assertEqual(gif.size, (W, H))
			self.assertEqual(gif.n_frames, 4)
			self.assertEqual(gif.info.get("loop"), 0, "the default loops forever")
			for i, src in enumerate(sources):
				gif.seek(i)
				self.assertEqual(gif.info.get("duration"), 10, "default delay is one hundredth")
				diff = ImageChops.difference(gif.convert("RGB"), src.convert("RGB"))
				self.assertIsNone(diff.getbbox(), "frame %d differs from its source" % i)
		identify = subprocess.run(["identify", "-format", "%wx%h\n", self.out],
			stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
		self.assertEqual(identify.stdout.decode().split(), ["%dx%d" % (W, H)] * 4)

	def test_delay_and_depth_options(self):
		data = self.encode([blocks_frame(0), blocks_frame(4)], "--delay", "7", "--depth", "4")
		with Image.open(self.out) as gif:
			gif.seek(1)
			self.assertEqual(gif.info.get("duration"), 70)
		# Header, two-entry global table and loop extension, then the graphic control
		# extension: the image descriptor's flags give a local table of 2^4 entries.
		self.assertEqual(data[46], 0x2C)
		self.assertEqual(data[55], 0x80 | 3)

		once = self.encode([blocks_frame(0)], "--delay", "0")
		self.assertNotIn(b"NETSCAPE2.0", once, "delay 0 plays once: no loop extension")
		with Image.open(self.out) as gif:
			self.assertEqual(gif.n_frames, 1)

	def test_dither_changes_the_mapping_and_still_decodes(self):
		plain = self.encode([gradient_frame()], "--depth", "3")
		dithered = self.encode([gradient_frame()], "--depth", "3", "--dither")
		self.assertNotEqual(plain, dithered)
		with Image.open(self.out) as gif:
			self.assertEqual(gif.n_frames, 1)
			self.assertLessEqual(len(gif.convert("RGB").getcolors(256)), 8)

	def assertRefused(self, done, code, *fragments):
		err = done.stderr.decode(errors="replace")
		self.assertEqual(done.returncode, code, err)
		for fragment in fragments:
			self.assertIn(fragment, err)

	def test_bad_frames_are_named_and_leave_the_output_alone(self):
		good = self.save("good.png", blocks_frame(0))
		small = self.save("small.png", blocks_frame(0).resize((W // 2, H)))
		garbage = os.path.join(self.dir, "garbage.png")
		with open(garbage, "wb") as f:
			f.write(b"\x89PNG\r\n\x1a\n but not really a picture")
		missing = os.path.join(self.dir, "missing.png")
		cases = [
			([good, missing], ["missing.png"]),
			([good, garbage], ["garbage.png"]),
			([good, small], ["small.png", "%dx%d" % (W // 2, H), "%dx%d" % (W, H)]),
		]
		for frames, fragments in cases:
			with self.subTest(frames=[os.path.basename(f) for f in frames]):
				with open(self.out, "wb") as f:
					f.write(b"earlier file")
				self.assertRefused(self.run_tool("-o", self.out, *frames), 1, *fragments)
				with open(self.out, "rb") as f:
					self.assertEqual(f.read(), b"earlier file", "a refused run must not touch the output")

	def test_output_that_cannot_be_created(self):
		good = self.save("good.png", blocks_frame(0))
		os.mkdir(self.out)
		self.assertRefused(self.run_tool("-o", self.out, good), 1, "cannot create")
		self.assertTrue(os.path.isdir(self.out))

	def test_usage_mistakes(self):
		good = self.save("good.png", blocks_frame(0))
		cases = [
			([good], "no output file"),
			(["-o", self.out], "no frames"),
			(["--depth", "9", "-o", self.out, good], "--depth"),
			(["--depth", "0", "-o", self.out, good], "--depth"),
			(["--delay", "65536", "-o", self.out, good], "--delay"),
			(["--delay", "-1", "-o", self.out, good], "--delay"),
			(["--delay", "5x", "-o", self.out, good], "--delay"),
			(["--frobnicate", "-o", self.out, good], "unknown option"),
			(["-o"], "needs a value"),
		]
		for args, fragment in cases:
			with self.subTest(args=args):
				self.assertRefused(self.run_tool(*args), 2, fragment, "usage:")
				self.assertFalse(os.path.exists(self.out))
		done = self.run_tool("--help")
		self.assertEqual(done.returncode, 0)
		self.assertIn(b"usage:", done.stdout)


if __name__ == "__main__":
	parser = argparse.ArgumentParser(add_help=False)
	parser.add_argument("--gifencode", required=True)
	known, rest = parser.parse_known_args()
	GIFENCODE = os.path.abspath(known.gifencode)
	unittest.main(argv=[sys.argv[0]] + rest)
