#!/usr/bin/env bash
# Builds the Debian package in the build folder and checks it with lintian
# (when installed). Usage: scripts/package.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$here/build"}
cd "$build_dir"
cpack -G DEB
deb=$(ls -t rubello_*.deb | head -n 1)
echo "Package: $build_dir/$deb"
if command -v lintian >/dev/null; then
  # Warnings are listed, not fatal; errors fail.
  lintian --fail-on error --tag-display-limit 0 "$deb"
fi
