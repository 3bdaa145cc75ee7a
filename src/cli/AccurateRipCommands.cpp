// The AccurateRip subcommands of discwright-cli: ar (a disc's ids and its database entries),
// offset find (the drive's read offset from the database) and verify (a past rip checked from
// its log).
#include "accuraterip/AccurateRipDatabase.h"
#include "accuraterip/OffsetFinder.h"
#include "audio/WaveHeader.h"
#include "cd/AccurateRip.h"
#include "cd/TrackChecksums.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "core/Settings.h"
#include "jobs/RipLog.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString Hex8(uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

// --server URL or the AccurateRip/Server setting; empty with the message printed when the URL
// is not one.
QString ServerOf(const QCommandLineParser& parser, const QCommandLineOption& server, int& exitCode) {
    QString url = parser.isSet(server) ? parser.value(server).trimmed() : Settings.AccurateRipServer;
    if (!url.startsWith(QLatin1String("http://")) && !url.startsWith(QLatin1String("https://"))) {
        exitCode = CliFail(QStringLiteral("--server needs a URL such as http://127.0.0.1:8080"), 2);
        return QString();
    }
    return url;
}

QCommandLineOption ServerOption() {
    return QCommandLineOption(QStringLiteral("server"),
                              QStringLiteral("The AccurateRip server (default: the AccurateRip/Server setting)."),
                              QStringLiteral("URL"));
}

// A WAV file's audio checksums; false when it is not a readable WAV file.
bool WavChecksums(const QString& path, const TLoggedTrack& track, TTrackChecksums& sums) {
    const TWaveHeaderInfo scan = ScanWaveFile(path);
    if (!scan.Found)
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(scan.DataStart))
        return false;
    sums.Begin(track.Frames, track.FirstAudio, track.LastAudio);
    int64_t left = std::min<int64_t>(scan.DataSize, f.size() - scan.DataStart);
    while (left > 0) {
        const QByteArray block = f.read(std::min<int64_t>(left, 1 << 20));
        if (block.isEmpty())
            return false;
        sums.Add(reinterpret_cast<const uint8_t*>(block.constData()), size_t(block.size()));
        left -= block.size();
    }
    return true;
}

} // namespace

int RunArCommand(const QStringList& words) {
    QCommandLineParser parser;
    TDriveOptions driveOptions;
    driveOptions.AddTo(parser);
    const QCommandLineOption server = ServerOption();
    parser.addOption(server);
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Shows the disc's AccurateRip ids (ids:), the address of its database file (url:)\n"
                                 "and every entry of the database per track."),
                  exitCode))
        return exitCode;
    const QString url = ServerOf(parser, server, exitCode);
    if (url.isEmpty())
        return exitCode;
    const THandleGuard handle{OpenNamedDrive(parser, driveOptions, exitCode)};
    if (!handle.Handle)
        return exitCode;
    TCliDisc disc;
    if (!LoadDisc(handle.Handle, disc, exitCode))
        return exitCode;
    const TAccurateRipIds ids = AccurateRipIds(disc.Disc);
    CliOut(QStringLiteral("ids: ") + ids.Text());
    CliOut(QStringLiteral("url: ") + ids.Url(url));
    const TAccurateRipAnswer answer = FetchAccurateRip(url, ids);
    if (answer.Kind == TAccurateRipAnswer::NotInDatabase)
        return CliFail(QStringLiteral("the disc is not in the AccurateRip database"));
    if (answer.Kind != TAccurateRipAnswer::Found)
        return CliFail(answer.Error);
    for (size_t b = 0; b < answer.Blocks.size(); ++b) {
        int32_t audio = 0;
        for (const TDiscTrack& t : disc.Disc.Tracks) {
            if (t.Data)
                continue;
            const TAccurateRipEntry& e = answer.Blocks[b].Tracks[size_t(audio++)];
            CliOut(QStringLiteral("track %1: pressing %2 confidence %3 checksum %4 frame450 %5")
                       .arg(t.Number)
                       .arg(b + 1)
                       .arg(e.Confidence)
                       .arg(Hex8(e.Checksum), Hex8(e.Frame450)));
        }
    }
    return 0;
}

int RunOffsetCommand(const QStringList& words) {
    QCommandLineParser parser;
    TDriveOptions driveOptions;
    driveOptions.AddTo(parser);
    const QCommandLineOption server = ServerOption();
    const QCommandLineOption all(QStringLiteral("all"),
                                 QStringLiteral("After the usual offsets, try every offset from -2940 to +2940."));
    const QCommandLineOption apply(QStringLiteral("apply"),
                                   QStringLiteral("Store the offset found as CDOptions/ReadOffset in options.ini."));
    for (const auto* o : {&server, &all, &apply})
        parser.addOption(*o);
    parser.addPositionalArgument(QStringLiteral("find"), QStringLiteral("Find the drive's read offset."));
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Finds the drive's read offset: the first audio tracks are checked against the\n"
                                 "AccurateRip database with the usual offsets until two tracks confirm one."),
                  exitCode))
        return exitCode;
    if (parser.positionalArguments() != QStringList{QStringLiteral("find")})
        return CliFail(QStringLiteral("usage: offset find (--drive N | --image FILE) [--server URL] [--all] [--apply]"),
                       2);
    const QString url = ServerOf(parser, server, exitCode);
    if (url.isEmpty())
        return exitCode;
    const THandleGuard handle{OpenNamedDrive(parser, driveOptions, exitCode)};
    if (!handle.Handle)
        return exitCode;
    TCliDisc disc;
    if (!LoadDisc(handle.Handle, disc, exitCode))
        return exitCode;
    const TAccurateRipAnswer answer = FetchAccurateRip(url, AccurateRipIds(disc.Disc));
    if (answer.Kind == TAccurateRipAnswer::NotInDatabase)
        return CliFail(QStringLiteral("the disc is not in the AccurateRip database: no offset can be confirmed"));
    if (answer.Kind != TAccurateRipAnswer::Found)
        return CliFail(answer.Error);
    std::vector<int32_t> candidates = CommonReadOffsets();
    if (parser.isSet(all))
        for (int32_t o = -MaxReadOffset; o <= MaxReadOffset; ++o)
            if (std::find(candidates.begin(), candidates.end(), o) == candidates.end())
                candidates.push_back(o);
    const TOffsetSearch search = FindReadOffset(handle.Handle, disc.Disc, answer, candidates, [](int32_t offset) {
        CliProgress(QStringLiteral("trying %1%2").arg(offset > 0 ? "+" : "").arg(offset));
        return true;
    });
    if (!search.Error.isEmpty())
        return CliFail(search.Error);
    if (!search.Found)
        return CliFail(parser.isSet(all) ? QStringLiteral("no offset is confirmed by the database")
                                         : QStringLiteral("none of the usual offsets is confirmed by the database "
                                                          "(--all tries every offset)"));
    QStringList tracks;
    for (const int32_t t : search.Tracks)
        tracks << QString::number(t);
    CliOut(QStringLiteral("offset: %1%2 (confirmed by tracks %3)")
               .arg(search.Offset > 0 ? "+" : "")
               .arg(search.Offset)
               .arg(tracks.join(QStringLiteral(", "))));
    if (parser.isSet(apply)) {
        TIniFile ini(OptionsFilePath());
        ini.WriteInteger(QStringLiteral("CDOptions"), QStringLiteral("ReadOffset"), search.Offset);
        if (!ini.UpdateFile())
            return CliFail(SettingsSaveErrorText(OptionsFilePath()));
        CliProgress(QStringLiteral("stored in options.ini as CDOptions/ReadOffset"));
    }
    return 0;
}

int RunVerifyCommand(const QStringList& words) {
    QCommandLineParser parser;
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Also ask this AccurateRip server for the tracks' confidence now."),
                                    QStringLiteral("URL"));
    parser.addOption(server);
    parser.addPositionalArgument(QStringLiteral("LOG"), QStringLiteral("The log of a rip."));
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Checks a past rip from its log: every file by its SHA-256, a WAV file also by the\n"
                                 "CRC32 and AccurateRip checksums of its audio. One line per track: ok, changed\n"
                                 "or missing. Exit 0 only when every file is intact and the log is unchanged."),
                  exitCode))
        return exitCode;
    if (parser.positionalArguments().size() != 1)
        return CliFail(QStringLiteral("usage: verify LOG [--server URL]"), 2);
    TRipLog log;
    QString error;
    if (!ReadRipLog(parser.positionalArguments().first(), log, error))
        return CliFail(error);
    bool intact = true;
    if (!log.Sealed) {
        CliOut(QStringLiteral("log: edited (its last line does not match its content)"));
        intact = false;
    }
    for (const TLoggedTrack& t : log.Tracks) {
        QString state = QStringLiteral("ok");
        for (const TLoggedFile& f : t.Files) {
            const QString path = QDir(log.Folder).filePath(f.Path);
            if (!QFileInfo(path).isFile()) {
                state = QStringLiteral("missing");
                break;
            }
            bool same = FileSha256(path) == f.Sha256;
            if (same && t.HasCrc && log.ChecksumsFromAudio && path.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive)) {
                TTrackChecksums sums;
                same = WavChecksums(path, t, sums) && sums.Crc32() == t.Crc && sums.AccurateRipV1() == t.V1 &&
                       sums.AccurateRipV2() == t.V2;
            }
            if (!same)
                state = QStringLiteral("changed");
        }
        if (state != QLatin1String("ok"))
            intact = false;
        CliOut(QStringLiteral("track %1: ").arg(t.Number) + state);
    }
    if (parser.isSet(server)) {
        const TAccurateRipAnswer answer = FetchAccurateRip(parser.value(server).trimmed(), log.Ids);
        for (const TLoggedTrack& t : log.Tracks)
            CliOut(QStringLiteral("accuraterip: track %1: ").arg(t.Number) +
                   JudgeTrack(answer, t.AudioIndex, t.V1, t.V2).Text);
    }
    return intact ? 0 : 1;
}
