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

} // namespace

QString CueTimeText(int64_t sectors) {
    return QStringLiteral("%1:%2:%3")
        .arg(sectors / 4500, 2, 10, QChar('0'))
        .arg(sectors / 75 % 60, 2, 10, QChar('0'))
        .arg(sectors % 75, 2, 10, QChar('0'));
}

namespace {

// Places in the order of the sheet: by file, then by sector.
bool Before(const TCuePlace& a, const TCuePlace& b) {
    return a.File < b.File || (a.File == b.File && a.At < b.At);
}

// A file of the sheet measured in the sectors of the tracks it holds: where each track's
// sector size starts (its first index; before the first one, the size of the track that runs
// into the file, or of the file's first track).
struct TFileSectors {
    struct TChange {
        int32_t At = 0;
        int64_t Byte = 0;
        int SectorBytes = 0;
    };
    std::vector<TChange> Changes;
    int64_t Bytes = 0;

    void Add(int32_t at, int sectorBytes) {
        const TChange& last = Changes.back();
        const int64_t byte = last.Byte + int64_t(at - last.At) * last.SectorBytes;
        if (at == last.At)
            Changes.back().SectorBytes = sectorBytes;
        else
            Changes.push_back({at, byte, sectorBytes});
    }
    // Whole sectors in the file.
    int32_t Sectors() const {
        int32_t sectors = 0;
        for (const TChange& c : Changes)
            if (c.Byte <= Bytes)
                sectors = int32_t(c.At + (Bytes - c.Byte) / c.SectorBytes);
        return sectors;
    }
    int64_t ByteAt(int32_t at) const {
        const TChange* found = &Changes.front();
        for (const TChange& c : Changes)
            if (c.At <= at)
                found = &c;
        return found->Byte + int64_t(at - found->At) * found->SectorBytes;
    }
};

} // namespace

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

    Layout = std::make_shared<TDiscLayout>();
    std::vector<TFileLine> files;
    if (!ParseLines(cuePath, files))
        return false;
    if (Tracks.empty())
        return Fail(cuePath, QStringLiteral("the cue sheet has no TRACK"));
    if (files.empty())
        return Fail(cuePath, QStringLiteral("the cue sheet names no FILE"));
    if (!OpenFiles(cuePath, files))
        return false;
    return CheckTracks(cuePath);
}

bool TCueSheet::OpenFiles(const QString& cuePath, const std::vector<TFileLine>& files) {
    for (const TFileLine& line : files) {
        const QString type = line.Type.toUpper();
        if (type != QLatin1String("BINARY") && type != QLatin1String("MOTOROLA") && type != QLatin1String("WAVE") &&
            type != QLatin1String("FLAC"))
            return Fail(cuePath, QStringLiteral("FILE type ") + line.Type +
                                     QStringLiteral(" is not supported (BINARY, MOTOROLA, WAVE or FLAC only)"));
        const QString path = ResolveImageFile(cuePath, line.Name);
        if (path.isEmpty())
            return Fail(cuePath,
                        QStringLiteral("the file it names, ") + line.Name + QStringLiteral(", does not exist"));
        TLayoutFile file;
        QString error;
        if (!ProbeLayoutFile(path, file, error))
            return Fail(cuePath, error);
        // Rippers name FLAC files WAVE as often as FLAC; either is read by its content.
        if (type == QLatin1String("WAVE") && file.Kind == TLayoutFile::TKind::Raw)
            return Fail(cuePath, line.Name + QStringLiteral(" is not a WAV file (only WAV files with CD audio can be "
                                                            "named as WAVE)"));
        if (type == QLatin1String("FLAC") && file.Kind == TLayoutFile::TKind::Raw)
            return Fail(cuePath, line.Name + QStringLiteral(" is not a FLAC file"));
        file.BigEndian = type == QLatin1String("MOTOROLA") && file.Kind == TLayoutFile::TKind::Raw;
        Layout->Files.push_back(file);
    }
    return true;
}

bool TCueSheet::ParseLines(const QString& cuePath, std::vector<TFileLine>& files) {
    const QString text = QString::fromUtf8(Content);
    for (QString line : text.split('\n')) {
        line = line.trimmed();
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        const QString keyword = words.value(0).toUpper();
        if (keyword == QLatin1String("FILE")) {
            const QString rest = line.mid(4).trimmed();
            TFileLine file;
            if (rest.startsWith('"')) {
                const qsizetype close = rest.indexOf('"', 1);
                if (close < 0)
                    return Fail(cuePath, QStringLiteral("unterminated file name in line: ") + line);
                file.Name = rest.mid(1, close - 1);
                file.Type = rest.mid(close + 1).trimmed();
            } else {
                static const QRegularExpression lastBlank(QStringLiteral("\\s(?=\\S*$)"));
                const qsizetype space = rest.indexOf(lastBlank);
                file.Name = space < 0 ? rest : rest.left(space).trimmed();
                file.Type = space < 0 ? QString() : rest.mid(space + 1).trimmed();
            }
            files.push_back(file);
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
            Tracks.push_back(track);
        } else if (keyword == QLatin1String("PREGAP") || keyword == QLatin1String("POSTGAP")) {
            const int32_t length = ParseCueTime(words.value(1));
            if (Tracks.empty() || length < 0)
                return Fail(cuePath, QStringLiteral("bad %1 line: ").arg(keyword) + line);
            (keyword == QLatin1String("PREGAP") ? Tracks.back().Pregap : Tracks.back().Postgap) = length;
        } else if (keyword == QLatin1String("FLAGS") && !Tracks.empty()) {
            for (const QString& flag : words.mid(1)) {
                const QString f = flag.toUpper();
                Tracks.back().CopyPermitted |= f == QLatin1String("DCP");
                Tracks.back().PreEmphasis |= f == QLatin1String("PRE");
                Tracks.back().FourChannels |= f == QLatin1String("4CH");
            }
        } else if (keyword == QLatin1String("ISRC") && !Tracks.empty()) {
            Tracks.back().Isrc = words.value(1).remove('"');
        } else if (keyword == QLatin1String("CATALOG")) {
            Layout->Catalog = words.value(1).remove('"');
        } else if (keyword == QLatin1String("INDEX")) {
            if (Tracks.empty())
                return Fail(cuePath, QStringLiteral("INDEX before the first TRACK in line: ") + line);
            TCueTrack& track = Tracks.back();
            bool ok = false;
            const int index = words.value(1).toInt(&ok);
            const int32_t at = ParseCueTime(words.value(2));
            if (!ok || index < 0 || index > 99 || at < 0)
                return Fail(cuePath, QStringLiteral("track %1 has a bad INDEX line: ").arg(track.Number) + line);
            // INDEX lines count in the file of the FILE line above them.
            const TCuePlace place{std::max(0, int(files.size()) - 1), at};
            if (index == 1) {
                if (track.StartPlace.At >= 0)
                    return Fail(cuePath, QStringLiteral("track %1 has two INDEX 01 lines").arg(track.Number));
                track.StartPlace = place;
                if (track.FirstPlace.At < 0)
                    track.FirstPlace = place;
            } else if (index == 0) {
                if (track.StartPlace.At >= 0)
                    return Fail(cuePath, QStringLiteral("track %1 has INDEX 00 after INDEX 01").arg(track.Number));
                track.FirstPlace = place;
            } else if (track.StartPlace.At >= 0) {
                track.MorePlaces.push_back(place);
            }
        }
    }
    return true;
}

bool TCueSheet::CheckTracks(const QString& cuePath) {
    std::vector<TLayoutFile>& layoutFiles = Layout->Files;
    const auto fileName = [&](int f) { return QFileInfo(layoutFiles[size_t(f)].Path).fileName(); };
    for (size_t i = 0; i < Tracks.size(); ++i) {
        const TCueTrack& t = Tracks[i];
        if (t.StartPlace.At < 0)
            return Fail(cuePath, QStringLiteral("track %1 has no INDEX 01").arg(t.Number));
        if (Before(t.StartPlace, t.FirstPlace))
            return Fail(cuePath, QStringLiteral("track %1 has INDEX 00 (%2) after INDEX 01 (%3)")
                                     .arg(t.Number)
                                     .arg(CueTimeText(t.FirstPlace.At), CueTimeText(t.StartPlace.At)));
        if (i > 0 && !Before(Tracks[i - 1].StartPlace, t.FirstPlace))
            return Fail(cuePath, QStringLiteral("track %1 starts at %2, not after track %3 (%4): the INDEX lines "
                                                "are out of order")
                                     .arg(t.Number)
                                     .arg(CueTimeText(t.FirstPlace.At))
                                     .arg(Tracks[i - 1].Number)
                                     .arg(CueTimeText(Tracks[i - 1].StartPlace.At)));
    }

    // Each track's sectors take that track's size in its file, so a 2048-byte data track moves
    // every track after it in the same file.
    std::vector<TFileSectors> sizes(layoutFiles.size());
    for (size_t f = 0; f < sizes.size(); ++f) {
        sizes[f].Bytes = layoutFiles[f].Bytes;
        const TCueTrack* cover = nullptr;
        for (const TCueTrack& t : Tracks)
            if (t.FirstPlace.File < int(f) || (!cover && t.FirstPlace.File == int(f)))
                cover = &t;
        if (!cover)
            return Fail(cuePath, QStringLiteral("%1 comes before the first track's INDEX lines").arg(fileName(int(f))));
        sizes[f].Changes.push_back({0, 0, cover->SectorBytes});
        for (const TCueTrack& t : Tracks)
            if (t.FirstPlace.File == int(f))
                sizes[f].Add(t.FirstPlace.At, t.SectorBytes);
    }
    for (const TCueTrack& t : Tracks) {
        for (const TCuePlace& place : {t.FirstPlace, t.StartPlace}) {
            const int32_t sectors = sizes[size_t(place.File)].Sectors();
            if (place.At >= sectors)
                return Fail(cuePath,
                            QStringLiteral("track %1 starts at %2, past the end of %3 (%4): the file is cut short")
                                .arg(t.Number)
                                .arg(CueTimeText(place.At), fileName(place.File), CueTimeText(sectors)));
        }
    }

    // The files one after another make a stream of sectors; PREGAP and POSTGAP silence is in
    // no file but takes its place on the disc, before and after a track's sectors.
    std::vector<int64_t> fileStart(sizes.size() + 1, 0);
    for (size_t f = 0; f < sizes.size(); ++f)
        fileStart[f + 1] = fileStart[f] + sizes[f].Sectors();
    const auto stream = [&](const TCuePlace& p) { return fileStart[size_t(p.File)] + p.At; };
    std::vector<TLayoutSegment>& segments = Layout->Segments;
    const auto addSilence = [&](int64_t from, int64_t sectors) {
        if (sectors > 0)
            segments.push_back({from * LayoutSectorBytes, sectors * LayoutSectorBytes, -1, 0, LayoutSectorBytes, true});
    };
    int64_t shift = 0;
    for (size_t i = 0; i < Tracks.size(); ++i) {
        TCueTrack& t = Tracks[i];
        const int64_t from = stream(t.FirstPlace);
        const int64_t to = i + 1 < Tracks.size() ? stream(Tracks[i + 1].FirstPlace) : fileStart.back();
        shift += t.Pregap;
        // A TOC gives minutes in a byte; a longer "disc" is no CD.
        if (to + shift + t.Postgap > 255 * 4500)
            return Fail(cuePath, QStringLiteral("track %1 ends past 255 minutes").arg(t.Number));
        t.FirstIndex = int32_t(from + shift);
        t.Start = int32_t(stream(t.StartPlace) + shift);
        addSilence(t.FirstIndex - t.Pregap, t.Pregap);
        // The track's sectors, file by file.
        for (int64_t at = from; at < to;) {
            const size_t f = size_t(std::upper_bound(fileStart.begin(), fileStart.end(), at) - fileStart.begin() - 1);
            const int64_t n = std::min(to, fileStart[f + 1]) - at;
            const int32_t inFile = int32_t(at - fileStart[f]);
            segments.push_back({(at + shift) * LayoutSectorBytes, n * LayoutSectorBytes, int(f),
                                sizes[f].ByteAt(inFile), t.SectorBytes, t.Audio});
            at += n;
        }
        addSilence(to + shift, t.Postgap);
        TLayoutTrack track;
        track.Number = t.Number;
        track.Mode = t.Mode;
        track.Audio = t.Audio;
        track.Index0 = t.FirstIndex - t.Pregap;
        track.Start = t.Start;
        for (const TCuePlace& p : t.MorePlaces)
            track.Indexes.push_back(int32_t(stream(p) + shift));
        track.CopyPermitted = t.CopyPermitted;
        track.PreEmphasis = t.PreEmphasis;
        track.FourChannels = t.FourChannels;
        track.Isrc = t.Isrc;
        Layout->Tracks.push_back(track);
        shift += t.Postgap;
        Layout->LeadOut = int32_t(to + shift);
    }
    Layout->Source = TDiscLayout::TSource::CueSheet;
    return true;
}

QByteArray TCueSheet::LibcdioSheet() const {
    // libcdio knows upper-case keywords only and refuses a whole sheet for one line it does
    // not know (POSTGAP, the CD-TEXT extras some writers add, a CDTEXTFILE that was not
    // copied along). It only has to agree with this sheet on where the tracks start, so it
    // gets the lines it knows, in its spelling, with the INDEX lines moved to the tracks'
    // places on the disc (PREGAP and POSTGAP silence included) and one FILE for the disc.
    static const QList<QByteArray> known = {"ARRANGER", "CATALOG",    "COMPOSER", "DISC_ID", "FLAGS",
                                            "GENRE",    "INDEX",      "ISRC",     "MESSAGE", "PERFORMER",
                                            "REM",      "SONGWRITER", "TITLE",    "TRACK",   "UPC_EAN"};
    static const QList<QByteArray> flags = {"DCP", "4CH", "PRE", "SCMS"};
    QByteArray sheet;
    bool fileWritten = false;
    int track = -1;
    for (const QByteArray& raw : Content.split('\n')) {
        const QByteArray line = raw.simplified();
        const qsizetype space = line.indexOf(' ');
        const QByteArray keyword = line.left(space < 0 ? line.size() : space).toUpper();
        QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1);
        if (keyword == "FILE") {
            // libcdio reads the .bin named like the sheet, as one file.
            if (fileWritten)
                continue;
            fileWritten = true;
            rest = "\"disc.bin\" BINARY";
        } else if (keyword == "TRACK") {
            ++track;
            const TLayoutTrack& t = Layout->Tracks[size_t(track)];
            // disc.bin holds every sector in 2352 bytes.
            rest = QByteArray::number(t.Number).rightJustified(2, '0') + ' ' +
                   (t.Audio                                     ? "AUDIO"
                    : t.Mode.startsWith(QLatin1String("MODE2")) ? "MODE2/2352"
                                                                : "MODE1/2352");
        } else if (keyword == "INDEX") {
            // The INDEX 01 line brings the pregap's INDEX 00 along; other indexes are not needed.
            if (track < 0 || !rest.startsWith("01"))
                continue;
            const TLayoutTrack& t = Layout->Tracks[size_t(track)];
            if (t.Index0 < t.Start)
                sheet += "INDEX 00 " + CueTimeText(t.Index0).toLatin1() + '\n';
            rest = "01 " + CueTimeText(t.Start).toLatin1();
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
