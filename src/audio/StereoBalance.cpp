// Mono widening and the balance gains.
#include "audio/StereoBalance.h"

#include "audio/AuException.h"
#include "audio/SampleConvert.h"

#include <cmath>
#include <cstring>

namespace {

// Scales one sample of `bytes` width in place, as a signed value.
inline void ScaleSample(uint8_t* p, int bytes, float gain) {
    switch (bytes) {
    case 1: {
        const long v = std::lrint(float(int(p[0]) - 128) * gain);
        p[0] = uint8_t(v + 128);
        break;
    }
    case 2: {
        int16_t s;
        std::memcpy(&s, p, 2);
        s = int16_t(std::lrint(float(s) * gain));
        std::memcpy(p, &s, 2);
        break;
    }
    case 3: {
        const int32_t s = int32_t(uint32_t(p[0] << 8) | uint32_t(p[1] << 16) | uint32_t(p[2]) << 24) >> 8;
        const int32_t v = int32_t(std::lrint(double(s) * gain));
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        break;
    }
    default: {
        int32_t s;
        std::memcpy(&s, p, 4);
        s = int32_t(std::llrint(double(s) * gain));
        std::memcpy(p, &s, 4);
        break;
    }
    }
}

} // namespace

TStereoBalance::TStereoBalance(QObject* owner) : TAuConverter(owner) {}

TStereoBalance::~TStereoBalance() {
    // Consumers stop using this filter before its buffers go.
    ReleaseConsumers();
}

void TStereoBalance::SetBalance(float value) {
    if (value >= 0.0f && value <= 1.0f)
        BalanceValue = value;
}

int32_t TStereoBalance::GetChannels() {
    if (!Input())
        throw EAuException(QStringLiteral("Input not assigned"));
    const int in = Input()->GetChannels();
    return in == 1 || in == 2 ? 2 : in;
}

void TStereoBalance::BeginReadingInternal() {
    TAuInput* in = Input();
    if (!in)
        throw EAuException(QStringLiteral("Input not assigned"));
    in->BeginReading();
    Busy = true;
    InChannels = in->GetChannels();
    Bits = in->GetBitsPerSample();
    const int64_t inSize = in->Size;
    Size = inSize > 0 && InChannels < 2 ? inSize * 2 : inSize;
    Position = 0;
    Work.resize(WorkBytes);
}

void TStereoBalance::EndReadingInternal() {
    if (Input())
        Input()->EndReading();
    Busy = false;
}

void TStereoBalance::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (!Busy)
        throw EAuException(QStringLiteral("The Stream is not opened"));
    if (InChannels > 2) {
        Input()->Read(buffer, bytes);
        return;
    }
    const int sampleBytes = BytesPerSample(Bits);
    if (InChannels == 2) {
        Input()->Read(buffer, bytes);
    } else {
        uint32_t half = std::min(bytes, WorkBytes) / 2;
        half -= half % uint32_t(sampleBytes);
        const uint32_t got = half > 0 ? Input()->ReadOnce(Work.data(), half) : 0;
        // Widen in place from the last sample backwards.
        const uint32_t samples = got / uint32_t(sampleBytes);
        for (uint32_t i = samples; i-- > 0;) {
            uint8_t* src = Work.data() + size_t(i) * size_t(sampleBytes);
            uint8_t* dst = Work.data() + size_t(i) * 2 * size_t(sampleBytes);
            std::memmove(dst + sampleBytes, src, size_t(sampleBytes));
            std::memmove(dst, src, size_t(sampleBytes));
        }
        buffer = Work.data();
        bytes = samples * 2 * uint32_t(sampleBytes);
    }
    if (bytes == 0) {
        buffer = nullptr;
        return;
    }
    const float balance = BalanceValue;
    const float left = LeftGain(balance), right = RightGain(balance);
    if (left == 1.0f && right == 1.0f)
        return;
    const uint32_t frames = bytes / uint32_t(2 * sampleBytes);
    for (uint32_t f = 0; f < frames; ++f) {
        uint8_t* p = buffer + size_t(f) * 2 * size_t(sampleBytes);
        if (left != 1.0f)
            ScaleSample(p, sampleBytes, left);
        if (right != 1.0f)
            ScaleSample(p + sampleBytes, sampleBytes, right);
    }
}
