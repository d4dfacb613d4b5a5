#!/usr/bin/env bash
# Runs one fuzz target for a while: fuzz/run.sh TARGET MINUTES [LIBFUZZER ARGS...]
#
# TARGET is one of: reader convert check colours options ldraw_ini lgeo.
# MINUTES may be a fraction (0.5 for thirty seconds). The targets are built
# first, with clang, in $R7P_FUZZ_BUILD (default build-fuzz). New inputs go
# to $R7P_FUZZ_BUILD/corpus/TARGET, which grows from campaign to campaign;
# the seeds of fuzz/corpus/TARGET are read, never written (for the LDraw
# targets, small files of ../shared/ldraw are added as seeds when it is
# there). A crash, a leak, a timeout or a sanitizer report stops the run
# with a non-zero status and leaves the input in $R7P_FUZZ_BUILD/artifacts/.
# Runs niced, one job, with standard input off the terminal.
set -euo pipefail

if [ $# -lt 2 ]; then
  sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
target=$1
minutes=$2
shift 2
cd "$(dirname "$0")/.."
source_dir=$PWD

# Longer inputs find nothing new on these surfaces and only slow the run
# down: a check of a few hundred lines already writes thousands of remarks.
case $target in
  reader) dict=ldraw max_len=2048 ;;
  convert | check) dict=ldraw max_len=4096 ;;
  colours | options | ldraw_ini | lgeo) dict=$target max_len=2048 ;;
  *) echo "unknown target '$target'" >&2; exit 2 ;;
esac
seconds=$(awk -v m="$minutes" 'BEGIN { s = int(m * 60 + 0.5); print s < 1 ? 1 : s }')

build=${R7P_FUZZ_BUILD:-build-fuzz}
compiler=${CXX:-}
if [ -z "$compiler" ]; then
  for candidate in clang++ clang++-14; do
    command -v "$candidate" >/dev/null && { compiler=$candidate; break; }
  done
fi
[ -n "$compiler" ] || { echo "fuzzing needs clang++" >&2; exit 2; }
# Quiet when all is well; the whole log when configuring or building fails.
quietly() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "fuzz/run.sh: failed: $*" >&2
    exit 1
  fi
  rm -f "$log"
}
if [ ! -f "$build/build.ninja" ]; then
  quietly cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$compiler" -DR7P_FUZZ=ON -DR7P_TESTS=OFF \
    -DR7P_WERROR=ON
fi
quietly nice cmake --build "$build" --target "${target}_fuzzer"

corpus=$build/corpus/$target
artifacts=$build/artifacts/$target
mkdir -p "$corpus" "$artifacts" "$build/logs"
seeds=("$source_dir/fuzz/corpus/$target")
shared=$source_dir/../shared/ldraw
if [ "$dict" = ldraw ] && [ -d "$shared" ]; then
  shared_seeds=$build/shared-seeds
  if [ ! -d "$shared_seeds" ]; then
    mkdir -p "$shared_seeds"
    # A few hundred small files of every kind: models, parts, primitives.
    find "$shared/models" "$shared/parts" "$shared/p" -maxdepth 1 -type f \
      -size -3k 2>/dev/null | sort | awk 'NR % 40 == 1' | head -n 300 |
      while read -r file; do cp "$file" "$shared_seeds/"; done
  fi
  seeds+=("$shared_seeds")
fi

log=$build/logs/$target-$(date -u +%Y%m%dT%H%M%S).log
echo "fuzzing $target for $seconds s; log $log"
status=0
nice "$build/${target}_fuzzer" "$corpus" "${seeds[@]}" \
  -dict="$source_dir/fuzz/dict/$dict.dict" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len="$max_len" \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$@" \
  </dev/null >"$log" 2>&1 || status=$?
grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::number_of_executed_units|^stat::peak_rss_mb|ERROR|SUMMARY' \
  "$log" || true
if [ "$status" -ne 0 ]; then
  echo "$target: finding (status $status); see $log and $artifacts" >&2
  tail -n 40 "$log" >&2
fi
exit "$status"
