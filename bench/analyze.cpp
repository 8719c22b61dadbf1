// Reads a recording of the sink (raw signed 16-bit) and prints the timing of the clicks in it.
//   analyze probe <raw> <rate> <measured> <click.wav> <calls.txt>  error against the calls
//   analyze tempo <raw> <rate> <measured> <click.wav> <intervalMs>  beats of a signal
// rate: the recording's nominal rate; measured: the frames per second of real time that the
// sink gave while recording; click.wav "-": the first click in the recording.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "core.h"
#include "onsets.h"

static std::string slurp(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

static std::vector<float> loadClick(const char *path, int rate)
{
    std::string bytes = slurp(path);
    WavFormat wav;
    Sound sound;
    std::vector<float> click;
    if (readWav((const unsigned char *)bytes.data(), bytes.size(), &wav) &&
        convertWav(&wav, rate, 1, &sound)) {
        click.assign(sound.samples, sound.samples + sound.frames);
        freeSound(&sound);
    }
    return click;
}

static double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t at = (size_t)ceil(p * values.size()) - 1;
    return values[std::min(at, values.size() - 1)];
}

static double meanOf(const std::vector<double> &v)
{
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / v.size();
}

static double sdOf(const std::vector<double> &v)
{
    double m = meanOf(v), sum = 0;
    for (double x : v)
        sum += (x - m) * (x - m);
    return v.size() < 2 ? 0 : sqrt(sum / (v.size() - 1));
}

// Onsets of the click in both channels summed; a click at full level peaks well over 0.05.
static std::vector<float> mixedDown(const char *raw)
{
    std::string bytes = slurp(raw);
    std::vector<float> left = rawChannel(bytes, 2, 0), right = rawChannel(bytes, 2, 1);
    for (size_t i = 0; i < left.size() && i < right.size(); i++)
        left[i] = 0.5f * (left[i] + right[i]);
    return left;
}

// For a peer whose click we do not have: the first 30 ms of sound in the recording, past
// its first 0.2 s (where a stream's start may leave a glitch).
static std::vector<float> firstClick(const char *raw, int rate)
{
    std::vector<float> signal = mixedDown(raw);
    float peak = 0;
    for (size_t i = rate / 5; i < signal.size(); i++)
        peak = std::max(peak, fabsf(signal[i]));
    for (size_t i = rate / 5; i < signal.size(); i++)
        if (fabsf(signal[i]) > 0.1f * peak && i + rate / 30 < signal.size())
            return std::vector<float>(signal.begin() + i, signal.begin() + i + rate / 30);
    return std::vector<float>();
}

static std::vector<Onset> onsetsOf(const char *raw, const std::vector<float> &click)
{
    std::vector<float> left = mixedDown(raw);
    float peak = 0;
    for (float x : click)
        peak = std::max(peak, fabsf(x));
    // The other signal's clicks pass the threshold too, but do not have this click's shape.
    std::vector<Onset> onsets;
    for (const Onset &o : findOnsets(left, click, 0.3f * peak))
        if (o.correlation > 0.7)
            onsets.push_back(o);
    return onsets;
}

// Each call's click: the onset nearest to where the first click and the call times put it.
static int probe(const std::vector<Onset> &onsets, double rate, const char *callsPath)
{
    std::vector<double> calls;
    std::ifstream in(callsPath);
    std::string word;
    double t;
    while (in >> word)
        if (word == "call" && in >> t)
            calls.push_back(t);
    if (calls.empty() || onsets.empty()) {
        printf("  probe: %zu calls, %zu clicks recorded\n", calls.size(), onsets.size());
        return 1;
    }
    std::vector<double> at, when;
    size_t next = 0;
    int missing = 0;
    for (size_t k = 0; k < calls.size(); k++) {
        double expected = onsets[0].frame + (calls[k] - calls[0]) * rate;
        while (next + 1 < onsets.size() &&
               fabs(onsets[next + 1].frame - expected) < fabs(onsets[next].frame - expected))
            next++;
        if (fabs(onsets[next].frame - expected) > 0.1 * rate) {
            missing++;
            continue;
        }
        at.push_back(onsets[next].frame / rate);
        when.push_back(calls[k]);
    }
    // Each interval between two calls against the same interval in the recording. The
    // output's clock and the caller's differ by some ppm: the median ratio takes that out.
    std::vector<double> ratio, error, steady;
    for (size_t k = 1; k < at.size(); k++)
        ratio.push_back((at[k] - at[k - 1]) / (when[k] - when[k - 1]) - 1);
    double ppm = median(ratio);
    int stalls = 0;
    for (size_t k = 1; k < at.size(); k++) {
        double e = ((at[k] - at[k - 1]) - (1 + ppm) * (when[k] - when[k - 1])) * 1000;
        if (getenv("ANALYZE_DEBUG"))
            printf("    call %.4f interval error %+.3f ms\n", when[k], e);
        error.push_back(fabs(e));
        if (fabs(e) > 2)
            stalls++;
        else
            steady.push_back(e);
    }
    std::vector<double> steadyAbs;
    for (double e : steady)
        steadyAbs.push_back(fabs(e));
    printf("  probe: %zu calls at irregular times, %d without a click; output clock %+.0f ppm "
           "against the caller's (taken out below)\n",
           calls.size(), missing, ppm * 1e6);
    printf("  probe: engine-added error on the interval between two calls: median %.3f ms, "
           "sd %.3f ms, p99 %.3f ms, max %.3f ms\n",
           median(steadyAbs), sdOf(steady), percentile(steadyAbs, 0.99), percentile(steadyAbs, 1.0));
    printf("  probe: %d of %zu intervals off by over 2 ms (Wine audio stalls, left out above)\n",
           stalls, error.size());
    return 0;
}

// A beat that the recording lacks (a click broken by a Wine audio stall, or hidden under the
// other signal's) leaves an interval of two or more periods: it counts as that many.
static int tempo(const std::vector<Onset> &onsets, double rate, int nominal, double intervalMs)
{
    if (onsets.size() < 3) {
        printf("  %zu beats recorded\n", onsets.size());
        return 1;
    }
    std::vector<double> single, deviation, steady, steadyDeviation, beat(1, 0.0);
    int periods = 0, missing = 0, stalls = 0;
    for (size_t i = 1; i < onsets.size(); i++) {
        double ms = (onsets[i].frame - onsets[i - 1].frame) * 1000.0 / rate;
        int m = (int)(ms / intervalMs + 0.5);
        if (getenv("ANALYZE_DEBUG"))
            printf("    beat at %.4f s, interval %.3f ms, correlation %.3f\n",
                   onsets[i].frame / rate, ms, onsets[i].correlation);
        if (m < 1)
            m = 1;
        periods += m;
        beat.push_back(periods);
        missing += m - 1;
        if (m == 1)
            single.push_back(ms);
    }
    // The mean period is the median slope between beats half the run apart: a stall that
    // shifts the first or the last beat does not bend it.
    double span = (onsets.back().frame - onsets.front().frame) * 1000.0 / rate;
    std::vector<double> slopes;
    size_t half = onsets.size() / 2;
    for (size_t k = half; k < onsets.size(); k++)
        slopes.push_back((onsets[k].frame - onsets[k - half].frame) * 1000.0 / rate /
                         (beat[k] - beat[k - half]));
    double mean = median(slopes);
    for (double ms : single) {
        deviation.push_back(fabs(ms - mean));
        if (fabs(ms - intervalMs) > 5) {
            stalls++;
        } else {
            steady.push_back(ms);
            steadyDeviation.push_back(fabs(ms - mean));
        }
    }
    double drift = (mean - intervalMs) * periods;
    double inFrames = mean * rate / nominal;
    printf("  beats %zu (%d missing), mean interval %.4f ms against intervalMs %g (%+.4f %%), "
           "drift %+.2f ms over %.1f s;\n  in the sink's own frames (its clock, not real time) "
           "the mean interval is %.4f ms (%+.4f %%)\n",
           onsets.size(), missing, mean, intervalMs, (mean - intervalMs) / intervalMs * 100,
           drift, span / 1000, inFrames, (inFrames - intervalMs) / intervalMs * 100);
    printf("  jitter: sd %.3f ms, p99 %.3f ms; %d interval(s) off by over 5 ms (Wine audio "
           "stalls); without them sd %.3f ms, p99 %.3f ms\n",
           sdOf(single), percentile(deviation, 0.99), stalls, sdOf(steady),
           percentile(steadyDeviation, 0.99));
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 7)
        return 2;
    // The recording's nominal rate for the click; its measured rate for times.
    int nominal = atoi(argv[3]);
    double rate = atof(argv[4]);
    std::vector<float> click =
        strcmp(argv[5], "-") == 0 ? firstClick(argv[2], nominal) : loadClick(argv[5], nominal);
    if (click.empty()) {
        printf("  cannot read the click %s\n", argv[4]);
        return 1;
    }
    std::vector<Onset> onsets = onsetsOf(argv[2], click);
    if (strcmp(argv[1], "probe") == 0)
        return probe(onsets, rate, argv[6]);
    return tempo(onsets, rate, nominal, atof(argv[6]));
}
