// Calls FSOUND_PlaySound at known, irregular times and prints each call's time, so that the
// recording of the sink shows the error that the engine itself adds.
// Usage: probe <sound.wav> <clicks> <channel>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include "engine.h"
#include "fsound.h"

// Intervals in ms, cycled: irregular on purpose, none a multiple of the 10 ms buffer event.
static const int intervals[] = {173, 251, 89, 312, 147, 403, 205, 121, 281, 134, 97, 356};

static double seconds(void)
{
    static LARGE_INTEGER frequency;
    LARGE_INTEGER t;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)frequency.QuadPart;
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    int clicks = atoi(argv[2]);
    int channel = argc > 3 ? atoi(argv[3]) : 1;
    timeBeginPeriod(1);
    if (!FSOUND_Init(48000, 3, 0)) {
        printf("init failed\n");
        return 1;
    }
    FSOUND_SAMPLE *sample = FSOUND_Sample_Load(FSOUND_FREE, argv[1], FSOUND_NORMAL, 0, 0);
    if (!sample) {
        printf("load failed\n");
        return 1;
    }
    FSOUND_SetVolume(FSOUND_ALL, 255);
    // Past the stream's first seconds, when Wine plays it slowly.
    EngineState state;
    for (int i = 0; i < 500; i++) {
        engineState(&state);
        if (state.steadyFor > 0.5)
            break;
        Sleep(20);
    }
    double start = seconds() + 0.1, at = start;
    for (int i = 0; i < clicks; i++) {
        while (seconds() < at - 0.003)
            Sleep(1);
        while (seconds() < at)
            ;
        double t = seconds();
        FSOUND_PlaySound(channel, sample);
        printf("call %.7f\n", t - start);
        at += intervals[i % (sizeof intervals / sizeof *intervals)] / 1000.0;
    }
    Sleep(500);
    engineState(&state);
    printf("  engine: output %d Hz, %d channels, buffer %d frames; from a call until its sound "
           "leaves the buffer %.1f ms, then %.1f ms more in the audio system (as Wine reports "
           "it)\n",
           state.rate, state.channels, state.bufferFrames, state.latency * 1000,
           state.serverLatency * 1000);
    printf("  engine: %lld buffer events, %d late by over 25 ms (Wine audio stalls), longest "
           "wait %.1f ms\n",
           state.events, state.stalls, state.longestGap * 1000);
    FSOUND_Sample_Free(sample);
    FSOUND_Close();
    return 0;
}
