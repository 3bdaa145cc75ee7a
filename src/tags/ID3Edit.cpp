// The tag editor's state and commands (see ID3Edit.h).
#include "tags/ID3Edit.h"

#include "core/LanguageText.h"
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "tags/Genres.h"
#include "tags/TagReader.h"
#include "tags/TagWriter.h"

#include <QFileInfo>

#include <algorithm>

TID3Edit::TID3Edit(QObject* parent) : QObject(parent) {}

QString TID3Edit::Caption() const {
    const QString caption = LoadResText(QStringLiteral("RES_ID3Edit_Caption"), QStringLiteral("ID3 Tag Edit"));
    return File.isEmpty() ? caption : caption + QStringLiteral(": ") + File;
}

void TID3Edit::FillFields() {
    Fields.Title = Id3.TitleText();
    Fields.Artist = Id3.ArtistText();
    Fields.Album = Id3.AlbumText();
    Fields.Year = Id3.YearText();
    Fields.Comment = Id3.CommentText();
    Fields.GenrePosition = Id3ToGenre(Id3.Genre);
    Fields.Track = QString::number(Id3.HasTrack ? Id3.Track : 0);
}

void TID3Edit::ClearFields() {
    Fields = TID3Fields();
}

void TID3Edit::TakeFields() {
    Id3.SetTitle(Fields.Title);
    Id3.SetArtist(Fields.Artist);
    Id3.SetAlbum(Fields.Album);
    Id3.SetYear(Fields.Year);
    Id3.SetComment(Fields.Comment);
    Id3.Genre = Fields.GenrePosition < 0 ? 255 : GenreToId3(uint8_t(std::min(Fields.GenrePosition, 255)));
    if (!Fields.Track.isEmpty())
        Id3.SetTrack(uint8_t(std::clamp(Fields.Track.toInt(), 0, 255)));
}

int TID3Edit::Id3v1CommentRoom(const QString& track) {
    return track.toInt() > 0 ? 28 : 30;
}

void TID3Edit::ReadTags(const QString& path, bool v1Read, bool fill) {
    Kinds.clear();
    if (v1Read)
        Kinds << QStringLiteral("ID3v1");
    TTagReport report;
    QString error;
    if (!ReadFileTags(path, report, error))
        return;
    const auto v2 = std::find_if(report.Kinds.begin(), report.Kinds.end(),
                                 [](const QString& k) { return k.startsWith(QLatin1String("ID3v2")); });
    if (v2 == report.Kinds.end())
        return;
    Kinds << *v2;
    if (!fill)
        return;
    // TagLib gives the ID3v2 tag's fields when the file has one.
    const auto field = [&](const char* name) {
        for (const auto& [key, value] : report.Fields)
            if (key == QLatin1String(name))
                return value;
        return QString();
    };
    Fields.Title = field("TITLE");
    Fields.Artist = field("ARTIST");
    Fields.Album = field("ALBUM");
    Fields.Year = field("DATE").left(4);
    Fields.Comment = field("COMMENT");
    const QString genre = field("GENRE");
    Fields.GenrePosition = genre.isEmpty() ? -1 : GenreIndexOf(genre) + 1;
    if (Fields.GenrePosition == 0)
        Fields.GenrePosition = -1;
    const QString track = field("TRACKNUMBER");
    Fields.Track = QString::number(track.section('/', 0, 0).toInt());
    TrackTotal = track.section('/', 1, 1).toInt();
    AlbumArtist = field("ALBUMARTIST");
    MusicBrainzAlbumId = field("MUSICBRAINZ_ALBUMID");
}

void TID3Edit::Load(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const bool v1 = Id3.Read(full) <= 255;
    if (v1)
        FillFields();
    else
        ClearFields();
    AlbumArtist.clear();
    MusicBrainzAlbumId.clear();
    TrackTotal = 0;
    ReadTags(full, v1, true);
    File = full;
}

bool TID3Edit::WriteTo(const QString& path) {
    TakeFields();
    const auto failed = [](const QString& detail) {
        QString text = LoadResText(QStringLiteral("RES_SaveTag_Error"), QStringLiteral("Could not save Tag!"));
        if (!detail.isEmpty())
            text += QStringLiteral("\r\n") + detail;
        Prompter().Show(text, TPromptIcon::Information, TPromptButtons::Ok);
        return false;
    };
    // Each kind of tag is written when the file has one or the settings ask for it; an ID3v2
    // tag only into a file TagLib knows as MP3.
    Tid3tag current;
    const bool hadV1 = current.Read(path) <= 255;
    TTagReport report;
    QString error;
    const bool hadV2 = ReadFileTags(path, report, error) &&
                       std::any_of(report.Kinds.begin(), report.Kinds.end(),
                                   [](const QString& k) { return k.startsWith(QLatin1String("ID3v2")); });
    const bool v2 = hadV2 || (Settings.Id3Version != id3V1Only && TaggableFormat(path) == QLatin1String("MP3"));
    const bool v1 = hadV1 || Settings.Id3Version != id3V2Only || !v2;
    if (v2) {
        TTagFields f;
        f.Title = Fields.Title;
        f.Artist = Fields.Artist;
        f.Album = Fields.Album;
        f.Year = Fields.Year;
        f.Comment = Fields.Comment;
        f.Genre = Fields.GenrePosition < 1 ? -1 : Fields.GenrePosition - 1;
        // An empty track field keeps the track number, as in the ID3v1 tag.
        f.Track = Fields.Track.isEmpty() ? (Id3.HasTrack ? Id3.Track : 0) : Fields.Track.toInt();
        f.TrackTotal = TrackTotal;
        f.AlbumArtist = AlbumArtist;
        f.MusicBrainzAlbumId = MusicBrainzAlbumId;
        f.KeepCover = true;
        f.KeepOtherTags = true;
        if (!WriteFileTags(path, f, id3V2Only, error))
            return failed(error);
    }
    // The editor names its file itself rather than through "=": a load whose read failed
    // before the tag noted the file name must not send the next save to an earlier file.
    if (v1 && Id3.Write(path) > 255)
        return failed(QString());
    ReadTags(path, v1, false);
    return true;
}

bool TID3Edit::Save() {
    if (File.isEmpty())
        return false;
    const bool ok = WriteTo(File);
    return ok;
}

bool TID3Edit::Remove() {
    if (File.isEmpty())
        return false;
    const TPromptAnswer answer = Prompter().Show(
        LoadResText(QStringLiteral("RES_Ask_RemoveTag"), QStringLiteral("Do you want to remove these tags?")),
        TPromptIcon::Question, TPromptButtons::YesNo, TPromptAnswer::No);
    if (answer != TPromptAnswer::Yes)
        return false;
    QString error;
    if (Kinds.size() > 1 || (Kinds.size() == 1 && Kinds.first() != QLatin1String("ID3v1"))) {
        if (!RemoveId3v2(File, error)) {
            Prompter().Show(ResText("RES_RemoveTag_Error", "Could not remove Tag!") + QStringLiteral("\r\n") + error,
                            TPromptIcon::Information, TPromptButtons::Ok);
            return false;
        }
    }
    Id3.FileName = File;
    Id3.Remove();
    // The tag class removes silently; emptied fields over a tag that is still there (a
    // read-only or locked file) would tell the user it has gone.
    Tid3tag check;
    if (check.Read(File) <= 255) {
        Prompter().Show(ResText("RES_RemoveTag_Error", "Could not remove Tag!"), TPromptIcon::Information,
                        TPromptButtons::Ok);
        return false;
    }
    ClearFields();
    Kinds.clear();
    return true;
}

bool TID3Edit::SaveAs(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const bool ok = WriteTo(full);
    if (ok)
        File = full;
    return ok;
}
