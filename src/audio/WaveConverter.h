// Decoding of compressed WAV files (format tag 85, MPEG audio in a RIFF/WAVE file) as a
// stream, through libmpg123. The WAV reader finds the "data" chunk with the one header
// scan; this class decodes what lies there block by block as the reader pulls, so a long
// file costs no more memory than a short one. Its length comes from a scan over the MPEG
// frames when the file is opened, without decoding them.
#pragma once

#include <cstdint>

class TAuStream;
struct mpg123_handle_struct;

class TWaveConverter {
public:
    TWaveConverter();
    ~TWaveConverter();
    TWaveConverter(const TWaveConverter&) = delete;
    TWaveConverter& operator=(const TWaveConverter&) = delete;

    // Opens the MPEG audio at [dataStart, dataEnd) of `stream` (which must outlive this
    // object): the format of its first frame and the length from a scan of all frames. False
    // when no MPEG audio is found there.
    bool Open(TAuStream& stream, int64_t dataStart, int64_t dataEnd);
    // Up to `bytes` of interleaved 16-bit PCM (whole frames); 0 at the end, or where the
    // stream changes its rate or channel count (those samples are never passed off as the
    // first format's).
    int64_t Read(void* buffer, int64_t bytes);

    int Channels = 0;
    int SampleRate = 0;
    // Sample frames the whole stream decodes to.
    int64_t TotalFrames = 0;

    // The part of the stream the decoder reads, and where in it the decoder is.
    struct TSource {
        TAuStream* Stream = nullptr;
        int64_t Start = 0;
        int64_t End = 0;
        int64_t Position = 0; // relative to Start
    };

private:
    mpg123_handle_struct* Handle = nullptr;
    TSource Source;
    bool Ended = false;
};
