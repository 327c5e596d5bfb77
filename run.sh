#!/usr/bin/env bash
# Runs the Windows client under Wine against the stand-in service on loopback,
# with the remote-access simulator. On a machine without a display it runs on
# a virtual one and saves screenshots under build/run/.
#   ./run.sh              build what is missing, then run
#   RUN_SECONDS=N         without a display: how long to keep it up (default 20)
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
scripts/setup >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux --target xiulan-standin >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target XiulanIP >/dev/null
scripts/wine-prefix build/windows

OUT=$ROOT/build/run
mkdir -p "$OUT"
rm -f "$OUT/port"
build/linux/tools/standin/xiulan-standin --port=0 --port-file="$OUT/port" >"$OUT/standin.log" 2>&1 &
STANDIN=$!
XVFB=""
cleanup() {
  kill "$STANDIN" 2>/dev/null || true
  [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$OUT/port" ] && break; sleep 0.1; done
PORT=$(cat "$OUT/port")
BASE="http://127.0.0.1:$PORT"
echo "stand-in service: $BASE"
echo "demo account: demo   password: demo123"

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  for n in $(seq 140 180); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
  Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB=$!
  export DISPLAY=":$n"
  sleep 1
fi

args=(--api-base="$BASE" --probe-url="$BASE/probe/" --ras=sim)
if [ "$headless" = 0 ]; then
  exec scripts/wine-run build/windows build/windows/bin/XiulanIP.exe "${args[@]}"
fi

echo "no display: running on Xvfb $DISPLAY for ${RUN_SECONDS:-20}s, screenshots in $OUT"
scripts/wine-run build/windows build/windows/bin/XiulanIP.exe "${args[@]}" &
CLIENT=$!
sleep 5
import -window root "$OUT/login.png" 2>/dev/null || true
if command -v xdotool >/dev/null; then
  # Type the demo account into the login window and log in, as a person would.
  win=$(xdotool search --name "岫澜IP" 2>/dev/null | head -1 || true)
  if [ -n "$win" ]; then
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove $((X + 200)) $((Y + 265)) click 1 type --delay 50 demo
    xdotool mousemove $((X + 200)) $((Y + 317)) click 1 type --delay 50 demo123
    xdotool mousemove $((X + 190)) $((Y + 426)) click 1
    sleep 4
    import -window root "$OUT/main.png" 2>/dev/null || true
    # Pick the second server of the list and connect through the simulator.
    main=$(xdotool search --onlyvisible --name "岫澜IP" 2>/dev/null | head -1 || true)
    if [ -n "$main" ]; then
      eval "$(xdotool getwindowgeometry --shell "$main")"
      xdotool mousemove $((X + 150)) $((Y + 157)) click 1
      sleep 0.5
      xdotool mousemove $((X + 654)) $((Y + 498)) click 1
      sleep 5
      import -window root "$OUT/connected.png" 2>/dev/null || true
    fi
  fi
fi
sleep "${RUN_SECONDS:-20}" &
wait $! || true
kill "$CLIENT" 2>/dev/null || true
wineserver -k 2>/dev/null || true
echo "screenshots: $OUT/login.png $OUT/main.png $OUT/connected.png"
