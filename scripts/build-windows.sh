#!/usr/bin/env bash
# Cross-builds Vantrel for 64-bit Windows on Debian with the mingw-w64 compilers.
#
# Everything comes from Debian's archive: the compilers as packages, and the engine
# (Irrlicht 1.8.5), zlib, libpng and giflib as Debian source packages fetched with
# `apt-get source` through a private apt configuration (the machine's own sources are
# left alone); GoogleTest from the googletest package's sources in /usr/src/googletest.
# The libraries are built once into build-windows/prefix and reused while their source
# versions and this script stay the same.
#
# Output, in build-windows/vantrel: vantrel.exe, gifencode.exe, the unit tests
# (vantrel_tests.exe, gif_tests.exe, assets_tests.exe), window_probe.exe (looks at the
# program's window property for the tests) and the ten asset files in assets/, which the
# asset generator writes while running under Wine during the build.
#
# Usage: scripts/build-windows.sh [output directory, default build-windows]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$here/build-windows}" && cd "${1:-$here/build-windows}" && pwd)"
jobs="$(nproc)"
host=x86_64-w64-mingw32
cc="$host-gcc-posix"
cxx="$host-g++-posix"
prefix="$out/prefix"
sources="$out/sources"
toolchain="$here/cmake/mingw-w64-x86_64.cmake"

"$here/scripts/install-deps.sh" --windows

log() { echo "build-windows: $*"; }

# --- Debian source packages, through a private apt configuration -------------------------
apt_dir="$out/apt"
apt_opts=(
	-o "Dir::Etc::SourceList=$apt_dir/sources.list"
	-o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
	-o "Dir::State::Lists=$apt_dir/lists"
	-o "Dir::Cache=$apt_dir/cache"
	-o "APT::Sandbox::User=root"
)
fetch_sources() {
	mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$sources"
	# The same archive and suite as the machine's binary packages, as source entries.
	local suite archive
	suite="$(. /etc/os-release && echo "$VERSION_CODENAME")"
	archive="$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)"
	[ -n "$archive" ] || archive="$(awk '$1 == "deb" && $2 !~ /^\[/ { print $2; exit }' /etc/apt/sources.list 2>/dev/null || true)"
	if [ -z "$archive" ]; then
		echo "build-windows: no Debian archive named in /etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list" >&2
		exit 1
	fi
	echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive $suite main" \
		>"$apt_dir/sources.list"
	apt-get "${apt_opts[@]}" update -qq
	(cd "$sources" && for p in irrlicht zlib libpng1.6 giflib; do
		# One unpacked tree per package; a new Debian version replaces the old one.
		version="$(apt-cache "${apt_opts[@]}" showsrc "$p" | sed -n 's/^Version: //p' | head -n1)"
		if [ ! -f "$p.version" ] || [ "$(cat "$p.version")" != "$version" ]; then
			rm -rf "$p" "$p.fetch" && mkdir "$p.fetch"
			(cd "$p.fetch" && apt-get "${apt_opts[@]}" source -qq "$p" >/dev/null)
			mv "$p.fetch"/*/ "$p" && rm -rf "$p.fetch"
			echo "$version" >"$p.version"
		fi
	done)
}

# Header-only libraries of the build machine that the program's sources may include: only
# their own headers are shown to the cross build (in $host_headers/include, searched like
# the system's headers), never the whole of /usr/include.
host_headers="$out/host"
expose_header_libraries() {
	rm -rf "$host_headers" && mkdir -p "$host_headers/include"
	local h
	for h in tiny_gltf.h nlohmann stb; do
		if [ -e "/usr/include/$h" ]; then ln -s "/usr/include/$h" "$host_headers/include/$h"; fi
	done
	# A copy, not a link: the package's CMake files find its headers relative to themselves.
	if [ -d /usr/share/cmake/nlohmann_json ]; then
		mkdir -p "$host_headers/share/cmake"
		cp -r /usr/share/cmake/nlohmann_json "$host_headers/share/cmake/"
	fi
}

# --- The libraries, built once per set of source versions --------------------------------
build_zlib() {
	local src="$sources/zlib" build="$out/lib-build/zlib"
	rm -rf "$build" && mkdir -p "$build"
	local objects=()
	for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
		"$cc" -O2 -I"$src" -c "$src/$f.c" -o "$build/$f.o"
		objects+=("$build/$f.o")
	done
	"$host-ar" rcs "$prefix/lib/libz.a" "${objects[@]}"
	install -m644 "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
}

build_libpng() {
	local src="$sources/libpng1.6" build="$out/lib-build/libpng"
	rm -rf "$build" && mkdir -p "$build"
	cp "$src/scripts/pnglibconf.h.prebuilt" "$build/pnglibconf.h"
	local objects=()
	for f in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset pngtrans pngwio pngwrite pngwtran pngwutil; do
		"$cc" -O2 -I"$build" -I"$src" -I"$prefix/include" -c "$src/$f.c" -o "$build/$f.o"
		objects+=("$build/$f.o")
	done
	"$host-ar" rcs "$prefix/lib/libpng.a" "${objects[@]}"
	install -m644 "$src/png.h" "$src/pngconf.h" "$build/pnglibconf.h" "$prefix/include/"
}

build_giflib() {
	local src="$sources/giflib" build="$out/lib-build/giflib"
	rm -rf "$build" && mkdir -p "$build"
	local objects=()
	for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
		"$cc" -O2 -I"$src" -c "$src/$f.c" -o "$build/$f.o"
		objects+=("$build/$f.o")
	done
	"$host-ar" rcs "$prefix/lib/libgif.a" "${objects[@]}"
	install -m644 "$src/gif_lib.h" "$prefix/include/"
}

build_googletest() {
	local build="$out/lib-build/googletest"
	rm -rf "$build"
	cmake -S /usr/src/googletest -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
		-DVANTREL_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF \
		-DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
	cmake --build "$build" -j"$jobs" >/dev/null
	cmake --install "$build" >/dev/null
}

# The engine with its own Makefile, as a static library. Left out: Direct3D and DirectInput
# (no DirectX SDK here; the program uses OpenGL and no joystick), JPEG and bzip2 (Debian's
# engine sources carry no copies of those libraries), and what the program never asks for:
# the software renderers, the mesh loaders and writers, and every image format but BMP and
# PNG (it reads font.bmp and PNG images; its asset generator writes both).
engine_left_out=(
	LIBJPEG BZIP2 SOFTWARE BURNINGSVIDEO
	IRR_SCENE_LOADER B3D_LOADER MS3D_LOADER X_LOADER OGRE_LOADER IRR_MESH_LOADER HALFLIFE_LOADER
	MD2_LOADER MD3_LOADER 3DS_LOADER COLLADA_LOADER CSM_LOADER BSP_LOADER DMF_LOADER LMTS_LOADER
	MY3D_LOADER OBJ_LOADER OCT_LOADER LWO_LOADER STL_LOADER PLY_LOADER SMF_LOADER
	IRR_WRITER COLLADA_WRITER STL_WRITER OBJ_WRITER PLY_WRITER
	JPG_LOADER PCX_LOADER PPM_LOADER PSD_LOADER TGA_LOADER WAL_LOADER LMP_LOADER RGB_LOADER
	JPG_WRITER PCX_WRITER PPM_WRITER PSD_WRITER TGA_WRITER
)
build_engine() {
	local build="$out/lib-build/irrlicht"
	rm -rf "$build" && cp -r "$sources/irrlicht" "$build"
	mkdir -p "$build/lib/Win32-gcc"
	local defines="" name
	for name in "${engine_left_out[@]}"; do defines+=" -DNO_IRR_COMPILE_WITH_${name}_"; done
	# The engine's own warnings go to a log of their own.
	CPPFLAGS="-I$prefix/include$defines" \
		make -s -C "$build/source/Irrlicht" -j"$jobs" staticlib_win32 NDEBUG=1 \
		CC="$cc" CXX="$cxx" AR="$host-ar" >"$out/lib-build/irrlicht.log" 2>&1 \
		|| { tail -n 40 "$out/lib-build/irrlicht.log"; exit 1; }
	install -D -m644 "$build/lib/Win32-gcc/libIrrlicht.a" "$prefix/lib/libIrrlicht.a"
	mkdir -p "$prefix/include/irrlicht"
	install -m644 "$build"/include/*.h "$prefix/include/irrlicht/"
}

fetch_sources
stamp="$( (cat "$sources"/*.version; dpkg-query -W -f='${Version}\n' googletest "g++-mingw-w64-x86-64-posix"; \
	sed -n '/^# --- The libraries/,/^fetch_sources$/p' "$0") | sha256sum | cut -d' ' -f1)"
if [ -f "$prefix/stamp" ] && [ "$(cat "$prefix/stamp")" = "$stamp" ]; then
	log "libraries up to date in $prefix"
else
	rm -rf "$prefix" "$out/lib-build"
	mkdir -p "$prefix/include" "$prefix/lib" "$out/lib-build"
	start=$SECONDS
	log "building zlib, libpng, giflib, GoogleTest"
	build_zlib
	build_libpng
	build_giflib
	build_googletest
	log "libraries built in $((SECONDS - start)) s; building the engine"
	start=$SECONDS
	build_engine
	log "engine built in $((SECONDS - start)) s"
	echo "$stamp" >"$prefix/stamp"
fi
expose_header_libraries

# --- The program, its tools and its tests ------------------------------------------------
# The build runs the asset generator under Wine: in the caller's prefix, or in one of its own.
if [ -z "${WINEPREFIX:-}" ]; then
	export WINEPREFIX="$out/wine"
fi
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" WINEDEBUG="${WINEDEBUG:--all}"
cmake -S "$here" -B "$out/vantrel" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DVANTREL_WINDOWS_PREFIX="$prefix" \
	-DVANTREL_WINDOWS_HOST_HEADERS="$host_headers" \
	-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_WERROR=ON -DVANTREL_BENCHMARKS=OFF \
	-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST -DCMAKE_RUNTIME_OUTPUT_DIRECTORY="$out/vantrel" >/dev/null
start=$SECONDS
cmake --build "$out/vantrel" -j"$jobs"
log "program and tests built in $((SECONDS - start)) s in $out/vantrel"
