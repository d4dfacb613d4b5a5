#!/usr/bin/env bash
# Runs one golden case and compares everything the program wrote with what
# was recorded: the scene files, standard output, standard error and the exit
# status. With --record it writes the recording instead.
#
#   run.sh R7P SOURCE_DIR SHARED_DIR CASE [--record]
#
# A case is a folder under cases/ holding `args` (the command line, one
# argument per line) and optionally `files/` (copied into the work folder
# first). The program runs in an empty work folder with a clean environment
# and a fixed date. Arguments may name three libraries through links in the
# work folder: ldraw/ (the shared LDraw library), demo/ (the project's demo
# library) and lgeo/ (the golden LGEO set). Paths that differ between machines
# are replaced by @WORK@, @SHARED@ and @SOURCE@ in the recording. Scenes over
# 64 KB are recorded as their SHA-256 only. Exit status 77: skipped.
set -euo pipefail

r7p=$(realpath "$1")
source_dir=$(realpath "$2")
shared_dir=$3
case_dir=$(realpath "$source_dir/tests/golden/cases/$4")
record=${5:-}
expected="$case_dir/expected"

if grep -q '^ldraw' "$case_dir/args" || grep -q 'ldraw/' "$case_dir/args"; then
  if [ ! -d "$shared_dir/ldraw" ]; then
    echo "skipped: needs the shared LDraw library in $shared_dir/ldraw"
    exit 77
  fi
fi
if [ -d "$shared_dir" ]; then shared_dir=$(realpath "$shared_dir"); fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/home" "$work/windir" "$work/actual"
run=$work/run
[ -d "$case_dir/files" ] && cp -R "$case_dir/files/." "$run/"
ln -s "$shared_dir/ldraw" "$run/ldraw"
ln -s "$source_dir/demo/ldraw" "$run/demo"
ln -s "$source_dir/tests/golden/lgeo" "$run/lgeo"

mapfile -t args < "$case_dir/args"
status=0
(cd "$run" && env -i PATH=/usr/bin:/bin HOME="$work/home" windir="$work/windir" \
    SOURCE_DATE_EPOCH=0 bash -c 'exec -a r7p "$@"' r7p "$r7p" "${args[@]}" </dev/null \
    >"$work/actual/stdout" 2>"$work/actual/stderr") || status=$?
echo "$status" >"$work/actual/status"

# Every file the run left in the work folder, except the inputs and links.
while IFS= read -r -d '' file; do
  name=${file#"$run/"}
  [ -e "$case_dir/files/$name" ] && continue
  cp "$file" "$work/actual/${name//\//_}"
done < <(find "$run" -type f -print0)

# Longest paths first, so that a path inside another is replaced as a whole.
export GOLDEN_WORK=$work GOLDEN_SHARED=$shared_dir GOLDEN_SOURCE=$source_dir
for file in "$work/actual"/*; do
  perl -pi -e 's/\Q$ENV{GOLDEN_WORK}\E/\@WORK\@/g;
               s/\Q$ENV{GOLDEN_SOURCE}\E/\@SOURCE\@/g;
               s/\Q$ENV{GOLDEN_SHARED}\E/\@SHARED\@/g' "$file"
  if [ "$(stat -c %s "$file")" -gt 65536 ]; then
    (cd "$work/actual" && sha256sum "${file##*/}") >"$file.sha256"
    rm "$file"
  fi
done

if [ "$record" = "--record" ]; then
  rm -rf "$expected"
  cp -R "$work/actual" "$expected"
  echo "recorded $4"
  exit 0
fi
if ! diff -ru "$expected" "$work/actual"; then
  echo "golden case $4 differs (re-record with tests/golden/record.sh if intended)"
  exit 1
fi
