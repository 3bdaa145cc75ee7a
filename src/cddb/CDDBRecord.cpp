// The CDDB disc record and its parser (see CDDBRecord.h).
#include "cddb/CDDBRecord.h"

#include "tags/Genres.h"

#include "cddb/protocol/CddbProtocol.h"

namespace {

constexpr int MaxText = 255;

// Blanks and control characters off both ends.
QString TrimControls(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from].unicode() <= ' ')
        ++from;
    while (to > from && text[to - 1].unicode() <= ' ')
        --to;
    return text.mid(from, to - from);
}

// The value of `line` for `key` (with the decimal index appended when one is given): the text
// after the key and its "=" (or ":"), trimmed, with every "\n" turned into a line break; empty
// when the line does not begin with the key.
QString ValueFor(const QString& line, const QString& key, int index = -1) {
    const QString fullKey = index < 0 ? key : key + QString::number(index);
    if (!line.startsWith(fullKey))
        return QString();
    QString value = TrimControls(line.mid(fullKey.size() + 1));
    value.replace(QLatin1String("\\n"), QLatin1String("\r\n"));
    return value;
}

// "Artist / Title" split at the first "/"; the blank on either side of it belongs to the
// separator. Without a "/" the first part is empty and the second is the whole value.
void SplitAtSeparator(const QString& value, QString& first, QString& second) {
    const qsizetype slash = value.indexOf('/');
    if (slash < 0) {
        first.clear();
        second = value;
        return;
    }
    first = value.left(slash);
    if (first.endsWith(' '))
        first.chop(1);
    second = value.mid(slash + 1);
    if (second.startsWith(' '))
        second.remove(0, 1);
}

} // namespace

int CountCDDBTrackLines(const QString& text) {
    int count = 0;
    for (const QString& line : CddbAnswerLines(text))
        if (line.startsWith(QLatin1String("TTITLE")))
            ++count;
    return count;
}

void ParseCDDBRecord(const QString& text, TCDDBRecord& record) {
    // A read describes one whole disc: nothing of the previous record may carry over.
    record = TCDDBRecord();
    const QStringList lines = CddbAnswerLines(text);
    record.TrackCount = CountCDDBTrackLines(text);
    for (int i = 0; i < record.TrackCount; ++i) {
        record.TrackArtists << QString();
        record.TrackTitles << QString();
        record.TrackExtras << QString();
    }
    int track = 0;
    int extra = 0;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("# Generated")))
            record.Generated = ValueFor(line, QStringLiteral("# Generated")).left(MaxText);
        if (line.startsWith(QLatin1String("# Disc length")))
            record.DiscLength = ValueFor(line, QStringLiteral("# Disc length")).left(30);
        if (line.startsWith(QLatin1String("DTITLE"))) {
            SplitAtSeparator(ValueFor(line, QStringLiteral("DTITLE")), record.DiscArtist, record.DiscTitle);
            record.DiscArtist.truncate(MaxText);
            record.DiscTitle.truncate(MaxText);
        }
        if (line.startsWith(QLatin1String("DYEAR")))
            record.Year = ValueFor(line, QStringLiteral("DYEAR")).left(4);
        if (line.startsWith(QLatin1String("DGENRE")))
            record.Genre = ValueFor(line, QStringLiteral("DGENRE")).left(30);
        if (line.startsWith(QLatin1String("TTITLE")) && track < record.TrackCount) {
            const QString value = ValueFor(line, QStringLiteral("TTITLE"), track);
            if (line.contains('/')) {
                SplitAtSeparator(value, record.TrackArtists[track], record.TrackTitles[track]);
            } else {
                record.TrackArtists[track] = record.DiscArtist;
                record.TrackTitles[track] = value;
            }
            record.TrackArtists[track].truncate(MaxText);
            record.TrackTitles[track].truncate(MaxText);
            ++track;
        }
        if (line.startsWith(QLatin1String("EXTD")))
            record.DiscExtra = (record.DiscExtra + ValueFor(line, QStringLiteral("EXTD"))).left(MaxText);
        if (line.startsWith(QLatin1String("EXTT"))) {
            // More "EXTT" lines than tracks have no track to belong to.
            if (extra < record.TrackCount)
                record.TrackExtras[extra] = ValueFor(line, QStringLiteral("EXTT"), extra).left(MaxText);
            ++extra;
        }
    }
}

TDiscRecord DiscRecordOf(const TCDDBRecord& record) {
    TDiscRecord r;
    r.Artist = record.DiscArtist;
    r.Album = record.DiscTitle;
    r.Year = record.Year;
    r.Genre = GenreIndexOf(record.Genre);
    r.Comment = record.Comment;
    r.Titles = record.TrackTitles.mid(0, record.TrackCount);
    return r;
}
