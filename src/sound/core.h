// The engine's portable part, free of Windows types so that it also builds (and is fuzzed)
// natively: the WAV reader, the conversion to the mixer's format, and the mixer.
#ifndef PULSOREL_SOUND_CORE_H
#define PULSOREL_SOUND_CORE_H

#include <stddef.h>
#include <stdint.h>

// Bounds that keep a hostile file from taking the machine: the file read whole, and the
// sound once converted (2^24 floats: about 3 minutes of stereo at 48 kHz).
#define WAV_MAX_FILE_BYTES (64u << 20)
#define SOUND_MAX_SAMPLES  (1u << 24)
#define WAV_MIN_RATE 1000
#define WAV_MAX_RATE 768000

// What a WAV file holds; data points into the caller's bytes.
struct WavFormat {
    int channels;               // 1 or 2
    int rate;                   // frames per second
    int bits;                   // 8, 16, 24, 32 (integer) or 32, 64 (float)
    int isFloat;
    const unsigned char *data;  // the first frame
    size_t frames;              // whole frames only
};

// A sound in the mixer's format: interleaved float at the output's rate and channel count.
struct Sound {
    float *samples;
    size_t frames;
    int channels;
};

// Finds the format and the samples of a WAV file in memory; false when it cannot be played.
bool readWav(const unsigned char *bytes, size_t size, WavFormat *wav);
// Converts once to the output's format; false (nothing allocated) past the bounds above.
bool convertWav(const WavFormat *wav, int rate, int channels, Sound *sound);
void freeSound(Sound *sound);

// A channel of the mixer: the sound it plays now, and the starts it has been given for
// frames still to come (in order). A start restarts the channel from the sound's beginning.
#define MIX_MAX_STARTS 8
struct MixStart {
    const Sound *sound;
    int64_t frame;
};
struct MixChannel {
    const Sound *sound;     // null when silent
    size_t position;        // next frame of sound
    float gain;
    MixStart starts[MIX_MAX_STARTS];
    int startCount;
};

// Plans sound to start at an output frame; a frame before an earlier start is moved to it.
bool scheduleStart(MixChannel *channel, const Sound *sound, int64_t frame);
// Forgets every use of sound, playing or planned, so that it can be freed.
void forgetSound(MixChannel *channels, int count, const Sound *sound);
// Mixes frames output frames, the first being output frame firstFrame, into out (zeroed here).
void mixChannels(MixChannel *channels, int count, float *out, int frames, int outChannels,
                 int64_t firstFrame);

#endif
