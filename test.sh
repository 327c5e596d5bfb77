#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: natively
# (address + undefined sanitizers), the thread-sanitizer programs, the Windows
# build under Wine on a virtual display, and each fuzz target for a bounded time.
#   ./test.sh            everything
#   FUZZ_SECONDS=N       time per fuzz target (default 20)
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
JOBS=${JOBS:-$(nproc)}
# Programs that also run under the thread sanitizer.
TSAN_TARGETS=${TSAN_TARGETS:-$(cat tests/tsan-targets 2>/dev/null || true)}

scripts/setup
REPORTS=$ROOT/build/reports
rm -rf "$REPORTS"
mkdir -p "$REPORTS"/{linux,linux-tsan,windows,windows-cp1252}

step() { printf '\n== %s\n' "$*"; }

step "native build"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$JOBS"

step "Windows build (mingw-w64) and its installer"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$JOBS"
ls -l build/windows/installer/XiulanIP-*-setup.exe 2>/dev/null | awk '{print "installer:", $NF, $5, "bytes"}' || true

failed=0
step "native tests"
GTEST_OUTPUT=xml:$REPORTS/linux/ ctest --preset linux -j "$JOBS" || failed=1

if [ -n "$TSAN_TARGETS" ]; then
  step "thread-sanitizer tests: $TSAN_TARGETS"
  cmake --preset linux-tsan >/dev/null
  # shellcheck disable=SC2086
  cmake --build --preset linux-tsan -j "$JOBS" --target $TSAN_TARGETS
  regex=$(echo "$TSAN_TARGETS" | xargs | sed 's/ /$|^/g')
  GTEST_OUTPUT=xml:$REPORTS/linux-tsan/ ctest --preset linux-tsan -R "^$regex\$" || failed=1
fi

step "Windows tests under Wine"
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 130); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
  Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
  sleep 1
fi
scripts/wine-prefix build/windows
export WINEPREFIX=$ROOT/build/windows/wineprefix
wineserver -p
# Wine starts its own service processes with the first program; let a
# throw-away one start them, so no test's output pipe is held open by them.
scripts/wine-run build/windows cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
# Wine's programs see the Unix file system as drive Z:.
GTEST_OUTPUT="xml:Z:${REPORTS//\//\\}\\windows\\" ctest --preset windows || failed=1
wineserver -k || true

# The programs that hand texts to the system or read them back, again on a
# system whose ANSI code page is 1252; then the second copy's box on 932,
# photographed. Each code page has a prefix of its own (scripts/wine-codepage).
for codepage in 1252 932; do
  step "Windows tests on code page $codepage"
  export XIULAN_CODEPAGE=$codepage WINEPREFIX=$ROOT/build/windows/wineprefix-$codepage
  scripts/wine-prefix build/windows
  wineserver -p
  scripts/wine-run build/windows cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  if [ "$codepage" = 1252 ]; then
    GTEST_OUTPUT="xml:Z:${REPORTS//\//\\}\\windows-cp1252\\" ctest --preset windows -L codepage || failed=1
  else
    ctest --preset windows -R '^second_copy_box$' || failed=1
  fi
  wineserver -k || true
done
unset XIULAN_CODEPAGE

if ls tests/*/fuzz/*.cpp >/dev/null 2>&1; then
  step "fuzz targets, ${FUZZ_SECONDS}s each"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$JOBS"
  mkdir -p build/fuzz/corpus
  for f in build/fuzz/tests/*/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    mkdir -p "build/fuzz/corpus/$name"
    seeds=$(dirname "$(find tests -path "*/fuzz/$name.corpus" -print -quit 2>/dev/null || true)")/$name.corpus
    if "$f" -max_total_time="$FUZZ_SECONDS" -print_final_stats=0 "build/fuzz/corpus/$name" \
         $( [ -d "$seeds" ] && echo "$seeds" ) >"build/fuzz/$name.log" 2>&1; then
      echo "fuzz $name: ok"
    else
      echo "fuzz $name: FAILED (build/fuzz/$name.log)"; tail -30 "build/fuzz/$name.log"; failed=1
    fi
  done
fi

step "summary"
python3 scripts/test-summary.py "$REPORTS"
exit $failed
