#include <windows.h>
#include <stdio.h>
#include <set>
#include <sstream>
#include "sound_recorder.h"

std::vector<SoundCall> soundLog;
static std::set<FSOUND_SAMPLE *> freedHandles;
static intptr_t nextHandle = 0x1000;

void resetSoundLog(void)
{
    soundLog.clear();
}

std::vector<SoundCall> soundCalls(const char *name)
{
    std::vector<SoundCall> calls;
    for (const SoundCall &call : soundLog)
        if (call.name == name)
            calls.push_back(call);
    return calls;
}

std::string describeSoundLog(void)
{
    std::ostringstream text;
    for (const SoundCall &c : soundLog)
        text << "  " << c.name << " channel=" << c.channel << " value=" << c.value << " path=\"" << c.path
             << "\" handle=" << c.handle << (c.freed ? " (freed)" : "") << "\n";
    return text.str();
}

static void record(const char *name, int channel, int value, const char *path, FSOUND_SAMPLE *handle,
                   int offset = 0, int length = 0)
{
    soundLog.push_back({name, channel, value, offset, length, path ? path : "", handle, freedHandles.count(handle) > 0});
}

signed char FSOUND_API FSOUND_Init(int mixRate, int maxChannels, unsigned int flags)
{
    record("Init", maxChannels, mixRate, NULL, NULL, (int)flags);
    return 1;
}

// Like the engine, a file that is not there gives no sample.
FSOUND_SAMPLE *FSOUND_API FSOUND_Sample_Load(int index, const char *path, unsigned int mode, int offset,
                                             int length)
{
    FSOUND_SAMPLE *handle = NULL;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        handle = (FSOUND_SAMPLE *)(nextHandle += 0x10);
    record("Load", index, (int)mode, path, handle, offset, length);
    return handle;
}

int FSOUND_API FSOUND_PlaySound(int channel, FSOUND_SAMPLE *sample)
{
    record("Play", channel, 0, NULL, sample);
    return channel;
}

signed char FSOUND_API FSOUND_SetVolume(int channel, int volume)
{
    record("Volume", channel, volume, NULL, NULL);
    return 1;
}

void FSOUND_API FSOUND_Sample_Free(FSOUND_SAMPLE *sample)
{
    record("Free", 0, 0, NULL, sample);
    if (sample)
        freedHandles.insert(sample);
}

// Said on the error output too, where a test of the close sees it in a child process.
void FSOUND_API FSOUND_Close(void)
{
    fprintf(stderr, "sound engine closed\n");
    record("Close", 0, 0, NULL, NULL);
}
