// The rip log and cue sheet (see RipLog.h).
#include "jobs/RipLog.h"

#include "core/Helpers.h"
#include "platform/FileHash.h"
#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const char* const FirstLine = "Discwright rip log";
const char* const SealKey = "SHA-256: ";

QString Hex8(uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

// "mm:ss.ff" of a sector count (75 frames a second).
QString TimeText(int64_t sectors) {
    return QStringLiteral("%1:%2.%3")
        .arg(sectors / 4500, 2, 10, QLatin1Char('0'))
        .arg(sectors / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(sectors % 75, 2, 10, QLatin1Char('0'));
}

// The place of a track among the disc's audio tracks and whether it is the first or the last.
int32_t AudioIndexOf(const TDisc& disc, int32_t number) {
    int32_t index = 0;
    for (const TDiscTrack& t : disc.Tracks) {
        if (t.Number == number)
            return t.Data ? -1 : index;
        if (!t.Data)
            ++index;
    }
    return -1;
}

QString RangeText(const TDisc& disc, size_t at) {
    const bool first = disc.FirstAudio(at);
    const bool last = disc.LastAudio(at);
    return first && last ? QStringLiteral("only")
           : first       ? QStringLiteral("first")
           : last        ? QStringLiteral("last")
                         : QStringLiteral("middle");
}

QString ReadModeText(const TRipRequest& r) {
    return r.SecureReading ? QStringLiteral("secure (jitter correction)") : QStringLiteral("plain");
}

QString AnswerText(const TRipRequest& r, const TAccurateRipAnswer& a) {
    if (!r.AccurateRip)
        return QStringLiteral("off");
    switch (a.Kind) {
    case TAccurateRipAnswer::Found:
        return r.AccurateRipServer + QStringLiteral(" (%1 pressings)").arg(a.Blocks.size());
    case TAccurateRipAnswer::NotInDatabase:
        return r.AccurateRipServer + QStringLiteral(" (not in the database)");
    case TAccurateRipAnswer::Failed:
        return r.AccurateRipServer + QStringLiteral(" (") + a.Error + ')';
    case TAccurateRipAnswer::NotAsked:
        break;
    }
    return r.AccurateRipServer + QStringLiteral(" (not asked)");
}

// The path of a file relative to the log's folder.
QString Relative(const QString& folder, const QString& file) {
    return QDir(folder).relativeFilePath(file);
}

QString CueQuoted(const QString& text) {
    QString t = text;
    t.replace('"', '\'');
    t.replace('\n', ' ').replace('\r', ' ');
    return '"' + t + '"';
}

} // namespace

QString RipLogBaseName(const TRipRequest& request) {
    QString name = CleanFileName(request.Disc.Album).trimmed();
    while (name.startsWith('.'))
        name.remove(0, 1);
    if (!name.isEmpty())
        return name;
    return request.DiscKey.isEmpty() ? QStringLiteral("rip") : request.DiscKey;
}

QString RipLogText(const TRipLogInput& in) {
    const TRipRequest& r = in.Request;
    const TDisc& disc = r.Layout;
    const TAccurateRipIds ids = AccurateRipIds(disc);
    const QString folder = RipLogFolder(r);
    QStringList out;
    out << QString::fromLatin1(FirstLine);
    out << QStringLiteral("Program: Discwright ") + QStringLiteral(DW_VERSION);
    out << QStringLiteral("Date: ") + in.When.toUTC().toString(Qt::ISODate);
    out << QStringLiteral("Drive: ") + r.DriveName;
    out << QStringLiteral("Read mode: ") + ReadModeText(r);
    out << QStringLiteral("Read offset: %1%2 samples").arg(r.ReadOffset > 0 ? "+" : "").arg(r.ReadOffset);
    out << QStringLiteral("Test and copy: ") + (r.TestAndCopy ? QStringLiteral("yes") : QStringLiteral("no"));
    out << QStringLiteral("Gain pass: ") +
               (r.Normalize ? QStringLiteral("%1 %").arg(r.NormalizePercent) : QStringLiteral("no"));
    out << QStringLiteral("Length limit: ") +
               (r.LengthLimit > 0 ? QStringLiteral("%1 s").arg(r.LengthLimit) : QStringLiteral("none"));
    out << QStringLiteral("Format: ") + OutputFormatName(r.Format);
    out << QStringLiteral("AccurateRip: ") + AnswerText(r, in.Answer);
    out << QStringLiteral("Disc key: ") + r.DiscKey;
    out << QStringLiteral("CDDB disc id: ") + disc.CddbDiscId();
    out << QStringLiteral("AccurateRip disc id: ") + ids.Text();
    out << QStringLiteral("Artist: ") + r.Disc.Artist;
    out << QStringLiteral("Album: ") + r.Disc.Album;
    if (in.Album && r.CoverArt)
        out << QStringLiteral("Cover art: ") +
                   (!in.Album->Cover.isEmpty()
                        ? QStringLiteral("%1 bytes").arg(in.Album->Cover.size()) +
                              (in.Album->CoverFile.isEmpty()
                                   ? QString()
                                   : QStringLiteral(", ") + QFileInfo(in.Album->CoverFile).fileName())
                        : QStringLiteral("none (") + in.Album->CoverError + ')');
    if (in.Stopped)
        out << QStringLiteral("Stopped: yes");
    out << QString();
    out << QStringLiteral("TOC");
    out << QStringLiteral("  Track  Start     Length    Start sector  End sector  Kind");
    for (size_t i = 0; i < disc.Tracks.size(); ++i) {
        const TDiscTrack& t = disc.Tracks[i];
        out << QStringLiteral("  %1  %2  %3  %4  %5  %6")
                   .arg(t.Number, 5)
                   .arg(TimeText(t.Start), 8)
                   .arg(TimeText(disc.SectorsOf(i)), 8)
                   .arg(t.Start, 12)
                   .arg(disc.EndOf(i) - 1, 10)
                   .arg(t.Data ? QStringLiteral("data") : QStringLiteral("audio"));
    }
    out << QStringLiteral("  Lead-out at sector %1").arg(disc.LeadOut);

    int accurate = 0;
    QStringList errors;
    for (const TTrackResult& t : in.Tracks) {
        const size_t at = size_t(t.Number - 1);
        out << QString();
        out << QStringLiteral("Track %1").arg(t.DiscNumber);
        out << QStringLiteral("  Title: ") + t.Title;
        for (const QString& file : t.Files) {
            out << QStringLiteral("  File: ") + Relative(folder, file);
            out << QStringLiteral("  File SHA-256: ") + FileSha256(file);
        }
        out << QStringLiteral("  Peak level: %1 %").arg(double(t.Read.Peak) * 100.0 / 32768.0, 0, 'f', 1);
        double gain = 0;
        if (r.ReplayGain && t.Read.Loudness && ReplayGainOf(*t.Read.Loudness, gain))
            out << QStringLiteral("  ReplayGain: ") + ReplayGainText(gain) + QStringLiteral(", peak ") +
                       ReplayPeakText(double(t.Read.Peak) / 32768.0);
        out << QStringLiteral("  Test CRC: ") + (t.Tested ? Hex8(t.TestCrc) : QStringLiteral("-"));
        out << QStringLiteral("  Copy CRC: ") + Hex8(t.Read.Crc32);
        if (t.Reread)
            out << QStringLiteral("  Re-read CRC: ") + Hex8(t.RereadCrc);
        out << QStringLiteral("  Samples: %1").arg(t.Read.Frames);
        if (at < disc.Tracks.size()) {
            out << QStringLiteral("  AccurateRip range: ") + RangeText(disc, at);
            out << QStringLiteral("  AccurateRip position: %1").arg(AudioIndexOf(disc, t.DiscNumber) + 1);
        }
        out << QStringLiteral("  AccurateRip v1: ") + Hex8(t.Read.AccurateRipV1);
        out << QStringLiteral("  AccurateRip v2: ") + Hex8(t.Read.AccurateRipV2);
        out << QStringLiteral("  AccurateRip: ") + t.AccurateRip.Text;
        out << QStringLiteral("  Offset silence: %1 samples").arg(t.Read.OffsetSilence);
        out << QStringLiteral("  Read errors: %1").arg(t.Read.ReadErrors);
        out << QStringLiteral("  Retries: %1").arg(t.Reread ? 1 : 0);
        out << QStringLiteral("  Jitter corrections: %1").arg(t.Read.JitterCorrections);
        if (!t.Encode.isEmpty())
            out << QStringLiteral("  Encode: ") + t.Encode;
        QString status = QStringLiteral("ok");
        if (!t.Ok)
            status = QStringLiteral("failed: ") + t.Reason;
        else if (t.Suspicious)
            status = QStringLiteral("suspicious (the reads differ)");
        out << QStringLiteral("  Status: ") + status;
        if (t.Earlier)
            out << QStringLiteral("  Taken from the earlier run of this rip: yes");
        if (t.AccurateRip.Kind == TAccurateRipVerdict::Accurate)
            ++accurate;
        if (status != QLatin1String("ok"))
            errors << QStringLiteral("track %1 %2").arg(t.DiscNumber).arg(status);
    }
    out << QString();
    out << QStringLiteral("Summary");
    if (in.Album && in.Album->AlbumGain)
        out << QStringLiteral("  Album ReplayGain: ") + ReplayGainText(*in.Album->AlbumGain) +
                   QStringLiteral(", peak ") + ReplayPeakText(in.Album->AlbumPeak);
    out << QStringLiteral("  %1 of %2 tracks accurately ripped").arg(accurate).arg(r.Tracks.size());
    if (in.Stopped)
        errors
            << QStringLiteral("the rip was stopped after %1 of %2 tracks").arg(in.Tracks.size()).arg(r.Tracks.size());
    out << (errors.isEmpty() ? QStringLiteral("  no errors")
                             : QStringLiteral("  Errors: ") + errors.join(QStringLiteral("; ")));
    QString text = out.join('\n') + '\n';
    return text + QString::fromLatin1(SealKey) + Sha256Hex(text.toUtf8()) + '\n';
}

QString RipCueText(const TRipLogInput& in) {
    const TRipRequest& r = in.Request;
    QStringList out;
    out << QStringLiteral("REM DISCID ") + r.Layout.CddbDiscId().toUpper();
    out << QStringLiteral("REM COMMENT ") + CueQuoted(QStringLiteral("Discwright ") + QStringLiteral(DW_VERSION));
    out << QStringLiteral("PERFORMER ") + CueQuoted(r.Disc.Artist);
    out << QStringLiteral("TITLE ") + CueQuoted(r.Disc.Album);
    const QString type = r.Format == ofMP3 ? QStringLiteral("MP3") : QStringLiteral("WAVE");
    for (const TTrackResult& t : in.Tracks) {
        if (!t.Ok || t.Files.isEmpty())
            continue;
        out << QStringLiteral("FILE ") + CueQuoted(Relative(RipLogFolder(r), t.Files.first())) + ' ' + type;
        out << QStringLiteral("  TRACK %1 AUDIO").arg(t.DiscNumber, 2, 10, QLatin1Char('0'));
        out << QStringLiteral("    TITLE ") + CueQuoted(t.Title);
        out << QStringLiteral("    INDEX 01 00:00:00");
    }
    return out.join('\n') + '\n';
}

namespace {

bool SaveWhole(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    QString why;
    if (OpenSaveFile(file, why) && WriteAll(file, bytes.constData(), bytes.size(), why) && CommitSaveFile(file, why))
        return true;
    error = path + QStringLiteral(": ") + why;
    return false;
}

} // namespace

QString RipLogFolder(const TRipRequest& request) {
    return request.Tracks.empty() ? request.OutputFolder : QFileInfo(request.WavOf(0)).absolutePath();
}

bool WriteRipLog(const TRipLogInput& in, QString& logPath, QString& cuePath, QString& error) {
    // A resumed rip completes its own log and cue sheet.
    if (!logPath.isEmpty() && !cuePath.isEmpty())
        return SaveWhole(logPath, RipLogText(in).toUtf8(), error) && SaveWhole(cuePath, RipCueText(in).toUtf8(), error);
    // The log of an earlier rip into the same folder belongs to its files: it is kept.
    const QString stem = AddTrailingBackslash(RipLogFolder(in.Request)) + RipLogBaseName(in.Request);
    QString base = stem;
    for (int n = 2;
         QFileInfo::exists(base + QStringLiteral(".log")) || QFileInfo::exists(base + QStringLiteral(".cue")); ++n)
        base = stem + QStringLiteral(" (%1)").arg(n);
    logPath = base + QStringLiteral(".log");
    cuePath = base + QStringLiteral(".cue");
    return SaveWhole(logPath, RipLogText(in).toUtf8(), error) && SaveWhole(cuePath, RipCueText(in).toUtf8(), error);
}

bool ReadRipLog(const QString& path, TRipLog& log, QString& error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": cannot be read (") + f.errorString() + ')';
        return false;
    }
    const QByteArray bytes = f.read(16 * 1024 * 1024);
    if (!bytes.startsWith(FirstLine)) {
        error = path + QStringLiteral(": not a Discwright rip log");
        return false;
    }
    const qsizetype seal = bytes.lastIndexOf(QByteArray("\n") + SealKey);
    if (seal < 0 || !bytes.endsWith('\n')) {
        error = path + QStringLiteral(": the log is cut short (its SHA-256 line is missing)");
        return false;
    }
    const QByteArray body = bytes.left(seal + 1);
    const QByteArray sealLine = bytes.mid(seal + 1).trimmed();
    log = TRipLog();
    log.Folder = QFileInfo(path).absolutePath();
    log.Sealed = sealLine.mid(int(qstrlen(SealKey))) == Sha256Hex(body).toLatin1();
    const QStringList lines = QString::fromUtf8(body).split('\n');
    TLoggedTrack* track = nullptr;
    static const QRegularExpression ids(QStringLiteral("^(\\d{3})-([0-9a-f]{8})-([0-9a-f]{8})-([0-9a-f]{8})$"));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        const qsizetype colon = line.indexOf(QStringLiteral(": "));
        const QString key = colon > 0 ? line.left(colon) : line;
        const QString value = colon > 0 ? line.mid(colon + 2) : QString();
        if (!raw.startsWith(' ')) {
            track = nullptr;
            if (line.startsWith(QLatin1String("Track ")) && colon < 0) {
                log.Tracks.emplace_back();
                track = &log.Tracks.back();
                track->Number = line.mid(6).toInt();
            } else if (key == QLatin1String("Gain pass") && value != QLatin1String("no")) {
                log.ChecksumsFromAudio = false;
            } else if (key == QLatin1String("Length limit") && value != QLatin1String("none")) {
                log.ChecksumsFromAudio = false;
            } else if (key == QLatin1String("AccurateRip disc id")) {
                const QRegularExpressionMatch m = ids.match(value);
                if (m.hasMatch()) {
                    log.Ids.AudioTracks = m.captured(1).toInt();
                    log.Ids.Id1 = m.captured(2).toUInt(nullptr, 16);
                    log.Ids.Id2 = m.captured(3).toUInt(nullptr, 16);
                    log.Ids.Cddb = m.captured(4).toUInt(nullptr, 16);
                }
            } else if (key == QLatin1String("AccurateRip")) {
                log.Server = value.section(' ', 0, 0);
            }
            continue;
        }
        if (!track)
            continue;
        if (key == QLatin1String("Title")) {
            track->Title = value;
        } else if (key == QLatin1String("File")) {
            track->Files.push_back({value, QString()});
        } else if (key == QLatin1String("File SHA-256") && !track->Files.empty()) {
            track->Files.back().Sha256 = value;
        } else if (key == QLatin1String("Copy CRC")) {
            track->HasCrc = true;
            track->Crc = value.toUInt(nullptr, 16);
        } else if (key == QLatin1String("Samples")) {
            track->Frames = value.toLongLong();
        } else if (key == QLatin1String("AccurateRip range")) {
            track->FirstAudio = value == QLatin1String("first") || value == QLatin1String("only");
            track->LastAudio = value == QLatin1String("last") || value == QLatin1String("only");
        } else if (key == QLatin1String("AccurateRip position")) {
            track->AudioIndex = value.toInt() - 1;
        } else if (key == QLatin1String("AccurateRip v1")) {
            track->V1 = value.toUInt(nullptr, 16);
        } else if (key == QLatin1String("AccurateRip v2")) {
            track->V2 = value.toUInt(nullptr, 16);
        }
    }
    if (log.Tracks.empty()) {
        error = path + QStringLiteral(": the log names no track");
        return false;
    }
    return true;
}
