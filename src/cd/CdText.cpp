// CD-TEXT of a disc (see CdText.h).
#include "cd/CdText.h"

#include "cd/TocFile.h"
#include "cd/DriveHandleCdio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cdio/cdtext.h>
#include <cdio/disc.h>

#include <algorithm>

namespace {

// A text as the title of a track may hold it: one line, no control characters.
QString CleanText(const QString& text) {
    QString out;
    for (const QChar c : text)
        out += c.unicode() < 0x20 || c.unicode() == 0x7F ? QChar(' ') : c;
    return out.simplified();
}

// Cue sheets written on Windows are often in the machine's ANSI code page rather than UTF-8;
// a sheet that is not valid UTF-8 is read as Latin-1 (its letters stay letters).
QString SheetText(const QByteArray& content) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(content);
    return utf8.hasError() ? QString::fromLatin1(content) : text;
}

// The value of a cue sheet line after its keyword: a quoted text (quotes removed), or the
// rest of the line.
QString LineValue(const QString& rest) {
    const QString r = rest.trimmed();
    if (r.startsWith('"')) {
        const qsizetype close = r.indexOf('"', 1);
        return close < 0 ? r.mid(1) : r.mid(1, close - 1);
    }
    return r;
}

void Fill(TCdTextFields& to, const TCdTextFields& from) {
    if (to.Title.isEmpty())
        to.Title = from.Title;
    if (to.Performer.isEmpty())
        to.Performer = from.Performer;
    if (to.Songwriter.isEmpty())
        to.Songwriter = from.Songwriter;
}

TCdTextFields FieldsOf(const cdtext_t* cdtext, track_t track) {
    const auto get = [&](cdtext_field_t field) {
        const char* value = cdtext_get_const(cdtext, field, track);
        return value ? CleanText(QString::fromUtf8(value)) : QString();
    };
    return {get(CDTEXT_FIELD_TITLE), get(CDTEXT_FIELD_PERFORMER), get(CDTEXT_FIELD_SONGWRITER)};
}

// Everything a libcdio CD-TEXT object holds, in the language block selected.
TCdText FromCdio(const cdtext_t* cdtext) {
    TCdText text;
    if (!cdtext)
        return text;
    text.Disc = FieldsOf(cdtext, 0);
    const track_t first = cdtext_get_first_track(cdtext);
    const track_t last = cdtext_get_last_track(cdtext);
    for (int t = std::max<int>(first, 1); t <= last && t <= 99; ++t) {
        const TCdTextFields fields = FieldsOf(cdtext, track_t(t));
        if (!fields.Empty())
            text.Tracks[t] = fields;
    }
    return text;
}

// The file a CDTEXTFILE line names, beside the sheet.
QString CdTextFilePath(const QString& cuePath, QString name) {
    name.replace('\\', '/');
    const QDir folder = QFileInfo(cuePath).absoluteDir();
    for (const QString& candidate : {name, QFileInfo(name).fileName()}) {
        const QString path = QDir::isAbsolutePath(candidate) ? candidate : folder.filePath(candidate);
        if (!candidate.isEmpty() && QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

} // namespace

bool TCdText::Empty() const {
    if (!Disc.Empty())
        return false;
    for (const auto& [number, fields] : Tracks)
        if (!fields.Empty())
            return false;
    return true;
}

TCdText CdTextFromPacks(const QByteArray& packs) {
    QByteArray data = packs;
    // A file of the READ TOC answer starts with its 4-byte header (the length of what follows,
    // big-endian, and two reserved bytes); some writers add a terminating zero byte.
    if (data.size() % 18 == 1 && data.endsWith('\0'))
        data.chop(1);
    if (data.size() % 18 == 4)
        data.remove(0, 4);
    if (data.isEmpty() || data.size() % 18 != 0)
        return TCdText();
    cdtext_t* cdtext = cdtext_init();
    if (!cdtext)
        return TCdText();
    TCdText text;
    if (cdtext_data_init(cdtext, reinterpret_cast<uint8_t*>(data.data()), size_t(data.size())) == 0)
        text = FromCdio(cdtext);
    cdtext_destroy(cdtext);
    return text;
}

TCdText CueSheetCdText(const QByteArray& content, const QString& cuePath) {
    TCdText text;
    QString packFile;
    TCdTextFields* current = &text.Disc;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& raw : SheetText(content).split('\n')) {
        const QString line = raw.trimmed();
        const qsizetype space = line.indexOf(blanks);
        const QString keyword = line.left(space < 0 ? line.size() : space).toUpper();
        const QString rest = space < 0 ? QString() : line.mid(space + 1);
        if (keyword == QLatin1String("TRACK")) {
            bool ok = false;
            const int number = rest.trimmed().split(blanks).value(0).toInt(&ok);
            current = ok && number >= 1 && number <= 99 ? &text.Tracks[number] : nullptr;
        } else if (!current) {
            continue;
        } else if (keyword == QLatin1String("TITLE")) {
            current->Title = CleanText(LineValue(rest));
        } else if (keyword == QLatin1String("PERFORMER")) {
            current->Performer = CleanText(LineValue(rest));
        } else if (keyword == QLatin1String("SONGWRITER")) {
            current->Songwriter = CleanText(LineValue(rest));
        } else if (keyword == QLatin1String("CDTEXTFILE")) {
            packFile = LineValue(rest);
        }
    }
    for (auto it = text.Tracks.begin(); it != text.Tracks.end();)
        it = it->second.Empty() ? text.Tracks.erase(it) : std::next(it);
    if (!packFile.isEmpty()) {
        const QString path = CdTextFilePath(cuePath, packFile);
        QFile f(path);
        // A CD holds at most 8 blocks of 256 packs.
        if (!path.isEmpty() && f.size() <= 8 * 256 * 18 + 5 && f.open(QIODevice::ReadOnly)) {
            const TCdText packs = CdTextFromPacks(f.readAll());
            Fill(text.Disc, packs.Disc);
            for (const auto& [number, fields] : packs.Tracks)
                Fill(text.Tracks[number], fields);
        }
    }
    return text;
}

bool ReadCdText(int handle, TCdText& text) {
    text = TCdText();
    // A .toc image carries its CD-TEXT in its own CD_TEXT blocks.
    if (ReadTocFileCdText(handle, text))
        return true;
    const QString image = CDHandleImage(handle);
    const QString kind = QFileInfo(image).suffix().toLower();
    if (kind == QLatin1String("cue")) {
        // libcdio reads a copy of the sheet without the lines it does not know; the sheet
        // itself has them all.
        QFile sheet(image);
        if (sheet.size() <= 1024 * 1024 && sheet.open(QIODevice::ReadOnly))
            text = CueSheetCdText(sheet.readAll(), image);
    } else if (CdIo_t* p = CDHandleCdio(handle)) {
        text = FromCdio(cdio_get_cdtext(p));
    }
    return !text.Empty();
}
