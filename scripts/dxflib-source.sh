#!/usr/bin/env bash
# Fetches dxflib's source into the cache once (Debian has dxflib for Linux only): the Windows
# builds compile it, so that the stand-in host and the exporter write DXF there too.
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${QUORVEL_CACHE:-/var/cache/quorvel}
mkdir -p "$cache"
if ! compgen -G "$cache/dxflib-*/src/dl_dxf.cpp" >/dev/null; then
    # Unpacked aside first, so that an interrupted run leaves no half folder that looks complete.
    staging=$(mktemp -d "$cache/dxflib-fetch.XXXXXX")
    trap 'rm -rf "$staging"' EXIT
    source_dir=$(bash scripts/debian-source.sh dxflib "$staging")
    mv "$source_dir" "$cache/"
fi
