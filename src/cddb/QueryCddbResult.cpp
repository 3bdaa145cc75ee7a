// Results of the query dialog's thread (see QueryCddbResult.h).
#include "cddb/QueryCddbResult.h"

#include "cddb/protocol/CddbProtocol.h"
#include "tags/Genres.h"

namespace {

QString AfterEquals(const QString& line) {
    return line.mid(line.indexOf('=') + 1).trimmed();
}

} // namespace

bool ReadCddbEntry(const QString& text, int firstTrack, int lastTrack, TQueryCddbResult& result) {
    QStringList lines;
    for (const QString& line : CddbAnswerLines(text))
        if (!line.trimmed().isEmpty())
            lines << line;
    const QString firstTitle = QStringLiteral("TITLE") + QString::number(firstTrack - 1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.contains(QLatin1String("DTITLE"))) {
            const qsizetype equals = line.indexOf('=');
            const qsizetype slash = line.indexOf('/', equals + 1);
            if (slash >= 0) {
                result.Artist = line.mid(equals + 1, slash - equals - 1).trimmed();
                result.Album = line.mid(slash + 1).trimmed();
            } else {
                result.Artist.clear();
                result.Album = AfterEquals(line);
            }
            result.HasArtist = true;
        }
        if (line.contains(QLatin1String("DYEAR")) && line.contains('=')) {
            result.Year = AfterEquals(line);
            result.HasYear = true;
        }
        if (line.contains(QLatin1String("DGENRE")) && line.contains('=')) {
            result.GenreText = AfterEquals(line);
            result.Genre = GenreIndexOf(result.GenreText);
            result.HasGenre = true;
        }
        if (line.contains(firstTitle)) {
            // The following lines are taken as they come, one per track: a title continued
            // on a second line shifts the later ones. The titles end with the first line that
            // is not one (EXTD, EXTT, PLAYORDER): an entry with fewer tracks than the disc
            // leaves the other rows as they are rather than naming them after those lines.
            result.Titles.clear();
            for (int t = firstTrack; t <= lastTrack && i < lines.size(); ++t, ++i) {
                if (t > firstTrack && !lines[i].trimmed().startsWith(QLatin1String("TTITLE")))
                    break;
                result.Titles << AfterEquals(lines[i]);
            }
            result.HasTitles = true;
            return true;
        }
    }
    return false;
}

TDiscRecord DiscRecordOf(const TQueryCddbResult& result) {
    TDiscRecord record;
    if (result.HasArtist) {
        record.Artist = result.Artist;
        record.Album = result.Album;
    }
    if (result.HasYear)
        record.Year = result.Year;
    if (result.HasGenre)
        record.Genre = result.Genre;
    if (result.HasTitles)
        record.Titles = result.Titles;
    return record;
}
