// TWMAEncodeProcess with the real wm8eutil: the sent end events, the missing utility, error
// lines and a full disk (one end event each), metadata passed as single arguments, the
// overwrite question and Kill.
#include "JobEvents.h"
#include "core/DiscInfo.h"
#include "core/Helpers.h"
#include "core/Settings.h"
#include "jobs/WMAEncodeThread.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

class WmaEncodeProcessTest : public testing::Test {
protected:
    void SetUp() override {
        SavedPath = qgetenv("PATH");
        // The test programs live apart from the built executables; reach wm8eutil through PATH.
        qputenv("PATH", QFile::encodeName(BinDir()) + ':' + SavedPath);
        ASSERT_FALSE(FindWmaEncoder().isEmpty()) << "wm8eutil not built in " << BinDir().toStdString();
        SetPrompter(&Prompter);
        Wav = Folder.File(QStringLiteral("in put.wav"));
        ASSERT_TRUE(WriteFile(Wav, MakeWav(MakePcm16(44100, 2, 3), 2, 44100, 16)));
        Process.NotifyWindow = Window.Guard.Handle();
        // Events that arrive while Start is still running were sent, not posted.
        Window.OnEvent = [this](const TRecordedEvent&) { ArrivedDuringStart += InStart ? 1 : 0; };
    }
    void TearDown() override {
        SetPrompter(nullptr);
        qputenv("PATH", SavedPath);
    }

    void Start(const QString& in, const QString& out, TJobKind jobKind = TJobKind::WavToWma) {
        Window.Events.clear();
        ArrivedDuringStart = 0;
        Process.InputFile = in;
        Process.OutputFile = out;
        Process.JobKind = jobKind;
        Process.Active = true;
        InStart = true;
        Process.Start();
        InStart = false;
    }
    void Run(const QString& in, const QString& out, TJobKind jobKind = TJobKind::WavToWma) {
        Start(in, out, jobKind);
        ASSERT_TRUE(WaitUntil([&] { return Window.HasEnd(5000); }));
        Drain(50);
    }

    QByteArray SavedPath;
    TTempProgramFolder Folder;
    TScriptedPrompter Prompter;
    TEventRecorder Window;
    TWMAEncodeProcess Process;
    QString Wav;
    bool InStart = false;
    int ArrivedDuringStart = 0;
};

QString Probe(const QString& file, const QString& entries) {
    const TRunResult r = RunProgram(FindTool(QStringLiteral("ffprobe")),
                                    {"-v", "error", "-show_entries", entries, "-of", "default=nw=1", file});
    return QString::fromUtf8(r.Out);
}

} // namespace

TEST_F(WmaEncodeProcessTest, EncodeReportsCompletionThenSendsTheEnd) {
    const QString wma = Folder.File(QStringLiteral("out 100%.wma"));
    Run(Wav, wma);
    ASSERT_EQ(Window.Events.size(), 2u);
    EXPECT_EQ(Window.Events[0].Code, 100);
    EXPECT_EQ(Window.Events[0].Elapsed, QStringLiteral("00:01")); // under a second counts as one
    EXPECT_EQ(Window.Events[0].Estimated, QStringLiteral("00:01"));
    EXPECT_EQ(Window.Events[1].Code, 5000);
    EXPECT_EQ(Window.Events[1].Status, 2);
    EXPECT_TRUE(Window.Events[1].Ok) << Window.Events[1].Reason.toStdString();
    EXPECT_TRUE(Window.Events[1].Reason.isEmpty());
    EXPECT_EQ(FilesIn(Folder.Path()), QStringList({QStringLiteral("in put.wav"), QStringLiteral("out 100%.wma")}));
    EXPECT_EQ(Process.LastExitCode, 0);
    EXPECT_EQ(Probe(wma, "stream=codec_name,sample_rate,channels"),
              QStringLiteral("codec_name=wmav2\nsample_rate=44100\nchannels=2\n"));
    Process.Kill(0); // harmless after the end
}

TEST_F(WmaEncodeProcessTest, MissingUtilityShowsTheBoxAndSendsStatusZero) {
    qputenv("PATH", QFile::encodeName(Folder.Path()));
    Start(Wav, Folder.File(QStringLiteral("o.wma")));
    ASSERT_EQ(Window.Events.size(), 1u);
    EXPECT_EQ(ArrivedDuringStart, 1);
    EXPECT_EQ(Window.Events[0].Code, 5000);
    EXPECT_EQ(Window.Events[0].Status, 0);
    EXPECT_FALSE(Window.Events[0].Ok);
    EXPECT_EQ(Window.Events[0].Reason, NoWmaEncoderText());
    ASSERT_EQ(Prompter.Shown().size(), 1);
    EXPECT_TRUE(Prompter.Shown()[0].startsWith(QStringLiteral("Can not find WMA encoder,please contact with ")));
    EXPECT_EQ(Prompter.Icons(), QList<TPromptIcon>{TPromptIcon::Information});
    EXPECT_FALSE(Process.Running());
    EXPECT_EQ(Process.StdOutRead, -1);
}

TEST_F(WmaEncodeProcessTest, ErrorLineOrFullDiskEndTheRunOnceAndLeaveTheOutputAlone) {
    const QString notWav = Folder.File(QStringLiteral("notes.wav"));
    ASSERT_TRUE(WriteFile(notWav, "this is text, not audio"));
    const QString wma = Folder.File(QStringLiteral("o.wma"));
    ASSERT_TRUE(WriteFile(wma, "old"));
    const QStringList files = FilesIn(Folder.Path());
    const struct {
        QString Input;
        rlim_t SizeLimit;
        QString Line;
    } cases[] = {
        {notWav, 0, QStringLiteral("ERROR: not a WAV file: ") + notWav},
        {Wav, 4000, QStringLiteral("ERROR: writing the output file: File too large")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line.toStdString());
        {
            const TFileSizeLimit limit(c.SizeLimit > 0 ? c.SizeLimit : RLIM_INFINITY);
            Start(c.Input, wma, TJobKind::RipTracks);
        }
        ASSERT_TRUE(WaitUntil([&] { return Window.HasEnd(5000); }));
        Drain(100);
        // One end event, after the utility has gone: the error line is its Status 8.
        ASSERT_EQ(Window.EndCount(5000), 1);
        const TRecordedEvent& end = Window.Events.back();
        EXPECT_EQ(end.Status, 8);
        EXPECT_EQ(end.Elapsed, c.Line);
        EXPECT_FALSE(end.Ok);
        EXPECT_EQ(end.Reason, QStringLiteral("wm8eutil: ") + c.Line);
        EXPECT_FALSE(Process.Running());
        EXPECT_EQ(Process.LastExitCode, 1);
        EXPECT_EQ(FilesIn(Folder.Path()), files);
        EXPECT_EQ(ReadFile(wma), QByteArray("old"));
    }
    EXPECT_EQ(ReadFile(notWav), QByteArray("this is text, not audio"));
}

TEST_F(WmaEncodeProcessTest, AuthorAndDescriptionReachTheFileIntact) {
    Process.Tags = {QStringLiteral("-author --The \"Band\"  "),
                    QStringLiteral("--description; live at Caf\u00e9 -output /tmp/x")};
    Process.Options.Setting = 11; // 48_44_1
    const QString wma = Folder.File(QStringLiteral("tagged.wma"));
    Run(Wav, wma);
    EXPECT_EQ(Window.Events.back().Status, 2);
    EXPECT_EQ(Probe(wma, "format_tags=artist,comment"), QStringLiteral("TAG:artist=") + Process.Tags.Author +
                                                            QStringLiteral("\nTAG:comment=") +
                                                            Process.Tags.Description + '\n');
    EXPECT_EQ(Probe(wma, "stream=channels"), QStringLiteral("channels=1\n"));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/x")));
}

TEST_F(WmaEncodeProcessTest, ExistingOutputQuestionIsSkippedOnlyForRips) {
    const QString wma = Folder.File(QStringLiteral("old.wma"));
    ASSERT_TRUE(WriteFile(wma, "old"));
    Prompter.Queue(TPromptAnswer::No);
    Start(Wav, wma, TJobKind::WavToWma);
    ASSERT_EQ(Window.Events.size(), 1u);
    EXPECT_EQ(ArrivedDuringStart, 1);
    EXPECT_EQ(Window.Events[0].Status, 0);
    EXPECT_EQ(Prompter.Shown(), QStringList{wma + QStringLiteral(" has existed,overite it?")});
    EXPECT_EQ(ReadFile(wma), QByteArray("old"));

    {
        QFile holder(wma);
        ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
        Prompter.Queue(TPromptAnswer::Yes);
        Start(Wav, wma, TJobKind::WavToWma);
        ASSERT_EQ(Window.Events.size(), 1u);
        EXPECT_EQ(Window.Events[0].Status, 1);
    }

    // A recording to MP3 is no reason to skip the question here; a rip is.
    Prompter.Queue(TPromptAnswer::No);
    Start(Wav, wma, TJobKind::RecordingToMp3);
    EXPECT_EQ(Window.Events.back().Status, 0);
    EXPECT_EQ(Prompter.Shown().size(), 3);
    Run(Wav, wma, TJobKind::RipTracks);
    EXPECT_EQ(Prompter.Shown().size(), 3);
    EXPECT_EQ(Window.Events.back().Status, 2);
    EXPECT_GT(FileSizeOf(wma), 1000);
}

TEST_F(WmaEncodeProcessTest, KillMidRunLeavesNoChildAndNoFile) {
    // The utility reads a FIFO that holds the start of a WAV file and is kept open: it writes
    // its output's header and waits for more.
    const QString fifo = Folder.File(QStringLiteral("live.wav"));
    const int writer = OpenStalledWavFifo(fifo);
    ASSERT_GE(writer, 0);
    Start(fifo, Folder.File(QStringLiteral("never.wma")));
    const pid_t pid = Process.ProcessInformation.ProcessId;
    ASSERT_GT(pid, 0);
    const QString work = Process.WorkFile;
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(work); }));
    Process.Kill(0);
    close(writer);
    EXPECT_FALSE(QFile::exists(work));
    EXPECT_EQ(FilesIn(Folder.Path()), QStringList({QStringLiteral("in put.wav"), QStringLiteral("live.wav")}));
    EXPECT_TRUE(kill(pid, 0) == -1 && errno == ESRCH);
    EXPECT_TRUE(waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD);
    Drain(300);
    EXPECT_TRUE(Window.Events.empty());
}
