#!/usr/bin/env bash
# Deliberate faults, one at a time, each expected to turn the test suite red.
# A developer's tool, not part of the test command.
#
#   scripts/mutants.sh [--only REGEX] [--list] [--out FILE] [--rev COMMIT] [--scratch DIR]
#                      [--list-file FILE] [--hints REPORT]
#
# The faults are listed in scripts/mutants.txt, one a line:
#   source path | original line (trimmed; must occur once in the file) | replacement | description
# The tree (the files on disk, or a commit with --rev; no build folders) is copied to a
# scratch folder and configured there once (unoptimised, through ccache if present). For each
# fault the line is replaced; the test programs the change touches are built and run
# one at a time until one fails: the test that caught the fault in an earlier report
# (--hints, a file written by --out), those named after the faulty file, those that
# include its header, then the fast unit tests, the fuzz corpus and the end-to-end
# roads last; the file is restored.
# CAUGHT: a test failed. SURVIVED: all passed. BUILD-FAIL: the fault did not compile,
# which proves nothing. NOT APPLIED: the original line was not found exactly once.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
list_file="$here/scripts/mutants.txt"
# Inside the tree (ignored as a build folder) so that ccache, with its base_dir, hits.
scratch="$here/build-mutants"
only=""
out=""
rev="" # empty: the files as they are on disk
list_only=0
hints=""
while [ $# -gt 0 ]; do
  case "$1" in
    --only) only=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --list) list_only=1; shift ;;
    --scratch) scratch=$2; shift 2 ;;
    --rev) rev=$2; shift 2 ;;
    --list-file) list_file=$2; shift 2 ;;
    --hints) hints=$(realpath "$2"); shift 2 ;;
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

# The copy's build folder sits in it as the tree's own does, so ccache (with its
# base_dir) meets the same relative paths.
src="$scratch"
build="$scratch/build"
log="$scratch/log"
mkdir -p "$src" "$log"

# Copy the tree: every file git knows or would add, as it is on disk now.
echo "copying the tree to $src" >&2
find "$src" -mindepth 1 -maxdepth 1 ! -name build ! -name log -exec rm -rf {} +
if [ -n "$rev" ]; then
  (cd "$here" && git archive "$rev") | tar -C "$src" -xf -
else
  (cd "$here" && git ls-files -z --cached --others --exclude-standard \
    | grep -zv -E '^(build[^/]*|bench-build)/' \
    | xargs -0 -I{} sh -c 'test -e "{}" && printf "%s\0" "{}"' \
    | tar --null -T - -cf -) | tar -C "$src" -xf -
fi

# A file a fault was applied to may be older than its object, built from the fault by
# an earlier run: it is compiled again.
grep -v '^#' "$list_file" | awk -F ' [|] ' 'NF == 4 { print $1 }' | sort -u | while read -r file; do
  [ -f "$src/$file" ] && touch "$src/$file"
done

if [ ! -f "$build/build.ninja" ]; then
  # Unoptimised and without debug information: every fault costs a compile and links.
  # A build type of its own: the project's default would add -O2 -g after the -O0.
  # ccache where the machine has it; a plain compiler otherwise.
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Mutants -DCMAKE_CXX_FLAGS=-O0 \
    "${launcher[@]}" >"$log/configure.txt" 2>&1 \
    || { echo "configure failed, see $log/configure.txt" >&2; exit 1; }
fi
# The unchanged tree is built only as far as the faults need it: a program is built
# when a fault first reaches its test.

# The tests in order, fast ones first, the end-to-end roads last. A test whose
# program is up to date after the fault is not affected by it and is skipped; the
# others are built one by one, so a fault caught early costs no build of the rest.
tests=$(cd "$build" && ctest -N | sed -n 's/^ *Test *#[0-9]*: //p' \
  | awk '/endtoend|_e2e/ { last = last $0 "\n"; next } /fuzz/ { mid = mid $0 "\n"; next } { print }
         END { printf "%s%s", mid, last }')
# "path: description" -> the test that caught it in the earlier report.
declare -A hinted=()
if [ -n "$hints" ]; then
  while IFS=$'\t' read -r key test; do
    hinted[$key]=$test
  done < <(sed -n 's/^CAUGHT *M[0-9]*  \(.*\)  \[\(.*\)\]$/\1\t\2/p' "$hints")
fi
# The tests most likely to catch a fault in the file, first: a restored file leaves
# every program that uses it to be built again, so a late catch costs many links.
ordered_tests() { # file description
  local stem first=() test source
  stem=$(basename "$1" | sed 's/[._].*//')
  [ -n "${hinted["$1: $2"]:-}" ] && first+=("${hinted["$1: $2"]}")
  first+=($(printf '%s\n' $tests | grep "^tst_$stem"))
  for test in $tests; do
    source=$(find "$src/tests" -name "$test.cpp" -print -quit)
    [ -n "$source" ] && grep -q "[\"/]$stem\.h\"" "$source" && first+=("$test")
  done
  printf '%s\n' "${first[@]}" $tests | awk 'NF && !seen[$0]++' | grep -Fx -f <(printf '%s\n' $tests)
}
run_suite() { # name file description -> prints the failed test; status 0 when all pass, 2 when a build failed
  local name=$1 test
  # Which tests the fault touches is judged before anything is built for it: once
  # one test's build has run (all, for a test that runs a program), the others
  # would look up to date and be skipped unjudged.
  local affected=() target entry
  for test in $(ordered_tests "$2" "$3"); do
    # A test that runs a program (rubello --help) has no target of its own.
    target=$test
    ninja -C "$build" -t query "$test" >/dev/null 2>&1 || target=all
    ninja -C "$build" -n "$target" 2>/dev/null | grep -q 'no work to do' || affected+=("$test $target")
  done
  for entry in "${affected[@]}"; do
    test=${entry% *}
    target=${entry#* }
    if ! cmake --build "$build" --target "$target" >>"$log/$name.build.txt" 2>&1; then
      echo "$test"
      return 2
    fi
    if ! (cd "$build" && ctest -R "^$test\$" --output-on-failure >"$log/$name.$test.txt" 2>&1); then
      echo "$test"
      return 1
    fi
  done
  return 0
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
  failed=$(run_suite "$id" "$file" "$description")
  case $? in
    0) survived=$((survived + 1))
       report "$(printf '%-11s %s  %s: %s' 'SURVIVED' "$id" "$file" "$description")" ;;
    1) caught=$((caught + 1))
       report "$(printf '%-11s %s  %s: %s  [%s]' 'CAUGHT' "$id" "$file" "$description" "$failed")" ;;
    *) buildfail=$((buildfail + 1))
       report "$(printf '%-11s %s  %s: %s  [%s]' 'BUILD-FAIL' "$id" "$file" "$description" "$failed")" ;;
  esac
  # Restored with a new time stamp, so the next build compiles it again.
  cp "$log/original" "$target"
  touch "$target"
done <<<"$mutants"

summary="$caught caught, $survived survived, $notapplied not applied, $buildfail build failures"
echo "$summary"
if [ -n "$out" ]; then
  {
    echo "# scripts/mutants.sh $(date -u '+%Y-%m-%d %H:%M UTC'), tree at $(cd "$here" && git rev-parse --short "${rev:-HEAD}")${rev:+ (committed files)}"
    printf '%s\n' "${results[@]}"
    echo "$summary"
  } >"$out"
fi
