#!/usr/bin/env bash
# Installs what is missing, builds Vantrel twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite on both builds, fuzzes the file
# reader, then tests the Windows build under Wine.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
jobs="$(nproc)"

"$here/scripts/install-deps.sh"

cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_WERROR=ON
cmake --build "$here/build" -j"$jobs"
(cd "$here/build" && ctest --output-on-failure -j"$jobs")

cmake -S "$here" -B "$here/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVANTREL_WERROR=ON -DVANTREL_SANITIZE=ON -DVANTREL_BENCHMARKS=OFF
cmake --build "$here/build-asan" -j"$jobs"
(cd "$here/build-asan" && ctest --output-on-failure -j"$jobs")

# The file reader under libFuzzer for a minute, from the corpus kept in tests/fuzz/corpus (new
# inputs go to build-fuzz/corpus; a crash stops the run and is written to build-fuzz/).
cmake -S "$here/tests/fuzz" -B "$here/build-fuzz" -DCMAKE_CXX_COMPILER=clang++
cmake --build "$here/build-fuzz" -j"$jobs"
mkdir -p "$here/build-fuzz/corpus"
"$here/build-fuzz/glb_fuzz" -max_total_time=60 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	-artifact_prefix="$here/build-fuzz/" "$here/build-fuzz/corpus" "$here/tests/fuzz/corpus"

# The Windows build, cross-built and tested under Wine.
"$here/scripts/test-windows.sh"
