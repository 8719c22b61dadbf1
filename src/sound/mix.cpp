// The mixer: each channel plays one sound at a time and restarts it at planned output frames.
#include <string.h>
#include "core.h"

bool scheduleStart(MixChannel *channel, const Sound *sound, int64_t frame)
{
    if (channel->startCount == MIX_MAX_STARTS)
        return false;
    if (channel->startCount > 0 && frame < channel->starts[channel->startCount - 1].frame)
        frame = channel->starts[channel->startCount - 1].frame;
    channel->starts[channel->startCount++] = {sound, frame};
    return true;
}

void forgetSound(MixChannel *channels, int count, const Sound *sound)
{
    for (int i = 0; i < count; i++) {
        MixChannel *channel = &channels[i];
        if (channel->sound == sound)
            channel->sound = NULL;
        int kept = 0;
        for (int s = 0; s < channel->startCount; s++)
            if (channel->starts[s].sound != sound)
                channel->starts[kept++] = channel->starts[s];
        channel->startCount = kept;
    }
}

// Adds up to frames frames of the channel's sound, from where it stands, into out.
static void mixRun(MixChannel *channel, float *out, int frames, int outChannels)
{
    const Sound *sound = channel->sound;
    if (!sound || frames <= 0)
        return;
    size_t n = sound->frames - channel->position;
    if (n > (size_t)frames)
        n = (size_t)frames;
    int shared = sound->channels < outChannels ? sound->channels : outChannels;
    const float *in = sound->samples + channel->position * sound->channels;
    for (size_t i = 0; i < n; i++)
        for (int c = 0; c < shared; c++)
            out[i * outChannels + c] += channel->gain * in[i * sound->channels + c];
    channel->position += n;
    if (channel->position >= sound->frames)
        channel->sound = NULL;
}

void mixChannels(MixChannel *channels, int count, float *out, int frames, int outChannels,
                 int64_t firstFrame)
{
    memset(out, 0, sizeof(float) * frames * outChannels);
    for (int i = 0; i < count; i++) {
        MixChannel *channel = &channels[i];
        int done = 0;
        for (;;) {
            // Starts due by now (or already late) restart the channel here.
            while (channel->startCount > 0 && channel->starts[0].frame <= firstFrame + done) {
                channel->sound = channel->starts[0].sound;
                channel->position = 0;
                channel->startCount--;
                memmove(channel->starts, channel->starts + 1,
                        sizeof(MixStart) * channel->startCount);
            }
            int until = frames;
            if (channel->startCount > 0 && channel->starts[0].frame < firstFrame + frames)
                until = (int)(channel->starts[0].frame - firstFrame);
            mixRun(channel, out + done * outChannels, until - done, outChannels);
            done = until;
            if (done >= frames)
                break;
        }
    }
    for (int i = 0; i < frames * outChannels; i++)
        out[i] = out[i] > 1.0f ? 1.0f : out[i] < -1.0f ? -1.0f : out[i];
}
