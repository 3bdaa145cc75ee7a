// The one tag writer for every format, over TagLib: an MP3 gets an ID3v2.4 tag (UTF-8, every
// field at full length) and/or the ID3v1.1 tag, Ogg Vorbis and FLAC files Vorbis comments; a
// front cover goes in as APIC, METADATA_BLOCK_PICTURE or a FLAC PICTURE block, ReplayGain as
// TXXX frames or comments.
//
// A file is never changed in place: the tags are written into a copy beside it, which replaces
// the file only when every step succeeded, so a tag that cannot be written leaves the file as it
// was. Nothing here is shared between calls; writers may run in several threads at once.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// ID3/Version: which tags an MP3 gets.
enum TId3Versions : int32_t { id3V1Only = 1, id3V2Only = 2, id3Both = 3 };

struct TTagFields {
    QString Title;
    QString Artist;
    QString Album;
    QString AlbumArtist;
    QString Year;
    int32_t Genre = -1; // index into GenreNames; -1 = none
    QString Comment;
    int32_t Track = 0;
    int32_t TrackTotal = 0;
    // MusicBrainz ids, when the disc was named from MusicBrainz.
    QString MusicBrainzAlbumId;
    // ReplayGain 2.0 in dB and as a linear peak (1.0 = full scale).
    std::optional<double> TrackGain;
    std::optional<double> TrackPeak;
    std::optional<double> AlbumGain;
    std::optional<double> AlbumPeak;
    // A front cover (JPEG or PNG bytes); empty = none.
    QByteArray Cover;
    // Pictures the file has stay (Cover is then not used); the MP3's other tags (ID3v1, APE)
    // stay whatever `id3` says. The tag editor's way: it changes the fields it shows.
    bool KeepCover = false;
    bool KeepOtherTags = false;
};

// The kind of file the tags go into, by its content: "MP3", "FLAC", "Ogg Vorbis"; empty when
// none of them.
QString TaggableFormat(const QString& path);

// Writes `fields` into the file (replacing tags it had). `id3` chooses the MP3's tags. False
// with `error` (one line naming the file); the file is then unchanged.
bool WriteFileTags(const QString& path, const TTagFields& fields, int32_t id3, QString& error);

// Adds what is known of the album once every track is done to a file tagged before (the other
// fields stay): its ReplayGain (when `gain` is set) and the front cover (when not empty).
bool WriteAlbumTags(const QString& path, const std::optional<double>& gain, double peak, const QByteArray& cover,
                    QString& error);

// Removes an MP3's ID3v2 tag (its audio and other tags stay). False with `error`; the file is
// then unchanged.
bool RemoveId3v2(const QString& path, QString& error);

// Makes TagLib write new ID3v2 text frames as UTF-8; called before any use of TagLib.
void UseUtf8Id3Frames();

// "-3.21 dB" and "0.987654", as ReplayGain tags hold them.
QString ReplayGainText(double gain);
QString ReplayPeakText(double peak);

// The MIME type of a picture by its first bytes ("image/jpeg", "image/png"); empty for anything
// else.
QString PictureMimeType(const QByteArray& data);
