#!/usr/bin/env bash
# Installs, builds and starts the program on its embedded database (build/bin/baze/fiskal.db).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
exec "$top/build/bin/tarvelstat"
