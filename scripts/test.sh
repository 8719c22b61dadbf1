#!/bin/sh
# Builds both Windows targets and runs every test under Wine; non-zero on any failure.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
. scripts/env.sh
start_display
start_wine
start_audio

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2
sh scripts/check_win32.sh build/win32/Pulsorel.exe

# The WAV reader under the sanitizers, natively, for a bounded time.
sh scripts/fuzz.sh

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2
ctest --preset win64 -j2
