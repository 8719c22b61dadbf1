// The six calls the metronome makes into its sound engine.
#ifndef PULSOREL_FSOUND_H
#define PULSOREL_FSOUND_H

#define FSOUND_FREE   (-1)    // Sample_Load: pick a free sample slot
#define FSOUND_ALL    (-3)    // SetVolume: every channel
#define FSOUND_NORMAL 0x130   // Sample_Load mode: 16-bit, signed, mono

#ifdef _WIN32
#define FSOUND_API __stdcall
#else
#define FSOUND_API
#endif

typedef struct FSOUND_SAMPLE FSOUND_SAMPLE;

extern "C" {
// Opens the output; nonzero on success. Failure leaves every other call harmless.
signed char FSOUND_API FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
// Reads a WAV file; null when it cannot be read.
FSOUND_SAMPLE *FSOUND_API FSOUND_Sample_Load(int index, const char *path, unsigned int mode,
                                             int offset, int length);
// Starts the sample from its beginning on the channel; returns the channel, or -1.
int FSOUND_API FSOUND_PlaySound(int channel, FSOUND_SAMPLE *sample);
// Volume 0 (silent) to 255 (full); FSOUND_ALL sets every channel.
signed char FSOUND_API FSOUND_SetVolume(int channel, int volume);
// Accepts null, and a sample that is still sounding.
void FSOUND_API FSOUND_Sample_Free(FSOUND_SAMPLE *sample);
// Accepted without FSOUND_Init, and more than once.
void FSOUND_API FSOUND_Close(void);
}

#endif
