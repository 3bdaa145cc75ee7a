// The resampler's signal path on byte buffers: blocks of a fifth of a second, sample-and-hold
// up-sampling or decimation by a step counter, and four cascaded Chebyshev low-pass stages
// whose state runs on from block to block.
#pragma once

#include "audio/ChebyshevLowPass.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TResampleEngine {
public:
    // The highest rate taken, that of the fastest sound formats.
    static constexpr int MaxSampleRate = 768000;

    // Raises std::invalid_argument for rates below 5 Hz or above MaxSampleRate, no channels or
    // a width other than 8, 16, 24 or 32 bits.
    void Setup(int inRate, int outRate, int channels, int bitsPerSample);

    // The rates agree after division by 5: the data passes unchanged.
    bool PassThrough() const { return InBlockBytes == OutBlockBytes; }

    // Resamples one block of at most InBlockBytes (whole frames); the result stays in
    // Output() until the next call. Returns its length in bytes.
    size_t ProcessBlock(const uint8_t* in, size_t bytes);
    const uint8_t* Output() const { return OutBytes.data(); }
    uint8_t* Output() { return OutBytes.data(); }

    // Forgets the filter state (a new run).
    void ClearHistory();

    int InStep = 0;  // input frames per block (input rate div 5)
    int OutStep = 0; // output frames per full block (output rate div 5)
    size_t InBlockBytes = 0;
    size_t OutBlockBytes = 0;
    int BlockFrames = 0; // capacity of one block in frames
    TLowPassCoefficients Filter;

private:
    static constexpr int Stages = 4;
    static constexpr int History = 4;

    // Runs the four stages over `frames` new samples of every channel, then keeps the last
    // four samples of each stage's input and output for the next block.
    void RunFilter(int frames);
    double* Line(int channel, int stage) { return Lines.data() + size_t(channel * (Stages + 1) + stage) * LineLength; }

    int Channels = 0;
    int Bits = 0;
    int FrameBytes = 0;
    size_t LineLength = 0;
    // Per channel, Stages + 1 lines of History + BlockFrames samples: line 0 is the input
    // of stage 1, line s the output of stage s (and the input of stage s + 1).
    std::vector<double> Lines;
    std::vector<float> Floats;
    std::vector<uint8_t> OutBytes;
};
