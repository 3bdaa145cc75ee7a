// discwright-cli tag show|set|remove: every tag of an audio file (show), and the ID3v1 tag of an
// MP3 file (set, remove), from the command line.
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "tags/Genres.h"
#include "tags/Id3Tag.h"
#include "tags/TagReader.h"

#include <QFileInfo>

namespace {

QString CodeText(uint16_t code) {
    return QStringLiteral("0x%1").arg(code, 4, 16, QLatin1Char('0'));
}

QString CodeMeaning(uint16_t code) {
    switch (code & 0xFF00) {
    case id3OpenError:
        return QStringLiteral("file not found or cannot be opened");
    case id3ReadOnly:
        return QStringLiteral("file is read-only");
    case id3ReadError:
        return QStringLiteral("read error");
    case id3WriteError:
        return QStringLiteral("write error");
    case id3IoError:
        return QStringLiteral("input/output error");
    case id3NoTag:
        return QStringLiteral("no tag");
    default:
        return QStringLiteral("error");
    }
}

int FailWithCode(const QString& what, uint16_t code) {
    return CliFail(QStringLiteral("%1 (result %2: %3)").arg(what, CodeText(code), CodeMeaning(code)));
}

// "17 Rock"; a number outside the list has no name.
QString GenreText(uint8_t id3) {
    const uint8_t position = Id3ToGenre(id3);
    if (position == 0)
        return QString::number(id3);
    return QString::number(id3) + QLatin1Char(' ') + QString::fromLatin1(GenreNames[position - 1u]);
}

bool OneFile(const QCommandLineParser& parser, QString& file, int& exitCode) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        exitCode = CliFail(QStringLiteral("expected one FILE (see --help)"), 2);
        return false;
    }
    file = args.first();
    return true;
}

// A field's value on one line: line breaks and backslashes escaped.
QString OneLine(QString text) {
    text.replace('\\', QStringLiteral("\\\\"));
    text.replace('\n', QStringLiteral("\\n"));
    text.replace('\r', QStringLiteral("\\r"));
    return text;
}

void PrintReport(const TTagReport& report) {
    CliOut(QStringLiteral("format: ") + report.Format);
    CliOut(QStringLiteral("tags: ") + (report.Kinds.isEmpty() ? QStringLiteral("none") : report.Kinds.join(", ")));
    for (const auto& [name, value] : report.Fields)
        CliOut(name + QStringLiteral(": ") + OneLine(value));
    for (const QString& picture : report.Pictures)
        CliOut(QStringLiteral("picture: ") + picture);
}

int Show(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The audio file (MP3, FLAC, Ogg, WAV, ...)."));
    int exitCode = 0;
    QString file;
    if (!CliParse(
            parser, words,
            QStringLiteral("Shows the tags of an audio file. An MP3 file's ID3v1 tag comes first (title, artist,\n"
                           "album, year, comment, track, genre, result); then, for any file whose tags TagLib\n"
                           "reads (and an MP3 file with more than ID3v1), format:, tags: (the kinds of tag),\n"
                           "every field as NAME: value and each picture."),
            exitCode) ||
        !OneFile(parser, file, exitCode))
        return exitCode;
    TTagReport report;
    QString readError;
    const bool known = ReadFileTags(file, report, readError);
    const bool mp3 = known && report.Format == QLatin1String("MP3");
    const bool onlyId3v1 = mp3 && report.Kinds == QStringList{QStringLiteral("ID3v1")};
    if (known && !mp3) {
        PrintReport(report);
        return 0;
    }
    // Only an MP3 file may hold no more than the ID3v1 tag read below.
    if (!known && !file.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
        return CliFail(readError);
    Tid3tag tag;
    const uint16_t code = tag.Read(file);
    if (code > 255) {
        // An MP3 file with other tags than ID3v1 still has something to show.
        if (!mp3 || report.Kinds.isEmpty())
            return FailWithCode(QStringLiteral("cannot read tag"), code);
        PrintReport(report);
        return 0;
    }
    CliOut(QStringLiteral("title: ") + tag.TitleText());
    CliOut(QStringLiteral("artist: ") + tag.ArtistText());
    CliOut(QStringLiteral("album: ") + tag.AlbumText());
    CliOut(QStringLiteral("year: ") + tag.YearText());
    CliOut(QStringLiteral("comment: ") + tag.CommentText());
    CliOut(QStringLiteral("track: ") + QString::number(tag.Track));
    CliOut(QStringLiteral("genre: ") + GenreText(tag.Genre));
    CliOut(QStringLiteral("result: ") + CodeText(code));
    if (mp3 && !onlyId3v1)
        PrintReport(report);
    return 0;
}

int Set(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.mp3"), QStringLiteral("The MP3 file."));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("Title (30 characters)."),
                                   QStringLiteral("T"));
    const QCommandLineOption artist(QStringLiteral("artist"), QStringLiteral("Artist (30 characters)."),
                                    QStringLiteral("A"));
    const QCommandLineOption album(QStringLiteral("album"), QStringLiteral("Album (30 characters)."),
                                   QStringLiteral("A"));
    const QCommandLineOption year(QStringLiteral("year"), QStringLiteral("Year (4 characters)."), QStringLiteral("Y"));
    const QCommandLineOption comment(QStringLiteral("comment"),
                                     QStringLiteral("Comment (30 characters, 28 with a track number)."),
                                     QStringLiteral("C"));
    const QCommandLineOption track(QStringLiteral("track"), QStringLiteral("Track number, 0 for none."),
                                   QStringLiteral("N"));
    const QCommandLineOption genre(QStringLiteral("genre"),
                                   QStringLiteral("Genre: a name of the genre list, or an ID3 genre number."),
                                   QStringLiteral("NAME|NUMBER"));
    parser.addOptions({title, artist, album, year, comment, track, genre});
    int exitCode = 0;
    QString file;
    if (!CliParse(parser, words, QStringLiteral("Changes the given fields of the ID3v1 tag of an MP3 file."),
                  exitCode) ||
        !OneFile(parser, file, exitCode))
        return exitCode;

    // Check every value before anything is written.
    int trackNumber = -1;
    if (parser.isSet(track)) {
        bool ok = false;
        trackNumber = parser.value(track).toInt(&ok);
        if (!ok || trackNumber < 0 || trackNumber > 255)
            return CliFail(QStringLiteral("--track needs a number from 0 to 255"), 2);
    }
    int32_t genreNumber = -1;
    if (parser.isSet(genre)) {
        int32_t listIndex = -1;
        bool outOfRange = false;
        if (!ParseGenreArgument(parser.value(genre), listIndex, genreNumber, outOfRange))
            return outOfRange
                       ? CliFail(QStringLiteral("--genre number must be from 0 to 255"), 2)
                       : CliFail(QStringLiteral("unknown genre '") + parser.value(genre).trimmed() + QLatin1Char('\''),
                                 2);
    }

    Tid3tag tag;
    const uint16_t readCode = tag.Read(file);
    if (readCode > 255 && readCode != id3NoTag)
        return FailWithCode(QStringLiteral("cannot read tag"), readCode);
    if (parser.isSet(title))
        tag.SetTitle(parser.value(title));
    if (parser.isSet(artist))
        tag.SetArtist(parser.value(artist));
    if (parser.isSet(album))
        tag.SetAlbum(parser.value(album));
    if (parser.isSet(year))
        tag.SetYear(parser.value(year));
    if (parser.isSet(comment))
        tag.SetComment(parser.value(comment));
    if (trackNumber >= 0)
        tag.SetTrack(static_cast<uint8_t>(trackNumber));
    if (genreNumber >= 0)
        tag.Genre = static_cast<uint8_t>(genreNumber);
    const uint16_t code = tag.Write(file);
    if (code > 255)
        return FailWithCode(QStringLiteral("cannot write tag"), code);
    CliOut(QStringLiteral("result: ") + CodeText(code));
    return 0;
}

int Remove(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.mp3"), QStringLiteral("The MP3 file."));
    int exitCode = 0;
    QString file;
    if (!CliParse(parser, words, QStringLiteral("Removes the ID3v1 tag of an MP3 file."), exitCode) ||
        !OneFile(parser, file, exitCode))
        return exitCode;
    Tid3tag tag;
    const uint16_t code = tag.Read(file);
    if (code == id3NoTag) {
        CliOut(QStringLiteral("no tag to remove"));
        return 0;
    }
    if (code > 255)
        return FailWithCode(QStringLiteral("cannot remove tag"), code);
    // Remove itself reports nothing: look again to tell whether the tag went.
    tag.Remove();
    Tid3tag check;
    if (check.Read(file) != id3NoTag)
        return CliFail(QStringLiteral("cannot remove tag (the file is read-only or in use)"));
    CliOut(QStringLiteral("tag removed"));
    return 0;
}

} // namespace

int RunTagCommand(const QStringList& words) {
    const QString action = words.value(1);
    QStringList rest = words.mid(2);
    rest.prepend(words.value(0) + QLatin1Char(' ') + action);
    if (action == QLatin1String("show"))
        return Show(rest);
    if (action == QLatin1String("set"))
        return Set(rest);
    if (action == QLatin1String("remove"))
        return Remove(rest);
    const QString usage =
        QStringLiteral("usage: %1 show|set|remove FILE.mp3 [options] (see %1 ACTION --help)").arg(words.value(0));
    if (action == QLatin1String("--help") || action == QLatin1String("-h")) {
        CliOut(usage);
        return 0;
    }
    return CliFail(
        action.isEmpty() ? usage : QStringLiteral("unknown action '") + action + QStringLiteral("'; ") + usage, 2);
}
