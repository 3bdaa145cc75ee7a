// Block resampling with a step counter and a cascaded recursive low-pass filter.
#include "audio/ResampleEngine.h"

#include "audio/SampleConvert.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

void TResampleEngine::Setup(int inRate, int outRate, int channels, int bitsPerSample) {
    // Above the highest rate any sound format uses the filter buffers would grow to gigabytes
    // (a typed-in rate or a damaged header can announce any number).
    if (inRate < 5 || outRate < 5 || inRate > MaxSampleRate || outRate > MaxSampleRate)
        throw std::invalid_argument("Unsupported sample rate");
    if (channels < 1)
        throw std::invalid_argument("Unsupported channel count");
    if (bitsPerSample != 8 && bitsPerSample != 16 && bitsPerSample != 24 && bitsPerSample != 32)
        throw std::invalid_argument("Unsupported bits per sample");
    Channels = channels;
    Bits = bitsPerSample;
    FrameBytes = channels * BytesPerSample(bitsPerSample);
    InStep = inRate / 5;
    OutStep = outRate / 5;
    InBlockBytes = size_t(InStep) * size_t(FrameBytes);
    OutBlockBytes = size_t(OutStep) * size_t(FrameBytes);
    if (PassThrough())
        return;
    if (InStep > OutStep) {
        BlockFrames = InStep;
    } else {
        int k = 2;
        while (InStep * k < OutStep)
            ++k;
        BlockFrames = InStep * k;
    }
    // The filter runs at the higher of the two rates and keeps 85 % of the lower rate's band.
    const double lower = std::min(inRate, outRate);
    const double higher = std::max(inRate, outRate);
    Filter = DesignChebyshevLowPass(lower / higher * 0.85 / 2.0);
    LineLength = size_t(History + BlockFrames);
    Lines.assign(size_t(Channels) * (Stages + 1) * LineLength, 0.0);
    Floats.assign(size_t(BlockFrames) * size_t(Channels), 0.0f);
    OutBytes.assign(size_t(BlockFrames) * size_t(FrameBytes), 0);
}

void TResampleEngine::ClearHistory() {
    std::fill(Lines.begin(), Lines.end(), 0.0);
}

namespace {

// Two channels side by side in one register: their recursions are independent, so one
// vector operation advances both.
typedef double TPair __attribute__((vector_size(16)));

inline double Load(const double* const* lines, int n, double*) {
    return lines[0][n];
}
inline TPair Load(const double* const* lines, int n, TPair*) {
    return TPair{lines[0][n], lines[1][n]};
}
inline void Store(double* const* lines, int n, double v) {
    lines[0][n] = v;
}
inline void Store(double* const* lines, int n, TPair v) {
    lines[0][n] = v[0];
    lines[1][n] = v[1];
}

// One stage of the recursion over `frames` samples of one channel (T = double) or two
// (T = TPair); x and y point at sample 0 of their lines, with the history just before.
template <typename T>
void FilterStage(const double* const* x, double* const* y, int frames, const TLowPassCoefficients& f) {
    const T a0 = T{} + f.A[0], a1 = T{} + f.A[1], a2 = T{} + f.A[2], a3 = T{} + f.A[3], a4 = T{} + f.A[4];
    const T b1 = T{} + f.B[1], b2 = T{} + f.B[2], b3 = T{} + f.B[3], b4 = T{} + f.B[4];
    // The history stays in registers, and the previous output joins the sum last: the
    // recursion then waits on one multiply and one add per sample, not on the whole sum.
    T x1 = Load(x, -1, (T*)nullptr), x2 = Load(x, -2, (T*)nullptr), x3 = Load(x, -3, (T*)nullptr),
      x4 = Load(x, -4, (T*)nullptr);
    T y1 = Load(y, -1, (T*)nullptr), y2 = Load(y, -2, (T*)nullptr), y3 = Load(y, -3, (T*)nullptr),
      y4 = Load(y, -4, (T*)nullptr);
    for (int n = 0; n < frames; ++n) {
        const T x0 = Load(x, n, (T*)nullptr);
        const T rest = a0 * x0 + a1 * x1 + a2 * x2 + a3 * x3 + a4 * x4 + b4 * y4 + b3 * y3 + b2 * y2;
        const T y0 = rest + b1 * y1;
        Store(y, n, y0);
        x4 = x3;
        x3 = x2;
        x2 = x1;
        x1 = x0;
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = y0;
    }
}

} // namespace

void TResampleEngine::RunFilter(int frames) {
    int c = 0;
    for (; c + 1 < Channels; c += 2)
        for (int s = 1; s <= Stages; ++s) {
            const double* x[2] = {Line(c, s - 1) + History, Line(c + 1, s - 1) + History};
            double* y[2] = {Line(c, s) + History, Line(c + 1, s) + History};
            FilterStage<TPair>(x, y, frames, Filter);
        }
    for (; c < Channels; ++c)
        for (int s = 1; s <= Stages; ++s) {
            const double* x[1] = {Line(c, s - 1) + History};
            double* y[1] = {Line(c, s) + History};
            FilterStage<double>(x, y, frames, Filter);
        }
    for (c = 0; c < Channels; ++c)
        for (int s = 0; s <= Stages; ++s) {
            double* line = Line(c, s);
            std::memmove(line, line + frames, History * sizeof(double));
        }
}

size_t TResampleEngine::ProcessBlock(const uint8_t* in, size_t bytes) {
    const int inFrames = int(std::min(bytes, InBlockBytes) / size_t(FrameBytes));
    if (inFrames == 0)
        return 0;
    PcmToFloat(in, Bits, Floats.data(), size_t(inFrames) * size_t(Channels));
    int outFrames = 0;
    if (InBlockBytes < OutBlockBytes) {
        // Sample-and-hold: repeat each input frame until the counter says the next is due.
        const long long inBlock = (long long)InBlockBytes, outBlock = (long long)OutBlockBytes;
        long long counter = 0;
        int q = 0;
        for (int i = 0; i < inFrames && q < BlockFrames; ++q) {
            for (int c = 0; c < Channels; ++c)
                Line(c, 0)[History + q] = Floats[size_t(i) * size_t(Channels) + size_t(c)];
            counter -= inBlock;
            if (counter < 0) {
                counter += outBlock;
                ++i;
            }
        }
        RunFilter(q);
        outFrames = q;
        for (int c = 0; c < Channels; ++c) {
            // Keeping the history only rewrote the first History samples of each line.
            const double* y = Line(c, Stages) + History;
            for (int n = 0; n < q; ++n)
                Floats[size_t(n) * size_t(Channels) + size_t(c)] = float(y[n]);
        }
    } else {
        for (int c = 0; c < Channels; ++c) {
            double* x = Line(c, 0) + History;
            for (int n = 0; n < inFrames; ++n)
                x[n] = Floats[size_t(n) * size_t(Channels) + size_t(c)];
        }
        RunFilter(inFrames);
        const long long inBlock = (long long)InBlockBytes, outBlock = (long long)OutBlockBytes;
        long long counter = 0;
        for (int i = 0; i < inFrames; ++i) {
            counter -= outBlock;
            if (counter < 0) {
                for (int c = 0; c < Channels; ++c)
                    Floats[size_t(outFrames) * size_t(Channels) + size_t(c)] = float(Line(c, Stages)[History + i]);
                counter += inBlock;
                ++outFrames;
            }
        }
    }
    FloatToPcm(Floats.data(), Bits, OutBytes.data(), size_t(outFrames) * size_t(Channels));
    return size_t(outFrames) * size_t(FrameBytes);
}
