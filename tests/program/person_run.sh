#!/usr/bin/env bash
# The Windows client under Wine on a display, used as a person would: type the
# demo account, Tab to the password, log in with Enter, see the main window and
# the tray icon; pick a row, connect, see the exit IP; search with Enter, pick,
# switch; pick a static row, then walk the list with the arrow keys and see
# only the row they rest on asked for; disconnect; tick and untick start with
# Windows; open the adapter dialog, drop its list down, pick a row, confirm and
# cancel; quit, confirming with Enter; then start two copies and see the
# second refused. Screenshots of each state
# go to OUT; every copy ends with 0. What the window shows is read through the
# program's log (one line per dial, per exit IP shown and per disconnect), the
# settings file, the registry, the stand-in's record of requests and the pixels
# of the labels compared between screenshots. The client's log and Wine's
# messages are shown at the end.
#   person_run.sh CLIENT_EXE STANDIN_BINARY BUILD_DIR OUT [WINDOWS_VERSION]
# WINDOWS_VERSION (e.g. win7): run in a prefix of its own set to that version.
set -uo pipefail
exe=$1 standin=$2 build=$(cd "$3" && pwd) out=$4 version=${5:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"
if [ -z "${DISPLAY:-}" ]; then echo "SKIP: no display"; exit 0; fi
if [ ! -x "$standin" ]; then echo "SKIP: no stand-in service at $standin"; exit 0; fi
for tool in xdotool import convert compare curl iconv; do
  command -v $tool >/dev/null || { echo "SKIP: $tool missing"; exit 0; }
done

fail() { echo "FAIL: $*"; declare -F show_logs >/dev/null && show_logs; exit 1; }
shots=$out/person${version:+-$version}
step() { echo "-- $*"; }

# shellcheck source=tests/support/wine_desktop.sh
source "$root/tests/support/wine_desktop.sh"
trap 'stop_standin; [ -n "${KEEP:-}" ] || wineserver -k 2>/dev/null' EXIT
start_standin "$standin" "$out" || fail "the stand-in service did not start"
base=$standin_base
args=(--api-base="$base" --probe-url="$base/probe/" --ras=sim)
if [ -n "$version" ]; then
  export WINEPREFIX=$build/wineprefix-$version
  "$root/scripts/wine-prefix" "$build" || fail "cannot make the prefix $WINEPREFIX"
  # Wine's service processes, started by the first program of a new prefix,
  # would hold this script's output open: start them with a program of no output.
  "$root/scripts/wine-run" "$build" cmd.exe /c exit </dev/null >/dev/null 2>&1
  "$root/scripts/wine-run" "$build" winecfg -v "$version" </dev/null >/dev/null 2>&1
  reported=$("$root/scripts/wine-run" "$build" cmd.exe /c ver </dev/null 2>/dev/null | tr -s '\r\n' ' ')
  echo "-- the prefix reports:$reported"
  [ "$version" != win7 ] || grep -q ' 6\.1\.7601' <<<"$reported" ||
    fail "the prefix does not report Windows 7"
else
  export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
fi
# A first start: no settings file or log from earlier runs, except an earlier
# version's file in the temporary folder (holding a default), to be moved.
find "$WINEPREFIX/drive_c/users" \( -name '岫澜IP.INI' -o -name '岫澜IP.log' \) -delete 2>/dev/null
temp_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -name Temp | head -1)
printf '[连接成功是否自动最小化]\r\nAutozuixiaohua=no\r\n' | iconv -f UTF-8 -t GBK >"$temp_dir/岫澜IP.INI"
wine_log=$shots-wine.log
: >"$wine_log"
show_logs() {
  echo "-- the client's log:"
  local text
  text=$(program_log)
  if [ -n "$text" ]; then echo "$text"; else echo "(empty)"; fi
  echo "-- Wine's messages:"
  if [ -s "$wine_log" ]; then tail -n 40 "$wine_log"; else echo "(none)"; fi
}

# The program's log (GBK) as UTF-8, wherever the prefix keeps the temporary folder.
program_log() {
  local f
  f=$(find "$WINEPREFIX/drive_c/users" -name '岫澜IP.log' 2>/dev/null | head -1)
  [ -n "$f" ] && iconv -f GBK -t UTF-8 "$f"
}
wait_log() {  # text seconds
  for _ in $(seq $(($2 * 10))); do program_log | grep -qF "$1" && return 0; sleep 0.1; done
  return 1
}
wait_lines() {  # text count seconds: the log holds at least count lines with text
  for _ in $(seq $(($3 * 10))); do
    [ "$(program_log | grep -cF "$1")" -ge "$2" ] && return 0
    sleep 0.1
  done
  return 1
}
window_shot() {  # window name: that window alone
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots-$2.png"
}
shot() { window_shot "$main" "$1"; }  # name: the main window alone
# The settings file (GBK) as UTF-8.
settings_file() {
  local f
  f=$(find "$WINEPREFIX/drive_c/users" -name '岫澜IP.INI' 2>/dev/null | head -1)
  [ -n "$f" ] && iconv -f GBK -t UTF-8 "$f"
}
wait_setting() {  # section line seconds: the settings file holds that line in that section
  for _ in $(seq $(($3 * 10))); do
    settings_file | tr -d '\r' | grep -A1 -F "[$1]" | grep -qxF "$2" && return 0
    sleep 0.1
  done
  return 1
}
# Pixels that differ between the same rectangle of two shots.
differing() {  # shotA shotB w h x y
  local a=$out/.a.png b=$out/.b.png
  convert "$shots-$1.png" -crop "$3x$4+$5+$6" +repage "$a"
  convert "$shots-$2.png" -crop "$3x$4+$5+$6" +repage "$b"
  compare -metric AE "$a" "$b" null: 2>&1 | cut -d' ' -f1
  rm -f "$a" "$b"
}
ip_label=(168 25 676 411)   # 透明标签_当前IP
list_row2=(500 14 21 167)    # the node list's third row
row_y() { echo $((133 + 16 * $1 + 8)); }  # rows are 16 px high at 96 DPI


step "log in as a person, with the keyboard"
"$root/scripts/wine-run" "$build" "$exe" "${args[@]}" 2>>"$wine_log" &
client=$!
login=$(wait_window "岫澜IP" 380 30) || fail "no login window"
click_at "$login" 200 265 && xdotool type --delay 40 demo
xdotool key Tab && xdotool type --delay 40 demo123
xdotool key Return
main=$(wait_window "岫澜IP" 862 15) || fail "no main window after login"
sleep 2.5  # the second list load, two seconds after the window opened
shot main
gone=0
for _ in $(seq 30); do visible_window "岫澜IP" 380 >/dev/null || { gone=1; break; }; sleep 0.1; done
[ "$gone" = 1 ] || fail "login window still shown"
[ ! -e "$temp_dir/岫澜IP.INI" ] && program_log | grep -qF "设置文件已从 " &&
  settings_file | grep -qF "Autozuixiaohua=no" &&
  find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/岫澜IP/岫澜IP.INI' | grep -q . ||
  fail "the earlier settings file was not moved into the roaming application data"

step "tray icon"
# Wine shows its own tray window when there is no tray manager; the icon's
# presence is what a person can see here. Synthetic double-clicks on that
# window were unreliable on Xvfb (sometimes two toggles, sometimes none), so
# the double-click itself is covered by the Win32 tray tests, which deliver
# the shell's callback message to the real window procedure.
xdotool search --onlyvisible --name "Wine System Tray" >/dev/null 2>&1 || fail "no tray icon shown"

step "pick 广东广州 and connect"
click_at "$main" 150 "$(row_y 1)"
sleep 0.5
click_at "$main" 654 498
wait_log "服务器 gd-gz1.xiulan.example, 协议 PPTP" 20 || fail "the picked row was not dialled"
wait_lines "拨号结果: 连接成功" 1 20 || fail "no successful dial of the picked row"
wait_log "出口IP 203.0.113.25 江苏南京" 20 || fail "the exit IP was not shown"
sleep 0.5
shot connected
[ "$(differing main connected "${ip_label[@]}")" -gt 50 ] || fail "the exit IP label looks unchanged"

step "search for 杭州 with Enter, pick it and switch"
click_at "$main" 467 72
xdotool type --delay 80 "杭州"
xdotool key Return
sleep 1
shot search
[ "$(differing main search "${list_row2[@]}")" -gt 50 ] || fail "the list looks unfiltered"
click_at "$main" 150 "$(row_y 0)"
sleep 0.5
click_at "$main" 785 498
wait_log "服务器 zj-hz1.xiulan.example, 协议 PPTP" 20 || fail "the switch did not dial the searched row"
wait_lines "拨号结果: 连接成功" 2 20 || fail "the switch's dial did not succeed"
sleep 1
shot switched

step "pick a static row"
click_at "$main" 241 72
sleep 1
click_at "$main" 150 "$(row_y 0)"
for _ in $(seq 50); do
  curl -s "$base/_control/last?path=/setstaticip/" | grep -q "user=demo&ip=198.51.100.11" && break
  sleep 0.1
done
curl -s "$base/_control/last?path=/setstaticip/" | grep -q "user=demo&ip=198.51.100.11" ||
  fail "no static IP request for the picked row"
sleep 0.5
shot static
# Two rows down at once: the row passed asks nothing, the one the keys rest on does.
xdotool key Down Down
sleep 1.5
static_requests=$(curl -s "$base/_control/count?path=/setstaticip/")
[ "$static_requests" = 2 ] || fail "$static_requests static IP requests after two arrow keys, not 2"
curl -s "$base/_control/last?path=/setstaticip/" | grep -q "user=demo&ip=198.51.100.21" ||
  fail "the row the arrow keys rested on was not asked for"
shot static-keys

step "disconnect"
click_at "$main" 654 498
wait_log "断开连接: 已断开" 10 || fail "no disconnect"
sleep 0.5
shot disconnected
[ "$(differing main disconnected "${ip_label[@]}")" -lt 10 ] || fail "the exit IP label does not read - - again"

step "start with Windows: tick, then untick"
# The Run value names the installed program: the setup's record says where
# that is, here the built client's folder (put back as it was afterwards).
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\XiulanIP'
exe_dir=$("$root/scripts/wine-run" "$build" winepath -w "$(dirname "$exe")" </dev/null 2>/dev/null | tr -d '\r')
had_record=$("$root/scripts/wine-run" "$build" reg.exe query "$uninstall_key" /v InstallLocation \
  </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' | sed -n 's/^ *InstallLocation *REG_SZ *//p')
"$root/scripts/wine-run" "$build" reg.exe add "$uninstall_key" /v InstallLocation /d "$exe_dir" /f \
  </dev/null >/dev/null 2>&1
run_value() {  # prints the Run value of the client, if there is one
  "$root/scripts/wine-run" "$build" reg.exe query \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v XiulanIP.exe \
    </dev/null 2>/dev/null | tr -d '\r' | grep -F REG_SZ
}
click_at "$main" 670 266
wait_setting "是否开机启动" "AutoStart=yes" 5 || fail "the run-at-boot switch was not saved on"
value=$(run_value) || fail "no Run value after ticking start with Windows"
echo "-- Run value: $(echo $value)"
grep -qF "\"$exe_dir\\XiulanIP.exe\"" <<<"$value" || fail "the Run value is not the quoted installed path"
shot run-at-boot
click_at "$main" 670 266
wait_setting "是否开机启动" "AutoStart=no" 5 || fail "the run-at-boot switch was not saved off"
run_value >/dev/null && fail "the Run value is still there after unticking"
if [ -n "$had_record" ]; then
  "$root/scripts/wine-run" "$build" reg.exe add "$uninstall_key" /v InstallLocation /d "$had_record" /f \
    </dev/null >/dev/null 2>&1
else
  "$root/scripts/wine-run" "$build" reg.exe delete "$uninstall_key" /f </dev/null >/dev/null 2>&1
fi

step "open the adapter dialog, drop its list down, confirm without a name"
click_at "$main" 657 213
adapter=$(wait_window "选择异常掉线要禁用的网卡" 323 5) || fail "no adapter dialog"
wait_log "网卡列表: " 5 || fail "the dialog listed no adapters"
listed=$(program_log | grep -F "网卡列表: " | tail -1)
echo "-- ${listed#* * }"
grep -q "网卡列表: 0 个" <<<"$listed" && fail "Wine's adapters are not listed"
sleep 0.5
window_shot "$adapter" adapter
click_at "$adapter" 271 98
sleep 0.5
window_shot "$adapter" adapter-list
[ "$(differing adapter adapter-list 100 70 161 116)" -gt 50 ] || fail "the adapter list did not drop down"
# Wine's adapters have no connection names (its router configuration cannot
# be opened), so the first row is an empty name: picking it folds the list up
# and confirming it is refused.
click_at "$adapter" 200 145
sleep 0.5
window_shot "$adapter" adapter-picked
[ "$(differing adapter adapter-picked 100 70 161 116)" -lt 10 ] || fail "picking a row left the list down"
click_at "$adapter" 94 153
sleep 0.5
window_shot "$adapter" adapter-refused
[ "$(differing adapter adapter-refused 208 24 59 165)" -gt 20 ] || fail "no 未选择网卡 under the buttons"
click_at "$adapter" 224 152
for _ in $(seq 30); do visible_window "选择异常掉线要禁用的网卡" 323 >/dev/null || break; sleep 0.1; done
visible_window "选择异常掉线要禁用的网卡" 323 >/dev/null && fail "cancel left the adapter dialog open"
settings_file | grep -q JingYongWangKa && fail "the adapter option was saved without an adapter"

step "quit through the confirmation dialog, confirming with Enter"
click_at "$main" 845 14
dialog=$(wait_window "" 323 5) || fail "no confirmation dialog"
sleep 0.3
import -window root "$shots-confirm.png"
xdotool key Return
wait_exit "$client" 20 || fail "client did not end after confirming quit"
[ "$code" = 0 ] || fail "client ended with $code"

step "a second copy is refused"
"$root/scripts/wine-run" "$build" "$exe" "${args[@]}" 2>>"$wine_log" &
first=$!
login=$(wait_window "岫澜IP" 380 30) || fail "no login window for the first copy"
"$root/scripts/wine-run" "$build" "$exe" "${args[@]}" 2>>"$wine_log" &
second=$!
box=""
for _ in $(seq 100); do
  box=$(xdotool search --onlyvisible --name "友情提醒" 2>/dev/null | head -1) && [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "no message box from the second copy"
import -window root "$shots-second-copy.png"
xdotool windowactivate --sync "$box" 2>/dev/null; xdotool key --window "$box" Return
wait_exit "$second" 20 || fail "second copy did not end"
[ "$code" = 0 ] || fail "second copy ended with $code"
click_at "$login" 356 24
wait_exit "$first" 20 || fail "first copy did not end from the login window's close mark"
[ "$code" = 0 ] || fail "first copy ended with $code"
show_logs
echo "PASS: screenshots in $out"
