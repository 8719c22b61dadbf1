#include <math.h>
#include <string.h>
#include <algorithm>
#include "wavmaker.h"

static void put16(std::string &s, unsigned v)
{
    s += (char)(v & 0xff);
    s += (char)(v >> 8 & 0xff);
}

static void put32(std::string &s, unsigned long v)
{
    put16(s, (unsigned)(v & 0xffff));
    put16(s, (unsigned)(v >> 16 & 0xffff));
}

static void putChunk(std::string &s, const char *id, const std::string &body)
{
    s.append(id, 4);
    put32(s, (unsigned long)body.size());
    s += body;
    if (body.size() % 2)
        s += '\0';
}

static std::string samples(const WavLayout &layout, const std::vector<float> &signal)
{
    std::string data;
    for (float x : signal) {
        for (int c = 0; c < layout.channels; c++) {
            double v = x > 1 ? 1 : x < -1 ? -1 : x;
            if (layout.tag == 3 && layout.bits == 32) {
                float f = (float)v;
                unsigned long u;
                unsigned int w;
                memcpy(&w, &f, 4);
                u = w;
                put32(data, u);
            } else if (layout.tag == 3) {
                unsigned long long u;
                memcpy(&u, &v, 8);
                put32(data, (unsigned long)(u & 0xffffffffu));
                put32(data, (unsigned long)(u >> 32));
            } else if (layout.bits == 8) {
                data += (char)(unsigned char)lround(128 + v * 127);
            } else {
                long long full = llround(v * ((1LL << (layout.bits - 1)) - 1));
                for (int b = 0; b < layout.bits / 8; b++)
                    data += (char)((unsigned long long)full >> (8 * b) & 0xff);
            }
        }
    }
    return data;
}

std::string makeWav(const WavLayout &layout, const std::vector<float> &signal)
{
    std::string format;
    int blockAlign = layout.channels * layout.bits / 8;
    put16(format, layout.extensible ? 0xFFFE : layout.tag);
    put16(format, layout.channels);
    put32(format, layout.rate);
    put32(format, (unsigned long)layout.rate * blockAlign);
    put16(format, blockAlign);
    put16(format, layout.bits);
    if (layout.extensible) {
        static const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                               0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
        put16(format, 22);
        put16(format, layout.bits);
        put32(format, layout.channels == 1 ? 0x4 : 0x3);
        put16(format, layout.tag);
        format.append((const char *)tail, sizeof tail);
    }
    std::string body = "WAVE";
    if (layout.extraChunks) {
        putChunk(body, "LIST", std::string("INFOISFT\x05\0\0\0sox!", 17));  // odd size
        std::string fact;
        put32(fact, (unsigned long)signal.size());
        if (!layout.formatLast)
            putChunk(body, "fmt ", format);
        putChunk(body, "fact", fact);
    } else if (!layout.formatLast) {
        putChunk(body, "fmt ", format);
    }
    putChunk(body, "data", samples(layout, signal));
    if (layout.formatLast)
        putChunk(body, "fmt ", format);
    if (layout.extraChunks)
        putChunk(body, "id3 ", std::string("TAG", 3));
    std::string file = "RIFF";
    put32(file, (unsigned long)body.size());
    return file + body;
}

std::vector<WavLayout> readableLayouts(void)
{
    return {
        {"pcm16 mono 44100", 1, 1, 44100, 16, false, false, false},
        {"pcm8 mono 44100", 1, 1, 44100, 8, false, false, false},
        {"pcm24 mono 44100", 1, 1, 44100, 24, false, false, false},
        {"pcm32 mono 44100", 1, 1, 44100, 32, false, false, false},
        {"float32 mono 44100", 3, 1, 44100, 32, false, false, false},
        {"float64 mono 44100", 3, 1, 44100, 64, false, false, false},
        {"pcm16 stereo 44100", 1, 2, 44100, 16, false, false, false},
        {"pcm16 mono 48000", 1, 1, 48000, 16, false, false, false},
        {"pcm16 mono 22050", 1, 1, 22050, 16, false, false, false},
        {"pcm16 mono 8000", 1, 1, 8000, 16, false, false, false},
        {"float32 stereo 96000", 3, 2, 96000, 32, false, false, false},
        {"extensible pcm24 stereo 48000", 1, 2, 48000, 24, true, false, false},
        {"extensible float32 mono 44100", 3, 1, 44100, 32, true, false, false},
        {"LIST, fact and odd chunks", 1, 1, 44100, 16, false, true, false},
        {"format after data", 1, 1, 44100, 16, false, false, true},
    };
}

static void set16(std::string &s, size_t at, unsigned v)
{
    s[at] = (char)(v & 0xff);
    s[at + 1] = (char)(v >> 8 & 0xff);
}

static void set32(std::string &s, size_t at, unsigned long v)
{
    set16(s, at, (unsigned)(v & 0xffff));
    set16(s, at + 2, (unsigned)(v >> 16));
}

std::vector<WavBytes> brokenWavs(void)
{
    WavLayout plain = {"", 1, 1, 44100, 16, false, false, false};
    std::string good = makeWav(plain, toneBurst(44100));
    // In the plain layout: format at 12 (body at 20), data header at 36, samples from 44.
    std::vector<WavBytes> broken;
    auto add = [&](const char *name, std::string bytes) { broken.push_back({name, bytes}); };
    std::string s;
    add("empty file", "");
    add("header only", good.substr(0, 12));
    add("truncated in the data", good.substr(0, good.size() / 2));
    add("truncated in the format", good.substr(0, 30));
    s = good, s[0] = 'X', add("not RIFF", s);
    s = good, s[8] = 'X', add("not WAVE", s);
    s = good, memcpy(&s[0], "RIFX", 4), add("big-endian RIFX", s);
    s = good, set16(s, 20, 2), add("ADPCM", s);
    s = good, set16(s, 20, 0x55), add("MP3", s);
    s = good, set16(s, 22, 0), add("no channels", s);
    s = good, set16(s, 22, 3), add("three channels", s);
    s = good, set32(s, 24, 0), add("rate 0", s);
    s = good, set32(s, 24, 4000000000u), add("rate 4 GHz", s);
    s = good, set16(s, 34, 12), add("12-bit samples", s);
    s = good, set16(s, 34, 0), add("0-bit samples", s);
    s = good, set32(s, 16, 8), add("format chunk too short", s);
    s = good, set32(s, 40, 0xFFFFFFF0u), add("data size past the end", s);
    s = good, set32(s, 40, 0), add("empty data", s);
    s = good, set32(s, 40, 1), add("data shorter than a frame", s);
    s = good, memcpy(&s[36], "junk", 4), add("no data chunk", s);
    s = good, memcpy(&s[12], "junk", 4), add("no format chunk", s);
    s = good, set32(s, 16, 0xFFFFFFFFu), add("format size past the end", s);
    WavLayout ext = {"", 1, 1, 44100, 16, true, false, false};
    s = makeWav(ext, toneBurst(44100)), s[46] = 0x7f, add("extensible, unknown GUID", s);
    s = makeWav(ext, toneBurst(44100)), set16(s, 44, 2), add("extensible ADPCM", s);
    s = makeWav(ext, toneBurst(44100)), set16(s, 36, 0), add("extensible, no extension", s);
    WavLayout f16 = {"", 3, 1, 44100, 16, false, false, false};
    add("16-bit float", makeWav(f16, toneBurst(44100)));
    return broken;
}

std::vector<float> noiseBurst(int rate, double seconds, unsigned seed)
{
    std::vector<float> out((size_t)(rate * seconds));
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < out.size(); i++) {
        state = state * 1664525u + 1013904223u;
        double fade = std::min(1.0, (double)(out.size() - i) / (0.005 * rate));
        out[i] = (float)(0.5 * ((state >> 8) / 8388608.0 - 1.0) * fade);
    }
    return out;
}

std::vector<float> toneBurst(int rate)
{
    const double pi = 3.14159265358979323846, seconds = 0.04;
    std::vector<float> out((size_t)(rate * seconds));
    for (size_t i = 0; i < out.size(); i++) {
        double t = (double)i / rate;
        double window = 0.5 - 0.5 * cos(2 * pi * t / seconds);
        out[i] = (float)(window * (0.4 * sin(2 * pi * 500 * t) + 0.3 * sin(2 * pi * 1300 * t)));
    }
    return out;
}
