// libFuzzer target: arbitrary bytes through the engine's WAV reader, its converter to a few
// output formats, and the mixer. Built natively with AddressSanitizer and UBSan.
#include <stddef.h>
#include <stdint.h>
#include "core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WavFormat wav;
    if (!readWav(data, size, &wav))
        return 0;
    static const int outputs[][2] = {{44100, 2}, {48000, 2}, {22050, 1}};
    for (const int *output : outputs) {
        Sound sound;
        if (!convertWav(&wav, output[0], output[1], &sound))
            continue;
        MixChannel channels[2] = {{NULL, 0, 1.0f, {}, 0}, {NULL, 0, 0.5f, {}, 0}};
        scheduleStart(&channels[0], &sound, 3);
        scheduleStart(&channels[1], &sound, 0);
        scheduleStart(&channels[1], &sound, 500);
        static float out[441 * 2];
        for (int block = 0; block < 4; block++)
            mixChannels(channels, 2, out, 441, output[1], 441 * block);
        freeSound(&sound);
    }
    return 0;
}
