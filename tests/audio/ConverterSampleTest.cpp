// The sample width and channel conversions and the IEEE float to integer conversion.
#include "WavTestUtil.h"

#include "audio/SampleConvert.h"

#include <climits>
#include <cmath>
#include <limits>

namespace {

std::vector<uint8_t> Convert(const std::vector<uint8_t>& in, int inBits, int outBits) {
    const size_t n = in.size() / size_t(BytesPerSample(inBits));
    std::vector<float> f(n);
    PcmToFloat(in.data(), inBits, f.data(), n);
    std::vector<uint8_t> out(n * size_t(BytesPerSample(outBits)));
    FloatToPcm(f.data(), outBits, out.data(), n);
    return out;
}

std::vector<uint8_t> Le16(std::initializer_list<int> values) {
    std::vector<uint8_t> b;
    for (int v : values) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    }
    return b;
}

TEST(ConverterSampleTest, SixteenToEightBit) {
    EXPECT_EQ(Convert(Le16({0, 32767, -32768, 256, -256}), 16, 8), (std::vector<uint8_t>{128, 255, 0, 129, 127}));
}

TEST(ConverterSampleTest, EightBitToSixteen) {
    // v ÷ 128 − 1, then × 32767 rounded.
    EXPECT_EQ(Convert({0, 128, 255, 1}, 8, 16), Le16({-32767, 0, 32511, -32511}));
}

TEST(ConverterSampleTest, TwentyFourBitIsSigned) {
    const std::vector<uint8_t> in = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00};
    std::vector<float> f(4);
    PcmToFloat(in.data(), 24, f.data(), 4);
    EXPECT_FLOAT_EQ(f[0], 8388607.0f / 8388608.0f);
    EXPECT_FLOAT_EQ(f[1], -1.0f);
    EXPECT_FLOAT_EQ(f[2], -1.0f / 8388608.0f);
    EXPECT_FLOAT_EQ(f[3], 256.0f / 8388608.0f);
    // 24 → 16 keeps the top bits.
    EXPECT_EQ(Convert(in, 24, 16), Le16({32767, -32767, 0, 1}));
}

// Values just beyond ±1 (a filter's overshoot) must clip, not wrap round.
TEST(ConverterSampleTest, OvershootClipsInEveryWidth) {
    const float over[2] = {1.07f, -1.07f};
    uint8_t b8[2], b16[4], b24[6], b32[8];
    FloatToPcm(over, 8, b8, 2);
    FloatToPcm(over, 16, b16, 2);
    FloatToPcm(over, 24, b24, 2);
    FloatToPcm(over, 32, b32, 2);
    EXPECT_EQ(b8[0], 255);
    EXPECT_EQ(b8[1], 0);
    EXPECT_EQ(GetLE16s(b16), 32767);
    EXPECT_EQ(GetLE16s(b16 + 2), -32767);
    EXPECT_EQ(int32_t(GetLE32(b24) << 8) >> 8, 8388607);
    EXPECT_EQ(int32_t(uint32_t(b24[3] | b24[4] << 8 | b24[5] << 16) << 8) >> 8, -8388608);
    EXPECT_EQ(int32_t(GetLE32(b32)), INT_MAX);
    EXPECT_EQ(int32_t(GetLE32(b32 + 4)), -INT_MAX);
}

TEST(ConverterSampleTest, ThirtyTwoBitRoundTrip) {
    const int32_t values[4] = {INT_MAX, INT_MIN, 0, 123456789};
    float f[4];
    PcmToFloat(reinterpret_cast<const uint8_t*>(values), 32, f, 4);
    EXPECT_FLOAT_EQ(f[1], -1.0f);
    int32_t back[4];
    FloatToPcm(f, 32, reinterpret_cast<uint8_t*>(back), 4);
    EXPECT_EQ(back[0], INT_MAX);
    EXPECT_EQ(back[2], 0);
    EXPECT_NEAR(back[3], 123456789, 16); // a float keeps 24 bits
}

// The integer shortcuts must give the float path's bytes for every possible input sample, and
// decline the pairs they do not cover.
TEST(ConverterSampleTest, IntegerPathMatchesFloatPathForEverySample) {
    for (const int inBits : {16, 24}) {
        const size_t n = size_t(1) << inBits;
        const int inBytes = BytesPerSample(inBits);
        std::vector<uint8_t> in(n * size_t(inBytes));
        for (size_t v = 0; v < n; ++v)
            for (int b = 0; b < inBytes; ++b)
                in[v * size_t(inBytes) + size_t(b)] = uint8_t(v >> (8 * b));
        for (const int outBits : {8, 24}) {
            if (outBits == inBits)
                continue;
            std::vector<uint8_t> fast(n * size_t(BytesPerSample(outBits)));
            ASSERT_TRUE(PcmToPcmExact(in.data(), inBits, fast.data(), outBits, n)) << inBits << " -> " << outBits;
            EXPECT_TRUE(fast == Convert(in, inBits, outBits)) << inBits << " -> " << outBits;
        }
    }
    uint8_t out[8] = {};
    const uint8_t in[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (const auto& [inBits, outBits] : {std::pair{8, 16}, {24, 16}, {16, 32}, {32, 8}, {32, 16}, {8, 24}})
        EXPECT_FALSE(PcmToPcmExact(in, inBits, out, outBits, 1)) << inBits << " -> " << outBits;
}

TEST(ConverterSampleTest, ChannelConversions) {
    const float stereo[6] = {1000.0f / 32768, -1000.0f / 32768, 0.5f, 0.25f, -1.0f, -1.0f};
    float mono[3];
    StereoToMono(stereo, mono, 3);
    EXPECT_EQ(mono[0], 0.0f);
    EXPECT_FLOAT_EQ(mono[1], 0.375f);
    EXPECT_FLOAT_EQ(mono[2], -1.0f);
    // Widening in place.
    float buf[6] = {0.1f, 0.2f, 0.3f};
    MonoToStereo(buf, buf, 3);
    EXPECT_EQ(std::vector<float>(buf, buf + 6), (std::vector<float>{0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.3f}));
}

TEST(ConverterSampleTest, IeeeFloatToInteger) {
    float f[7] = {1.0f, 2.0f, -1.0f, -7.0f, 0.0f, 0.5f, std::numeric_limits<float>::quiet_NaN()};
    auto* b = reinterpret_cast<uint8_t*>(f);
    EXPECT_EQ(IeeeFloatToInt32(b, sizeof f, true), sizeof f);
    int32_t v[7];
    std::memcpy(v, f, sizeof v);
    EXPECT_EQ(v[0], INT_MAX);
    EXPECT_EQ(v[1], INT_MAX);
    EXPECT_EQ(v[2], INT_MIN);
    EXPECT_EQ(v[3], INT_MIN);
    EXPECT_EQ(v[4], 0);
    EXPECT_EQ(v[5], 1073741823); // floor(0.5 × 2,147,483,647)
    EXPECT_EQ(v[6], 0);

    // 64-bit values pack into the first half of the buffer.
    double d[3] = {-0.25, 0.999999999, -0.5};
    EXPECT_EQ(IeeeFloatToInt32(reinterpret_cast<uint8_t*>(d), sizeof d, false), 12u);
    std::memcpy(v, d, 12);
    EXPECT_EQ(v[0], int32_t(std::floor(-0.25 * 2147483647.0)));
    EXPECT_EQ(v[1], 2147483644);
    EXPECT_EQ(v[2], -1073741824);
}

} // namespace
