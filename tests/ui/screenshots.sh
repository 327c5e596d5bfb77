#!/usr/bin/env bash
# Opens each window of the Windows build under Wine (on the current display, or a private Xvfb),
# saves a screenshot of each, and checks what the pixels can show: window
# sizes (also at 150 %), the main window's green title band, a ticked and an
# unticked box; and that dragging the face moves only the login and main windows.
#   tests/ui/screenshots.sh BUILD_DIR
# Screenshots go to BUILD_DIR/screenshots/. Exit status 1 when a check fails.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
gallery=$build/tests/ui/ui_window_gallery.exe
out=$build/screenshots
mkdir -p "$out"
[ -x "$gallery" ] || { echo "build ui_window_gallery first" >&2; exit 2; }

gallery_pid=""
xvfb=""
cleanup() {
  [ -n "$gallery_pid" ] && kill "$gallery_pid" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
# The display the Wine server already serves, when there is one: Wine's
# desktop process stays bound to the first display it met, and on another one
# the face-drag move loop never sees the pointer. Else a private Xvfb, which
# picks a free display itself.
if [ -z "${DISPLAY:-}" ]; then
  displayfile=$out/display
  : >"$displayfile"
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 1 100); do
    [ -s "$displayfile" ] && break
    sleep 0.1
  done
  export DISPLAY=:$(head -1 "$displayfile")
fi
"$root/scripts/wine-prefix" "$build"
export WINEPREFIX=$build/wineprefix
failures=0

pixel() {  # file x y -> "r,g,b"
  convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}
greenish() {  # "r,g,b": green clearly above red
  IFS=, read -r r g b <<<"$1"
  [ "$g" -gt $((r + 60)) ] && [ "$g" -gt 100 ]
}
not_greenish() { ! greenish "$1"; }
check() {  # description, command...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

shoot() {  # name argument [tick] -> sets $shot, checks the size
  local name=$1 arg=$2 tick=${3:-} width=$4 height=$5
  local log=$out/$name.log
  "$root/scripts/wine-run" "$build" "$gallery" "$arg" $tick >"$log" 2>&1 &
  gallery_pid=$!
  local id=""
  for _ in $(seq 1 100); do
    if grep -q shown "$log" 2>/dev/null; then
      id=$(xdotool search --onlyvisible --class ui_window_gallery 2>/dev/null | tail -1 || true)
      [ -n "$id" ] && break
    fi
    sleep 0.1
  done
  sleep 0.5
  shot=$out/$name.png
  if [ -z "$id" ]; then
    echo "FAIL $name: no window"; failures=$((failures + 1))
  else
    import -window "$id" "$shot"
    local size
    size=$(identify -format '%wx%h' "$shot")
    check "$name is ${width}x${height} (got $size)" test "$size" = "${width}x${height}"
  fi
  kill "$gallery_pid" 2>/dev/null || true
  wait "$gallery_pid" 2>/dev/null || true
  gallery_pid=""
}

open_gallery() {  # window log: starts the gallery on that window; sets gallery_pid and id
  "$root/scripts/wine-run" "$build" "$gallery" "$1" >"$2" 2>&1 &
  gallery_pid=$!
  id=""
  for _ in $(seq 1 100); do
    grep -q shown "$2" 2>/dev/null &&
      id=$(xdotool search --onlyvisible --class ui_window_gallery 2>/dev/null | tail -1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  sleep 1
}

drag() {  # argument dx dy: drags the window's face at (dx, dy), prints "moved" or "stayed"
  local id
  open_gallery "$1" "$out/drag-$1.log"
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$id")"
  local before="$X,$Y"
  xdotool mousemove $((X + $2)) $((Y + $3)) mousedown 1 sleep 0.3 \
    mousemove $((X + $2 + 30)) $((Y + $3 + 20)) sleep 0.3 \
    mousemove $((X + $2 + 90)) $((Y + $3 + 60)) sleep 0.3 mouseup 1
  # A loaded machine moves the window late: watch for up to 5 s.
  local moved=stayed
  for _ in $(seq 1 50); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    [ "$before" != "$X,$Y" ] && { moved=moved; break; }
    sleep 0.1
  done
  kill "$gallery_pid" 2>/dev/null || true
  wait "$gallery_pid" 2>/dev/null || true
  gallery_pid=""
  echo "$moved"
}

# The face drags the login and main windows; the dialogs stay put.
check "login moves when its face is dragged" test "$(drag login 150 200)" = moved
check "main moves when its face is dragged" test "$(drag main 300 20)" = moved
check "confirmation dialog does not move" test "$(drag confirm 150 20)" = stayed
# Pointer and keys through X reach the handlers: a click on the login button,
# typing into the account field.
person() {
  local id
  open_gallery login "$out/person.log"
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + 190)) $((Y + 426)) click 1 sleep 0.3
  xdotool mousemove $((X + 200)) $((Y + 265)) click 1 sleep 0.3 type --delay 50 abc
  sleep 0.5
  kill "$gallery_pid" 2>/dev/null || true
  wait "$gallery_pid" 2>/dev/null || true
  gallery_pid=""
  iconv -f GBK -t UTF-8 "$out/person.log" 2>/dev/null || cat "$out/person.log"
}
person_log=$(person)
check "a click on the login button reaches its handler" grep -q '^click 超级按钮_登录' <<<"$person_log"
check "typing reaches the account field's text-change handler" grep -q '^text 编辑框_帐号 abc' <<<"$person_log"
shoot login login "" 380 492
check "login: remember-password box unticked" not_greenish "$(pixel "$shot" 86 363)"
shoot login_ticked login tick 380 492
check "login: remember-password box ticked" greenish "$(pixel "$shot" 86 363)"
shoot main main tick 862 560
check "main: title band is green" greenish "$(pixel "$shot" 400 12)"
check "main: reconnect box ticked" greenish "$(pixel "$shot" 601 180)"
check "main: timed-reconnect box unticked" not_greenish "$(pixel "$shot" 601 153)"
shoot adapter adapter "" 323 197
shoot confirm confirm "" 323 197

# 150 %: a second prefix at 144 DPI; the windows and their pictures grow by half.
export WINEPREFIX=$build/wineprefix-150
"$root/scripts/wine-prefix" "$build"
WINEDEBUG=-all wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wineserver -w
shoot login_150 login tick 570 738
check "login at 150 %: remember-password box ticked" greenish "$(pixel "$shot" 129 543)"
shoot main_150 main "" 1293 840
check "main at 150 %: title band is green" greenish "$(pixel "$shot" 600 18)"

echo "screenshots in $out"
[ "$failures" -eq 0 ]
