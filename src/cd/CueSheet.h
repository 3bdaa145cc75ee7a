// TCueSheet: a .cue sheet read and checked before a disc image is opened as a drive.
//
// libcdio trusts a cue sheet blindly: a track whose INDEX lies past the end of a truncated
// .bin, or INDEX lines out of order, give tracks of negative length and reads of nonsense,
// and it reads sector n of any track at byte n * 2352 of the .bin, which is wrong as soon as
// a track before it stores 2048- or 2336-byte sectors. So the drive library checks every
// cue sheet here first, refuses a broken one with a message naming the track at fault, and
// takes the layout of the .bin (where each track's sectors lie, where the disc ends) from
// here rather than from libcdio.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct TCueTrack {
    int Number = 0;
    QString Mode;        // AUDIO, MODE1/2048, ...
    int SectorBytes = 0; // bytes one sector of this track takes in the .bin
    bool Audio = false;
    int32_t FirstIndex = 0; // sectors from the start of the .bin: INDEX 00 if given, else INDEX 01
    int32_t Start = 0;      // INDEX 01, the track's logical block address
    int64_t FileOffset = 0; // byte offset of FirstIndex in the .bin
};

class TCueSheet {
public:
    // Reads the cue sheet, resolves the file it names and checks its tracks against that
    // file. False with Error set (one line, naming the cue sheet and the track at fault).
    bool Load(const QString& cuePath);

    QString Error;
    QByteArray Content; // the sheet as read, without a byte-order mark
    QString BinPath;    // absolute path of the file the FILE line names
    bool BigEndian = false;
    std::vector<TCueTrack> Tracks;
    int64_t BinBytes = 0;
    int32_t LeadOut = 0; // logical block address after the last whole sector of the .bin

    // The track holding logical block `lba`, or nullptr (before track 1's first index, or
    // at or after the lead-out).
    const TCueTrack* TrackAt(int32_t lba) const;
    // Byte offset in the .bin of logical block `lba` (which must lie on the disc).
    int64_t SectorOffset(int32_t lba) const;

private:
    bool Fail(const QString& cuePath, const QString& why);
    bool ParseLines(const QString& cuePath, int& fileLines, QString& fileName, QString& fileType);
    bool CheckTracks(const QString& cuePath);
};

// "mm:ss:ff" of a sector count, as cue sheets write positions.
QString CueTimeText(int64_t sectors);
