// TAudioConverter: the filter that changes the bit depth (OutBitsPerSample) and the channel
// count (OutChannels, mono ↔ stereo) of a PCM stream through 32-bit floats.
#pragma once

#include "audio/AuConverter.h"

#include <cstdint>
#include <vector>

enum TMSConverterMode { msmMonoToBoth, msmMonoToLeft, msmMonoToRight };

class TAudioConverter : public TAuConverter {
public:
    explicit TAudioConverter(QObject* owner = nullptr);
    ~TAudioConverter() override;

    // Kept for the windows that set it; mono is always widened to both channels.
    TMSConverterMode Mode = msmMonoToBoth;
    // 0 = the same as the input.
    int32_t OutBitsPerSample = 0;
    int32_t OutChannels = 0;

    // OutBitsPerSample, or the input's (0 without input).
    int32_t GetBitsPerSample() override;
    // OutChannels when it and the input's count are both 1 or 2, else the input's.
    int32_t GetChannels() override;

protected:
    void BeginReadingInternal() override;
    void EndReadingInternal() override;
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;

private:
    // The conversion fixed at the start of a run.
    int InBits = 0, InChannels = 0, OutBits = 0, OutCh = 0;
    int InBytesPerSample = 0, OutBytesPerSample = 0;
    // Output equals input: nothing to convert.
    bool Identity = false;
    std::vector<uint8_t> OutBuffer;
    std::vector<float> Floats;
};
