#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, build-fuzz/, the table
# capacities cut to a hundredth so that inputs of a few kilobytes reach them)
# and runs each for a bounded time, one after another, starting from the seed
# corpora in fuzz/corpus/. New inputs collect in build-fuzz/corpus/, findings in
# build-fuzz/findings/. Exits non-zero when any target reports a defect.
#
#   fuzz/run.sh [-t seconds-per-target] [-B build-dir] [target ...]
#
# Targets (default: all): reader settings xyz elem prop bval bcp pattern_cache
# potent ele_size cortex solver mesh (when headmesh is built; its seeds, the
# nested spheres in ASCII and binary 4.1, are made by headmesh sphere).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
seconds=60
build=""
while getopts "t:B:h" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    B) build=$OPTARG ;;
    *) sed -n '2,11p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(reader settings xyz elem prop bval bcp pattern_cache potent ele_size cortex solver mesh)

cd "$root"
if [ -z "$build" ]; then
  build="$root/build-fuzz"
  cmake --preset fuzz >/dev/null
else
  cmake --preset fuzz -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target fuzzers

failed=0
printf '%-14s %12s %8s %s\n' target executions corpus result
for t in "${targets[@]}"; do
  work="$build/corpus/$t" findings="$build/findings/$t"
  mkdir -p "$work" "$findings"
  seeds="$here/corpus/$t"
  if [ "$t" = mesh ]; then
    [ -x "$build/bin/fuzz_mesh" ] || { printf '%-14s %12s %8s %s\n' "$t" - - "not built (no headmesh)"; continue; }
    seeds="$build/seeds/mesh"
    mkdir -p "$seeds"
    # (gmsh's own memory at exit is not a leak of ours)
    for binary in "" --binary; do
      seed="$seeds/sphere-4.1${binary:+-bin}.msh"
      [ -s "$seed" ] || ASAN_OPTIONS=detect_leaks=0 "$build/bin/headmesh" sphere --size 20 $binary --out "$seed" >/dev/null
    done
  fi
  log="$build/findings/$t.log"
  status=0
  # -timeout: an input that runs longer than 10 s is a hang
  "$build/bin/fuzz_$t" "$work" "$seeds" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  size=$(find "$work" -type f | wc -l)
  if [ $status -eq 0 ]; then
    result=ok
  else
    result="DEFECT (see $log and $findings/)"
    failed=1
  fi
  printf '%-14s %12s %8s %s\n' "$t" "${runs:-?}" "$size" "$result"
done
exit $failed
