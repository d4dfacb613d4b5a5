#!/usr/bin/env bash
# Re-records golden cases on purpose, so that a changed output shows up as a
# diff to review before it is committed.
#
#   record.sh R7P [CASE...]     (all cases when none is named)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
r7p=$1
shift
cases=("$@")
if [ ${#cases[@]} -eq 0 ]; then
  mapfile -t cases < <(ls "$here/cases")
fi
for c in "${cases[@]}"; do
  "$here/run.sh" "$r7p" "$source_dir" "$source_dir/../shared" "$c" --record
done
