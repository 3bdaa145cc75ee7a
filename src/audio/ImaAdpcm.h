// IMA ("DVI") ADPCM: the 4-bit codec of the WAV reader and writer, on byte buffers.
//
// Block layout (WAV format tag 17): one 4-byte header per channel (predictor as signed
// 16-bit, step index, a zero byte; left first), then the nibbles. Mono data holds two
// samples per byte, low nibble first. Stereo data alternates 4-byte groups of left and right
// nibbles, each group eight consecutive samples of its channel. The header's predictor is
// the block's first sample of that channel.
#pragma once

#include <cstdint>

extern const int16_t ImaStepTable[89];
extern const int8_t ImaIndexTable[16];

// Samples per channel that one block of `blockAlign` bytes carries; 0 when the channel count
// is not 1 or 2 or the block is too small to hold the headers. Stereo counts whole
// left/right group pairs only.
int ImaSamplesPerBlock(int channels, int blockAlign);

// One channel's running state.
struct TImaChannel {
    int Predictor = 0;
    int StepIndex = 0;
};

// Decodes one nibble: the standard shift-and-add reconstruction, clamped to -32767..32767.
inline int ImaDecodeNibble(TImaChannel& c, int nibble) {
    const int step = ImaStepTable[c.StepIndex];
    int delta = step >> 3;
    if (nibble & 4)
        delta += step;
    if (nibble & 2)
        delta += step >> 1;
    if (nibble & 1)
        delta += step >> 2;
    int p = (nibble & 8) ? c.Predictor - delta : c.Predictor + delta;
    if (p > 32767)
        p = 32767;
    else if (p < -32767)
        p = -32767;
    c.Predictor = p;
    int i = c.StepIndex + ImaIndexTable[nibble];
    c.StepIndex = i < 0 ? 0 : (i > 88 ? 88 : i);
    return p;
}

// Encodes one sample into a nibble and moves the state exactly as a decoder will.
inline int ImaEncodeSample(TImaChannel& c, int sample) {
    const int step = ImaStepTable[c.StepIndex];
    int diff = sample - c.Predictor;
    int nibble = 0;
    if (diff < 0) {
        nibble = 8;
        diff = -diff;
    }
    if (diff >= step) {
        nibble |= 4;
        diff -= step;
    }
    if (diff >= (step >> 1)) {
        nibble |= 2;
        diff -= step >> 1;
    }
    if (diff >= (step >> 2))
        nibble |= 1;
    ImaDecodeNibble(c, nibble);
    return nibble;
}

// Decodes the first `bytes` bytes of a block (a whole block, or the short last one) into
// interleaved 16-bit samples; `out` must hold ImaSamplesPerBlock(channels, bytes) frames.
// Returns the frames decoded (0 when not even the headers are there). Step indices out of
// range in a header are clamped.
int ImaDecodeBlock(const uint8_t* block, int bytes, int channels, int16_t* out);

// Encodes ImaSamplesPerBlock(channels, blockSize) interleaved frames into one block of
// `blockSize` bytes. Each channel's predictor restarts at its first sample; the step indices
// (one per channel) carry over from the previous block and are updated.
void ImaEncodeBlock(const int16_t* in, int channels, int blockSize, int stepIndex[2], uint8_t* block);
