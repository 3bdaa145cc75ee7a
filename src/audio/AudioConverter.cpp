// Bit depth and channel conversion through floats.
#include "audio/AudioConverter.h"

#include "audio/AuException.h"
#include "audio/SampleConvert.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsMonoOrStereo(int channels) {
    return channels == 1 || channels == 2;
}
bool IsSupportedWidth(int bits) {
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

TAudioConverter::TAudioConverter(QObject* owner) : TAuConverter(owner) {}

TAudioConverter::~TAudioConverter() {
    // Consumers stop using this filter before its buffers go.
    ReleaseConsumers();
}

int32_t TAudioConverter::GetBitsPerSample() {
    if (OutBitsPerSample != 0)
        return OutBitsPerSample;
    return Input() ? TAuConverter::GetBitsPerSample() : 0;
}

int32_t TAudioConverter::GetChannels() {
    if (!Input())
        return 0;
    const int in = Input()->GetChannels();
    return IsMonoOrStereo(OutChannels) && IsMonoOrStereo(in) ? OutChannels : in;
}

void TAudioConverter::BeginReadingInternal() {
    TAuInput* in = Input();
    if (!in)
        throw EAuException(QStringLiteral("Input is not assigned"));
    in->BeginReading();
    Busy = true;
    Position = 0;
    InBits = in->GetBitsPerSample();
    InChannels = in->GetChannels();
    OutBits = GetBitsPerSample();
    OutCh = GetChannels();
    // Converting to the same shape would only cost precision (16 → float → 16 is not exact
    // at full scale), so such a run passes the data on as it is.
    Identity = (OutBitsPerSample == 0 && OutChannels == 0) || (OutBits == InBits && OutCh == InChannels);
    if (!Identity && (!IsSupportedWidth(InBits) || !IsSupportedWidth(OutBits) || InChannels < 1)) {
        in->EndReading();
        Busy = false;
        throw EAuException(QStringLiteral("Unsupported bits per sample"));
    }
    InBytesPerSample = BytesPerSample(InBits);
    OutBytesPerSample = BytesPerSample(OutBits);
    const int64_t inSize = in->Size;
    if (inSize < 0) {
        Size = -1;
    } else if (Identity) {
        Size = inSize;
    } else {
        const int64_t outFrame = int64_t(OutBytesPerSample) * OutCh;
        const int64_t scaled = std::llround(double(inSize) * (OutBits * OutCh) / double(InBits * InChannels));
        Size = scaled - scaled % outFrame;
    }
}

void TAudioConverter::EndReadingInternal() {
    if (Input())
        Input()->EndReading();
    OutBuffer.clear();
    OutBuffer.shrink_to_fit();
    Floats.clear();
    Floats.shrink_to_fit();
    Busy = false;
}

void TAudioConverter::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (Identity) {
        Input()->Read(buffer, bytes);
        return;
    }
    const uint32_t frames = bytes / uint32_t(OutBytesPerSample) / uint32_t(OutCh);
    uint32_t want = frames * uint32_t(InBytesPerSample * InChannels);
    uint8_t* in = nullptr;
    Input()->Read(in, want);
    if (want == 0) {
        buffer = nullptr;
        bytes = 0;
        return;
    }
    const size_t got = want / uint32_t(InBytesPerSample * InChannels);
    if (OutBuffer.size() < got * size_t(OutBytesPerSample * OutCh))
        OutBuffer.resize(got * size_t(OutBytesPerSample * OutCh));
    buffer = OutBuffer.data();
    bytes = uint32_t(got * size_t(OutBytesPerSample * OutCh));
    if (InChannels == OutCh && PcmToPcmExact(in, InBits, OutBuffer.data(), OutBits, got * size_t(OutCh)))
        return;
    const size_t floatsNeeded = got * size_t(std::max(InChannels, OutCh));
    if (Floats.size() < floatsNeeded)
        Floats.resize(floatsNeeded);
    PcmToFloat(in, InBits, Floats.data(), got * size_t(InChannels));
    if (InChannels == 1 && OutCh == 2)
        MonoToStereo(Floats.data(), Floats.data(), got);
    else if (InChannels == 2 && OutCh == 1)
        StereoToMono(Floats.data(), Floats.data(), got);
    FloatToPcm(Floats.data(), OutBits, OutBuffer.data(), got * size_t(OutCh));
}
