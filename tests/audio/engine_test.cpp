// The real engine, playing into its own PulseAudio null sink (PULSE_SINK) while parec
// records the sink's monitor: what comes out, when, at what level.
#include <windows.h>
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <algorithm>
#include "engine.h"
#include "fsound.h"
#include "onsets.h"
#include "recorder.h"
#include "wavmaker.h"

static std::string fixtureFolder;

// The test's sound files go when the test's process ends.
static void removeFixtures(void)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((fixtureFolder + "\\*.wav").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((fixtureFolder + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(fixtureFolder.c_str());
}

static std::string writeFile(const std::string &name, const std::string &bytes)
{
    std::string unixPath;
    if (fixtureFolder.empty()) {
        fixtureFolder = testFolder(&unixPath);
        atexit(removeFixtures);
    }
    std::string path = fixtureFolder + "\\" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    return path;
}

static FSOUND_SAMPLE *loadSound(const std::string &name, const std::vector<float> &signal)
{
    WavLayout layout = {"", 1, 1, RECORD_RATE, 16, false, false, false};
    std::string path = writeFile(name, makeWav(layout, signal));
    return FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
}

static double seconds(void)
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}

// Calls at given times, as a window timer would, but on time to the microsecond.
static void waitUntil(double at)
{
    while (seconds() < at - 0.003)
        Sleep(1);
    while (seconds() < at)
        ;
}

// Both channels of the recording, averaged: the engine plays a mono sound on each.
static std::vector<float> mono(const std::string &recording)
{
    std::vector<float> left = rawChannel(recording, 2, 0), right = rawChannel(recording, 2, 1);
    for (size_t i = 0; i < left.size() && i < right.size(); i++)
        left[i] = 0.5f * (left[i] + right[i]);
    return left;
}

// For each call (seconds), the onset recorded for it, or -1: the offset between the two
// clocks is the one that pairs the most calls with an onset within the tolerance (which
// allows for a stall of Wine's audio thread shifting later clicks).
static std::vector<int> pairOnsets(const std::vector<Onset> &onsets, const std::vector<double> &calls,
                                   double tolerance)
{
    std::vector<int> best(calls.size(), -1);
    size_t bestCount = 0;
    for (size_t anchor = 0; anchor < onsets.size(); anchor++) {
        for (size_t first = 0; first < calls.size() && first < 3; first++) {
            double offset = onsets[anchor].frame / RECORD_RATE - calls[first];
            std::vector<int> pairs(calls.size(), -1);
            size_t count = 0;
            for (size_t k = 0; k < calls.size(); k++) {
                for (size_t j = 0; j < onsets.size(); j++) {
                    if (fabs(onsets[j].frame / RECORD_RATE - calls[k] - offset) < tolerance) {
                        pairs[k] = (int)j;
                        count++;
                        break;
                    }
                }
            }
            if (count > bestCount) {
                bestCount = count;
                best = pairs;
            }
        }
    }
    return best;
}

// The calls and the sounds found, for failure messages.
static std::string describe(const std::vector<Onset> &onsets, const std::vector<double> &calls)
{
    std::string text;
    char line[120];
    for (size_t k = 0; k < calls.size(); k++) {
        snprintf(line, sizeof line, "  call at %.4f s\n", calls[k] - calls[0]);
        text += line;
    }
    for (const Onset &o : onsets) {
        snprintf(line, sizeof line, "  sound at %.4f s (recording), correlation %.3f, gain %.3f\n",
                 o.frame / RECORD_RATE, o.correlation, o.gain);
        text += line;
    }
    return text;
}

// Calls go row by row, pass after pass: a stall of Wine's own audio thread now and then
// breaks a click, so each row is judged by its best recording over the passes.
static const Onset *bestOnset(const std::vector<Onset> &onsets, const std::vector<int> &pairs,
                              size_t row, size_t rows)
{
    const Onset *best = NULL;
    for (size_t k = row; k < pairs.size(); k += rows)
        if (pairs[k] >= 0 && (!best || onsets[pairs[k]].correlation > best->correlation))
            best = &onsets[pairs[k]];
    return best;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        char sink[256] = "(unset)";
        GetEnvironmentVariableA("PULSE_SINK", sink, sizeof sink);
        ASSERT_TRUE(FSOUND_Init(48000, 3, 0))
            << "no audio output: start the PulseAudio daemon and its sinks (scripts/env.sh, "
               "start_audio); PULSE_SINK="
            << sink;
        // Wine's stream plays slowly for its first second or two: the clicks wait for it.
        // The engine has no event to wait on for that, so its state is looked at.
        EngineState state;
        for (int i = 0; i < 250; i++) {
            engineState(&state);
            if (state.steadyFor > 0.3)
                break;
            Sleep(20);
        }
        ASSERT_GT(state.steadyFor, 0.3) << "the stream never settles";
        std::string why;
        ASSERT_TRUE(startRecording(&why)) << why;
        recording = true;
    }
    void TearDown() override
    {
        if (recording)
            stopRecording();
        FSOUND_Close();
    }
    std::string stop(void)
    {
        recording = false;
        return stopRecording();
    }
    bool recording = false;
};

TEST_F(Engine, PlaysAClickWithItsShapeAtTheVolume)
{
    std::vector<float> click = noiseBurst(RECORD_RATE, 0.03, 1);
    FSOUND_SAMPLE *sample = loadSound("click.wav", click);
    ASSERT_NE(nullptr, sample);
    struct { int volume; double gain; } rows[] = {{255, 1.0}, {128, 128 / 255.0}, {0, 0.0}};
    const size_t count = sizeof rows / sizeof *rows;
    std::vector<double> calls;
    double at = seconds() + 0.05;
    for (int pass = 0; pass < 2; pass++) {
        for (auto row : rows) {
            waitUntil(at);
            FSOUND_SetVolume(FSOUND_ALL, row.volume);
            calls.push_back(seconds());
            EXPECT_EQ(1, FSOUND_PlaySound(1, sample));
            at += 0.2;
        }
    }
    recordFor(0.8);
    std::vector<Onset> onsets = findOnsets(mono(stop()), click, 0.01f);
    std::vector<int> pairs = pairOnsets(onsets, calls, 0.08);
    for (size_t r = 0; r < count; r++) {
        const Onset *o = bestOnset(onsets, pairs, r, count);
        if (rows[r].volume == 0) {
            EXPECT_EQ(nullptr, o) << "volume 0 is silent\n" << describe(onsets, calls);
            continue;
        }
        ASSERT_NE(nullptr, o) << "volume " << rows[r].volume << ": no click recorded\n"
                              << describe(onsets, calls);
        EXPECT_GT(o->correlation, 0.98) << "volume " << rows[r].volume << ": shape";
        EXPECT_NEAR(rows[r].gain, o->gain, 0.02) << "volume " << rows[r].volume << ": level";
    }
    FSOUND_Sample_Free(sample);
}

TEST_F(Engine, ReproducesTheIntervalsBetweenCalls)
{
    // Irregular on purpose, none a multiple of the stream's 10 ms events.
    static const int intervals[] = {173, 251, 89, 312, 147, 403, 205, 121, 281, 134, 97, 356};
    std::vector<float> click = noiseBurst(RECORD_RATE, 0.03, 2);
    FSOUND_SAMPLE *sample = loadSound("click.wav", click);
    ASSERT_NE(nullptr, sample);
    std::vector<double> calls;
    double at = seconds() + 0.05;
    for (int i = 0; i < 25; i++) {
        waitUntil(at);
        calls.push_back(seconds());
        FSOUND_PlaySound(1 + i % 2, sample);
        at += intervals[i % 12] / 1000.0;
    }
    recordFor(0.8);
    std::vector<Onset> onsets = findOnsets(mono(stop()), click, 0.1f);
    std::vector<int> pairs = pairOnsets(onsets, calls, 0.04);

    // A stall of Wine's own audio thread shifts a few clicks now and then: the median is
    // what the engine adds.
    std::vector<double> errors;
    std::string table;
    for (size_t k = 1; k < calls.size(); k++) {
        if (pairs[k] < 0 || pairs[k - 1] < 0)
            continue;
        double heard = (onsets[pairs[k]].frame - onsets[pairs[k - 1]].frame) / RECORD_RATE;
        double error = (heard - (calls[k] - calls[k - 1])) * 1000;
        errors.push_back(fabs(error));
        char line[100];
        snprintf(line, sizeof line, "  call %2zu: interval %7.3f ms, recorded %7.3f ms\n", k,
                 (calls[k] - calls[k - 1]) * 1000, heard * 1000);
        table += line;
    }
    ASSERT_GE(errors.size(), calls.size() * 3 / 4) << "too few clicks recorded:\n" << table;
    EXPECT_LT(median(errors), 0.5) << "median error in ms over the intervals:\n" << table;
    printf("median error over %zu intervals: %.3f ms\n", errors.size(), median(errors));
    FSOUND_Sample_Free(sample);
}

TEST_F(Engine, MixesBothChannels)
{
    std::vector<float> a = noiseBurst(RECORD_RATE, 0.05, 3), b = noiseBurst(RECORD_RATE, 0.05, 4);
    FSOUND_SAMPLE *first = loadSound("a.wav", a), *second = loadSound("b.wav", b);
    ASSERT_TRUE(first && second);
    double at = seconds() + 0.05;
    for (int pass = 0; pass < 3; pass++) {
        waitUntil(at);
        FSOUND_PlaySound(1, first);
        FSOUND_PlaySound(2, second);
        at += 0.2;
    }
    recordFor(0.8);
    std::vector<float> recorded = mono(stop());
    // Each sound is found whole in the mix, at full level, from the same frame: neither cut
    // the other. One pass of the three is enough (a stall may break the others).
    std::vector<Onset> inA = findOnsets(recorded, a, 0.1f), inB = findOnsets(recorded, b, 0.1f);
    int whole = 0;
    for (const Onset &x : inA)
        for (const Onset &y : inB)
            if (fabs(x.frame - y.frame) <= 1 && fabs(x.gain - 1) < 0.05 && fabs(y.gain - 1) < 0.05)
                whole++;
    EXPECT_GE(whole, 1) << "channel 1:\n" << describe(inA, {0.0}) << "channel 2:\n"
                        << describe(inB, {0.0});
    FSOUND_Sample_Free(first);
    FSOUND_Sample_Free(second);
}

TEST_F(Engine, LoadsAndPlaysEachFormat)
{
    std::vector<WavLayout> layouts = readableLayouts();
    std::vector<FSOUND_SAMPLE *> samples;
    for (const WavLayout &layout : layouts) {
        std::string path = writeFile(std::string(layout.name) + ".wav", makeWav(layout, toneBurst(layout.rate)));
        samples.push_back(FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0));
        EXPECT_NE(nullptr, samples.back()) << layout.name;
    }
    std::vector<double> calls;
    double at = seconds() + 0.05;
    for (int pass = 0; pass < 2; pass++) {
        for (FSOUND_SAMPLE *sample : samples) {
            waitUntil(at);
            calls.push_back(seconds());
            FSOUND_PlaySound(1, sample);
            at += 0.12;
        }
    }
    recordFor(0.8);
    std::vector<float> click = toneBurst(RECORD_RATE);
    std::vector<Onset> onsets = findOnsets(mono(stop()), click, 0.05f);
    std::vector<int> pairs = pairOnsets(onsets, calls, 0.05);
    for (size_t k = 0; k < layouts.size(); k++) {
        const Onset *o = bestOnset(onsets, pairs, k, layouts.size());
        if (!samples[k])
            continue;
        ASSERT_NE(nullptr, o) << layouts[k].name << ": not heard\n" << describe(onsets, calls);
        EXPECT_GT(o->correlation, 0.98) << layouts[k].name << ": shape";
        EXPECT_NEAR(1.0, o->gain, 0.05) << layouts[k].name << ": level";
    }
    for (FSOUND_SAMPLE *sample : samples)
        FSOUND_Sample_Free(sample);
}

TEST_F(Engine, RefusesWhatItCannotRead)
{
    for (const WavBytes &file : brokenWavs()) {
        std::string path = writeFile("broken.wav", file.bytes);
        EXPECT_EQ(nullptr, FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0))
            << file.name;
    }
    EXPECT_EQ(nullptr, FSOUND_Sample_Load(FSOUND_FREE, "sons\\no such sound.wav", FSOUND_NORMAL, 0, 0));
    EXPECT_EQ(nullptr, FSOUND_Sample_Load(FSOUND_FREE, fixtureFolder.c_str(), FSOUND_NORMAL, 0, 0))
        << "a folder";
    EXPECT_EQ(nullptr, FSOUND_Sample_Load(FSOUND_FREE, NULL, FSOUND_NORMAL, 0, 0));
}

TEST_F(Engine, FreesSoundsStillPlayingAndGoesOn)
{
    std::vector<float> noise = noiseBurst(RECORD_RATE, 1.0, 5);
    WavLayout layout = {"", 1, 1, RECORD_RATE, 16, false, false, false};
    std::string path = writeFile("long.wav", makeWav(layout, noise));
    // Freed before, as and after the mixer starts it, on both channels.
    for (int i = 0; i < 60; i++) {
        FSOUND_SAMPLE *sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
        ASSERT_NE(nullptr, sample);
        FSOUND_PlaySound(1, sample);
        FSOUND_PlaySound(2, sample);
        Sleep(i % 4 * 7);
        FSOUND_Sample_Free(sample);
    }
    FSOUND_Sample_Free(NULL);
    std::vector<float> click = noiseBurst(RECORD_RATE, 0.03, 6);
    FSOUND_SAMPLE *sample = loadSound("click.wav", click);
    ASSERT_NE(nullptr, sample);
    recordFor(0.2);  // past the freed sounds' last frames
    for (int pass = 0; pass < 3; pass++) {
        FSOUND_PlaySound(1, sample);
        Sleep(100);
    }
    recordFor(0.8);
    std::vector<Onset> onsets = findOnsets(mono(stop()), click, 0.1f);
    bool heard = false;
    for (const Onset &o : onsets)
        heard = heard || o.correlation > 0.98;
    EXPECT_TRUE(heard) << "the engine still plays after freeing sounds that played";
    FSOUND_Sample_Free(sample);
}

// Each test runs in its own process, so "before FSOUND_Init" is true here.
TEST(EngineLifecycle, CallsBeforeInitAndAfterCloseAreHarmless)
{
    FSOUND_Close();
    FSOUND_Sample_Free(NULL);
    EXPECT_EQ(-1, FSOUND_PlaySound(1, NULL));
    FSOUND_SetVolume(FSOUND_ALL, 200);
    WavLayout layout = {"", 1, 1, 44100, 16, false, false, false};
    std::string path = writeFile("click.wav", makeWav(layout, toneBurst(44100)));
    EXPECT_EQ(nullptr, FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0))
        << "nothing to convert for before the output is open";

    ASSERT_TRUE(FSOUND_Init(48000, 3, 0));
    FSOUND_SAMPLE *sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
    ASSERT_NE(nullptr, sample);
    EXPECT_EQ(2, FSOUND_PlaySound(2, sample));
    EXPECT_EQ(0, FSOUND_PlaySound(FSOUND_FREE, sample)) << "the first free channel";
    EXPECT_EQ(-1, FSOUND_PlaySound(3, sample)) << "channel past the three asked for";
    FSOUND_Close();
    FSOUND_Close();
    EXPECT_EQ(-1, FSOUND_PlaySound(1, sample));
    FSOUND_SetVolume(FSOUND_ALL, 10);
    FSOUND_Sample_Free(sample);

    ASSERT_TRUE(FSOUND_Init(48000, 3, 0)) << "opens again after a close";
    sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
    EXPECT_EQ(1, FSOUND_PlaySound(1, sample));
    FSOUND_Sample_Free(sample);
    FSOUND_Close();
}

// Run by the next test in a child process whose audio server is nowhere.
TEST(EngineLifecycle, NoAudioServerChild)
{
    char child[8];
    if (!GetEnvironmentVariableA("PULSOREL_NO_SERVER_CHILD", child, sizeof child))
        GTEST_SKIP() << "run as a child of NoAudioServerRunsSilently";
    EXPECT_FALSE(FSOUND_Init(48000, 3, 0));
    WavLayout layout = {"", 1, 1, 44100, 16, false, false, false};
    std::string path = writeFile("click.wav", makeWav(layout, toneBurst(44100)));
    FSOUND_SAMPLE *sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
    EXPECT_EQ(nullptr, sample);
    EXPECT_EQ(-1, FSOUND_PlaySound(1, sample));
    FSOUND_SetVolume(FSOUND_ALL, 255);
    FSOUND_Sample_Free(sample);
    FSOUND_Close();
    FSOUND_Close();
}

TEST(EngineLifecycle, NoAudioServerRunsSilently)
{
    // The audio server is chosen from the Unix environment, which a child started by Wine
    // takes from Wine itself: the child is started through the shell.
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    ASSERT_TRUE(self[0] == 'Z' && self[1] == ':') << self << " is not on Wine's drive Z:";
    std::string exe = self + 2;
    for (char &c : exe)
        if (c == '\\')
            c = '/';
    std::string unixFolder, folder = testFolder(&unixFolder);
    ASSERT_TRUE(runShell("cd " + unixFolder +
                         " && PULSE_SERVER=unix:/nonexistent/pulse/native PULSOREL_NO_SERVER_CHILD=1"
                         " wine '" + exe + "' --gtest_filter=EngineLifecycle.NoAudioServerChild"
                         " > out.txt 2>&1; echo $? > code.tmp; mv code.tmp code"));
    ASSERT_TRUE(waitForFile(folder, "code", 60000)) << "the child hangs";
    std::string code = readWholeFile(folder + "\\code"), out = readWholeFile(folder + "\\out.txt");
    EXPECT_EQ("0\n", code) << "the child failed or crashed:\n" << out;
    EXPECT_NE(std::string::npos, out.find("[  PASSED  ] 1 test")) << out;
    DeleteFileA((folder + "\\code").c_str());
    DeleteFileA((folder + "\\out.txt").c_str());
    RemoveDirectoryA(folder.c_str());
}
