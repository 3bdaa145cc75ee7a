// The recorder's wave device over SDL's disk driver: what the sound card delivers ends up in the
// file byte for byte, a recording from the middle replaces the rest, playback plays the file,
// and a missing capture device is an error, not a crash.
#include "record/RecordTestSupport.h"
#include "record/SdlWaveDevice.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class WaveDeviceTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }
    // Records `ms` from `fromMs` into the open file and saves it.
    void RecordAndSave(TSdlWaveDevice& device, int64_t fromMs, int64_t toMs) {
        ASSERT_TRUE(device.Record(fromMs, toMs)) << device.LastError().toStdString();
        ASSERT_TRUE(WaitUntil([&] { return device.Mode() != wmRecording; }));
        EXPECT_TRUE(device.HasRecording());
        device.Stop();
        ASSERT_TRUE(device.Save()) << device.LastError().toStdString();
        EXPECT_FALSE(device.HasRecording());
    }
    QStringList LeftOvers() const { return QDir(Dir.path()).entryList({"*-recording-*"}, QDir::Files); }

    QTemporaryDir Dir;
};

TEST_F(WaveDeviceTest, ARecordingEqualsWhatTheCardDeliveredInEveryFormat) {
    for (int bits : {8, 16})
        for (int channels : {1, 2})
            for (int rate : {22050, 44100}) {
                SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channels, " << rate << " Hz");
                const QByteArray input = MakeTestPcm(rate, channels, rate, bits, uint32_t(bits + channels + rate));
                ASSERT_TRUE(WriteFile(Path("in.raw"), input));
                const TDiskAudio audio(Path("in.raw"), Path("out.raw"));
                const QString file = Path("take.wav");
                ASSERT_TRUE(WriteFile(file, MakeWav(QByteArray(), channels, rate, bits)));
                TSdlWaveDevice device;
                ASSERT_TRUE(device.Open(file)) << device.LastError().toStdString();
                EXPECT_EQ(device.Length(), 0);
                RecordAndSave(device, 0, 1000);
                EXPECT_EQ(device.Length(), 1000);
                device.Close();
                EXPECT_EQ(ReadFile(file), MakeWav(input, channels, rate, bits));
            }
    EXPECT_TRUE(LeftOvers().isEmpty());
}

TEST_F(WaveDeviceTest, RecordingFromAPositionReplacesTheAudioFromThereOn) {
    const QByteArray before = MakePcm16(22050, 2, 1, 22050);
    const QByteArray input = MakePcm16(22050, 2, 2, 22050);
    ASSERT_TRUE(WriteFile(Path("in.raw"), input));
    const QString file = Path("song.wav");
    ASSERT_TRUE(WriteFile(file, MakeWav(before, 2, 22050, 16)));
    const TDiskAudio audio(Path("in.raw"), Path("out.raw"));
    TSdlWaveDevice device;
    ASSERT_TRUE(device.Open(file));
    EXPECT_EQ(device.Length(), 1000);
    RecordAndSave(device, 500, 1500);
    EXPECT_EQ(device.Length(), 1500);
    EXPECT_EQ(ReadFile(file), MakeWav(before.left(before.size() / 2) + input, 2, 22050, 16));

    // A position past the end continues the file.
    device.Close();
    ASSERT_TRUE(device.Open(file));
    RecordAndSave(device, 99000, 2000);
    EXPECT_EQ(ReadFile(file),
              MakeWav(before.left(before.size() / 2) + input + input.left(input.size() / 2), 2, 22050, 16));
}

TEST_F(WaveDeviceTest, PlaybackPlaysTheFileFromThePosition) {
    const QByteArray pcm = MakePcm16(11025, 2, 5, 22050);
    const QString file = Path("play.wav");
    ASSERT_TRUE(WriteFile(file, MakeWav(pcm, 2, 22050, 16)));
    const TDiskAudio audio(Path("none.raw"), Path("played.raw"));
    TSdlWaveDevice device;
    ASSERT_TRUE(device.Open(file));
    ASSERT_TRUE(device.Play(200)) << device.LastError().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return device.Mode() != wmPlaying; }));
    device.Close();
    // The device plays whole buffers: the file's audio from the position (4410 frames in)
    // comes first. SDL's own silence may come before it: its audio thread can run once while
    // the device is still paused, right after opening (on a slow build, such as one under
    // ThreadSanitizer).
    const QByteArray rest = pcm.mid(4410 * 4);
    QByteArray played = ReadFile(Path("played.raw"));
    while (played.startsWith(QByteArray(4, '\0')))
        played.remove(0, 4);
    ASSERT_GE(played.size(), rest.size());
    EXPECT_EQ(played.left(rest.size()), rest);
}

TEST_F(WaveDeviceTest, WithoutACaptureDeviceRecordFailsWithTheReason) {
    const QString file = Path("empty.wav");
    ASSERT_TRUE(WriteFile(file, MakeWav(QByteArray(), 1, 44100, 16)));
    {
        // The disk driver's capture device cannot open a missing input file.
        const TDiskAudio audio(Path("missing.raw"), Path("out.raw"));
        TSdlWaveDevice device;
        ASSERT_TRUE(device.Open(file));
        EXPECT_FALSE(device.Record(0, 1000));
        EXPECT_FALSE(device.LastError().isEmpty());
        EXPECT_EQ(device.Mode(), wmStopped);
        EXPECT_FALSE(device.HasRecording());
    }
    {
        // SDL's dummy driver captures silence only: it counts as no device.
        qputenv("SDL_AUDIODRIVER", "dummy");
        TSdlWaveDevice device;
        ASSERT_TRUE(device.Open(file));
        EXPECT_FALSE(device.Record(0, 1000));
        EXPECT_FALSE(device.LastError().isEmpty());
        qunsetenv("SDL_AUDIODRIVER");
    }
    EXPECT_TRUE(LeftOvers().isEmpty());
    EXPECT_EQ(ReadFile(file), MakeWav(QByteArray(), 1, 44100, 16));

    // Files the device cannot record into are refused when opened.
    ASSERT_TRUE(WriteFile(Path("junk.wav"), QByteArray(64, 'x')));
    TSdlWaveDevice device;
    EXPECT_FALSE(device.Open(Path("junk.wav")));
    EXPECT_FALSE(device.Open(Path("absent.wav")));
    EXPECT_FALSE(device.IsOpen());
}

TEST_F(WaveDeviceTest, ARecordingNeverSavedIsKeptInAFileOfItsOwn) {
    const QByteArray input = MakePcm16(22050, 1, 9, 22050);
    ASSERT_TRUE(WriteFile(Path("in.raw"), input));
    const QString file = Path("keep.wav");
    ASSERT_TRUE(WriteFile(file, MakeWav(QByteArray(), 1, 22050, 16)));
    const TDiskAudio audio(Path("in.raw"), Path("out.raw"));
    TSdlWaveDevice device;
    ASSERT_TRUE(device.Open(file));
    ASSERT_TRUE(device.Record(0, 1000));
    ASSERT_TRUE(WaitUntil([&] { return device.Mode() != wmRecording; }));
    device.Close();
    ASSERT_FALSE(device.KeptRecording().isEmpty());
    EXPECT_EQ(ReadFile(device.KeptRecording()), MakeWav(input, 1, 22050, 16));
    EXPECT_EQ(ReadFile(file), MakeWav(QByteArray(), 1, 22050, 16));
}

} // namespace
