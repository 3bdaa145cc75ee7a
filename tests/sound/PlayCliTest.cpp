// discwright-cli play, run as a program over SDL's disk driver: an Ogg file played exactly,
// balance, seek and --seconds, a CD track of a disc image, and the errors.
#include "fixtures/DiscImage.h"
#include "sound/SoundTestSupport.h"
#include "support/TestSupport.h"
#include "vorbis/VorbisTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class PlayCliTest : public ::testing::Test {
protected:
    QString MakeOgg(const QString& name, int frames) {
        const QString wav = Folder.File(name + ".wav");
        if (!WriteFile(wav, MakeWav(MakePcm16(frames, 2, 21), 2, 44100, 16)))
            return QString();
        return MakeOggWithOggenc(wav, Folder.File(name + ".ogg"), {"-q", "2"});
    }
    QString LastLine(const TRunResult& r) const {
        return QString::fromLocal8Bit(r.Err).trimmed().split('\n').constLast();
    }

    TTempProgramFolder Folder;
};

int16_t SampleAt(const QByteArray& pcm, qsizetype frame, int channel) {
    int16_t s = 0;
    std::memcpy(&s, pcm.constData() + frame * 4 + channel * 2, 2);
    return s;
}

} // namespace

TEST_F(PlayCliTest, PlaysAnOggFileExactly) {
    const QString ogg = MakeOgg("song", 44100);
    ASSERT_FALSE(ogg.isEmpty());
    TDiskAudio disk;
    const TRunResult r = RunCli(Folder.Path(), {"play", ogg});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_TRUE(r.Out.isEmpty());
    EXPECT_TRUE(r.Err.contains("0:01")) << r.Err.constData(); // elapsed / total on standard error
    // With the player's 80 ms ring a busy machine may cause an underrun: silence, nothing lost.
    EXPECT_TRUE(WithoutSilence(disk.Played(), 4) == WithoutSilence(DecodeWithOggdec(ogg), 4));
}

TEST_F(PlayCliTest, BalanceSeekAndSeconds) {
    const QString ogg = MakeOgg("long", 4 * 44100);
    ASSERT_FALSE(ogg.isEmpty());
    const QByteArray decoded = DecodeWithOggdec(ogg);
    {
        // Right only, stopped after a second (of a four-second file).
        TDiskAudio disk;
        const TRunResult r = RunCli(Folder.Path(), {"play", ogg, "--balance", "1", "--seconds", "1"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
        const QByteArray played = TrimSilence(disk.Played(), 4);
        ASSERT_FALSE(played.isEmpty());
        EXPECT_LT(played.size(), decoded.size());
        bool rightSounds = false;
        for (qsizetype f = 0; f < played.size() / 4; ++f) {
            ASSERT_EQ(SampleAt(played, f, 0), 0) << f;
            rightSounds = rightSounds || SampleAt(played, f, 1) != 0;
        }
        EXPECT_TRUE(rightSounds);
    }
    {
        // Once playing, move to 75 %: the output ends with the file's end and skips the middle.
        TDiskAudio disk;
        const TRunResult r = RunCli(Folder.Path(), {"play", ogg, "--seek", "75"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
        const QByteArray played = WithoutSilence(disk.Played(), 4);
        const QByteArray whole = WithoutSilence(decoded, 4);
        EXPECT_LT(played.size(), whole.size() / 2);
        EXPECT_TRUE(whole.endsWith(played.right(44100)));
        EXPECT_TRUE(whole.startsWith(played.left(4410)));
    }
}

TEST_F(PlayCliTest, PlaysACdTrackOfADiscImage) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{75}, {90}, {60}});
    TDiskAudio disk;
    const TRunResult r = RunCli(Folder.Path(), {"play", "--image", disc.CuePath, "--track", "2"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_TRUE(WithoutSilence(disk.Played(), 4) == WithoutSilence(disc.TrackData[1], 4));
}

TEST_F(PlayCliTest, ErrorsAreOneClearLine) {
    const QString ogg = MakeOgg("short", 4410);
    ASSERT_FALSE(ogg.isEmpty());
    {
        TDiskAudio none("dummy");
        const TRunResult r = RunCli(Folder.Path(), {"play", ogg});
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_TRUE(LastLine(r).startsWith("discwright-cli: Failed to create sound device: ")) << r.Err.constData();
    }
    const QString wav = Folder.File("short.wav");
    TRunResult r = RunCli(Folder.Path(), {"play", wav});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(LastLine(r), "discwright-cli: " + wav + ": Ogg file is not valid.");
    r = RunCli(Folder.Path(), {"play", Folder.File("missing.ogg")});
    EXPECT_EQ(r.ExitCode, 1);
    // Usage errors: nothing to play, a balance out of range, a track number for a file.
    for (const QStringList& args : {QStringList{"play"}, QStringList{"play", ogg, "--balance", "1.5"},
                                    QStringList{"play", ogg, "--track", "1"}}) {
        r = RunCli(Folder.Path(), args);
        EXPECT_EQ(r.ExitCode, 2) << args.join(' ').toStdString();
    }
    r = RunCli(Folder.Path(), {"play", "--help"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Out.contains("--seconds"));
}
