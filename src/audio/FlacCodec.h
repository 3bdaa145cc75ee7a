// FLAC encoding and decoding over libFLAC, in-process: a WAV file to a FLAC file, a FLAC file
// to a WAV file, a writer that is fed PCM as it is read (a disc ripped to one image file), and
// a reader that decodes a stream as it is read, with seeking (the WAV reader's FLAC input).
//
// Every output is written to a temporary file beside it and renamed over the output only when
// complete, so a failure, a stop or bad input leaves no partial file and an existing output as
// it was. Runs may go on in several threads at once: nothing is shared between them.
#pragma once

#include <QString>

#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class TAuStream;

struct TFlacEncodeOptions {
    int32_t Level = 5;  // compression level 0..8, as flac -0 .. -8
    bool Verify = true; // every frame decoded again while encoding and compared
};

// What a run reports while it goes: `Progress` gets 0..100 (each value once at most, in order);
// a run whose `Stop` becomes true ends as soon as it can, writing nothing.
struct TFlacRunHooks {
    std::function<void(int32_t)> Progress;
    const std::atomic<bool>* Stop = nullptr;
};

// What a WAV file holds, as the encoder takes it: integer PCM of 4..32 bits, 1..8 channels, a
// rate FLAC can store. False with `error` (naming the file) for anything else.
bool CheckFlacInput(const QString& wav, QString& error);

// Encodes the WAV file `input` into the FLAC file `output` (padding and a seek table are
// written, so tags and pictures added later rarely need the file rewritten). False with `error`.
bool EncodeWavToFlac(const QString& input, const QString& output, const TFlacEncodeOptions& options,
                     const TFlacRunHooks& hooks, QString& error);

// Decodes a FLAC file into a WAV file with its channels, rate and bits (a 44-byte header for 1
// or 2 channels of 8 or 16 bits, WAVE_FORMAT_EXTENSIBLE otherwise); the decoded audio's MD5 is
// checked against the file's. A file that is not FLAC, is damaged or cut short gives false
// with `error` and no output.
bool DecodeFlacToWav(const QString& input, const QString& output, const TFlacRunHooks& hooks, QString& error);

// A FLAC file written from 16-bit little-endian stereo CD audio as it arrives.
class TFlacCdWriter {
public:
    TFlacCdWriter() = default;
    ~TFlacCdWriter();
    TFlacCdWriter(const TFlacCdWriter&) = delete;
    TFlacCdWriter& operator=(const TFlacCdWriter&) = delete;

    // Starts the temporary file beside `path` for `frames` stereo frames. False with Error.
    bool Open(const QString& path, int64_t frames, const TFlacEncodeOptions& options);
    // Adds whole frames (4 bytes each). False with Error.
    bool Write(const uint8_t* data, size_t bytes);
    // Ends the stream and renames the temporary over `path`. False with Error.
    bool Commit();
    // Drops the temporary file (also done by the destructor unless committed).
    void Cancel();

    QString Error;

private:
    FLAC__StreamEncoder* Encoder = nullptr;
    FLAC__StreamMetadata* Metadata[2] = {};
    QString Path;
    QString Temporary;
};

// A FLAC stream decoded as it is read: PCM as a WAV file holds it (8-bit unsigned, 16-, 24- or
// 32-bit little-endian signed, channels interleaved; bits that do not fill whole bytes at the
// top), with seeking to any frame.
class TFlacStreamReader {
public:
    TFlacStreamReader() = default;
    ~TFlacStreamReader();
    TFlacStreamReader(const TFlacStreamReader&) = delete;
    TFlacStreamReader& operator=(const TFlacStreamReader&) = delete;

    // Whether `head` (the first bytes of a file) starts a FLAC stream, after an ID3v2 tag too
    // (at least 14 bytes are needed; fewer give false).
    static bool LooksLikeFlac(const QByteArray& head);
    // Reads the stream information of `stream` (which must outlive this object); false when it
    // is no FLAC stream a WAV file could hold.
    bool Open(TAuStream& stream);
    // Up to `bytes` of PCM (whole frames); 0 at the end or at damage (Error then says why).
    int64_t Read(void* buffer, int64_t bytes);
    // Moves to sample frame `frame`; false when the stream cannot seek there.
    bool Seek(int64_t frame);

    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0; // the container's: 8, 16, 24 or 32
    int64_t TotalFrames = 0;
    QString Error;

    // Called by the decoder (public for its C callbacks).
    TAuStream* Stream = nullptr;
    std::vector<uint8_t> Pending;
    size_t PendingAt = 0;
    int StreamBits = 0;

private:
    FLAC__StreamDecoder* Decoder = nullptr;
};
