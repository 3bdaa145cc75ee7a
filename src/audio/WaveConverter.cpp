// MPEG-in-WAV decoding with libmpg123's feed interface.
#include "audio/WaveConverter.h"

#include "audio/WaveHeader.h"

#include "audio/AuFileStream.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int ErrorWriting = 286;

void InitMpg123() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

struct THandleDeleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};

} // namespace

TWaveConverter::TWaveConverter() : SourceFormat(FormatBufferSize, '\0'), TargetFormat(FormatBufferSize, '\0') {}

bool TWaveConverter::LoadCompressed(TAuStream& stream) {
    uint8_t pre[12];
    if (ReadFromStream(stream, pre, 12) != 12 || !ChunkNameEquals(pre, "RIFF") || !ChunkNameEquals(pre + 8, "WAVE"))
        return false;
    bool haveFormat = false, haveData = false;
    uint8_t window[4];
    if (ReadFromStream(stream, window, 4) != 4)
        return false;
    for (;;) {
        bool named = false;
        if (ChunkNameEquals(window, "fmt ") || ChunkNameEquals(window, "fact") || ChunkNameEquals(window, "data")) {
            uint8_t b[4];
            if (ReadFromStream(stream, b, 4) != 4)
                break;
            const uint32_t size = GetLE32(b);
            // A size past the end means a cut file: take what is there.
            const int64_t left = stream.Size() - stream.Position();
            const int64_t take = std::min<int64_t>(size, std::max<int64_t>(left, 0));
            if (ChunkNameEquals(window, "fmt ")) {
                if (size < 18)
                    return false;
                QByteArray body(qsizetype(take), '\0');
                if (ReadFromStream(stream, body.data(), take) != take)
                    return false;
                SourceFormat = body.left(FormatBufferSize);
                SourceFormat.resize(FormatBufferSize, '\0');
                haveFormat = true;
            } else if (ChunkNameEquals(window, "data")) {
                Contents.clear();
                for (int64_t n = take; n > 0;) {
                    // In pieces, so that a size field that lies costs no more than the file.
                    const qsizetype at = Contents.size();
                    const int64_t piece = std::min<int64_t>(n, 1 << 20);
                    Contents.resize(at + qsizetype(piece));
                    const int64_t got = ReadFromStream(stream, Contents.data() + at, piece);
                    Contents.resize(at + qsizetype(got));
                    if (got < piece)
                        break;
                    n -= got;
                }
                haveData = true;
            } else {
                QByteArray skipped(qsizetype(std::min<int64_t>(take, 4096)), '\0');
                for (int64_t n = take; n > 0;) {
                    const int64_t got = ReadFromStream(stream, skipped.data(), std::min<int64_t>(n, skipped.size()));
                    if (got <= 0)
                        break;
                    n -= got;
                }
            }
            named = true;
        }
        if (named) {
            if (ReadFromStream(stream, window, 4) != 4)
                break;
        } else {
            std::memmove(window, window + 1, 3);
            if (ReadFromStream(stream, window + 3, 1) != 1)
                break;
        }
    }
    return haveFormat && haveData;
}

int TWaveConverter::SuggestTargetFormat() {
    const auto* src = reinterpret_cast<const uint8_t*>(SourceFormat.constData());
    const uint16_t channels = GetLE16(src + 2);
    const uint32_t rate = GetLE32(src + 4);
    if (channels < 1 || channels > 2 || rate == 0)
        return MPG123_BAD_CHANNEL;
    TargetFormat.fill('\0');
    auto* t = reinterpret_cast<uint8_t*>(TargetFormat.data());
    PutLE16(t, 1);
    PutLE16(t + 2, channels);
    PutLE32(t + 4, rate);
    PutLE32(t + 8, rate * 2u * channels);
    PutLE16(t + 12, uint16_t(2 * channels));
    PutLE16(t + 14, 16);
    return 0;
}

int TWaveConverter::DecodeAll() {
    InitMpg123();
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, THandleDeleter> h(mpg123_new(nullptr, &err));
    if (!h)
        return err != MPG123_OK ? err : -1;
    mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Any rate the stream turns out to have, as 16-bit samples.
    mpg123_format_none(h.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(h.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if ((err = mpg123_open_feed(h.get())) != MPG123_OK)
        return err;

    QByteArray pcm;
    long rate = 0;
    int channels = 0;
    std::vector<unsigned char> out(1 << 16);
    const auto* in = reinterpret_cast<const unsigned char*>(Contents.constData());
    size_t inBytes = size_t(Contents.size());
    for (;;) {
        size_t done = 0;
        const int rc = mpg123_decode(h.get(), in, inBytes, out.data(), out.size(), &done);
        // The input is handed over once; later calls drain what the decoder holds.
        in = nullptr;
        inBytes = 0;
        if (done > 0)
            pcm.append(reinterpret_cast<const char*>(out.data()), qsizetype(done));
        if (rc == MPG123_NEW_FORMAT) {
            int encoding = 0;
            mpg123_getformat(h.get(), &rate, &channels, &encoding);
            continue;
        }
        if (rc == MPG123_OK)
            continue;
        if (rc == MPG123_NEED_MORE || rc == MPG123_DONE)
            break;
        return rc;
    }
    if (pcm.isEmpty() || rate <= 0 || channels < 1)
        return -1;
    TargetFormat.fill('\0');
    auto* t = reinterpret_cast<uint8_t*>(TargetFormat.data());
    PutLE16(t, 1);
    PutLE16(t + 2, uint16_t(channels));
    PutLE32(t + 4, uint32_t(rate));
    PutLE32(t + 8, uint32_t(rate) * 2u * uint32_t(channels));
    PutLE16(t + 12, uint16_t(2 * channels));
    PutLE16(t + 14, 16);
    SourceFormat = TargetFormat;
    pcm.truncate(pcm.size() - pcm.size() % (2 * channels));
    Contents = std::move(pcm);
    return 0;
}

int TWaveConverter::WriteWaveImage(TAuStream& target) {
    const auto* f = reinterpret_cast<const uint8_t*>(SourceFormat.constData());
    const uint32_t dataSize = uint32_t(Contents.size());
    QByteArray header = MakePcmHeader(GetLE16(f + 2), int(GetLE32(f + 4)), GetLE16(f + 14), dataSize);
    // The first 16 bytes of the decoded format, as they are.
    std::memcpy(header.data() + 20, SourceFormat.constData(), 16);
    if (target.Write(header.constData(), header.size()) != header.size() ||
        target.Write(Contents.constData(), Contents.size()) != Contents.size())
        return ErrorWriting;
    return 0;
}
