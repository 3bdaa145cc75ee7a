// Disc information and disc records (see DiscInfo.h).
#include "core/DiscInfo.h"

#include "core/Helpers.h"
#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"

#include <algorithm>

TDiscInfo CurrentDisc;

QString DiscInfoFilePath() {
    return AddTrailingBackslash(ProgramFolder()) + QStringLiteral("cdinfo.dat");
}

void LoadDiscInfo(const QString& key, TDiscInfo& disc) {
    if (key.isEmpty())
        return;
    const TIniFile ini(DiscInfoFilePath());
    disc.Artist = ini.ReadString(key, QStringLiteral("Artist"), QString());
    disc.Album = ini.ReadString(key, QStringLiteral("Album"), QString());
    disc.Year = ini.ReadString(key, QStringLiteral("Year"), QString());
    disc.Genre = ini.ReadInteger(key, QStringLiteral("Genre"), -1);
    disc.Comment = ini.ReadString(key, QStringLiteral("Comment"), QString());
    disc.MusicBrainzReleaseId = ini.ReadString(key, QStringLiteral("MusicBrainzAlbumId"), QString());
    disc.TrackNumber = ini.ReadInteger(key, QStringLiteral("TrackNumber"), 100);
    const int count = std::min(disc.TrackNumber, 100);
    for (int n = 1; n <= count; ++n) {
        QString title = ini.ReadString(key, QString::number(n), QString());
        if (title.isEmpty())
            title = DefaultTrackTitle(n);
        disc.Titles[size_t(n)] = title;
    }
}

bool SaveDiscInfo(const QString& key, const TDiscInfo& disc) {
    if (key.isEmpty())
        return true;
    TIniFile ini(DiscInfoFilePath());
    ini.WriteString(key, QStringLiteral("Artist"), disc.Artist);
    ini.WriteString(key, QStringLiteral("Album"), disc.Album);
    ini.WriteString(key, QStringLiteral("Year"), disc.Year);
    ini.WriteInteger(key, QStringLiteral("Genre"), disc.Genre);
    ini.WriteString(key, QStringLiteral("Comment"), disc.Comment);
    // Only discs named from MusicBrainz carry the line.
    if (!disc.MusicBrainzReleaseId.isEmpty() || ini.ValueExists(key, QStringLiteral("MusicBrainzAlbumId")))
        ini.WriteString(key, QStringLiteral("MusicBrainzAlbumId"), disc.MusicBrainzReleaseId);
    ini.WriteInteger(key, QStringLiteral("TrackNumber"), disc.TrackNumber);
    const int count = std::min(disc.TrackNumber, 100);
    for (int n = 1; n <= count; ++n)
        ini.WriteString(key, QString::number(n), disc.Titles[size_t(n)]);
    return ini.UpdateFile();
}

bool DiscInfoStored(const QString& key) {
    if (key.isEmpty())
        return false;
    const TIniFile ini(DiscInfoFilePath());
    if (!ini.ReadString(key, QStringLiteral("Artist"), QString()).isEmpty() ||
        !ini.ReadString(key, QStringLiteral("Album"), QString()).isEmpty())
        return true;
    const int count = std::min(ini.ReadInteger(key, QStringLiteral("TrackNumber"), 100), 100);
    for (int n = 1; n <= count; ++n) {
        const QString title = ini.ReadString(key, QString::number(n), QString());
        if (!title.isEmpty() && title != DefaultTrackTitle(n))
            return true;
    }
    return false;
}

QString DefaultTrackTitle(int32_t number) {
    return QStringLiteral("Track") + TwoDigits(number);
}

QString ListTitle(const QString& title, int32_t number) {
    // A title pasted over two lines, or a CDDB title with "\n" in it, would carry the break
    // into the file names; cdinfo.dat keeps titles on one line anyway, with blanks for breaks.
    QString oneLine = title;
    oneLine.replace('\r', ' ').replace('\n', ' ');
    // A lookup may leave a track without a title: it gets the name an empty title gets
    // everywhere else (the rip's file, cdinfo.dat on the next start).
    return oneLine.isEmpty() ? DefaultTrackTitle(number) : oneLine;
}

void ApplyDiscRecord(const TDiscRecord& record, TDiscInfo& disc, int32_t firstTrack, int32_t tracks) {
    if (record.Artist)
        disc.Artist = *record.Artist;
    if (record.Album)
        disc.Album = *record.Album;
    if (record.Year)
        disc.Year = *record.Year;
    if (record.Genre)
        disc.Genre = *record.Genre;
    if (record.Comment)
        disc.Comment = *record.Comment;
    disc.MusicBrainzReleaseId = record.MusicBrainzReleaseId;
    for (int32_t i = 0; i < tracks && i < record.Titles.size(); ++i) {
        const int32_t number = firstTrack + i;
        if (number >= 1 && number <= 100)
            disc.Titles[size_t(number)] = ListTitle(record.Titles[i], number);
    }
}
