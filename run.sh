#!/usr/bin/env bash
# Builds the Windows client and runs it under Wine against the stand-in service.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup
cmake --preset windows >/dev/null
cmake --build --preset windows
echo "run.sh: the client's windows are not built yet; the build above is what exists."
