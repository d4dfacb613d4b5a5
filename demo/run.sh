#!/usr/bin/env bash
# Builds r7p and converts the demo model with the small demo library into
# build-demo/tower.pov; renders it to build-demo/tower.png when POV-Ray is installed.
set -euo pipefail

cd "$(dirname "$0")/.."

cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DR7P_TESTS=OFF
cmake --build build-demo --target r7p

# A fixed date makes the scene header, and so the whole scene, reproducible.
export SOURCE_DATE_EPOCH=1796582587
./build-demo/r7p -o -ldddemo/ldraw demo/ldraw/models/tower.ldr build-demo/tower.pov

if command -v povray >/dev/null 2>&1; then
  povray +W320 +H240 -D +Obuild-demo/tower.png +Ibuild-demo/tower.pov >/dev/null 2>&1 &&
    echo "Rendered build-demo/tower.png"
fi
