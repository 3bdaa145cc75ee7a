// The disc key: the name of a disc's section in cdinfo.dat. It is the 32-bit serial number
// that Windows reports for an audio CD, computed from the table of contents, so cdinfo.dat
// files carried over from Windows keep working.
#pragma once

#include "cd/Disc.h"

#include <QString>

// Reads the disc of an open drive of the drive library (its TOC in minutes/seconds/frames).
// False when there is no disc.
bool ReadDisc(int handle, TDisc& disc);
// The key a disc is kept under: its key when it starts with audio, else empty.
QString KeyOfDisc(const TDisc& disc);
// True when the first drive holds media whose first track is audio.
bool IsAudioCDInDrive();
// The key of the audio CD in the first drive, or empty.
QString GetDiscKey();
