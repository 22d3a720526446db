# The program's GLB files as Blender 3.4 (Debian 12) opens them, through tools/blender_import.py:
# one mesh object per stroke under the drawing, with the vertices the file holds, the stroke's
# own colour and alpha to one level, the file's camera, the backdrop as the world colour, and
# the twist on the drawing object. Expected values come from the files themselves (the
# program data in extras) and from the vertex counts glbsamples prints. Blender must be
# installed: a missing Blender fails this test rather than skipping it.
import argparse
import json
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

GLBSAMPLES = TOOL = None


def glb(path):
	"""The JSON chunk and the binary chunk of a GLB file."""
	with open(path, "rb") as f:
		data = f.read()
	length = struct.unpack_from("<I", data, 12)[0]
	doc = json.loads(data[20:20 + length])
	rest = 20 + length
	binary = data[rest + 8:rest + 8 + struct.unpack_from("<I", data, rest)[0]] if rest < len(data) else b""
	return doc, binary


def strip_faces(doc, binary, prim):
	"""The triangles Blender keeps of a primitive: distinct, none with a repeated vertex."""
	acc = doc["accessors"][prim["indices"]]
	view = doc["bufferViews"][acc["bufferView"]]
	fmt = {5121: "B", 5123: "H", 5125: "I"}[acc["componentType"]]
	idx = struct.unpack_from("<%d%s" % (acc["count"], fmt), binary,
		view.get("byteOffset", 0) + acc.get("byteOffset", 0))
	mode = prim.get("mode", 4)
	tris = [idx[i:i + 3] for i in range(0, len(idx) - 2, 3)] if mode == 4 else \
		[idx[i:i + 3] for i in range(len(idx) - 2)] if mode == 5 else None
	return len({frozenset(t) for t in tris if len(set(t)) == 3})


def srgb_to_linear(byte):
	c = byte / 255.0
	return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def mirror(v):
	"""A point or direction of the program's left-handed Y-up world in Blender's Z-up world:
	glTF mirrors Z, (x, y, z) -> (x, y, -z), and Blender's importer turns glTF's Y up into its
	Z up, (x, y, z) -> (x, -z, y); together they swap Y and Z."""
	return [v[0], v[2], v[1]]


def normalized(v):
	n = math.sqrt(sum(c * c for c in v))
	return [c / n for c in v]


class Blender(unittest.TestCase):
	@classmethod
	def setUpClass(cls):
		cls.dir = tempfile.mkdtemp(prefix="glb-blender-")
		out = subprocess.run([GLBSAMPLES, cls.dir], stdout=subprocess.PIPE, check=True).stdout.decode()
		# "name.glb counts counts ...": per stroke, its primitives' vertex counts joined by '+'.
		cls.expected = {}
		for line in out.splitlines():
			name, *strokes = line.split()
			cls.expected[name] = [[int(c) for c in s.split("+")] for s in strokes]

	@classmethod
	def tearDownClass(cls):
		shutil.rmtree(cls.dir, ignore_errors=True)

	def assertClose(self, got, want, tol, what):
		self.assertEqual(len(got), len(want), what)
		for g, w in zip(got, want):
			self.assertLess(abs(g - w), tol, "%s: %s, expected %s" % (what, got, want))

	def test_blender_opens_every_sample_as_it_was_drawn(self):
		self.assertIsNotNone(shutil.which("blender"),
			"Blender is not installed: scripts/install-deps.sh installs blender and python3-numpy")
		names = sorted(self.expected)
		run = subprocess.run([sys.executable, TOOL, "--json"] + [os.path.join(self.dir, n) for n in names],
			stdout=subprocess.PIPE, stderr=subprocess.PIPE)
		self.assertEqual(run.returncode, 0, run.stderr.decode(errors="replace") + run.stdout.decode(errors="replace"))
		reports = [json.loads(line) for line in run.stdout.decode().splitlines()]
		self.assertEqual([os.path.basename(r["file"]) for r in reports], names)
		levels = [set(), set(), set(), set()]
		for name, r in zip(names, reports):
			with self.subTest(file=name):
				doc, binary = glb(os.path.join(self.dir, name))
				scene = doc["scenes"][0]["extras"]
				program = scene["vantrel"]
				self.assertTrue(r["imported"], r["problems"])
				self.assertEqual(r["problems"], [])

				# The twist (engine order: row r, column c at 4c + r) with Y and Z swapped, as
				# mirror() swaps them: Blender's matrix row r, column c is the twist's at
				# row swap[r], column swap[c].
				twist, swap = program["twist"], [0, 2, 1, 3]
				want = [[twist[4 * swap[c] + swap[row]] for c in range(4)] for row in range(4)]
				self.assertEqual(r["drawing"]["name"], "drawing")
				for got_row, want_row in zip(r["drawing"]["matrix_world"], want):
					self.assertClose(got_row, want_row, 1e-4, "drawing matrix")

				# The camera: where the program's stood, looking where it looked.
				cam = r["camera"]
				self.assertTrue(doc.get("cameras") and cam, "no camera in the file or in Blender's scene")
				gl_cam = doc["cameras"][0]["perspective"]
				self.assertAlmostEqual(cam["yfov"], gl_cam["yfov"], places=5)
				self.assertAlmostEqual(cam["yfov"], math.pi / 2.5, places=3)
				pos, target, up = (mirror(program["camera"][k]) for k in ("position", "target", "up"))
				look = normalized([t - p for t, p in zip(target, pos)])
				self.assertClose(cam["location"], pos, 1e-3, "camera location")
				self.assertClose(cam["direction"], look, 1e-4, "camera direction")
				d = sum(u * l for u, l in zip(up, look))
				self.assertClose(cam["up"], normalized([u - d * l for u, l in zip(up, look)]), 1e-4, "camera up")

				# The backdrop as the world colour, shown as the program's bytes.
				self.assertIn("background", scene)
				self.assertClose(r["world"]["linear"], scene["background"], 1e-6, "world colour")
				self.assertClose(r["world"]["linear"], [srgb_to_linear(b) for b in program["backdrop"][1:]],
					1e-4, "background against backdrop")
				self.assertEqual(r["world"]["srgb"], program["backdrop"][1:])

				# One mesh object per stroke, in drawing order, under the drawing. Blender keeps
				# each primitive's vertices apart (a ring two primitives share counts twice) and
				# keeps every vertex the indices use, degenerate triangles' too; it drops those
				# triangles and repeated ones.
				drawing = doc["nodes"][program["drawing"]]
				strokes = [doc["nodes"][i] for i in drawing.get("children", [])]
				self.assertEqual([m["name"] for m in r["meshes"]], ["stroke %d" % (i + 1) for i in range(len(strokes))])
				self.assertEqual(len(strokes), len(self.expected[name]))
				for m, node, counts in zip(r["meshes"], strokes, self.expected[name]):
					prims = doc["meshes"][node["mesh"]]["primitives"]
					self.assertEqual(len(prims), len(counts), m["name"])
					self.assertEqual((m["parent"], m["vertices"]), ("drawing", sum(counts)), m["name"])
					self.assertEqual(m["faces"], sum(strip_faces(doc, binary, p) for p in prims), m["name"])
					a, red, green, blue = node["extras"]["vantrel"]["color"]
					self.assertIsNotNone(m["colour"], m)
					self.assertClose(m["colour"] + [m["alpha"]], [red, green, blue, a], 1.5, m["name"] + " colour")
					self.assertEqual(m["blend"], "BLEND" if a < 255 else "OPAQUE", m["name"])
					for i, v in enumerate((red, green, blue, a)):
						levels[i].add(v)
		# The samples put every level of every channel and of alpha through the importer.
		self.assertEqual(levels, [set(range(256))] * 4)


if __name__ == "__main__":
	parser = argparse.ArgumentParser(add_help=False)
	parser.add_argument("--glbsamples", required=True)
	parser.add_argument("--tool", required=True)
	known, rest = parser.parse_known_args()
	GLBSAMPLES, TOOL = os.path.abspath(known.glbsamples), os.path.abspath(known.tool)
	unittest.main(argv=[sys.argv[0]] + rest)
