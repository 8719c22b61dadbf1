// The WAV reader and the conversion to the mixer's format. Plain C++: built natively too.
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include "core.h"

static unsigned le16(const unsigned char *p)
{
    return p[0] | p[1] << 8;
}

static uint32_t le32(const unsigned char *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

// WAVE_FORMAT_EXTENSIBLE names the format by a GUID whose first two bytes are the plain
// format tag and whose remaining bytes are always these.
static const unsigned char guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

static bool readFormat(const unsigned char *p, uint32_t size, WavFormat *wav)
{
    if (size < 16)
        return false;
    unsigned tag = le16(p);
    if (tag == 0xFFFE) {
        if (size < 40 || le16(p + 16) < 22 || memcmp(p + 26, guidTail, sizeof guidTail) != 0)
            return false;
        tag = le16(p + 24);
    }
    wav->channels = (int)le16(p + 2);
    uint32_t rate = le32(p + 4);
    wav->bits = (int)le16(p + 14);
    wav->isFloat = tag == 3;
    if (tag == 1) {
        if (wav->bits != 8 && wav->bits != 16 && wav->bits != 24 && wav->bits != 32)
            return false;
    } else if (tag == 3) {
        if (wav->bits != 32 && wav->bits != 64)
            return false;
    } else {
        return false;  // compressed formats are not ours to decode
    }
    if (wav->channels < 1 || wav->channels > 2 || rate < WAV_MIN_RATE || rate > WAV_MAX_RATE)
        return false;
    wav->rate = (int)rate;
    return true;
}

bool readWav(const unsigned char *bytes, size_t size, WavFormat *wav)
{
    // The RIFF size is often wrong in real files: the chunks themselves are trusted instead.
    if (size < 12 || memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    const unsigned char *data = NULL;
    uint32_t dataSize = 0;
    size_t pos = 12;
    while (size - pos >= 8) {
        const unsigned char *id = bytes + pos;
        uint32_t chunkSize = le32(bytes + pos + 4);
        size_t body = pos + 8;
        size_t left = size - body;
        if (memcmp(id, "fmt ", 4) == 0 && !haveFormat) {
            if (chunkSize > left || !readFormat(bytes + body, chunkSize, wav))
                return false;
            haveFormat = true;
        } else if (memcmp(id, "data", 4) == 0 && !data) {
            if (chunkSize > left)
                return false;  // truncated
            data = bytes + body;
            dataSize = chunkSize;
        }
        // Chunks are padded to even sizes; a missing last pad byte or a broken chunk
        // after the ones we need ends the walk.
        if (chunkSize >= left || left - chunkSize <= (chunkSize & 1))
            break;
        pos = body + chunkSize + (chunkSize & 1);
    }
    if (!haveFormat || !data)
        return false;
    size_t frameBytes = (size_t)wav->channels * (size_t)(wav->bits / 8);
    wav->data = data;
    wav->frames = dataSize / frameBytes;
    return wav->frames > 0;
}

// One sample of the file as a float, out-of-range and non-finite values tamed.
static float sampleAt(const WavFormat *wav, size_t frame, int channel)
{
    int bytes = wav->bits / 8;
    const unsigned char *p = wav->data + (frame * wav->channels + channel) * bytes;
    double v;
    if (wav->isFloat) {
        if (bytes == 4) {
            uint32_t u = le32(p);
            float f;
            memcpy(&f, &u, 4);
            v = f;
        } else {
            uint64_t u = le32(p) | (uint64_t)le32(p + 4) << 32;
            memcpy(&v, &u, 8);
        }
        if (!isfinite(v))
            v = 0;
        v = v > 1 ? 1 : v < -1 ? -1 : v;
    } else if (bytes == 1) {
        v = (p[0] - 128) / 128.0;
    } else if (bytes == 2) {
        long s = (long)le16(p);
        v = (s >= 0x8000 ? s - 0x10000 : s) / 32768.0;
    } else if (bytes == 3) {
        long s = (long)(p[0] | p[1] << 8 | p[2] << 16);
        v = (s >= 0x800000 ? s - 0x1000000 : s) / 8388608.0;
    } else {
        int64_t s = le32(p);
        v = (double)(s >= 0x80000000LL ? s - 0x100000000LL : s) / 2147483648.0;
    }
    return (float)v;
}

// Resampling: a Hann-windowed sinc over TAPS frames each side, its cutoff below the lower of
// the two rates, read from a table of PHASES steps between two frames.
#define TAPS 16
#define PHASES 256

static void makeKernel(float *kernel, double cutoff)
{
    const double pi = 3.14159265358979323846;
    for (int p = 0; p <= PHASES; p++) {
        for (int k = 0; k < 2 * TAPS; k++) {
            double d = (k - TAPS + 1) - (double)p / PHASES;  // tap's distance from the point
            double x = pi * cutoff * d;
            double sinc = x == 0 ? 1 : sin(x) / x;
            double window = fabs(d) >= TAPS ? 0 : 0.5 + 0.5 * cos(pi * d / TAPS);
            kernel[p * 2 * TAPS + k] = (float)(cutoff * sinc * window);
        }
    }
}

// The file's value between frame and frame + 1, at x in [0, 1); silence beyond its ends.
static float sampleBetween(const WavFormat *wav, const float *kernel, size_t frame, double x,
                           int channel)
{
    double at = x * PHASES;
    int phase = (int)at;
    double blend = at - phase;
    const float *a = kernel + phase * 2 * TAPS, *b = a + 2 * TAPS;
    double sum = 0;
    for (int k = 0; k < 2 * TAPS; k++) {
        int64_t i = (int64_t)frame + k - TAPS + 1;
        if (i >= 0 && (uint64_t)i < wav->frames)
            sum += sampleAt(wav, (size_t)i, channel) * (a[k] + blend * (b[k] - a[k]));
    }
    return (float)sum;
}

bool convertWav(const WavFormat *wav, int rate, int channels, Sound *sound)
{
    sound->samples = NULL;
    sound->frames = 0;
    sound->channels = channels;
    if (wav->frames == 0 || wav->channels < 1 || wav->channels > 2 || wav->rate < WAV_MIN_RATE ||
        wav->rate > WAV_MAX_RATE || rate < WAV_MIN_RATE || rate > WAV_MAX_RATE || channels < 1 ||
        channels > 32 || wav->frames > WAV_MAX_FILE_BYTES)
        return false;
    // Output frame j lies at source frame j * wav->rate / rate, kept exact in integers.
    uint64_t frames = wav->rate == rate
                          ? wav->frames
                          : (uint64_t)(wav->frames - 1) * (uint64_t)rate / (uint64_t)wav->rate + 1;
    if (frames * (uint64_t)channels > SOUND_MAX_SAMPLES)
        return false;
    float *out = (float *)malloc(frames * channels * sizeof(float));
    float *kernel = (float *)malloc((PHASES + 1) * 2 * TAPS * sizeof(float));
    if (!out || !kernel) {
        free(out);
        free(kernel);
        return false;
    }
    if (wav->rate != rate)
        makeKernel(kernel, wav->rate < rate ? 1.0 : (double)rate / wav->rate);
    for (uint64_t j = 0; j < frames; j++) {
        float value[2];
        for (int c = 0; c < wav->channels; c++) {
            if (wav->rate == rate) {
                value[c] = sampleAt(wav, j, c);
            } else {
                uint64_t at = j * (uint64_t)wav->rate;
                value[c] = sampleBetween(wav, kernel, at / rate, (double)(at % rate) / rate, c);
            }
        }
        float *frame = out + j * channels;
        for (int c = 0; c < channels; c++) {
            if (wav->channels == 1)
                frame[c] = value[0];
            else if (channels == 1)
                frame[c] = 0.5f * (value[0] + value[1]);
            else
                frame[c] = c < 2 ? value[c] : 0.0f;
        }
    }
    free(kernel);
    sound->samples = out;
    sound->frames = frames;
    return true;
}

void freeSound(Sound *sound)
{
    free(sound->samples);
    sound->samples = NULL;
    sound->frames = 0;
}
