#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers) and runs each for the given number of seconds (default 600).
# Usage: scripts/fuzz.sh [seconds] [target...]   targets: load search
# New inputs go to build-fuzz/corpus/<target>; a crash is written to build-fuzz/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(load search)

need=()
for p in clang-14 libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
fi

build="$here/build-fuzz"
"$here/scripts/setup.sh" "$build" RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DRUBELLO_BUILD_FUZZ=ON -DRUBELLO_BUILD_TESTS=OFF \
  -DRUBELLO_BUILD_BENCH=OFF -DRUBELLO_WARNINGS_AS_ERRORS=OFF

export QT_QPA_PLATFORM=offscreen
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "== fuzz_$target for ${seconds}s"
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -artifact_prefix="$build/" -print_final_stats=1 \
    "$corpus" "$here/tests/fuzz/corpus/$target"
done
