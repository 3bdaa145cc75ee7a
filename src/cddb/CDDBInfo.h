// The CDDB component of the main window: computes the disc id of the disc in a drive, asks a
// CDDB server over HTTP which entries match, reads the first one and keeps it as a disc
// record. It runs on the caller's thread; every exchange ends within the HTTP limits.
//
//   TCDDBInfo info;
//   info.CDIn = &cdIn;                 // the drive to identify: the CD input's DriveIndex
//   info.Query();                      // result code; RecordRead() tells whether a record came
//   if (info.RecordRead()) { TCDDBRecord r; info.GetRecord(r); ... }
#pragma once

#include "cddb/CDDBQuery.h"
#include "cddb/CddbDisc.h"

#include <QObject>
#include <QString>

#include <memory>

class TCDDBInfo : public QObject {
    Q_OBJECT
public:
    explicit TCDDBInfo(QObject* parent = nullptr);
    ~TCDDBInfo() override;

    // Eight lower-case hexadecimal digits; "ffffffff" without a disc or TOC. Raises
    // EAuException "CDIn is not assigned" without CDIn (or another disc source).
    QString GetDiscId();
    // "n offsets... seconds" in the protocol's numbers; empty without a disc or TOC.
    QString GetQueryString();
    // Computes both, asks the server and reads the first match; returns the result code
    // (200, 210, 211 with matches; 202 none; -1 server not reached; -2 empty answer; other
    // codes as the server sent them).
    int Query();
    // A full copy of the record of the last successful read.
    void GetRecord(TCDDBRecord& record) const { record = CddbQuery->Record; }
    // True when the last Query read a record; only then is the record worth applying.
    bool RecordRead() const { return CddbQuery->RecordRead; }
    // Why the last Query found nothing: the connection error or the server's status line.
    QString LastError() const { return CddbQuery->LastError; }
    TCDDBQuery& QueryObject() { return *CddbQuery; }

    // The e-mail address and client name of the hello; empty = the QueryCDDB settings
    // (Email, ClientName) at the time of the query.
    QString ApplicationName;
    QString ApplicationVersion;
    QString Email;
    // Base URL of the server (scheme and host, no trailing slash) and the path of its script.
    QString Server;
    QString Script;
    // The drive to identify (not owned): the drive of the CD input component, or another
    // disc source in its place.
    TCDIn* CDIn = nullptr;
    TCddbDisc* Disc = nullptr;

    int HoldCount = 0;
    QString LastDiscId;
    QString LastQueryString;
    int LastResult = 0;

    QString EffectiveEmail() const;
    QString EffectiveApplicationName() const;

private:
    // Selects the drive when the first user takes it; every path releases it again.
    class THold;
    bool ReadDisc(TDisc& disc);
    bool ReadDiscFrom(TCddbDisc& source, TDisc& disc);

    std::unique_ptr<TCDDBQuery> CddbQuery;
};

// The default server of the component: the base URL of the default CDDB host.
QString DefaultCddbBaseUrl();
