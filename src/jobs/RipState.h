// The state of a rip in progress, kept beside its log so that an interrupted rip can be resumed
// and one track of a finished rip ripped again: `.<album>.rip-state` in the log's folder, JSON,
// replaced atomically after each track. It holds the disc's ids, what of the request decides the
// files (format, encoder options, name pattern, read offset, read mode), and per finished track
// its result and its files with their size and SHA-256. A track goes into the state only once
// its files are complete and synced to disk, so a rip killed at any moment leaves a state that
// is true of what it lists.
#pragma once

#include "jobs/RipRequest.h"
#include "jobs/TrackResult.h"

#include <QString>

#include <map>
#include <vector>

struct TRipStateFile {
    QString Path; // relative to the state's folder
    qint64 Size = 0;
    QString Sha256;
};

struct TRipStateTrack {
    TTrackResult Result; // Files as absolute paths
    std::vector<TRipStateFile> Files;
};

struct TRipState {
    // What the rip was: the disc and the request's fields that decide its files.
    std::map<QString, QString> Request;
    QString Album;
    int32_t Count = 0; // tracks of the rip
    // Finished tracks by their number on the disc.
    std::map<int32_t, TRipStateTrack> Tracks;
    // The log and cue sheet the rip wrote (empty until it wrote them).
    QString LogPath;
    QString CuePath;

    // Tracks that need no new read: done, their files unchanged, not suspicious and not
    // found inaccurate.
    int32_t DoneCount(const QString& folder) const;
};

// `.<log base name>.rip-state` in the log's folder.
QString RipStatePath(const TRipRequest& request);
// The request's fields that decide the rip's files, by name ("disc", "format", "encoder",
// "pattern", "offset", "mode").
std::map<QString, QString> RipStateFields(const TRipRequest& request);
// Why a state cannot be resumed by this request ("its format differs (MP3, now OGG)"); empty
// when it can.
QString RipStateDifference(const TRipState& state, const TRipRequest& request);

bool ReadRipState(const QString& path, TRipState& state, QString& error);
// Replaces the file atomically (written whole, synced, then renamed over the old one).
bool WriteRipState(const QString& path, const TRipState& state, QString& error);

// A finished track of the state whose files are all there as they were.
bool RipStateTrackIntact(const TRipStateTrack& track, const QString& folder);
// Whether a track's result lets it stand: read and encoded, its reads agreed, and AccurateRip
// did not find it inaccurate.
bool RipStateTrackGood(const TTrackResult& result);
// The record of a just-finished track: its files synced to disk, their sizes and SHA-256.
TRipStateTrack MakeRipStateTrack(const TTrackResult& result, const QString& folder);

// Makes `request` a resume of `state`: its entries whose tracks are intact in the state are taken
// from it (Request.Earlier), the others are ripped. When `reripSubset` (the user picked these
// tracks) and every picked track is intact, they are all ripped again instead. The state's
// tracks the request does not name join it as taken over, so that the log stays whole. Returns
// the numbers of the tracks to rip.
std::vector<int32_t> PlanResume(const TRipState& state, TRipRequest& request, bool reripSubset);

// The state of an earlier rip into the folder this request rips into: none, one that cannot be
// used (unreadable, or another request: Why says which), or one to resume.
struct TRipStateFound {
    bool Found = false;
    bool Usable = false;
    QString Path;
    QString Why;
    TRipState State;
};
TRipStateFound FindRipState(const TRipRequest& request);

// The question before a rip that finds an earlier rip's state: Yes resumes, No starts over.
QString ResumeQuestionText(const TRipState& state, const QString& folder);
