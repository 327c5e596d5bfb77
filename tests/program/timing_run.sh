#!/usr/bin/env bash
# The main window's speed figures under Wine: starts the stand-in with lists of
# ROWS rows (default 20,000) and runs main_window_timing against it on the
# current display. Not part of the test run; figures go into notes.
#   tests/program/timing_run.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
rounds=${2:-20}
standin=${XIULAN_STANDIN:-$root/build/linux/tools/standin/xiulan-standin}
[ -n "${DISPLAY:-}" ] || { echo "needs a display (Xvfb)"; exit 2; }
out=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$out"' EXIT
"$standin" --port=0 --port-file="$out/port" --rows="${ROWS:-20000}" >"$out/standin.log" 2>&1 &
pid=$!
for _ in $(seq 300); do [ -s "$out/port" ] && break; sleep 0.1; done
[ -s "$out/port" ] || { echo "the stand-in did not start"; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
"$root/scripts/wine-run" "$build" "$build/tests/program/main_window_timing.exe" \
  --api-base="http://127.0.0.1:$(cat "$out/port")" --rounds="$rounds"
