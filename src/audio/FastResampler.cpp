// The resampling filter: block production and position accounting.
#include "audio/FastResampler.h"

#include "audio/AuException.h"
#include "audio/SampleConvert.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

TFastResampler::TFastResampler(QObject* owner) : TAuConverter(owner) {}

TFastResampler::~TFastResampler() {
    // Consumers stop using this filter before its buffers go.
    ReleaseConsumers();
}

void TFastResampler::RequireInput() const {
    if (!Input())
        throw EAuException(QStringLiteral("Input is not assigned"));
}

int32_t TFastResampler::GetBitsPerSample() {
    RequireInput();
    return TAuConverter::GetBitsPerSample();
}

int32_t TFastResampler::GetChannels() {
    RequireInput();
    return TAuConverter::GetChannels();
}

int32_t TFastResampler::GetSampleRate() {
    RequireInput();
    return OutSampleRate;
}

void TFastResampler::BeginReadingInternal() {
    RequireInput();
    Busy = true;
    TAuInput* in = Input();
    try {
        in->BeginReading();
    } catch (...) {
        Busy = false;
        throw;
    }
    Position = 0;
    OutCount = OutOffset = 0;
    const int bits = in->GetBitsPerSample();
    const int channels = in->GetChannels();
    FrameBytes = channels * BytesPerSample(bits);
    try {
        Engine.Setup(in->GetSampleRate(), OutSampleRate, channels, bits);
    } catch (const std::exception& e) {
        // Whatever stops the setup (a refused format, memory), the input is released so the
        // chain can run again.
        in->EndReading();
        Busy = false;
        throw EAuException(QString::fromUtf8(e.what()));
    }
    const int64_t inSize = in->Size;
    if (inSize > 0) {
        // Whole output frames: the input's frames scaled by the block ratio.
        const double frames = double(inSize / FrameBytes) * double(Engine.OutBlockBytes) / double(Engine.InBlockBytes);
        Size = std::llround(frames) * FrameBytes;
    } else {
        Size = inSize;
    }
    PassThroughFlag = Engine.PassThrough();
    if (PassThroughFlag) {
        Size = inSize;
        return;
    }
    Engine.ClearHistory();
    InBlock.resize(Engine.InBlockBytes);
}

void TFastResampler::EndReadingInternal() {
    if (Input())
        Input()->EndReading();
    Busy = false;
}

// Position is counted only by the filter Read, one delivered block at a time, so that the
// last (short) block is handed out like every other one.
void TFastResampler::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (PassThroughFlag) {
        Input()->Read(buffer, bytes);
        return;
    }
    if (!Busy)
        throw EAuException(QStringLiteral("The Stream is not opened"));
    if (OutOffset >= OutCount) {
        OutCount = OutOffset = 0;
        bool ended = false;
        const uint32_t got = Input()->ReadFully(InBlock.data(), uint32_t(InBlock.size()), ended);
        if (got > 0)
            OutCount = Engine.ProcessBlock(InBlock.data(), got);
        if (OutCount == 0) {
            buffer = nullptr;
            bytes = 0;
            return;
        }
    }
    uint32_t n = uint32_t(std::min<size_t>(bytes, OutCount - OutOffset));
    n -= n % uint32_t(FrameBytes);
    buffer = Engine.Output() + OutOffset;
    bytes = n;
    OutOffset += n;
}
