#!/usr/bin/env bash
# The desktop window as a user meets it, under Xvfb: it opens with the class "Velcan" and
# the title "DORVATH", its page connects, a second start on the same data folder exits 0
# while the first keeps running, and a click on "close" ends the program with 0.
# Usage: desktop_smoke.sh DORVATH_EXE [SCREENSHOT.png]
set -euo pipefail
exe=$1
shot=${2:-}
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir "$work/data"
# No map tiles from the network: a tile server on a closed local port, the cache in $work.
XDG_CACHE_HOME="$work/cache" "$exe" --data-dir "$work/data" --port "$port" \
  --tile-server "http://127.0.0.1:9/{z}/{x}/{y}.png" >"$work/out" 2>"$work/err" &
app_pid=$!

# The page has connected when the server holds an established connection.
connected=""
for _ in $(seq 300); do
  kill -0 "$app_pid" 2>/dev/null || { cat "$work/err" >&2; fail "dorvath ended early"; }
  if [ -n "$(ss -Htn state established "( sport = :$port )" 2>/dev/null)" ]; then connected=1; break; fi
  sleep 0.1
done
[ -n "$connected" ] || fail "the page never connected"
grep -q "browser mode" "$work/err" && fail "fell back to browser mode"

win=$(xdotool search --sync --class Velcan | head -n 1)
[ "$(xdotool getwindowname "$win")" = "DORVATH" ] || fail "title is not DORVATH"
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = 900 ] && [ "$HEIGHT" = 620 ] || fail "window is ${WIDTH}x${HEIGHT}"
sleep 2  # let the nested pages paint
[ -n "$shot" ] && import -display "$DISPLAY" -window root "$shot"

"$exe" --data-dir "$work/data" >/dev/null || fail "second start did not exit 0"
kill -0 "$app_pid" 2>/dev/null || fail "the first instance ended on the second start"

# "close" is the last button of the caption bar, at its right end.
xdotool mousemove --sync $((X + WIDTH - 20)) $((Y + 18)) click 1
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then fail "close did not end the program"; fi
wait "$app_pid" && code=0 || code=$?
app_pid=""
[ "$code" = 0 ] || fail "exit code $code after close"
echo "desktop smoke: 1 passed, 0 failed"
