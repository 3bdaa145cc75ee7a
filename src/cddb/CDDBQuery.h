// The HTTP exchange of the CDDB component: builds the query URLs, asks the server which
// entries match a disc, reads the first match and keeps it as a disc record.
#pragma once

#include "cddb/CDDBRecord.h"
#include "cddb/protocol/CddbProtocol.h"

#include <QString>
#include <QStringList>

class TCDDBInfo;

class TCDDBQuery {
public:
    explicit TCDDBQuery(TCDDBInfo* owner) : Owner(owner) {}

    // The query URL of a command ("query", "read") and its data (blanks become "+").
    QString BuildUrl(const QString& command, const QString& data) const;
    // False when the server could not be reached (LastError says why).
    bool HttpGet(const QString& url, QString& text);
    // The code of the last line examined (-2 for an empty answer); fills Matches.
    int ParseQueryAnswer(const QString& text);
    // The query's result code (-1 when the server could not be reached); reads the first
    // match when there is one.
    int Query(const QString& discId, const QString& queryString);
    // Reads match `index` into Record. True only for an entry the server sent ("210"); any
    // other answer leaves Record as it was.
    bool Read(int index);
    static void SplitMatch(const QString& line, QString& category, QString& discId, QString& title);
    // Keeps the answer's lines too, so that CountTrackLines tells the count of this record.
    void ParseRecord(const QString& text) {
        Lines = CddbAnswerLines(text);
        ParseCDDBRecord(text, Record);
    }
    int CountTrackLines() const { return CountCDDBTrackLines(Lines.join('\n')); }

    TCDDBInfo* Owner;
    QStringList Lines;   // the last answer, line by line
    QStringList Matches; // the match lines of the last query answer
    QString LastDiscId;
    QString LastQueryString;
    TCDDBRecord Record;      // overwritten only by a successful read
    bool RecordRead = false; // the last Query read a record
    // Why the last exchange failed: the connection error, or the server's status line.
    QString LastError;
};
