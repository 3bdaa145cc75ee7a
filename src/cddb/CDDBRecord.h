// The CDDB disc record: what a server's "read" answer (an xmcd entry) says about one disc,
// and the parser that fills it. The record lives in memory only.
#pragma once

#include "core/DiscInfo.h"

#include <QString>
#include <QStringList>

#include <cstdint>

struct TCDDBRecord {
    QStringList TrackArtists; // one per "TTITLE" line, at most 255 characters each
    QStringList TrackTitles;  // at most 255 characters each
    QStringList TrackExtras;  // from "EXTT" lines, at most 255 characters each
    QString DiscExtra;        // "EXTD" lines joined, at most 255 characters
    QString DiscTitle;        // "DTITLE" after the separator, at most 255 characters
    QString DiscArtist;       // "DTITLE" before the separator, at most 255 characters
    QString Year;             // "DYEAR", at most 4 characters
    QString Genre;            // "DGENRE", at most 30 characters
    QString Comment;          // no line fills it: always empty
    QString Generated;        // "# Generated", at most 255 characters
    QString DiscLength;       // "# Disc length", at most 30 characters
    int32_t TrackCount = 0;   // the number of "TTITLE" lines
};

// Replaces `record` with what the read answer `text` holds. Tracks are counted by their
// "TTITLE" lines, not by the numbers in them: a title continued on a second line with the
// same number counts as one more track, and that line and every later one get empty titles
// because their numbers no longer match the count.
void ParseCDDBRecord(const QString& text, TCDDBRecord& record);
// The record as a disc record (DiscInfo.h): every disc field (the genre by its place in the
// genre list, the comment empty) and the titles of its tracks.
TDiscRecord DiscRecordOf(const TCDDBRecord& record);
// The number of lines of `text` that begin with "TTITLE".
int CountCDDBTrackLines(const QString& text);
