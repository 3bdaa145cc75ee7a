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
    // Logical block addresses (after loading; while the sheet is checked, sectors from the
    // start of the .bin).
    int32_t FirstIndex = 0;  // INDEX 00 if given, else INDEX 01
    int32_t Start = 0;       // INDEX 01
    int64_t FileOffset = 0;  // byte offset of FirstIndex in the .bin
    int32_t FileSectors = 0; // sectors of the track in the file, from FirstIndex on
    int32_t Pregap = 0;      // PREGAP: silence on the disc before FirstIndex, not in the file
    int32_t Postgap = 0;     // POSTGAP: silence on the disc after the track's sectors
    int32_t Shift = 0;       // FirstIndex and Start on the disc minus their place in the file
};

// SectorOffset of a sector of PREGAP or POSTGAP silence.
constexpr int64_t CueSilence = -2;

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
    int64_t DataStart = 0; // where the sectors begin in the file: after the header of a WAV file
    int64_t BinBytes = 0;  // bytes of sectors in the file from DataStart on
    int32_t LeadOut = 0;   // logical block address after the last whole sector of the .bin

    // The track holding logical block `lba`, or nullptr (before track 1's first index, or
    // at or after the lead-out).
    const TCueTrack* TrackAt(int32_t lba) const;
    // Byte offset in the .bin of logical block `lba`; CueSilence for gap silence, -1 off the
    // disc.
    int64_t SectorOffset(int32_t lba) const;
    // The sheet as libcdio's parser accepts it, naming "disc.bin".
    QByteArray LibcdioSheet() const;

private:
    bool Fail(const QString& cuePath, const QString& why);
    bool ParseLines(const QString& cuePath, int& fileLines, QString& fileName, QString& fileType);
    bool CheckTracks(const QString& cuePath);
};

// "mm:ss:ff" of a sector count, as cue sheets write positions.
QString CueTimeText(int64_t sectors);
