#!/usr/bin/env bash
# The second copy's message box as a person sees it on this run's system code
# page (XIULAN_CODEPAGE, 936 unless set): a first copy shows its login window
# (photographed to OUT/login-<code page>.png), a second copy is started, its
# box must carry the caption "友情提醒:" (read from the X window, as a window
# list shows it), is photographed to OUT/second-copy-<code page>.png, and ends
# the copy with 0 after Return.
#   second_copy_box.sh CLIENT_EXE BUILD_DIR OUT
set -uo pipefail
exe=$1 build=$(cd "$2" && pwd) out=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
codepage=${XIULAN_CODEPAGE:-936}
mkdir -p "$out"
if [ -z "${DISPLAY:-}" ]; then echo "SKIP: no display"; exit 0; fi
for tool in xdotool import; do
  command -v $tool >/dev/null || { echo "SKIP: $tool missing"; exit 0; }
done
fail() { echo "FAIL: $*"; exit 1; }

# Nothing listens on the discard port: the start-up probe fails at once and
# no list is fetched; the box does not depend on the service.
args=(--api-base=http://127.0.0.1:9 --probe-url=http://127.0.0.1:9/probe/ --ras=sim)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done' EXIT

first_window() {  # title -> the first visible window of that exact name
  for _ in $(seq 300); do
    for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

"$root/scripts/wine-run" "$build" "$exe" "${args[@]}" &
pids+=($!)
login=$(first_window "岫澜IP") || fail "no login window from the first copy"
sleep 0.5
import -window "$login" "$out/login-$codepage.png"
"$root/scripts/wine-run" "$build" "$exe" "${args[@]}" &
second=$!
pids+=("$second")
box=$(first_window "友情提醒:") || fail "no box captioned 友情提醒: from the second copy"
sleep 0.5
shot=$out/second-copy-$codepage.png
import -window root "$shot"
eval "$(xdotool getwindowgeometry --shell "$box")"
convert "$shot" -crop "$((WIDTH + 40))x$((HEIGHT + 60))+$((X - 20))+$((Y - 40))" +repage "$shot" 2>/dev/null
xdotool windowactivate --sync "$box" 2>/dev/null
xdotool key --window "$box" Return
for _ in $(seq 200); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "second copy still running after OK"
wait "$second"; code=$?
[ "$code" = 0 ] || fail "second copy ended with $code"
echo "PASS: $shot"
