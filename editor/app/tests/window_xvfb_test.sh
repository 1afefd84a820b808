#!/usr/bin/env bash
# The reelbench window under a real X server (an Xvfb of its own, with no
# window manager): it opens over the whole screen with the project given on
# the command line in its title, or with the welcome text and an untitled
# project; File > 1 opens the project the recent list remembers; Ctrl+Q
# ends an unchanged project at once with status 0.
#
#   window_xvfb_test.sh REELBENCH CONTENT_STAGE KDR_REG WORK_FOLDER
set -euo pipefail

reelbench=$1
stage=$2
reg=$3
work=$4

rm -rf "$work"
mkdir -p "$work"
export KALEIDRA_REGISTRY=$work/registry
"$reg" set 'Software\Talvane\Kaleidra\3.0' Path "$stage"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

fail() {
  echo "FAILED: $*" >&2
  [ -f "$work/err" ] && cat "$work/err" >&2
  exit 1
}

# A display number of our own.
display=""
for n in $(seq $((100 + $$ % 300)) $((130 + $$ % 300))); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=":$n"
    break
  fi
done
[ -n "$display" ] || fail "no free display number"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 100); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
[ "$(xdotool getdisplaygeometry)" = "1024 768" ] || fail "Xvfb did not start"

# find_window TITLE_PATTERN: the id of the window whose title matches.
find_window() {
  for _ in $(seq 200); do
    if id=$(xdotool search --name "$1" 2>/dev/null | head -1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# run_and_quit ARGS...: starts the window, checks it, quits with Ctrl+Q.
run_and_quit() {
  local title=$1
  shift
  "$reelbench" "$@" >"$work/out" 2>"$work/err" &
  app=$!
  local window
  window=$(find_window "$title") || fail "no window titled like '$title'"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  [ "$WIDTH" -eq 1024 ] && [ "$HEIGHT" -ge 700 ] ||
    fail "the window is ${WIDTH}x${HEIGHT}, not the whole screen"
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers ctrl+q
  local status=0
  for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app" 2>/dev/null && fail "Ctrl+Q did not end the program"
  wait "$app" || status=$?
  app=""
  [ "$status" -eq 0 ] || fail "reelbench ended with $status"
}

echo "--- the sample project from the command line"
run_and_quit "^Reelbench - $stage/Projects/Sample.kdp\$" "$stage/Projects/Sample.kdp"

echo "--- a new project"
run_and_quit "^Reelbench - .*Untitled.KDP\$"

echo "--- the recent list remembers the sample project"
"$reg" get 'Software\Talvane\Reelbench\2.5' LastProject1 | grep -q "Sample.kdp" ||
  fail "the sample project is not in the recent list"

echo "--- the sample project opened from the recent list"
"$reelbench" >"$work/out" 2>"$work/err" &
app=$!
window=$(find_window "Untitled.KDP\$") || fail "no window with a new project"
xdotool windowfocus --sync "$window"
# File > "&1 Sample.kdp"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key 1
opened=""
for _ in $(seq 100); do
  if [ "$(xdotool getwindowname "$window")" = "Reelbench - $stage/Projects/Sample.kdp" ]; then
    opened=yes
    break
  fi
  sleep 0.1
done
[ -n "$opened" ] || fail "the recent list did not open the sample project: $(xdotool getwindowname "$window")"
xdotool key --clearmodifiers ctrl+q
status=0
for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "Ctrl+Q did not end the program"
wait "$app" || status=$?
app=""
[ "$status" -eq 0 ] || fail "reelbench ended with $status"

echo "--- settings that cannot be kept end the start with the internal error"
# A store below a file: nobody, root included, can write it.
printf 'not a folder\n' >"$work/file"
store=$work/file/registry
KALEIDRA_REGISTRY=$store "$reelbench" >"$work/out" 2>"$work/err" &
app=$!
box=$(find_window "^Reelbench Internal Error\$") || fail "no internal error message"
grep -q "Error getting settings.  Error Number 3" "$work/err" || fail "the error is not named"
xdotool windowfocus --sync "$box"
xdotool key Return
status=0
wait "$app" || status=$?
app=""
[ "$status" -eq 1 ] || fail "reelbench ended with $status after the internal error, not 1"
echo "passed"
