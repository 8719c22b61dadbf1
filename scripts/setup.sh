#!/bin/sh
# Installs what building, running and testing need, once: a second run installs nothing.
set -e
packages="cmake make python3 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 googletest
  xvfb x11-utils imagemagick pulseaudio pulseaudio-utils sox clang libclang-rt-14-dev"
missing=
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # wine without wine32: this machine runs the 64-bit programs only.
    apt-get install -y -qq $missing
fi
