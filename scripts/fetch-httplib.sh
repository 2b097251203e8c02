#!/usr/bin/env bash
# Unpacks cpp-httplib's single header from Debian's source package into a cache outside the
# tree, where CMake finds it. Debian's binary package is a shared library built with OpenSSL and
# brotli, which every run of beatplate would then load although the server speaks plain HTTP on
# the loopback address; the header alone compiles without either. Does nothing when the header
# is there already.
#   BEATPLATE_CACHE_DIR  the cache (default: ${XDG_CACHE_HOME:-~/.cache}/beatplate)
set -euo pipefail
cache=${BEATPLATE_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/beatplate}
target="$cache/cpp-httplib"
[ -f "$target/httplib.h" ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
sources_dir=/etc/apt/sources.list.d
# The source package comes from the same archive as the binary packages: each "deb" entry is
# repeated as "deb-src".
if ! apt-cache showsrc cpp-httplib 2>/dev/null | grep -q '^Package: cpp-httplib'; then
  echo "setup: adding deb-src entries for cpp-httplib's source package"
  for list in /etc/apt/sources.list "$sources_dir"/*.list; do
    [ -f "$list" ] || continue
    sed -n 's/^deb \(.*\)$/deb-src \1/p' "$list"
  done | $sudo tee "$sources_dir/beatplate-src-debian.list" >/dev/null
  for sources in "$sources_dir"/*.sources; do
    [ -f "$sources" ] || continue
    case "$sources" in */beatplate-src-*) continue ;; esac
    # deb822 stanzas are separated by blank lines; only those of binary packages are repeated.
    awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Types:[^\n]*(^| )deb( |\n|$)/ {
           sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$sources"
  done | $sudo tee "$sources_dir/beatplate-src-debian-httplib.sources" >/dev/null
  $sudo apt-get update -qq </dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# dpkg-source (from dpkg-dev) unpacks the source and applies Debian's patches to the header.
(cd "$work" && apt-get source -qq cpp-httplib </dev/null >/dev/null 2>&1) \
  || { echo "setup: apt-get source cpp-httplib failed" >&2; exit 1; }
header=$(find "$work" -mindepth 2 -maxdepth 2 -name httplib.h | head -n 1)
[ -n "$header" ] || { echo "setup: no httplib.h in cpp-httplib's source package" >&2; exit 1; }
mkdir -p "$target"
cp "$header" "$target/httplib.h.partial"
cp "$(dirname "$header")/LICENSE" "$target/LICENSE"
mv "$target/httplib.h.partial" "$target/httplib.h"
echo "setup: cpp-httplib's header is in $target"
