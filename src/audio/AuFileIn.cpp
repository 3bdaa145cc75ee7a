// TAuFileIn: file sources, their open state, the run's sample range and length queries.
#include "audio/AuFileIn.h"

#include "audio/AuException.h"

#include <cmath>
#include <exception>

TAuFileIn::TAuFileIn(QObject* owner) : TAuStreamedInput(owner) {}

TAuFileIn::~TAuFileIn() = default;

void TAuFileIn::SetFileName(const QString& name) {
    CloseSource();
    Name = name;
}

void TAuFileIn::AttachStream(TAuStream* stream) {
    CloseSource();
    TAuStreamedInput::AttachStream(stream);
}

bool TAuFileIn::Valid() {
    if (!(StreamAttached && Stream) && Name.isEmpty())
        return ValidFlag;
    try {
        OpenSource();
    } catch (const std::exception&) {
        ValidFlag = false;
    }
    if (!ValidFlag) {
        if (OpenCount != 0) {
            try {
                CloseSource();
            } catch (const std::exception&) {
                // The source is being given up anyway.
            }
        } else if (!StreamAttached) {
            delete Stream;
            Stream = nullptr;
        }
    }
    return ValidFlag;
}

int32_t TAuFileIn::GetBitsPerSample() {
    OpenSource();
    return BitsPerSample;
}

int32_t TAuFileIn::GetChannels() {
    OpenSource();
    return Channels;
}

int32_t TAuFileIn::GetSampleRate() {
    OpenSource();
    return SampleRate;
}

int32_t TAuFileIn::GetTotalSeconds() {
    OpenSource();
    const int64_t bytesPerSecond = static_cast<int64_t>(SampleRate) * Channels * (BitsPerSample / 8);
    if (bytesPerSecond <= 0)
        return 0;
    return static_cast<int32_t>(std::llround(static_cast<double>(Size.load()) / static_cast<double>(bytesPerSecond)));
}

int64_t TAuFileIn::GetTotalSamples() {
    OpenSource();
    const int64_t frame = static_cast<int64_t>(Channels) * BitsPerSample / 8;
    if (Size > 0 && frame > 0)
        return Size / frame;
    return -1;
}

void TAuFileIn::Reset() {
    TAuStreamedInput::Reset();
    OpenCount = 0;
}

void TAuFileIn::BeginReadingInternal() {
    if (Busy)
        throw EAuException(QStringLiteral("The component is Busy"));
    if (!(StreamAttached && Stream) && Name.isEmpty())
        throw EAuException(QStringLiteral("The file name is not assigned"));
    Busy = true;
    Position = 0;
    RewindPending = false;
    try {
        OpenSource();
    } catch (...) {
        // A source that could not be opened is not left busy: the next run may try again.
        try {
            CloseSource();
        } catch (...) {
        }
        Busy = false;
        throw;
    }
    BlockFirst = 1;
    BlockLast = 0;
    const int32_t frame = Channels * BitsPerSample / 8;
    if (!ValidFlag || frame <= 0) {
        FrameSize = 8;
        SampleRate = 8000;
        BitsPerSample = 8;
        Channels = 1;
        TotalSamples = 0;
        Size = 0;
        TotalSeconds = 0;
        return;
    }
    FrameSize = static_cast<uint16_t>(frame);
    TotalSamples = Size > 0 ? Size / FrameSize : 0;
    TotalSeconds = SampleRate > 0 ? static_cast<int32_t>(TotalSamples / SampleRate) : 0;
    if (StartSample > 0) {
        Seek(0); // busy: positions the reader at StartSample
        Position = 0;
    }
    if (StartSample <= 0 && EndSample == -1)
        return;
    if (TotalSamples < EndSample)
        EndSample = -1;
    const int64_t last = EndSample == -1 ? TotalSamples - 1 : EndSample.load();
    TotalSamples = std::max<int64_t>(0, last - StartSample + 1);
    Size = TotalSamples * FrameSize;
}

void TAuFileIn::EndReadingInternal() {
    CloseSource();
    StartSample = 0;
    EndSample = -1;
    Busy = false;
}
