// The kinds of job the job window runs: a rip, or a batch of file conversions.
#pragma once

#include <cstdint>

enum class TJobKind : uint8_t {
    None = 0,
    RipTracks = 1,      // CD tracks extracted, then encoded to the output format
    WavToMp3 = 2,       // WAV files to MP3
    Mp3ToWav = 3,       // MP3 files to WAV
    RecordingToMp3 = 4, // a saved recording to the MP3 file beside it
    WavToOgg = 5,       // WAV files to Ogg Vorbis
    WavToWma = 6,       // WAV files to WMA
    WavToFlac = 7,      // WAV files to FLAC
    FlacToWav = 8,      // FLAC files to WAV
};
