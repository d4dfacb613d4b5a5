#!/usr/bin/env bash
# Fails when an #include climbs the layer order. From the bottom up:
#   platform  geometry  base  colour  searchdirs  model  pov  driver
# A file may include headers of its own layer and of the layers below it.
# Tests beside a module may also include the shared test support in tests/;
# tests/, bench/ and fuzz/ sit above every layer.
#
#   check_layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

layers=(platform geometry base colour searchdirs model pov driver)
rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo 99
}

bad=0
for dir in "${layers[@]}"; do
  own=$(rank "$dir")
  for file in "$dir"/*.h "$dir"/*.cpp; do
    [ -e "$file" ] || continue
    is_test=0
    case $file in *_test.cpp | *_fixture.h) is_test=1 ;; esac
    while IFS= read -r included; do
      target=${included%%/*}
      [ "$is_test" = 1 ] && [ "$target" = tests ] && continue
      if [ "$(rank "$target")" -gt "$own" ]; then
        echo "$file includes $included, a layer above $dir" >&2
        bad=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  done
done
[ "$bad" = 0 ] && echo "layers: no include climbs the order"
exit "$bad"
