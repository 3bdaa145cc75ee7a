// TTrackResult: what one track of a rip came to; the pipeline's per-track outcome, the log's
// and the resume state's record of it.
#pragma once

#include "accuraterip/AccurateRipDatabase.h"
#include "jobs/TrackSource.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// What one track of a rip came to, once all its steps ended.
struct TTrackResult {
    int32_t Index = 0;      // entry of the rip (1-based)
    int32_t Number = 0;     // the track's place on the disc
    int32_t DiscNumber = 0; // the disc's own number of the track
    QString Title;
    // The files the track left: its output and, when kept, its WAV file.
    QStringList Files;
    // The read: complete or not, checksums of the audio read, the source's read errors.
    TTrackRead Read;
    // The output exists as asked (the read and, unless WAV is the output, the encode
    // succeeded); otherwise Reason says why.
    bool Ok = false;
    QString Reason;
    // Test & copy: the CRC32 of the test read and of a third read (when the first two
    // disagreed), and whether the reads left the track in doubt.
    bool Tested = false;
    uint32_t TestCrc = 0;
    bool Reread = false;
    uint32_t RereadCrc = 0;
    bool Suspicious = false;
    // The AccurateRip result; Unchecked until the database's answer is known.
    TAccurateRipVerdict AccurateRip;
    // The encode step's outcome ("ok", or why not; empty for WAV).
    QString Encode;
    // Taken from an earlier run of the same rip (resumed), not read now.
    bool Earlier = false;
};
