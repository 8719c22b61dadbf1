// A stand-in for the sound engine that records every call, in order.
#ifndef PULSOREL_SOUND_RECORDER_H
#define PULSOREL_SOUND_RECORDER_H

#include <string>
#include <vector>
#include "../../src/sound/fsound.h"

struct SoundCall {
    std::string name;       // "Init", "Load", "Play", "Volume", "Free", "Close"
    int channel;            // Play, Volume; Load: the index; Init: channels
    int value;              // Init: mix rate; Volume: volume; Load: mode
    int offset, length;     // Load; Init: offset holds the flags
    std::string path;       // Load
    FSOUND_SAMPLE *handle;  // Load (result), Play, Free
    bool freed;             // Play: the handle had been freed before
};

extern std::vector<SoundCall> soundLog;

void resetSoundLog(void);
// Calls of one name, in order.
std::vector<SoundCall> soundCalls(const char *name);
// The whole log, one call a line, for failure messages.
std::string describeSoundLog(void);

#endif
