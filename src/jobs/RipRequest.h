// TRipRequest: everything a rip needs, taken on the main thread when the rip starts (from the
// settings, the disc's information and the user's choices, or the command line's arguments).
// The pipeline and its workers read the request, never the settings record.
#pragma once

#include "cd/Disc.h"
#include "core/DiscInfo.h"
#include "core/EncoderOptions.h"
#include "core/Settings.h"
#include "jobs/TrackResult.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct TTrackEntry {
    // The track's place on the disc: 1 for the disc's first track, as the track list numbers
    // its rows (the number tags carry).
    int32_t Number = 0;
    // The title as the user typed it or a lookup gave it: tags and windows show it.
    QString Title;
    // The path of the track's files below the output folder, without extension: the name
    // pattern's folders and the base name (see TrackPath), unique within the rip.
    QString BaseName;
};

struct TRipRequest {
    std::vector<TTrackEntry> Tracks;
    int32_t Format = ofMP3; // TOutputFormat
    QString OutputFolder;
    // CommonOptions/NamePattern: the path of each track's files below OutputFolder.
    QString NamePattern = QStringLiteral("%title%");
    TMp3Options Mp3;
    TOggOptions Ogg;
    TWmaOptions Wma;
    TFlacOptions Flac;
    // Tags (ID3/Use): the disc's fields go into each file's tags; an MP3 gets ID3v1, ID3v2 or
    // both (ID3/Version, see TId3Versions).
    bool UseTags = false;
    int32_t Id3Version = 3;
    // ReplayGain (Tags/ReplayGain): each track's loudness is measured while it is read, and the
    // track's and the album's gain and peak go into the files.
    bool ReplayGain = false;
    // The front cover (Metadata/CoverArt): Cover when the caller has one already (picked from
    // a file, or fetched for the main window), else fetched for the disc's MusicBrainz release
    // from CoverArtServer while the drive reads; embedded and saved as cover.jpg beside the
    // files.
    bool CoverArt = false;
    QString CoverArtServer;
    QByteArray Cover;
    TDiscFields Disc;
    bool KeepWav = false;
    bool Normalize = false;
    int32_t NormalizePercent = 95;
    // Seconds read of each track at most; 0 = whole tracks.
    int32_t LengthLimit = 0;
    // Jitter-corrected reading through the CD input (CDOptions/Paranoia).
    bool SecureReading = false;
    // Encodes running at once (at least 1), and whether the drive reads the next track while
    // they run (CommonOptions/EncoderThreads, Pipeline); without, each track is read and then
    // encoded before the next is read.
    int32_t EncoderThreads = 1;
    bool Pipeline = false;
    // The drive's read offset in samples (CDOptions/ReadOffset).
    int32_t ReadOffset = 0;
    // Each track read twice and the two reads compared (CDOptions/TestAndCopy).
    bool TestAndCopy = false;
    // Tracks checked against the AccurateRip database at this server (AccurateRip/Use, Server).
    bool AccurateRip = true;
    QString AccurateRipServer;
    // A log and a cue sheet beside the files (Log/Write).
    bool WriteLog = true;
    // Whether the sources compute each track's CRC32 and AccurateRip sums: only something that
    // reads them (the log, the AccurateRip check, test & copy) is worth their time.
    bool NeedsChecksums() const { return WriteLog || AccurateRip || TestAndCopy || MeasuresLoudness(); }
    // ReplayGain is measured only for a format whose files take it (not WAV or WMA): the
    // measurement costs more than every checksum together.
    bool MeasuresLoudness() const { return ReplayGain && (Format == ofMP3 || Format == ofOGG || Format == ofFLAC); }

    // A resumed rip: the entries taken from the earlier run with their results (Index names
    // the entry), and the log and cue sheet it wrote, which this rip writes again in place.
    std::vector<TTrackResult> Earlier;
    QString EarlierLog;
    QString EarlierCue;

    // The disc as it was read when the rip started, its key, and the drive as the log names it.
    TDisc Layout;
    QString DiscKey;
    QString DriveName;

    // The settings and the listed disc's fields; no tracks yet.
    static TRipRequest From(const TSettings& settings, const TDiscFields& disc);
    // Entries for tracks given as (number, title), with unique paths from the name pattern
    // and the disc's fields (set Disc and NamePattern first).
    void SetTracks(const std::vector<std::pair<int32_t, QString>>& numbersAndTitles);

    // Files of entry i (0-based): its WAV file and its output in the format.
    QString WavOf(size_t i) const;
    QString OutputOf(size_t i) const;

    // The files of this rip that exist already (WAV or output), in track order.
    QStringList ExistingFiles() const;
    // Gives each track whose files exist already the first free name with " (2)", " (3)", ...,
    // so the rip writes beside them rather than over them.
    void KeepExistingFiles();
    // Creates the folders the pattern puts the files in. False with `error` (naming the
    // folder) when one cannot be made.
    bool CreateFolders(QString& error) const;
};

// The path of a track's files below the output folder, without extension: the pattern with
// %artist%, %album%, %year%, %genre% (the genre's name), %track% (two digits) and %title%
// replaced, each field cleaned for a file name on its own (the title as TrackBaseName cleans
// it: a title that leaves nothing becomes "TrackNN"); "/" separates folders, and a folder
// whose name comes out empty (or blank) is left out. Each name is cut to 180 bytes of UTF-8.
QString TrackPath(const QString& pattern, const TDiscFields& disc, int32_t number, const QString& title);

// The question before a rip whose files exist already (`existing`, ExistingFiles): Yes
// replaces them, No keeps them (KeepExistingFiles).
QString RipFilesExistText(const QStringList& existing);

// Names for the files of a job's entries: the first of equal names stays, later ones get
// " (2)", " (3)", ... (skipping names another entry already has), so no entry writes over the
// file of an earlier one.
QStringList UniqueNames(const QStringList& names);
