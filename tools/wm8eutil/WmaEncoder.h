// Encoding of a PCM WAV file to WMA v2 in an ASF file with FFmpeg's libraries, as the
// wm8eutil utility does it: the WAV is read through libavformat, resampled and remixed to the
// chosen rate and channel count with libswresample and encoded with libavcodec's wmav2.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class EWmaEncode : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An "-a_setting" value "B_R_C": bit rate B kbit/s, sample rate code R (48, 44, 32, 22, 16,
// 11, 8) and C channels (1 or 2).
struct TWmaTarget {
    int BitRateKbps = 0;
    int SampleRate = 0;
    int Channels = 0;
};

// Throws EWmaEncode on a malformed setting.
TWmaTarget ParseWmaSetting(const std::string& setting);

// The lowest bit rate FFmpeg's WMA v2 encoder accepts.
constexpr int WmaMinimumKbps = 24;

struct TWmaJob {
    std::string InputFile;
    std::string OutputFile;
    TWmaTarget Target;
    std::string Author;      // ASF author, empty = none
    std::string Description; // stored as the "comment" (Description) entry, empty = none
    // Further metadata under FFmpeg's names (title, album, album_artist, date, genre, track)
    // or as ASF names of their own ("MusicBrainz/Album Id"), in order.
    std::vector<std::pair<std::string, std::string>> Metadata;
    // Told every whole percent of the input read (0..99) and 100 at the end.
    std::function<void(int percent)> OnProgress;
    // Asked while the job runs (also inside blocked reads and writes); true ends it as a
    // failure with the reason "interrupted".
    std::function<bool()> Interrupted;
};

// Encodes the job; throws EWmaEncode with the reason on any failure, after removing the
// partial output.
void EncodeWma(const TWmaJob& job);
