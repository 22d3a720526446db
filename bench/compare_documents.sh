#!/usr/bin/env bash
# Drawing files of two builds side by side, in one run: the 200,000-point sketch's save,
# read, rebuild and open times and its bytes per point (bench_document), and the sizes of
# the sample files (glbsamples). Each argument is a build directory with both targets built.
#   bench/compare_documents.sh BEFORE_BUILD AFTER_BUILD [REPETITIONS]
set -euo pipefail
before="$1" after="$2" repetitions="${3:-5}"
samples="$(mktemp -d)"
trap 'rm -rf "$samples"' EXIT

for which in before after; do
	build="${!which}"
	echo "== $which: $build"
	"$build/bench/bench_document" --benchmark_filter='Save|Read|Rebuild|Open' \
		--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true 2>/dev/null | grep median
	mkdir -p "$samples/$which"
	"$build/tools/glbsamples" "$samples/$which" >/dev/null
done
echo "== sample files (bytes): before, after"
for f in "$samples/after"/*.glb; do
	name="$(basename "$f")"
	old="$samples/before/$name"
	printf '%-16s %10s %10s\n' "$name" "$([ -f "$old" ] && stat -c %s "$old" || echo -)" "$(stat -c %s "$f")"
done
