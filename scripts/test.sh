#!/usr/bin/env bash
# Set-up (packages, configure, build), then the whole test suite through CTest,
# then the Debian package with its lintian check.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
# Only the tests use it: an HTML parser of its own, to see pages as a browser does.
if ! dpkg-query -W -f='${Status}' python3-html5lib 2>/dev/null | grep -q "install ok installed"; then
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends python3-html5lib \
    || { "${sudo_cmd[@]}" apt-get update && DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends python3-html5lib; }
fi
cd "$here/build"
ctest --output-on-failure --timeout 600 "$@"
"$here/scripts/package.sh" "$here/build"
