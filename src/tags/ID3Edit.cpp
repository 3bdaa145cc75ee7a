// The tag editor's state and commands (see ID3Edit.h).
#include "tags/ID3Edit.h"

#include "core/LanguageText.h"
#include "platform/Prompter.h"

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

void TID3Edit::Load(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    if (Id3.Read(full) <= 255)
        FillFields();
    else
        ClearFields();
    File = full;
}

bool TID3Edit::WriteTo(const QString& path) {
    TakeFields();
    // The editor names its file itself rather than through "=": a load whose read failed
    // before the tag noted the file name must not send the next save to an earlier file.
    if (Id3.Write(path) > 255) {
        Prompter().Show(LoadResText(QStringLiteral("RES_SaveTag_Error"), QStringLiteral("Could not save Tag!")),
                        TPromptIcon::Information, TPromptButtons::Ok);
        return false;
    }
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
    return true;
}

bool TID3Edit::SaveAs(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const bool ok = WriteTo(full);
    if (ok)
        File = full;
    return ok;
}
