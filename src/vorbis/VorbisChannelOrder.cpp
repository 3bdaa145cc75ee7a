// Channel order of Vorbis against WAV (see VorbisChannelOrder.h).
#include "vorbis/VorbisChannelOrder.h"

#include <algorithm>

namespace {

// Per channel count, the Vorbis channel at each WAV position (the table ffmpeg uses too).
constexpr int8_t VorbisOfWav[9][8] = {
    {},
    {0},
    {0, 1},
    {0, 2, 1},
    {0, 1, 2, 3},
    {0, 2, 1, 3, 4},
    {0, 2, 1, 5, 3, 4},
    {0, 2, 1, 6, 5, 3, 4},
    {0, 2, 1, 7, 5, 6, 3, 4},
};

} // namespace

int VorbisChannelOfWav(int channels, int wavChannel) {
    if (channels < 3 || channels > 8)
        return wavChannel;
    return VorbisOfWav[channels][wavChannel];
}

bool VorbisOrderDiffers(int channels) {
    // 4 channels (FL FR RL RR) are in the same order in both.
    return channels == 3 || (channels >= 5 && channels <= 8);
}

void VorbisToWavOrder(int16_t* samples, int64_t frames, int channels) {
    if (!VorbisOrderDiffers(channels))
        return;
    int16_t frame[8];
    for (int64_t f = 0; f < frames; ++f, samples += channels) {
        std::copy(samples, samples + channels, frame);
        for (int c = 0; c < channels; ++c)
            samples[c] = frame[VorbisOfWav[channels][c]];
    }
}
