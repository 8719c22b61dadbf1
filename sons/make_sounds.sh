#!/bin/sh
# Makes the click sounds in this folder: 16-bit PCM mono at 44.1 kHz, drawn with sox.
# The numbers in front keep them in a sensible order in the sorted lists.
set -e
cd "$(dirname "$0")"
fmt="-r 44100 -b 16 -c 1 -e signed-integer"
sox -n $fmt 1-bois.wav       synth 0.07 sine 1100 synth 0.07 sine amod 40 fade l 0 0.07 0.068 gain -4
sox -n $fmt 2-bip-aigu.wav   synth 0.05 sine 1760 fade h 0.002 0.05 0.02 gain -6
sox -n $fmt 3-bip-grave.wav  synth 0.06 sine 880 fade h 0.002 0.06 0.025 gain -6
sox -n $fmt 4-cercle.wav     synth 0.05 whitenoise gain -9 highpass 1500 lowpass 7000 fade l 0 0.05 0.048
