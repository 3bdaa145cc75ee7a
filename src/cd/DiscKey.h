// The disc key: the name of a disc's section in cdinfo.dat. It is the 32-bit serial number
// that Windows reports for an audio CD, computed from the table of contents, so cdinfo.dat
// files carried over from Windows keep working.
#pragma once

#include "cd/akrip32.h"

#include <QString>

// The key of a disc from its TOC (addresses in minutes/seconds/frames), as a signed decimal;
// empty when the TOC holds no track.
QString DiscKeyFromToc(const TCDToc& toc);
// Reads the TOC of an open drive in minutes/seconds/frames. False when there is no disc.
bool ReadTocMsf(int handle, TCDToc& toc);
// True when the TOC's first track is an audio track.
bool TocStartsWithAudio(const TCDToc& toc);
// True when the first drive holds media whose first track is audio.
bool IsAudioCDInDrive();
// The key of the audio CD in the first drive, or empty.
QString GetDiscKey();
