#!/usr/bin/env bash
# Prepares what the Windows build of the window program and of the stand-in host needs beyond the
# compilers: Qt 6 for MinGW (built once per machine into the cache) and dxflib's source (Debian
# has dxflib for Linux only). Both live outside the checkout, in QUORVEL_CACHE.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build-qt-mingw.sh
bash scripts/dxflib-source.sh
