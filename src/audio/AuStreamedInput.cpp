// TAuStreamedInput: sample range, looping and seeking over a byte stream.
#include "audio/AuStreamedInput.h"

#include <algorithm>
#include <cmath>
#include <exception>

TAuStreamedInput::TAuStreamedInput(QObject* owner) : TAuInput(owner) {
    Seekable = true;
}

TAuStreamedInput::~TAuStreamedInput() {
    if (!StreamAttached)
        delete Stream;
    Stream = nullptr;
}

void TAuStreamedInput::AttachStream(TAuStream* stream) {
    Stream = stream;
    StreamAttached = stream != nullptr;
}

void TAuStreamedInput::AccountRead(uint32_t& bytes) {
    if (bytes == 0) {
        EndOfData = true;
        return;
    }
    Position += bytes;
    const int64_t size = Size;
    if (size > 0 && Position >= size) {
        EndOfData = true;
        if (Position > size) {
            const int64_t excess = Position - size;
            bytes = static_cast<uint32_t>(std::max<int64_t>(0, static_cast<int64_t>(bytes) - excess));
            Position = size;
        }
    }
}

void TAuStreamedInput::ReadThrough(uint8_t*& buffer, uint32_t& bytes) {
    if (RewindPending) {
        RewindPending = false;
        Rewind();
    }
    if (EndOfData) {
        buffer = nullptr;
        bytes = 0;
        return;
    }
    const uint32_t requested = bytes;
    ReadInternal(buffer, bytes);
    AccountRead(bytes);
    if (!EndOfData || !Loop)
        return;
    // A looping source rewinds at its end and carries on, so the caller never sees the end. A
    // block that reached the end is handed out first (it points into the reader's buffer, which
    // rewinding may reuse), and the next call rewinds.
    EndOfData = false;
    if (bytes > 0) {
        RewindPending = true;
        return;
    }
    Rewind();
    bytes = requested;
    ReadInternal(buffer, bytes);
    AccountRead(bytes);
    if (EndOfData && bytes > 0) {
        EndOfData = false;
        RewindPending = true;
    }
}

void TAuStreamedInput::Rewind() {
    if (Seekable) {
        int64_t start = StartSample;
        SeekSource(start);
    } else {
        EndReading();
        BeginReading();
    }
    Position = 0;
}

bool TAuStreamedInput::Seek(int64_t sample) {
    if (!Seekable || sample < 0)
        return false;
    const int64_t total = TotalSamples;
    if (!(total == 0 || total >= sample))
        return false;
    std::lock_guard lock(DataLock);
    if (Busy) {
        ClearPrefetch();
        RewindPending = false;
        int64_t target = sample + StartSample;
        bool ok = false;
        try {
            ok = SeekSource(target);
        } catch (const std::exception&) {
            return false;
        }
        Position = (target - StartSample) * static_cast<int64_t>(FrameSize);
        EndOfData = false;
        return ok;
    }
    StartSample = sample;
    Position = sample * static_cast<int64_t>(FrameSize);
    EndSample = -1;
    return true;
}

void TAuStreamedInput::SeekRelative(int32_t offset) {
    const int64_t size = Size;
    if (!Seekable || size == 0)
        return;
    double fraction = static_cast<double>(Position.load()) / static_cast<double>(size) + offset / 1000.0;
    fraction = std::clamp(fraction, 0.0, 1.0);
    Seek(std::llround(static_cast<double>(TotalSamples.load()) * fraction));
}
