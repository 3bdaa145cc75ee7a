// Checksums of a track's audio (see TrackChecksums.h).
#include "cd/TrackChecksums.h"

#include <QtEndian>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t Magnitude(uint8_t low, uint8_t high) {
    return uint32_t(std::abs(int32_t(int16_t(uint16_t(low | (high << 8))))));
}

} // namespace

void TTrackChecksums::Begin(int64_t frames, bool firstAudio, bool lastAudio, bool loudness) {
    *this = TTrackChecksums();
    AccurateRip.Begin(frames, firstAudio, lastAudio);
    if (loudness)
        Meter = std::make_shared<TLoudness>(2, 44100);
}

void TTrackChecksums::Add(const uint8_t* data, size_t bytes) {
    if (bytes == 0)
        return;
    AccurateRip.Add(data, bytes);
    if (Meter) {
        // The meter takes whole frames: a frame split across calls is put together first.
        size_t used = 0;
        if (PartialBytes > 0) {
            used = std::min(bytes, 4 - PartialBytes);
            std::memcpy(Partial + PartialBytes, data, used);
            PartialBytes += used;
            if (PartialBytes == 4) {
                Meter->Add(Partial, 1);
                PartialBytes = 0;
            }
        }
        const size_t frames = (bytes - used) / 4;
        Meter->Add(data + used, frames);
        const size_t rest = bytes - used - frames * 4;
        std::memcpy(Partial + PartialBytes, data + used + frames * 4, rest);
        PartialBytes += rest;
    }
    // zlib takes at most 4 GiB per call.
    for (size_t done = 0; done < bytes;) {
        const size_t n = std::min<size_t>(bytes - done, 1u << 30);
        Crc = uint32_t(crc32(Crc, data + done, uInt(n)));
        done += n;
    }
    size_t i = 0;
    if (HasLow) {
        PeakValue = std::max(PeakValue, Magnitude(Low, data[0]));
        HasLow = false;
        i = 1;
    }
    // The loudest sample is the largest or the smallest value. Sixteen lanes of each, kept
    // apart, let the compiler use vector instructions.
    constexpr size_t Lanes = 16;
    int16_t most16[Lanes] = {};
    int16_t least16[Lanes] = {};
    for (; i + 2 * Lanes <= bytes; i += 2 * Lanes) {
        int16_t block[Lanes];
        std::memcpy(block, data + i, sizeof block);
        for (size_t j = 0; j < Lanes; ++j) {
            most16[j] = std::max(most16[j], qFromLittleEndian(block[j]));
            least16[j] = std::min(least16[j], qFromLittleEndian(block[j]));
        }
    }
    int32_t most = *std::max_element(most16, most16 + Lanes);
    int32_t least = *std::min_element(least16, least16 + Lanes);
    for (; i + 1 < bytes; i += 2) {
        const int32_t sample = qFromLittleEndian<int16_t>(data + i);
        most = std::max(most, sample);
        least = std::min(least, sample);
    }
    PeakValue = std::max({PeakValue, uint32_t(most), uint32_t(-least)});
    if (i < bytes) {
        HasLow = true;
        Low = data[i];
    }
    Bytes += int64_t(bytes);
}
