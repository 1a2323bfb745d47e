#!/usr/bin/env bash
# Deliberate faults, one at a time, each expected to turn the test suite red.
# A developer's tool, not part of the test command.
#
#   scripts/mutants.sh [--only REGEX] [--list] [--out FILE] [--scratch DIR] [--list-file FILE]
#
# The faults are listed in scripts/mutants.txt, one a line:
#   source path | original line (trimmed; must occur once in the file) | replacement | description
# The tree (committed and uncommitted files, no build folders) is copied to a scratch
# folder, built there once, and for each fault: the line is replaced, the tree rebuilt,
# the fast tests run, then the slow ones (end-to-end, fuzz corpus), and the file restored.
# CAUGHT: a test failed. SURVIVED: all passed. BUILD-FAIL: the fault did not compile,
# which proves nothing. NOT APPLIED: the original line was not found exactly once.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
list_file="$here/scripts/mutants.txt"
# Inside the tree (ignored as a build folder) so that ccache, with its base_dir, hits.
scratch="$here/build-mutants"
only=""
out=""
list_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    --only) only=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --list) list_only=1; shift ;;
    --scratch) scratch=$2; shift 2 ;;
    --list-file) list_file=$2; shift 2 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done
[ -n "$out" ] && out=$(realpath -m "$out")

# The mutants as "id<TAB>path<TAB>original<TAB>replacement<TAB>description".
mutants=$(python3 - "$list_file" "$only" <<'EOF'
import re, sys
path, only = sys.argv[1], sys.argv[2]
n = 0
for raw in open(path, encoding="utf-8"):
    line = raw.rstrip("\n")
    if not line.strip() or line.lstrip().startswith("#"):
        continue
    n += 1
    parts = line.split(" | ")
    if len(parts) != 4:
        sys.exit(f"{path}: mutant {n} needs 4 fields separated by ' | ': {line}")
    ident = f"M{n:02d}"
    if only and not re.search(only, f"{ident} {line}"):
        continue
    print("\t".join([ident] + [p.strip() for p in parts]))
EOF
) || exit 2

if [ "$list_only" = 1 ]; then
  printf '%s\n' "$mutants" | awk -F'\t' '{ printf "%s  %-40s %s\n", $1, $2, $5 }'
  exit 0
fi

src="$scratch/src"
build="$scratch/build"
log="$scratch/log"
mkdir -p "$src" "$log"

# Copy the tree: every file git knows or would add, as it is on disk now.
echo "copying the tree to $src" >&2
find "$src" -mindepth 1 -maxdepth 1 -exec rm -rf {} +
(cd "$here" && git ls-files -z --cached --others --exclude-standard \
  | grep -zv -E '^(build[^/]*|bench-build)/' \
  | xargs -0 -I{} sh -c 'test -e "{}" && printf "%s\0" "{}"' \
  | tar --null -T - -cf -) | tar -C "$src" -xf -

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >"$log/configure.txt" 2>&1 \
    || { echo "configure failed, see $log/configure.txt" >&2; exit 1; }
fi
echo "building the unchanged tree" >&2
if ! cmake --build "$build" >"$log/build.txt" 2>&1; then
  echo "the unchanged tree does not build, see $log/build.txt" >&2
  exit 1
fi

slow='tst_endtoend|tst_fuzzcorpus'
run_suite() { # prints the failed tests; status 0 when all pass
  local name=$1 rc=0
  (cd "$build" && ctest -j2 --stop-on-failure -E "$slow" >"$log/$name.fast.txt" 2>&1) || rc=1
  if [ $rc = 0 ]; then
    (cd "$build" && ctest --stop-on-failure -R "$slow" >"$log/$name.slow.txt" 2>&1) || rc=1
  fi
  if [ $rc != 0 ]; then
    sed -n '/tests FAILED:/,$p' "$log/$name".*.txt | grep -oE ' - tst_[a-z0-9_]+' \
      | cut -c4- | sort -u | paste -sd, -
  fi
  return $rc
}

apply() { # file original replacement -> status 0 when applied
  python3 - "$@" <<'EOF'
import sys
path, original, replacement = sys.argv[1:4]
with open(path, encoding="utf-8") as f:
    lines = f.read().split("\n")
hits = [i for i, l in enumerate(lines) if l.strip() == original]
if len(hits) != 1:
    sys.exit(1)
i = hits[0]
indent = lines[i][: len(lines[i]) - len(lines[i].lstrip())]
lines[i] = indent + replacement
with open(path, "w", encoding="utf-8") as f:
    f.write("\n".join(lines))
EOF
}

results=()
caught=0 survived=0 notapplied=0 buildfail=0
report() {
  results+=("$1")
  echo "$1"
}

while IFS=$'\t' read -r id file original replacement description; do
  [ -n "$id" ] || continue
  target="$src/$file"
  rm -f "$log/$id".*.txt
  [ -f "$target" ] && cp "$target" "$log/original"
  if [ ! -f "$target" ] || ! apply "$target" "$original" "$replacement"; then
    notapplied=$((notapplied + 1))
    report "$(printf '%-11s %s  %s: %s' 'NOT APPLIED' "$id" "$file" "$description")"
    continue
  fi
  if ! cmake --build "$build" >"$log/$id.build.txt" 2>&1; then
    buildfail=$((buildfail + 1))
    report "$(printf '%-11s %s  %s: %s' 'BUILD-FAIL' "$id" "$file" "$description")"
  elif failed=$(run_suite "$id"); then
    survived=$((survived + 1))
    report "$(printf '%-11s %s  %s: %s' 'SURVIVED' "$id" "$file" "$description")"
  else
    caught=$((caught + 1))
    report "$(printf '%-11s %s  %s: %s  [%s]' 'CAUGHT' "$id" "$file" "$description" "$failed")"
  fi
  # Restored with a new time stamp, so the next build compiles it again.
  cp "$log/original" "$target"
  touch "$target"
done <<<"$mutants"

summary="$caught caught, $survived survived, $notapplied not applied, $buildfail build failures"
echo "$summary"
if [ -n "$out" ]; then
  {
    echo "# scripts/mutants.sh $(date -u '+%Y-%m-%d %H:%M UTC'), tree at $(cd "$here" && git rev-parse --short HEAD)"
    printf '%s\n' "${results[@]}"
    echo "$summary"
  } >"$out"
fi
