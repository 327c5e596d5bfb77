# shellcheck shell=bash disable=SC2034  # sets variables for the scripts that source it
# Helpers for scripts that use Windows programs under Wine on an X display as a
# person would (xdotool): find a window, click in it, wait for a process, and
# run the stand-in service. Sourced, not run.

# The visible window with this title and width (any width when empty), else nothing.
visible_window() {  # title width
  local w X Y WIDTH HEIGHT SCREEN WINDOW
  for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ -z "$2" ] || [ "$WIDTH" = "$2" ] && { echo "$w"; return 0; }
  done
  return 1
}
wait_window() {  # title width seconds
  for _ in $(seq $(($3 * 10))); do visible_window "$1" "$2" && return 0; sleep 0.1; done
  return 1
}
# Absolute coordinates: a click relative to --window reached nothing on Wine.
click_at() {  # window x y
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + $2)) $((Y + $3)) click 1
}
wait_exit() {  # pid seconds -> exit code in $code
  for _ in $(seq $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; code=$?; return 0; }
    sleep 0.1
  done
  code=timeout
  return 1
}
# Starts the stand-in service on a free port; sets $standin_pid and $standin_base.
start_standin() {  # binary work_dir
  mkdir -p "$2"
  rm -f "$2/port"
  "$1" --port=0 --port-file="$2/port" >"$2/standin.log" 2>&1 &
  standin_pid=$!
  for _ in $(seq 50); do [ -s "$2/port" ] && break; sleep 0.1; done
  [ -s "$2/port" ] || return 1
  standin_base="http://127.0.0.1:$(cat "$2/port")"
}
stop_standin() { [ -n "${standin_pid:-}" ] && kill "$standin_pid" 2>/dev/null; }
