// What is computed from a track's samples while they are read, without a second pass: the
// CRC32 of the audio (the bytes of the WAV file's data chunk as read from the disc, before any
// gain), the peak level, the number of samples, AccurateRip's v1 and v2 checksums and, when
// asked, the loudness ReplayGain needs.
#pragma once

#include "audio/Loudness.h"
#include "cd/AccurateRip.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class TTrackChecksums {
public:
    // Starts over for a track of `frames` stereo samples (the first and the last audio track of
    // a disc leave samples out of the AccurateRip checksums); with `loudness` the track's
    // loudness is measured too.
    void Begin(int64_t frames, bool firstAudio, bool lastAudio, bool loudness = false);
    // Adds bytes of 16-bit little-endian stereo audio, in order. Any split of the stream into
    // calls gives the same result.
    void Add(const uint8_t* data, size_t bytes);

    uint32_t Crc32() const { return Crc; }
    // The largest magnitude of a sample (0..32768).
    uint32_t Peak() const { return PeakValue; }
    // Stereo sample frames added.
    int64_t Frames() const { return Bytes / 4; }
    uint32_t AccurateRipV1() const { return AccurateRip.V1(); }
    uint32_t AccurateRipV2() const { return AccurateRip.V2(); }
    // The loudness measured (null unless asked for); shared, so that results can be copied and
    // an album's value computed from every track's measurement at the end.
    std::shared_ptr<const TLoudness> Loudness() const { return Meter; }

private:
    uint32_t Crc = 0;
    uint32_t PeakValue = 0;
    int64_t Bytes = 0;
    // A byte of a sample split across two calls.
    bool HasLow = false;
    uint8_t Low = 0;
    TAccurateRipSums AccurateRip;
    std::shared_ptr<TLoudness> Meter;
    // The bytes of a stereo frame split across two calls, for the meter.
    uint8_t Partial[4] = {};
    size_t PartialBytes = 0;
};
