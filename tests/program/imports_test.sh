#!/usr/bin/env bash
# Fails when the executable imports anything Windows 7 SP1 lacks: the loader
# would refuse to start it there ("entry point not found"). Wine exports every
# function whatever version it plays, so only the import table shows this.
#   imports_test.sh EXE LIST        (LIST: tests/program/post_win7_imports.txt)
set -euo pipefail
exe=$1 list=$2
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
table=$("$objdump" -p "$exe")
# "DLL Name: X" starts a library; its functions follow as "vma hint name".
imports=$(awk '/^\tDLL Name: / { dll = tolower($3); next }
               dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && NF == 3 { print dll, $3 }' \
          <<<"$table")
count=$(wc -l <<<"$imports")
# A parse that finds nothing would pass everything.
grep -q '^kernel32.dll ' <<<"$imports" ||
  { echo "FAIL: no imports read from $exe (objdump's format changed?)"; exit 1; }
bad=0
while read -r first second; do
  [ -z "$first" ] || [ "${first:0:1}" = "#" ] && continue
  if [ "$first" = dll ]; then
    pattern=$(tr 'A-Z' 'a-z' <<<"$second")
    while read -r dll _; do
      # shellcheck disable=SC2053  # the pattern is meant to match as a glob
      [[ $dll == $pattern ]] && { echo "FAIL: imports from $dll"; bad=1; }
    done < <(cut -d' ' -f1 <<<"$imports" | sort -u)
  else
    while read -r dll name; do
      [ "$name" = "$first" ] && { echo "FAIL: imports $name from $dll"; bad=1; }
    done <<<"$imports"
  fi
done <"$list"
[ "$bad" = 0 ] || exit 1
echo "PASS: $count imports, none newer than Windows 7 SP1"
