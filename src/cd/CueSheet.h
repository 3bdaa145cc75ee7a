// TCueSheet: a .cue sheet read and checked before a disc image is opened as a drive.
//
// libcdio trusts a cue sheet blindly: a track whose INDEX lies past the end of a truncated
// .bin, or INDEX lines out of order, give tracks of negative length and reads of nonsense,
// and it reads sector n of any track at byte n * 2352 of the .bin, which is wrong as soon as
// a track before it stores 2048- or 2336-byte sectors; it knows only one FILE. So the drive
// library checks every cue sheet here first, refuses a broken one with a message naming the
// track at fault, and takes the layout of the disc (which file, or which silence, each of its
// sectors comes from, where the disc ends) from here rather than from libcdio.
//
// A sheet may name one file for the whole disc or a file per track (with a track's pregap at
// the end of the file before, at the start of its own, or left out and given as PREGAP). The
// files are BINARY (raw sectors), MOTOROLA (raw, big-endian audio), WAVE (a WAV file with CD
// audio, read from its audio data) or FLAC; a WAV or FLAC file is known by its content,
// whatever type the FILE line gives it.
#pragma once

#include "cd/DiscLayout.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// Where an INDEX line points: a file of the sheet (in FILE order) and a sector in it.
struct TCuePlace {
    int File = -1;
    int32_t At = -1;
};

struct TCueTrack {
    int Number = 0;
    QString Mode;        // AUDIO, MODE1/2048, ...
    int SectorBytes = 0; // bytes one sector of this track takes in its file
    bool Audio = false;
    // Logical block addresses on the disc, once the sheet is loaded.
    int32_t FirstIndex = 0; // INDEX 00 if given, else INDEX 01
    int32_t Start = 0;      // INDEX 01
    int32_t Pregap = 0;     // PREGAP: silence on the disc before FirstIndex, not in a file
    int32_t Postgap = 0;    // POSTGAP: silence on the disc after the track's sectors
    bool CopyPermitted = false;
    bool PreEmphasis = false;
    bool FourChannels = false;
    QString Isrc;
    // The INDEX lines as written: 00 (or the place of 01 when there is none), 01, 02 and on.
    TCuePlace FirstPlace;
    TCuePlace StartPlace;
    std::vector<TCuePlace> MorePlaces;
};

class TCueSheet {
public:
    // Reads the cue sheet, resolves the files it names and checks its tracks against them.
    // False with Error set (one line, naming the cue sheet and the track at fault).
    bool Load(const QString& cuePath);

    QString Error;
    QByteArray Content; // the sheet as read, without a byte-order mark
    std::vector<TCueTrack> Tracks;
    // The disc it describes; set by a successful Load.
    std::shared_ptr<TDiscLayout> Layout;

    // The sheet as libcdio's parser accepts it: the lines it knows, in its spelling, the
    // tracks at their places on the disc in one file "disc.bin" of 2352-byte sectors.
    QByteArray LibcdioSheet() const;

private:
    struct TFileLine {
        QString Name;
        QString Type;
    };
    bool Fail(const QString& cuePath, const QString& why);
    bool ParseLines(const QString& cuePath, std::vector<TFileLine>& files);
    bool OpenFiles(const QString& cuePath, const std::vector<TFileLine>& files);
    bool CheckTracks(const QString& cuePath);
};

// "mm:ss:ff" of a sector count, as cue sheets write positions.
QString CueTimeText(int64_t sectors);
