# Keeping the drawing, in the real window: Ctrl+S, closing and starting again with the file
# gives the same picture; "Open" in the panel; the autosave after a change; kill -9 during
# autosaves never leaves a broken file; bad files and unwritable places are refused with a
# note, the drawing on screen untouched. Files the test makes itself are written here with
# Python's struct and json, the way another program would write them.
import json
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from PIL import ImageChops  # noqa: E402

OPEN_BUTTON = (29, 535)
SAVE_BUTTON = (81, 535)
ALPHA_THUMB_AT_255 = (71, 130)
ALPHA_BAR_MIDDLE = (45, 130)
# The note at the foot of the view; compared pictures leave it out.
VIEW_WITHOUT_NOTE = (h.PANEL_W, 0, h.WINDOW_W, 570)


def glb(document, binary=b""):
	"""A GLB file of the JSON document and the binary chunk."""
	text = json.dumps(document).encode()
	text += b" " * (-len(text) % 4)
	binary += b"\0" * (-len(binary) % 4)
	chunks = struct.pack("<I4s", len(text), b"JSON") + text
	if binary:
		chunks += struct.pack("<I4s", len(binary), b"BIN\0") + binary
	return struct.pack("<4sII", b"glTF", 2, 12 + len(chunks)) + chunks


def drawing_file(strokes, version=1, count=None):
	"""A drawing with program data only (no meshes): each stroke a list of points."""
	return glb(*drawing_document(strokes, version, count))


def drawing_document(strokes, version=1, count=None):
	"""The JSON document and the binary chunk of drawing_file."""
	binary, nodes, accessors, views = b"", [], [], []
	for i, points in enumerate(strokes):
		data = b"".join(struct.pack("<3f", *p) for p in points)
		views.append({"buffer": 0, "byteOffset": len(binary), "byteLength": len(data)})
		accessors.append({"bufferView": i, "componentType": 5126, "type": "VEC3",
			"count": count if count is not None else len(points)})
		binary += data
		nodes.append({"extras": {"vantrel": {"points": i, "radius": 2.0, "thickness": 1.0,
			"viewDirection": [-1.0, 0.0, 0.0], "color": [255, 200, 60, 60]}}})
	nodes.append({"name": "drawing", "children": list(range(len(strokes)))})
	data = {"version": version, "drawing": len(nodes) - 1,
		"camera": {"position": [100.0, 0.0, 0.0], "target": [0.0, 0.0, 0.0], "up": [0.0, 1.0, 0.0],
			"orbitYaw": 0.0, "orbitPitch": 0.0},
		"twist": [1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0], "anchor": [0.0, 0.0, 0.0],
		"backdrop": [255, 0, 0, 0], "brush": {"color": [255, 64, 64, 128], "radius": 1.0, "thickness": 1.0, "kind": 0}}
	document = {"asset": {"version": "2.0", "generator": "test_document.py"}, "scene": 0,
		"scenes": [{"nodes": [len(nodes) - 1], "extras": {"vantrel": data}}], "nodes": nodes}
	if binary:
		document.update(accessors=accessors, bufferViews=views, buffers=[{"byteLength": len(binary)}])
	return document, binary


def outside_data_file(uri, byte_length):
	"""A drawing of one stroke whose points lie in a buffer named by uri, outside the file."""
	document, _ = drawing_document([wave(3, 0.0)])
	document["buffers"] = [{"uri": uri, "byteLength": byte_length}]
	document["bufferViews"] = [{"buffer": 0, "byteLength": byte_length - byte_length % 12}]
	document["accessors"][0]["count"] = byte_length // 12
	return glb(document)


def other_programs_file():
	"""A valid glTF with one triangle and no program data."""
	binary = struct.pack("<9f", 0, 0, 0, 1, 0, 0, 0, 1, 0)
	return glb({"asset": {"version": "2.0", "generator": "another program"}, "scene": 0,
		"scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
		"meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
		"accessors": [{"bufferView": 0, "componentType": 5126, "type": "VEC3", "count": 3,
			"min": [0, 0, 0], "max": [1, 1, 0]}],
		"bufferViews": [{"buffer": 0, "byteLength": 36}], "buffers": [{"byteLength": 36}]}, binary)


def wave(n, y):
	return [(0.0, y + 6.0 * ((i % 20) / 10.0 - 1.0), -60.0 + 120.0 * i / (n - 1)) for i in range(n)]


def readable_drawing(path):
	"""Whether the file is a whole GLB holding program data: the lengths in the header and
	the chunks add up and the JSON parses. Returns the number of strokes, or None."""
	with open(path, "rb") as f:
		data = f.read()
	if len(data) < 20:
		return None
	magic, version, length = struct.unpack("<4sII", data[:12])
	if magic != b"glTF" or version != 2 or length != len(data):
		return None
	json_length, kind = struct.unpack("<I4s", data[12:20])
	if kind != b"JSON" or 20 + json_length > len(data):
		return None
	document = json.loads(data[20:20 + json_length])
	if 20 + json_length < len(data):
		bin_length, = struct.unpack("<I", data[20 + json_length:24 + json_length])
		if 28 + json_length + bin_length != len(data):
			return None
	extras = document["scenes"][0]["extras"]["vantrel"]
	return len(document["nodes"][extras["drawing"]].get("children", []))


def wait_for(predicate, timeout=120.0, what="condition"):
	deadline = time.monotonic() + timeout
	while not predicate():
		if time.monotonic() > deadline:
			raise AssertionError("timed out waiting for %s" % what)
		time.sleep(0.1)


class Document(unittest.TestCase):
	@classmethod
	def setUpClass(cls):
		cls.server = h.shared_server()

	def start(self, args=(), workdir=None):
		app = h.Vantrel(h.BINARY, h.ASSETS, self.server, args=args, workdir=workdir)
		self.addCleanup(app.shutdown)
		return app

	def view(self, app):
		app.park()
		return app.settle().crop(VIEW_WITHOUT_NOTE)

	def assertSamePicture(self, a, b, msg):
		diff = ImageChops.difference(a, b).getbbox()
		self.assertIsNone(diff, "%s: the pictures differ inside %s (view coordinates)" % (msg, diff))

	def ctrl(self, app, key):
		app.with_keys(["Control_L"], lambda: app.key(key))

	def wait_stderr(self, app, text, timeout=120.0):
		wait_for(lambda: text in app.stderr_text(), timeout, "%r on stderr; stderr:\n%s" % (text, app.stderr_text()))

	def test_1_save_close_start_with_the_file_and_open_from_the_panel(self):
		app = self.start()
		app.drag([(200, 150), (600, 150)])
		# A translucent stroke: the alpha bar's thumb dragged from its right end to the middle.
		app.drag([ALPHA_THUMB_AT_255, ALPHA_BAR_MIDDLE])
		app.move(60, 400)
		app.drag([(200, 250), (600, 350)])
		app.park()
		translucent = app.settle().getpixel((300, 275))  # off the anchor at the centre
		self.assertTrue(0 < max(translucent) < 100, "the middle stroke is not see-through: %s" % (translucent,))
		app.pick_colour(95, h.BOX_TOP_RIGHT)
		app.drag([(250, 450), (550, 400)])
		# Twist the drawing: left Alt, then left Shift, and a left drag.
		app.with_keys(["Alt_L", "Shift_L"], lambda: app.drag([(500, 200), (560, 300)]))
		app.move(60, 400)  # over the panel: the anchor shows again
		before = self.view(app)

		self.ctrl(app, "s")
		self.wait_stderr(app, "saved 3 strokes to ")
		self.assertIn(os.path.join(app.workdir, "vantrel.glb"), app.stderr_text())
		self.assertEqual(app.close(), 0, app.stderr_text())
		self.assertEqual(readable_drawing(os.path.join(app.workdir, "vantrel.glb")), 3)

		again = self.start(["vantrel.glb"], workdir=app.workdir)
		self.wait_stderr(again, "opened vantrel.glb: 3 strokes")
		self.assertSamePicture(before, self.view(again), "started with the saved file")

		# A change: the autosave appears within a few seconds.
		autosave = os.path.join(app.workdir, "vantrel-autosave.glb")
		if os.path.exists(autosave):
			os.remove(autosave)  # written after opening; taken away to see the next one come
		again.drag([(200, 520), (600, 520)])
		wait_for(lambda: os.path.exists(autosave) and readable_drawing(autosave) == 4, 60, "the autosave")

		# "Open", the second file of the list (vantrel.glb) with the keyboard: Down, Return.
		again.click(*OPEN_BUTTON)
		again.settle()
		again.key("Down")
		again.key("Return")
		wait_for(lambda: again.stderr_text().count("opened vantrel.glb: 3 strokes") == 2, 60, "the second opening")
		self.assertSamePicture(before, self.view(again), "opened from the panel")
		# The replaced drawing (4 strokes) went to the autosave first; then the opened one.
		wait_for(lambda: readable_drawing(autosave) == 3, 60, "the autosave of the opened drawing")

		# "Open", a click on the first row (the autosave), and "Open" again.
		again.click(*OPEN_BUTTON)
		again.settle()
		again.click(40, 307)
		again.click(*OPEN_BUTTON)
		self.wait_stderr(again, "opened vantrel-autosave.glb: 3 strokes", 60)
		self.assertEqual(again.close(), 0, again.stderr_text())

	def test_2_kill_during_autosaves_never_leaves_a_broken_file(self):
		work = h.make_temp_dir("kill-")
		with open(os.path.join(work, "big.glb"), "wb") as f:
			f.write(drawing_file([wave(200, -40.0 + 0.8 * i) for i in range(100)]))
		autosave = os.path.join(work, "vantrel-autosave.glb")
		rng = random.Random(10)
		rounds = 4
		for round_ in range(rounds):
			app = self.start(["big.glb"], workdir=work)
			self.wait_stderr(app, "opened big.glb: 100 strokes")
			# Draw, so that the drawing changes and another autosave runs.
			app.drag([(200, 500), (600, 500)], step=20)
			time.sleep(rng.uniform(0.0, 3.0))
			if round_ == rounds - 1:
				wait_for(lambda: os.path.exists(autosave), 120, "an autosave")
			os.kill(app.proc.pid, signal.SIGKILL)
			app.proc.wait()
			app.shutdown()
			if os.path.exists(autosave):
				strokes = readable_drawing(autosave)
				self.assertIn(strokes, (100, 101), "round %d: the autosave is broken" % round_)
		last = self.start(["vantrel-autosave.glb"], workdir=work)
		self.wait_stderr(last, "opened vantrel-autosave.glb: ")
		self.assertEqual(last.close(), 0, last.stderr_text())

	def test_3_bad_files_and_places_are_refused_and_the_drawing_stays(self):
		work = h.make_temp_dir("bad-")
		good = drawing_file([wave(30, 0.0)])
		bad = {
			"a-truncated.glb": good[: len(good) // 2],
			"b-random.glb": bytes(random.Random(3).getrandbits(8) for _ in range(5000)),
			"c-other-program.glb": other_programs_file(),
			"d-not-finite.glb": drawing_file([[(0.0, 0.0, 0.0), (float("nan"), 1.0, 1.0), (2.0, float("inf"), 0.0)]]),
			"e-count.glb": drawing_file([wave(30, 0.0)], count=2000000000),
			"f-newer.glb": drawing_file([wave(30, 0.0)], version=99),
		}
		reasons = ["not a readable glTF", "not a readable glTF", "no Vantrel drawing", "is not finite",
			"more than its data holds", "newer Vantrel"]
		for name, data in bad.items():
			with open(os.path.join(work, name), "wb") as f:
				f.write(data)
		os.mkdir(os.path.join(work, "vantrel.glb"))  # a directory where Ctrl+S writes

		app = self.start(workdir=work)
		app.drag([(200, 300), (600, 300)])
		before = self.view(app)
		for i, (name, reason) in enumerate(zip(sorted(bad), reasons)):
			with self.subTest(file=name):
				self.ctrl(app, "o")
				app.settle()
				for _ in range(i):
					app.key("Down")
				app.key("Return")
				self.wait_stderr(app, "cannot open %s: " % name, 60)
				line = [l for l in app.stderr_text().splitlines() if "cannot open %s" % name in l][-1]
				self.assertIn(reason, line)
				self.assertSamePicture(before, self.view(app), "after refusing %s" % name)

		self.ctrl(app, "s")
		self.wait_stderr(app, "could not save vantrel.glb: ")
		self.assertIn("is a directory", app.stderr_text())
		self.assertTrue(app.alive())
		self.assertEqual(app.close(), 0, app.stderr_text())

	def test_5_files_naming_data_outside_themselves_read_nothing_of_it(self):
		work = h.make_temp_dir("outside-")
		outside = h.make_temp_dir("secret-")
		secret = os.path.join(outside, "secret.txt")
		text = b"user=alice password=correct-horse-battery-staple\n" * 3
		with open(secret, "wb") as f:
			f.write(text)
		fifo = os.path.join(outside, "fifo")
		os.mkfifo(fifo)
		climb = os.path.relpath(secret, work)
		files = {
			# Text reads as finite floats: it would become a stroke far outside the view.
			"a-absolute.glb": outside_data_file(secret, len(text)),
			"b-climbing.glb": outside_data_file(climb, len(text)),
			"c-encoded.glb": outside_data_file(climb.replace("/", "%2F"), len(text)),
			# A directory once ended the program; a FIFO blocked it for ever.
			"d-directory.glb": outside_data_file(outside, 4096),
			"e-fifo.glb": outside_data_file(fifo, 36),
		}
		for name, data in files.items():
			with open(os.path.join(work, name), "wb") as f:
				f.write(data)

		# From the command line, then from the panel's list.
		app = self.start(["a-absolute.glb"], workdir=work)
		self.wait_stderr(app, "cannot open a-absolute.glb: ", 60)
		app.drag([(200, 300), (600, 300)])
		before = self.view(app)
		for i, name in enumerate(sorted(files)):
			with self.subTest(file=name):
				self.ctrl(app, "o")
				app.settle()
				for _ in range(i):
					app.key("Down")
				app.key("Return")
				wait_for(lambda: app.stderr_text().count("cannot open %s: " % name) == (2 if i == 0 else 1), 60,
					"the refusal of %s; stderr:\n%s" % (name, app.stderr_text()))
				line = [l for l in app.stderr_text().splitlines() if "cannot open %s" % name in l][-1]
				self.assertIn("refers to data outside the file", line)
				self.assertNotIn(outside, line)
				self.assertNotIn(str(len(text)), line)
				self.assertSamePicture(before, self.view(app), "after refusing %s" % name)
		self.ctrl(app, "s")
		self.wait_stderr(app, "saved 1 stroke to ")
		self.assertEqual(app.close(), 0, app.stderr_text())
		# Nothing of the file outside reached what the program wrote, the autosave at exit included.
		for name in ["vantrel.glb", "vantrel-autosave.glb"]:
			with open(os.path.join(work, name), "rb") as f:
				written = f.read()
			self.assertEqual(readable_drawing(os.path.join(work, name)), 1)
			self.assertNotIn(text[:12], written, name)
			self.assertNotIn(outside.encode(), written, name)

	@unittest.skipUnless(os.geteuid() == 0, "mounting a read-only file system needs root")
	def test_4_read_only_place(self):
		mount = h.make_temp_dir("ro-")
		if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", mount]).returncode != 0:
			self.skipTest("cannot mount a tmpfs here")
		self.addCleanup(subprocess.run, ["umount", mount])
		with open(os.path.join(mount, "drawing.glb"), "wb") as f:
			f.write(drawing_file([wave(30, 0.0)]))
		subprocess.run(["mount", "-o", "remount,ro", mount], check=True)
		path = os.path.join(mount, "drawing.glb")
		app = self.start([path])
		self.wait_stderr(app, "opened %s: 1 stroke" % path)
		app.drag([(200, 450), (600, 450)])
		before = self.view(app)
		self.ctrl(app, "s")
		self.wait_stderr(app, "could not save %s: " % path)
		self.assertIn("Read-only file system", app.stderr_text())
		self.assertSamePicture(before, self.view(app), "after the failed save")
		self.assertEqual(readable_drawing(path), 1)
		self.assertEqual(app.close(), 0, app.stderr_text())


if __name__ == "__main__":
	h.main()
