#!/bin/sh
# Fuzzes the sound engine's WAV reader, converter and mixer natively for about a minute:
# libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, from seeds the test helpers
# make. Non-zero on a crash; the corpus grows in build/fuzz/corpus from run to run.
set -e
cd "$(dirname "$0")/.."
out=build/fuzz
seconds=${FUZZ_SECONDS:-60}
mkdir -p $out/corpus $out/seeds
flags="-std=c++17 -O1 -g -Isrc/sound -Itests/audio"
clang++ $flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    fuzz/wav_fuzz.cpp src/sound/wav.cpp src/sound/mix.cpp -o $out/wav_fuzz
clang++ $flags fuzz/seeds.cpp tests/audio/wavmaker.cpp -o $out/seeds-maker
$out/seeds-maker $out/seeds

status=0
$out/wav_fuzz -max_total_time=$seconds -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix=$out/ $out/corpus $out/seeds >$out/fuzz.log 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' $out/fuzz.log)
coverage=$(grep -E '^#[0-9]+[[:space:]]+DONE' $out/fuzz.log | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+')
if [ $status -ne 0 ]; then
    grep -E 'ERROR|SUMMARY|Test unit written' $out/fuzz.log || tail -20 $out/fuzz.log
    echo "fuzz: FAILED: WAV reader crashed after ${runs:-?} runs; input and log in $out/ (fuzz.log)"
    exit 1
fi
echo "fuzz: passed: WAV reader, converter and mixer, ${runs:-?} runs in ${seconds} s, no crash (${coverage:-no coverage figures})"
