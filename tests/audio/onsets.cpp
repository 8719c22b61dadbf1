#include <math.h>
#include <algorithm>
#include "onsets.h"

static double dot(const float *a, const float *b, size_t n)
{
    double sum = 0;
    for (size_t i = 0; i < n; i++)
        sum += (double)a[i] * b[i];
    return sum;
}

std::vector<Onset> findOnsets(const std::vector<float> &signal, const std::vector<float> &click,
                              float threshold)
{
    std::vector<Onset> onsets;
    size_t n = click.size();
    if (n < 3 || signal.size() < n)
        return onsets;
    double clickEnergy = dot(click.data(), click.data(), n);
    // The click starts at most this many frames before the first frame over the threshold.
    size_t reach = std::min(n, (size_t)600);
    size_t i = 0;
    while (i + n <= signal.size()) {
        if (fabsf(signal[i]) < threshold) {
            i++;
            continue;
        }
        size_t first = i > reach ? i - reach : 0;
        size_t last = std::min(i + 1, signal.size() - n);
        std::vector<double> score(last - first + 1);
        size_t best = first;
        for (size_t k = first; k <= last; k++) {
            score[k - first] = dot(signal.data() + k, click.data(), n);
            if (score[k - first] > score[best - first])
                best = k;
        }
        // A parabola through the peak and its neighbours places it between frames.
        double frame = (double)best;
        if (best > first && best < last) {
            double a = score[best - first - 1], b = score[best - first], c = score[best - first + 1];
            double bend = a - 2 * b + c;
            if (bend < 0)
                frame += 0.5 * (a - c) / bend;
        }
        double signalEnergy = dot(signal.data() + best, signal.data() + best, n);
        Onset onset;
        onset.frame = frame;
        onset.correlation = signalEnergy > 0 ? score[best - first] / sqrt(signalEnergy * clickEnergy) : 0;
        onset.gain = score[best - first] / clickEnergy;
        onsets.push_back(onset);
        i = best + n;
    }
    return onsets;
}

std::vector<float> rawChannel(const std::string &bytes, int channels, int channel)
{
    std::vector<float> samples;
    size_t frameBytes = 2 * (size_t)channels;
    samples.reserve(bytes.size() / frameBytes);
    for (size_t at = 2 * (size_t)channel; at + 2 <= bytes.size(); at += frameBytes) {
        int v = (unsigned char)bytes[at] | (unsigned char)bytes[at + 1] << 8;
        samples.push_back((v >= 0x8000 ? v - 0x10000 : v) / 32768.0f);
    }
    return samples;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : 0.5 * (values[m - 1] + values[m]);
}
