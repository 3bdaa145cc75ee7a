// TWaveIn on files made by sox and ffmpeg and on hand-built odd and broken files.
#include "WavTestUtil.h"

#include "audio/AuFileStream.h"
#include "audio/WaveHeader.h"
#include "audio/WaveIn.h"

#include <QFile>

#include <climits>
#include <cmath>

namespace {

class WavReaderTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }
    QTemporaryDir Dir;
};

TEST_F(WavReaderTest, PcmWithListChunkAndTrailingChunks) {
    const QByteArray pcm = MakePcm16(3000, 2, 11);
    // fmt, LIST, data, then chunks behind the data, names in lower case.
    QByteArray file = MakeWav(pcm, 2, 44100, 16);
    QByteArray list = "LIST" + Le32(10) + "INFOabcdef";
    file.insert(36, list);
    file += "id3 " + Le32(6) + "tagtag";
    file.replace(0, 4, "riff");
    file.replace(36 + list.size(), 4, "data");
    ASSERT_TRUE(WriteFile(Path("a.wav"), file));

    TWaveIn in;
    in.SetFileName(Path("a.wav"));
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtPCM);
    EXPECT_EQ(in.GetChannels(), 2);
    EXPECT_EQ(in.GetSampleRate(), 44100);
    EXPECT_EQ(in.GetBitsPerSample(), 16);
    EXPECT_EQ(in.GetTotalSamples(), 3000);
    EXPECT_EQ(in.DataStart, 44 + list.size());
    EXPECT_EQ(ReadAll(in, 1000), pcm);
}

// A data size beyond the end of the file (a cut file) delivers what is there.
TEST_F(WavReaderTest, CutFileDeliversWhatIsThere) {
    const QByteArray pcm = MakePcm16(1000, 2, 3);
    ASSERT_TRUE(WriteFile(Path("cut.wav"), MakeWav(pcm, 2, 44100, 16).left(44 + 2001)));
    TWaveIn in;
    in.SetFileName(Path("cut.wav"));
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(ReadAll(in), pcm.left(2000));
}

TEST_F(WavReaderTest, FloatFilesBecome32BitIntegers) {
    // 32-bit float: same byte count; known values map as the reader's rule says.
    const float values[6] = {0.5f, -0.5f, 1.0f, -1.5f, 0.0f, 0.25f};
    QByteArray f32(reinterpret_cast<const char*>(values), sizeof values);
    QByteArray file = MakeWav(f32, 2, 48000, 32);
    file[20] = 3;
    ASSERT_TRUE(WriteFile(Path("f32.wav"), file));
    TWaveIn in;
    in.SetFileName(Path("f32.wav"));
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtIEEEFloat);
    EXPECT_EQ(in.GetBitsPerSample(), 32);
    const QByteArray out = ReadAll(in);
    ASSERT_EQ(out.size(), f32.size());
    const auto* v = reinterpret_cast<const int32_t*>(out.constData());
    EXPECT_EQ(v[0], 1073741823);
    EXPECT_EQ(v[1], -1073741824);
    EXPECT_EQ(v[2], INT_MAX);
    EXPECT_EQ(v[3], INT_MIN);
    EXPECT_EQ(v[4], 0);

    // 64-bit float made by sox: half the bytes, and the same audio as sox's 32-bit reading.
    ASSERT_TRUE(RunSox({"-n", "-r", "22050", "-c", "2", "-e", "floating-point", "-b", "64", Path("f64.wav"), "synth",
                        "0.7", "sine", "440", "gain", "-6"}));
    TWaveIn in64;
    in64.SetFileName(Path("f64.wav"));
    ASSERT_TRUE(in64.Valid());
    EXPECT_FALSE(in64.FloatIs32);
    const QByteArray data64 = ReadAll(in64);
    EXPECT_EQ(data64.size() * 2, QFileInfo(Path("f64.wav")).size() - in64.DataStart);
    ASSERT_TRUE(RunSox({Path("f64.wav"), "-t", "raw", "-e", "signed-integer", "-b", "32", Path("s32.raw")}));
    const QByteArray sox = ReadFile(Path("s32.raw"));
    ASSERT_EQ(sox.size(), data64.size());
    const auto* a = reinterpret_cast<const int32_t*>(data64.constData());
    const auto* b = reinterpret_cast<const int32_t*>(sox.constData());
    for (qsizetype i = 0; i < sox.size() / 4; ++i)
        ASSERT_NEAR(double(a[i]), double(b[i]), 2.0) << i;
}

TEST_F(WavReaderTest, ExtensibleFiles) {
    ASSERT_TRUE(RunSox({"-n", "-r", "48000", "-c", "2", "-b", "24", Path("e24.wav"), "synth", "0.5", "sine", "440"}));
    TWaveIn in;
    in.SetFileName(Path("e24.wav"));
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtExtPCM);
    EXPECT_EQ(in.GetBitsPerSample(), 24);
    EXPECT_EQ(ReadAll(in).size(), 24000 * 6);
    // Seeking an extensible file is refused.
    in.BeginReading();
    EXPECT_FALSE(in.Seek(100));
    in.EndReading();

    // Another sub-format: not valid, and a run delivers nothing.
    QByteArray file = ReadFile(Path("e24.wav"));
    const qsizetype guid = file.indexOf(QByteArray(reinterpret_cast<const char*>(KsDataFormatPcm), 16));
    ASSERT_GT(guid, 0);
    file[guid] = 2;
    ASSERT_TRUE(WriteFile(Path("other.wav"), file));
    TWaveIn other;
    other.SetFileName(Path("other.wav"));
    EXPECT_FALSE(other.Valid());
    EXPECT_EQ(other.WavType(), wtUnsupported);
    // A run of it reports the fallback format and ends at once.
    other.BeginReading();
    EXPECT_EQ(other.GetSampleRate(), 8000);
    EXPECT_EQ(other.GetChannels(), 1);
    EXPECT_EQ(other.Size, 0);
    uint8_t* data = nullptr;
    uint32_t bytes = 1000;
    other.Read(data, bytes);
    EXPECT_EQ(bytes, 0u);
    other.EndReading();
}

// ADPCM made by sox: read through the component, equal to sox's decoding over the fact
// count; seeking lands on the exact sample, also inside a block.
TEST_F(WavReaderTest, AdpcmFilesAndSeeking) {
    ASSERT_TRUE(RunSox({"-n", "-r", "22050", "-c", "2", "-b", "16", Path("in.wav"), "synth", "1.5", "sine", "200-3000",
                        "pinknoise", "gain", "-3"}));
    for (const char* encoding : {"ima-adpcm", "ms-adpcm"}) {
        const QString coded = Path(QString(encoding) + ".wav");
        ASSERT_TRUE(RunSox({Path("in.wav"), "-e", encoding, coded}));
        const std::vector<int16_t> sox = SoxDecode16(coded, Path("sox.raw"));
        TWaveIn in;
        in.SetFileName(coded);
        ASSERT_TRUE(in.Valid()) << encoding;
        EXPECT_EQ(in.WavType(), QByteArray(encoding) == "ima-adpcm" ? wtDVIADPCM : wtMSADPCM);
        EXPECT_EQ(in.GetBitsPerSample(), 16);
        const std::vector<int16_t> ours = Samples16(ReadAll(in, 5000));
        ASSERT_EQ(ours.size(), size_t(22050 * 3 / 2 * 2)) << encoding;
        EXPECT_EQ(FirstDifference(ours, sox, ours.size()), -1) << encoding;

        in.BeginReading();
        const int64_t target = 5000; // inside a block for both codecs
        ASSERT_TRUE(in.Seek(target));
        uint8_t data[400];
        bool ended = false;
        ASSERT_EQ(in.ReadFully(data, 400, ended), 400u);
        EXPECT_EQ(std::memcmp(data, ours.data() + target * 2, 400), 0) << encoding;
        EXPECT_EQ(in.Position, (target * 4) + 400);
        in.EndReading();
    }
}

TEST_F(WavReaderTest, ImaBlockLayoutChecks) {
    // Three mono blocks of 512 bytes of arbitrary nibbles.
    QByteArray blocks = MakePcm16(768, 1, 3);
    for (int b = 0; b < 3; ++b)
        blocks[b * 512 + 2] = char(b * 20); // step index
    // Mono, 4 bits, blocks of 512 bytes holding 1017 samples (so BitsPerSample at byte 34 and
    // BlockAlign at byte 32 of the file).
    const QByteArray format =
        Le16(WaveFormatImaAdpcm) + Le16(1) + Le32(22050) + Le32(11100) + Le16(512) + Le16(4) + Le16(2) + Le16(1017);
    QByteArray file = Riff(Chunk("fmt ", format) + Chunk("fact", Le32(3 * 1017)) + Chunk("data", blocks));
    ASSERT_TRUE(WriteFile(Path("ima.wav"), file));
    TWaveIn in;
    in.SetFileName(Path("ima.wav"));
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.ImaSamplesPerBlock, 1017);
    in.BeginReading();
    uint8_t* data = nullptr;
    uint32_t bytes = 16384;
    // All three blocks come with one read (as many as the decode buffer takes).
    in.Read(data, bytes);
    EXPECT_EQ(bytes, 3 * 1017u * 2);
    in.EndReading();

    // 3 bits per sample: another codec, not valid.
    QByteArray three = file;
    three[34] = 3;
    ASSERT_TRUE(WriteFile(Path("ima3.wav"), three));
    TWaveIn bad;
    bad.SetFileName(Path("ima3.wav"));
    EXPECT_FALSE(bad.Valid());

    // A block whose decoded samples would not fit the 16,384-byte buffer.
    QByteArray big = file;
    big.replace(32, 2, Le16(8192));
    ASSERT_TRUE(WriteFile(Path("imabig.wav"), big));
    TWaveIn huge;
    huge.SetFileName(Path("imabig.wav"));
    EXPECT_FALSE(huge.Valid());
}

TEST_F(WavReaderTest, MsAdpcmHeaderChecks) {
    ASSERT_TRUE(RunSox({"-n", "-r", "8000", "-c", "1", "-b", "16", Path("m.wav"), "synth", "1", "sine", "300"}));
    ASSERT_TRUE(RunSox({Path("m.wav"), "-e", "ms-adpcm", Path("ms.wav")}));
    const QByteArray file = ReadFile(Path("ms.wav"));
    auto validWith = [&](auto change) {
        QByteArray f = file;
        change(f);
        WriteFile(Path("msx.wav"), f);
        TWaveIn in;
        in.SetFileName(Path("msx.wav"));
        return in.Valid();
    };
    EXPECT_TRUE(validWith([](QByteArray&) {}));
    // Coefficient count 40: more than the table's 32 pairs.
    EXPECT_FALSE(validWith([](QByteArray& f) { f.replace(20 + 20, 2, Le16(40)); }));
    // Samples per block needing more bytes than a block holds.
    EXPECT_FALSE(validWith([](QByteArray& f) { f.replace(20 + 18, 2, Le16(3000)); }));
    // A decoded block larger than the buffer.
    EXPECT_FALSE(validWith([](QByteArray& f) {
        f.replace(20 + 12, 2, Le16(9000));
        f.replace(20 + 18, 2, Le16(9000 * 2 - 12));
    }));
}

// MPEG audio inside a WAV file (tag 85), made by ffmpeg.
TEST_F(WavReaderTest, CompressedFileIsDecoded) {
    const QByteArray pcm = MakePcm16(44100, 2, 5);
    ASSERT_TRUE(WriteFile(Path("src.wav"), MakeWav(pcm, 2, 44100, 16)));
    ASSERT_TRUE(RunFfmpeg({"-i", Path("src.wav"), "-c:a", "libmp3lame", "-b:a", "192k", Path("mp3.wav")}));
    TWaveIn in;
    in.SetFileName(Path("mp3.wav"));
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtACM);
    EXPECT_EQ(in.GetChannels(), 2);
    EXPECT_EQ(in.GetSampleRate(), 44100);
    EXPECT_EQ(in.GetBitsPerSample(), 16);
    const std::vector<int16_t> decoded = Samples16(ReadAll(in));
    // Whole MPEG frames of 1,152 samples, with the encoder's and decoder's delay in front.
    EXPECT_EQ(decoded.size() % (1152 * 2), 0u);
    ASSERT_GE(decoded.size(), size_t(44100) * 2);
    ASSERT_LE(decoded.size(), size_t(44100 + 3 * 1152) * 2);
    const std::vector<int16_t> original = Samples16(pcm);
    double best = -1e9;
    for (size_t delay = 0; delay < 2500; ++delay) {
        double error = 0, power = 0;
        for (size_t i = 10000; i < 80000; i += 7) {
            error += std::pow(double(decoded[i + delay * 2]) - original[i], 2);
            power += std::pow(double(original[i]), 2);
        }
        best = std::max(best, 10 * std::log10(power / error));
    }
    EXPECT_GT(best, 15.0);

    // A compressed file whose MPEG data is garbage is not valid.
    QByteArray broken = ReadFile(Path("mp3.wav"));
    const qsizetype data = broken.indexOf("data");
    broken.replace(data + 8, broken.size() - data - 8, QByteArray(broken.size() - data - 8, '\x11'));
    ASSERT_TRUE(WriteFile(Path("broken.wav"), broken));
    TWaveIn bad;
    bad.SetFileName(Path("broken.wav"));
    EXPECT_FALSE(bad.Valid());
    EXPECT_EQ(ReadAll(bad).size(), 0);
}

// The resident memory of this process in bytes.
int64_t ResidentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * 4096;
}

// A compressed file is decoded as it is read: opening a 30-minute file (173 MB of PCM) and
// learning its length holds none of the audio.
TEST_F(WavReaderTest, LongCompressedFileIsNotHeldInMemory) {
    // Constant-size frames (MPEG-1 at 48 kHz, 64 kbit/s: 192 bytes), no bit reservoir, no tag
    // frame, so that one frame repeated is a valid stream of any length.
    ASSERT_TRUE(WriteFile(Path("silence.raw"), QByteArray(96000, '\0')));
    const TRunResult lame =
        RunProgram(FindTool("lame"), {"-r", "-s", "48", "--resample", "48", "--bitwidth", "16", "-m", "m", "-b", "64",
                                      "--nores", "-t", "-S", Path("silence.raw"), Path("silence.mp3")});
    ASSERT_EQ(lame.ExitCode, 0) << lame.Err.constData();
    const QByteArray mp3 = ReadFile(Path("silence.mp3"));
    ASSERT_EQ(mp3.size() % 192, 0);
    const int64_t frames = 30 * 60 * 48000 / 1152;
    // MPEGLAYER3WAVEFORMAT: mono, 48 kHz, 8000 bytes a second, block align 1, bits 0, then
    // the 12 extra bytes (left zero).
    const QByteArray format = Le16(WaveFormatMpegLayer3) + Le16(1) + Le32(48000) + Le32(8000) + Le16(1) + Le16(0) +
                              Le16(12) + QByteArray(12, '\0');
    const QByteArray fact = Le32(uint32_t(frames * 1152));
    const QByteArray data = mp3.mid(10 * 192, 192).repeated(qsizetype(frames));
    ASSERT_TRUE(WriteFile(Path("long.wav"), Riff(Chunk("fmt ", format) + Chunk("fact", fact) + Chunk("data", data))));

    const int64_t before = ResidentBytes();
    TWaveIn in;
    in.SetFileName(Path("long.wav"));
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtACM);
    EXPECT_EQ(in.GetChannels(), 1);
    EXPECT_EQ(in.GetSampleRate(), 48000);
    EXPECT_EQ(in.GetTotalSamples(), frames * 1152);
    in.BeginReading();
    uint8_t* block = nullptr;
    uint32_t bytes = 16384;
    in.Read(block, bytes);
    EXPECT_EQ(bytes, 16384u);
    EXPECT_LT(ResidentBytes() - before, 32 << 20);
    in.EndReading();
}

TEST_F(WavReaderTest, MissingOrForeignFiles) {
    TWaveIn in;
    in.SetFileName(Path("nothing.wav"));
    EXPECT_FALSE(in.Valid());
    EXPECT_EQ(in.WavType(), wtUnsupported);
    EXPECT_THROW(in.BeginReading(), EAuException);

    ASSERT_TRUE(WriteFile(Path("text.wav"), QByteArray(100000, 'x')));
    in.SetFileName(Path("text.wav"));
    EXPECT_FALSE(in.Valid());

    TWaveIn noName;
    try {
        noName.BeginReading();
        ADD_FAILURE();
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), "The file name is not assigned");
    }
}

// The reader also works on an attached in-memory stream and a sample range.
TEST_F(WavReaderTest, AttachedStreamAndSampleRange) {
    const QByteArray pcm = MakePcm16(2000, 1, 9);
    TAuMemoryStream stream(MakeWav(pcm, 1, 22050, 16));
    TWaveIn in;
    in.AttachStream(&stream);
    ASSERT_TRUE(in.Valid());
    in.StartSample = 100;
    in.EndSample = 299;
    EXPECT_EQ(ReadAll(in), pcm.mid(200, 400));
    // The range applied to one run only.
    EXPECT_EQ(ReadAll(in), pcm);
}

} // namespace
