// Finding a read offset (see OffsetFinder.h).
#include "accuraterip/OffsetFinder.h"

#include "cd/AccurateRip.h"
#include "cd/ReadOffset.h"
#include "cd/akrip32.h"
#include "core/Settings.h"

#include <algorithm>

namespace {

// A track read with MaxReadOffset samples of room on either side.
struct TReadTrack {
    int32_t Number = 0;
    int32_t AudioIndex = 0;
    int64_t Frames = 0;
    bool First = false;
    bool Last = false;
    std::vector<uint8_t> Audio; // Frames + 2 x MaxReadOffset samples
};

bool ReadWithRoom(int handle, const TDisc& disc, size_t at, TReadTrack& track, QString& error) {
    const int32_t sectors = disc.SectorsOf(at);
    const int32_t room = MaxReadOffset / 588; // whole sectors of room
    int32_t begin = 0;
    int32_t end = 0;
    disc.AudioRun(at, begin, end);
    // The track with `room` sectors either side: silence where the drive cannot read.
    const TOffsetRead plan = PlanOffsetRead(disc.Tracks[at].Start - room, sectors + 2 * room, 0, begin, end);
    track.Audio.assign(size_t(sectors + 2 * room) * CDSectorBytes, 0);
    uint8_t* to = track.Audio.data() + plan.LeadingSilence;
    int64_t skip = plan.SkipBytes;
    int64_t wanted = plan.Bytes;
    for (int32_t done = 0; done < plan.Sectors && wanted > 0; done += MaxSectorsPerRead) {
        const int32_t chunk = std::min(MaxSectorsPerRead, plan.Sectors - done);
        const TCDReadBufferPtr buffer = NewCDReadBuffer(uint32_t(plan.FirstSector + done), uint32_t(chunk));
        if (ReadCDAudioLBA(handle, buffer.get()) != 1) {
            error = QStringLiteral("track %1 could not be read: ").arg(disc.Tracks[at].Number) + CDLastError();
            return false;
        }
        const int64_t take = std::min<int64_t>(wanted, int64_t(buffer->BytesReturned) - skip);
        std::copy_n(buffer->Data() + buffer->DataOffset + skip, take, to);
        to += take;
        wanted -= take;
        skip = 0;
    }
    track.Frames = int64_t(sectors) * 588;
    return true;
}

bool Confirms(const TAccurateRipAnswer& answer, const TReadTrack& t, int32_t offset) {
    TAccurateRipSums sums;
    sums.Begin(t.Frames, t.First, t.Last);
    // Sample i of the track is sample room + i + offset of what was read.
    const int64_t roomFrames = int64_t(MaxReadOffset / 588) * 588;
    sums.Add(t.Audio.data() + (roomFrames + offset) * 4, size_t(t.Frames) * 4);
    return JudgeTrack(answer, t.AudioIndex, sums.V1(), sums.V2()).Kind == TAccurateRipVerdict::Accurate;
}

} // namespace

const std::vector<int32_t>& CommonReadOffsets() {
    static const std::vector<int32_t> offsets{6,   667, 48,   102, 12,  30,   91,   97,  103, 116, 118, 120, 98,
                                              99,  594, 685,  733, 355, 1164, 1194, 1292, 1776, 0,  -472, -1164};
    return offsets;
}

TOffsetSearch FindReadOffset(int handle, const TDisc& disc, const TAccurateRipAnswer& answer,
                             const std::vector<int32_t>& candidates, const std::function<bool(int32_t)>& tried) {
    TOffsetSearch search;
    std::vector<TReadTrack> tracks;
    int32_t audio = 0;
    for (size_t at = 0; at < disc.Tracks.size() && tracks.size() < 2; ++at) {
        if (disc.Tracks[at].Data)
            continue;
        TReadTrack t;
        t.Number = disc.Tracks[at].Number;
        t.AudioIndex = audio++;
        t.First = disc.FirstAudio(at);
        t.Last = disc.LastAudio(at);
        if (!ReadWithRoom(handle, disc, at, t, search.Error))
            return search;
        tracks.push_back(std::move(t));
    }
    for (const int32_t offset : candidates) {
        if (offset < -MaxReadOffset / 588 * 588 || offset > MaxReadOffset / 588 * 588)
            continue;
        if (tried && !tried(offset))
            break;
        if (std::all_of(tracks.begin(), tracks.end(), [&](const TReadTrack& t) { return Confirms(answer, t, offset); })) {
            search.Found = !tracks.empty();
            search.Offset = offset;
            for (const TReadTrack& t : tracks)
                search.Tracks.push_back(t.Number);
            break;
        }
    }
    return search;
}
