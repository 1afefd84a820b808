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
  if [ -n "${xvfb:-}" ] && ! kill -0 "$xvfb" 2>/dev/null; then
    echo "(our X server ${DISPLAY:-} has ended: $(cat "$work/xvfb.log"))" >&2
  fi
  exit 1
}

app=""
xvfb=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

# A display of our own, away from the low numbers desktops and other tools
# take: a server counts as ours once its lock file names our Xvfb; a number
# another server holds makes ours end, and the next number is tried.
display=""
for n in $(seq $((100 + $$ % 300)) $((160 + $$ % 300))); do
  [ -e "/tmp/.X$n-lock" ] && continue
  # -noreset: without it the server resets whenever its last client leaves,
  # and a program starting just then cannot connect.
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    kill -0 "$xvfb" 2>/dev/null || break
    if [ "$(cat "/tmp/.X$n-lock" 2>/dev/null | tr -d ' \n')" = "$xvfb" ] &&
      DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
      display=":$n"
      break
    fi
    sleep 0.1
  done
  [ -n "$display" ] && break
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  xvfb=""
done
[ -n "$display" ] || fail "no display of our own: $(cat "$work/xvfb.log")"
export DISPLAY=$display
[ "$(xdotool getdisplaygeometry)" = "1024 768" ] || fail "Xvfb did not start"

# find_window TITLE_PATTERN: the id of the window whose title matches.
find_window() {
  for _ in $(seq 200); do
    if id=$(xdotool search --name "$1" 2>/dev/null | head -1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    # A program that ended shows no window.
    [ -n "$app" ] && ! kill -0 "$app" 2>/dev/null && return 1
    sleep 0.1
  done
  return 1
}

# start_window TITLE ARGS...: starts reelbench with ARGS and waits for its
# window, titled like TITLE, over the whole screen; sets `window`.
start_window() {
  local title=$1
  shift
  "$reelbench" "$@" >"$work/out" 2>"$work/err" &
  app=$!
  window=$(find_window "$title") || fail "no window titled like '$title'"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  [ "$WIDTH" -eq 1024 ] && [ "$HEIGHT" -ge 700 ] ||
    fail "the window is ${WIDTH}x${HEIGHT}, not the whole screen"
  xdotool windowfocus --sync "$window"
}

# quit_window: Ctrl+Q ends the program with status 0.
quit_window() {
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
start_window "^Reelbench - $stage/Projects/Sample.kdp\$" "$stage/Projects/Sample.kdp"
quit_window

echo "--- a new project"
start_window "^Reelbench - .*Untitled.KDP\$"
quit_window

echo "--- the recent list remembers the sample project"
"$reg" get 'Software\Talvane\Reelbench\2.5' LastProject1 | grep -q "Sample.kdp" ||
  fail "the sample project is not in the recent list"

echo "--- the sample project opened from the recent list"
start_window "^Reelbench - .*Untitled.KDP\$"
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
[ -n "$opened" ] ||
  fail "the recent list did not open the sample project: $(xdotool getwindowname "$window")"
quit_window

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
