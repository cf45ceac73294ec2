#!/usr/bin/env bash
# Output contract check: builds potsolve, cortexmap and makemodel from a base
# commit and from the working tree, runs both on the same models and compares
# every output file, console transcript and exit status byte for byte.
#
#   tools/samecheck.sh [--base REV] [--work DIR] [--models "demo brick gmsh ..."]
#
# REV defaults to HEAD (so the check covers uncommitted changes). The models are
# written once, by the working tree's makemodel, and copied for each side:
#   demo    the demo sphere (26,445 nodes)
#   brick   the full-capacity brick, 45^3 cubes of three layers along x with the
#           end faces held (makemodel slab; 97,336 nodes, 546,750 elements)
#   tiny    the tiny sphere
#   gmsh    a gmsh-made nested sphere (9,776 nodes) imported by the working
#           tree's headmesh (built apart, in WORK/headmesh-build)
#   DIR     any other word naming a model directory is copied as it is
# potsolve runs twice per side (building the pattern cache, then reading it),
# cortexmap once. Exit status 0 when everything is identical, 1 otherwise.
set -euo pipefail

top=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
base=HEAD
work=""
models="demo brick gmsh"
while [ $# -gt 0 ]; do
  case "$1" in
    --base) base=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --models) models=$2; shift 2 ;;
    -h|--help) sed -n '2,18p' "$0"; exit 0 ;;
    *) echo "samecheck: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$work" ] || work=$(mktemp -d /tmp/samecheck.XXXXXX)
mkdir -p "$work"
echo "samecheck: base $(git -C "$top" rev-parse --short "$base"), work in $work"

# Builds the three programs of a source tree into $2 (Release with debug info,
# no tests).
build() {
  cmake --no-warn-unused-cli -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHEADFIELD_TESTS=OFF \
    -DHEADFIELD_HEADMESH=OFF >/dev/null
  cmake --build "$2" --target potsolve cortexmap makemodel >/dev/null
}

# the base tree as a detached worktree, removed again at the end
basesrc="$work/base-src"
rm -rf "$basesrc"
git -C "$top" worktree add --detach --force "$basesrc" "$base" >/dev/null 2>&1
trap 'git -C "$top" worktree remove --force "$basesrc" >/dev/null 2>&1 || true' EXIT
build "$basesrc" "$work/base-build"
build "$top" "$work/work-build"

# runs one program in a directory: console to NAME.log, exit status to NAME.status
run_one() {
  local dir=$1 exe=$2 name=$3 s=0
  (cd "$dir" && "$exe" </dev/null >"$name.log" 2>&1) || s=$?
  echo "$s" >"$dir/$name.status"
}

# potsolve twice (building the pattern cache, then reading it), cortexmap once
run_side() {
  run_one "$1" "$2/potsolve" potsolve-1
  run_one "$1" "$2/potsolve" potsolve-2
  run_one "$1" "$2/cortexmap" cortexmap
}

# headmesh of the working tree, for the gmsh model only
headmesh_exe() {
  if [ ! -x "$work/headmesh-build/bin/headmesh" ]; then
    cmake --no-warn-unused-cli -S "$top" -B "$work/headmesh-build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DHEADFIELD_TESTS=OFF -DHEADFIELD_HEADMESH=ON >/dev/null
    cmake --build "$work/headmesh-build" --target headmesh >/dev/null
  fi
  echo "$work/headmesh-build/bin/headmesh"
}

status=0
for model in $models; do
  name=$(basename "$model")
  src="$work/models/$name"
  rm -rf "$src"
  case "$model" in
    demo)  "$work/work-build/bin/makemodel" sphere --size demo --out "$src" --quiet ;;
    tiny)  "$work/work-build/bin/makemodel" sphere --size tiny --out "$src" --quiet ;;
    brick) "$work/work-build/bin/makemodel" slab --step 2 --width 90 --layers 30:1.5,30:0.375,30:0.75 \
             --out "$src" --quiet ;;
    gmsh)  hm=$(headmesh_exe)
           mkdir -p "$work/models"
           "$hm" sphere --out "$work/models/gmsh.msh" --size 8 >/dev/null
           "$hm" import "$work/models/gmsh.msh" --out "$src" --patch 0,0,92,35=1 --patch 0,0,-92,35=0 \
             --cortex-of 2 --current 2 >/dev/null ;;
    *)     mkdir -p "$work/models"; cp -r "$model" "$src" ;;
  esac
  for side in base work; do
    rm -rf "$work/runs/$name-$side"
    mkdir -p "$work/runs"
    cp -r "$src" "$work/runs/$name-$side"
    run_side "$work/runs/$name-$side" "$work/$side-build/bin"
  done
  if diff -r "$work/runs/$name-base" "$work/runs/$name-work" >"$work/$name.diff"; then
    echo "samecheck: $name: identical ($(ls "$work/runs/$name-work" | wc -l) files)"
  else
    echo "samecheck: $name: DIFFERENT, see $work/$name.diff"
    status=1
  fi
done
exit $status
