#!/usr/bin/env bash
# Builds the program and its tests with the address and undefined-behaviour
# sanitizers into build-sanitize/ and runs the suite there. A developer's tool,
# not part of the test command: it is slow. Tests that need huge allocations
# or an address-space limit skip themselves in this build.
# Usage: scripts/sanitize.sh [ctest options...]     e.g. -R 'tst_savesafety|tst_settings'
# TARGETS="tst_a tst_b" builds only those targets (default: everything but benchmarks).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-sanitize"
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRUBELLO_BUILD_BENCH=OFF -DRUBELLO_WARNINGS_AS_ERRORS=OFF "${launcher[@]}" \
  "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
read -r -a targets <<<"${TARGETS:-all}"
cmake --build "$build" --parallel "${JOBS:-2}" --target "${targets[@]}"

# Leaks are not looked for: Qt's font and plugin caches live until exit.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure --timeout 1800 "$@"
