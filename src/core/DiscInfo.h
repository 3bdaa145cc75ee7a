// The information kept about a disc (cdinfo.dat, one section per disc key): artist, album,
// year, genre, comment and the track titles; the record of the disc the main window lists;
// and the one place where a disc record found by a lookup (a CDDB entry) is applied to them.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

// The fields of a disc that go into the tags of its tracks.
struct TDiscFields {
    QString Artist;
    QString Album;
    QString Year;
    int32_t Genre = -1; // index into GenreNames; -1 = none
    QString Comment;
    // The MusicBrainz release the disc was named from (tags, cover art); empty when not known.
    QString MusicBrainzReleaseId;
};

struct TDiscInfo : TDiscFields {
    int32_t TrackNumber = 100;       // count of valid entries in Titles
    std::array<QString, 101> Titles; // 1..100; [0] unused
};

// The disc the main window lists: its fields are what the options dialog's ID3 page edits and
// what a rip takes into its request. Main thread only.
extern TDiscInfo CurrentDisc;

QString DiscInfoFilePath();
// Reads the section `key` into `disc`: every field from the file (defaults: empty texts, genre
// -1, 100 titles), titles 1 to TrackNumber as stored, "TrackNN" when missing or empty; titles
// above TrackNumber keep their contents. Does nothing for an empty key.
void LoadDiscInfo(const QString& key, TDiscInfo& disc = CurrentDisc);
// Writes `disc` under `key` atomically; true without writing for an empty key, false when the
// file could not be written (the old file is kept).
bool SaveDiscInfo(const QString& key, const TDiscInfo& disc = CurrentDisc);

// Whether cdinfo.dat names the disc under `key`: an artist, an album or a title other than the
// default "TrackNN". A disc it does not name is looked up when it appears.
bool DiscInfoStored(const QString& key);

// The title a track has when it has none: "Track" and its two-digit number.
QString DefaultTrackTitle(int32_t number);
// A title as the track list keeps it: on one line (line breaks become blanks, as cdinfo.dat
// stores them) and never empty (the default title instead).
QString ListTitle(const QString& title, int32_t number);

// What a lookup found for a disc. A field the source did not hold is left out, so applying the
// record keeps the field as it was.
struct TDiscRecord {
    std::optional<QString> Artist;
    std::optional<QString> Album;
    std::optional<QString> Year;
    std::optional<int32_t> Genre;
    std::optional<QString> Comment;
    // The MusicBrainz release id; a record of any other source leaves the disc without one.
    QString MusicBrainzReleaseId;
    // The titles of the disc's tracks from its first on; empty when the source held none.
    QStringList Titles;
};

// Applies a record: each field it holds replaces the disc's field; title i goes to track
// firstTrack + i for the first `tracks` tracks (as the track list keeps titles, see ListTitle).
// Tracks past the record's titles keep theirs.
void ApplyDiscRecord(const TDiscRecord& record, TDiscInfo& disc, int32_t firstTrack, int32_t tracks);
