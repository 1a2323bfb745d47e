#!/usr/bin/env bash
# Builds in release mode and runs every benchmark under bench/, one figure a line:
# "name: value unit    (target: ...)".
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$here/build-release"
"$here/scripts/setup.sh" "$build_dir" Release -DRUBELLO_BUILD_TESTS=OFF
export QT_QPA_PLATFORM=offscreen
# The preview's engine refuses to run as root inside its sandbox.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
for bench in "$build_dir"/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" 2> >(grep -v -E 'XDG_RUNTIME_DIR|propagateSizeHints' >&2)
done
