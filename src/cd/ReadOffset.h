// A drive's read offset applied to a track, as AccurateRip defines drive offsets: a drive with
// offset +N delivers audio N samples early, so with a read offset of N sample i of the disc is
// taken from position i + N of what the drive returns (reading starts N samples later; a
// negative N the other way). Samples that would come from outside what the drive can read as
// audio are silence.
#pragma once

#include <cstdint>

struct TOffsetRead {
    int64_t LeadingSilence = 0;  // bytes of silence before the bytes read
    int32_t FirstSector = 0;     // the sectors to read
    int32_t Sectors = 0;
    int64_t SkipBytes = 0;       // bytes of the first sector read that come before the track
    int64_t Bytes = 0;           // bytes taken from the sectors read
    int64_t TrailingSilence = 0; // bytes of silence after them

    int64_t SilentSamples() const { return (LeadingSilence + TrailingSilence) / 4; }
};

// The plan for the `sectors` sectors from `start` with a read offset of `offsetSamples`, where
// the sectors [readableBegin, readableEnd) can be read.
TOffsetRead PlanOffsetRead(int32_t start, int32_t sectors, int32_t offsetSamples, int32_t readableBegin,
                           int32_t readableEnd);
