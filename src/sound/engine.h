// What the engine tells about its stream, for the audio tests and the benchmark.
#ifndef PULSOREL_SOUND_ENGINE_H
#define PULSOREL_SOUND_ENGINE_H

struct EngineState {
    int running;          // the stream plays
    int rate;             // output frames per second
    int channels;         // output channels
    int bufferFrames;     // the stream's buffer
    double latency;       // seconds from a call until its sound leaves our buffer
    double serverLatency; // seconds the audio system says it adds after that
    long long events;     // buffer events so far
    int stalls;           // events that came over 25 ms after the previous one
    double longestGap;    // seconds, the longest wait between two events
    double clockOrigin;   // seconds after FSOUND_Init when frame 0 was written, as estimated now
    double steadyFor;     // seconds since that estimate last moved by over half a millisecond:
                          // Wine's stream starts slowly, for a second or two
};

void engineState(EngineState *state);

#endif
