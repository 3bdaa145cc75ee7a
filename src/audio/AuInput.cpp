// TAuInput: the pull protocol, prefetching and position accounting shared by every source.
#include "audio/AuInput.h"

#include "audio/AuException.h"

#include <algorithm>
#include <cstring>
#include <exception>

TAuInput::TAuInput(QObject* owner) : QObject(owner) {}

TAuInput::~TAuInput() {
    ReleaseConsumers();
}

void TAuInput::ReleaseConsumers() {
    if (Released)
        return;
    Released = true;
    Q_EMIT Releasing(this);
}

bool TAuInput::ServePrefetched(uint8_t*& buffer, uint32_t& bytes) {
    if (PrefetchCount == 0)
        return false;
    const uint32_t n = std::min(bytes, PrefetchCount - PrefetchOffset);
    buffer = PrefetchBuffer.data() + PrefetchOffset;
    bytes = n;
    PrefetchOffset += n;
    Position += n;
    if (PrefetchOffset >= PrefetchCount)
        ClearPrefetch();
    return true;
}

void TAuInput::Read(uint8_t*& buffer, uint32_t& bytes) {
    std::lock_guard lock(DataLock);
    if (ServePrefetched(buffer, bytes))
        return;
    ReadThrough(buffer, bytes);
}

void TAuInput::Reset() {
    try {
        EndReading();
    } catch (...) {
        // A source being reset may already be half gone; nothing useful to report.
    }
    Busy = false;
}

void TAuInput::Prefetch(uint32_t bytes) {
    std::lock_guard lock(DataLock);
    // Bytes not handed out yet stay first; new ones are read behind them. Position counts
    // bytes when Read hands them out, so what is read here is taken off it again.
    uint32_t held = 0;
    if (PrefetchCount > PrefetchOffset) {
        held = PrefetchCount - PrefetchOffset;
        if (PrefetchOffset > 0)
            memmove(PrefetchBuffer.data(), PrefetchBuffer.data() + PrefetchOffset, held);
    }
    PrefetchOffset = 0;
    PrefetchCount = held;
    if (held >= bytes)
        return;
    if (PrefetchBuffer.size() < bytes)
        PrefetchBuffer.resize(bytes);
    uint32_t gathered = held;
    while (gathered < bytes && !EndOfData) {
        uint8_t* data = nullptr;
        uint32_t n = bytes - gathered;
        ReadThrough(data, n);
        if (n == 0)
            break;
        n = std::min(n, bytes - gathered);
        memcpy(PrefetchBuffer.data() + gathered, data, n);
        gathered += n;
    }
    Position -= gathered - held;
    PrefetchCount = gathered;
}

void TAuInput::BeginReading() {
    std::lock_guard lock(DataLock);
    // A start refused because a run is going on must not end that run.
    const bool wasBusy = Busy;
    const bool wasEnded = EndOfData;
    EndOfData = false;
    try {
        BeginReadingInternal();
    } catch (const EAuException& e) {
        EndOfData = wasBusy ? wasEnded : true;
        LastError = e.Message();
        throw;
    } catch (const std::exception& e) {
        EndOfData = wasBusy ? wasEnded : true;
        LastError = QString::fromUtf8(e.what());
        throw EAuException(LastError);
    }
}

void TAuInput::EndReading() {
    std::lock_guard lock(DataLock);
    ClearPrefetch();
    EndReadingInternal();
}

uint32_t TAuInput::ReadOnce(void* buffer, uint32_t bytes) {
    uint8_t* data = nullptr;
    uint32_t n = bytes;
    Read(data, n);
    n = std::min(n, bytes);
    if (n > 0)
        memcpy(buffer, data, n);
    return n;
}

uint32_t TAuInput::ReadFully(void* buffer, uint32_t bytes, bool& endReached) {
    endReached = false;
    uint32_t gathered = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (gathered < bytes) {
        uint8_t* data = nullptr;
        uint32_t n = bytes - gathered;
        Read(data, n);
        if (n == 0) {
            endReached = true;
            break;
        }
        n = std::min(n, bytes - gathered);
        memcpy(out + gathered, data, n);
        gathered += n;
    }
    return gathered;
}
