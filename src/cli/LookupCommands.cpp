// The lookup subcommand of discwright-cli: names a disc from its CD-TEXT, MusicBrainz or a
// CDDB server (the sources of Metadata/Sources in their order, or the one --source names),
// lists the candidates and the one chosen, and can store it in cdinfo.dat as the main window
// does.
#include "app/DiscLookupSetup.h"
#include "cd/CdText.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "core/DiscInfo.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "metadata/DiscLookup.h"
#include "tags/Genres.h"

#include <algorithm>

int RunLookupCommand(const QStringList& words) {
    QCommandLineParser parser;
    TDriveOptions driveOptions;
    driveOptions.AddTo(parser);
    const QCommandLineOption source(QStringLiteral("source"),
                                    QStringLiteral("Ask only this source (default: the sources of Metadata/Sources in "
                                                   "their order, the first that finds the disc answers)."),
                                    QStringLiteral("cdtext|musicbrainz|cddb"));
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("Base URL of the server to ask: MusicBrainz's (default "
                       "Metadata/MusicBrainzServer) or the CDDB server's (http://host[:port], "
                       "with the QueryCDDB/Script setting)."),
        QStringLiteral("URL"));
    const QCommandLineOption pick(QStringLiteral("pick"), QStringLiteral("Choose candidate N (default: the first)."),
                                  QStringLiteral("N"));
    const QCommandLineOption apply(
        QStringLiteral("apply"),
        QStringLiteral("Store the chosen candidate's titles and disc fields in cdinfo.dat under the disc's key."));
    for (const auto* o : {&source, &server, &pick, &apply})
        parser.addOption(*o);
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Looks the disc up and prints source:, mbdiscid: (MusicBrainz) or discid: (CDDB),\n"
                                 "one candidate N: line per candidate (artist / album (year, country, format)),\n"
                                 "then artist:, album:, year:, genre: and track N: lines of the chosen one.\n"
                                 "Exit 1 with the reason when nothing was found."),
                  exitCode))
        return exitCode;
    if (!parser.positionalArguments().isEmpty())
        return CliFail(QStringLiteral("unexpected argument ") + parser.positionalArguments().first(), 2);

    TLookupSetup setup;
    QString error;
    if (!LookupSetupFrom(Settings, setup, error))
        return CliFail(error + QStringLiteral(" in Metadata/Sources"), 2);
    if (parser.isSet(source) && !ParseLookupSources(parser.value(source), setup.Order, error))
        return CliFail(error, 2);
    if (parser.isSet(source) && setup.Order.size() != 1)
        return CliFail(QStringLiteral("--source takes one of cdtext, musicbrainz and cddb"), 2);
    if (parser.isSet(server)) {
        QString url = parser.value(server).trimmed();
        while (url.endsWith('/'))
            url.chop(1);
        if (!url.startsWith(QLatin1String("http://")) && !url.startsWith(QLatin1String("https://")))
            return CliFail(QStringLiteral("--server needs a URL such as http://127.0.0.1:8080"), 2);
        setup.MusicBrainz.Server = url;
        setup.Cddb.Server = url;
    }
    // The tool asks nobody: without an e-mail address the CDDB hello names the login and host.
    setup.Cddb.RequireEmail = false;
    int picked = 1;
    if (parser.isSet(pick)) {
        bool ok = false;
        picked = parser.value(pick).toInt(&ok);
        if (!ok || picked < 1)
            return CliFail(QStringLiteral("--pick needs a candidate number from 1"), 2);
    }

    const THandleGuard handle{OpenNamedDrive(parser, driveOptions, exitCode)};
    if (!handle.Handle)
        return exitCode;
    TDisc disc;
    if (!ReadDisc(handle.Handle, disc) || disc.Empty())
        return CliFail(WithDriveReason(ResText("RES_ReadTocError", "Error while reading TOC information!")));
    TCdText cdText;
    if (setup.Order.contains(QLatin1String("cdtext")))
        ReadCdText(handle.Handle, cdText);

    const TLookupSources sources = MakeLookupSources(setup, cdText);
    const TLookupOutcome outcome = RunLookup(disc, sources);
    for (const TLookupAnswer& a : outcome.Answers) {
        if (!a.Found()) {
            CliProgress(a.Source + QStringLiteral(": ") + a.Error);
            continue;
        }
        CliOut(QStringLiteral("source: ") + a.Source);
        if (!a.IdLine.isEmpty())
            CliOut(a.IdLine);
    }
    if (!outcome.Found())
        return CliFail(QStringLiteral("nothing found: ") + outcome.FailureText());
    const std::vector<TDiscCandidate>& candidates = outcome.Winner().Candidates;
    for (size_t i = 0; i < candidates.size(); ++i)
        CliOut(QStringLiteral("candidate %1: ").arg(i + 1) + candidates[i].Description());
    if (picked > int(candidates.size()))
        return CliFail(QStringLiteral("--pick %1: there are only %2 candidates").arg(picked).arg(candidates.size()), 2);

    // The chosen candidate as the main window applies it to the disc's information.
    const QString key = KeyOfDisc(disc);
    TDiscInfo info;
    LoadDiscInfo(key, info);
    ApplyDiscRecord(candidates[size_t(picked - 1)].Record, info, disc.FirstTrack(), disc.TrackCount());
    CliOut(QStringLiteral("artist: ") + info.Artist);
    CliOut(QStringLiteral("album: ") + info.Album);
    CliOut(QStringLiteral("year: ") + info.Year);
    CliOut(QStringLiteral("genre: ") + (info.Genre >= 0 && size_t(info.Genre) < GenreNames.size()
                                            ? QString::fromLatin1(GenreNames[size_t(info.Genre)])
                                            : QString()));
    for (const TDiscTrack& t : disc.Tracks)
        if (t.Number >= 1 && t.Number <= 100)
            CliOut(QStringLiteral("track %1: ").arg(t.Number) + ListTitle(info.Titles[size_t(t.Number)], t.Number));

    if (parser.isSet(apply))
        return StoreDiscInfo(key, info, disc.LastTrack());
    return 0;
}
