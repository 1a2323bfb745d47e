#!/usr/bin/env bash
# Set-up (packages, configure, build), then the whole test suite through CTest,
# then the Debian package with its lintian check.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
# Only the tests use it: the converted pages are read back with Python's codecs.
if ! command -v python3 >/dev/null; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y --no-install-recommends python3
  else sudo apt-get install -y --no-install-recommends python3; fi
fi
cd "$here/build"
ctest --output-on-failure --timeout 600 "$@"
"$here/scripts/package.sh" "$here/build"
