// Channel order of Vorbis against WAV. The Vorbis I mapping fixes the order of the channels
// for each count from 3 to 8 (5.1 is FL FC FR RL RR LFE), while WAV files order them by
// their WAVE_FORMAT_EXTENSIBLE speaker bits (5.1 is FL FR FC LFE BL BR). Decoding reorders
// from the one to the other, encoding back; other counts are the same in both.
#pragma once

#include <cstdint>

// The Vorbis channel that goes to WAV position `wavChannel` of a `channels`-channel frame.
int VorbisChannelOfWav(int channels, int wavChannel);
// True when the two orders differ for this channel count.
bool VorbisOrderDiffers(int channels);
// Reorders `frames` interleaved 16-bit frames from Vorbis order to WAV order, in place.
void VorbisToWavOrder(int16_t* samples, int64_t frames, int channels);
