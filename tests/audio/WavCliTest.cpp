// discwright-cli wav info|convert as a black box, with sox reading what it writes.
#include "WavTestUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

class WavCliTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return Folder.File(name); }
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), args); }
    TTempProgramFolder Folder;
};

TEST_F(WavCliTest, InfoLines) {
    ASSERT_TRUE(WriteFile(Path("a.wav"), MakeWav(MakePcm16(1000, 2, 1), 2, 44100, 16)));
    TRunResult r = Cli({"wav", "info", Path("a.wav")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_EQ(r.Out, "type: Raw PCM\nchannels: 2\nsample rate: 44100\nbits per sample: 16\nsize: 4000\n"
                     "total samples: 1000\nvalid: yes\n");

    ASSERT_TRUE(RunSox({Path("a.wav"), "-e", "ima-adpcm", Path("ima.wav")}));
    r = Cli({"wav", "info", Path("ima.wav")});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Out.startsWith("type: DVI IMA ADPCM\n")) << r.Out.constData();
    EXPECT_TRUE(r.Out.contains("\ntotal samples: 1000\n"));

    ASSERT_TRUE(WriteFile(Path("notes.wav"), "just some text"));
    r = Cli({"wav", "info", Path("notes.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Out.startsWith("type: Unsupported\n"));
    EXPECT_TRUE(r.Out.endsWith("valid: no\n"));
    EXPECT_TRUE(r.Err.endsWith("notes.wav: not a WAV file this program can read (type Unsupported)\n"))
        << r.Err.constData();

    r = Cli({"wav", "info", Path("missing.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("No such file")) << r.Err.constData();
    // The error stays one line whatever the name holds.
    r = Cli({"wav", "info", Path("two\nlines.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err.count('\n'), 1) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("two\\x0alines.wav: No such file")) << r.Err.constData();

    r = Cli({"wav", "--help"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Out.startsWith("usage: ")) << r.Out.constData();
}

TEST_F(WavCliTest, ConvertThroughTheWholeChain) {
    ASSERT_TRUE(WriteFile(Path("in.wav"), MakeWav(MakePcm16(44100, 2, 2), 2, 44100, 16)));
    TRunResult r =
        Cli({"wav", "convert", Path("in.wav"), Path("out.wav"), "--rate", "22050", "--channels", "1", "--bits", "8"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_TRUE(r.Err.contains("100%"));
    const TRunResult info = RunProgram(FindTool("soxi"), {Path("out.wav")});
    EXPECT_TRUE(info.Out.contains("Channels       : 1")) << info.Out.constData();
    EXPECT_TRUE(info.Out.contains("Sample Rate    : 22050"));
    EXPECT_TRUE(info.Out.contains("Precision      : 8-bit"));
    EXPECT_TRUE(info.Out.contains("= 22050 samples"));

    // 24-bit output gets the extensible header.
    r = Cli({"wav", "convert", Path("in.wav"), Path("out24.wav"), "--bits", "24"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    const QByteArray f24 = ReadFile(Path("out24.wav"));
    ASSERT_EQ(f24.size(), 68 + 44100 * 6);
    EXPECT_EQ(GetLE16(reinterpret_cast<const uint8_t*>(f24.constData()) + 20), 0xFFFE);

    // IMA ADPCM that sox decodes; the unchanged rate passes the samples straight through.
    r = Cli({"wav", "convert", Path("in.wav"), Path("ima.wav"), "--encoding", "adpcm"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    const std::vector<int16_t> sox = SoxDecode16(Path("ima.wav"), Path("ima.raw"));
    EXPECT_GE(sox.size(), 44100u * 2);
}

TEST_F(WavCliTest, ConvertRefusals) {
    const QByteArray original = MakeWav(MakePcm16(2000, 2, 3), 2, 44100, 16);
    ASSERT_TRUE(WriteFile(Path("in.wav"), original));
    TRunResult r = Cli({"wav", "convert", Path("in.wav"), Path("in.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("OUT must not be IN")) << r.Err.constData();
    ASSERT_TRUE(QFile::link(Path("in.wav"), Path("link.wav")));
    r = Cli({"wav", "convert", Path("in.wav"), Path("link.wav"), "--rate", "8000"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(ReadFile(Path("in.wav")), original);
    // A folder as OUT is named before any work.
    ASSERT_TRUE(QDir().mkdir(Path("folder.wav")));
    r = Cli({"--yes", "wav", "convert", Path("in.wav"), Path("folder.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.endsWith("folder.wav is a folder\n")) << r.Err.constData();

    // The writer's own refusal is the message; the existing output stays as it was.
    ASSERT_TRUE(WriteFile(Path("old.wav"), "keep me"));
    r = Cli({"--yes", "wav", "convert", Path("in.wav"), Path("old.wav"), "--encoding", "adpcm", "--bits", "8"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("Cannot encode 8 bit sound into ADPCM.")) << r.Err.constData();
    EXPECT_EQ(ReadFile(Path("old.wav")), "keep me");
    // Without --yes an existing output is not overwritten.
    r = Cli({"wav", "convert", Path("in.wav"), Path("old.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(ReadFile(Path("old.wav")), "keep me");

    // ADPCM requests the encoder cannot take are refused, not written as extensible PCM.
    ASSERT_TRUE(RunSox({Path("in.wav"), "-b", "24", Path("s24.wav")}));
    ASSERT_TRUE(WriteFile(Path("quad.wav"), MakeWav(MakePcm16(500, 4, 3), 4, 44100, 16)));
    for (const char* name : {"s24.wav", "quad.wav"}) {
        r = Cli({"wav", "convert", Path(name), Path("o.wav"), "--encoding", "adpcm"});
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_TRUE(r.Err.contains(name == QLatin1String("s24.wav") ? "Cannot encode 24 bit sound into ADPCM."
                                                                    : "Cannot encode more than two channels"))
            << r.Err.constData();
        EXPECT_FALSE(QFile::exists(Path("o.wav")));
    }

    r = Cli({"wav", "convert", Path("in.wav"), Path("x.wav"), "--channels", "3"});
    EXPECT_EQ(r.ExitCode, 2);
    // A header announcing an absurd rate is refused by name (it used to end in "std::bad_alloc").
    ASSERT_TRUE(WriteFile(Path("fast.wav"),
                          Riff(Chunk("fmt ", PcmFormat(2, 2000000000, 16)) + Chunk("data", original.mid(44)))));
    r = Cli({"wav", "convert", Path("fast.wav"), Path("y.wav"), "--rate", "8000"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("fast.wav: its sample rate of 2000000000 Hz cannot be converted")) << r.Err.constData();
    ASSERT_TRUE(WriteFile(Path("bad.wav"), "RIFF....WAVEfmt "));
    r = Cli({"wav", "convert", Path("bad.wav"), Path("y.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_FALSE(QFile::exists(Path("y.wav")));
}

// SIGTERM half way leaves neither a file at OUT (whose header would announce the whole
// length) nor a temporary one; an existing OUT stays as it was.
TEST_F(WavCliTest, InterruptedConvertLeavesNoFile) {
    ASSERT_TRUE(WriteSparseSilence(Path("long.wav"), 2000000000u));
    ASSERT_TRUE(WriteFile(Path("old.wav"), "keep me"));
    for (const char* encoding : {"pcm", "adpcm"}) {
        SCOPED_TRACE(encoding);
        TRunResult r = RunCliAndTerminate(Folder.Path(), {"wav", "convert", Path("long.wav"), Path("out.wav"),
                                                          "--encoding", encoding, "--rate", "48000"});
        EXPECT_EQ(r.ExitCode, 130) << r.Err.constData();
        EXPECT_TRUE(r.Err.contains("stopped; " + Path("out.wav").toUtf8() + " was not written")) << r.Err.constData();
        r = RunCliAndTerminate(Folder.Path(),
                               {"--yes", "wav", "convert", Path("long.wav"), Path("old.wav"), "--encoding", encoding});
        EXPECT_EQ(r.ExitCode, 130) << r.Err.constData();
        EXPECT_EQ(ReadFile(Path("old.wav")), "keep me");
        EXPECT_EQ(QDir(Folder.Path()).entryList(QDir::Files, QDir::Name), (QStringList{"long.wav", "old.wav"}));
        EXPECT_EQ(QFileInfo(Path("long.wav")).size(), 44 + 2000000000ll);
    }
}

// SIGTERM half way through the gain pass leaves the file as it was and no temporary beside it.
TEST_F(WavCliTest, InterruptedNormalizeLeavesTheFileAndNoTemporary) {
    ASSERT_TRUE(WriteSparseSilence(Path("long.wav"), 200000000u));
    const TRunResult r = RunCliAndTerminate(Folder.Path(), {"normalize", "50", Path("long.wav")});
    EXPECT_EQ(r.ExitCode, 130) << r.Err.constData();
    EXPECT_TRUE(r.Err.endsWith("stopped; " + Path("long.wav").toUtf8() + " was left as it was\n")) << r.Err.constData();
    EXPECT_EQ(QDir(Folder.Path()).entryList(QDir::Files, QDir::Name), QStringList{"long.wav"});
    EXPECT_EQ(QFileInfo(Path("long.wav")).size(), 44 + 200000000ll);
}

TEST_F(WavCliTest, NormalizeAFileNamedLikeTheTemporary) {
    // Named as the gain pass's temporary file used to be: it was emptied and reported fine.
    const QByteArray pcm = MakePcm16(3000, 2, 4);
    ASSERT_TRUE(WriteFile(Path("x.nor"), MakeWav(pcm, 2, 44100, 16)));
    const TRunResult r = Cli({"normalize", "100", Path("x.nor")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_EQ(ReadFile(Path("x.nor")), MakeWav(pcm, 2, 44100, 16));
    EXPECT_EQ(QDir(Folder.Path()).entryList(QDir::Files), QStringList{"x.nor"});
}

} // namespace
