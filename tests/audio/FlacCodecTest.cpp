// The FLAC encoder and decoder against the reference tool: files we write decode with `flac -d`
// to the input's samples, in every layout FLAC takes; files `flac` writes decode with ours to
// its input; damaged, foreign and cut-short input fails without leaving output.
#include "audio/FlacCodec.h"
#include "audio/WavTestUtil.h"
#include "audio/WaveHeader.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>

namespace {

struct TLayout {
    int Channels;
    int Rate;
    int Bits;
};

// A WAV file of `frames` frames: a plain header up to 16-bit stereo, WAVE_FORMAT_EXTENSIBLE
// beyond (as other programs write them); samples from a seeded generator.
QByteArray MakeLayoutWav(const TLayout& l, int frames, uint32_t seed, QByteArray& data) {
    QRandomGenerator random(seed);
    const int bytes = l.Bits / 8;
    data.resize(qsizetype(frames) * l.Channels * bytes);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(random.bounded(256));
    if (l.Channels <= 2 && l.Bits <= 16)
        return WavHeader(l.Channels, l.Rate, l.Bits, uint32_t(data.size())) + data;
    const uint32_t blockAlign = uint32_t(l.Channels * bytes);
    QByteArray h = "RIFF" + Le32(uint32_t(60 + data.size())) + "WAVEfmt " + Le32(40) + Le16(0xFFFE) +
                   Le16(uint16_t(l.Channels)) + Le32(uint32_t(l.Rate)) + Le32(uint32_t(l.Rate) * blockAlign) +
                   Le16(uint16_t(blockAlign)) + Le16(uint16_t(l.Bits)) + Le16(22) + Le16(uint16_t(l.Bits)) +
                   Le32(l.Channels == 8 ? 0x63F : (1u << l.Channels) - 1) + Le32(1) +
                   QByteArray::fromHex("00001000800000aa00389b71") + "data" + Le32(uint32_t(data.size()));
    return h + data;
}

// The data chunk of a WAV file by its stated size (an odd size is followed by a pad byte).
QByteArray DataChunk(const QByteArray& wav) {
    const qsizetype at = wav.indexOf("data");
    if (at < 0 || at + 8 > wav.size())
        return QByteArray();
    const auto* size = reinterpret_cast<const uchar*>(wav.constData() + at + 4);
    return wav.mid(at + 8, qsizetype(size[0] | size[1] << 8 | size[2] << 16 | uint32_t(size[3]) << 24));
}

class FlacCodecTest : public ::testing::Test {
protected:
    void SetUp() override {
        Flac = FindTool(QStringLiteral("flac"));
        if (Flac.isEmpty())
            GTEST_SKIP() << "flac is not installed";
    }
    QString Path(const QString& name) const { return Dir.File(name); }
    TTempProgramFolder Dir;
    QString Flac;
};

} // namespace

TEST_F(FlacCodecTest, EveryLayoutRoundTripsBitExactlyThroughTheReferenceTool) {
    const TLayout layouts[] = {{2, 44100, 16}, {1, 8000, 8}, {6, 96000, 24}, {8, 48000, 16}, {2, 192000, 24}};
    for (const TLayout& l : layouts) {
        SCOPED_TRACE(testing::Message() << l.Channels << " ch " << l.Rate << " Hz " << l.Bits << " bit");
        QByteArray pcm;
        ASSERT_TRUE(WriteFile(Path("in.wav"), MakeLayoutWav(l, 30011, uint32_t(l.Channels * l.Bits), pcm)));
        std::vector<int32_t> percents;
        TFlacRunHooks hooks;
        hooks.Progress = [&](int32_t p) { percents.push_back(p); };
        QString error;
        ASSERT_TRUE(EncodeWavToFlac(Path("in.wav"), Path("ours.flac"), TFlacEncodeOptions{5, true}, hooks, error))
            << error.toStdString();
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.front(), 0);
        EXPECT_EQ(percents.back(), 100);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

        // The reference decoder checks the MD5 signature we wrote and gives the samples back.
        const TRunResult d = RunProgram(Flac, {"-d", "-s", "-f", "-o", Path("ref.wav"), Path("ours.flac")});
        ASSERT_EQ(d.ExitCode, 0) << d.Err.constData();
        EXPECT_TRUE(DataChunk(ReadFile(Path("ref.wav"))) == pcm);

        // Our decoder gives the same samples and layout as a file of the reference encoder.
        const TRunResult e = RunProgram(Flac, {"-s", "-f", "-o", Path("ref.flac"), Path("in.wav")});
        ASSERT_EQ(e.ExitCode, 0) << e.Err.constData();
        ASSERT_TRUE(DecodeFlacToWav(Path("ref.flac"), Path("out.wav"), TFlacRunHooks(), error)) << error.toStdString();
        QString reason;
        const TWaveHeaderInfo h = ScanWaveFile(Path("out.wav"), &reason);
        ASSERT_TRUE(h.Found) << reason.toStdString();
        EXPECT_EQ(h.Channels, l.Channels);
        EXPECT_EQ(int(h.SampleRate), l.Rate);
        EXPECT_EQ(h.BitsPerSample, l.Bits);
        EXPECT_TRUE(DataChunk(ReadFile(Path("out.wav"))) == pcm);
    }
}

TEST_F(FlacCodecTest, BadInputFailsAndLeavesTheOutputAsItWas) {
    const QByteArray pcm = MakePcm16(44100, 2, 3);
    ASSERT_TRUE(WriteFile(Path("in.wav"), MakeWav(pcm, 2, 44100, 16)));
    QString error;
    ASSERT_TRUE(EncodeWavToFlac(Path("in.wav"), Path("good.flac"), TFlacEncodeOptions(), TFlacRunHooks(), error));
    const QByteArray good = ReadFile(Path("good.flac"));
    const QByteArray before("an earlier file");
    ASSERT_TRUE(WriteFile(Path("out.wav"), before));

    struct TCase {
        const char* Name;
        QByteArray Bytes;
        const char* Why;
    };
    const TCase cases[] = {
        {"text.flac", QByteArray("this is no FLAC file at all"), "not a FLAC file"},
        // Cut inside a frame the decoder loses its way; at a frame's end it counts what is missing.
        {"cut.flac", good.left(good.size() * 2 / 3), "cut short|damaged"},
        {"damaged.flac", good.left(good.size() / 2) + QByteArray(4000, '\x55') + good.mid(good.size() / 2 + 4000),
         "damaged"},
        {"empty.flac", QByteArray(), "not a FLAC file"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(WriteFile(Path(c.Name), c.Bytes));
        error.clear();
        EXPECT_FALSE(DecodeFlacToWav(Path(c.Name), Path("out.wav"), TFlacRunHooks(), error));
        EXPECT_TRUE(error.contains(QRegularExpression(c.Why))) << error.toStdString();
        EXPECT_TRUE(error.startsWith(Path(c.Name))) << error.toStdString();
        EXPECT_EQ(ReadFile(Path("out.wav")), before);
    }

    // Samples FLAC cannot hold, and a stopped run.
    ASSERT_TRUE(WriteFile(Path("float.wav"), "RIFF" + Le32(36 + 8) + "WAVEfmt " + Le32(16) + Le16(3) + Le16(1) +
                                                 Le32(44100) + Le32(44100 * 4) + Le16(4) + Le16(32) + "data" + Le32(8) +
                                                 QByteArray(8, '\0')));
    EXPECT_FALSE(EncodeWavToFlac(Path("float.wav"), Path("out.wav"), TFlacEncodeOptions(), TFlacRunHooks(), error));
    EXPECT_TRUE(error.contains("floating-point")) << error.toStdString();
    std::atomic<bool> stop{true};
    TFlacRunHooks stopped;
    stopped.Stop = &stop;
    EXPECT_FALSE(EncodeWavToFlac(Path("in.wav"), Path("out.wav"), TFlacEncodeOptions(), stopped, error));
    EXPECT_FALSE(DecodeFlacToWav(Path("good.flac"), Path("out.wav"), stopped, error));
    EXPECT_EQ(ReadFile(Path("out.wav")), before);
    // Nothing is left beside the output.
    EXPECT_EQ(QDir(Dir.Path()).entryList({"*.part"}, QDir::Files), QStringList());
}
