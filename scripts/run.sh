#!/bin/sh
# Builds the program and starts it under Wine in a working folder that holds "sons".
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
# A prefix of its own, whose windows sit on the user's display like any other.
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-pulsorel-run} WINE_DESKTOP=no
. scripts/env.sh
start_display
start_wine

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target Pulsorel

work=build/run
mkdir -p "$work/sons"
cp sons/*.wav "$work/sons/"
cd "$work"
if [ -z "$VIRTUAL_DISPLAY" ]; then
    exec wine ../win64/Pulsorel.exe
fi

# No display to show it on: run it on the virtual one and take a picture of it.
echo "No display is set: Pulsorel runs on the virtual display $DISPLAY."
wine ../win64/Pulsorel.exe >/dev/null 2>&1 &
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Pulsorel"' && break
    sleep 0.1
done
sleep 0.5
import -window root pulsorel.png
echo "Screenshot of its window: $(pwd)/pulsorel.png"
echo "It keeps running there; 'WINEPREFIX=$WINEPREFIX wineserver -k' ends it."
