// The resampler's block engine: block lengths of the step counter, the filter's response
// measured with tones, state carried across blocks and alias suppression.
#include "WavTestUtil.h"

#include "audio/ResampleEngine.h"
#include "audio/SampleConvert.h"

#include <QtEndian>

#include <cmath>
#include <numbers>

namespace {

QByteArray Tone16(int frames, int channels, int rate, double hz, double amplitude = 16000.0) {
    QByteArray pcm(frames * channels * 2, '\0');
    auto* p = reinterpret_cast<uint8_t*>(pcm.data());
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const int v = int(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
            qToLittleEndian<int16_t>(int16_t(v), p + 2 * (i * channels + c));
        }
    return pcm;
}

// Runs a whole buffer through the engine block by block, as the filter component does.
QByteArray Resample(TResampleEngine& e, const QByteArray& in) {
    QByteArray out;
    for (qsizetype at = 0; at < in.size(); at += qsizetype(e.InBlockBytes)) {
        const size_t n = std::min<size_t>(e.InBlockBytes, size_t(in.size() - at));
        const size_t got = e.ProcessBlock(reinterpret_cast<const uint8_t*>(in.constData() + at), n);
        out.append(reinterpret_cast<const char*>(e.Output()), qsizetype(got));
    }
    return out;
}

double Rms(const std::vector<int16_t>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

TEST(ResamplerEngineTest, BlockLengthsOfTheStepCounter) {
    TResampleEngine down;
    down.Setup(44100, 22050, 2, 16);
    EXPECT_FALSE(down.PassThrough());
    EXPECT_EQ(down.InStep, 8820);
    EXPECT_EQ(down.OutStep, 4410);
    EXPECT_EQ(down.BlockFrames, 8820);
    const QByteArray block = MakePcm16(8820, 2, 1);
    EXPECT_EQ(down.ProcessBlock(reinterpret_cast<const uint8_t*>(block.constData()), size_t(block.size())), 4410u * 4);
    // A short last block: every other frame, starting with the first.
    EXPECT_EQ(down.ProcessBlock(reinterpret_cast<const uint8_t*>(block.constData()), 7 * 4), 4u * 4);

    TResampleEngine up;
    up.Setup(22050, 44100, 2, 16);
    EXPECT_EQ(up.BlockFrames, 8820);
    const QByteArray half = MakePcm16(4410, 2, 2);
    EXPECT_EQ(up.ProcessBlock(reinterpret_cast<const uint8_t*>(half.constData()), size_t(half.size())), 8819u * 4);
    EXPECT_EQ(up.ProcessBlock(reinterpret_cast<const uint8_t*>(half.constData()), 3 * 4), 5u * 4);

    // Ratios other than two: 8000 → 44100 needs a block of 1600 × 6 frames.
    TResampleEngine far;
    far.Setup(8000, 44100, 1, 8);
    EXPECT_EQ(far.BlockFrames, 1600 * 6);
    const QByteArray eight(1600, char(128));
    EXPECT_LE(far.ProcessBlock(reinterpret_cast<const uint8_t*>(eight.constData()), 1600), 8820u);
}

TEST(ResamplerEngineTest, EqualRatesAfterDivisionByFivePassThrough) {
    TResampleEngine e;
    e.Setup(44100, 44102, 2, 16);
    EXPECT_TRUE(e.PassThrough());
    e.Setup(44100, 44105, 2, 16);
    EXPECT_FALSE(e.PassThrough());
    EXPECT_THROW(e.Setup(4, 44100, 2, 16), std::invalid_argument);
    EXPECT_THROW(e.Setup(44100, 22050, 2, 12), std::invalid_argument);
}

// The level of a tone after the engine took it from `inRate` to `outRate`, relative to its
// level before: 32-bit samples (so that the measurement reaches far below 16-bit resolution),
// measured over the second half of a second, when the filter has settled. A tone above the
// new Nyquist frequency folds back, with whatever level the filter left it.
double GainThrough(int inRate, int outRate, double hz) {
    TResampleEngine e;
    e.Setup(inRate, outRate, 1, 32);
    QByteArray in(qsizetype(inRate) * 4, '\0');
    double inPower = 0;
    for (int i = 0; i < inRate; ++i) {
        const double v = std::round(0.5 * 2147483647.0 * std::sin(2 * std::numbers::pi * hz * i / inRate));
        qToLittleEndian<int32_t>(int32_t(v), in.data() + 4 * i);
        if (i >= inRate / 2)
            inPower += v * v;
    }
    const QByteArray out = Resample(e, in);
    const qsizetype frames = out.size() / 4;
    double outPower = 0;
    for (qsizetype i = frames / 2; i < frames; ++i) {
        const double v = qFromLittleEndian<int32_t>(out.constData() + 4 * i);
        outPower += v * v;
    }
    return std::sqrt(outPower / double(frames - frames / 2) / (inPower / double(inRate - inRate / 2)));
}

// The filter's response measured with tones through the engine. It keeps 85 % of the lower
// rate's band; its four stages are each a 4-pole Chebyshev low-pass with 5 % ripple, so the
// cascade's pass band lies between 1 (at 0 Hz) and 1 / 0.95⁴, its cut-off is 3 dB below the
// ripple's peak per stage ((1 / 0.95 / √2)⁴ = 0.307), and each stage falls by about 24 dB per
// octave beyond it.
TEST(ResamplerEngineTest, FilterResponseMeasuredWithTones) {
    for (const auto& [inRate, outRate] : {std::pair{44100, 22050}, std::pair{48000, 8000}}) {
        SCOPED_TRACE(outRate);
        const double cutoff = 0.85 * outRate / 2;
        for (int k = 0; k <= 10; ++k) {
            const double f = 0.05 + 0.085 * k; // up to 0.9 of the cut-off
            const double gain = GainThrough(inRate, outRate, f * cutoff);
            EXPECT_GE(gain, 0.995) << f;
            EXPECT_LE(gain, 1.0 / std::pow(0.95, 4) + 0.005) << f;
        }
        EXPECT_NEAR(GainThrough(inRate, outRate, cutoff), std::pow(1.0 / 0.95 / std::sqrt(2.0), 4), 0.01);
        // An octave up a stage is down to about 3 % (1e-6 for the four); two octaves up, what
        // is left is the engine's own rounding.
        EXPECT_LT(GainThrough(inRate, outRate, 2 * cutoff), 1e-6);
        EXPECT_LT(GainThrough(inRate, outRate, std::min(0.49 * inRate, 4 * cutoff)), 1e-7);
    }
}

// A tone well inside the pass band keeps its level; one above the new Nyquist frequency is
// suppressed instead of folding back; and a steady tone shows no step at block boundaries
// (the filter state runs on across blocks).
TEST(ResamplerEngineTest, DownsamplingKeepsBandAndSuppressesAliases) {
    TResampleEngine e;
    e.Setup(44100, 22050, 1, 16);
    const std::vector<int16_t> low = Samples16(Resample(e, Tone16(44100, 1, 44100, 1000.0)));
    ASSERT_EQ(low.size(), 22050u);
    const double inRms = 16000.0 / std::sqrt(2.0);
    EXPECT_NEAR(Rms(low, 2000, 22050), inRms, inRms * 0.06);
    // Near each block boundary (every 4410 output frames) the level is the same as elsewhere.
    for (size_t b = 4410; b < 22050; b += 4410)
        EXPECT_NEAR(Rms(low, b - 22, b + 22), inRms, inRms * 0.1) << b;

    TResampleEngine alias;
    alias.Setup(44100, 22050, 1, 16);
    const std::vector<int16_t> folded = Samples16(Resample(alias, Tone16(44100, 1, 44100, 16000.0)));
    EXPECT_LT(Rms(folded, 2000, folded.size()), inRms * 0.01);
}

TEST(ResamplerEngineTest, UpsamplingRemovesTheHoldSteps) {
    TResampleEngine e;
    e.Setup(22050, 44100, 2, 16);
    const std::vector<int16_t> up = Samples16(Resample(e, Tone16(22050, 2, 22050, 1000.0)));
    // 5 blocks of 8,819 frames.
    ASSERT_EQ(up.size(), 5u * 8819 * 2);
    const double inRms = 16000.0 / std::sqrt(2.0);
    EXPECT_NEAR(Rms(up, 4000, up.size()), inRms, inRms * 0.08);
    // The sample-and-hold staircase would leave an image at 22,050 − 1,000 Hz; after the
    // filter consecutive samples differ as little as those of a clean 1 kHz tone do. (Each
    // block restarts the step counter and so lacks one output frame; that small jump at the
    // block boundaries is left out here.)
    double maxStep = 0;
    for (size_t i = 4000; i + 1 < up.size() / 2; ++i) {
        const size_t inBlock = i % 8819;
        if (inBlock < 40 || inBlock > 8819 - 40)
            continue;
        maxStep = std::max(maxStep, std::abs(double(up[2 * i + 2]) - up[2 * i]));
    }
    EXPECT_LT(maxStep, 16000.0 * 2 * std::numbers::pi * 1000 / 44100 * 1.3);
}

// Channels are filtered two at a time where possible and singly otherwise; the same signal
// in every channel must come out the same in every channel.
TEST(ResamplerEngineTest, ChannelsAreFilteredAlike) {
    for (bool up : {false, true}) {
        TResampleEngine e;
        e.Setup(up ? 22050 : 44100, up ? 48000 : 16000, 3, 16);
        const std::vector<int16_t> mono = Samples16(MakePcm16(20000, 1, 8));
        QByteArray in(20000 * 3 * 2, '\0');
        auto* p = reinterpret_cast<int16_t*>(in.data());
        for (size_t i = 0; i < mono.size(); ++i)
            p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = mono[i];
        const std::vector<int16_t> out = Samples16(Resample(e, in));
        ASSERT_GT(out.size(), 3000u);
        for (size_t i = 0; i < out.size(); i += 3) {
            ASSERT_EQ(out[i], out[i + 1]) << i;
            ASSERT_EQ(out[i], out[i + 2]) << i;
        }
    }
}

TEST(ResamplerEngineTest, EightAndTwentyFourBitWidths) {
    for (int bits : {8, 24, 32}) {
        TResampleEngine e;
        e.Setup(48000, 32000, 1, bits);
        const int bytes = bits / 8;
        QByteArray in(9600 * bytes, '\0');
        for (int i = 0; i < 9600; ++i) {
            // A quiet constant level: the output must settle on the same level.
            if (bits == 8)
                in[i] = char(128 + 32);
            else
                in[i * bytes + bytes - 1] = 0x20;
        }
        const QByteArray out = Resample(e, in);
        ASSERT_EQ(out.size(), 6400 * bytes);
        float level;
        PcmToFloat(reinterpret_cast<const uint8_t*>(out.constData() + out.size() - bytes), bits, &level, 1);
        EXPECT_NEAR(level, 0.25f, bits == 8 ? 0.01f : 1e-4f) << bits;
    }
}

} // namespace
