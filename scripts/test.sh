#!/usr/bin/env bash
# Set-up (packages, configure, build), then the whole test suite through CTest,
# then the Debian package with its lintian check.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
cd "$here/build"
ctest --output-on-failure --timeout 600 "$@"
"$here/scripts/package.sh" "$here/build"
