#!/usr/bin/env bash
# An install that every user of the machine can render with.
#
#   shared_install_test.sh BUILD_DIR
#
# Installs the build as the installing user (root in CI) into a fresh
# folder, the way scripts/setup does. A folder of the test stands in for
# /etc/xdg (XDG_CONFIG_DIRS), so the machine's own system store is never
# touched. Then another user, who never set anything, renders with
# kaleidra-render and with the frei0r transition in melt, changes a
# preference that stays in that user's own store, and keeps it across a
# second install. Run as root, the other user is a throwaway account made
# for the test (removed at the end); otherwise it is the same account with a
# home of its own, which proves the layering but not the permissions.
set -euo pipefail

build=$(cd "${1:?usage: shared_install_test.sh BUILD_DIR}" && pwd)
key='Software\Talvane\Kaleidra\3.0'

# Outside the build tree: the other user must reach every folder on the way.
work=$(mktemp -d -t kaleidra-shared-install-XXXXXX)
chmod 0755 "$work"
account=""
cleanup() {
  if [ -n "$account" ]; then
    userdel "$account" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "shared install: $*" >&2
  exit 1
}

prefix=$work/Kaleidra
sysconf=$work/xdg
system_store=$sysconf/kaleidra/registry
installer_home=$work/installer
user_home=$work/user
out=$work/out
mkdir -p "$installer_home" "$user_home" "$out"

install_as_installer() {
  env -u KALEIDRA_REGISTRY -u XDG_CONFIG_HOME DESTDIR= HOME="$installer_home" \
    XDG_CONFIG_DIRS="$sysconf" cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(tail -20 "$work/install.log")"
}

# The installing user's view (root's, in CI).
as_installer() {
  env -u KALEIDRA_REGISTRY -u XDG_CONFIG_HOME HOME="$installer_home" \
    XDG_CONFIG_DIRS="$sysconf" "$@"
}

if [ "$(id -u)" -eq 0 ]; then
  account=kdrt$$
  useradd --no-create-home --home-dir "$user_home" --shell /usr/sbin/nologin --user-group \
    "$account" || fail "cannot create the throwaway user $account"
  chown "$account:" "$user_home" "$out"
fi

# The other user's view, in a clean environment: only the folder standing in
# for /etc/xdg and, for melt, where MLT finds frei0r plug-ins.
as_user() {
  local environment=(env -i PATH="$PATH" HOME="$user_home" XDG_CONFIG_DIRS="${user_sysconf:-$sysconf}"
    LANG=C.UTF-8 FREI0R_PATH="$prefix/lib/frei0r-1")
  if [ -n "$account" ]; then
    runuser -u "$account" -- "${environment[@]}" "$@"
  else
    "${environment[@]}" "$@"
  fi
}

# --- the install writes the system store, not the installer's own store
install_as_installer
[ -f "$system_store" ] || fail "the install wrote no system store at $system_store"
[ "$(stat -c %a "$system_store")" = 644 ] ||
  fail "the system store is not readable by everyone: mode $(stat -c %a "$system_store")"
[ ! -e "$installer_home/.config/kaleidra/registry" ] ||
  fail "the install wrote the installing user's own store"
[ "$(as_installer "$prefix/bin/kdr-reg" --system get "$key" Path)" = "$prefix" ] ||
  fail "the system store does not name $prefix"

# --- another user sees the machine's values without setting anything
[ "$(as_user "$prefix/bin/kdr-reg" get "$key" Path)" = "$prefix" ] ||
  fail "the other user does not see Path"
[ "$(as_user "$prefix/bin/kdr-reg" get "$key" Engine)" = Rnd_Generic ] ||
  fail "the other user does not see Engine"

# --- and renders with kaleidra-render
as_user "$prefix/bin/kaleidra-render" --no-progress --effect Ballsplt \
  --a "$prefix/Samples/picture_mountains.bmp" --b "$prefix/Samples/picture_wheel.tga" \
  --size 160x120 --frames 3 --out "$out/frame%d.bmp" >"$work/render.log" 2>&1 ||
  fail "kaleidra-render failed for the other user: $(cat "$work/render.log")"
for frame in 0 1 2; do
  [ -s "$out/frame$frame.bmp" ] || fail "kaleidra-render wrote no frame $frame"
done

# --- and with the frei0r transition in melt: the middle of a red-to-blue
# transition is neither input. melt sometimes ends before its consumer
# starts (an empty movie); such runs are repeated.
cat >"$work/profile" <<'EOF'
description=shared install test
frame_rate_num=25
frame_rate_den=1
width=320
height=240
progressive=1
sample_aspect_num=1
sample_aspect_den=1
display_aspect_num=4
display_aspect_den=3
colorspace=601
EOF
run_melt() {
  local movie=$1
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    rm -f "$movie"
    as_user timeout -k 5 60 melt -profile "$work/profile" color:0xff0000ff out=9 \
      -track color:0x0000ffff out=9 \
      -transition frei0r.kaleidra in=0 out=9 a_track=0 b_track=1 'completion=0=0;-1=1' \
      -consumer "avformat:$movie" vcodec=rawvideo pix_fmt=bgr24 an=1 >"$work/melt.log" 2>&1 || true
    [ -s "$movie" ] && return 0
  done
  fail "melt wrote nothing in ten runs: $(tail -20 "$work/melt.log")"
}
# The largest share of the middle frame's pixels that show one input's flat
# colour (red or blue, within what the colour conversions change).
input_share() {
  ffmpeg -nostdin -v error -y -i "$1" -vf 'select=eq(n\,5)' -frames:v 1 -f rawvideo \
    -pix_fmt rgb24 "$work/middle.rgb"
  python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
pixels = max(len(data) // 3, 1)
red = blue = 0
for i in range(0, len(data) - 2, 3):
    r, g, b = data[i], data[i + 1], data[i + 2]
    red += r > 200 and g < 60 and b < 60
    blue += b > 200 and r < 60 and g < 60
print(round(100 * max(red, blue) / pixels))' "$work/middle.rgb"
}

run_melt "$out/transition.avi"
if grep -q "kaleidra (frei0r)" "$work/melt.log"; then
  fail "the transition complained for the other user: $(grep "kaleidra (frei0r)" "$work/melt.log")"
fi
share=$(input_share "$out/transition.avi")
[ "$share" -lt 90 ] || fail "the transition's middle frame is ${share}% one input: nothing was rendered"

# --- a transition that cannot render says so, once. With no system store
# the plug-in still finds its installation folder, but no engine is named.
mkdir -p "$work/no-system-store"
user_sysconf=$work/no-system-store run_melt "$out/no-engine.avi"
said=$(grep -c "kaleidra (frei0r)" "$work/melt.log" || true)
[ "$said" = 1 ] || fail "a transition without an engine said so $said times: $(cat "$work/melt.log")"
grep -q "Engine" "$work/melt.log" || fail "the message does not name the missing value"

# --- with no "Path" in any store, kaleidra-render, the plug-in and the
# engine use the installation folder they lie in (the engine is named in the
# user's own store).
mkdir -p "$work/no-path-home"
[ -z "$account" ] || chown "$account:" "$work/no-path-home"
no_path() {
  user_home=$work/no-path-home user_sysconf=$work/no-system-store "$@"
}
no_path as_user "$prefix/bin/kdr-reg" set --string "$key" Engine Rnd_Generic
no_path as_user "$prefix/bin/kaleidra-render" --no-progress --effect Ballsplt \
  --a "$prefix/Samples/picture_mountains.bmp" --b "$prefix/Samples/picture_wheel.tga" \
  --size 160x120 --frames 1 --out "$out/no-path.bmp" >"$work/render.log" 2>&1 ||
  fail "kaleidra-render without Path failed: $(cat "$work/render.log")"
no_path run_melt "$out/no-path.avi"
if grep -q "kaleidra (frei0r)" "$work/melt.log"; then
  fail "the transition without Path complained: $(grep "kaleidra (frei0r)" "$work/melt.log")"
fi
share=$(input_share "$out/no-path.avi")
[ "$share" -lt 90 ] || fail "without Path the middle frame is ${share}% one input"

# --- the other user's preference goes to their own store alone
cp "$system_store" "$work/system-store-before"
as_user "$prefix/bin/kdr-reg" set "$key" Prev_Frames 12 ||
  fail "the other user cannot change a preference"
user_store=$user_home/.config/kaleidra/registry
grep -q '"Prev_Frames"=number:12' "$user_store" ||
  fail "the preference is not a number in the user's own store: $(cat "$user_store")"
cmp -s "$system_store" "$work/system-store-before" || fail "a user's change reached the system store"
[ "$(as_user "$prefix/bin/kdr-reg" get "$key" Prev_Frames)" = 12 ] ||
  fail "the other user does not see their own preference"
[ "$(as_installer "$prefix/bin/kdr-reg" get "$key" Prev_Frames)" = 30 ] ||
  fail "the installing user sees another user's preference"
as_user "$prefix/bin/kdr-reg" list "$key" | grep -q "^Prev_Frames	number	12	user $user_store\$" ||
  fail "kdr-reg list does not say the preference comes from the user's store"

# --- a second install keeps the user's store and the machine's own changes
as_installer "$prefix/bin/kdr-reg" --system set "$key" Prev_Speed 5
cp "$user_store" "$work/user-store-before"
install_as_installer
cmp -s "$user_store" "$work/user-store-before" || fail "the second install changed the user's store"
[ "$(as_user "$prefix/bin/kdr-reg" get "$key" Prev_Frames)" = 12 ] ||
  fail "the user's preference did not survive the second install"
[ "$(as_installer "$prefix/bin/kdr-reg" get "$key" Prev_Speed)" = 5 ] ||
  fail "the second install reset a value of the system store"
[ "$(as_user "$prefix/bin/kdr-reg" get "$key" Path)" = "$prefix" ] ||
  fail "Path is lost after the second install"

echo "shared install: another user renders and keeps their own preferences" \
  "(${account:-same account, own home})"
