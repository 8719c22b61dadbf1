// The six calls: one WASAPI shared-mode stream, opened by FSOUND_Init and fed by our own
// mixer thread, silence between sounds, until FSOUND_Close.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <audioclient.h>
#include <mmdeviceapi.h>
#include <mmreg.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include "core.h"
#include "engine.h"
#include "fsound.h"

struct FSOUND_SAMPLE {
    Sound sound;
};

#define MAX_CHANNELS 32
#define MAX_REQUESTS 32
// Wine takes one period of audio at each event and times its events to follow the audio
// server's clock, so each event's estimate of the stream clock scatters by a millisecond or
// two around the truth: the median over this many events (about 320 ms) follows it closely.
#define CLOCK_EVENTS 32
#define RESTART_EVENTS 6
#define RESTART_LATENESS 0.002
// Added to each call's time: above the scatter, so that a call lands ahead of the frames
// already written.
#define START_MARGIN 0.005
#define STALL_GAP 0.025
#define CLOCK_MOVE 0.0005

// A call to FSOUND_PlaySound waiting for the mixer to give it a frame.
struct Request {
    int channel;
    const Sound *sound;
    double time;  // seconds since FSOUND_Init
};

// Everything below is shared by the caller's thread and the mixer thread, under this lock.
// A critical section set up before main: no call can come before it, and it needs nothing
// newer than the oldest 32-bit Windows (where FSOUND_Init then fails and all stays silent).
static CRITICAL_SECTION lock;
[[maybe_unused]] static bool lockReady = (InitializeCriticalSection(&lock), true);
static int running;
static int outRate, outChannels, bufferFrames;
static MixChannel channels[MAX_CHANNELS];
static int channelCount;
static Request requests[MAX_REQUESTS];
static int requestCount;
static double clockOrigin;  // seconds after FSOUND_Init: when frame 0 was written, as estimated
static double streamLatency;
static long long eventCount;
static int stallCount;
static double longestGap;
static double lastClockMove;

// Owned by FSOUND_Init and FSOUND_Close.
static HANDLE mixerThread, stopEvent, readyEvent;
static LARGE_INTEGER qpcFrequency, qpcStart;

static double now(void)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)(t.QuadPart - qpcStart.QuadPart) / (double)qpcFrequency.QuadPart;
}

static bool isFloatFormat(const WAVEFORMATEX *format)
{
    if (format->wBitsPerSample != 32)
        return false;
    if (format->wFormatTag == WAVE_FORMAT_IEEE_FLOAT)
        return true;
    // The extensible subformats all share one GUID tail: its first field names the format.
    return format->wFormatTag == WAVE_FORMAT_EXTENSIBLE && format->cbSize >= 22 &&
           ((const WAVEFORMATEXTENSIBLE *)format)->SubFormat.Data1 == WAVE_FORMAT_IEEE_FLOAT;
}

// Gives each waiting call its frame: its time plus the margin, on the stream clock; a call
// too late for that starts with the next frame written.
static void placeRequests(int64_t nextFrame)
{
    for (int i = 0; i < requestCount; i++) {
        const Request *r = &requests[i];
        int64_t frame = (int64_t)((r->time + START_MARGIN - clockOrigin) * outRate + 0.5);
        scheduleStart(&channels[r->channel], r->sound, frame > nextFrame ? frame : nextFrame);
    }
    requestCount = 0;
}

static double medianOf(const double *values, int count)
{
    double sorted[CLOCK_EVENTS];
    memcpy(sorted, values, sizeof(double) * count);
    std::sort(sorted, sorted + count);
    return count % 2 ? sorted[count / 2] : 0.5 * (sorted[count / 2 - 1] + sorted[count / 2]);
}

static void playStream(IAudioClient *client, IAudioRenderClient *render, HANDLE bufferEvent)
{
    double origins[CLOCK_EVENTS];
    int originCount = 0, lateEvents = 0;
    int64_t written = bufferFrames;  // the silence written before the start
    double lastEvent = now();
    HANDLE waits[2] = {stopEvent, bufferEvent};
    for (;;) {
        DWORD woke = WaitForMultipleObjects(2, waits, FALSE, 2000);
        if (woke == WAIT_OBJECT_0)
            break;
        double eventTime = now();
        UINT32 padding;
        if (FAILED(client->GetCurrentPadding(&padding)))
            break;  // the device is gone: the calls go on, silent
        UINT32 frames = (UINT32)bufferFrames - padding;
        BYTE *data;
        if (frames == 0 || FAILED(render->GetBuffer(frames, &data)))
            continue;
        EnterCriticalSection(&lock);
        double gap = eventTime - lastEvent;
        lastEvent = eventTime;
        eventCount++;
        if (gap > longestGap && eventCount > 1)
            longestGap = gap;
        if (gap > STALL_GAP)
            stallCount++;
        // A full buffer after this write: its last frame was written "now".
        double origin = eventTime - (double)(written + frames) / outRate;
        origins[originCount++ % CLOCK_EVENTS] = origin;
        if (originCount == 2 * CLOCK_EVENTS)
            originCount = CLOCK_EVENTS;  // the same slots, and no overflow in a long run
        // After a stall the stream plays later for good: when several events in a row say
        // so, the estimate starts again from them rather than waiting for the median to turn.
        lateEvents = originCount > 1 && origin > clockOrigin + RESTART_LATENESS ? lateEvents + 1 : 0;
        if (lateEvents == RESTART_EVENTS) {
            double latest[RESTART_EVENTS];
            for (int i = 0; i < RESTART_EVENTS; i++)
                latest[i] = origins[(originCount - RESTART_EVENTS + i) % CLOCK_EVENTS];
            memcpy(origins, latest, sizeof latest);
            originCount = RESTART_EVENTS;
            lateEvents = 0;
        }
        double previous = clockOrigin;
        clockOrigin = medianOf(origins, originCount < CLOCK_EVENTS ? originCount : CLOCK_EVENTS);
        if (fabs(clockOrigin - previous) > CLOCK_MOVE)
            lastClockMove = eventTime;
        placeRequests(written);
        mixChannels(channels, channelCount, (float *)data, (int)frames, outChannels, written);
        LeaveCriticalSection(&lock);
        render->ReleaseBuffer(frames, 0);
        written += frames;
    }
}

// The multimedia scheduling class, where Windows has it: looked up, so that the program
// still starts where avrt.dll is missing.
typedef HANDLE(WINAPI *AvSetFunction)(LPCWSTR, LPDWORD);
typedef BOOL(WINAPI *AvRevertFunction)(HANDLE);

static DWORD WINAPI mixerMain(void *)
{
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    HMODULE avrt = LoadLibraryA("avrt.dll");
    AvSetFunction avSet =
        avrt ? (AvSetFunction)(void *)GetProcAddress(avrt, "AvSetMmThreadCharacteristicsW") : NULL;
    AvRevertFunction avRevert =
        avrt ? (AvRevertFunction)(void *)GetProcAddress(avrt, "AvRevertMmThreadCharacteristics")
             : NULL;
    DWORD task = 0;
    HANDLE scheduling = avSet ? avSet(L"Pro Audio", &task) : NULL;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

    IMMDeviceEnumerator *enumerator = NULL;
    IMMDevice *device = NULL;
    IAudioClient *client = NULL;
    IAudioRenderClient *render = NULL;
    WAVEFORMATEX *format = NULL;
    HANDLE bufferEvent = CreateEventW(NULL, FALSE, FALSE, NULL);
    UINT32 size = 0;
    BYTE *data;
    bool opened =
        bufferEvent &&
        SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), NULL, CLSCTX_ALL,
                                   __uuidof(IMMDeviceEnumerator), (void **)&enumerator)) &&
        SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device)) &&
        SUCCEEDED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, NULL, (void **)&client)) &&
        SUCCEEDED(client->GetMixFormat(&format)) && isFloatFormat(format) &&
        SUCCEEDED(client->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_EVENTCALLBACK,
                                     0, 0, format, NULL)) &&
        SUCCEEDED(client->SetEventHandle(bufferEvent)) &&
        SUCCEEDED(client->GetBufferSize(&size)) &&
        SUCCEEDED(client->GetService(__uuidof(IAudioRenderClient), (void **)&render)) &&
        SUCCEEDED(render->GetBuffer(size, &data)) &&
        SUCCEEDED(render->ReleaseBuffer(size, AUDCLNT_BUFFERFLAGS_SILENT)) &&
        SUCCEEDED(client->Start());
    if (opened) {
        REFERENCE_TIME latency = 0;
        client->GetStreamLatency(&latency);
        EnterCriticalSection(&lock);
        outRate = (int)format->nSamplesPerSec;
        outChannels = format->nChannels;
        bufferFrames = (int)size;
        streamLatency = latency / 1e7;
        running = 1;
        LeaveCriticalSection(&lock);
    }
    // FSOUND_Init returns once the stream plays, or has failed.
    SetEvent(readyEvent);
    if (opened) {
        playStream(client, render, bufferEvent);
        client->Stop();
    }
    EnterCriticalSection(&lock);
    running = 0;
    LeaveCriticalSection(&lock);

    if (render)
        render->Release();
    if (client)
        client->Release();
    if (device)
        device->Release();
    if (enumerator)
        enumerator->Release();
    CoTaskMemFree(format);
    if (bufferEvent)
        CloseHandle(bufferEvent);
    if (scheduling && avRevert)
        avRevert(scheduling);
    if (avrt)
        FreeLibrary(avrt);
    CoUninitialize();
    return 0;
}

signed char FSOUND_API FSOUND_Init(int, int maxChannels, unsigned int)
{
    if (mixerThread)
        return (signed char)running;
    QueryPerformanceFrequency(&qpcFrequency);
    QueryPerformanceCounter(&qpcStart);
    EnterCriticalSection(&lock);
    channelCount = maxChannels < 1 ? 1 : maxChannels > MAX_CHANNELS ? MAX_CHANNELS : maxChannels;
    for (int i = 0; i < MAX_CHANNELS; i++)
        channels[i] = MixChannel{NULL, 0, 1.0f, {}, 0};
    requestCount = 0;
    eventCount = 0;
    stallCount = 0;
    longestGap = 0;
    clockOrigin = 0;
    lastClockMove = 0;
    LeaveCriticalSection(&lock);

    stopEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    readyEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (stopEvent && readyEvent)
        mixerThread = CreateThread(NULL, 0, mixerMain, NULL, 0, NULL);
    if (mixerThread) {
        WaitForSingleObject(readyEvent, INFINITE);
        if (running)
            return 1;
    }
    FSOUND_Close();
    return 0;
}

void FSOUND_API FSOUND_Close(void)
{
    if (mixerThread) {
        SetEvent(stopEvent);
        WaitForSingleObject(mixerThread, INFINITE);
        CloseHandle(mixerThread);
        mixerThread = NULL;
    }
    if (stopEvent)
        CloseHandle(stopEvent);
    if (readyEvent)
        CloseHandle(readyEvent);
    stopEvent = readyEvent = NULL;
    // The samples stay the caller's: each one can still be freed.
    EnterCriticalSection(&lock);
    for (int i = 0; i < MAX_CHANNELS; i++) {
        channels[i].sound = NULL;
        channels[i].startCount = 0;
    }
    requestCount = 0;
    LeaveCriticalSection(&lock);
}

// The whole file is read at once, and only when its size is within the bound.
static unsigned char *readFile(const char *path, size_t *size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    LARGE_INTEGER length;
    unsigned char *bytes = NULL;
    DWORD got = 0;
    if (GetFileSizeEx(file, &length) && length.QuadPart > 0 &&
        length.QuadPart <= WAV_MAX_FILE_BYTES) {
        bytes = (unsigned char *)malloc((size_t)length.QuadPart);
        if (bytes && (!ReadFile(file, bytes, (DWORD)length.QuadPart, &got, NULL) ||
                      got != (DWORD)length.QuadPart)) {
            free(bytes);
            bytes = NULL;
        }
    }
    CloseHandle(file);
    *size = got;
    return bytes;
}

FSOUND_SAMPLE *FSOUND_API FSOUND_Sample_Load(int, const char *path, unsigned int, int, int)
{
    EnterCriticalSection(&lock);
    int rate = running ? outRate : 0, count = outChannels;
    LeaveCriticalSection(&lock);
    if (!rate || !path)
        return NULL;
    size_t size;
    unsigned char *bytes = readFile(path, &size);
    if (!bytes)
        return NULL;
    WavFormat wav;
    FSOUND_SAMPLE *sample = (FSOUND_SAMPLE *)malloc(sizeof(FSOUND_SAMPLE));
    if (sample && !(readWav(bytes, size, &wav) && convertWav(&wav, rate, count, &sample->sound))) {
        free(sample);
        sample = NULL;
    }
    free(bytes);
    return sample;
}

int FSOUND_API FSOUND_PlaySound(int channel, FSOUND_SAMPLE *sample)
{
    double time = now();
    if (!sample)
        return -1;
    EnterCriticalSection(&lock);
    if (channel == FSOUND_FREE) {
        for (channel = 0; channel < channelCount; channel++) {
            bool asked = false;
            for (int i = 0; i < requestCount; i++)
                asked = asked || requests[i].channel == channel;
            if (!asked && !channels[channel].sound && channels[channel].startCount == 0)
                break;
        }
    }
    if (!running || channel < 0 || channel >= channelCount || requestCount == MAX_REQUESTS)
        channel = -1;
    else
        requests[requestCount++] = Request{channel, &sample->sound, time};
    LeaveCriticalSection(&lock);
    return channel;
}

signed char FSOUND_API FSOUND_SetVolume(int channel, int volume)
{
    float gain = (volume < 0 ? 0 : volume > 255 ? 255 : volume) / 255.0f;
    signed char done = 0;
    EnterCriticalSection(&lock);
    for (int i = 0; i < channelCount; i++) {
        if (channel == FSOUND_ALL || channel == i) {
            channels[i].gain = gain;
            done = 1;
        }
    }
    LeaveCriticalSection(&lock);
    return done;
}

void FSOUND_API FSOUND_Sample_Free(FSOUND_SAMPLE *sample)
{
    if (!sample)
        return;
    // Once the lock is ours the mixer is between two buffers, and after this it no longer
    // knows the sample.
    EnterCriticalSection(&lock);
    forgetSound(channels, MAX_CHANNELS, &sample->sound);
    int kept = 0;
    for (int i = 0; i < requestCount; i++)
        if (requests[i].sound != &sample->sound)
            requests[kept++] = requests[i];
    requestCount = kept;
    LeaveCriticalSection(&lock);
    freeSound(&sample->sound);
    free(sample);
}

void engineState(EngineState *state)
{
    EnterCriticalSection(&lock);
    state->running = running;
    state->rate = outRate;
    state->channels = outChannels;
    state->bufferFrames = bufferFrames;
    state->latency = START_MARGIN + (outRate ? (double)bufferFrames / outRate : 0);
    state->serverLatency = streamLatency;
    state->events = eventCount;
    state->stalls = stallCount;
    state->longestGap = longestGap;
    state->clockOrigin = clockOrigin;
    state->steadyFor = running ? now() - lastClockMove : 0;
    LeaveCriticalSection(&lock);
}
