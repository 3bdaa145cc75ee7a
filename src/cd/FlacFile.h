// TFlacFile: the CD audio of a FLAC file, read at any position as 16-bit little-endian stereo
// PCM, for disc images whose cue sheet names FLAC files.
//
// Readers jump around (a secure rip reads runs of a few sectors and reads them again), so
// every read may start anywhere: the decoder seeks to the first sample wanted and keeps the
// last blocks it decoded, so that the next read, usually just after or a little before the
// last one, costs no seek.
#pragma once

#include <QString>

#include <FLAC/stream_decoder.h>

#include <cstdint>
#include <deque>
#include <vector>

class TFlacFile {
public:
    TFlacFile() = default;
    ~TFlacFile();
    TFlacFile(const TFlacFile&) = delete;
    TFlacFile& operator=(const TFlacFile&) = delete;

    // Opens the file and checks that it holds CD audio (44100 Hz, 16 bits, two channels) of a
    // known length. False with Error set (one line naming the file).
    bool Open(const QString& path);
    // Stereo frames (4 bytes each) in the file.
    int64_t Frames() const { return TotalFrames; }
    // Copies `frames` frames from frame `first` on into `to`. False (with Error) when the file
    // cannot be decoded there or the range lies past its end.
    bool Read(int64_t first, int64_t frames, uint8_t* to);

    QString Error;

    // What the decoder reports; public for its C callbacks.
    struct TBlock {
        int64_t First = 0;
        std::vector<uint8_t> Pcm; // 4 bytes per frame
    };
    void Decoded(int64_t first, uint32_t frames, const int32_t* const channels[]);
    void StreamInfo(uint32_t rate, uint32_t channels, uint32_t bits, uint64_t frames);
    void DecodeError(const char* status) { LastDecodeError = status; }

private:
    bool DecodeAt(int64_t frame);
    const TBlock* CachedBlock(int64_t frame) const;

    FLAC__StreamDecoder* Decoder = nullptr;
    QString Name;
    uint32_t Rate = 0;
    uint32_t Channels = 0;
    uint32_t Bits = 0;
    int64_t TotalFrames = 0;
    // The decoder's position: the frame its next block starts with (-1 after a failed seek).
    int64_t Next = 0;
    std::deque<TBlock> Cache; // oldest first
    QString LastDecodeError;
};
