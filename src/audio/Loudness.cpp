// EBU R128 loudness and ReplayGain (see Loudness.h).
#include "audio/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Loudness in LUFS and the mean square energy of a block, as BS.1770 relates them.
double EnergyOf(double lufs) {
    return std::pow(10.0, (lufs + 0.691) / 10.0);
}
double LufsOf(double energy) {
    return -0.691 + 10.0 * std::log10(energy);
}

} // namespace

TLoudness::TLoudness(unsigned channels, unsigned rate)
    : State(ebur128_init(channels, rate, EBUR128_MODE_I | EBUR128_MODE_M)), Hop(rate / 10) {}

TLoudness::TLoudness(std::vector<double> blocks, double lufs, bool measured)
    : BlockEnergies(std::move(blocks)), Kept(lufs), KeptMeasured(measured && std::isfinite(lufs)) {}

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
        // Pieces end on each 100 ms step, where a 400 ms block is complete.
        const size_t toStep = Hop > 0 ? Hop - size_t(Frames % Hop) : Chunk;
        const size_t n = std::min({Chunk, frames - done, toStep});
        std::memcpy(samples, data + done * channels * 2, n * channels * 2);
        ebur128_add_frames_short(State, samples, n);
        done += n;
        Frames += n;
        if (Hop > 0 && Frames % Hop == 0 && Frames >= 4 * uint64_t(Hop)) {
            double lufs = 0;
            const bool measured = ebur128_loudness_momentary(State, &lufs) == EBUR128_SUCCESS && std::isfinite(lufs);
            BlockEnergies.push_back(measured ? EnergyOf(lufs) : 0.0);
        }
    }
}

bool TLoudness::Loudness(double& lufs) const {
    if (!State) {
        lufs = Kept;
        return KeptMeasured;
    }
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
    // Every track's blocks together, gated as one programme. The album's value needs every
    // track's measurement: one missing would make it the value of the others.
    const double absolute = EnergyOf(-70.0);
    double sum = 0;
    size_t count = 0;
    for (const auto& t : tracks) {
        if (!t)
            return false;
        for (double e : t->Blocks())
            if (e > absolute) {
                sum += e;
                ++count;
            }
    }
    if (count == 0)
        return false;
    const double relative = std::max(absolute, sum / double(count) * std::pow(10.0, -1.0));
    double gated = 0;
    size_t kept = 0;
    for (const auto& t : tracks)
        for (double e : t->Blocks())
            if (e > relative) {
                gated += e;
                ++kept;
            }
    if (kept == 0)
        return false;
    gain = ReplayGainReference - LufsOf(gated / double(kept));
    return std::isfinite(gain);
}
