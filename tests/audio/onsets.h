// Finds where a known click sounds in a recording. Plain C++: the audio tests use it under
// Wine, the benchmark natively.
#ifndef PULSOREL_ONSETS_H
#define PULSOREL_ONSETS_H

#include <stddef.h>
#include <string>
#include <vector>

struct Onset {
    double frame;        // where the click begins, to a fraction of a frame
    double correlation;  // of the recording against the click there: 1 is the same shape
    double gain;         // the click's level there, 1 being the click as given
};

// Each place where the signal first passes threshold, placed exactly by correlation with
// the click; the next one is looked for after that click has ended.
std::vector<Onset> findOnsets(const std::vector<float> &signal, const std::vector<float> &click,
                              float threshold);

// One channel of a raw recording of interleaved signed 16-bit samples.
std::vector<float> rawChannel(const std::string &bytes, int channels, int channel);

double median(std::vector<double> values);

#endif
