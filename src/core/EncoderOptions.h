// The options of each encoder as one value, taken from the settings on the main thread when a
// job starts (a rip's request, a conversion, a recorder export) and handed to the encoder run.
#pragma once

#include <cstdint>

struct TSettings;

// lame's options (Mp3Options of options.ini).
struct TMp3Options {
    int32_t BitRate = 128;
    int32_t MaxBitRate = 320;
    int32_t MpegQuality = 0; // 0 default, 1 faster (-f), 2 higher quality (-h)
    int32_t VBRQuality = 4;
    int32_t StereoMode = 1; // 0 stereo, 1 joint, 2 forced joint, 3 dual, 4 mono
    bool IsSelectVBR = false;
    bool IsVBRHead = false;

    static TMp3Options From(const TSettings& settings);
};

// The Vorbis encoder's options (OggOptions of options.ini): quality mode with the slider's
// position, or the bit-rate manager with three positions of the Ogg bit-rate list.
struct TOggOptions {
    bool IsUseCompress = true;
    int32_t CompressPosition = 30;
    int32_t MaxBitRate = 0;
    int32_t NominalBitRate = 0;
    int32_t MinBitRate = 0;

    static TOggOptions From(const TSettings& settings);
    // The quality the job window encodes with: the slider's (position - 10) / 100 in quality
    // mode, else 0.2.
    float Quality() const;
};

// The FLAC encoder's options (FlacOptions of options.ini).
struct TFlacOptions {
    int32_t Level = 5;
    bool Verify = true;

    static TFlacOptions From(const TSettings& settings);
};

// The WMA utility's options: a row of WmaSettingsTable (out-of-range rows mean row 8).
struct TWmaOptions {
    int32_t Setting = 8;

    static TWmaOptions From(const TSettings& settings);
};
