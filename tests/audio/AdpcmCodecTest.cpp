// The IMA and Microsoft ADPCM block codecs against sox, which decodes both formats with the
// same rounding as ours.
#include "WavTestUtil.h"

#include "audio/AuFileStream.h"
#include "audio/ImaAdpcm.h"
#include "audio/MsAdpcm.h"
#include "audio/WaveHeader.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

// Decodes a whole ADPCM file block by block with the codec functions alone.
std::vector<int16_t> DecodeAdpcmFile(const QString& path, TWaveHeaderInfo* infoOut = nullptr) {
    TAuFileStream stream(path, fmOpenRead);
    const TWaveHeaderInfo info = ScanWaveHeader(stream, TWaveScanMode::Reader);
    if (infoOut)
        *infoOut = info;
    EXPECT_TRUE(info.Found);
    std::vector<int16_t> out;
    std::vector<uint8_t> block(info.BlockAlign);
    std::vector<int16_t> pcm(size_t(info.SamplesPerBlock + 16) * info.Channels);
    stream.SetPosition(info.DataStart);
    for (int64_t left = info.DataSize; left > 0; left -= info.BlockAlign) {
        const int n = int(stream.Read(block.data(), std::min<int64_t>(left, info.BlockAlign)));
        if (n <= 0)
            break;
        int frames = 0;
        if (info.WavType == wtDVIADPCM)
            frames = ImaDecodeBlock(block.data(), n, info.Channels, pcm.data());
        else
            frames = MsDecodeBlock(block.data(), n, info.Channels, info.SamplesPerBlock, info.MsCoefs.data(),
                                   int(info.MsCoefs.size()), pcm.data());
        EXPECT_GT(frames, 0);
        out.insert(out.end(), pcm.begin(), pcm.begin() + frames * info.Channels);
    }
    return out;
}

class AdpcmSoxTest : public ::testing::TestWithParam<std::tuple<const char*, int>> {};

// sox encodes, then sox and our decoder must agree sample for sample over the announced
// length (sox also decodes the silent tail of the last block; we stop at the fact count).
TEST_P(AdpcmSoxTest, DecoderMatchesSoxExactly) {
    const auto [encoding, channels] = GetParam();
    QTemporaryDir dir;
    const QString in = dir.filePath("in.wav"), coded = dir.filePath("coded.wav");
    ASSERT_TRUE(RunSox({"-n", "-r", "22050", "-c", QString::number(channels), "-b", "16", in, "synth", "2.3", "sine",
                        "300-5000", "pinknoise", "sine", "440", "gain", "-2"}));
    ASSERT_TRUE(RunSox({in, "-e", encoding, coded}));
    TWaveHeaderInfo info;
    const std::vector<int16_t> ours = DecodeAdpcmFile(coded, &info);
    const std::vector<int16_t> sox = SoxDecode16(coded, dir.filePath("sox.raw"));
    ASSERT_TRUE(info.HasFact);
    const size_t count = size_t(info.FactSamples) * size_t(channels);
    ASSERT_GE(ours.size(), count);
    ASSERT_GE(sox.size(), count);
    EXPECT_EQ(FirstDifference(ours, sox, count), -1);
}

INSTANTIATE_TEST_SUITE_P(Formats, AdpcmSoxTest,
                         ::testing::Values(std::make_tuple("ima-adpcm", 1), std::make_tuple("ima-adpcm", 2),
                                           std::make_tuple("ms-adpcm", 1), std::make_tuple("ms-adpcm", 2)));

TEST(ImaAdpcmTest, BlockSizesOfTheLayouts) {
    EXPECT_EQ(ImaSamplesPerBlock(1, 512), 1017);
    EXPECT_EQ(ImaSamplesPerBlock(2, 512), 505);
    EXPECT_EQ(ImaSamplesPerBlock(2, 1024), 1017);
    // A stereo block whose data is not whole group pairs only counts the whole pairs.
    EXPECT_EQ(ImaSamplesPerBlock(2, 516), 505);
    EXPECT_EQ(ImaSamplesPerBlock(3, 512), 0);
    EXPECT_EQ(ImaSamplesPerBlock(1, 3), 0);
    EXPECT_EQ(ImaSamplesPerBlock(2, 7), 0);
}

// The encoder's blocks: each starts at its first sample, the step index runs on from the
// previous block, and decoding gives back a close copy of the signal.
TEST(ImaAdpcmTest, EncoderCarriesStepIndexAndRestartsPredictor) {
    for (int channels : {1, 2}) {
        const int blockSize = 256;
        const int spb = ImaSamplesPerBlock(channels, blockSize);
        const QByteArray pcm = MakePcm16(spb * 4, channels, 7);
        const std::vector<int16_t> in = Samples16(pcm);
        int stepIndex[2] = {0, 0};
        std::vector<uint8_t> block(blockSize);
        std::vector<int16_t> decoded(size_t(spb) * channels);
        double error = 0, power = 0;
        for (int b = 0; b < 4; ++b) {
            const int16_t* src = in.data() + size_t(b) * spb * channels;
            const int before[2] = {stepIndex[0], stepIndex[1]};
            ImaEncodeBlock(src, channels, blockSize, stepIndex, block.data());
            for (int c = 0; c < channels; ++c) {
                EXPECT_EQ(GetLE16s(block.data() + 4 * c), src[c]) << "block " << b;
                EXPECT_EQ(block[4 * c + 2], before[c]) << "block " << b;
                EXPECT_EQ(block[4 * c + 3], 0);
            }
            ASSERT_EQ(ImaDecodeBlock(block.data(), blockSize, channels, decoded.data()), spb);
            for (int i = 0; i < spb * channels; ++i) {
                error += std::pow(double(decoded[i]) - src[i], 2);
                power += std::pow(double(src[i]), 2);
            }
        }
        EXPECT_GT(stepIndex[0], 0);
        // The signal-to-error ratio this input reaches (27.9 dB mono, 26.4 dB stereo), less a
        // little: a change to the encoder's decisions that keeps the nibbles legal but worse
        // shows here.
        EXPECT_GT(10 * std::log10(power / error), channels == 1 ? 27.5 : 26.0) << channels << " channels";
    }
}

// Nine mono samples in one 8-byte block, from step index 0, worked by hand through the standard
// IMA ADPCM encoder: sign bit 8 for a negative difference d, then bit 4 when d >= step (take
// step off d), bit 2 when d >= step/2 (take step/2 off), bit 1 when d >= step/4. The decoder's
// predictor moves by step/8 plus the parts whose bits are set, the index by the index table.
//   s0  0: the header's predictor; index 0, step 7.
//   s1  7: d = 7 >= 7 -> 4, d = 0; predictor 0 + 0 + 7 = 7; index 2, step 9.
//   s2  9: d = 2 < 9, < 4, >= 2 -> 1; predictor 7 + 1 + 2 = 10; index 1, step 8.
//   s3 14: d = 4 < 8, >= 4 -> 2, d = 0 < 2; predictor 10 + 1 + 4 = 15; index 0, step 7.
//   s4 115: d = 100 -> 4 (93), 2 (90), 1 = 7; predictor 15 + 0 + 7 + 3 + 1 = 26; index 8, step 16.
//   s5  0: d = -26 -> 8, 26 >= 16 -> 4 (10), 10 >= 8 -> 2 (2), 2 < 4 = 0xE; predictor
//          26 - (2 + 16 + 8) = 0; index 14, step 28.
//   s6 -30: d = -30 -> 8, 30 >= 28 -> 4 (2), 2 < 14, 2 < 7 = 0xC; predictor 0 - (3 + 28) = -31;
//          index 16, step 34.
//   s7 -14: d = 17 < 34, >= 17 -> 2 (0), 0 < 8 = 2; predictor -31 + 4 + 17 = -10; index 15,
//          step 31.
//   s8 -7: d = 3 < 31, < 15, < 7 -> 0; predictor -10 + 3 = -7; index 14.
// Low nibble first: 0x14, 0x72, 0xCE, 0x02.
TEST(ImaAdpcmTest, EncoderNibblesFollowTheStandardAlgorithm) {
    const int16_t in[9] = {0, 7, 9, 14, 115, 0, -30, -14, -7};
    int stepIndex[2] = {0, 0};
    uint8_t block[8];
    ImaEncodeBlock(in, 1, 8, stepIndex, block);
    const uint8_t expected[8] = {0x00, 0x00, 0x00, 0x00, 0x14, 0x72, 0xCE, 0x02};
    EXPECT_TRUE(std::equal(block, block + 8, expected))
        << std::hex << int(block[4]) << ' ' << int(block[5]) << ' ' << int(block[6]) << ' ' << int(block[7]);
    EXPECT_EQ(stepIndex[0], 14);
    int16_t out[9];
    ASSERT_EQ(ImaDecodeBlock(block, 8, 1, out), 9);
    EXPECT_EQ(std::vector<int16_t>(out, out + 9), std::vector<int16_t>({0, 7, 10, 15, 26, 0, -31, -10, -7}));
}

// The decoder clamps at ±32767, never -32768, and clamps step indices read from a header.
TEST(ImaAdpcmTest, DecoderClampsSamplesAndHeaderIndex) {
    uint8_t block[8] = {0xFF, 0x7F, 200, 0, 0x77, 0x77, 0x77, 0x77};
    int16_t out[9];
    ASSERT_EQ(ImaDecodeBlock(block, 8, 1, out), 9);
    for (int16_t v : out)
        EXPECT_EQ(v, 32767);
    uint8_t low[8] = {0x00, 0x80, 88, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(ImaDecodeBlock(low, 8, 1, out), 9);
    EXPECT_EQ(out[0], -32767 - 1); // the header value itself is taken as it is
    for (int i = 1; i < 9; ++i)
        EXPECT_EQ(out[i], -32767);
}

// A short final block decodes as far as its bytes go, and no further.
TEST(ImaAdpcmTest, ShortBlockDecodesOnlyWhatIsThere) {
    std::vector<uint8_t> block(512, 0x11);
    block[2] = 10;
    std::vector<int16_t> out(1017 * 2, 12345);
    EXPECT_EQ(ImaDecodeBlock(block.data(), 100, 1, out.data()), 1 + 2 * 96);
    EXPECT_EQ(out[1 + 2 * 96], 12345);
    EXPECT_EQ(ImaDecodeBlock(block.data(), 3, 1, out.data()), 0);
    // Stereo: 8 header bytes and one whole group pair.
    EXPECT_EQ(ImaDecodeBlock(block.data(), 23, 2, out.data()), 9);
}

TEST(MsAdpcmTest, RejectsPredictorOutsideTheTable) {
    uint8_t block[16] = {7, 0, 16, 0, 0, 0, 0, 0};
    int16_t out[32];
    EXPECT_EQ(MsDecodeBlock(block, 16, 1, 20, MsStandardCoefs, 7, out), -1);
    block[0] = 6;
    EXPECT_EQ(MsDecodeBlock(block, 16, 1, 20, MsStandardCoefs, 7, out), 2 + 2 * 9);
    EXPECT_EQ(MsDecodeBlock(block, 6, 1, 20, MsStandardCoefs, 7, out), 0);
}

// Hostile blocks that keep growing the delta stay within range (checked by the sanitizers
// of the fuzzing build; here the values must simply stay clamped).
TEST(MsAdpcmTest, RunawayDeltaStaysClamped) {
    std::vector<uint8_t> block(7 + 500, 0x88);
    block[0] = 0;
    block[1] = 0xFF;
    block[2] = 0x7F;
    std::vector<int16_t> out(1002);
    ASSERT_EQ(MsDecodeBlock(block.data(), int(block.size()), 1, 1002, MsStandardCoefs, 7, out.data()), 1002);
    EXPECT_EQ(out.back(), -32768);
}

} // namespace
