// The CD-TEXT of a disc: the titles, performers and songwriters a disc (or its image) carries
// for the disc as a whole and for each track, read without any network.
#pragma once

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

// The CD-TEXT of the disc in an open drive of the drive library: a physical drive's through
// libcdio, a cue sheet's TITLE/PERFORMER/SONGWRITER lines (and its CDTEXTFILE), a .toc file's
// CD_TEXT blocks. False when the disc carries none.
bool ReadCdText(int handle, TCdText& text);
