# The program's GLB files as other programs see them: the Khronos glTF validator reports no
# error and no warning, and assimp finds the same meshes with the same vertex counts as the
# program's own mesh code gives. The files come from the glbsamples tool: an empty drawing,
# a few strokes, a translucent stroke, a twisted drawing and a stroke of 10,000 points.
import argparse
import json
import os
import re
import shutil
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
		# "name.glb count count ...": the vertex count of each stroke's mesh.
		cls.expected = {}
		for line in out.splitlines():
			name, *counts = line.split()
			cls.expected[name] = [int(c) for c in counts]

	@classmethod
	def tearDownClass(cls):
		shutil.rmtree(cls.dir, ignore_errors=True)

	def path(self, name):
		return os.path.join(self.dir, name)

	def test_samples_cover_the_cases(self):
		self.assertEqual(sorted(self.expected), ["empty.glb", "few.glb", "long.glb", "translucent.glb", "twisted.glb"])
		# The long stroke needs more vertices than 16-bit indices reach.
		self.assertGreater(self.expected["long.glb"][0], 65536)

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
		for name, counts in sorted(self.expected.items()):
			if not counts:
				continue  # assimp refuses a scene without meshes ("No materials remaining")
			with self.subTest(file=name):
				run = subprocess.run(["assimp", "info", self.path(name)], stdout=subprocess.PIPE,
					stderr=subprocess.STDOUT)
				text = run.stdout.decode(errors="replace")
				self.assertEqual(run.returncode, 0, text)
				meshes = re.findall(r"^\s*(\d+) \((stroke \d+)\): \[(\d+) /", text, re.M)
				self.assertEqual([m[1] for m in meshes], ["stroke %d" % (i + 1) for i in range(len(counts))])
				self.assertEqual([int(m[2]) for m in meshes], counts)
				self.assertIn("Nodes:              %d" % (len(counts) + 1), text)


if __name__ == "__main__":
	parser = argparse.ArgumentParser(add_help=False)
	parser.add_argument("--glbsamples", required=True)
	parser.add_argument("--validator", required=True)
	known, rest = parser.parse_known_args()
	GLBSAMPLES, VALIDATOR = os.path.abspath(known.glbsamples), os.path.abspath(known.validator)
	unittest.main(argv=[sys.argv[0]] + rest)
