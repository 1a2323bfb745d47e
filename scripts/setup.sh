#!/usr/bin/env bash
# Installs the Debian packages the program and its build need (only those
# missing), then configures and builds.
# Usage: scripts/setup.sh [build-dir] [build-type] [cmake options...]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$here/build"}
build_type=${2:-RelWithDebInfo}
shift $(( $# < 2 ? $# : 2 ))

packages=(
  build-essential cmake ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-l10n-tools
  qt6-webengine-dev libqt6webenginecore6-bin
  libgl-dev
  libmecab-dev mecab-ipadic-utf8
  libuchardet-dev zlib1g-dev
  kanjidic kanjidic-xml skkdic
  fonts-noto-cjk
)
# Packages only the tests and the package check use are installed by scripts/test.sh.

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" "$@"
cmake --build "$build_dir"
