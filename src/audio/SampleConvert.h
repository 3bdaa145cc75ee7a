// Sample conversions between interleaved little-endian PCM and 32-bit floats in -1 … 1, the
// channel conversions on float frames, and the IEEE float to integer conversion of the WAV
// reader. PCM is 8-bit unsigned, 16-, 24- (3 bytes) and 32-bit signed.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes one sample of `bits` occupies (8 → 1, 16 → 2, 24 → 3, 32 → 4).
inline int BytesPerSample(int bits) {
    return (bits + 7) / 8;
}

// `count` samples of width `bits` (8, 16, 24 or 32) to floats.
void PcmToFloat(const uint8_t* in, int bits, float* out, size_t count);
// `count` floats to samples of width `bits`; values beyond -1 … 1 are clipped.
void FloatToPcm(const float* in, int bits, uint8_t* out, size_t count);

// `count` samples of width `inBits` straight to width `outBits`, for the pairs where integer
// arithmetic gives exactly the bytes of PcmToFloat followed by FloatToPcm (16 → 8, 24 → 8,
// 16 → 24) at a fraction of the cost. Returns false, writing nothing, for any other pair.
bool PcmToPcmExact(const uint8_t* in, int inBits, uint8_t* out, int outBits, size_t count);

// (left + right) ÷ 2 per frame; `out` may be `in`.
void StereoToMono(const float* in, float* out, size_t frames);
// Each sample to both channels; `out` (2 × frames) may start at `in`.
void MonoToStereo(const float* in, float* out, size_t frames);

// Converts IEEE float samples (32- or 64-bit) in place to 32-bit integers: v ≥ 1 gives
// 2,147,483,647, v ≤ -1 gives -2,147,483,648, otherwise floor(v × 2,147,483,647); NaN gives 0.
// 64-bit values are packed at the start of the buffer. Returns the bytes of integers.
size_t IeeeFloatToInt32(uint8_t* buffer, size_t bytes, bool floatIs32);
