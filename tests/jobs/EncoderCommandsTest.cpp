// discwright-cli encode mp3 / decode mp3 / encode wma, run as a user would: results, refusals,
// a full disk and a stop by SIGTERM.
#include "JobEvents.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace {

QStringList CliArguments(const QString& programFolder, const QStringList& args) {
    return QStringList{QStringLiteral("--program-folder"), programFolder} + args;
}

// discwright-cli on a disk that is full after `bytes` bytes of any one file: RLIMIT_FSIZE with
// SIGXFSZ ignored, so writes fail as on a full disk, in the tool and in the encoders it starts.
TRunResult RunCliOnFullDisk(const QString& programFolder, const QStringList& args, rlim_t bytes) {
    QProcess p;
    p.setChildProcessModifier([bytes] {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
    });
    p.start(BinDir() + QStringLiteral("/discwright-cli"), CliArguments(programFolder, args));
    TRunResult r;
    if (!p.waitForFinished(120000))
        return r;
    r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

// The first child process of `pid`, 0 if none.
// The child process of `pid` once it runs lame (0 before: a child stopped between its spawn
// and its exec would hold the spawning thread with it).
pid_t ChildOf(qint64 pid) {
    const QByteArray children = ReadFile(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    const pid_t child = pid_t(children.split(' ').value(0).toInt());
    return child > 0 && ReadFile(QStringLiteral("/proc/%1/comm").arg(child)).trimmed() == "lame" ? child : 0;
}

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
        {{"--yes", "encode", "mp3", Wav, Folder.Path()}, " is a folder"},
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

TEST_F(EncoderCommandsTest, FullDiskFailsWithTheReasonAndLeavesTheOutputAsItWas) {
    const QString mp3 = Folder.File(QStringLiteral("good.mp3"));
    ASSERT_EQ(RunCli(Folder.Path(), {"encode", "mp3", Wav, mp3}).ExitCode, 0);
    const QString kept = Folder.File(QStringLiteral("kept.wav"));
    ASSERT_TRUE(WriteFile(kept, "keep me"));
    const QStringList files = FilesIn(Folder.Path());
    // lame exits 0 after failed WAV writes; the command must not call that a success.
    const struct {
        QStringList Args;
        rlim_t Bytes;
        QByteArray Message;
    } cases[] = {
        {{"encode", "mp3", Wav, Folder.File("o.mp3")}, 16000, "lame exited with code 1."},
        {{"decode", "mp3", mp3, Folder.File("o.wav")}, 100000, "o.wav is cut short: its header announces "},
        {{"--yes", "decode", "mp3", mp3, kept}, 100000, "kept.wav is cut short: its header announces "},
        {{"encode", "wma", Wav, Folder.File("o.wma")},
         4000,
         "wm8eutil: ERROR: writing the output file: File too large"},
    };
    for (const auto& c : cases) {
        const TRunResult r = RunCliOnFullDisk(Folder.Path(), c.Args, c.Bytes);
        EXPECT_EQ(r.ExitCode, 1) << c.Message.constData();
        EXPECT_TRUE(r.Err.contains(c.Message)) << c.Message.constData() << ": " << r.Err.constData();
        EXPECT_EQ(FilesIn(Folder.Path()), files) << c.Message.constData();
    }
    EXPECT_EQ(ReadFile(kept), QByteArray("keep me"));
}

TEST_F(EncoderCommandsTest, SigtermOrAHangUpStopsTheEncoderAndLeavesNoFile) {
    // Ten minutes of MP3 (one short encode repeated) take lame a while to decode.
    const QString shortMp3 = Folder.File(QStringLiteral("short.mp3"));
    ASSERT_EQ(RunProgram(FindTool(QStringLiteral("lame")), {"-S", "-t", Wav, shortMp3}).ExitCode, 0);
    const QString longMp3 = Folder.File(QStringLiteral("long.mp3"));
    ASSERT_TRUE(WriteFile(longMp3, ReadFile(shortMp3).repeated(300)));
    ASSERT_TRUE(QFile::remove(shortMp3));
    const QStringList files = FilesIn(Folder.Path());

    // SIGTERM, and SIGHUP from a closed terminal, end the command the same clean way.
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QProcess p;
        p.start(BinDir() + QStringLiteral("/discwright-cli"),
                CliArguments(Folder.Path(), {"decode", "mp3", longMp3, Folder.File("long.wav")}));
        ASSERT_TRUE(p.waitForStarted());
        // Once lame writes its temporary file, hold it there and stop the command.
        pid_t lame = 0;
        ASSERT_TRUE(WaitUntil([&] {
            lame = ChildOf(p.processId());
            return lame > 0 && FilesIn(Folder.Path()).size() > files.size();
        }));
        ASSERT_EQ(kill(lame, SIGSTOP), 0);
        ASSERT_EQ(kill(pid_t(p.processId()), signal), 0);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 130);
        EXPECT_TRUE(p.readAllStandardError().contains("long.wav: stopped; the output was not written"));
        EXPECT_EQ(FilesIn(Folder.Path()), files);
        // The command reaped its encoder before it went.
        EXPECT_TRUE(kill(lame, 0) == -1 && errno == ESRCH);
    }
}

TEST_F(EncoderCommandsTest, AReaderThatGoesAwayLeavesNoHalfFile) {
    // `discwright-cli ... | head -1`: the reader of the progress lines goes at once; the command
    // still finishes its output.
    const QString mp3 = Folder.File(QStringLiteral("piped.mp3"));
    const QString command =
        QStringLiteral("'%1/discwright-cli' --program-folder '%2' encode mp3 '%3' '%4' 2>&1 | head -c 1")
            .arg(BinDir(), Folder.Path(), Wav, mp3);
    ASSERT_EQ(RunProgram(QStringLiteral("/bin/bash"), {"-c", "set -o pipefail; " + command}).ExitCode, 0);
    EXPECT_GT(ReadFile(mp3).size(), 1000);
}
