#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vantrel need, and the
# Khronos glTF validator and three.js (npm packages gltf-validator, three) into build/npm of
# the source tree;
# with --bench also what bench/compare_gif.py runs side by side (ffmpeg, GNU time), with
# --windows what the Windows cross build and its tests under Wine need.
# Does nothing when all of them are present already.
set -euo pipefail

packages=(
	cmake g++ make
	libirrlicht-dev libgl-dev libx11-dev libxi-dev
	libgtest-dev libbenchmark-dev libgif-dev giflib-tools
	xvfb xdotool x11-utils x11-apps imagemagick python3 python3-pil
	xserver-xorg-core xserver-xorg-video-dummy libxi6
	libtinygltf-dev nlohmann-json3-dev assimp-utils nodejs
	blender python3-numpy
	clang libclang-rt-dev
)
# Debian's npm, unless a Node.js that brings its own npm is installed already.
command -v npm >/dev/null 2>&1 || packages+=(npm)
if [ "${1:-}" = "--bench" ]; then
	packages+=(ffmpeg time)
fi
# --windows: the cross build (scripts/build-windows.sh) and its tests under Wine.
if [ "${1:-}" = "--windows" ]; then
	packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix dpkg-dev xz-utils googletest wine64)
fi

missing=()
for p in "${packages[@]}"; do
	dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
	sudo=""
	[ "$(id -u)" -ne 0 ] && sudo="sudo"
	echo "Installing: ${missing[*]}"
	$sudo apt-get update -qq
	DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The validator and three.js's glTF loader that tests/document/test_readers.py runs on the
# program's files.
npm_dir="$(cd "$(dirname "$0")/.." && pwd)/build/npm"
if [ ! -f "$npm_dir/node_modules/gltf-validator/package.json" ] || [ ! -f "$npm_dir/node_modules/three/package.json" ]; then
	echo "Installing gltf-validator and three into $npm_dir"
	mkdir -p "$npm_dir"
	npm install --prefix "$npm_dir" --no-audit --no-fund --loglevel=error gltf-validator@2.0.0-dev.3.10 three@0.160.0
fi
