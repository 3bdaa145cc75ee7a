// TDiscLayout: a disc image as the drive library reads it, whatever described it (a cue sheet
// with one file or a file per track, a cdrdao .toc): the tracks with their indexes and flags,
// the lead-out, and for every stretch of the disc where its bytes come from (a part of a file,
// or silence that no file holds). TLayoutReader reads sectors through it.
//
// Positions are logical block addresses (00:02:00 = 0). A stretch of the disc is given in
// bytes, a sector being 2352 bytes of audio, so that a .toc can place audio at any sample.
#pragma once

#include "cd/CdText.h"
#include "cd/Disc.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

constexpr int LayoutSectorBytes = 2352;

struct TLayoutFile {
    enum class TKind {
        Raw,  // sectors as stored (a .bin)
        Wav,  // the audio data of a WAV file, read as stored
        Flac, // decoded as it is read
    };
    QString Path; // absolute
    TKind Kind = TKind::Raw;
    int64_t DataStart = 0;  // Raw: the first byte of the sectors (after a WAV file's header)
    int64_t Bytes = 0;      // bytes of sectors or audio from DataStart (FLAC: decoded bytes)
    bool BigEndian = false; // audio stored most significant byte first
};

struct TLayoutSegment {
    int64_t DiscByte = 0; // where it begins on the disc: sector n begins at n * 2352
    int64_t Bytes = 0;
    int File = -1;        // index in Files, or -1 for silence
    int64_t FileByte = 0; // where it begins in the file, counted from its DataStart
    // Bytes one sector takes in the file: 2352 for audio; 2448 for audio followed by its
    // sub-channel data (read sector by sector); data tracks have theirs and are not read.
    int FileSectorBytes = LayoutSectorBytes;
    bool Audio = true;
};

struct TLayoutTrack {
    int32_t Number = 0;
    QString Mode; // as the image names it: AUDIO, MODE1/2048, MODE1_RAW, ...
    bool Audio = true;
    int32_t Index0 = 0;           // where its pregap (index 0) begins; Start when it has none
    int32_t Start = 0;            // INDEX 01
    std::vector<int32_t> Indexes; // INDEX 02, 03, ...
    bool CopyPermitted = false;
    bool PreEmphasis = false;
    bool FourChannels = false;
    QString Isrc;
};

class TDiscLayout {
public:
    enum class TSource { CueSheet, TocFile };
    TSource Source = TSource::CueSheet;
    std::vector<TLayoutFile> Files;
    std::vector<TLayoutSegment> Segments; // in disc order, none overlapping
    std::vector<TLayoutTrack> Tracks;     // numbers rising by one
    int32_t LeadOut = 0;
    QString Catalog;
    // CD-TEXT the image itself carries (a .toc's CD_TEXT blocks).
    TCdText CdText;

    // The track numbers, starts and data flags, and the lead-out.
    TDisc Disc() const;
    // The track holding sector `lba` (from its pregap on), or nullptr off the tracks.
    const TLayoutTrack* TrackAt(int32_t lba) const;
    // A cue sheet of this layout as libcdio's parser reads it: one file "disc.bin" holding the
    // whole disc, the tracks with their modes and flags at their places on the disc.
    QByteArray LibcdioSheet() const;
};

// The file an image names: as written (relative to the image's folder), or with Windows
// separators, or just its base name beside the image, in any case. Empty when there is none.
QString ResolveImageFile(const QString& imagePath, const QString& name);
// Where the audio data of a WAV file lies. False (and `error` empty) when the file is not a
// RIFF WAVE file; true with `error` set when it is one without CD audio (PCM, 44.1 kHz, 16
// bits, stereo) or without a data chunk.
bool FindWavData(const QString& path, int64_t& dataStart, int64_t& dataBytes, QString& error);
// True when the file starts like a FLAC file ("fLaC", possibly after an ID3v2 tag).
bool LooksLikeFlac(const QString& path);
// Fills `file` for an audio file named by an image: a WAV file's data chunk, a FLAC file's
// decoded length (checked to be CD audio), else the file as raw bytes. False with `error`.
bool ProbeLayoutFile(const QString& path, TLayoutFile& file, QString& error);

class TFlacFile;

// Reads sectors of a layout: audio as little-endian PCM, silence as zeros. Not thread-safe;
// the drive library calls it under the drive's lock.
class TLayoutReader {
public:
    explicit TLayoutReader(std::shared_ptr<const TDiscLayout> layout);
    ~TLayoutReader();
    // Opens every file of the layout. False with Error.
    bool Open();
    // Reads `count` sectors from `lba` on into `to` (count * 2352 bytes). False with Error
    // when a sector lies off the layout, in a data track, or a file cannot be read.
    bool ReadSectors(int32_t lba, uint32_t count, uint8_t* to);

    QString Error;

private:
    bool ReadFile(int file, int64_t at, int64_t bytes, uint8_t* to);

    std::shared_ptr<const TDiscLayout> Layout;
    std::vector<int> Descriptors;                  // per file; -1 for FLAC files
    std::vector<std::unique_ptr<TFlacFile>> Flacs; // per file; null for raw files
};
