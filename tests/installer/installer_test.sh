#!/usr/bin/env bash
# The setup program under Wine, used as a user would, in the build's test
# prefix: a silent install (files, shortcuts, the uninstall entry), the
# installed client started and logged into as a person (its login window, its
# log without the password), a second setup refused while the client runs, an
# upgrade over an older version that keeps the settings file, and a silent
# uninstall that leaves nothing it installed, the settings file kept unless
# asked for.
#   installer_test.sh SETUP CLIENT_EXE STANDIN BUILD_DIR VERSION
set -uo pipefail
setup=$1 built_exe=$2 standin=$3 build=$(cd "$4" && pwd) version=$5
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=tests/support/wine_desktop.sh
source "$root/tests/support/wine_desktop.sh"
[ -f "$setup" ] || { echo "FAIL: no installer at $setup"; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
wrun() { "$root/scripts/wine-run" "$build" "$@"; }

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\XiulanIP'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
drive=$WINEPREFIX/drive_c
dir="$drive/Program Files/岫澜IP"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/岫澜IP.lnk"
desk="$drive/users/Public/Desktop/岫澜IP.lnk"
temp=$(wrun cmd.exe /c 'echo %TEMP%' 2>/dev/null | tr -d '\r')
temp=$(wrun winepath -u "$temp" 2>/dev/null | tr -d '\r')
[ -d "$temp" ] || { echo "FAIL: no temporary folder ($temp)"; exit 1; }
settings="$temp/岫澜IP.INI"
log="$temp/岫澜IP.log"

failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
# One value of the uninstall entry as UTF-8 ("" when missing); reg prints code page 936.
reg_value() {
  wrun reg query "$1" /v "$2" 2>/dev/null | iconv -f GBK -t UTF-8 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
reg_has_key() { wrun reg query "$1" >/dev/null 2>&1; }
nothing_installed() { [ ! -e "$dir" ] && [ ! -e "$menu" ] && [ ! -e "$desk" ] && ! reg_has_key "$key"; }
wait_until_gone() {  # the uninstaller runs from a copy of itself: wait for its work
  for _ in $(seq 150); do nothing_installed && return 0; sleep 0.2; done
  return 1
}

# Leftovers of an earlier, interrupted run.
rm -rf "$dir" "$menu" "$desk"
wrun reg delete "$key" /f >/dev/null 2>&1
rm -f "$settings" "$log"

echo "-- silent install"
wrun "$setup" /S; code=$?
check "setup /S ends with 0 (got $code)" test "$code" = 0
check "the client is installed unchanged" cmp -s "$dir/XiulanIP.exe" "$built_exe"
check "the uninstaller is installed" test -f "$dir/uninstall.exe"
check "Start-menu shortcut" test -f "$menu"
check "desktop shortcut" test -f "$desk"
check "DisplayName" test "$(reg_value "$key" DisplayName)" = "岫澜IP"
check "DisplayVersion" test "$(reg_value "$key" DisplayVersion)" = "$version"
check "Publisher" test "$(reg_value "$key" Publisher)" = "岫澜IP"
check "DisplayIcon" test "$(reg_value "$key" DisplayIcon)" = 'C:\Program Files\岫澜IP\XiulanIP.exe,0'
check "UninstallString" test "$(reg_value "$key" UninstallString)" = '"C:\Program Files\岫澜IP\uninstall.exe"'
check "QuietUninstallString" test "$(reg_value "$key" QuietUninstallString)" = '"C:\Program Files\岫澜IP\uninstall.exe" /S'
check "NoModify" test "$(reg_value "$key" NoModify)" = 0x1
check "NoRepair" test "$(reg_value "$key" NoRepair)" = 0x1
size_kb=$(( $(reg_value "$key" EstimatedSize) ))
files_kb=$(( ($(stat -c %s "$dir/XiulanIP.exe") + $(stat -c %s "$dir/uninstall.exe")) / 1024 ))
check "EstimatedSize $size_kb KB near the files' $files_kb KB" \
  test "$size_kb" -ge "$files_kb" -a "$size_kb" -le $((files_kb + 16))

echo "-- the installed client, as a person"
if [ -z "${DISPLAY:-}" ] || [ ! -x "$standin" ] || ! command -v xdotool >/dev/null; then
  echo "SKIP: the installed client needs a display, xdotool and the stand-in service ($standin)"
  exit 0
fi
start_standin "$standin" "$build/installer-test" || { echo "FAIL: stand-in did not start"; exit 1; }
trap stop_standin EXIT
wrun 'C:\Program Files\岫澜IP\XiulanIP.exe' --api-base="$standin_base" \
  --probe-url="$standin_base/probe/" --ras=sim >/dev/null 2>&1 &
client=$!
login=$(wait_window "岫澜IP" 380 30) || { echo "FAIL: no login window from the installed client"; exit 1; }
echo "ok   the installed client shows its login window"

wrun "$setup" /S; code=$?
check "setup while the client runs stops with 2 (got $code)" test "$code" = 2

click_at "$login" 200 265 && xdotool type --delay 30 demo
click_at "$login" 200 317 && xdotool type --delay 30 demo123
click_at "$login" 190 426
main=$(wait_window "岫澜IP" 862 15) || { echo "FAIL: no main window after login"; exit 1; }
click_at "$main" 845 14
dialog=$(wait_window "" 323 5) || { echo "FAIL: no confirmation dialog"; exit 1; }
click_at "$dialog" 90 133
wait_exit "$client" 20 || { echo "FAIL: the client did not end"; exit 1; }
check "the log has the start line with the version" grep -q "启动 岫澜IP $version, 系统 Windows" <(iconv -f GBK -t UTF-8 "$log")
check "the log has the login by account" grep -q "登录 帐号 demo: 成功" <(iconv -f GBK -t UTF-8 "$log")
check "the password typed at login is not in the log" test "$(grep -c demo123 "$log")" = 0
check "the typed account is in the settings file" grep -q "User=demo" "$settings"

echo "-- upgrade over an older version"
wrun reg add "$key" /v DisplayVersion /d 5.6.0 /f >/dev/null 2>&1
settings_sum=$(md5sum <"$settings")
wrun "$setup" /S; code=$?
check "setup /S over the older version ends with 0 (got $code)" test "$code" = 0
check "the entry shows the new version" test "$(reg_value "$key" DisplayVersion)" = "$version"
check "the client is the new one" cmp -s "$dir/XiulanIP.exe" "$built_exe"
check "the settings file is kept as it was" test "$(md5sum <"$settings")" = "$settings_sum"

echo "-- silent uninstall"
wrun reg add "$run_key" /v XiulanIP.exe /d 'C:\Program Files\岫澜IP\XiulanIP.exe' /f >/dev/null 2>&1
wrun "$dir/uninstall.exe" /S; code=$?
check "uninstall /S ends with 0 (got $code)" test "$code" = 0
check "files, shortcuts and the uninstall entry are gone" wait_until_gone
check "the start-with-Windows value is gone" test -z "$(reg_value "$run_key" XiulanIP.exe)"
check "the settings file stays" test -f "$settings"

echo "-- uninstall asked to remove the settings"
wrun "$setup" /S
wrun 'C:\Program Files\岫澜IP\uninstall.exe' /S /REMOVESETTINGS
check "everything is gone" wait_until_gone
for _ in $(seq 50); do [ -e "$settings" ] || break; sleep 0.2; done
check "the settings file and the log are gone" test ! -e "$settings" -a ! -e "$log"

[ "$failures" -eq 0 ] && echo "PASS: installer $(basename "$setup"), $(stat -c %s "$setup") bytes"
