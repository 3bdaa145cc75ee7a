// The gain pass on WAV files: what it scales, what it leaves alone, and what a failure leaves.
#include "audio/GainPass.h"
#include "WavTestUtil.h"
#include "audio/WaveHeader.h"

#include <QDir>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

QByteArray Samples(std::initializer_list<int16_t> values) {
    QByteArray pcm;
    for (int16_t v : values) {
        char b[2];
        qToLittleEndian<int16_t>(v, b);
        pcm.append(b, 2);
    }
    return pcm;
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(GainPassTest, ScalesHalvesToEvenSaturatesAndReportsProgress) {
    TTempProgramFolder folder;
    const QString path = folder.File("a.wav");
    const QByteArray original = MakeWav(MakePcm16(5000, 2, 7), 2, 44100, 16);
    WriteFile(path, original);
    int calls = 0;
    ScaleWaveFile(100, path, [&](int64_t done, int64_t total) {
        EXPECT_LE(done, total);
        ++calls;
    });
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(calls, int((original.size() - 44 + 2047) / 2048) + 1);

    WriteFile(path, MakeWav(Samples({-3, 3, -1, 1, 5, -32768, 32767}), 1, 44100, 16));
    ScaleWaveFile(50, path);
    EXPECT_EQ(ReadFile(path).mid(44), Samples({-2, 2, 0, 0, 2, -16384, 16384}));

    WriteFile(path, MakeWav(Samples({20000, -20000, 100, -32768}), 1, 44100, 16));
    ScaleWaveFile(200, path);
    EXPECT_EQ(ReadFile(path).mid(44), Samples({32767, -32768, 200, -32768}));
    EXPECT_EQ(FilesIn(folder.Path()), QStringList{"a.wav"});
}

TEST(GainPassTest, OnlyTheSamplesOfTheDataChunkChange) {
    TTempProgramFolder folder;
    const QString path = folder.File("tagged.wav");
    // A LIST chunk before the data, an odd-sized one after it.
    const QByteArray before = Chunk("LIST", QByteArray("INFOINAM\x06\0\0\0Title\0", 18));
    const QByteArray after = Chunk("LIST", QByteArray("INFOICMT\x03\0\0\0ab\0", 15));
    const QByteArray head = Riff(Chunk("fmt ", PcmFormat(1, 44100, 16)) + before);
    WriteFile(path, head + Chunk("data", Samples({1000, -1000, 3})) + after);
    ScaleWaveFile(50, path);
    EXPECT_EQ(ReadFile(path), head + Chunk("data", Samples({500, -500, 2})) + after);

    // 16-bit samples under an extensible header are scaled as well.
    const QByteArray ext = ExtensibleWavHeader(2, 44100, 16, 0x3, 4) + Samples({400, -400});
    WriteFile(path, ext);
    ScaleWaveFile(50, path);
    EXPECT_EQ(ReadFile(path), ext.left(68) + Samples({200, -200}));
}

TEST(GainPassTest, TheTemporaryNeverHitsAnotherFile) {
    TTempProgramFolder folder;
    // The file may itself carry the temporary's old name ...
    const QString nor = folder.File("x.nor");
    WriteFile(nor, MakeWav(Samples({100, -100}), 1, 44100, 16));
    ScaleWaveFile(50, nor);
    EXPECT_EQ(ReadFile(nor), MakeWav(Samples({50, -50}), 1, 44100, 16));
    // ... and an unrelated file of that name beside it stays as it is.
    const QString wav = folder.File("song.wav");
    WriteFile(wav, MakeWav(Samples({8, 8}), 1, 44100, 16));
    WriteFile(folder.File("song.nor"), "mine");
    ScaleWaveFile(50, wav);
    EXPECT_EQ(ReadFile(folder.File("song.nor")), "mine");
    EXPECT_EQ(ReadFile(wav), MakeWav(Samples({4, 4}), 1, 44100, 16));
    EXPECT_EQ(FilesIn(folder.Path()), (QStringList{"song.nor", "song.wav", "x.nor"}));

    // A name of the longest length a file may have still gets a temporary beside it.
    const QString longest = folder.File(QString(251, 'n') + ".wav");
    WriteFile(longest, MakeWav(Samples({6, -6}), 1, 44100, 16));
    ScaleWaveFile(50, longest);
    EXPECT_EQ(ReadFile(longest), MakeWav(Samples({3, -3}), 1, 44100, 16));
    EXPECT_EQ(FilesIn(folder.Path()).size(), 4);
}

TEST(GainPassTest, RefusalsAndFailuresLeaveTheFileAndNoTemporary) {
    TTempProgramFolder folder;
    EXPECT_THROW(ScaleWaveFile(50, folder.File("missing.wav")), std::runtime_error);

    const QByteArray pcm16 = MakeWav(MakePcm16(3000, 2, 1), 2, 44100, 16);
    ASSERT_TRUE(WriteFile(folder.File("s16.wav"), pcm16));
    ASSERT_TRUE(RunSox({folder.File("s16.wav"), "-b", "8", folder.File("u8.wav")}));
    ASSERT_TRUE(RunSox({folder.File("s16.wav"), "-b", "24", folder.File("s24.wav")}));
    ASSERT_TRUE(RunSox({folder.File("s16.wav"), "-e", "ima-adpcm", folder.File("ima.wav")}));
    ASSERT_TRUE(RunSox({folder.File("s16.wav"), "-e", "floating-point", folder.File("f32.wav")}));
    ASSERT_TRUE(WriteFile(folder.File("text.wav"), "RIFF, but no WAVE in here"));
    for (const char* name : {"u8.wav", "s24.wav", "ima.wav", "f32.wav", "text.wav"}) {
        SCOPED_TRACE(name);
        const QByteArray before = ReadFile(folder.File(name));
        try {
            ScaleWaveFile(50, folder.File(name));
            ADD_FAILURE() << "not refused";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains("not a 16-bit PCM WAV file")) << e.what();
        }
        EXPECT_EQ(ReadFile(folder.File(name)), before);
    }

    // A pass that fails half way (here the progress callback) leaves the original as it was.
    const auto failHalfWay = [](int64_t done, int64_t total) {
        if (done > total / 2)
            throw std::runtime_error("stopped");
    };
    EXPECT_THROW(ScaleWaveFile(50, folder.File("s16.wav"), failHalfWay), std::runtime_error);
    EXPECT_EQ(ReadFile(folder.File("s16.wav")), pcm16);

    // A write the system refuses (here a file size limit, as a full disk would) is named with
    // the system's reason, not as an unknown error.
    {
        QString message;
        try {
            const TFileSizeLimit limit(4096);
            ASSERT_TRUE(limit.Applied());
            ScaleWaveFile(50, folder.File("s16.wav"));
        } catch (const std::runtime_error& e) {
            message = QString::fromUtf8(e.what());
        }
        EXPECT_TRUE(message.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG)))) << message.toStdString();
        EXPECT_EQ(ReadFile(folder.File("s16.wav")), pcm16);
    }
    EXPECT_EQ(FilesIn(folder.Path()), (QStringList{"f32.wav", "ima.wav", "s16.wav", "s24.wav", "text.wav", "u8.wav"}));
}

} // namespace
