// EBU R128 loudness and ReplayGain (see Loudness.h).
#include "audio/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstring>

TLoudness::TLoudness(unsigned channels, unsigned rate) : State(ebur128_init(channels, rate, EBUR128_MODE_I)) {}

TLoudness::~TLoudness() {
    if (State)
        ebur128_destroy(&State);
}

void TLoudness::Add(const uint8_t* data, size_t frames) {
    if (!State || frames == 0)
        return;
    // libebur128 takes native shorts; the samples are little-endian, as is every machine this
    // builds for, but the bytes may sit at any address.
    constexpr size_t Chunk = 4096;
    short samples[Chunk * 8];
    const size_t channels = State->channels;
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(Chunk, frames - done);
        std::memcpy(samples, data + done * channels * 2, n * channels * 2);
        ebur128_add_frames_short(State, samples, n);
        done += n;
    }
}

bool TLoudness::Loudness(double& lufs) const {
    if (!State)
        return false;
    double value = 0;
    if (ebur128_loudness_global(State, &value) != EBUR128_SUCCESS || !std::isfinite(value))
        return false;
    lufs = value;
    return true;
}

bool ReplayGainOf(const TLoudness& track, double& gain) {
    double lufs = 0;
    if (!track.Loudness(lufs))
        return false;
    gain = ReplayGainReference - lufs;
    return true;
}

bool AlbumReplayGainOf(const std::vector<std::shared_ptr<const TLoudness>>& tracks, double& gain) {
    // The album's value needs every track's measurement: one missing (a track taken from an
    // earlier run, which was not read now) would make it the value of the others.
    std::vector<ebur128_state*> states;
    for (const auto& t : tracks) {
        if (!t || !t->Handle())
            return false;
        states.push_back(t->Handle());
    }
    double lufs = 0;
    if (states.empty() || ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) != EBUR128_SUCCESS ||
        !std::isfinite(lufs))
        return false;
    gain = ReplayGainReference - lufs;
    return true;
}
