#!/usr/bin/env bash
# Prepares what the Windows build of the window program and of the stand-in host needs beyond the
# compilers: Qt 6 for MinGW (built once per machine into the cache) and dxflib's source (Debian
# has dxflib for Linux only). Both live outside the checkout, in QUORVEL_CACHE.
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${QUORVEL_CACHE:-/var/cache/quorvel}
bash scripts/build-qt-mingw.sh
if ! compgen -G "$cache/dxflib-*/src/dl_dxf.cpp" >/dev/null; then
    # Unpacked aside first, so that an interrupted run leaves no half folder that looks complete.
    staging=$(mktemp -d "$cache/dxflib-fetch.XXXXXX")
    trap 'rm -rf "$staging"' EXIT
    source_dir=$(bash scripts/debian-source.sh dxflib "$staging")
    mv "$source_dir" "$cache/"
fi
