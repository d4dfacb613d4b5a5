#!/usr/bin/env bash
# POV-Ray's peak memory and time on the normal and the lean scene (-lean) of
# each model: the scenes are converted once, then each is rendered RUNS
# times (niced) under GNU time; the table shows the lowest peak and the
# lowest time of the runs, and the lean scene's share of each. A
# measurement to read, not a test: it fails only when a step fails.
#
#   lean_memory.sh R7P [MODEL...]
#
# Without models: every model of ../shared/ldraw/models, largest first.
# Environment: RUNS (default 3), POVRAY_OPTIONS (default
# "+W320 +H240 +A0.3"), R7P_OPTIONS (more conversion options, say "-q3").
set -euo pipefail
r7p=$(realpath "$1")
shift
here=$(dirname "$(realpath "$0")")
ldraw=$(realpath "$here/../../shared/ldraw")
runs=${RUNS:-3}
povray_options=${POVRAY_OPTIONS:-+W320 +H240 +A0.3}
models=()
for model in "$@"; do models+=("$(realpath "$model")"); done
if [ ${#models[@]} -eq 0 ]; then
  mapfile -t models < <(ls -S "$ldraw"/models/*)
fi
command -v povray >/dev/null || { echo "povray is not installed" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Lowest peak (kB) and lowest elapsed time (s) of RUNS renders of a scene.
measure() {  # SCENE
  local best_kb="" best_s="" kb s run
  for ((run = 0; run < runs; run++)); do
    # shellcheck disable=SC2086
    (cd "$work" && HOME="$work" nice /usr/bin/time -f "%M %e" -o "$work/time" \
       povray -D $povray_options +O"$work/out.png" +I"$1" >/dev/null 2>&1) ||
      { echo "povray failed on $1" >&2; exit 1; }
    read -r kb s <"$work/time"
    if [ -z "$best_kb" ] || [ "$kb" -lt "$best_kb" ]; then best_kb=$kb; fi
    if [ -z "$best_s" ] || awk "BEGIN { exit !($s < $best_s) }"; then best_s=$s; fi
  done
  echo "$best_kb $best_s"
}

printf '%-34s %12s %9s %12s %9s %7s %7s\n' model "normal MB" "normal s" \
  "lean MB" "lean s" memory time
for model in "${models[@]}"; do
  for form in normal lean; do
    flag=""
    [ "$form" = lean ] && flag=-lean
    # shellcheck disable=SC2086
    (cd "$work" && HOME="$work" nice "$r7p" -ldd"$ldraw" -o ${R7P_OPTIONS:-} $flag \
       "$model" "$form.pov" >/dev/null 2>&1) ||
      { echo "r7p failed on $model" >&2; exit 1; }
  done
  read -r normal_kb normal_s < <(measure "$work/normal.pov")
  read -r lean_kb lean_s < <(measure "$work/lean.pov")
  awk -v m="$(basename "$model")" -v nk="$normal_kb" -v ns="$normal_s" \
      -v lk="$lean_kb" -v ls="$lean_s" 'BEGIN {
    printf "%-34s %12.1f %9.2f %12.1f %9.2f %7.2f %7.2f\n", substr(m, 1, 34),
           nk / 1024, ns, lk / 1024, ls, lk / nk, (ns > 0 ? ls / ns : 1)
  }'
done
