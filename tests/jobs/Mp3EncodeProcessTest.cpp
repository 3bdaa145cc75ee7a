// TMp3EncodeProcess with the real lame on short generated WAV files: progress and end events,
// the overwrite question and in-use test, decoding, exit status, Kill and a missing lame.
#include "JobEvents.h"
#include "app/Helpers.h"
#include "app/Settings.h"
#include "jobs/Mp3EncodeThread.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

int OpenDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

bool ChildIsGone(pid_t pid) {
    // Neither running nor left as a zombie of ours.
    return kill(pid, 0) == -1 && errno == ESRCH && waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

class Mp3EncodeProcessTest : public testing::Test {
protected:
    void SetUp() override {
        if (FindLame().isEmpty())
            GTEST_SKIP() << "lame is not installed";
        SetPrompter(&Prompter);
        Wav = Folder.File(QStringLiteral("a 50% mix #1.wav"));
        ASSERT_TRUE(WriteFile(Wav, MakeWav(MakePcm16(44100 * 5, 2, 7), 2, 44100, 16)));
        Process.NotifyWindow = &Window;
    }
    void TearDown() override { SetPrompter(nullptr); }

    void Run(bool encode, const QString& in, const QString& out, uint8_t jobKind = 2) {
        Window.Events.clear();
        Process.Encode = encode;
        Process.InputFile = in;
        Process.OutputFile = out;
        Process.JobKind = jobKind;
        Process.Active = true;
        Process.Start();
        ASSERT_TRUE(WaitUntil([&] { return Window.HasEnd(2000); }));
        Drain(50);
    }

    TTempProgramFolder Folder;
    TScriptedPrompter Prompter;
    TEventRecorder Window;
    TMp3EncodeProcess Process;
    QString Wav;
};

} // namespace

TEST_F(Mp3EncodeProcessTest, EncodeReportsRisingProgressThenTheEnd) {
    const int descriptors = OpenDescriptors();
    const QString mp3 = Folder.File(QStringLiteral("out #2 100%.mp3"));
    Run(true, Wav, mp3);
    ASSERT_FALSE(Window.Events.empty());
    const TRecordedEvent& last = Window.Events.back();
    EXPECT_EQ(last.Code, 2000);
    EXPECT_EQ(last.Status, 2);
    const std::vector<int32_t> codes = Window.ProgressCodes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.size() + 1, Window.Events.size()); // nothing but progress before the end
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_EQ(codes.back(), 100);
    EXPECT_EQ(Process.ProgressColumn, 15); // not fooled by the "%" in the echoed names
    EXPECT_EQ(Process.LastExitCode, 0);
    EXPECT_EQ(Process.LastSignal, 0);
    EXPECT_FALSE(Process.Running());
    EXPECT_TRUE(Process.Active); // only Kill clears it
    EXPECT_GT(FileSizeOf(mp3), 60000);
    EXPECT_TRUE(Prompter.Shown().isEmpty());
    EXPECT_EQ(OpenDescriptors(), descriptors);

    // The job window's final clean-up kills a child that has already gone.
    Process.Kill(0);
    EXPECT_FALSE(Process.Active);
    Process.Kill(0);

    // Decoding the result.
    const QString wav = Folder.File(QStringLiteral("back #3.wav"));
    Run(false, mp3, wav, 3);
    EXPECT_EQ(Window.Events.back().Code, 2000);
    EXPECT_EQ(Window.Events.back().Status, 2);
    const std::vector<int32_t> decoded = Window.ProgressCodes();
    ASSERT_FALSE(decoded.empty());
    EXPECT_EQ(decoded.back(), 100);
    EXPECT_TRUE(std::is_sorted(decoded.begin(), decoded.end()));
    EXPECT_EQ(Process.ProgressColumn, 7);
    const QByteArray pcm = ReadFile(wav);
    EXPECT_TRUE(pcm.startsWith("RIFF"));
    EXPECT_NEAR(double(pcm.size()), 44.0 + 44100 * 5 * 4, 44100 * 4 * 0.05);
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(Mp3EncodeProcessTest, ExistingOutputAsksAndRespectsTheAnswer) {
    const QString mp3 = Folder.File(QStringLiteral("old.mp3"));
    ASSERT_TRUE(WriteFile(mp3, "keep me"));

    Prompter.Queue(TPromptAnswer::No);
    Run(true, Wav, mp3, 2);
    ASSERT_EQ(Window.Events.size(), 1u);
    EXPECT_EQ(Window.Events[0].Code, 2000);
    EXPECT_EQ(Window.Events[0].Status, 0);
    EXPECT_EQ(Prompter.Shown(), QStringList{mp3 + QStringLiteral(" has existed,overite it?")});
    EXPECT_EQ(Prompter.Icons(), QList<TPromptIcon>{TPromptIcon::Information});
    EXPECT_EQ(ReadFile(mp3), QByteArray("keep me"));

    {
        QFile holder(mp3); // another program holds the file open
        ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
        Prompter.Queue(TPromptAnswer::Yes);
        Run(true, Wav, mp3, 3);
        ASSERT_EQ(Window.Events.size(), 1u);
        EXPECT_EQ(Window.Events[0].Status, 1);
        EXPECT_EQ(ReadFile(mp3), QByteArray("keep me"));
    }

    Prompter.Queue(TPromptAnswer::Yes);
    Run(true, Wav, mp3, 2);
    EXPECT_EQ(Window.Events.back().Status, 2);
    EXPECT_GT(FileSizeOf(mp3), 60000);

    // Rips and recordings overwrite without a question.
    for (uint8_t kind : {1, 4}) {
        const int asked = int(Prompter.Shown().size());
        ASSERT_TRUE(WriteFile(mp3, "x"));
        Run(true, Wav, mp3, kind);
        EXPECT_EQ(int(Prompter.Shown().size()), asked);
        EXPECT_EQ(Window.Events.back().Status, 2);
        EXPECT_GT(FileSizeOf(mp3), 60000);
    }
}

TEST_F(Mp3EncodeProcessTest, FailingEncoderStillEndsAndRecordsItsExitCode) {
    Run(false, Folder.File(QStringLiteral("missing.mp3")), Folder.File(QStringLiteral("o.wav")), 3);
    EXPECT_TRUE(Window.ProgressCodes().empty());
    EXPECT_EQ(Window.Events.back().Status, 2);
    EXPECT_NE(Process.LastExitCode, 0);
    EXPECT_NE(Process.LastExitCode, -1);
    EXPECT_FALSE(Process.LastCrashed);
}

TEST_F(Mp3EncodeProcessTest, KillMidRunLeavesNoChildAndNoEndEvent) {
    // lame blocks opening a FIFO that nobody writes: a run that never ends by itself.
    const QString fifo = Folder.File(QStringLiteral("never.wav"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    Window.Events.clear();
    Process.Encode = true;
    Process.InputFile = fifo;
    Process.OutputFile = Folder.File(QStringLiteral("never.mp3"));
    Process.JobKind = 2;
    Process.Active = true;
    const int descriptors = OpenDescriptors();
    Process.Start();
    const pid_t pid = Process.ProcessInformation.ProcessId;
    ASSERT_GT(pid, 0);
    Drain(200);
    EXPECT_EQ(kill(pid, 0), 0);
    Process.Kill(0);
    EXPECT_FALSE(Process.Active);
    EXPECT_FALSE(Process.Running());
    EXPECT_TRUE(ChildIsGone(pid));
    EXPECT_EQ(Process.LastSignal, SIGKILL);
    EXPECT_FALSE(Process.LastCrashed);
    Drain(300);
    EXPECT_TRUE(Window.Events.empty());
    Process.Kill(0); // not Active: nothing happens
    EXPECT_LT(OpenDescriptors(), descriptors + 1);
}

TEST_F(Mp3EncodeProcessTest, MissingLameRaisesTheCreateProcessError) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(Folder.Path()));
    Process.Encode = true;
    Process.InputFile = Wav;
    Process.OutputFile = Folder.File(QStringLiteral("o.mp3"));
    Process.JobKind = 2;
    Process.Active = true;
    try {
        Process.Start();
        ADD_FAILURE() << "no exception";
    } catch (const EEncodeProcess& e) {
        EXPECT_STREQ(e.what(), "Error while creating mp3 encoding process!2");
    }
    qputenv("PATH", path);
    EXPECT_EQ(Process.StdOutRead, -1);
    EXPECT_EQ(Process.StdInWrite, -1);
    EXPECT_FALSE(Process.Running());
    Drain(100);
    EXPECT_TRUE(Window.Events.empty());
}

TEST_F(Mp3EncodeProcessTest, ChildEndedBySignalIsRecordedAsCrash) {
    const QString fifo = Folder.File(QStringLiteral("stuck.wav"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    Process.Encode = true;
    Process.InputFile = fifo;
    Process.OutputFile = Folder.File(QStringLiteral("stuck.mp3"));
    Process.JobKind = 2;
    Process.Active = true;
    Process.Start();
    ASSERT_GT(Process.ProcessInformation.ProcessId, 0);
    Drain(100);
    kill(Process.ProcessInformation.ProcessId, SIGSEGV);
    ASSERT_TRUE(WaitUntil([&] { return Window.HasEnd(2000); }));
    EXPECT_EQ(Window.Events.back().Status, 2);
    EXPECT_TRUE(Process.LastCrashed);
    EXPECT_EQ(Process.LastSignal, SIGSEGV);
    EXPECT_EQ(Process.LastExitCode, -1);
    EXPECT_TRUE(Process.Active);
}
