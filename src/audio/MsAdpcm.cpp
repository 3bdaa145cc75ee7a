// Microsoft ADPCM block decoder.
#include "audio/MsAdpcm.h"

#include <algorithm>
#include <climits>

const int16_t MsAdaptationTable[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

const TMsCoefPair MsStandardCoefs[7] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

namespace {

struct TMsChannel {
    int Coef1 = 0;
    int Coef2 = 0;
    int Delta = 0;
    int Sample1 = 0;
    int Sample2 = 0;
};

// Keeps the delta small enough that delta × 768 and delta × nibble stay within 32 bits on
// hostile input; real encoders never come near it.
constexpr int MsMaxDelta = INT_MAX / 768;

inline int16_t DecodeNibble(TMsChannel& c, int nibble) {
    const int signedNibble = nibble >= 8 ? nibble - 16 : nibble;
    const int prediction = (c.Sample1 * c.Coef1 + c.Sample2 * c.Coef2) >> 8;
    int sample = prediction + c.Delta * signedNibble;
    sample = std::clamp(sample, -32768, 32767);
    c.Delta = std::clamp((c.Delta * MsAdaptationTable[nibble]) >> 8, 16, MsMaxDelta);
    c.Sample2 = c.Sample1;
    c.Sample1 = sample;
    return int16_t(sample);
}

} // namespace

int MsDecodeBlock(const uint8_t* block, int bytes, int channels, int samplesPerBlock, const TMsCoefPair* coefs,
                  int coefCount, int16_t* out) {
    if ((channels != 1 && channels != 2) || samplesPerBlock < 2 || bytes < MsBlockHeaderBytes(channels))
        return 0;
    TMsChannel ch[2];
    for (int c = 0; c < channels; ++c) {
        const int predictor = block[c];
        if (predictor >= coefCount)
            return -1;
        ch[c].Coef1 = coefs[predictor].Coef1;
        ch[c].Coef2 = coefs[predictor].Coef2;
        ch[c].Delta = GetLE16s(block + channels + 2 * c);
        ch[c].Sample1 = GetLE16s(block + 3 * channels + 2 * c);
        ch[c].Sample2 = GetLE16s(block + 5 * channels + 2 * c);
        out[c] = int16_t(ch[c].Sample2);
        out[channels + c] = int16_t(ch[c].Sample1);
    }
    int16_t* dst = out + 2 * channels;
    const int dataBytes = std::min(bytes - MsBlockHeaderBytes(channels), MsBlockDataBytes(channels, samplesPerBlock));
    const uint8_t* src = block + MsBlockHeaderBytes(channels);
    if (channels == 1) {
        for (int i = 0; i < dataBytes; ++i) {
            *dst++ = DecodeNibble(ch[0], src[i] >> 4);
            *dst++ = DecodeNibble(ch[0], src[i] & 0x0F);
        }
        return 2 + 2 * dataBytes;
    }
    for (int i = 0; i < dataBytes; ++i) {
        *dst++ = DecodeNibble(ch[0], src[i] >> 4);
        *dst++ = DecodeNibble(ch[1], src[i] & 0x0F);
    }
    return 2 + dataBytes;
}
