#!/usr/bin/env bash
# Installs what is missing, builds Vantrel and starts it in a window: ./run.sh [FILE.glb]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$here/build"

if [ -z "${DISPLAY:-}" ]; then
	echo "run.sh: no display (DISPLAY is not set). Run it from a desktop session, or under a virtual one: xvfb-run -s '-screen 0 1024x768x24' ./run.sh" >&2
	exit 1
fi

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVANTREL_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vantrel assets

# A drawing to open may be named relative to where the script was started.
files=()
for f in "$@"; do files+=("$(realpath -- "$f")"); done

# The program reads its font and images from, and writes vantrel.gif and its drawings into,
# its working directory.
mkdir -p "$build/run"
cp "$build"/assets/* "$build/run/"
cd "$build/run"
exec "$build/vantrel" "${files[@]}"
