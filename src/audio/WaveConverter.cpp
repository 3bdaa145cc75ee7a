// MPEG-in-WAV decoding with libmpg123 reading through our stream (see WaveConverter.h).
#include "audio/WaveConverter.h"

#include "audio/AuFileStream.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <mutex>

namespace {

void InitMpg123() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

using TSource = TWaveConverter::TSource;

// libmpg123 is C: nothing may be thrown through it, so stream errors become its error results.
mpg123_ssize_t ReadCallback(void* source, void* buffer, size_t bytes) {
    auto* s = static_cast<TSource*>(source);
    const int64_t want =
        std::min<int64_t>(int64_t(std::min<size_t>(bytes, INT64_MAX)), s->End - s->Start - s->Position);
    if (want <= 0)
        return 0;
    try {
        s->Stream->SetPosition(s->Start + s->Position);
        const int64_t got = s->Stream->Read(buffer, want);
        if (got < 0)
            return -1;
        s->Position += got;
        return mpg123_ssize_t(got);
    } catch (const std::exception&) {
        return -1;
    }
}

off_t SeekCallback(void* source, off_t offset, int whence) {
    auto* s = static_cast<TSource*>(source);
    const int64_t length = s->End - s->Start;
    const int64_t base = whence == SEEK_CUR ? s->Position : whence == SEEK_END ? length : 0;
    const int64_t target = base + int64_t(offset);
    if (target < 0 || target > length)
        return -1;
    s->Position = target;
    return off_t(target);
}

} // namespace

TWaveConverter::TWaveConverter() = default;

TWaveConverter::~TWaveConverter() {
    if (Handle) {
        mpg123_close(Handle);
        mpg123_delete(Handle);
    }
}

bool TWaveConverter::Open(TAuStream& stream, int64_t dataStart, int64_t dataEnd) {
    InitMpg123();
    Source = {&stream, dataStart, std::max(dataStart, dataEnd), 0};
    int err = MPG123_OK;
    Handle = mpg123_new(nullptr, &err);
    if (!Handle)
        return false;
    mpg123_param(Handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Any rate the stream turns out to have, as 16-bit samples.
    mpg123_format_none(Handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(Handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_replace_reader_handle(Handle, ReadCallback, SeekCallback, nullptr) != MPG123_OK ||
        mpg123_open_handle(Handle, &Source) != MPG123_OK)
        return false;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(Handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels < 1)
        return false;
    // The exact length: every frame header is read, nothing is decoded.
    if (mpg123_scan(Handle) != MPG123_OK)
        return false;
    const off_t frames = mpg123_length(Handle);
    if (frames <= 0)
        return false;
    Channels = channels;
    SampleRate = int(rate);
    TotalFrames = int64_t(frames);
    return true;
}

int64_t TWaveConverter::Read(void* buffer, int64_t bytes) {
    const int64_t frameBytes = 2 * int64_t(Channels);
    auto* out = static_cast<unsigned char*>(buffer);
    int64_t total = 0;
    bytes -= bytes % frameBytes;
    while (!Ended && total < bytes) {
        size_t done = 0;
        const int rc = mpg123_read(Handle, out + total, size_t(bytes - total), &done);
        total += int64_t(done);
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(Handle, &rate, &channels, &encoding);
            Ended = rate != SampleRate || channels != Channels;
            continue;
        }
        if (rc != MPG123_OK || done == 0)
            Ended = true; // the end, or data that cannot be decoded any further
    }
    return total - total % frameBytes;
}
