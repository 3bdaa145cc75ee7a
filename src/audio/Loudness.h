// ReplayGain 2.0 from EBU R128 loudness (libebur128): a track's integrated loudness is measured
// from its samples as they pass (no second decode), and an album's from all its tracks'
// measurements together. The gain brings the loudness to the reference of -18 LUFS.
#pragma once

#include <ebur128.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TLoudness {
public:
    // A meter for interleaved 16-bit audio of `channels` channels at `rate` Hz.
    TLoudness(unsigned channels, unsigned rate);
    // A measurement known by its blocks only (one an earlier run made and kept): it counts in an
    // album's value, but has no meter of its own.
    TLoudness(std::vector<double> blocks, double lufs, bool measured);
    ~TLoudness();
    TLoudness(const TLoudness&) = delete;
    TLoudness& operator=(const TLoudness&) = delete;

    // Adds whole frames of 16-bit little-endian samples.
    void Add(const uint8_t* data, size_t frames);
    // Whether the meter works (libebur128 could set itself up).
    bool Valid() const { return State != nullptr; }
    // The integrated loudness in LUFS; false when nothing loud enough was measured (silence).
    bool Loudness(double& lufs) const;

    ebur128_state* Handle() const { return State; }
    // The mean square (K-weighted) of each 400 ms block, one every 100 ms, as the gating of an
    // integrated loudness sees them; what an album's value is computed from, and what is kept to
    // compute it again later.
    const std::vector<double>& Blocks() const { return BlockEnergies; }

private:
    ebur128_state* State = nullptr;
    std::vector<double> BlockEnergies;
    // A kept measurement's integrated loudness.
    double Kept = 0;
    bool KeptMeasured = false;
    uint64_t Frames = 0;
    unsigned Hop = 0;
};

// The ReplayGain 2.0 reference loudness.
constexpr double ReplayGainReference = -18.0;

// The gain in dB for one measurement, or for several together (an album, from every track's
// blocks with the gating of an integrated loudness: -70 LUFS absolute, -10 LU relative); false
// when there was nothing to measure or a track's measurement is missing.
bool ReplayGainOf(const TLoudness& track, double& gain);
bool AlbumReplayGainOf(const std::vector<std::shared_ptr<const TLoudness>>& tracks, double& gain);
