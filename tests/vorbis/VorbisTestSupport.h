// Helpers of the Ogg Vorbis tests: files made by the reference tools (oggenc, oggdec,
// vorbiscomment, ogginfo), Ogg page checksums, and pulling a source dry.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

#include "audio/AuInput.h"

class TAuOutput;

// A source of PCM held in memory, in any format a sink might be handed (for example 18
// channels, or 8-bit samples with exact values).
class TPcmIn : public TAuInput {
public:
    TPcmIn(QByteArray pcm, int channels, int rate, int bits)
        : Pcm(std::move(pcm)), PcmChannels(channels), PcmRate(rate), PcmBits(bits) {}
    int32_t GetBitsPerSample() override { return PcmBits; }
    int32_t GetChannels() override { return PcmChannels; }
    int32_t GetSampleRate() override { return PcmRate; }
    void BeginReadingInternal() override;
    void EndReadingInternal() override { Busy = false; }
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;

private:
    QByteArray Pcm;
    int PcmChannels, PcmRate, PcmBits;
    int64_t Offset = 0;
};

// Runs `sink` and services events until its OnDone has fired (the handler is replaced); false
// when it does not end within a minute.
bool RunToEnd(TAuOutput& sink);

// Encodes `wav` with oggenc (extra arguments first); the output path, or empty on failure.
QString MakeOggWithOggenc(const QString& wav, const QString& ogg, const QStringList& args);
// The raw 16-bit little-endian PCM oggdec makes of a file; empty on failure.
QByteArray DecodeWithOggdec(const QString& ogg);
// 16-bit little-endian PCM as ffmpeg decodes it (its own decoder, channels in WAV order);
// empty on failure.
QByteArray DecodeWithFfmpeg(const QString& ogg);
// "name=value" lines of vorbiscomment -l.
QStringList ListComments(const QString& ogg);

// Recomputes the CRC of every Ogg page in `data` (after a test has patched page contents).
void FixOggChecksums(QByteArray& data);

// Runs BeginReading, Read until the end (asking `chunk` bytes at a time), EndReading.
QByteArray ReadAllFrom(TAuInput& input, uint32_t chunk = 65536);
// Reads `bytes` bytes (or up to the end) from a source that is already reading.
QByteArray ReadSome(TAuInput& input, int64_t bytes, uint32_t chunk = 4096);

// A tone of its own on every channel (50 Hz + 20 Hz × channel: low enough for an LFE channel),
// so that a channel can be told after lossy coding.
QByteArray ChannelTaggedPcm(int64_t frames, int channels, int rate);
// For each channel of tagged 16-bit PCM, the tagged channel whose tone it carries.
std::vector<int> TaggedChannelOrder(const QByteArray& pcm, int channels, int rate);

// Root-mean-square difference of two 16-bit PCM buffers over their common length, relative to
// the RMS of `reference`: 0 is identical, 1 is as large as the signal.
double RelativeError(const QByteArray& reference, const QByteArray& other);
