// The CD-TEXT of a disc: the titles, performers and songwriters a disc (or its image) carries
// for the disc as a whole and for each track, read without any network.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>

struct TCdTextFields {
    QString Title;
    QString Performer;
    QString Songwriter;
    bool Empty() const { return Title.isEmpty() && Performer.isEmpty() && Songwriter.isEmpty(); }
};

struct TCdText {
    TCdTextFields Disc;
    // By the disc's own track number.
    std::map<int32_t, TCdTextFields> Tracks;
    bool Empty() const;
};

// The CD-TEXT of the disc in an open drive of the drive library. The kind of drive decides
// the reader: a physical drive's (and an image's that libcdio reads whole) through libcdio, a
// cue sheet's TITLE/PERFORMER/SONGWRITER lines and its CDTEXTFILE from the sheet itself.
// False when the disc carries none. The caller must be the handle's only user meanwhile.
bool ReadCdText(int handle, TCdText& text);

// The CD-TEXT of a cue sheet (`content`, the sheet's bytes; `cuePath`, where it lies, for its
// CDTEXTFILE): TITLE, PERFORMER and SONGWRITER before the first TRACK are the disc's, after a
// TRACK that track's. A CDTEXTFILE (the binary packs a drive returns) fills what the sheet's
// own lines leave empty; one that cannot be read is passed over.
TCdText CueSheetCdText(const QByteArray& content, const QString& cuePath);

// CD-TEXT packs (18 bytes each, as a drive returns them, with or without the 4-byte header
// of the READ TOC answer) through libcdio; the first language block. Empty when they hold none.
TCdText CdTextFromPacks(const QByteArray& packs);
