// discwright-cli encode mp3 / decode mp3 / encode wma, run as a user would.
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class EncoderCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        if (FindTool(QStringLiteral("lame")).isEmpty())
            GTEST_SKIP() << "lame is not installed";
        Wav = Folder.File(QStringLiteral("in.wav"));
        ASSERT_TRUE(WriteFile(Wav, MakeWav(MakePcm16(44100 * 2, 2, 4), 2, 44100, 16)));
    }
    TTempProgramFolder Folder;
    QString Wav;
};

} // namespace

TEST_F(EncoderCommandsTest, Mp3RoundTripAndOverwriteRule) {
    const QString mp3 = Folder.File(QStringLiteral("out.mp3"));
    TRunResult r = RunCli(Folder.Path(), {"--set", "Mp3Options/StereoMode=4", "encode", "mp3", Wav, mp3});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("lame.exe -b 128 -m m")) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("100%")) << r.Err.constData();
    const QByteArray first = ReadFile(mp3);
    EXPECT_GT(first.size(), 20000);

    r = RunCli(Folder.Path(), {"encode", "mp3", Wav, mp3});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("has existed,overite it? [no]")) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("not overwriting")) << r.Err.constData();
    EXPECT_EQ(ReadFile(mp3), first);
    r = RunCli(Folder.Path(), {"--yes", "encode", "mp3", Wav, mp3});
    EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();

    const QString back = Folder.File(QStringLiteral("back.wav"));
    r = RunCli(Folder.Path(), {"decode", "mp3", mp3, back});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_TRUE(ReadFile(back).startsWith("RIFF"));
}

TEST_F(EncoderCommandsTest, BadInputsGiveOneLineErrors) {
    const QString text = Folder.File(QStringLiteral("notes.wav"));
    ASSERT_TRUE(WriteFile(text, "plain text"));
    const struct {
        QStringList Args;
        const char* Message;
    } cases[] = {
        {{"encode", "mp3", Folder.File("none.wav"), Folder.File("o.mp3")}, "cannot read"},
        {{"encode", "mp3", text, Folder.File("o.mp3")}, "is not a WAV file"},
        {{"decode", "mp3", text, Folder.File("o.wav")}, "is not an MP3 file"},
        {{"encode", "mp3", Wav, Wav}, "the output file is the input file"},
        {{"encode", "wma", text, Folder.File("o.wma")}, "ERROR: not a WAV file"},
        {{"encode", "mp3", Wav}, "expected"},
    };
    for (const auto& c : cases) {
        const TRunResult r = RunCli(Folder.Path(), c.Args);
        EXPECT_NE(r.ExitCode, 0) << c.Message;
        EXPECT_TRUE(r.Err.contains(c.Message)) << c.Message << ": " << r.Err.constData();
    }
    EXPECT_FALSE(QFile::exists(Folder.File("o.mp3")));
    EXPECT_FALSE(QFile::exists(Folder.File("o.wma")));
}

TEST_F(EncoderCommandsTest, WmaUsesTheChosenSettingAndTags) {
    const QString wma = Folder.File(QStringLiteral("out.wma"));
    const TRunResult r = RunCli(Folder.Path(), {"--set", "WMAOptions/BitRate=24", "--set", "ID3/Use=1", "encode", "wma",
                                                "--artist", "-a b", "--comment=--c d", Wav, wma});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("-a_setting 16_16_1 -author -a b -description --c d")) << r.Err.constData();
    const QString probe = FindTool(QStringLiteral("ffprobe"));
    if (probe.isEmpty())
        return;
    const TRunResult p =
        RunProgram(probe, {"-v", "error", "-show_entries", "stream=sample_rate,channels:format_tags=artist,comment",
                           "-of", "csv=p=0", wma});
    EXPECT_EQ(p.Out, QByteArray("16000,1\n-a b,--c d\n"));
}
