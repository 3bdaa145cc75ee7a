// The demo disc: three short pieces of synthesised music written as a cue sheet and its .bin
// image (whole sectors of 16-bit stereo PCM at 44.1 kHz), so that the program can be seen at
// work without a CD and without any outside tool. Its tracks have the lengths of the disc
// scripts/demo-disc makes with sox (8 s, 12.8 s and 6.5 s), so both have one table of contents.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Sectors of each track, in order (the last padded with silence to a whole sector).
std::vector<int32_t> DemoDiscTrackSectors();

// Writes `folder`/demo.cue and `folder`/demo.bin (the folder is created when missing; each
// file is replaced only once it is complete) and returns the cue sheet's path, or an empty
// string with the reason in `error`.
QString WriteDemoDisc(const QString& folder, QString& error);

// The demo disc in the user's temporary folder ($XDG_RUNTIME_DIR/discwright-demo): written
// there on first use, used as it is afterwards while its files are whole. The cue sheet's
// path, or an empty string with the reason in `error`.
QString DemoDisc(QString& error);
