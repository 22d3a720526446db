// Opens the program's drawing files with three.js's GLTFLoader, as a web viewer does, and
// checks what it shows against what the file says the drawing is: the program's own data in
// the JSON chunk (scenes[0].extras.vantrel, each stroke node's extras.vantrel) and the
// stroke points in the binary chunk. The expectations are worked out here from that data and
// glTF's conventions (right-handed, so the program's left-handed world comes in with Z
// mirrored; colours in materials are linear), never from the program's writer.
//
// Usage: node three_check.mjs NODE_MODULES_DIR FILE COUNTS [FILE COUNTS ...]
//   COUNTS: per stroke, its mesh's vertex counts per primitive joined with '+', strokes
//   separated by spaces ("222 372 42", "65530+34512", "" for no stroke), as glbsamples prints.
// Prints one line per file; exits with 1 when anything differs, 2 on wrong usage.
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const args = process.argv.slice(2);
if (args.length < 3 || args.length % 2 !== 1) {
	console.error('usage: node three_check.mjs NODE_MODULES_DIR FILE COUNTS [FILE COUNTS ...]');
	process.exit(2);
}
const modules = path.resolve(args[0]);
// GLTFLoader imports 'three', which Node resolves from the loader's place to this same file.
const THREE = await import(pathToFileURL(path.join(modules, 'three/build/three.module.js')).href);
const { GLTFLoader } = await import(pathToFileURL(path.join(modules, 'three/examples/jsm/loaders/GLTFLoader.js')).href);

// The program's camera keeps the engine's vertical field of view (pi / 2.5) and the aspect of
// its 800 x 600 window.
const PROGRAM_YFOV = Math.PI / 2.5;
const PROGRAM_ASPECT = 800 / 600;

const S = new THREE.Matrix4().makeScale(1, 1, -1); // the program's space to glTF's and back
const mirror = (v) => new THREE.Vector3(v[0], v[1], -v[2]);
// A transformation of the program's (16 numbers, element (row r, column c) at 4c + r) in glTF space.
const mirrored = (m) => new THREE.Matrix4().fromArray(m).premultiply(S).multiply(S);

// The standard sRGB transfer function, from linear.
const toSrgb = (c) => (c <= 0.0031308 ? c * 12.92 : 1.055 * Math.pow(c, 1 / 2.4) - 0.055);
const hex = (rgb) => '#' + rgb.map((c) => c.toString(16).padStart(2, '0')).join('');
const fmt = (v) => '(' + v.toArray().map((x) => +x.toFixed(4)).join(', ') + ')';

// The GLB's JSON and binary chunks.
function readGlb(bytes) {
	const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
	if (bytes.byteLength < 20 || view.getUint32(0, true) !== 0x46546c67) throw new Error('not a GLB file');
	let json = null;
	let bin = null;
	for (let at = 12; at + 8 <= bytes.byteLength;) {
		const length = view.getUint32(at, true);
		const type = view.getUint32(at + 4, true);
		const data = bytes.subarray(at + 8, at + 8 + length);
		if (type === 0x4e4f534a && !json) json = JSON.parse(new TextDecoder().decode(data));
		else if (type === 0x004e4942 && !bin) bin = data;
		at += 8 + length;
	}
	if (!json) throw new Error('no JSON chunk');
	return { json, bin };
}

// A stroke's points: FLOAT VEC3, packed, in the binary chunk.
function readPoints(json, bin, index) {
	const accessor = json.accessors[index];
	const bufferView = json.bufferViews[accessor.bufferView];
	if (accessor.componentType !== 5126 || accessor.type !== 'VEC3' || (bufferView.byteStride || 12) !== 12)
		throw new Error('points accessor ' + index + ' is not packed FLOAT VEC3');
	const at = (bufferView.byteOffset || 0) + (accessor.byteOffset || 0);
	const view = new DataView(bin.buffer, bin.byteOffset + at, accessor.count * 12);
	const points = [];
	for (let i = 0; i < accessor.count; ++i)
		points.push([0, 4, 8].map((o) => view.getFloat32(12 * i + o, true)));
	return points;
}

function parse(loader, bytes) {
	const buffer = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
	return new Promise((resolve, reject) => loader.parse(buffer, '', resolve, reject));
}

const near = (a, b, tolerance) => Math.abs(a - b) <= tolerance;

async function check(file, counts) {
	const failures = [];
	const fail = (message) => failures.push(message);
	const { json, bin } = readGlb(fs.readFileSync(file));
	const gltf = await parse(new GLTFLoader(), fs.readFileSync(file));
	const scene = gltf.scene;
	scene.updateMatrixWorld(true);
	const program = json.scenes[0].extras.vantrel;
	const drawingDef = json.nodes[program.drawing];
	const strokeNodes = drawingDef.children || [];

	// The drawing node: the twist, mirrored.
	const drawing = scene.children.find((o) => gltf.parser.associations.get(o)?.nodes === program.drawing);
	if (!drawing) {
		fail('node ' + program.drawing + ' (the drawing) is not at the root of three.js\'s scene');
		return { failures, summary: '' };
	}
	if (drawing.userData.name !== 'drawing') fail('the drawing node is named "' + drawing.userData.name + '", not "drawing"');
	const twist = mirrored(program.twist);
	const worst = drawing.matrixWorld.elements.reduce((w, e, i) => Math.max(w, Math.abs(e - twist.elements[i]) / (1 + Math.abs(twist.elements[i]))), 0);
	if (worst > 1e-5)
		fail('the drawing node\'s world matrix [' + drawing.matrixWorld.elements.map((e) => +e.toFixed(5)) + '] is not the twist mirrored ['
			+ twist.elements.map((e) => +e.toFixed(5)) + ']');

	// The strokes, in drawing order, with their meshes, places and colours.
	if (strokeNodes.length !== counts.length)
		fail(strokeNodes.length + ' strokes in the file, ' + counts.length + ' expected');
	if (drawing.children.length !== strokeNodes.length)
		fail('three.js shows ' + drawing.children.length + ' objects under the drawing node, the file has ' + strokeNodes.length + ' strokes');
	let vertices = 0;
	let meshCount = 0;
	let exact = 0;
	for (let i = 0; i < Math.min(strokeNodes.length, drawing.children.length); ++i) {
		const label = 'stroke ' + (i + 1);
		const object = drawing.children[i];
		const data = json.nodes[strokeNodes[i]].extras.vantrel;
		if (gltf.parser.associations.get(object)?.nodes !== strokeNodes[i])
			fail(label + ': three.js shows another node in its place');
		if (object.userData.name !== label) fail(label + ': its node is named "' + object.userData.name + '"');
		const meshes = object.isMesh ? [object] : object.children.filter((o) => o.isMesh);
		if (!object.isMesh && meshes.length !== object.children.length) fail(label + ': its node holds objects that are not meshes');
		meshCount += meshes.length;
		for (const mesh of meshes) {
			const meshIndex = gltf.parser.associations.get(mesh)?.meshes;
			const meshName = meshIndex === undefined ? undefined : json.meshes[meshIndex].name;
			if (meshName !== label) fail(label + ': shows a mesh named "' + meshName + '"');
		}
		const got = meshes.map((m) => m.geometry.attributes.position.count);
		vertices += got.reduce((a, b) => a + b, 0);
		if (i < counts.length && got.join('+') !== counts[i].join('+'))
			fail(label + ': vertex counts ' + got.join('+') + ', expected ' + counts[i].join('+'));

		// Its geometry in the world encloses its path and keeps within about its radius of it:
		// a ring at a bend of up to 60 degrees is stretched across it to keep the tube's width
		// (by at most 1 / cos 30 degrees); sharper bends have a joint of rings of the radius.
		const toWorld = new THREE.Matrix4().fromArray(program.twist);
		if (data.placement) toWorld.multiply(new THREE.Matrix4().fromArray(data.placement));
		const path = new THREE.Box3();
		for (const p of readPoints(json, bin, data.points))
			path.expandByPoint(new THREE.Vector3(...p).applyMatrix4(toWorld).applyMatrix4(S));
		const box = new THREE.Box3();
		for (const mesh of meshes) box.union(new THREE.Box3().setFromObject(mesh, true));
		const scale = new THREE.Vector3().setFromMatrixScale(toWorld).x;
		const reach = data.radius * Math.max(1, data.thickness) * scale;
		const slack = 1e-4 * (1 + path.getSize(new THREE.Vector3()).length());
		const inner = path.clone().expandByScalar(-slack);
		const outer = path.clone().expandByScalar(reach * 1.1548 + slack);
		if (box.isEmpty() || !box.containsBox(inner) || !outer.containsBox(box))
			fail(label + ': its geometry spans ' + fmt(box.min) + ' to ' + fmt(box.max) + ' in the world, its path '
				+ fmt(path.min) + ' to ' + fmt(path.max) + ' with a reach of ' + +reach.toFixed(4));

		// The colour shown: an unlit material of the stroke's colour, no vertex colours.
		const [alpha, ...rgb] = data.color;
		for (const mesh of meshes) {
			const m = mesh.material;
			const showsRgb = [m.color.r, m.color.g, m.color.b].map((c) => Math.round(toSrgb(c) * 255));
			const threeHex = m.color.getHex(); // three's own conversion to sRGB
			const threeRgb = [threeHex >> 16, (threeHex >> 8) & 255, threeHex & 255];
			if (threeRgb.every((c, k) => c === rgb[k]) && Math.round(m.opacity * 255) === alpha) exact += 1;
			if (!m.isMeshBasicMaterial) fail(label + ': shown lit (' + m.type + '), not in its flat colour');
			if (m.vertexColors || mesh.geometry.attributes.color)
				fail(label + ': has vertex colours, which three.js multiplies into the material\'s');
			if (threeRgb.some((c, k) => Math.abs(c - rgb[k]) > 1) || showsRgb.some((c, k) => Math.abs(c - rgb[k]) > 1))
				fail(label + ': shown in ' + hex(threeRgb) + ', saved as ' + hex(rgb));
			if (!near(m.opacity, alpha / 255, 1 / 255 + 1e-9))
				fail(label + ': opacity ' + m.opacity + ', saved alpha ' + alpha + ' (' + (alpha / 255).toFixed(4) + ')');
			if (m.transparent !== alpha < 255)
				fail(label + ': ' + (m.transparent ? 'blended' : 'opaque') + ' with alpha ' + alpha);
		}
	}

	// The camera: where the program's camera stood and looked, with its field of view.
	const cameraLine = [];
	const camera = gltf.cameras[0];
	if (!camera || !camera.isPerspectiveCamera) {
		fail('no perspective camera (three.js gives ' + (camera ? camera.type : 'none') + ')');
	} else {
		const def = json.cameras[0].perspective;
		let inScene = false;
		camera.traverseAncestors((o) => { if (o === scene) inScene = true; });
		if (!inScene) fail('the camera is not on a node of the scene');
		if (!near(camera.fov, (def.yfov * 180) / Math.PI, 1e-9) || !near(def.yfov, PROGRAM_YFOV, 1e-6))
			fail('camera field of view ' + camera.fov + ' degrees, the program\'s is ' + (PROGRAM_YFOV * 180) / Math.PI);
		if (!near(camera.aspect, def.aspectRatio, 1e-9) || !near(def.aspectRatio, PROGRAM_ASPECT, 1e-6))
			fail('camera aspect ' + camera.aspect + ', the program\'s is ' + PROGRAM_ASPECT);
		const c = program.camera;
		const eye = mirror(c.position);
		const look = mirror(c.target).sub(eye).normalize();
		const up = mirror(c.up);
		up.sub(look.clone().multiplyScalar(up.dot(look))).normalize();
		const position = camera.getWorldPosition(new THREE.Vector3());
		const direction = camera.getWorldDirection(new THREE.Vector3());
		const shownUp = new THREE.Vector3(0, 1, 0).applyQuaternion(camera.getWorldQuaternion(new THREE.Quaternion()));
		const size = camera.getWorldScale(new THREE.Vector3());
		if (position.distanceTo(eye) > 1e-4 * (1 + eye.length()))
			fail('camera at ' + fmt(position) + ', the program\'s at ' + fmt(eye) + ' (mirrored)');
		if (direction.angleTo(look) > 1e-5)
			fail('camera looks along ' + fmt(direction) + ', the program\'s towards ' + fmt(look) + ' (mirrored)');
		if (shownUp.angleTo(up) > 1e-5) fail('camera up ' + fmt(shownUp) + ', the program\'s ' + fmt(up) + ' (mirrored)');
		if (Math.abs(size.x - 1) + Math.abs(size.y - 1) + Math.abs(size.z - 1) > 1e-5) fail('the camera is scaled by ' + fmt(size));
		cameraLine.push('camera ' + camera.fov.toFixed(2) + ' deg, aspect ' + camera.aspect.toFixed(3));
	}

	// The backdrop, as linear red, green and blue in the scene's extras.
	const [, ...backdrop] = program.backdrop;
	const background = scene.userData.background;
	if (!Array.isArray(background) || background.length !== 3 || !background.every((c) => Number.isFinite(c) && c >= 0 && c <= 1)) {
		fail('the scene has no background colour (three.js gives userData.background = ' + JSON.stringify(background) + ')');
	} else {
		const back = new THREE.Color().setRGB(...background, THREE.LinearSRGBColorSpace).getHex();
		const backRgb = [back >> 16, (back >> 8) & 255, back & 255];
		if (backRgb.some((c, k) => Math.abs(c - backdrop[k]) > 1) || background.some((c, k) => Math.abs(Math.round(toSrgb(c) * 255) - backdrop[k]) > 1))
			fail('background ' + JSON.stringify(background) + ' shows as ' + hex(backRgb) + ', the backdrop is ' + hex(backdrop));
	}

	const summary = strokeNodes.length + ' strokes, ' + meshCount + ' meshes (' + exact + ' in the exact colour and alpha), '
		+ vertices + ' vertices, ' + cameraLine.concat(['backdrop ' + hex(backdrop)]).join(', ');
	return { failures, summary };
}

let failed = false;
for (let i = 1; i < args.length; i += 2) {
	const file = args[i];
	const counts = args[i + 1].split(/\s+/).filter((s) => s).map((s) => s.split('+').map(Number));
	const name = path.basename(file);
	let result;
	try {
		result = await check(file, counts);
	} catch (e) {
		result = { failures: ['three.js could not read it: ' + (e && e.stack ? e.stack : e)], summary: '' };
	}
	if (result.failures.length) {
		failed = true;
		console.log(name + ': FAILED: ' + result.summary);
		for (const f of result.failures) console.log('  ' + name + ': ' + f);
	} else {
		console.log(name + ': ok: ' + result.summary);
	}
}
process.exit(failed ? 1 : 0);
