#!/usr/bin/env bash
# The packages only tests and the package check need (only those missing), the
# set-up (packages, configure, build), then the whole test suite through CTest,
# then the Debian package with its lintian check.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

# mecab-utils: mecab-dict-index, which compiles the small dictionary of another
# layout that one test builds from a few lines of source; mecab: bare MeCab,
# which scripts/readingeval.py scores next to the engine; Xvfb, xdotool, x11-utils, ImageMagick:
# the end-to-end tests and their screenshots; the checkers of the desktop entry,
# the metainfo and the package; dpkg-dev for the package's library dependencies;
# python3 with html5lib: pages seen as a browser sees them, converted pages read
# back with Python's codecs.
packages=(
  mecab-utils
  mecab
  xvfb xdotool x11-utils imagemagick
  desktop-file-utils appstream lintian dpkg-dev
  python3 python3-html5lib
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing for the tests: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# No dictionary is installed here, so the system's choice of MeCab dictionary is
# left as it is; the program opens IPADIC by its folder.

# Configured after the test packages are there, so the checkers are found.
"$here/scripts/setup.sh" "$here/build"
cd "$here/build"
ctest --output-on-failure --timeout 600 "$@"
"$here/scripts/package.sh" "$here/build"
