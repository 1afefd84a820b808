#!/usr/bin/env bash
# The reelbench program from the outside: exit codes and messages, the sample
# project rendered whole and by ranges (the ranges joined give the same
# frames, by ffmpeg's framemd5), and a full disk.
#
#   reelbench_cli_test.sh REELBENCH CONTENT_STAGE ENGINE_LIBRARY WORK_FOLDER
set -euo pipefail

reelbench=$1
stage=$2
engine=$3
work=$4
project=$stage/Projects/Sample.kdp

rm -rf "$work"
mkdir -p "$work"
export KALEIDRA_REGISTRY=$work/registry
"$(dirname "$reelbench")/../../tools/kdr-reg/kdr-reg" set 'Software\Talvane\Kaleidra\3.0' Path "$stage"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# expect STATUS COMMAND...: runs COMMAND, keeps its output in $work/out and
# $work/err, and fails unless it exits with STATUS.
expect() {
  local wanted=$1
  shift
  local status=0
  "$@" >"$work/out" 2>"$work/err" || status=$?
  if [ "$status" -ne "$wanted" ]; then
    cat "$work/err" >&2
    fail "'$*' exited with $status, not $wanted"
  fi
}

said() {
  grep -q -- "$1" "$work/err" || { cat "$work/err" >&2; fail "standard error lacks \"$1\""; }
}

md5s() {
  ffmpeg -v error -nostdin -i "$1" -f framemd5 - || fail "ffmpeg cannot read $1"
}

echo "--- no display for the window; usage errors"
expect 2 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$reelbench"
said "cannot open the main window"
expect 2 "$reelbench" --render
said "needs a value"
expect 0 "$reelbench" --help
grep -q -- "--frames A-B" "$work/out" || fail "--help does not describe --frames"

echo "--- the project described"
expect 0 "$reelbench" --info "$project"
grep -qx "frames 130" "$work/out" || fail "the sample project is not 130 frames long: $(cat "$work/out")"

echo "--- the whole project"
expect 0 "$reelbench" --render "$project" --preview --engine "$engine" --out "$work/whole.avi"
[ "$(cat "$work/out")" = "$work/whole.avi" ] || fail "the movie's name is not on standard output"
said "130 frames written"
md5s "$work/whole.avi" >"$work/whole.md5"
[ "$(grep -c '^0,' "$work/whole.md5")" -eq 130 ] || fail "the whole movie lacks frames"

echo "--- the project by ranges, joined"
parts=()
for range in 0-29 30-59 60-89 90-129; do
  expect 0 "$reelbench" --render "$project" --preview --engine "$engine" --frames "$range" \
    --threads 2 --out "$work/part-$range.avi"
  parts+=("$work/part-$range.avi")
done
said "project frames 90-129"
expect 0 "$reelbench" --join "$work/joined.avi" "${parts[@]}"
md5s "$work/joined.avi" >"$work/joined.md5"
diff -q "$work/whole.md5" "$work/joined.md5" >/dev/null ||
  fail "the joined ranges differ from the whole render: $(diff "$work/whole.md5" "$work/joined.md5" | head -5)"

echo "--- refusals"
expect 1 "$reelbench" --render "$project" --preview --engine "$engine" --frames 100-200 \
  --out "$work/none.avi"
said "outside the project's frames 0-129"
expect 1 "$reelbench" --render "$work/missing.kdp" --out "$work/none.avi"
said "cannot load"
expect 1 "$reelbench" --join "$work/mixed.avi" "$work/whole.avi" "$stage/Samples/clip_a.avi"
said "cannot follow"

echo "--- a full disk stops the render with an error"
status=0
(ulimit -f 100 && "$reelbench" --render "$project" --engine "$engine" \
  --out "$work/full.avi") >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 1 ] || { cat "$work/err" >&2; fail "a full disk ended with status $status"; }
said "Render Error: Unable to write the output file."
[ ! -e "$work/full.avi" ] || fail "a movie cut short by a full disk was left in place"

rm -rf "$work"
echo "reelbench command line: all checks passed"
