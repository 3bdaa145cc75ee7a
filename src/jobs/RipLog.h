// The rip log and cue sheet written beside the files of every rip, and the reading of a log
// back for `verify`.
//
// The log is UTF-8 text a person can read and a program can parse: "Key: value" lines in a
// header (program, date, drive, read mode, offset, test & copy, ids), the TOC table, a block per
// track (files with their SHA-256, peak, CRCs, AccurateRip sums and result, read errors, encode
// result), a summary, and last a line "SHA-256: <hex>" over every byte above it, so an edited
// log can be told.
#pragma once

#include "accuraterip/AccurateRipDatabase.h"
#include "jobs/RipPipeline.h"
#include "jobs/RipRequest.h"
#include "platform/FileHash.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

struct TRipLogInput {
    const TRipRequest& Request;
    const std::vector<TTrackResult>& Tracks;
    const TAccurateRipAnswer& Answer;
    bool Stopped = false;
    QDateTime When;
    // The album's tags once written (ReplayGain, cover); null when there are none.
    const TRipTags* Album = nullptr;
};

// The base name of a rip's log and cue sheet: the album (cleaned for a file name), else the
// disc key, else "rip".
QString RipLogBaseName(const TRipRequest& request);
// The folder of the log and cue sheet: that of the first track's files (a name pattern may put
// them below the output folder).
QString RipLogFolder(const TRipRequest& request);
// The log's text and the cue sheet's text.
QString RipLogText(const TRipLogInput& in);
QString RipCueText(const TRipLogInput& in);
// Writes both into their folder (atomically), under a name no earlier rip's log or cue sheet
// has there ("<name> (2)"), or over `logPath` and `cuePath` when both are given (a resumed rip's
// own); false with the reason.
bool WriteRipLog(const TRipLogInput& in, QString& logPath, QString& cuePath, QString& error);

// A log read back.
struct TLoggedFile {
    QString Path; // as written in the log: relative to the log's folder
    QString Sha256;
};
struct TLoggedTrack {
    int32_t Number = 0;
    QString Title;
    std::vector<TLoggedFile> Files;
    bool HasCrc = false;
    uint32_t Crc = 0;
    uint32_t V1 = 0;
    uint32_t V2 = 0;
    int64_t Frames = 0;
    bool FirstAudio = false;
    bool LastAudio = false;
    int32_t AudioIndex = -1; // among the disc's audio tracks
};
struct TRipLog {
    QString Folder;                 // of the log file
    bool Sealed = false;            // the SHA-256 line matches the text above it
    bool ChecksumsFromAudio = true; // no gain pass and no length limit: WAV data = audio read
    TAccurateRipIds Ids;
    QString Server;
    std::vector<TLoggedTrack> Tracks;
};
// Reads a log; false with the reason when it is missing, truncated or not a rip log.
bool ReadRipLog(const QString& path, TRipLog& log, QString& error);
