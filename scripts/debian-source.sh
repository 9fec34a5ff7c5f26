#!/usr/bin/env bash
# Downloads a Debian 12 source package and unpacks its upstream source into a folder. apt runs
# with a private source list and state, so that the machine's own apt configuration stays as it
# was whether or not it has deb-src entries (nothing is added to it, nothing left behind).
# Usage: debian-source.sh PACKAGE[=VERSION] FOLDER   (prints the unpacked source folder)
set -euo pipefail

package=$1
folder=$2
mkdir -p "$folder"
apt_dir=$(mktemp -d)
trap 'rm -rf "$apt_dir"' EXIT
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts"
for suite in "debian bookworm" "debian bookworm-updates" "debian-security bookworm-security"; do
    read -r archive name <<<"$suite"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
         "http://deb.debian.org/$archive $name main"
done > "$apt_dir/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
             -o "APT::Sandbox::User=root")
apt-get "${apt_options[@]}" -qq update >&2
download="$apt_dir/download"
mkdir -p "$download"
(cd "$download" && apt-get "${apt_options[@]}" -q source --download-only "$package" >&2)
orig=$(ls "$download"/*.orig.tar.* | head -n1)
tar -xf "$orig" -C "$folder"
# sed reads the whole listing: head would stop tar early (SIGPIPE, a failure under pipefail).
tar -tf "$orig" | sed -n "1s|/.*||p" | sed "s|^|$folder/|"
