// The engine's portable core: WAV reading, conversion and mixing, on data made here.
#include <gtest/gtest.h>
#include <math.h>
#include "core.h"
#include "wavmaker.h"

static bool read(const std::string &bytes, WavFormat *wav)
{
    return readWav((const unsigned char *)bytes.data(), bytes.size(), wav);
}

TEST(WavReader, ReadsEachLayout)
{
    std::vector<float> signal = toneBurst(8000);
    for (const WavLayout &layout : readableLayouts()) {
        std::string bytes = makeWav(layout, signal);
        WavFormat wav;
        ASSERT_TRUE(read(bytes, &wav)) << layout.name;
        EXPECT_EQ(layout.channels, wav.channels) << layout.name;
        EXPECT_EQ(layout.rate, wav.rate) << layout.name;
        EXPECT_EQ(layout.bits, wav.bits) << layout.name;
        EXPECT_EQ(layout.tag == 3, wav.isFloat != 0) << layout.name;
        EXPECT_EQ(signal.size(), wav.frames) << layout.name;

        // At its own rate a sound comes out as it went in, to the precision of its samples.
        Sound sound;
        ASSERT_TRUE(convertWav(&wav, layout.rate, 2, &sound)) << layout.name;
        double worst = 0;
        for (size_t i = 0; i < signal.size(); i++)
            for (int c = 0; c < 2; c++)
                worst = fmax(worst, fabs(sound.samples[2 * i + c] - signal[i]));
        EXPECT_LT(worst, layout.bits == 8 ? 0.01 : 1e-4) << layout.name;
        freeSound(&sound);
    }
}

TEST(WavReader, RefusesBrokenFiles)
{
    for (const WavBytes &file : brokenWavs()) {
        WavFormat wav;
        EXPECT_FALSE(read(file.bytes, &wav)) << file.name;
    }
}

TEST(WavReader, ToleratesAMissingLastPadByte)
{
    WavLayout layout = {"odd", 1, 1, 44100, 8, false, false, false};
    std::string bytes = makeWav(layout, std::vector<float>(101, 0.25f));
    bytes.pop_back();  // the pad byte after the odd-sized data, last in the file
    WavFormat wav;
    ASSERT_TRUE(read(bytes, &wav));
    EXPECT_EQ(101u, wav.frames);
}

TEST(Converter, ResamplesToTheOutputRate)
{
    const double pi = 3.14159265358979323846;
    struct { int from, to; } rows[] = {{44100, 48000}, {48000, 44100}, {8000, 48000}, {22050, 44100}};
    for (auto row : rows) {
        std::vector<float> signal(row.from / 10);
        for (size_t i = 0; i < signal.size(); i++)
            signal[i] = (float)(0.5 * sin(2 * pi * 440 * i / row.from));
        WavLayout layout = {"", 3, 1, row.from, 32, false, false, false};
        std::string bytes = makeWav(layout, signal);
        WavFormat wav;
        Sound sound;
        ASSERT_TRUE(read(bytes, &wav));
        ASSERT_TRUE(convertWav(&wav, row.to, 1, &sound));
        size_t frames = (signal.size() - 1) * (size_t)row.to / row.from + 1;
        EXPECT_EQ(frames, sound.frames) << row.from << " to " << row.to;
        // Away from the ends, where the sine starts and stops abruptly.
        size_t edge = 20 * (size_t)row.to / row.from;
        double worst = 0;
        for (size_t j = edge; j + edge < sound.frames; j++)
            worst = fmax(worst, fabs(sound.samples[j] - 0.5 * sin(2 * pi * 440 * j / row.to)));
        EXPECT_LT(worst, 2e-3) << row.from << " to " << row.to;
        freeSound(&sound);
    }
}

TEST(Converter, MapsChannels)
{
    WavLayout stereo = {"", 1, 2, 44100, 16, false, false, false};
    std::string bytes = makeWav(stereo, std::vector<float>(10, 0.5f));
    bytes[44] = bytes[45] = 0;  // first frame: left 0, right 0.5
    WavFormat wav;
    Sound sound;
    ASSERT_TRUE(read(bytes, &wav));
    ASSERT_TRUE(convertWav(&wav, 44100, 1, &sound));
    EXPECT_NEAR(0.25, sound.samples[0], 1e-4) << "stereo to mono averages";
    freeSound(&sound);
    ASSERT_TRUE(convertWav(&wav, 44100, 4, &sound));
    EXPECT_EQ(0.0f, sound.samples[0]);
    EXPECT_NEAR(0.5, sound.samples[1], 1e-4);
    EXPECT_EQ(0.0f, sound.samples[2]) << "stereo leaves the other channels silent";
    EXPECT_EQ(0.0f, sound.samples[3]);
    freeSound(&sound);

    WavLayout mono = {"", 1, 1, 44100, 16, false, false, false};
    bytes = makeWav(mono, std::vector<float>(10, 0.5f));
    ASSERT_TRUE(read(bytes, &wav));
    ASSERT_TRUE(convertWav(&wav, 44100, 3, &sound));
    for (int c = 0; c < 3; c++)
        EXPECT_NEAR(0.5, sound.samples[c], 1e-4) << "mono on channel " << c;
    freeSound(&sound);
}

TEST(Converter, RefusesSoundsPastTheBound)
{
    // A short file can claim a low rate: converted to a high one it would grow hundreds of times.
    static unsigned char data[4096];
    WavFormat wav = {2, 1000, 16, 0, data, sizeof data / 4};
    Sound sound;
    EXPECT_TRUE(convertWav(&wav, 48000, 2, &sound));
    freeSound(&sound);
    wav.frames = SOUND_MAX_SAMPLES;  // the caller's data is never read past the check
    EXPECT_FALSE(convertWav(&wav, 48000, 2, &sound));
    EXPECT_EQ(nullptr, sound.samples);
}

// A sound of frames ones, in one channel.
static Sound ones(size_t frames)
{
    static std::vector<std::vector<float>> kept;
    kept.push_back(std::vector<float>(frames, 1.0f));
    return Sound{kept.back().data(), frames, 1};
}

// Runs the mixer over blocks of 10 frames and returns the first output channel.
static std::vector<float> mix(MixChannel *channels, int count, int blocks)
{
    std::vector<float> out, block(10);
    for (int b = 0; b < blocks; b++) {
        mixChannels(channels, count, block.data(), 10, 1, 10 * b);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

static std::string shape(const std::vector<float> &out)
{
    std::string s;
    for (float x : out)
        s += x == 0 ? '.' : x == 1 ? '1' : x < 0.5f ? 'q' : x == 0.5f ? 'h' : '#';
    return s;
}

TEST(Mixer, PlacesStartsAtTheirFrames)
{
    Sound four = ones(4), six = ones(6);
    struct {
        const char *name;
        std::vector<std::pair<int, Sound *>> starts;  // frame, sound; channel 0
        const char *expected;
    } rows[] = {
        {"inside a block", {{13, &four}}, ".............1111............."},
        {"at a block edge", {{20, &four}}, "....................1111......"},
        {"across blocks", {{8, &four}}, "........1111.................."},
        {"replay restarts", {{2, &six}, {5, &six}}, "..111111111..................."},
        {"late: at once", {{-7, &four}}, "1111.........................."},
        {"two in one block", {{1, &four}, {12, &four}}, ".1111.......1111.............."},
    };
    for (auto &row : rows) {
        MixChannel channel = {NULL, 0, 1.0f, {}, 0};
        for (auto &start : row.starts)
            ASSERT_TRUE(scheduleStart(&channel, start.second, start.first));
        EXPECT_EQ(row.expected, shape(mix(&channel, 1, 3))) << row.name;
    }
}

TEST(Mixer, AddsChannelsWithTheirGains)
{
    Sound four = ones(4), six = ones(6);
    MixChannel channels[3] = {};
    channels[0].gain = 0.5f;
    channels[1].gain = 0.5f;
    channels[2].gain = 0.0f;
    scheduleStart(&channels[0], &four, 1);
    scheduleStart(&channels[1], &six, 3);
    scheduleStart(&channels[2], &six, 0);
    EXPECT_EQ(".hh11hhhh.....................", shape(mix(channels, 3, 3)))
        << "two halves add up, gain 0 is silent";
    channels[0].gain = 1.0f;
    channels[1].gain = 1.0f;
    scheduleStart(&channels[0], &four, 30);
    scheduleStart(&channels[1], &four, 30);
    std::vector<float> out(10);
    mixChannels(channels, 3, out.data(), 10, 1, 30);
    EXPECT_EQ(1.0f, out[0]) << "the sum is held within full scale";
}

TEST(Mixer, ForgetsAFreedSound)
{
    Sound four = ones(40), six = ones(6);
    MixChannel channels[2] = {{NULL, 0, 1.0f, {}, 0}, {NULL, 0, 1.0f, {}, 0}};
    scheduleStart(&channels[0], &four, 0);
    scheduleStart(&channels[1], &six, 0);
    scheduleStart(&channels[1], &four, 15);
    scheduleStart(&channels[1], &six, 25);
    std::vector<float> out(10);
    mixChannels(channels, 2, out.data(), 10, 1, 0);
    forgetSound(channels, 2, &four);
    EXPECT_EQ(nullptr, channels[0].sound);
    EXPECT_EQ(1, channels[1].startCount);
    EXPECT_EQ(".....11111", shape(mix(channels, 2, 3)).substr(20));
}

TEST(Mixer, KeepsAFewStartsAhead)
{
    Sound four = ones(4);
    MixChannel channel = {NULL, 0, 1.0f, {}, 0};
    for (int i = 0; i < MIX_MAX_STARTS; i++)
        EXPECT_TRUE(scheduleStart(&channel, &four, 100 + i));
    EXPECT_FALSE(scheduleStart(&channel, &four, 200)) << "one more than the room";
    channel.startCount = 1;
    channel.starts[0].frame = 50;
    scheduleStart(&channel, &four, 40);
    EXPECT_EQ(50, channel.starts[1].frame) << "a start never goes before an earlier one";
}
