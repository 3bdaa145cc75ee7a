// TID3Edit: the tag editor's state and commands, without widgets. It owns one Tid3tag and the
// texts of the editor's fields; the window (TfrmID3Edit) copies its controls into Fields before
// a command and shows Fields, Caption() and the enabled state after it.
//
// A file's ID3v1.1 and ID3v2 tags are both read; the fields show the ID3v2 tag when there is
// one (its texts at full length), else the ID3v1 tag. Saving writes the ID3v1 tag and the ID3v2
// tag (UTF-8, ID3v2.4) each when the file has one or ID3/Version asks for it; an ID3v2 tag's
// other frames (pictures, ReplayGain, MusicBrainz ids) stay.
#pragma once

#include "tags/Id3Tag.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The editor's fields as the user sees them.
struct TID3Fields {
    QString Title;
    QString Artist;
    QString Album;
    QString Year;
    QString Comment;
    // Decimal track number; empty keeps the tag's track number on save.
    QString Track = QStringLiteral("0");
    // Position in the genre list (0 = the empty entry); -1 = nothing selected.
    int GenrePosition = -1;
};

class TID3Edit : public QObject {
    Q_OBJECT
public:
    explicit TID3Edit(QObject* parent = nullptr);

    TID3Fields Fields;

    // The file the editor works on (loaded, or written by Save As); empty before the first.
    QString LoadedFile() const { return File; }
    // Save Tag and Remove Tag need a file.
    bool HasFile() const { return !File.isEmpty(); }
    // "ID3 Tag Edit", or that text + ": " + the file's full path once there is a file.
    QString Caption() const;
    const Tid3tag& Tag() const { return Id3; }
    // The tags the editor's file holds ("ID3v1, ID3v2.4"); empty when none (or no file).
    const QStringList& TagKinds() const { return Kinds; }
    // How many characters of the comment the ID3v1 tag keeps with the track field as it is:
    // 28 when it holds a track number, else 30.
    static int Id3v1CommentRoom(const QString& track);

    // Reads the tag of `path`: the fields show it, or are cleared when the file has none (or
    // cannot be read). The file becomes the editor's file either way, so a tag can be added.
    void Load(const QString& path);
    // Writes the fields as the tag of the editor's file; false (with the error box) on failure.
    bool Save();
    // Asks, then removes the tag of the editor's file and clears the fields. False when the user
    // said No or there is no file; a tag that could not be removed is said in a box, and the
    // fields keep it.
    bool Remove();
    // Writes the fields as the tag of `path`. On success `path` becomes the editor's file; on
    // failure (error box) the previous file stays.
    bool SaveAs(const QString& path);

private:
    void FillFields();
    void ClearFields();
    void TakeFields();
    bool WriteTo(const QString& path);
    // Reads which tags `path` has; the ID3v2 fields into Fields when `fill`.
    void ReadTags(const QString& path, bool v1Read, bool fill);

    Tid3tag Id3;
    QString File;
    QStringList Kinds;
    // What the ID3v2 tag held that the fields do not show, written back as it was.
    QString AlbumArtist;
    QString MusicBrainzAlbumId;
    int32_t TrackTotal = 0;
};
