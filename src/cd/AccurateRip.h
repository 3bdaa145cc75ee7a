// AccurateRip's side of a disc and its tracks: the disc's ids (which name its database file)
// and a track's v1 and v2 checksums, computed from the samples as they are read.
//
// A track's checksums weigh each stereo sample, taken as one little-endian 32-bit word (left
// channel in the low 16 bits), by its position in the track counted from 1: v1 is the sum of
// position x word, v2 the sum of the low and high 32 bits of each 64-bit product (both modulo
// 2^32). The first audio track leaves out its first five sectors less one sample (positions
// before 2940), the last audio track its last five sectors (positions after N - 2940).
#pragma once

#include "cd/Disc.h"

#include <QString>

#include <cstddef>
#include <cstdint>

struct TAccurateRipIds {
    int32_t AudioTracks = 0;
    uint32_t Id1 = 0;
    uint32_t Id2 = 0;
    uint32_t Cddb = 0;

    // "NNN-id1-id2-cddb" (track count in three digits, the ids in eight hexadecimal digits).
    QString Text() const;
    // The database file's address under a server: <server>/accuraterip/a/b/c/dBAR-<Text>.bin,
    // where a, b, c are the last, second last and third last hexadecimal digits of id1.
    QString Url(const QString& server) const;
};

// id1 = the sum of the audio tracks' starts and the lead-out; id2 = the sum of max(start, 1) x k
// over the audio tracks (k = 1, 2, ... counting audio tracks only) plus the lead-out x (audio
// tracks + 1); the CDDB id of every track. Sectors count from 0 at 00:02:00.
TAccurateRipIds AccurateRipIds(const TDisc& disc);

class TAccurateRipSums {
public:
    // A track of `frames` stereo samples; `first` and `last` when it is the first or the last
    // audio track of the disc.
    void Begin(int64_t frames, bool first, bool last);
    // The track's audio (16-bit little-endian stereo) in order; any split into calls gives the
    // same sums.
    void Add(const uint8_t* data, size_t bytes);

    uint32_t V1() const { return Sum1; }
    uint32_t V2() const { return Sum2; }

private:
    int64_t Position = 0; // of the last sample added
    int64_t From = 1;
    int64_t To = 0;
    uint32_t Sum1 = 0;
    uint32_t Sum2 = 0;
    uint8_t Carry[4] = {};
    size_t Carried = 0;
    void AddWord(uint32_t word);
};
