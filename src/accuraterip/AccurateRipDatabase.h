// The AccurateRip database as a ripper reads it: the file of a disc (named by its ids) holds one
// or more blocks, one per pressing, each with either v1 or v2 checksums:
//
//     u8 track count, u32le id1, u32le id2, u32le cddb id,
//     then per track: u8 confidence, u32le checksum, u32le checksum of frame 450
//
// A 404 means the disc is not in the database. A track is accurately ripped when its v1 or its
// v2 checksum is found for it in some block.
#pragma once

#include "cd/AccurateRip.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct TAccurateRipEntry {
    uint8_t Confidence = 0;
    uint32_t Checksum = 0;
    uint32_t Frame450 = 0;
};

struct TAccurateRipBlock {
    TAccurateRipIds Ids;
    std::vector<TAccurateRipEntry> Tracks;
};

// What asking the database gave.
struct TAccurateRipAnswer {
    enum TKind { NotAsked, Found, NotInDatabase, Failed };
    TKind Kind = NotAsked;
    std::vector<TAccurateRipBlock> Blocks;
    // For Failed: why, one line starting with "AccurateRip: ".
    QString Error;
};

// Reads the blocks of a database file; the ids and track count of each block must be those of
// the disc. False with a one-line reason ("AccurateRip: ...") for anything malformed.
bool ParseAccurateRip(const QByteArray& data, const TAccurateRipIds& disc, std::vector<TAccurateRipBlock>& blocks,
                      QString& error);

// Fetches and reads the database file of a disc from `server` (blocking; a worker's call). A
// dead or slow server, a 404, an HTML page, a truncated or oversized answer all end here with
// their reason.
TAccurateRipAnswer FetchAccurateRip(const QString& server, const TAccurateRipIds& ids);

// A track's result against the database's answer.
struct TAccurateRipVerdict {
    enum TKind { Unchecked, Accurate, NotAccurate, NotInDatabase, Unavailable };
    TKind Kind = Unchecked;
    int32_t Confidence = 0;
    // "accurately ripped (confidence N)", "not in the database", "not accurate (database:
    // ...)", or why there is no result.
    QString Text;
};

// Track `index` (0-based among the audio tracks) with its local v1 and v2 checksums.
TAccurateRipVerdict JudgeTrack(const TAccurateRipAnswer& answer, int index, uint32_t v1, uint32_t v2);
