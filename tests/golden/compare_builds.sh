#!/usr/bin/env bash
# Compares two builds of r7p on every model of the shared library under the
# usual option sets, and on check runs of the whole library: scenes, standard
# output, standard error and exit status must be the same byte for byte. For
# reworks that must not change any output.
#
#   compare_builds.sh OLD_R7P NEW_R7P [SHARED_DIR]
set -uo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
shared=$(realpath "${3:-$(dirname "$0")/../../../shared}")
ldraw=$shared/ldraw
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

option_sets=("" "-q0" "-q1" "-q3" "-q4" "-sc" "-scm" "-l -ld" "-studs0" "-p"
             "-co" "-f -b" "-w3" "-lsl -bu -enp")
check_sets=("-check" "-check -w0" "-check -w2" "-check -w3" "-pp -check")

run_both() {  # NAME ARGS...
  local name=$1
  shift
  # Both builds run in the same folder, which the scene header names.
  local dir=$work/run
  for side in old new; do
    local binary=$old
    [ "$side" = new ] && binary=$new
    rm -rf "$dir" && mkdir -p "$dir/home"
    (cd "$dir" && env -i PATH=/usr/bin:/bin HOME="$dir/home" SOURCE_DATE_EPOCH=0 \
      bash -c 'exec -a r7p "$@"' r7p "$binary" -ldd"$ldraw" "$@" </dev/null \
      >stdout 2>stderr; echo $? >status)
    mkdir -p "$work/$side" && mv "$dir" "$work/$side/$name"
  done
}

count=0
for model in "$ldraw"/models/*; do
  for options in "${option_sets[@]}"; do
    name=$(basename "$model" | tr -c 'A-Za-z0-9.\n' _)${options// /}
    # shellcheck disable=SC2086
    run_both "$name" $options "$model" scene.pov
    count=$((count + 1))
  done
  for options in "${check_sets[@]::2}"; do
    name=check_$(basename "$model" | tr -c 'A-Za-z0-9.\n' _)${options// /}
    # shellcheck disable=SC2086
    run_both "$name" $options "$model"
    count=$((count + 1))
  done
done
for options in "${check_sets[@]}"; do
  # shellcheck disable=SC2086
  run_both "library${options// /}" $options
  count=$((count + 1))
done

if diff -r -x home "$work/old" "$work/new" >"$work/diff" 2>&1; then
  echo "compare_builds: $count runs, no difference"
else
  head -50 "$work/diff"
  echo "compare_builds: outputs differ"
  exit 1
fi
