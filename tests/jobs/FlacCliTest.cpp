// discwright-cli encode flac, decode flac, convert wav2flac|flac2wav and tag show of any file,
// run as a user would: bit-exact round trips (CD audio and 24-bit surround), outputs that are
// kept without --yes, input that is no FLAC, and the tags of files other programs wrote.
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

class FlacCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindTool("flac").isEmpty() || FindTool("metaflac").isEmpty())
            GTEST_SKIP() << "flac is not installed";
    }
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), args); }
    QString File(const QString& name) const { return Folder.File(name); }
    TTempProgramFolder Folder;
};

// 24-bit 5.1 at 96 kHz in WAVE_FORMAT_EXTENSIBLE, from a seeded generator.
QByteArray SurroundWav(QByteArray& pcm) {
    QRandomGenerator random(42);
    pcm.resize(6 * 3 * 9601);
    for (qsizetype i = 0; i < pcm.size(); ++i)
        pcm[i] = char(random.bounded(256));
    return "RIFF" + Le32(uint32_t(60 + pcm.size())) + "WAVEfmt " + Le32(40) + Le16(0xFFFE) + Le16(6) + Le32(96000) +
           Le32(96000 * 18) + Le16(18) + Le16(24) + Le16(22) + Le16(24) + Le32(0x3F) + Le32(1) +
           QByteArray::fromHex("00001000800000aa00389b71") + "data" + Le32(uint32_t(pcm.size())) + pcm;
}

} // namespace

TEST_F(FlacCliTest, ConversionsRoundTripBitExactly) {
    const QByteArray cd = MakePcm16(44100 * 2, 2, 11);
    QByteArray surround;
    ASSERT_TRUE(WriteFile(File("cd.wav"), MakeWav(cd, 2, 44100, 16)));
    ASSERT_TRUE(WriteFile(File("surround.wav"), SurroundWav(surround)));
    const TRunResult encoded = Cli({"convert", "wav2flac", File("cd.wav"), File("surround.wav"), "--out", File("f")});
    ASSERT_EQ(encoded.ExitCode, 0) << encoded.Err.toStdString();
    EXPECT_EQ(encoded.Out, (File("f/cd.flac") + '\n' + File("f/surround.flac") + '\n').toUtf8());
    EXPECT_EQ(RunProgram(FindTool("flac"), {"-t", "-s", File("f/cd.flac"), File("f/surround.flac")}).ExitCode, 0);

    const TRunResult decoded =
        Cli({"convert", "flac2wav", File("f/cd.flac"), File("f/surround.flac"), "--out", File("w")});
    ASSERT_EQ(decoded.ExitCode, 0) << decoded.Err.toStdString();
    EXPECT_TRUE(ReadFile(File("w/cd.wav")) == MakeWav(cd, 2, 44100, 16));
    EXPECT_TRUE(ReadFile(File("w/surround.wav")).endsWith(surround));
    const TRunResult info = Cli({"wav", "info", File("w/surround.wav")});
    EXPECT_TRUE(info.Out.contains("channels: 6\nsample rate: 96000\nbits per sample: 24\n")) << info.Out.constData();

    // encode and decode with the options of the settings, one file each.
    const TRunResult level8 = Cli({"--set", "FlacOptions/Level=8", "encode", "flac", File("cd.wav"), File("cd8.flac")});
    ASSERT_EQ(level8.ExitCode, 0) << level8.Err.toStdString();
    EXPECT_LT(QFileInfo(File("cd8.flac")).size(), QFileInfo(File("f/cd.flac")).size() + 1);
    ASSERT_EQ(Cli({"decode", "flac", File("cd8.flac"), File("back.wav")}).ExitCode, 0);
    EXPECT_TRUE(ReadFile(File("back.wav")) == MakeWav(cd, 2, 44100, 16));
}

TEST_F(FlacCliTest, OutputsAreKeptAndBadInputIsNamed) {
    ASSERT_TRUE(WriteFile(File("cd.wav"), MakeWav(MakePcm16(4410, 2, 1), 2, 44100, 16)));
    ASSERT_TRUE(WriteFile(File("out.flac"), "mine"));
    TRunResult r = Cli({"encode", "flac", File("cd.wav"), File("out.flac")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("use --yes")) << r.Err.toStdString();
    EXPECT_EQ(ReadFile(File("out.flac")), QByteArray("mine"));
    ASSERT_EQ(Cli({"--yes", "encode", "flac", File("cd.wav"), File("out.flac")}).ExitCode, 0);

    ASSERT_TRUE(WriteFile(File("text.flac"), "plain words, no audio"));
    r = Cli({"decode", "flac", File("text.flac"), File("text.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains((File("text.flac") + ": not a FLAC file").toUtf8())) << r.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(File("text.wav")));
    r = Cli({"convert", "flac2wav", File("text.flac"), "--out", File("w")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(QDir(File("w")).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(Cli({"encode", "flac", File("cd.wav")}).ExitCode, 2);

    // tag show reads any file's tags; a file it cannot read is named.
    ASSERT_EQ(
        RunProgram(FindTool("metaflac"), {"--set-tag=TITLE=Ünder", "--set-tag=ARTIST=Band", File("out.flac")}).ExitCode,
        0);
    r = Cli({"tag", "show", File("out.flac")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.Out),
              QString::fromUtf8("format: FLAC\ntags: Vorbis comments\nARTIST: Band\nTITLE: Ünder\n"));
    r = Cli({"tag", "show", File("text.flac")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains(File("text.flac").toUtf8())) << r.Err.toStdString();
}
