// TMp3EncodeProcess with the real lame on short generated WAV files: progress and end events,
// the overwrite question and in-use test, decoding, why a run failed (exit code, crash, a full
// disk), Kill, a receiver that goes away, and a missing lame.
#include "JobEvents.h"
#include "core/Helpers.h"
#include "core/Settings.h"
#include "jobs/Mp3EncodeThread.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <memory>
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
        Process.NotifyWindow = Window.Guard.Handle();
    }
    void TearDown() override { SetPrompter(nullptr); }

    void Start(bool encode, const QString& in, const QString& out, TJobKind jobKind = TJobKind::WavToMp3) {
        Window.Events.clear();
        Process.Encode = encode;
        Process.InputFile = in;
        Process.OutputFile = out;
        Process.JobKind = jobKind;
        Process.Active = true;
        Process.Start();
    }
    // A run to its end; `sizeLimit` > 0 makes lame's disk full after that many bytes.
    void Run(bool encode, const QString& in, const QString& out, TJobKind jobKind = TJobKind::WavToMp3,
             rlim_t sizeLimit = 0) {
        {
            std::unique_ptr<TFileSizeLimit> limit;
            if (sizeLimit > 0)
                limit = std::make_unique<TFileSizeLimit>(sizeLimit);
            Start(encode, in, out, jobKind);
        }
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
    EXPECT_TRUE(last.Ok);
    EXPECT_TRUE(last.Reason.isEmpty()) << last.Reason.toStdString();
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
    EXPECT_TRUE(Process.WorkFile.isEmpty());
    EXPECT_EQ(FilesIn(Folder.Path()),
              QStringList({QStringLiteral("a 50% mix #1.wav"), QStringLiteral("out #2 100%.mp3")}));
    EXPECT_TRUE(Prompter.Shown().isEmpty());
    EXPECT_EQ(OpenDescriptors(), descriptors);

    // The job window's final clean-up kills a child that has already gone.
    Process.Kill(0);
    EXPECT_FALSE(Process.Active);
    Process.Kill(0);

    // Decoding the result.
    const QString wav = Folder.File(QStringLiteral("back #3.wav"));
    Run(false, mp3, wav, TJobKind::Mp3ToWav);
    EXPECT_EQ(Window.Events.back().Code, 2000);
    EXPECT_EQ(Window.Events.back().Status, 2);
    EXPECT_TRUE(Window.Events.back().Ok) << Window.Events.back().Reason.toStdString();
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
    Run(true, Wav, mp3, TJobKind::WavToMp3);
    ASSERT_EQ(Window.Events.size(), 1u);
    EXPECT_EQ(Window.Events[0].Code, 2000);
    EXPECT_EQ(Window.Events[0].Status, 0);
    EXPECT_FALSE(Window.Events[0].Ok);
    EXPECT_EQ(Window.Events[0].Reason, mp3 + QStringLiteral(" exists and was not overwritten."));
    EXPECT_EQ(Prompter.Shown(), QStringList{mp3 + QStringLiteral(" has existed,overite it?")});
    EXPECT_EQ(Prompter.Icons(), QList<TPromptIcon>{TPromptIcon::Information});
    EXPECT_EQ(ReadFile(mp3), QByteArray("keep me"));

    {
        QFile holder(mp3); // another program holds the file open
        ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
        Prompter.Queue(TPromptAnswer::Yes);
        Run(true, Wav, mp3, TJobKind::Mp3ToWav);
        ASSERT_EQ(Window.Events.size(), 1u);
        EXPECT_EQ(Window.Events[0].Status, 1);
        EXPECT_FALSE(Window.Events[0].Ok);
        EXPECT_EQ(Window.Events[0].Reason, mp3 + QStringLiteral(" is in use by another program."));
        EXPECT_EQ(ReadFile(mp3), QByteArray("keep me"));
    }

    Prompter.Queue(TPromptAnswer::Yes);
    Run(true, Wav, mp3, TJobKind::WavToMp3);
    EXPECT_EQ(Window.Events.back().Status, 2);
    EXPECT_TRUE(Window.Events.back().Ok);
    EXPECT_GT(FileSizeOf(mp3), 60000);

    // Rips and recordings overwrite without a question.
    for (TJobKind kind : {TJobKind::RipTracks, TJobKind::RecordingToMp3}) {
        const int asked = int(Prompter.Shown().size());
        ASSERT_TRUE(WriteFile(mp3, "x"));
        Run(true, Wav, mp3, kind);
        EXPECT_EQ(int(Prompter.Shown().size()), asked);
        EXPECT_EQ(Window.Events.back().Status, 2);
        EXPECT_GT(FileSizeOf(mp3), 60000);
    }
}

TEST_F(Mp3EncodeProcessTest, FailedRunsEndOnceWithTheirReasonAndLeaveTheOutputAlone) {
    const QString mp3 = Folder.File(QStringLiteral("good.mp3"));
    Run(true, Wav, mp3);
    ASSERT_TRUE(Window.Events.back().Ok);
    const QByteArray goodMp3 = ReadFile(mp3);
    const QString wav = Folder.File(QStringLiteral("old.wav"));
    ASSERT_TRUE(WriteFile(wav, "keep me"));
    const QStringList files = FilesIn(Folder.Path());

    // lame ends with an error on a missing input and when its MP3 writes fail, but exits 0
    // when its WAV writes fail, leaving a header that announces the whole length. The outputs
    // exist already and are replaced without a question (JobKind 1).
    const struct {
        bool Encode;
        QString Input;
        QString Output;
        rlim_t SizeLimit;
        int ExitCode;
        QString Reason;
    } cases[] = {
        // lame's own last words say why it gave up before it began.
        {false, Folder.File(QStringLiteral("missing.mp3")), wav, 0, 255,
         QStringLiteral("lame exited with code 255. Could not find \"%1\"; Can't init infile '%1'")
             .arg(Folder.File(QStringLiteral("missing.mp3")))},
        {true, Wav, mp3, 20000, 1, QStringLiteral("lame exited with code 1.")},
        {false, mp3, wav, 50000, 0,
         wav + QStringLiteral(" is cut short: its header announces 882000 bytes of audio, the file holds 49956.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Reason.toStdString());
        Run(c.Encode, c.Input, c.Output, TJobKind::RipTracks, c.SizeLimit);
        ASSERT_EQ(Window.EndCount(2000), 1);
        const TRecordedEvent& end = Window.Events.back();
        EXPECT_EQ(end.Status, 2);
        EXPECT_FALSE(end.Ok);
        EXPECT_EQ(end.Reason, c.Reason);
        EXPECT_EQ(Process.LastExitCode, c.ExitCode);
        EXPECT_FALSE(Process.LastCrashed);
        // Neither the half-written file nor a temporary is left; the old outputs are intact.
        EXPECT_EQ(FilesIn(Folder.Path()), files);
        EXPECT_EQ(ReadFile(wav), QByteArray("keep me"));
        EXPECT_EQ(ReadFile(mp3), goodMp3);
    }

    // An output that is the input is refused before any child starts: the result would be
    // renamed over it.
    Process.LastArguments.clear();
    Run(false, mp3, mp3, TJobKind::RipTracks);
    ASSERT_EQ(Window.Events.size(), 1u);
    EXPECT_EQ(Window.Events[0].Status, 2);
    EXPECT_FALSE(Window.Events[0].Ok);
    EXPECT_EQ(Window.Events[0].Reason, mp3 + QStringLiteral(" is the input file and cannot be the output."));
    EXPECT_TRUE(Process.LastArguments.isEmpty());
    EXPECT_EQ(ReadFile(mp3), goodMp3);

    // So is an output whose temporary cannot be created.
    const QString nowhere = Folder.File(QStringLiteral("no such folder/out.mp3"));
    Run(true, Wav, nowhere, TJobKind::RipTracks);
    ASSERT_EQ(Window.Events.size(), 1u);
    EXPECT_EQ(Window.Events[0].Status, 2);
    EXPECT_FALSE(Window.Events[0].Ok);
    EXPECT_EQ(Window.Events[0].Reason, nowhere + QStringLiteral(" could not be written: No such file or directory"));
    EXPECT_TRUE(Process.LastArguments.isEmpty());
    EXPECT_EQ(FilesIn(Folder.Path()), files);
}

TEST_F(Mp3EncodeProcessTest, AnOutputNameOfTheLongestLengthIsWritten) {
    const QString name = QString(251, 'o') + QStringLiteral(".mp3");
    Run(true, Wav, Folder.File(name));
    ASSERT_TRUE(Window.Events.back().Ok) << Window.Events.back().Reason.toStdString();
    EXPECT_GT(FileSizeOf(Folder.File(name)), 60000);
    EXPECT_EQ(FilesIn(Folder.Path()), QStringList({QStringLiteral("a 50% mix #1.wav"), name}));
}

TEST_F(Mp3EncodeProcessTest, KillMidRunLeavesNoChildNoEndEventAndNoFile) {
    // lame reads a FIFO that holds the first part of a WAV file and is kept open: it creates
    // its output, encodes what it has and waits for more, a run that never ends by itself.
    const QString fifo = Folder.File(QStringLiteral("live.wav"));
    const int writer = OpenStalledWavFifo(fifo);
    ASSERT_GE(writer, 0);
    const QString mp3 = Folder.File(QStringLiteral("kept.mp3"));
    ASSERT_TRUE(WriteFile(mp3, "keep me"));
    const int descriptors = OpenDescriptors();
    Start(true, fifo, mp3, TJobKind::RipTracks);
    const pid_t pid = Process.ProcessInformation.ProcessId;
    ASSERT_GT(pid, 0);
    const QString work = Process.WorkFile;
    EXPECT_TRUE(work.startsWith(mp3)) << work.toStdString();
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(work); }));
    EXPECT_EQ(kill(pid, 0), 0);
    Process.Kill(0);
    close(writer);
    EXPECT_FALSE(QFile::exists(work));
    EXPECT_TRUE(Process.WorkFile.isEmpty());
    EXPECT_EQ(ReadFile(mp3), QByteArray("keep me"));
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

TEST_F(Mp3EncodeProcessTest, WindowDestroyedMidRunReceivesNothing) {
    auto* window = new TEventRecorder;
    Process.NotifyWindow = window->Guard.Handle();
    const QString mp3 = Folder.File(QStringLiteral("late.mp3"));
    Start(true, Wav, mp3);
    ASSERT_TRUE(Process.Running());
    delete window;
    // A window opened next will likely get the freed memory; the old run must not reach it.
    TEventRecorder successor;
    ASSERT_TRUE(WaitUntil([&] { return !Process.ReaderThread; }));
    Drain(50);
    EXPECT_TRUE(successor.Events.empty());
    EXPECT_TRUE(Process.LastOk) << Process.LastReason.toStdString();
    EXPECT_GT(FileSizeOf(mp3), 60000);
}

TEST_F(Mp3EncodeProcessTest, MissingLameRaisesTheCreateProcessError) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(Folder.Path()));
    Process.Encode = true;
    Process.InputFile = Wav;
    Process.OutputFile = Folder.File(QStringLiteral("o.mp3"));
    Process.JobKind = TJobKind::WavToMp3;
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
    Process.JobKind = TJobKind::WavToMp3;
    Process.Active = true;
    Process.Start();
    ASSERT_GT(Process.ProcessInformation.ProcessId, 0);
    Drain(100);
    kill(Process.ProcessInformation.ProcessId, SIGSEGV);
    ASSERT_TRUE(WaitUntil([&] { return Window.HasEnd(2000); }));
    EXPECT_EQ(Window.Events.back().Status, 2);
    EXPECT_FALSE(Window.Events.back().Ok);
    EXPECT_EQ(Window.Events.back().Reason, QStringLiteral("lame crashed (signal 11, Segmentation fault)."));
    EXPECT_TRUE(Process.LastCrashed);
    EXPECT_EQ(Process.LastSignal, SIGSEGV);
    EXPECT_EQ(Process.LastExitCode, -1);
    EXPECT_TRUE(Process.Active);
}
