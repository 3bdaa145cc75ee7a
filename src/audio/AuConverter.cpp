// TAuConverter: the filter base, a source reading another source.
#include "audio/AuConverter.h"

#include "audio/AuException.h"

#include <cmath>

TAuConverter::TAuConverter(QObject* owner) : TAuInput(owner) {}

TAuConverter::~TAuConverter() {
    QObject::disconnect(InputDestroyed);
}

void TAuConverter::SetInput(TAuInput* input) {
    if (input == this)
        return;
    std::lock_guard lock(DataLock);
    TAuInput* old = InputRef.data();
    if (old == input)
        return;
    if (Busy) {
        if (old)
            old->EndReading();
        if (input)
            input->BeginReading();
    }
    QObject::disconnect(InputDestroyed);
    InputRef = input;
    if (input)
        InputDestroyed = connect(
            input, &TAuInput::Releasing, this,
            [this] {
                // Waits for a read in progress; later reads end the run with an error.
                std::lock_guard guard(DataLock);
                QObject::disconnect(InputDestroyed);
                InputRef = nullptr;
            },
            Qt::DirectConnection);
}

int32_t TAuConverter::GetBitsPerSample() {
    TAuInput* in = Input();
    if (!in)
        return 0;
    const int32_t bits = in->GetBitsPerSample();
    return FullBitDepth ? bits : (bits & 0x7F);
}

int32_t TAuConverter::GetChannels() {
    TAuInput* in = Input();
    return in ? in->GetChannels() : 0;
}

int32_t TAuConverter::GetSampleRate() {
    TAuInput* in = Input();
    return in ? in->GetSampleRate() : 0;
}

void TAuConverter::ReadThrough(uint8_t*& buffer, uint32_t& bytes) {
    if (EndOfData) {
        buffer = nullptr;
        bytes = 0;
        return;
    }
    if (!Input())
        throw EAuException(QStringLiteral("Input is not assigned"));
    ReadInternal(buffer, bytes);
    if (bytes == 0) {
        EndOfData = true;
        return;
    }
    Position += bytes;
    const int64_t size = Size;
    if (size > 0 && Position > size) {
        const int64_t excess = Position - size;
        bytes = static_cast<uint32_t>(std::max<int64_t>(0, static_cast<int64_t>(bytes) - excess));
        Position = size;
        EndOfData = true;
    }
}

void TAuConverter::Pause() {
    if (TAuInput* in = Input())
        in->Pause();
}

void TAuConverter::Resume() {
    if (TAuInput* in = Input())
        in->Resume();
}

void TAuConverter::SeekRelative(int32_t offset) {
    std::lock_guard lock(DataLock);
    TAuInput* in = Input();
    if (!in)
        return;
    in->SeekRelative(offset);
    const int64_t inSize = in->Size;
    const int64_t size = Size;
    if (!Busy || inSize <= 0 || size <= 0)
        return;
    // Bytes this filter still holds were counted when they were read ahead, and count again when
    // handed out.
    const int64_t held = PrefetchCount - PrefetchOffset;
    const double scaled = double(in->Position.load()) * double(size) / double(inSize);
    Position = std::clamp<int64_t>(std::llround(scaled) - held, 0, size);
    EndOfData = in->EndOfData.load() && held == 0;
}
