#!/usr/bin/env bash
# Installs what is missing, builds Vantrel twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite on both builds, then the Windows
# build under Wine.
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

# The Windows build, cross-built and tested under Wine.
"$here/scripts/test-windows.sh"
