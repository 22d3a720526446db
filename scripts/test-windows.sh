#!/usr/bin/env bash
# Cross-builds Vantrel for Windows (scripts/build-windows.sh) and tests the .exe files under
# Wine: the unit tests, the log lines on Wine's debug-string channel, and the program in its
# real window on a private Xvfb server (tests/e2e/test_windows.py).
#
# Usage: scripts/test-windows.sh [output directory, default build-windows]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$here/build-windows}" && cd "${1:-$here/build-windows}" && pwd)"
bin="$out/vantrel"
total=$SECONDS

log() { echo "test-windows: $*"; }

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
"$here/scripts/install-deps.sh" --windows

# One fresh Wine prefix per run. Without mono and gecko: nothing here uses .NET or HTML.
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-wine-XXXXXX")"
export WINEPREFIX WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
finish() {
	# The prefix's own wineserver, and only it, then the prefix.
	"$wineserver" -k 2>/dev/null || true
	rm -rf "$WINEPREFIX"
}
trap finish EXIT
start=$SECONDS
"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" -w
log "Wine prefix made in $((SECONDS - start)) s"

# The build runs the asset generator under Wine, in this prefix.
"$here/scripts/build-windows.sh" "$out"

# Every stage runs; the script fails at the end if any of them failed.
failed=()

# A windowed program without a console, needing only DLLs every Windows has.
headers="$(x86_64-w64-mingw32-objdump -p "$bin/vantrel.exe")"
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || failed+=("vantrel.exe is not a GUI program")
foreign="$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' \
	| grep -vxE '(ADVAPI32|GDI32|KERNEL32|MSVCRT|OPENGL32|USER32|WINMM|SHELL32|OLE32|IMM32|VERSION)\.DLL' || true)"
[ -z "$foreign" ] || failed+=("vantrel.exe needs DLLs beside it: $foreign")
log "vantrel.exe: subsystem $(sed -n 's/^Subsystem\s*[0-9a-f]*\s*//p' <<<"$headers"), DLLs: $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"

start=$SECONDS
# No display needed: the engine's NULL device opens no window, and the pen test's window is
# a message-only one.
# Each program's whole output is kept; a failing one's is shown with its exit code (a
# program that dies early may have printed little or nothing).
for t in vantrel_tests gif_tests assets_tests; do
	log "$t.exe"
	code=0
	"$wine" "$bin/$t.exe" >"$out/$t.log" 2>&1 || code=$?
	if [ "$code" -eq 0 ] && grep -q '^\[  PASSED  \]' "$out/$t.log"; then
		grep '^\[  PASSED  \]' "$out/$t.log"
	else
		log "$t.exe FAILED with exit code $code; its whole output ($(wc -l <"$out/$t.log") lines):"
		cat "$out/$t.log"
		failed+=("$t.exe (exit code $code)")
	fi
done

# Log lines reach the debugger output channel: Wine traces them on its debugstr channel.
trace="$(WINEDEBUG=+debugstr "$wine" "$bin/vantrel_tests.exe" --gtest_filter='UtilsLog.WritesOneFormattedLinePerValue' 2>&1 >/dev/null)"
if grep -q 'debugstr.*utils_log: -7' <<<"$trace"; then
	log "utils_log lines seen on Wine's debugstr channel: $(grep -c 'debugstr.*utils_log:' <<<"$trace")"
else
	echo "$trace" | tail -n 20
	log "no utils_log line on Wine's debugstr channel"
	failed+=("debug channel")
fi
log "unit tests under Wine in $((SECONDS - start)) s"

# Wine picks its display driver once per wineserver session; the session of the runs above had
# no display, so the programs with a window start a new one.
"$wineserver" -w
start=$SECONDS
/usr/bin/python3 "$here/tests/e2e/test_windows.py" --wine "$wine" --probe "$bin/window_probe.exe" \
	--binary "$bin/vantrel.exe" --assets "$bin/assets" --gifencode "$bin/gifencode.exe" || failed+=("test_windows.py")
log "end-to-end tests under Wine in $((SECONDS - start)) s"
log "done in $((SECONDS - total)) s"
if [ ${#failed[@]} -ne 0 ]; then
	log "FAILED: ${failed[*]}"
	exit 1
fi
