# The program's GLB files as other programs see them: the Khronos glTF validator reports no
# error and no warning; assimp finds the same meshes, one per primitive, with the vertex counts
# the writer gives; three.js's GLTFLoader (three_check.mjs) shows every stroke in its place and
# colour, the camera as the program's and the backdrop. The files come from the glbsamples
# tool: an empty drawing, a few strokes, a translucent stroke, a twisted drawing, a stroke of
# 10,000 points and 256 strokes of every colour level.
import argparse
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

GLBSAMPLES = VALIDATOR = None
HERE = os.path.dirname(os.path.abspath(__file__))


class Readers(unittest.TestCase):
	@classmethod
	def setUpClass(cls):
		cls.dir = tempfile.mkdtemp(prefix="glb-readers-")
		out = subprocess.run([GLBSAMPLES, cls.dir], stdout=subprocess.PIPE, check=True).stdout.decode()
		# "name.glb counts counts ...": per stroke, its mesh's vertex count per primitive,
		# joined with '+'.
		cls.lines, cls.expected = {}, {}
		for line in out.splitlines():
			name, *counts = line.split()
			cls.lines[name] = " ".join(counts)
			cls.expected[name] = [[int(n) for n in c.split("+")] for c in counts]

	@classmethod
	def tearDownClass(cls):
		shutil.rmtree(cls.dir, ignore_errors=True)

	def path(self, name):
		return os.path.join(self.dir, name)

	def test_samples_cover_the_cases(self):
		self.assertEqual(sorted(self.expected),
			["coil.glb", "colours.glb", "empty.glb", "few.glb", "long.glb", "translucent.glb", "twisted.glb"])
		# The coil needs more vertices than 16-bit indices reach: it is split.
		self.assertGreater(len(self.expected["coil.glb"][0]), 1)
		self.assertTrue(all(n <= 65535 for n in self.expected["coil.glb"][0]), self.expected["coil.glb"])
		self.assertEqual(len(self.expected["colours.glb"]), 256)

	def test_validator_finds_no_error_or_warning(self):
		self.assertTrue(os.path.isdir(VALIDATOR),
			"the glTF validator is missing at %s (scripts/install-deps.sh installs it)" % VALIDATOR)
		files = [self.path(n) for n in sorted(self.expected)]
		out = subprocess.run(["node", os.path.join(HERE, "validate_gltf.js"), VALIDATOR] + files,
			stdout=subprocess.PIPE, check=True).stdout.decode()
		reports = [json.loads(line) for line in out.splitlines()]
		self.assertEqual(len(reports), len(files))
		for r in reports:
			with self.subTest(file=r["file"]):
				self.assertEqual((r["errors"], r["warnings"]), (0, 0), r["messages"])

	def test_assimp_reads_the_same_meshes(self):
		# A raw import: assimp 5.2 accepts KHR_mesh_quantization but copies the 16-bit positions
		# into floats as they are, so its post-processing (which joins vertices by position)
		# would work on nonsense. The structure and the counts are what it can be asked about.
		for name, counts in sorted(self.expected.items()):
			with self.subTest(file=name):
				run = subprocess.run(["assimp", "info", self.path(name), "-r"], stdout=subprocess.PIPE,
					stderr=subprocess.STDOUT)
				text = run.stdout.decode(errors="replace")
				self.assertEqual(run.returncode, 0, text)
				# One aiMesh per primitive, named after the glTF mesh, with "-k" when it has several.
				meshes = re.findall(r"^\s*(\d+) \((stroke \d+(?:-\d+)?)\): \[(\d+) /", text, re.M)
				names = [["stroke %d" % (i + 1)] if len(c) == 1 else ["stroke %d-%d" % (i + 1, k) for k in range(len(c))]
					for i, c in enumerate(counts)]
				flat = [n for ns in names for n in ns]
				self.assertEqual([m[1] for m in meshes], flat)
				self.assertEqual([int(m[2]) for m in meshes], [n for c in counts for n in c])
				# Under the drawing, stroke node i holds its primitives' meshes in order.
				nodes = re.findall(r"stroke (\d+) \(mesh ([\d, ]+)\)", text)
				self.assertEqual([int(n) for n, _ in nodes], list(range(1, len(counts) + 1)))
				self.assertEqual([[flat[int(m)] for m in ms.split(",")] for _, ms in nodes], names)
				# A root above the drawing and the camera.
				self.assertIn("Nodes:              %d" % (len(counts) + 3), text)
				self.assertIn("Cameras:            1", text)

	def test_three_shows_what_was_saved(self):
		modules = os.path.dirname(VALIDATOR)
		self.assertTrue(os.path.isfile(os.path.join(modules, "three", "package.json")),
			"three.js is missing in %s (scripts/install-deps.sh installs it)" % modules)
		pairs = [a for n in sorted(self.lines) for a in (self.path(n), self.lines[n])]
		run = subprocess.run(["node", os.path.join(HERE, "three_check.mjs"), modules] + pairs,
			stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
		text = run.stdout.decode(errors="replace")
		self.assertEqual(run.returncode, 0, text)
		self.assertEqual(sorted(l.split(":")[0] for l in text.splitlines() if ": ok: " in l), sorted(self.lines), text)


	def test_three_check_finds_what_is_wrong(self):
		# twisted.glb with one thing changed at a time, each of which a viewer would show wrong.
		data = open(self.path("twisted.glb"), "rb").read()
		size = struct.unpack_from("<I", data, 12)[0]

		def drawing(g):
			return g["nodes"][g["scenes"][0]["extras"]["vantrel"]["drawing"]]

		def stroke2(g):
			return g["nodes"][drawing(g)["children"][1]]

		def colour(g):  # stroke 2's baseColorFactor
			material = g["meshes"][stroke2(g)["mesh"]]["primitives"][0]["material"]
			return g["materials"][material]["pbrMetallicRoughness"]["baseColorFactor"]

		def camera(g):
			return next(n for n in g["nodes"] if "camera" in n)

		def add(values, index, amount):
			values[index] += amount

		cases = [
			("stroke 2: shown in", lambda g: add(colour(g), 1, 0.05 if colour(g)[1] < 0.5 else -0.05)),
			("stroke 2: opacity", lambda g: add(colour(g), 3, -2 / 255)),
			("stroke 2: its geometry spans", lambda g: [add(stroke2(g)["matrix"], k, stroke2(g)["matrix"][k] * 0.2) for k in range(12)]),
			("is not the twist mirrored", lambda g: add(drawing(g)["translation"], 2, 1)),
			("camera at", lambda g: add(camera(g)["translation"], 2, 1)),
			("camera field of view", lambda g: g["cameras"][0]["perspective"].update(yfov=1.0)),
			("background", lambda g: add(g["scenes"][0]["extras"]["background"], 0, 0.5)),
		]
		for expected, change in cases:
			with self.subTest(change=expected):
				gltf = json.loads(data[20:20 + size])
				change(gltf)
				text = json.dumps(gltf).encode()
				text += b" " * (-len(text) % 4)
				chunks = struct.pack("<II", len(text), 0x4E4F534A) + text + data[20 + size:]
				with open(self.path("changed.glb"), "wb") as f:
					f.write(struct.pack("<III", 0x46546C67, 2, 12 + len(chunks)) + chunks)
				run = subprocess.run(["node", os.path.join(HERE, "three_check.mjs"), os.path.dirname(VALIDATOR),
					self.path("changed.glb"), self.lines["twisted.glb"]], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
				out = run.stdout.decode(errors="replace")
				self.assertEqual(run.returncode, 1, out)
				self.assertIn(expected, out)

if __name__ == "__main__":
	parser = argparse.ArgumentParser(add_help=False)
	parser.add_argument("--glbsamples", required=True)
	parser.add_argument("--validator", required=True)
	known, rest = parser.parse_known_args()
	GLBSAMPLES, VALIDATOR = os.path.abspath(known.glbsamples), os.path.abspath(known.validator)
	unittest.main(argv=[sys.argv[0]] + rest)
