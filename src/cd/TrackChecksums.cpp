// Checksums of a track's audio (see TrackChecksums.h).
#include "cd/TrackChecksums.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace {

uint32_t Magnitude(uint8_t low, uint8_t high) {
    return uint32_t(std::abs(int32_t(int16_t(uint16_t(low | (high << 8))))));
}

} // namespace

void TTrackChecksums::Begin(int64_t frames, bool firstAudio, bool lastAudio) {
    *this = TTrackChecksums();
    AccurateRip.Begin(frames, firstAudio, lastAudio);
}

void TTrackChecksums::Add(const uint8_t* data, size_t bytes) {
    if (bytes == 0)
        return;
    AccurateRip.Add(data, bytes);
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
    uint32_t peak = PeakValue;
    for (; i + 1 < bytes; i += 2)
        peak = std::max(peak, Magnitude(data[i], data[i + 1]));
    PeakValue = peak;
    if (i < bytes) {
        HasLow = true;
        Low = data[i];
    }
    Bytes += int64_t(bytes);
}
