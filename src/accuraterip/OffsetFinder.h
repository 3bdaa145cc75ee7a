// Finding a drive's read offset with the AccurateRip database: the first audio tracks are read
// once, with room on either side, and their checksums are worked out for each candidate offset
// until the database confirms one on two tracks (on one for a disc of one audio track).
#pragma once

#include "accuraterip/AccurateRipDatabase.h"
#include "cd/Disc.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// The offsets most drives have, in the order they are tried.
const std::vector<int32_t>& CommonReadOffsets();

struct TOffsetSearch {
    bool Found = false;
    int32_t Offset = 0;
    std::vector<int32_t> Tracks; // the disc's numbers of the tracks that confirmed it
    QString Error;               // why nothing could be tried (a read failed)
};

// Reads the first audio tracks of the disc in an open drive of the drive library and tries
// `candidates` in order; `tried` sees each candidate before it is tried and may stop the search
// by returning false.
TOffsetSearch FindReadOffset(int handle, const TDisc& disc, const TAccurateRipAnswer& answer,
                             const std::vector<int32_t>& candidates, const std::function<bool(int32_t)>& tried);
