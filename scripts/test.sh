#!/usr/bin/env bash
# Installs, builds and runs every test through CTest (headless).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
cd "$top/build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j"$(nproc)" "$@"
