// TStereoBalance: the filter that widens mono to stereo and attenuates one side of a stereo
// stream (Balance 0 = left only, 0.5 = both at full level, 1 = right only).
#pragma once

#include "audio/AuConverter.h"

#include <cstdint>
#include <vector>

class TStereoBalance : public TAuConverter {
public:
    explicit TStereoBalance(QObject* owner = nullptr);
    ~TStereoBalance() override;

    float Balance() const { return BalanceValue; }
    // Accepts 0 … 1; other values are ignored.
    void SetBalance(float value);

    // 2 for mono or stereo input, else the input's; "Input not assigned" without one.
    int32_t GetChannels() override;

    // Gains of the two channels for a balance value: below 0.5 the right channel fades
    // (2 × Balance), above it the left (2 × (1 − Balance)).
    static float LeftGain(float balance) { return balance > 0.5f ? 2.0f * (1.0f - balance) : 1.0f; }
    static float RightGain(float balance) { return balance < 0.5f ? 2.0f * balance : 1.0f; }

protected:
    void BeginReadingInternal() override;
    void EndReadingInternal() override;
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;

private:
    static constexpr uint32_t WorkBytes = 32768;

    std::atomic<float> BalanceValue{0.5f};
    int InChannels = 0;
    int Bits = 0;
    std::vector<uint8_t> Work;
};
