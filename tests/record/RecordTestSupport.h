// Helpers of the recorder tests: SDL's disk audio driver set up to capture from a file of known
// PCM and to play into another, and test PCM of every recorder format.
#pragma once

#include "support/TestSupport.h"

#include <random>

// Points SDL's audio at the disk driver for the life of the object: capture reads `input`,
// playback writes `output`. Without `realTime` the driver runs as fast as it can.
class TDiskAudio {
public:
    TDiskAudio(const QString& input, const QString& output, bool realTime = false) {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILEIN", input.toLocal8Bit());
        qputenv("SDL_DISKAUDIOFILE", output.toLocal8Bit());
        if (realTime)
            qunsetenv("SDL_DISKAUDIODELAY");
        else
            qputenv("SDL_DISKAUDIODELAY", "0");
    }
    ~TDiskAudio() {
        qunsetenv("SDL_AUDIODRIVER");
        qunsetenv("SDL_DISKAUDIOFILEIN");
        qunsetenv("SDL_DISKAUDIOFILE");
        qunsetenv("SDL_DISKAUDIODELAY");
    }
};

// `frames` frames of seeded PCM in the given format (8-bit unsigned or 16-bit signed).
inline QByteArray MakeTestPcm(int64_t frames, int channels, int rate, int bits, uint32_t seed) {
    if (bits == 16)
        return MakePcm16(frames, channels, seed, rate);
    QByteArray pcm(frames * channels, 0);
    std::mt19937 gen(seed);
    for (char& c : pcm)
        c = char(gen() & 0xFF);
    return pcm;
}
