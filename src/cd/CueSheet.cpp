// Reading and checking cue sheets (see CueSheet.h).
#include "cd/CueSheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

// Bytes per sector of each track mode a cue sheet may name.
int ModeSectorBytes(const QString& mode) {
    static const struct {
        const char* Mode;
        int Bytes;
    } modes[] = {{"AUDIO", 2352},      {"MODE1/2048", 2048}, {"MODE1/2352", 2352},
                 {"MODE2/2048", 2048}, {"MODE2/2324", 2324}, {"MODE2/2336", 2336},
                 {"MODE2/2352", 2352}, {"CDI/2336", 2336},   {"CDI/2352", 2352}};
    for (const auto& m : modes)
        if (mode.compare(QLatin1String(m.Mode), Qt::CaseInsensitive) == 0)
            return m.Bytes;
    return 0;
}

// "mm:ss:ff" to sectors; -1 when the text is not a position.
int32_t ParseCueTime(const QString& text) {
    static const QRegularExpression time(QStringLiteral("^(\\d{1,3}):(\\d{1,2}):(\\d{1,2})$"));
    const QRegularExpressionMatch m = time.match(text);
    if (!m.hasMatch())
        return -1;
    const int minutes = m.captured(1).toInt();
    const int seconds = m.captured(2).toInt();
    const int frames = m.captured(3).toInt();
    if (seconds >= 60 || frames >= 75)
        return -1;
    return minutes * 4500 + seconds * 75 + frames;
}

// The file a cue sheet's FILE line names: as written (relative to the cue's folder), or with
// Windows separators, or just its base name beside the cue.
QString ResolveCueFile(const QString& cuePath, const QString& name) {
    const QDir folder = QFileInfo(cuePath).absoluteDir();
    QString unixName = name;
    unixName.replace('\\', '/');
    const QString baseName = QFileInfo(unixName).fileName();
    for (const QString& candidate : {name, unixName, baseName}) {
        const QString path = QDir::isAbsolutePath(candidate) ? candidate : folder.filePath(candidate);
        if (!candidate.isEmpty() && QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    // Cue sheets written on Windows may not match the case of the name on disk.
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files))
        if (!baseName.isEmpty() && entry.fileName().compare(baseName, Qt::CaseInsensitive) == 0)
            return entry.absoluteFilePath();
    return QString();
}

// Where the samples of a RIFF WAVE file lie. False (and `error` empty) when the file is not
// a WAV file; a WAV file that does not hold CD audio (PCM, 44.1 kHz, 16 bits, stereo) sets
// `error`.
bool FindWavData(const QString& path, int64_t& dataStart, int64_t& dataBytes, QString& error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return false;
    const QString name = QFileInfo(path).fileName();
    const auto le = [](const QByteArray& b, int at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | uint8_t(b[at + i]);
        return v;
    };
    bool cdAudio = false;
    int64_t at = 12;
    while (at + 8 <= f.size()) {
        f.seek(at);
        const QByteArray chunk = f.read(8);
        const int64_t size = le(chunk, 4, 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray fmt = f.read(16);
            const uint32_t tag = fmt.size() == 16 ? le(fmt, 0, 2) : 0;
            // WAVE_FORMAT_EXTENSIBLE with 16-bit stereo holds the same samples as plain PCM.
            cdAudio =
                (tag == 1 || tag == 0xFFFE) && le(fmt, 2, 2) == 2 && le(fmt, 4, 4) == 44100 && le(fmt, 14, 2) == 16;
        } else if (chunk.startsWith("data")) {
            if (!cdAudio) {
                error = name + QStringLiteral(" does not hold CD audio (PCM, 44100 Hz, 16 bits, stereo)");
                return true;
            }
            dataStart = at + 8;
            dataBytes = std::min<int64_t>(size, f.size() - dataStart);
            return true;
        }
        at += 8 + size + (size & 1);
    }
    error = name + QStringLiteral(" is a WAV file without audio data");
    return true;
}

} // namespace

QString CueTimeText(int64_t sectors) {
    return QStringLiteral("%1:%2:%3")
        .arg(sectors / 4500, 2, 10, QChar('0'))
        .arg(sectors / 75 % 60, 2, 10, QChar('0'))
        .arg(sectors % 75, 2, 10, QChar('0'));
}

bool TCueSheet::Fail(const QString& cuePath, const QString& why) {
    Error = cuePath + QStringLiteral(": ") + why;
    return false;
}

bool TCueSheet::Load(const QString& cuePath) {
    *this = TCueSheet();
    QFile f(cuePath);
    if (!f.open(QIODevice::ReadOnly))
        return Fail(cuePath, f.errorString());
    // Cue sheets are a few kilobytes; anything huge is not one.
    if (f.size() > 1024 * 1024)
        return Fail(cuePath, QStringLiteral("is not a cue sheet (too large)"));
    Content = f.readAll();
    // Editors on Windows like to start a UTF-8 file with a byte-order mark; libcdio fails on it.
    if (Content.startsWith("\xEF\xBB\xBF"))
        Content.remove(0, 3);

    int fileLines = 0;
    QString fileName;
    QString fileType;
    if (!ParseLines(cuePath, fileLines, fileName, fileType))
        return false;
    if (Tracks.empty())
        return Fail(cuePath, QStringLiteral("the cue sheet has no TRACK"));
    if (fileLines == 0)
        return Fail(cuePath, QStringLiteral("the cue sheet names no FILE"));
    if (fileLines > 1)
        return Fail(cuePath, QStringLiteral("cue sheets with more than one FILE are not supported"));
    const QString type = fileType.toUpper();
    if (type != QLatin1String("BINARY") && type != QLatin1String("MOTOROLA") && type != QLatin1String("WAVE"))
        return Fail(cuePath, QStringLiteral("FILE type ") + fileType +
                                 QStringLiteral(" is not supported (BINARY, MOTOROLA or WAVE only)"));
    BinPath = ResolveCueFile(cuePath, fileName);
    if (BinPath.isEmpty())
        return Fail(cuePath, QStringLiteral("the file it names, ") + fileName + QStringLiteral(", does not exist"));
    BigEndian = type == QLatin1String("MOTOROLA");
    BinBytes = QFileInfo(BinPath).size();
    // A WAV file's header must not be read as audio, whatever type the FILE line gives it.
    QString wavError;
    const bool wav = FindWavData(BinPath, DataStart, BinBytes, wavError);
    if (!wavError.isEmpty())
        return Fail(cuePath, wavError);
    if (type == QLatin1String("WAVE") && !wav)
        return Fail(cuePath, fileName + QStringLiteral(" is not a WAV file (only WAV files with CD audio can be "
                                                       "named as WAVE)"));
    if (wav)
        BigEndian = false;
    return CheckTracks(cuePath);
}

bool TCueSheet::ParseLines(const QString& cuePath, int& fileLines, QString& fileName, QString& fileType) {
    const QString text = QString::fromUtf8(Content);
    for (QString line : text.split('\n')) {
        line = line.trimmed();
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        const QString keyword = words.value(0).toUpper();
        if (keyword == QLatin1String("FILE")) {
            const QString rest = line.mid(4).trimmed();
            QString name;
            QString type;
            if (rest.startsWith('"')) {
                const qsizetype close = rest.indexOf('"', 1);
                if (close < 0)
                    return Fail(cuePath, QStringLiteral("unterminated file name in line: ") + line);
                name = rest.mid(1, close - 1);
                type = rest.mid(close + 1).trimmed();
            } else {
                static const QRegularExpression lastBlank(QStringLiteral("\\s(?=\\S*$)"));
                const qsizetype space = rest.indexOf(lastBlank);
                name = space < 0 ? rest : rest.left(space).trimmed();
                type = space < 0 ? QString() : rest.mid(space + 1).trimmed();
            }
            if (fileLines++ == 0) {
                fileName = name;
                fileType = type;
            }
        } else if (keyword == QLatin1String("TRACK")) {
            bool ok = false;
            TCueTrack track;
            track.Number = words.value(1).toInt(&ok);
            if (!ok || track.Number < 1 || track.Number > 99)
                return Fail(cuePath, QStringLiteral("bad track number in line: ") + line);
            if (!Tracks.empty() && track.Number != Tracks.back().Number + 1)
                return Fail(cuePath, QStringLiteral("track %1 follows track %2; track numbers must rise by one")
                                         .arg(track.Number)
                                         .arg(Tracks.back().Number));
            track.Mode = words.value(2).toUpper();
            track.SectorBytes = ModeSectorBytes(track.Mode);
            if (track.SectorBytes == 0)
                return Fail(
                    cuePath,
                    QStringLiteral("the mode '%1' of track %2 is not supported").arg(words.value(2)).arg(track.Number));
            track.Audio = track.Mode == QLatin1String("AUDIO");
            track.FirstIndex = track.Start = -1;
            Tracks.push_back(track);
        } else if (keyword == QLatin1String("PREGAP") || keyword == QLatin1String("POSTGAP")) {
            const int32_t length = ParseCueTime(words.value(1));
            if (Tracks.empty() || length < 0)
                return Fail(cuePath, QStringLiteral("bad %1 line: ").arg(keyword) + line);
            (keyword == QLatin1String("PREGAP") ? Tracks.back().Pregap : Tracks.back().Postgap) = length;
        } else if (keyword == QLatin1String("INDEX")) {
            if (Tracks.empty())
                return Fail(cuePath, QStringLiteral("INDEX before the first TRACK in line: ") + line);
            TCueTrack& track = Tracks.back();
            bool ok = false;
            const int index = words.value(1).toInt(&ok);
            const int32_t at = ParseCueTime(words.value(2));
            if (!ok || index < 0 || index > 99 || at < 0)
                return Fail(cuePath, QStringLiteral("track %1 has a bad INDEX line: ").arg(track.Number) + line);
            if (index == 1) {
                if (track.Start >= 0)
                    return Fail(cuePath, QStringLiteral("track %1 has two INDEX 01 lines").arg(track.Number));
                track.Start = at;
                if (track.FirstIndex < 0)
                    track.FirstIndex = at;
            } else if (index == 0) {
                if (track.Start >= 0)
                    return Fail(cuePath, QStringLiteral("track %1 has INDEX 00 after INDEX 01").arg(track.Number));
                track.FirstIndex = at;
            }
        }
    }
    return true;
}

bool TCueSheet::CheckTracks(const QString& cuePath) {
    const QString binName = QFileInfo(BinPath).fileName();
    for (size_t i = 0; i < Tracks.size(); ++i) {
        TCueTrack& t = Tracks[i];
        if (t.Start < 0)
            return Fail(cuePath, QStringLiteral("track %1 has no INDEX 01").arg(t.Number));
        if (t.FirstIndex > t.Start)
            return Fail(cuePath, QStringLiteral("track %1 has INDEX 00 (%2) after INDEX 01 (%3)")
                                     .arg(t.Number)
                                     .arg(CueTimeText(t.FirstIndex), CueTimeText(t.Start)));
        if (i == 0) {
            // Whatever lies before the first index is stored like track 1.
            t.FileOffset = int64_t(t.FirstIndex) * t.SectorBytes;
        } else {
            const TCueTrack& prev = Tracks[i - 1];
            if (t.FirstIndex <= prev.Start)
                return Fail(cuePath, QStringLiteral("track %1 starts at %2, not after track %3 (%4): the INDEX lines "
                                                    "are out of order")
                                         .arg(t.Number)
                                         .arg(CueTimeText(t.FirstIndex))
                                         .arg(prev.Number)
                                         .arg(CueTimeText(prev.Start)));
            // Each track's sectors take that track's size in the file, so a 2048-byte data
            // track moves every track after it.
            t.FileOffset = prev.FileOffset + int64_t(t.FirstIndex - prev.FirstIndex) * prev.SectorBytes;
        }
        const int64_t startByte = t.FileOffset + int64_t(t.Start - t.FirstIndex) * t.SectorBytes;
        if (startByte + t.SectorBytes > BinBytes) {
            const TCueTrack& last = i > 0 ? Tracks[i - 1] : t;
            const int64_t end = std::max<int64_t>(0, last.FirstIndex + (BinBytes - last.FileOffset) / last.SectorBytes);
            return Fail(cuePath, QStringLiteral("track %1 starts at %2, past the end of %3 (%4): the file is cut short")
                                     .arg(t.Number)
                                     .arg(CueTimeText(t.Start), binName, CueTimeText(end)));
        }
    }
    // From here on positions are on the disc: PREGAP and POSTGAP silence is not in the file
    // but takes its place on the disc, before and after the track's sectors.
    int32_t shift = 0;
    for (size_t i = 0; i < Tracks.size(); ++i) {
        TCueTrack& t = Tracks[i];
        t.FileSectors = i + 1 < Tracks.size() ? Tracks[i + 1].FirstIndex - t.FirstIndex
                                              : int32_t((BinBytes - t.FileOffset) / t.SectorBytes);
        shift += t.Pregap;
        t.Shift = shift;
        t.FirstIndex += shift;
        t.Start += shift;
        shift += t.Postgap;
    }
    const TCueTrack& last = Tracks.back();
    LeadOut = last.FirstIndex + last.FileSectors + last.Postgap;
    return true;
}

const TCueTrack* TCueSheet::TrackAt(int32_t lba) const {
    if (lba < 0 || lba >= LeadOut || Tracks.empty())
        return nullptr;
    const TCueTrack* found = &Tracks.front();
    for (const TCueTrack& t : Tracks)
        if (t.FirstIndex - t.Pregap <= lba)
            found = &t;
    return found;
}

int64_t TCueSheet::SectorOffset(int32_t lba) const {
    const TCueTrack* t = TrackAt(lba);
    if (!t)
        return -1;
    if (lba < t->FirstIndex || lba >= t->FirstIndex + t->FileSectors)
        return CueSilence;
    return DataStart + t->FileOffset + int64_t(lba - t->FirstIndex) * t->SectorBytes;
}

QByteArray TCueSheet::LibcdioSheet() const {
    // libcdio knows upper-case keywords only and refuses a whole sheet for one line it does
    // not know (POSTGAP, the CD-TEXT extras some writers add, a CDTEXTFILE that was not
    // copied along). It only has to agree with this sheet on where the tracks start, so it
    // gets the lines it knows, in its spelling. PREGAP is left out: libcdio ignores it, and
    // the positions it reports are compared without the gaps.
    static const QList<QByteArray> known = {"ARRANGER", "CATALOG",    "COMPOSER", "DISC_ID", "FLAGS",
                                            "GENRE",    "INDEX",      "ISRC",     "MESSAGE", "PERFORMER",
                                            "REM",      "SONGWRITER", "TITLE",    "TRACK",   "UPC_EAN"};
    static const QList<QByteArray> flags = {"DCP", "4CH", "PRE", "SCMS"};
    QByteArray sheet;
    for (const QByteArray& raw : Content.split('\n')) {
        const QByteArray line = raw.simplified();
        const qsizetype space = line.indexOf(' ');
        const QByteArray keyword = line.left(space < 0 ? line.size() : space).toUpper();
        QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1);
        if (keyword == "FILE") {
            // libcdio reads the .bin named like the sheet and samples as stored.
            rest = "\"disc.bin\" BINARY";
        } else if (keyword == "TRACK") {
            rest = rest.toUpper();
        } else if (keyword == "FLAGS") {
            QList<QByteArray> kept;
            for (const QByteArray& flag : rest.toUpper().split(' '))
                if (flags.contains(flag))
                    kept.append(flag);
            if (kept.isEmpty())
                continue;
            rest = kept.join(' ');
        } else if (!known.contains(keyword)) {
            continue;
        }
        sheet += keyword + ' ' + rest + '\n';
    }
    return sheet;
}
