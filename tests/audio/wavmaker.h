// WAV files made in memory for the tests and the fuzzer's seeds: every layout the engine
// must read, and the broken ones it must refuse. Plain C++.
#ifndef PULSOREL_WAVMAKER_H
#define PULSOREL_WAVMAKER_H

#include <string>
#include <vector>

struct WavLayout {
    const char *name;
    int tag;          // 1 integer PCM, 3 float
    int channels;
    int rate;
    int bits;
    bool extensible;  // WAVE_FORMAT_EXTENSIBLE
    bool extraChunks; // LIST and fact chunks, one of odd size, around the data
    bool formatLast;  // the data chunk before the format chunk
};

struct WavBytes {
    std::string name;
    std::string bytes;
};

// The signal on every channel, in the given layout.
std::string makeWav(const WavLayout &layout, const std::vector<float> &signal);
// The layouts the engine reads.
std::vector<WavLayout> readableLayouts(void);
// Files the engine must refuse, each made from a good one.
std::vector<WavBytes> brokenWavs(void);

// Test sounds: noise with a sharp start, whose correlation peak places it to the frame;
// and a smooth burst of two tones that survives any resampling.
std::vector<float> noiseBurst(int rate, double seconds, unsigned seed);
std::vector<float> toneBurst(int rate);

#endif
