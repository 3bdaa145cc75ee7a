// What a lookup offers for a disc: candidates (a MusicBrainz release, a CDDB entry, the disc's
// CD-TEXT), each a disc record to apply plus the facts a person tells releases apart by; and a
// source's answer: its candidates, or why it had none.
#pragma once

#include "core/DiscInfo.h"

#include <QString>

#include <vector>

struct TDiscCandidate {
    // What applying the candidate changes (ApplyDiscRecord).
    TDiscRecord Record;
    // The facts shown in the release chooser; empty when the source does not know them.
    QString Artist;
    QString Album;
    QString Year;
    QString Country;
    QString Format;
    QString Label;
    QString Barcode;
    int TrackCount = 0;
    // The source's own name for it: a MusicBrainz release id, a CDDB "category discid".
    QString Id;

    // "artist / album (year, country, format)", the parts the source knows.
    QString Description() const;
};

struct TLookupAnswer {
    QString Source; // "cdtext", "musicbrainz", "cddb"
    // How the source named the disc: "mbdiscid: ..." or "discid: ..."; empty for CD-TEXT.
    QString IdLine;
    std::vector<TDiscCandidate> Candidates;
    // Without candidates: why, in one line ("nothing found", the server's error).
    QString Error;
    // Nothing was asked because the CDDB hello has no e-mail address (see CddbEmailMissing).
    bool NeedsEmail = false;
    bool Found() const { return !Candidates.empty(); }
};

// A text from outside as a field keeps it: control characters become blanks, runs of blanks
// one, and it is cut to `limit` characters.
QString CleanLookupText(const QString& text, int limit = 255);
