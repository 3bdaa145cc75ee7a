// The cddb subcommand of discwright-cli: names a disc from a CDDB server through either query
// path of the program (the drive library's CDDB functions as the query dialog uses them, or
// the CDDB component with --paranoia) and can store the result in cdinfo.dat as the main
// window does when it closes.
#include "cd/CDIn.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "cddb/CDDBInfo.h"
#include "cddb/StopQueryController.h"
#include "cddb/protocol/CddbProtocol.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "core/DiscInfo.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "tags/Genres.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// What either path read, in the form the command prints.
struct TCddbOutcome {
    QString DiscId;
    QString QueryString;
    int Status = 0;
    QStringList Matches;
    bool RecordRead = false;
    QString Failure;
    QString GenreText;
    QStringList Titles; // row 0 = the disc's first track
};

// Through the query dialog's stop window, which applies what it read to `info`.
TCddbOutcome QueryThroughDriveLibrary(int handle, const TDisc& disc, const QString& server, TDiscInfo& info) {
    TCddbOutcome out;
    out.DiscId = disc.CddbDiscId();
    out.QueryString = disc.CddbQueryNumbers();
    TStopQueryController stop;
    stop.FirstTrack = uint8_t(disc.FirstTrack());
    stop.LastTrack = uint8_t(disc.LastTrack());
    stop.DriveHandle = handle;
    stop.Server = server;
    stop.Disc = &info;
    stop.Start();
    RunEventLoopUntil([&] { return !stop.Running(); });
    const TQueryCddbResult& r = stop.LastResult();
    out.Status = r.Status;
    out.Matches = r.Matches;
    out.RecordRead = r.Code == CddbResultFinished && r.EntryRead;
    out.Failure = r.Code == CddbResultFailed ? r.Error : r.StatusLine;
    out.GenreText = r.HasGenre ? r.GenreText : QString();
    out.Titles = r.Titles;
    return out;
}

// Through the CDDB component; a record read is applied to `info` as the main window applies it.
TCddbOutcome QueryThroughComponent(TCDIn& cdIn, const QString& server, const TDisc& disc, TDiscInfo& info) {
    TCDDBInfo component;
    component.CDIn = &cdIn;
    component.Script = Settings.Script;
    if (!server.isEmpty())
        component.Server = server;
    TCddbOutcome out;
    out.Status = component.Query();
    out.DiscId = component.LastDiscId;
    out.QueryString = component.LastQueryString;
    for (const QString& m : component.QueryObject().Matches)
        out.Matches << m;
    out.RecordRead = component.RecordRead();
    out.Failure = component.LastError();
    if (out.RecordRead) {
        TCDDBRecord r;
        component.GetRecord(r);
        out.GenreText = r.Genre;
        out.Titles = r.TrackTitles;
        ApplyDiscRecord(DiscRecordOf(r), info, disc.FirstTrack(), disc.TrackCount());
    }
    return out;
}

} // namespace

int RunCddbCommand(const QStringList& words) {
    QCommandLineParser parser;
    TDriveOptions driveOptions;
    driveOptions.AddTo(parser);
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("Base URL of the CDDB server (http://host[:port]); the script is the QueryCDDB/Script setting."),
        QStringLiteral("URL"));
    const QCommandLineOption paranoia(QStringLiteral("paranoia"),
                                      QStringLiteral("Query through the CDDB component (the path without a drive "
                                                     "handle) instead of the drive library's CDDB functions."));
    const QCommandLineOption apply(
        QStringLiteral("apply"),
        QStringLiteral("Store the titles and disc fields in cdinfo.dat under the disc's key."));
    for (const auto* o : {&server, &paranoia, &apply})
        parser.addOption(*o);
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Asks a CDDB server for the disc and prints discid:, query:, status:, one match:\n"
                                 "line per match, then the record read: artist:, album:, year:, genre: (text and\n"
                                 "index), and track N: lines. Exit 0 only when a record was read."),
                  exitCode))
        return exitCode;
    if (!parser.positionalArguments().isEmpty())
        return CliFail(QStringLiteral("unexpected argument ") + parser.positionalArguments().first(), 2);
    QString serverUrl = parser.value(server).trimmed();
    while (serverUrl.endsWith('/'))
        serverUrl.chop(1);
    if (parser.isSet(server) && !serverUrl.startsWith(QLatin1String("http://")) &&
        !serverUrl.startsWith(QLatin1String("https://")))
        return CliFail(QStringLiteral("--server needs a URL such as http://127.0.0.1:8080"), 2);

    THandleGuard handle;
    int driveIndex = -1;
    handle.Handle = OpenNamedDrive(parser, driveOptions, exitCode, &driveIndex);
    if (!handle.Handle)
        return exitCode;
    TDisc disc;
    if (!ReadDisc(handle.Handle, disc) || disc.Empty())
        return CliFail(WithDriveReason(
            LoadResText(QStringLiteral("RES_ReadTocError"), QStringLiteral("Error while reading TOC information!"))));
    const QString key = KeyOfDisc(disc);
    TDiscInfo info;
    LoadDiscInfo(key, info);

    TCddbOutcome out;
    if (parser.isSet(paranoia)) {
        CliProgress(QStringLiteral("querying ") + (serverUrl.isEmpty() ? DefaultCddbBaseUrl() : serverUrl));
        // The CD input component lists the drives of the drive library in the same order.
        TCDIn cdIn;
        cdIn.SetDriveIndex(driveIndex < 0 ? cdIn.DriveCount() - 1 : driveIndex);
        out = QueryThroughComponent(cdIn, serverUrl, disc, info);
    } else {
        CliProgress(QStringLiteral("querying ") + (serverUrl.isEmpty() ? Settings.Server : serverUrl));
        out = QueryThroughDriveLibrary(handle.Handle, disc, serverUrl, info);
    }

    CliOut(QStringLiteral("discid: ") + out.DiscId);
    CliOut(QStringLiteral("query: ") + out.QueryString);
    CliOut(QStringLiteral("status: ") + QString::number(out.Status));
    for (const QString& m : out.Matches)
        CliOut(QStringLiteral("match: ") + m);
    if (!out.RecordRead)
        return CliFail(out.Failure.isEmpty() ? QStringLiteral("no record was read") : out.Failure);
    CliOut(QStringLiteral("artist: ") + info.Artist);
    CliOut(QStringLiteral("album: ") + info.Album);
    CliOut(QStringLiteral("year: ") + info.Year);
    CliOut(QStringLiteral("genre: ") + out.GenreText + QStringLiteral(" (") +
           QString::number(GenreIndexOf(out.GenreText)) + ')');
    for (int i = 0; i < out.Titles.size(); ++i)
        CliOut(QStringLiteral("track %1: ").arg(disc.FirstTrack() + i) + out.Titles[i]);

    // The record went into the titles of the track list's rows; the disc's information is
    // stored as the main window stores its list when it closes.
    if (parser.isSet(apply))
        return StoreDiscInfo(key, info, disc.TrackCount());
    return 0;
}
