#!/usr/bin/env python3
# Imports Vantrel drawings into Blender with its own glTF importer (File > Import > glTF 2.0)
# and reports, per file, the meshes with their vertex and face counts and colour attributes.
# Runs Blender in the background:  python3 tools/blender_import.py FILE.glb...
# (needs Debian's `blender`; not part of the test suite). Exits 1 if a file does not import
# or a mesh has no colour attribute.
import json
import subprocess
import sys

# Runs inside Blender: one JSON line per file, prefixed so it stands out of Blender's output.
EXPRESSION = r'''
import bpy, json, sys
files = sys.argv[sys.argv.index("--") + 1:]
for path in files:
    bpy.ops.wm.read_factory_settings(use_empty=True)
    report = {"file": path, "ok": True, "meshes": []}
    try:
        bpy.ops.import_scene.gltf(filepath=path)
    except Exception as e:
        report["ok"] = False
        report["error"] = str(e)
    for ob in bpy.data.objects:
        if ob.type != "MESH":
            continue
        mesh = ob.data
        colours = [a.name for a in getattr(mesh, "color_attributes", [])] or [a.name for a in mesh.vertex_colors]
        report["meshes"].append({"name": ob.name, "parent": ob.parent.name if ob.parent else None,
            "vertices": len(mesh.vertices), "faces": len(mesh.polygons), "colours": colours,
            "materials": [m.name for m in mesh.materials if m],
            "blend": [getattr(m, "blend_method", "") for m in mesh.materials if m]})
    print("VANTREL-REPORT " + json.dumps(report))
'''


def main(files):
	if not files:
		print("usage: python3 tools/blender_import.py FILE.glb...", file=sys.stderr)
		return 2
	run = subprocess.run(["blender", "-b", "--factory-startup", "--python-expr", EXPRESSION, "--"] + files,
		stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
	ok = True
	reports = [json.loads(line.split(" ", 1)[1]) for line in run.stdout.decode(errors="replace").splitlines()
		if line.startswith("VANTREL-REPORT ")]
	if len(reports) != len(files):
		print(run.stdout.decode(errors="replace"))
		return 1
	for r in reports:
		print("%s: %s" % (r["file"], "imported" if r["ok"] else "FAILED: " + r.get("error", "")))
		ok = ok and r["ok"]
		for m in r["meshes"]:
			print("  %-12s under %-8s %7d vertices %7d faces  colours %s  materials %s %s"
				% (m["name"], m["parent"], m["vertices"], m["faces"], m["colours"], m["materials"], m["blend"]))
			ok = ok and bool(m["colours"])
	return 0 if ok else 1


if __name__ == "__main__":
	sys.exit(main(sys.argv[1:]))
