// TTocFile: a cdrdao .toc file read into the layout of its disc (see DiscLayout.h), as cdrdao
// itself reads it, for the drive library to open as an image.
//
// libcdio's own .toc reader gets real files wrong (a SILENCE or ZERO before the first track is
// not counted, the length of a DATAFILE is taken for its start, CD_TEXT blocks with a
// LANGUAGE_MAP or SIZE_INFO are refused), so the drive library reads .toc files here and hands
// libcdio only a cue sheet of the result.
//
// Every statement cdrdao writes is read: CD_DA/CD_ROM/CD_ROM_XA/CD_I, CATALOG, CD_TEXT blocks
// (LANGUAGE_MAP, LANGUAGE, string and binary items), TRACK with its mode and sub-channel mode,
// [NO] COPY, [NO] PRE_EMPHASIS, TWO_/FOUR_CHANNEL_AUDIO, ISRC, SILENCE, ZERO, FILE/AUDIOFILE
// (SWAP, #byte offset, start, length), DATAFILE (#byte offset, length), START, PREGAP and INDEX.
// As cdrdao has it, raw audio files hold big-endian samples (little-endian with SWAP), files
// named *.wav are WAV files; FLAC files (*.flac) are read too. Positions and lengths are
// "mm:ss:ff" or a number: samples in audio statements, bytes in data statements.
#pragma once

#include "cd/CdText.h"
#include "cd/DiscLayout.h"

#include <QString>

#include <memory>

class TTocFile {
public:
    // Reads and checks the .toc file and the files it names. False with Error set (one line,
    // naming the .toc file and the line or track at fault).
    bool Load(const QString& tocPath);

    QString Error;
    // The disc it describes (with its CD-TEXT); set by a successful Load.
    std::shared_ptr<TDiscLayout> Layout;
};

// The CD-TEXT of an open drive of the drive library whose disc is a .toc file: its CD_TEXT
// blocks in the first language they give. False when the disc is no .toc file or has none.
bool ReadTocFileCdText(int handle, TCdText& text);
