// IMA ADPCM block decoder and encoder.
#include "audio/ImaAdpcm.h"

#include <cstring>

const int16_t ImaStepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const int8_t ImaIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

int ImaSamplesPerBlock(int channels, int blockAlign) {
    if (channels == 1)
        return blockAlign >= 4 ? 1 + 2 * (blockAlign - 4) : 0;
    if (channels == 2)
        return blockAlign >= 8 ? 1 + 8 * ((blockAlign - 8) / 8) : 0;
    return 0;
}

namespace {

TImaChannel ReadChannelHeader(const uint8_t* h) {
    TImaChannel c;
    c.Predictor = int16_t(uint16_t(h[0] | (h[1] << 8)));
    c.StepIndex = h[2] > 88 ? 88 : h[2];
    return c;
}

void WriteChannelHeader(uint8_t* h, int predictor, int stepIndex) {
    h[0] = uint8_t(predictor);
    h[1] = uint8_t(uint16_t(predictor) >> 8);
    h[2] = uint8_t(stepIndex);
    h[3] = 0;
}

} // namespace

int ImaDecodeBlock(const uint8_t* block, int bytes, int channels, int16_t* out) {
    const int frames = ImaSamplesPerBlock(channels, bytes);
    if (frames == 0)
        return 0;
    if (channels == 1) {
        TImaChannel c = ReadChannelHeader(block);
        *out++ = int16_t(c.Predictor);
        for (const uint8_t* p = block + 4; p < block + bytes; ++p) {
            *out++ = int16_t(ImaDecodeNibble(c, *p & 0x0F));
            *out++ = int16_t(ImaDecodeNibble(c, *p >> 4));
        }
        return frames;
    }
    TImaChannel ch[2] = {ReadChannelHeader(block), ReadChannelHeader(block + 4)};
    out[0] = int16_t(ch[0].Predictor);
    out[1] = int16_t(ch[1].Predictor);
    const int pairs = (frames - 1) / 8;
    for (int g = 0; g < pairs; ++g) {
        const uint8_t* group = block + 8 + g * 8;
        int16_t* dst = out + 2 * (1 + g * 8);
        for (int c = 0; c < 2; ++c) {
            const uint8_t* src = group + 4 * c;
            for (int b = 0; b < 4; ++b) {
                dst[2 * (2 * b) + c] = int16_t(ImaDecodeNibble(ch[c], src[b] & 0x0F));
                dst[2 * (2 * b + 1) + c] = int16_t(ImaDecodeNibble(ch[c], src[b] >> 4));
            }
        }
    }
    return frames;
}

void ImaEncodeBlock(const int16_t* in, int channels, int blockSize, int stepIndex[2], uint8_t* block) {
    std::memset(block, 0, size_t(blockSize));
    const int frames = ImaSamplesPerBlock(channels, blockSize);
    if (frames == 0)
        return;
    if (channels == 1) {
        TImaChannel c{in[0], stepIndex[0]};
        WriteChannelHeader(block, c.Predictor, c.StepIndex);
        uint8_t* p = block + 4;
        for (int i = 1; i + 1 < frames; i += 2, ++p) {
            const int lo = ImaEncodeSample(c, in[i]);
            const int hi = ImaEncodeSample(c, in[i + 1]);
            *p = uint8_t(lo | (hi << 4));
        }
        stepIndex[0] = c.StepIndex;
        return;
    }
    TImaChannel ch[2] = {{in[0], stepIndex[0]}, {in[1], stepIndex[1]}};
    WriteChannelHeader(block, ch[0].Predictor, ch[0].StepIndex);
    WriteChannelHeader(block + 4, ch[1].Predictor, ch[1].StepIndex);
    const int pairs = (frames - 1) / 8;
    for (int g = 0; g < pairs; ++g) {
        uint8_t* group = block + 8 + g * 8;
        const int16_t* src = in + 2 * (1 + g * 8);
        for (int c = 0; c < 2; ++c) {
            uint8_t* dst = group + 4 * c;
            for (int b = 0; b < 4; ++b) {
                const int lo = ImaEncodeSample(ch[c], src[2 * (2 * b) + c]);
                const int hi = ImaEncodeSample(ch[c], src[2 * (2 * b + 1) + c]);
                dst[b] = uint8_t(lo | (hi << 4));
            }
        }
    }
    stepIndex[0] = ch[0].StepIndex;
    stepIndex[1] = ch[1].StepIndex;
}
