// What the query dialog's thread found, carried to the stop window by its finishing event
// and applied on the main thread: the disc information fields it read and the track titles.
#pragma once

#include "core/DiscInfo.h"
#include "core/JobEvents.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// First parameter of WM_CDDB_RESULT.
constexpr int CddbResultNoMatch = 6;  // the server answered, no entry matched
constexpr int CddbResultFinished = 7; // done; the result holds what was read
constexpr int CddbResultFailed = 8;   // the query failed; Error says why

struct TQueryCddbResult {
    int Code = CddbResultFinished;
    int Status = 0;      // the drive library's CDDB status (the server's code, -1 not reached)
    QString Error;       // for CddbResultFailed: the server's status line or the connection error
    QString StatusLine;  // the query answer's status line ("202 No match for disc ID ...")
    QStringList Matches; // "category discid title" of every match
    bool EntryRead = false;
    // Each field is set only when an entry held its line; the rest stay as they are.
    bool HasArtist = false; // "DTITLE": Artist and Album together
    QString Artist;
    QString Album;
    bool HasYear = false;
    QString Year;
    bool HasGenre = false;
    QString GenreText;
    int Genre = -1;
    bool HasTitles = false;
    QStringList Titles; // row 0 = the disc's first track
};

// Examines one entry's xmcd text line by line as the thread does and adds what it finds to
// `result`. True when the entry held the title of the disc's first track: the titles of the
// rows then come from that line and the lines after it, one per track.
bool ReadCddbEntry(const QString& text, int firstTrack, int lastTrack, TQueryCddbResult& result);

// What an entry held, as a disc record (DiscInfo.h): only the fields it had lines for.
TDiscRecord DiscRecordOf(const TQueryCddbResult& result);

// WM_CDDB_RESULT with the result it reports.
class TCddbFinishedEvent : public TCddbResultEvent {
public:
    explicit TCddbFinishedEvent(const TQueryCddbResult& result)
        : TCddbResultEvent(result.Code, result.Code == CddbResultNoMatch ? result.Status : 0), Result(result) {}
    TQueryCddbResult Result;
};
