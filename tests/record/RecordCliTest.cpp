// discwright-cli record as a black box, capturing through SDL's disk driver.
#include "record/RecordTestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

TEST(RecordCliTest, RecordsExactlyTheAskedLengthInTheAskedFormat) {
    TTempProgramFolder folder;
    const QByteArray input = MakeTestPcm(22050 * 2, 1, 22050, 8, 11);
    ASSERT_TRUE(WriteFile(folder.File("in.raw"), input));
    const TDiskAudio audio(folder.File("in.raw"), folder.File("out.raw"));
    const QString out = folder.File("take.wav");
    const TRunResult r =
        RunCli(folder.Path(), {"record", out, "--seconds", "2", "--rate", "22050", "--bits", "8", "--channels", "1"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_EQ(ReadFile(out), MakeWav(input, 1, 22050, 8));
    EXPECT_EQ(r.Out.trimmed(), out.toLocal8Bit());
    // The recorder's scratch files are gone.
    EXPECT_FALSE(QFileInfo::exists(folder.File("MyTemp.wav")));
    EXPECT_FALSE(QFileInfo::exists(folder.File("MyNoName.wav")));

    // An existing output is kept without --yes.
    const TRunResult again = RunCli(folder.Path(), {"record", out, "--seconds", "1"});
    EXPECT_EQ(again.ExitCode, 1);
    EXPECT_TRUE(again.Err.contains("--yes")) << again.Err.constData();
    EXPECT_EQ(ReadFile(out), MakeWav(input, 1, 22050, 8));

    EXPECT_EQ(RunCli(folder.Path(), {"record", "--help"}).ExitCode, 0);
    EXPECT_EQ(RunCli(folder.Path(), {"record", out, "--seconds", "1", "--bits", "24"}).ExitCode, 2);
    EXPECT_EQ(RunCli(folder.Path(), {"record", folder.File("x.mp3"), "--seconds", "1"}).ExitCode, 2);
}

TEST(RecordCliTest, Mp3ExportAndNoCaptureDevice) {
    TTempProgramFolder folder;
    const QByteArray input = MakeTestPcm(44100, 2, 44100, 16, 12);
    ASSERT_TRUE(WriteFile(folder.File("in.raw"), input));
    const QString out = folder.File("voice.wav");
    {
        const TDiskAudio audio(folder.File("in.raw"), folder.File("out.raw"));
        if (!FindTool("lame").isEmpty()) {
            const TRunResult r = RunCli(folder.Path(), {"record", out, "--seconds", "1", "--mp3"});
            ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
            EXPECT_EQ(ReadFile(out), MakeWav(input, 2, 44100, 16));
            EXPECT_GT(ReadFile(folder.File("voice.mp3")).size(), 1000);
        }
    }
    const TDiskAudio noDevice(folder.File("missing.raw"), folder.File("out.raw"));
    const TRunResult r = RunCli(folder.Path(), {"record", folder.File("none.wav"), "--seconds", "1"});
    EXPECT_EQ(r.ExitCode, 1);
    // One error line: the device's message with the reason on it.
    EXPECT_TRUE(r.Err.startsWith("discwright-cli: Error while initializing MCI device! ")) << r.Err.constData();
    EXPECT_EQ(r.Err.count('\n'), 1) << r.Err.constData();
    EXPECT_FALSE(QFileInfo::exists(folder.File("none.wav")));
    EXPECT_FALSE(QFileInfo::exists(folder.File("MyNoName.wav")));
}

} // namespace
