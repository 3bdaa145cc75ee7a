// Microsoft ADPCM (WAV format tag 2) block decoder, on byte buffers.
//
// Block header, per channel in turn for each field: predictor index (1 byte), delta,
// sample 1, sample 2 (signed 16-bit each). Output starts with sample 2, then sample 1, then
// one sample per nibble: mono takes the high nibble of each byte first, stereo takes the high
// nibble for the left channel and the low nibble for the right.
//
// The prediction (sample1 × coef1 + sample2 × coef2) ÷ 256 rounds toward minus infinity
// (an arithmetic shift), which is what sox's decoder does; ffmpeg's rounds toward zero and
// differs by a few steps on the same file.
#pragma once

#include "audio/WaveHeader.h"

#include <cstdint>

extern const int16_t MsAdaptationTable[16];
// The seven coefficient pairs every Microsoft ADPCM encoder writes into its header.
extern const TMsCoefPair MsStandardCoefs[7];

// Nibble bytes one block holds for `samplesPerBlock` samples per channel.
inline int MsBlockDataBytes(int channels, int samplesPerBlock) {
    return channels == 1 ? (samplesPerBlock - 2) / 2 : samplesPerBlock - 2;
}
// Header bytes of one block.
inline int MsBlockHeaderBytes(int channels) {
    return 7 * channels;
}

// Decodes the first `bytes` bytes of a block (a whole block or the short last one) of one or
// two channels into interleaved 16-bit samples. At most MsBlockDataBytes(channels,
// samplesPerBlock) nibble bytes are used, so `out` needs samplesPerBlock frames. Returns the
// frames decoded, 0 when the header is incomplete, and -1 when a predictor index does not
// name one of the `coefCount` pairs.
int MsDecodeBlock(const uint8_t* block, int bytes, int channels, int samplesPerBlock, const TMsCoefPair* coefs,
                  int coefCount, int16_t* out);
