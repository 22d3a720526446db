#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vantrel need; with
# --bench also what bench/compare_gif.py runs side by side (ffmpeg, GNU time).
# Does nothing when all of them are present already.
set -euo pipefail

packages=(
	cmake g++ make
	libirrlicht-dev libgl-dev libx11-dev
	libgtest-dev libbenchmark-dev libgif-dev
	xvfb xdotool x11-utils x11-apps imagemagick python3 python3-pil
)
if [ "${1:-}" = "--bench" ]; then
	packages+=(ffmpeg time)
fi

missing=()
for p in "${packages[@]}"; do
	dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
