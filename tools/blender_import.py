#!/usr/bin/env python3
# Opens Vantrel drawings in Blender with its own glTF importer, as a user would with
# File > Import > glTF 2.0 and Shading "Flat", and reports what Blender made of each file:
# every mesh object (name, parent, vertex and face counts, material, the colour the material
# shows as sRGB bytes with its alpha, blend method), the camera, the world colour and the
# drawing object's world matrix.
#
#   python3 tools/blender_import.py [--json] FILE.glb...
#
# Runs Debian's `blender` in the background; installs nothing, but says what is missing.
# Exits 0 when every file imports and every stroke has its colour, 1 when a file does not
# import or a stroke mesh lacks its colour, 2 when Blender cannot be run as needed (not
# installed, no numpy inside it) or the arguments are wrong.
#
# Why Shading "Flat": Blender 3.4's importer, in its default shading mode ("Normals"), calls
# numpy.bool, which numpy 1.24 (Debian 12) no longer has, and every import fails. The
# strokes are drawn unlit in one flat colour, so "Flat" loses nothing.
#
# After importing, each file is made to look as it did in Vantrel (what a user would do by
# hand): the imported glTF camera becomes the scene camera and the render's width to height
# follows the file's camera; the world colour is the drawing's backdrop, which the file keeps
# as linear RGB in the scene's extras ("background"; the importer copies scene extras into
# the Blender scene's custom properties); and the view transform is "Standard" instead of
# Blender 3.4's default "Filmic", which would tone-map the strokes' colours away from the
# program's. Nothing is saved: the report is all that comes out.
#
# The same file is the script run inside Blender (see `inside_blender`): it writes a JSON
# report file, which this side reads, so that Blender's own messages never mix with it.
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile

DEBIAN_ADVICE = ("On Debian 12: sudo apt install blender python3-numpy (Blender 3.4's glTF "
	"importer needs numpy, and Debian's blender package does not pull it in).")


def srgb_byte(linear):
	"""A linear colour channel (0..1) as the sRGB byte a screen shows."""
	c = min(max(float(linear), 0.0), 1.0)
	c = c * 12.92 if c <= 0.0031308 else 1.055 * c ** (1.0 / 2.4) - 0.055
	return int(round(c * 255.0))


# ---------------------------------------------------------------------------------------------
# Inside Blender

def glb_json(path):
	"""The JSON chunk of a GLB file, or None."""
	import struct
	try:
		with open(path, "rb") as f:
			head = f.read(20)
			if len(head) < 20 or head[:4] != b"glTF":
				return None
			length, kind = struct.unpack("<II", head[12:20])
			if kind != 0x4E4F534A:
				return None
			return json.loads(f.read(length).decode("utf-8"))
	except (OSError, ValueError):
		return None


def material_colour(obj, mat):
	"""The colour an imported unlit material shows: (linear rgb, alpha, where it comes from).

	The importer builds Material Output <- [Mix with Transparent, Fac = alpha] <- [Mix with
	Transparent by Light Path: the unlit trick] <- Emission(Color). The colour is the Emission
	node's own value, or a colour attribute of the mesh when the Color input is linked to one
	(files that carry their colours as vertex colours)."""
	if mat is None or not mat.use_nodes or mat.node_tree is None:
		return None, None, "no material"
	out = next((n for n in mat.node_tree.nodes if n.type == "OUTPUT_MATERIAL" and n.is_active_output), None)
	if out is None or not out.inputs["Surface"].is_linked:
		return None, None, "no shader"
	node = out.inputs["Surface"].links[0].from_node
	alpha, alpha_link = 1.0, None
	while node.type == "MIX_SHADER":
		fac = node.inputs[0]
		if fac.is_linked and fac.links[0].from_node.type == "LIGHT_PATH":
			pass  # the unlit trick: the emission for camera rays
		elif fac.is_linked:
			alpha_link = fac.links[0]
		else:
			alpha *= fac.default_value
		nxt = node.inputs[2]
		if not nxt.is_linked:
			return None, None, "no emission"
		node = nxt.links[0].from_node
	if node.type != "EMISSION":
		return None, None, "shader %s" % node.type
	colour = node.inputs["Color"]
	if not colour.is_linked:
		return list(colour.default_value)[:3], alpha, "material"
	# Linked: a colour attribute, as files with vertex colours give.
	src = colour.links[0].from_node
	name = getattr(src, "layer_name", "") or getattr(src, "attribute_name", "")
	attrs = obj.data.color_attributes
	attr = attrs.get(name) if name else (attrs[0] if len(attrs) else None)
	if attr is None or len(attr.data) == 0:
		return None, None, "colour attribute %r missing" % name
	first = list(attr.data[0].color)
	if alpha_link is not None:
		alpha *= first[3]
	return first[:3], alpha, "colour attribute %s" % attr.name


def matrix_rows(m):
	return [[float(m[r][c]) for c in range(4)] for r in range(4)]


def report_file(bpy, path):
	bpy.ops.wm.read_factory_settings(use_empty=True)
	report = {"file": path, "imported": False, "meshes": [], "camera": None, "world": None,
		"drawing": None, "problems": []}
	try:
		result = bpy.ops.import_scene.gltf(filepath=path, import_shading="FLAT")
		report["imported"] = "FINISHED" in result
		if not report["imported"]:
			report["problems"].append("the importer returned %s" % sorted(result))
	except Exception as e:  # the importer raises RuntimeError with its message
		# Blender gives "Error: <message>", or a Python traceback: keep the exception's line.
		text = str(e).strip()
		lines = [l.strip() for l in text.splitlines() if l.strip()]
		errors = [l for l in lines if l.split(":")[0].endswith("Error") and " " not in l.split(":")[0]]
		report["problems"].append("does not import: %s" % (errors[-1] if errors else lines[0] if lines else text))
		return report
	scene = bpy.context.scene
	gltf = glb_json(path) or {}

	# The look the program has: colours as they are, not tone-mapped.
	scene.view_settings.view_transform = "Standard"
	scene.view_settings.look = "None"
	scene.view_settings.exposure = 0.0
	scene.view_settings.gamma = 1.0

	background = scene.get("background")
	if background is not None and len(background) == 3:
		rgb = [float(c) for c in background]
		world = scene.world or bpy.data.worlds.new("Vantrel backdrop")
		scene.world = world
		world.color = rgb
		world.use_nodes = True
		bg = next((n for n in world.node_tree.nodes if n.type == "BACKGROUND"), None)
		if bg is not None:
			bg.inputs["Color"].default_value = rgb + [1.0]
			bg.inputs["Strength"].default_value = 1.0
		report["world"] = {"linear": rgb, "srgb": [srgb_byte(c) for c in rgb]}

	cameras = [o for o in scene.objects if o.type == "CAMERA"]
	if cameras:
		cam = cameras[0]
		scene.camera = cam
		gl_cams = gltf.get("cameras") or []
		aspect = gl_cams[0].get("perspective", {}).get("aspectRatio") if gl_cams else None
		if aspect:
			scene.render.resolution_y = 1080
			scene.render.resolution_x = max(1, int(round(1080 * float(aspect))))
		mw = cam.matrix_world
		look = [-float(mw[r][2]) for r in range(3)]
		up = [float(mw[r][1]) for r in range(3)]
		n = math.sqrt(sum(c * c for c in look)) or 1.0
		u = math.sqrt(sum(c * c for c in up)) or 1.0
		report["camera"] = {"name": cam.name, "yfov": float(cam.data.angle_y),
			"location": [float(c) for c in mw.translation], "direction": [c / n for c in look],
			"up": [c / u for c in up], "resolution": [scene.render.resolution_x, scene.render.resolution_y]}

	bpy.context.view_layer.update()
	drawing = scene.objects.get("drawing")
	if drawing is None:
		parents = [o.parent for o in scene.objects if o.type == "MESH" and o.parent]
		drawing = parents[0] if parents else None
	if drawing is not None:
		report["drawing"] = {"name": drawing.name, "matrix_world": matrix_rows(drawing.matrix_world)}

	def natural(o):  # "stroke 2" before "stroke 10"
		head, _, tail = o.name.rpartition(" ")
		return (head, int(tail), "") if tail.isdigit() else (o.name, -1, o.name)

	for obj in sorted((o for o in scene.objects if o.type == "MESH"), key=natural):
		mesh = obj.data
		mats = [slot.material for slot in obj.material_slots] or [None]
		mat = mats[0]
		rgb, alpha, source = material_colour(obj, mat)
		entry = {"name": obj.name, "parent": obj.parent.name if obj.parent else None,
			"vertices": len(mesh.vertices), "faces": len(mesh.polygons),
			"material": mat.name if mat else None, "materials": len(mats),
			"blend": mat.blend_method if mat else None, "colour_source": source,
			"colour": None, "alpha": None}
		if rgb is not None:
			entry["colour"] = [srgb_byte(c) for c in rgb]
			entry["alpha"] = int(round(min(max(alpha, 0.0), 1.0) * 255.0))
			entry["linear"] = [float(c) for c in rgb] + [float(alpha)]
		else:
			report["problems"].append("%s has no colour (%s)" % (obj.name, source))
		report["meshes"].append(entry)
	return report


def inside_blender(argv):
	"""Run by Blender: argv = [report file, drawing files...]. Writes the report after each file."""
	import bpy
	out, files = argv[0], argv[1:]
	report = {"blender": bpy.app.version_string, "python": {"version": sys.version.split()[0],
		"prefix": sys.prefix, "executable": sys.executable}, "numpy": None, "files": []}

	def write():
		with open(out + ".part", "w") as f:
			json.dump(report, f)
		os.replace(out + ".part", out)

	try:
		import numpy
		report["numpy"] = numpy.__version__
	except ImportError as e:
		report["numpy_error"] = str(e)
		write()
		return
	write()
	for path in files:
		try:
			report["files"].append(report_file(bpy, path))
		except Exception as e:  # a fault of this script, not of the file: say so, go on
			report["files"].append({"file": path, "imported": False, "meshes": [], "camera": None,
				"world": None, "drawing": None, "problems": ["report failed: %r" % e]})
		write()


# ---------------------------------------------------------------------------------------------
# Outside: runs Blender and prints

def blender_env():
	"""The environment for Debian's Blender: /usr/bin first on the PATH.

	Debian's Blender embeds the system Python 3.11 and finds that Python's home by looking for
	`python3.11` along the PATH: a pyenv, conda or virtualenv Python 3.11 earlier on the PATH
	becomes its home, Debian's dist-packages drop out of sys.path and `import numpy` fails
	even with python3-numpy installed. Blender's official builds carry their own Python and do
	not care."""
	env = dict(os.environ)
	rest = [p for p in env.get("PATH", "").split(os.pathsep) if p and os.path.realpath(p) != "/usr/bin"]
	env["PATH"] = os.pathsep.join(["/usr/bin"] + rest)
	return env


def run_blender(blender, files):
	tmp = tempfile.mkdtemp(prefix="vantrel-blender-")
	out = os.path.join(tmp, "report.json")
	try:
		cmd = [blender, "-b", "--factory-startup", "--python-exit-code", "1",
			"--python", os.path.abspath(__file__), "--", "--inside-blender", out] + files
		run = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=blender_env())
		text = run.stdout.decode(errors="replace")
		try:
			with open(out) as f:
				return json.load(f), text, run.returncode
		except (OSError, ValueError):
			return None, text, run.returncode
	finally:
		shutil.rmtree(tmp, ignore_errors=True)


def fmt(v, digits=4):
	return "(" + ", ".join("%.*f" % (digits, c) for c in v) + ")"


def print_human(r):
	print("%s: %s" % (r["file"], "imported" if r["imported"] else "NOT IMPORTED"))
	d = r.get("drawing")
	if d:
		print("  drawing object %r, world matrix:" % d["name"])
		for row in d["matrix_world"]:
			print("    " + " ".join("%9.4f" % c for c in row))
	c = r.get("camera")
	if c:
		print("  camera %r: vertical fov %.4f rad, at %s, looking along %s, up %s, render %dx%d"
			% (c["name"], c["yfov"], fmt(c["location"], 3), fmt(c["direction"]), fmt(c["up"]),
			c["resolution"][0], c["resolution"][1]))
	elif r["imported"]:
		print("  camera: none in the file")
	w = r.get("world")
	if w:
		print("  world colour: linear %s = sRGB %d %d %d" % ((fmt(w["linear"]),) + tuple(w["srgb"])))
	elif r["imported"]:
		print("  world colour: left as Blender's (no background in the file's scene extras)")
	for m in r["meshes"]:
		colour = ("sRGB %3d %3d %3d alpha %3d" % tuple(m["colour"] + [m["alpha"]])) if m["colour"] else "NO COLOUR"
		print("  %-12s under %-8s %7d vertices %7d faces  material %-22s %s  %s  (%s)"
			% (m["name"], m["parent"], m["vertices"], m["faces"], repr(m["material"]), colour,
			m["blend"], m["colour_source"]))
	for p in r["problems"]:
		print("  problem: " + p)


def main(argv):
	args = [a for a in argv if a != "--json"]
	as_json = len(args) != len(argv)
	if not args or any(a.startswith("-") for a in args):
		print("usage: python3 tools/blender_import.py [--json] FILE.glb...", file=sys.stderr)
		return 2
	files = [os.path.abspath(a) for a in args]
	missing = [a for a, f in zip(args, files) if not os.path.isfile(f)]
	if missing:
		print("blender_import: no such file: %s" % ", ".join(missing), file=sys.stderr)
		return 2
	blender = shutil.which("blender")
	if blender is None:
		print("blender_import: Blender is not installed (no `blender` on the PATH). " + DEBIAN_ADVICE,
			file=sys.stderr)
		return 2
	report, text, code = run_blender(blender, files)
	if report is None:
		print(text.rstrip(), file=sys.stderr)
		print("blender_import: %s ended (exit %d) without a report" % (blender, code), file=sys.stderr)
		return 2
	if report.get("numpy") is None:
		py = report["python"]
		print("blender_import: Blender %s's Python %s (home %s) cannot import numpy: %s."
			% (report["blender"], py["version"], py["prefix"], report.get("numpy_error")), file=sys.stderr)
		if os.path.realpath(py["prefix"]) != "/usr" and py["prefix"] != "/usr":
			print("  Blender took its Python's home from %s, found first on the PATH; Debian's Python "
				"(/usr/bin/python3.11) and its packages are not used." % py["executable"], file=sys.stderr)
		print("  " + DEBIAN_ADVICE, file=sys.stderr)
		return 2
	ok = len(report["files"]) == len(files)
	if not ok:
		print(text.rstrip(), file=sys.stderr)
		print("blender_import: Blender stopped after %d of %d files" % (len(report["files"]), len(files)),
			file=sys.stderr)
	for r in report["files"]:
		if as_json:
			print(json.dumps(r))
		else:
			print_human(r)
		ok = ok and r["imported"] and not r["problems"]
	return 0 if ok else 1


if __name__ == "__main__":
	if "--inside-blender" in sys.argv:
		rest = sys.argv[sys.argv.index("--inside-blender") + 1:]
		inside_blender(rest)
	else:
		sys.exit(main(sys.argv[1:]))
