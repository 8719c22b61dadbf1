#!/bin/sh
# The timing benchmark (not a test): runs the real Pulsorel.exe under Wine into a null sink
# of its own, records the sink's monitor, and prints per tempo the beats, the mean interval
# against intervalMs, the jitter, the drift, and the program's CPU use and memory; then the
# error that the sound engine itself adds, from a probe calling it at known times.
# BENCH_SECONDS sets the length of each run (default 20).
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh >/dev/null
. scripts/env.sh
start_display
start_wine
start_audio
seconds=${BENCH_SECONDS:-20}
out=build/bench
sink=pulsorel_bench
rate=44100

echo "Building the program, the probe, the driver and the analyser"
cmake --preset win64 -B $out/app -DPULSOREL_TESTS=OFF >/dev/null
cmake --build $out/app -j2 --target Pulsorel >/dev/null
cmake -S bench -B $out/tools --toolchain "$PWD/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build $out/tools -j2 >/dev/null
g++ -std=c++17 -O2 -Isrc/sound -Itests/audio bench/analyze.cpp tests/audio/onsets.cpp src/sound/wav.cpp \
    -o $out/analyze

# A sink of its own: nothing else playing gets into the recordings.
module=
if ! pactl list short sinks | grep -q "	$sink	"; then
    module=$(pactl load-module module-null-sink sink_name=$sink sink_properties=device.description=$sink)
fi
rm -rf $out/run && mkdir -p $out/run/sons && cp sons/*.wav $out/run/sons/
exe=$(winepath -w "$out/app/Pulsorel.exe")
folder=$(winepath -w "$out/run")

# The program's Linux process: the only one whose command line starts with this build's
# path (the driver's holds it further on).
program_pid() {
    for d in /proc/[0-9]*; do
        case "$(tr '\0' ' ' <$d/cmdline 2>/dev/null)" in
        "$exe"*) echo ${d#/proc/}; return ;;
        esac
    done
}
# CPU seconds (user and system) and resident kB of a process, from /proc.
cpu_of() { awk -v t=$(getconf CLK_TCK) '{print ($14 + $15) / t}' /proc/$1/stat; }
rss_of() { awk '/^VmRSS/ {print $2}' /proc/$1/status; }

# Runs the driver; meanwhile measures the program's CPU use over the middle of the run.
drive() {
    PULSE_SINK=$sink wine "$out/tools/driver.exe" "$exe" "$folder" $seconds "$@" >$out/driver.txt &
    driver=$!
    pid=
    for _ in $(seq 100); do
        grep -q started $out/driver.txt 2>/dev/null && pid=$(program_pid) && break
        sleep 0.1
    done
    if [ -n "$pid" ]; then
        sleep 1
        c0=$(cpu_of $pid) t0=$(date +%s.%N)
        sleep $((seconds - 2))
        c1=$(cpu_of $pid) t1=$(date +%s.%N) rss=$(rss_of $pid)
    fi
    wait $driver || true
    grep -v started $out/driver.txt || true
    if [ -n "$pid" ]; then
        echo "  program: CPU $(echo "$c0 $c1 $t0 $t1" | awk '{printf "%.2f", 100 * ($2 - $1) / ($4 - $3)}') % of one core, resident $(echo $rss | awk '{printf "%.1f", $1 / 1024}') MiB (Linux process)"
    else
        echo "  program: its process was not found; no CPU figure"
    fi
}

recorder=
start_recording() {
    python3 bench/record.py $sink $out/rec.raw $rate &
    recorder=$!
    sleep 0.5
}
stop_recording() {
    kill $recorder
    wait $recorder || true
    recorder=
    measured=$(cat $out/rec.raw.rate)
}
cleanup() {
    [ -n "$recorder" ] && kill $recorder 2>/dev/null || true
    [ -n "$module" ] && pactl unload-module $module 2>/dev/null || true
}
trap cleanup EXIT

echo "Wine $(wine --version), each run ${seconds} s, sink $sink at $rate Hz"
for tempo in 60 120 140 240 both; do
    if [ $tempo = both ]; then
        echo "Both signals at once: 1 at 120 BPM (2-bip-aigu), 2 at 140 BPM (3-bip-grave)"
        args="120 140"
    else
        echo "Signal 1 at $tempo BPM, intervalMs $((60000 / tempo))"
        args=$tempo
    fi
    start_recording
    drive $args
    stop_recording
    echo "  sink clock: $measured frames per second"
    if [ $tempo = both ]; then
        echo "  signal 1:"
        $out/analyze tempo $out/rec.raw $rate $measured sons/2-bip-aigu.wav 500 || true
        echo "  signal 2:"
        $out/analyze tempo $out/rec.raw $rate $measured sons/3-bip-grave.wav 428 || true
    else
        $out/analyze tempo $out/rec.raw $rate $measured sons/2-bip-aigu.wav $((60000 / tempo)) || true
    fi
done

clicks=$((seconds * 4))
echo "Probe: FSOUND_PlaySound at known, irregular times ($clicks calls, 89 to 403 ms apart)"
start_recording
PULSE_SINK=$sink wine "$out/tools/probe.exe" sons/2-bip-aigu.wav $clicks 1 > $out/calls.txt
stop_recording
grep -v '^call' $out/calls.txt || true
$out/analyze probe $out/rec.raw $rate $measured sons/2-bip-aigu.wav $out/calls.txt || true

# A peer measured the same way: gtick, a metronome from Debian, at its own default tempo
# (75 BPM; it takes no tempo from outside), started by its shortcut key.
echo "Peer: gtick (Debian), its default 75 BPM, intervalMs 800"
if ! command -v gtick >/dev/null || ! command -v xdotool >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq gtick xdotool >/dev/null 2>&1 || true
fi
if command -v gtick >/dev/null && command -v xdotool >/dev/null; then
    server=$(pactl info | sed -n 's/^Server String: //p')
    cookie=${XDG_CONFIG_HOME:-$HOME/.config}/pulse/cookie
    rm -rf $out/peer && mkdir -p $out/peer
    HOME=$PWD/$out/peer PULSE_SERVER=unix:$server PULSE_COOKIE=$cookie PULSE_SINK=$sink \
        gtick >$out/peer/gtick.log 2>&1 &
    peer=$!
    window=
    for _ in $(seq 50); do
        window=$(xdotool search --onlyvisible --pid $peer 2>/dev/null | head -1) && [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -n "$window" ]; then
        start_recording
        xdotool windowfocus $window 2>/dev/null || true
        xdotool key ctrl+s
        sleep 1
        c0=$(cpu_of $peer) t0=$(date +%s.%N)
        sleep $((seconds - 2))
        c1=$(cpu_of $peer) t1=$(date +%s.%N) rss=$(rss_of $peer)
        sleep 1
        stop_recording
        echo "  peer: CPU $(echo "$c0 $c1 $t0 $t1" | awk '{printf "%.2f", 100 * ($2 - $1) / ($4 - $3)}') % of one core, resident $(echo $rss | awk '{printf "%.1f", $1 / 1024}') MiB (Linux process)"
        echo "  sink clock: $measured frames per second"
        $out/analyze tempo $out/rec.raw $rate $measured - 800 || true
    else
        echo "  gtick shows no window: skipped"
    fi
    kill $peer 2>/dev/null || true
    wait $peer 2>/dev/null || true
else
    echo "  gtick or xdotool cannot be installed: skipped"
fi
