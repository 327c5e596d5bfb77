#!/usr/bin/env bash
# The setup program under Wine, used as a user would, in the build's test
# prefix: a silent install (files, shortcuts, the uninstall entry); the
# installed client started and logged into as a person (its login window, its
# log without the password, start with Windows registering the installed path
# quoted); a second setup refused while the client runs, with its own exit
# code; an upgrade over an older version that keeps the settings file; an
# uninstall that stops at a program file it cannot remove and keeps
# everything, then, waited for with _?= as the README says, removes it all;
# the setup's pages clicked through to the finish page, whose box starts the
# client through the shell; an install into a folder of one's own, and an
# uninstall asked to remove the settings and logs in both their places.
# Wine keeps no permissions on files: the install folder's are checked from
# the script's descriptor (install_folder_security_tests) instead.
#   installer_test.sh SETUP CLIENT_EXE STANDIN BUILD_DIR VERSION HOLD_FILE
set -uo pipefail
setup=$1 built_exe=$2 standin=$3 build=$(cd "$4" && pwd) version=$5 hold=$6
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=tests/support/wine_desktop.sh
source "$root/tests/support/wine_desktop.sh"
[ -f "$setup" ] || { echo "FAIL: no installer at $setup"; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
wrun() { "$root/scripts/wine-run" "$build" "$@"; }
work=$build/installer-test
mkdir -p "$work"

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\XiulanIP'
run_key='Software\Microsoft\Windows\CurrentVersion\Run'
drive=$WINEPREFIX/drive_c
default_dir='C:\Program Files\岫澜IP'
own_dir='C:\岫澜 IP'
unix_dir() { echo "$drive/${1#C:\\}" | tr '\\' /; }
dir=$(unix_dir "$default_dir")
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/岫澜IP.lnk"
desk="$drive/users/Public/Desktop/岫澜IP.lnk"
folder_of() {  # %VARIABLE% -> its Unix path
  wrun winepath -u "$(wrun cmd.exe /c "echo $1" 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r'
}
temp=$(folder_of %TEMP%)
appdata=$(folder_of %APPDATA%)
[ -d "$temp" ] && [ -d "$appdata" ] || { echo "FAIL: no temporary or application-data folder"; exit 1; }
# The settings and logs, in their folder and where older versions kept them.
kept_files=(岫澜IP.INI 岫澜IP.bad.INI 岫澜IP.log 岫澜IP.old.log)
settings_file() { ls "$appdata/岫澜IP/岫澜IP.INI" "$temp/岫澜IP.INI" 2>/dev/null | head -1; }
log_file() { ls "$appdata/岫澜IP/岫澜IP.log" "$temp/岫澜IP.log" 2>/dev/null | head -1; }

failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
# One registry value as UTF-8 ("" when missing); reg prints code page 936.
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
# Runs a command line through a batch file, as a person types it into cmd
# (the batch file is read in the system's code page); gives its exit code.
run_batch() {  # command line
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" | iconv -f UTF-8 -t GBK >"$drive/xl-installer-test.bat"
  wrun cmd.exe /c 'C:\xl-installer-test.bat' </dev/null >/dev/null 2>&1
}
no_run_values() {
  [ -z "$(reg_value "HKLM\\$run_key" XiulanIP.exe)" ] && [ -z "$(reg_value "HKCU\\$run_key" XiulanIP.exe)" ]
}

# Leftovers of an earlier, interrupted run.
rm -rf "$dir" "$(unix_dir "$own_dir")" "$menu" "$desk"
wrun reg delete "$key" /f >/dev/null 2>&1
for k in HKLM HKCU; do wrun reg delete "$k\\$run_key" /v XiulanIP.exe /f >/dev/null 2>&1; done
for f in "${kept_files[@]}"; do rm -f "$temp/$f" "$appdata/岫澜IP/$f"; done

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
check "DisplayIcon" test "$(reg_value "$key" DisplayIcon)" = "$default_dir\\XiulanIP.exe,0"
check "InstallLocation" test "$(reg_value "$key" InstallLocation)" = "$default_dir"
check "UninstallString" test "$(reg_value "$key" UninstallString)" = "\"$default_dir\\uninstall.exe\""
check "QuietUninstallString" test "$(reg_value "$key" QuietUninstallString)" = "\"$default_dir\\uninstall.exe\" /S"
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
start_standin "$standin" "$work" || { echo "FAIL: stand-in did not start"; exit 1; }
trap 'stop_standin; rm -f "$drive/xl-installer-test.bat"' EXIT
wrun "$default_dir\\XiulanIP.exe" --api-base="$standin_base" \
  --probe-url="$standin_base/probe/" --ras=sim >/dev/null 2>&1 &
client=$!
login=$(wait_window "岫澜IP" 380 30) || { echo "FAIL: no login window from the installed client"; exit 1; }
echo "ok   the installed client shows its login window"

wrun "$setup" /S; code=$?
check "setup while the client runs stops with 3 (got $code)" test "$code" = 3

click_at "$login" 200 265 && xdotool type --delay 30 demo
click_at "$login" 200 317 && xdotool type --delay 30 demo123
click_at "$login" 190 426
main=$(wait_window "岫澜IP" 862 15) || { echo "FAIL: no main window after login"; exit 1; }
click_at "$main" 670 266  # 电脑开机自动开启软件
for _ in $(seq 50); do [ -n "$(reg_value "HKLM\\$run_key" XiulanIP.exe)" ] && break; sleep 0.1; done
check "start with Windows registers the installed path, quoted" \
  test "$(reg_value "HKLM\\$run_key" XiulanIP.exe)" = "\"$default_dir\\XiulanIP.exe\""
click_at "$main" 845 14
dialog=$(wait_window "" 323 5) || { echo "FAIL: no confirmation dialog"; exit 1; }
click_at "$dialog" 90 133
wait_exit "$client" 20 || { echo "FAIL: the client did not end"; exit 1; }
log=$(log_file) settings=$(settings_file)
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

echo "-- uninstall while the program cannot be removed, waited for with _?="
wait_line="start \"\" /wait \"$default_dir\\uninstall.exe\" /S _?=$default_dir"
wrun "$hold" "$default_dir\\XiulanIP.exe" 8 >"$work/hold.out" 2>/dev/null &
holder=$!
for _ in $(seq 50); do grep -q held "$work/hold.out" && break; sleep 0.1; done
run_batch "$wait_line"; code=$?
check "the uninstall stops with 4 (got $code)" test "$code" = 4
check "the program, its entry and its start value stay" \
  test -f "$dir/XiulanIP.exe" -a -f "$menu" -a -n "$(reg_value "$key" InstallLocation)" \
  -a -n "$(reg_value "HKLM\\$run_key" XiulanIP.exe)"
wait_exit "$holder" 20
wrun reg add "HKCU\\$run_key" /v XiulanIP.exe /d "\"$default_dir\\XiulanIP.exe\"" /f >/dev/null 2>&1
run_batch "$wait_line"; code=$?
check "then it ends with 0 (got $code)" test "$code" = 0
check "the start values of both keys are gone" no_run_values
check "only the uninstaller, run in place, is left for the caller" \
  test "$(ls "$dir")" = uninstall.exe -a ! -e "$menu" -a ! -e "$desk"
run_batch "del \"$default_dir\\uninstall.exe\" & rmdir \"$default_dir\""
check "files, shortcuts and the uninstall entry are gone" nothing_installed
check "the settings file stays" test -f "$settings"

echo "-- the setup's pages, and its finish page starting the client"
wrun "$setup" >/dev/null 2>&1 &
setup_pid=$!
page=$(wait_window "岫澜IP 安装" "" 20) || { echo "FAIL: no setup window"; exit 1; }
for _ in 1 2 3; do sleep 1; xdotool key --window "$page" Return; done  # welcome, components, folder
for _ in $(seq 100); do [ -f "$dir/uninstall.exe" ] && break; sleep 0.1; done
check "the pages install the client" test -f "$dir/uninstall.exe"
sleep 2
xdotool key --window "$page" Return  # finish, with 运行 岫澜IP ticked
wait_exit "$setup_pid" 20 || kill "$setup_pid" 2>/dev/null
login=$(wait_window "岫澜IP" 380 30)
check "the finish page starts the client" test -n "$login"
if [ -n "$login" ]; then
  click_at "$login" 356 24
  for _ in $(seq 50); do visible_window "岫澜IP" 380 >/dev/null || break; sleep 0.1; done
fi
wrun "$dir/uninstall.exe" /S
check "the uninstall removes the interactive install" wait_until_gone

echo "-- a folder of one's own; uninstall asked to remove the settings"
dir=$(unix_dir "$own_dir")
# /D= comes last and unquoted, as cmd passes it on.
run_batch "start \"\" /wait \"$(wrun winepath -w "$setup" 2>/dev/null | tr -d '\r')\" /S /D=$own_dir"; code=$?
check "setup /S /D= ends with 0 (got $code)" test "$code" = 0
check "the client is in the folder chosen" cmp -s "$dir/XiulanIP.exe" "$built_exe"
check "InstallLocation names it" test "$(reg_value "$key" InstallLocation)" = "$own_dir"
mkdir -p "$appdata/岫澜IP"
for f in "${kept_files[@]}"; do echo x >"$temp/$f"; echo x >"$appdata/岫澜IP/$f"; done
wrun reg add "HKCU\\$run_key" /v XiulanIP.exe /d "\"$own_dir\\XiulanIP.exe\"" /f >/dev/null 2>&1
wrun "$own_dir\\uninstall.exe" /S /REMOVESETTINGS
check "everything is gone" wait_until_gone
for _ in $(seq 50); do [ -e "$appdata/岫澜IP" ] || break; sleep 0.2; done
check "the settings and logs are gone from both places" \
  test ! -e "$appdata/岫澜IP" -a ! -e "$temp/岫澜IP.INI" -a ! -e "$temp/岫澜IP.bad.INI" \
  -a ! -e "$temp/岫澜IP.log" -a ! -e "$temp/岫澜IP.old.log"
check "the user's start value is gone" no_run_values

[ "$failures" -eq 0 ] && echo "PASS: installer $(basename "$setup"), $(stat -c %s "$setup") bytes"
