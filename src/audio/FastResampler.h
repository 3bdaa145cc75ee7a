// TFastResampler: the filter that changes the sample rate of a PCM stream (OutSampleRate),
// working in blocks of a fifth of a second through TResampleEngine. Rates that agree after
// division by 5 pass the data through unchanged.
#pragma once

#include "audio/AuConverter.h"
#include "audio/ResampleEngine.h"

#include <cstdint>
#include <vector>

class TFastResampler : public TAuConverter {
public:
    explicit TFastResampler(QObject* owner = nullptr);
    ~TFastResampler() override;

    int32_t OutSampleRate = 44100;

    // The input's bits and channels, and OutSampleRate; "Input is not assigned" without one.
    int32_t GetBitsPerSample() override;
    int32_t GetChannels() override;
    int32_t GetSampleRate() override;

    bool PassThrough() const { return PassThroughFlag; }

protected:
    void BeginReadingInternal() override;
    void EndReadingInternal() override;
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;

private:
    void RequireInput() const;

    TResampleEngine Engine;
    bool PassThroughFlag = false;
    int FrameBytes = 0;
    std::vector<uint8_t> InBlock;
    // The current output block and how much of it has been handed out.
    size_t OutCount = 0;
    size_t OutOffset = 0;
};
