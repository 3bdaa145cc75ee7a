// TWaveOut: the three header layouts, padding and patching, IMA ADPCM blocks, appending, and
// the refusals. Files are checked against sox's and ffprobe's reading of them, and headers
// against bytes the tests write out themselves.
#include "WavTestUtil.h"

#include "audio/ImaAdpcm.h"
#include "audio/WaveIn.h"
#include "audio/WaveOut.h"

#include <QFileInfo>
#include <QtEndian>

#include <cmath>

namespace {

class WavWriterTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }
    // Writes `pcm` through a TWaveOut configured by `setup`; returns the run's error text.
    QString Write(const QString& file, TTestPcmIn& in, const std::function<void(TWaveOut&)>& setup = {}) {
        TWaveOut out;
        out.SetFileName(file);
        out.SetInput(&in);
        if (setup)
            setup(out);
        QString error;
        EXPECT_TRUE(RunSink(out, &error));
        return error;
    }
    static uint32_t Field32(const QByteArray& file, int offset) {
        return qFromLittleEndian<uint32_t>(file.constData() + offset);
    }
    static uint16_t Field16(const QByteArray& file, int offset) {
        return qFromLittleEndian<uint16_t>(file.constData() + offset);
    }
    QTemporaryDir Dir;
};

TEST_F(WavWriterTest, PlainPcmHeaderAndData) {
    TTestPcmIn in;
    in.Pcm = MakePcm16(1000, 2, 1);
    EXPECT_EQ(Write(Path("a.wav"), in), "");
    const QByteArray file = ReadFile(Path("a.wav"));
    ASSERT_EQ(file.size(), 4044);
    EXPECT_EQ(file.left(44), WavHeader(2, 44100, 16, 4000));
    EXPECT_EQ(Field32(file, 4), 4036u);
    EXPECT_EQ(file.mid(44), in.Pcm);
    const std::vector<int16_t> sox = SoxDecode16(Path("a.wav"), Path("a.raw"));
    EXPECT_EQ(sox, Samples16(in.Pcm));
}

TEST_F(WavWriterTest, TwentyFourBitHeaders) {
    TTestPcmIn in;
    in.Bits = 24;
    in.Rate = 48000;
    in.Pcm = QByteArray(600 * 6, '\x12');
    EXPECT_EQ(Write(Path("ext.wav"), in, [](TWaveOut& o) { o.CreateNonMsHeaders = false; }), "");
    const QByteArray ext = ReadFile(Path("ext.wav"));
    ASSERT_EQ(ext.size(), 68 + 3600);
    EXPECT_EQ(Field16(ext, 20), 0xFFFE);
    EXPECT_EQ(Field16(ext, 38), 24);
    EXPECT_EQ(Field32(ext, 40), 0x3u);
    EXPECT_EQ(Field32(ext, 64), 3600u);
    // ffprobe understands it as 24-bit stereo.
    const TRunResult probe =
        RunProgram(FindTool("ffprobe"), {"-v", "error", "-show_entries", "stream=codec_name,channels,sample_rate",
                                         "-of", "default=noprint_wrappers=1", Path("ext.wav")});
    EXPECT_EQ(probe.ExitCode, 0);
    EXPECT_TRUE(probe.Out.contains("codec_name=pcm_s24le")) << probe.Out.constData();
    EXPECT_TRUE(probe.Out.contains("channels=2"));
    // Our own reader agrees.
    TWaveIn back;
    back.SetFileName(Path("ext.wav"));
    EXPECT_EQ(back.WavType(), wtExtPCM);
    EXPECT_EQ(ReadAll(back), in.Pcm);

    EXPECT_EQ(Write(Path("plain.wav"), in), "");
    EXPECT_EQ(ReadFile(Path("plain.wav")).left(44), WavHeader(2, 48000, 24, 3600));
}

// An input that delivers less than it announced, or cannot tell its length, gets a header
// patched to what was written; nothing is made up to fill the announced length.
TEST_F(WavWriterTest, ShortInputAndUnknownLength) {
    TTestPcmIn in;
    in.Pcm = MakePcm16(500, 2, 2);
    in.AnnouncedSize = 4000;
    EXPECT_EQ(Write(Path("short.wav"), in), "");
    EXPECT_EQ(ReadFile(Path("short.wav")), MakeWav(in.Pcm, 2, 44100, 16));
    TTestPcmIn deep;
    deep.Bits = 24;
    deep.Pcm = QByteArray(600 * 6, '\7');
    deep.AnnouncedSize = 1000 * 6;
    EXPECT_EQ(Write(Path("short24.wav"), deep, [](TWaveOut& o) { o.CreateNonMsHeaders = false; }), "");
    EXPECT_EQ(ReadFile(Path("short24.wav")), ExtensibleWavHeader(2, 44100, 24, 0x3, 3600) + deep.Pcm);

    in.AnnouncedSize = -1;
    EXPECT_EQ(Write(Path("unknown.wav"), in), "");
    const QByteArray unknown = ReadFile(Path("unknown.wav"));
    ASSERT_EQ(unknown.size(), 2044);
    EXPECT_EQ(Field32(unknown, 40), 2000u);
    EXPECT_EQ(Field32(unknown, 4), 2036u);
}

TEST_F(WavWriterTest, StoppedRunGetsPatchedHeader) {
    for (TWavType type : {wtPCM, wtDVIADPCM}) {
        TTestPcmIn in;
        in.Pcm = MakePcm16(44100 * 5, 2, 3);
        in.SleepMs = 2;
        in.MaxBlock = 2048;
        TWaveOut out;
        const QString file = Path(type == wtPCM ? "stop.wav" : "stopima.wav");
        out.SetFileName(file);
        out.SetWavType(type);
        out.SetInput(&in);
        out.Run();
        // Stopped once the file holds some audio; the input's pace leaves most of it unread.
        ASSERT_TRUE(WaitUntil([&] { return QFileInfo(file).size() > 4000; }));
        out.Stop(false);
        EXPECT_EQ(out.Status(), osIdle);
        const QByteArray f = ReadFile(file);
        ASSERT_GT(f.size(), 2000);
        ASSERT_LT(f.size(), in.Pcm.size() / 2);
        EXPECT_EQ(Field32(f, 4), uint32_t(f.size() - 8));
        if (type == wtPCM) {
            EXPECT_EQ(Field32(f, 40), uint32_t(f.size() - 44));
            EXPECT_EQ(f.mid(44), in.Pcm.left(f.size() - 44));
        } else {
            EXPECT_EQ(Field32(f, 56), uint32_t(f.size() - 60));
            EXPECT_EQ((f.size() - 60) % 512, 0);
            EXPECT_EQ(Field32(f, 48), uint32_t((f.size() - 60) / 512 * 505));
        }
    }
}

// IMA ADPCM with blocks of 512 bytes: the block layouts, the silent tail of the last block,
// sox decoding exactly what our decoder decodes, and the sound surviving the trip.
TEST_F(WavWriterTest, ImaAdpcmFiles) {
    for (int channels : {1, 2}) {
        TTestPcmIn in;
        in.ChannelCount = channels;
        in.Rate = 22050;
        const int spb = channels == 1 ? 1017 : 505;
        const int frames = spb * 3 + 100;
        in.Pcm = MakePcm16(frames, channels, 4, 22050);
        const QString file = Path(QString("ima%1.wav").arg(channels));
        EXPECT_EQ(Write(file, in, [](TWaveOut& o) { o.SetWavType(wtDVIADPCM); }), "");
        const QByteArray f = ReadFile(file);
        ASSERT_EQ(f.size(), 60 + 4 * 512) << channels;
        EXPECT_EQ(Field16(f, 38), spb);
        EXPECT_EQ(Field32(f, 48), uint32_t(frames));
        EXPECT_EQ(Field32(f, 56), 4u * 512);
        // Each block starts with its first sample as predictor.
        const std::vector<int16_t> src = Samples16(in.Pcm);
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < channels; ++c)
                EXPECT_EQ(int16_t(Field16(f, 60 + b * 512 + 4 * c)), src[size_t(b * spb * channels + c)]);

        const std::vector<int16_t> sox = SoxDecode16(file, Path("ima.raw"));
        TWaveIn back;
        back.SetFileName(file);
        ASSERT_TRUE(back.Valid());
        const std::vector<int16_t> ours = Samples16(ReadAll(back));
        ASSERT_EQ(ours.size(), src.size());
        EXPECT_EQ(FirstDifference(ours, sox, ours.size()), -1);
        double error = 0, power = 0;
        for (size_t i = 0; i < src.size(); ++i) {
            error += std::pow(double(ours[i]) - src[i], 2);
            power += std::pow(double(src[i]), 2);
        }
        // What this input reaches (28.4 dB mono, 26.4 dB stereo), less a little.
        EXPECT_GT(10 * std::log10(power / error), channels == 1 ? 28.0 : 26.0);
        // The last block's tail is silence in sox's decoding (sox decodes whole blocks); the
        // predictor needs a few samples to come down from the last real one.
        ASSERT_GE(sox.size(), size_t(4 * spb * channels));
        for (size_t i = size_t(4 * spb - 300) * channels; i < size_t(4 * spb * channels); ++i)
            ASSERT_LT(std::abs(sox[i]), 40) << i;
    }
}

TEST_F(WavWriterTest, AppendingPcm) {
    TTestPcmIn first, second;
    first.Pcm = MakePcm16(700, 2, 5);
    second.Pcm = MakePcm16(300, 2, 6);
    const QString file = Path("append.wav");
    EXPECT_EQ(Write(file, first), "");
    EXPECT_EQ(Write(file, second, [](TWaveOut& o) { o.SetFileMode(foAppend); }), "");
    const QByteArray f = ReadFile(file);
    ASSERT_EQ(f.size(), 44 + 4000);
    EXPECT_EQ(Field32(f, 40), 4000u);
    EXPECT_EQ(Field32(f, 4), 4036u);
    EXPECT_EQ(f.mid(44), first.Pcm + second.Pcm);
    EXPECT_EQ(SoxDecode16(file, Path("a.raw")), Samples16(first.Pcm + second.Pcm));

    // Another format is refused and the file stays as it was.
    TTestPcmIn mono;
    mono.ChannelCount = 1;
    mono.Pcm = MakePcm16(100, 1, 7);
    EXPECT_EQ(Write(file, mono, [](TWaveOut& o) { o.SetFileMode(foAppend); }),
              "Cannot append data in different audio format.");
    EXPECT_EQ(ReadFile(file), f);
}

TEST_F(WavWriterTest, AppendingImaAdpcm) {
    TTestPcmIn first, second;
    first.ChannelCount = second.ChannelCount = 1;
    first.Pcm = MakePcm16(1017 * 2, 1, 8);
    second.Pcm = MakePcm16(1017 + 10, 1, 9);
    const QString file = Path("appendima.wav");
    EXPECT_EQ(Write(file, first, [](TWaveOut& o) { o.SetWavType(wtDVIADPCM); }), "");
    EXPECT_EQ(Write(file, second,
                    [](TWaveOut& o) {
                        o.SetFileMode(foAppend);
                        o.SetBlockSize(256); // replaced by the file's own block size
                    }),
              "");
    const QByteArray f = ReadFile(file);
    ASSERT_EQ(f.size(), 60 + 4 * 512);
    EXPECT_EQ(Field32(f, 56), 4u * 512);
    EXPECT_EQ(Field32(f, 48), 4u * 1017);
    EXPECT_EQ(Field32(f, 4), uint32_t(f.size() - 8));
    const std::vector<int16_t> sox = SoxDecode16(file, Path("a.raw"));
    ASSERT_EQ(sox.size(), 4u * 1017);
    // The appended block starts exactly at the second input's first sample.
    EXPECT_EQ(sox[2 * 1017], Samples16(second.Pcm)[0]);
}

TEST_F(WavWriterTest, AppendingToMissingOrEmptyFileWritesFreshHeader) {
    for (bool exists : {false, true}) {
        for (TWavType type : {wtPCM, wtDVIADPCM}) {
            const QString file = Path(QString("fresh%1%2.wav").arg(exists).arg(int(type)));
            if (exists) {
                ASSERT_TRUE(WriteFile(file, QByteArray()));
            }
            TTestPcmIn in;
            in.Pcm = MakePcm16(600, 2, 10);
            EXPECT_EQ(Write(file, in,
                            [type](TWaveOut& o) {
                                o.SetFileMode(foAppend);
                                o.SetWavType(type);
                            }),
                      "");
            const QByteArray f = ReadFile(file);
            EXPECT_EQ(Field32(f, 4), uint32_t(f.size() - 8));
            if (type == wtPCM) {
                ASSERT_EQ(f.size(), 44 + 2400);
                EXPECT_EQ(Field32(f, 40), 2400u);
            } else {
                ASSERT_EQ(f.size(), 60 + 2 * 512);
                EXPECT_EQ(Field32(f, 56), 2u * 512);
                EXPECT_EQ(Field32(f, 48), 2u * 505);
            }
            TWaveIn back;
            back.SetFileName(file);
            EXPECT_TRUE(back.Valid());
        }
    }
}

TEST_F(WavWriterTest, AppendRefusalsLeaveFilesAlone) {
    TTestPcmIn in;
    in.Pcm = MakePcm16(100, 2, 11);
    auto append = [&](const QString& file) { return Write(file, in, [](TWaveOut& o) { o.SetFileMode(foAppend); }); };

    ASSERT_TRUE(RunSox({"-n", "-r", "44100", "-c", "2", "-e", "floating-point", "-b", "32", Path("float.wav"), "synth",
                        "0.1", "sine", "440"}));
    const QByteArray before = ReadFile(Path("float.wav"));
    EXPECT_EQ(append(Path("float.wav")), "Cannot append data to this .wav file.");
    EXPECT_EQ(ReadFile(Path("float.wav")), before);

    ASSERT_TRUE(WriteFile(Path("notes.txt"), "not a sound file at all"));
    EXPECT_EQ(append(Path("notes.txt")), "Cannot append data to this .wav file.");
    EXPECT_EQ(ReadFile(Path("notes.txt")), "not a sound file at all");

    // A chunk behind the data: appending there would turn the chunk into audio.
    QByteArray tagged = MakeWav(MakePcm16(100, 2, 12), 2, 44100, 16) + "LIST" + QByteArray("\x04\0\0\0abcd", 8);
    ASSERT_TRUE(WriteFile(Path("tagged.wav"), tagged));
    EXPECT_EQ(append(Path("tagged.wav")), "Cannot append data to this .wav file.");
    EXPECT_EQ(ReadFile(Path("tagged.wav")), tagged);
}

TEST_F(WavWriterTest, RefusalsCreateNoFileAndChangeNoProperty) {
    TTestPcmIn eight;
    eight.Bits = 8;
    eight.Pcm = QByteArray(400, char(128));
    EXPECT_EQ(Write(Path("eight.wav"), eight, [](TWaveOut& o) { o.SetWavType(wtDVIADPCM); }),
              "Cannot encode 8 bit sound into ADPCM.");
    EXPECT_FALSE(QFileInfo::exists(Path("eight.wav")));

    TTestPcmIn three;
    three.ChannelCount = 3;
    three.Pcm = MakePcm16(100, 3, 1);
    EXPECT_EQ(Write(Path("three.wav"), three, [](TWaveOut& o) { o.SetWavType(wtDVIADPCM); }),
              "Cannot encode more than two channels into ADPCM.");
    EXPECT_FALSE(QFileInfo::exists(Path("three.wav")));

    // A request for ADPCM is never turned into something else: not for input the extensible
    // header would take, and not for a later run of the same writer.
    TTestPcmIn deep;
    deep.Bits = 24;
    deep.Pcm = QByteArray(600, '\1');
    TWaveOut out;
    out.CreateNonMsHeaders = false;
    out.SetWavType(wtDVIADPCM);
    for (TTestPcmIn* input : {&deep, &three}) {
        out.SetFileName(Path("ext.wav"));
        out.SetInput(input);
        QString error;
        EXPECT_TRUE(RunSink(out, &error));
        EXPECT_EQ(error, input == &deep ? "Cannot encode 24 bit sound into ADPCM."
                                        : "Cannot encode more than two channels into ADPCM.");
        EXPECT_FALSE(QFileInfo::exists(Path("ext.wav")));
        EXPECT_EQ(out.WavType(), wtDVIADPCM);
    }
    TTestPcmIn in;
    in.Pcm = MakePcm16(1010, 2, 1);
    out.SetInput(&in);
    EXPECT_TRUE(RunSink(out));
    EXPECT_EQ(Field16(ReadFile(Path("ext.wav")), 20), WaveFormatImaAdpcm);
    // Nor does a PCM writer keep the extensible header of an earlier run.
    TWaveOut pcm;
    pcm.CreateNonMsHeaders = false;
    pcm.SetFileName(Path("first.wav"));
    pcm.SetInput(&three);
    EXPECT_TRUE(RunSink(pcm));
    EXPECT_EQ(pcm.WavType(), wtPCM);
    pcm.SetFileName(Path("second.wav"));
    pcm.SetInput(&in);
    EXPECT_TRUE(RunSink(pcm));
    EXPECT_EQ(ReadFile(Path("second.wav")).left(44), WavHeader(2, 44100, 16, 4040));

    // Sizes past the 32-bit fields of the header are refused before a file exists.
    TTestPcmIn huge;
    huge.Pcm = MakePcm16(10, 2, 1);
    huge.AnnouncedSize = int64_t(5) << 30;
    EXPECT_EQ(Write(Path("huge.wav"), huge), "The audio is too long for a WAV file (more than 4 GiB).");
    EXPECT_FALSE(QFileInfo::exists(Path("huge.wav")));

    in.Pcm = MakePcm16(10, 2, 1);
    TWaveOut unnamed;
    unnamed.SetInput(&in);
    QString error;
    EXPECT_TRUE(RunSink(unnamed, &error));
    EXPECT_EQ(error, "File name is not assigned.");
}

TEST_F(WavWriterTest, PropertySetters) {
    TWaveOut out;
    EXPECT_EQ(out.BlockSize(), 512);
    out.SetBlockSize(510);
    out.SetBlockSize(0);
    EXPECT_EQ(out.BlockSize(), 512);
    out.SetBlockSize(1024);
    EXPECT_EQ(out.BlockSize(), 1024);
    out.SetWavType(wtMSADPCM);
    EXPECT_EQ(out.WavType(), wtPCM);
    out.SetWavType(wtDVIADPCM);
    EXPECT_EQ(out.WavType(), wtDVIADPCM);
}

} // namespace
