// Writes the fuzzer's seeds: each WAV layout the engine reads and each broken file it refuses.
#include <stdio.h>
#include <string>
#include "wavmaker.h"

static void write(const std::string &folder, int number, const std::string &bytes)
{
    char name[32];
    snprintf(name, sizeof name, "/seed-%02d.wav", number);
    FILE *f = fopen((folder + name).c_str(), "wb");
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    int number = 0;
    for (const WavLayout &layout : readableLayouts())
        write(argv[1], number++, makeWav(layout, toneBurst(layout.rate / 20)));
    for (const WavBytes &file : brokenWavs())
        write(argv[1], number++, file.bytes);
    return 0;
}
