// discwright-cli encode ogg / decode ogg / ogg info, run as a program, with the reference tools
// reading what it writes.
#include "audio/WavTestUtil.h"
#include "support/TestSupport.h"
#include "vorbis/VorbisTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

class OggCliTest : public testing::Test {
protected:
    void SetUp() override {
        if (FindTool(QStringLiteral("oggdec")).isEmpty() || FindTool(QStringLiteral("vorbiscomment")).isEmpty())
            GTEST_SKIP() << "vorbis-tools not installed";
        Wav = Folder.File(QStringLiteral("in.wav"));
        Pcm = MakePcm16(2 * 44100 + 3, 2, 11);
        ASSERT_TRUE(WriteFile(Wav, MakeWav(Pcm, 2, 44100, 16)));
    }
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), args); }

    TTempProgramFolder Folder;
    QString Wav;
    QByteArray Pcm;
};

} // namespace

TEST_F(OggCliTest, EncodeInfoAndDecodeRoundTrip) {
    const QString ogg = Folder.File(QStringLiteral("out.ogg"));
    TRunResult r = Cli({"encode", "ogg", "--quality", "0.4", "--comment", "ARTIST=Some One", "--comment",
                        "tracknumber=3", "--comment", "title=A=B", Wav, ogg});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains("100%"));
    EXPECT_EQ(ListComments(ogg), (QStringList{QStringLiteral("artist=Some One"), QStringLiteral("title=A=B"),
                                              QStringLiteral("tracknumber=3")}));
    const QByteArray decoded = DecodeWithOggdec(ogg);
    EXPECT_EQ(decoded.size(), Pcm.size());
    EXPECT_LT(RelativeError(Pcm, decoded), 0.2);
    // No temporary file is left beside the output.
    EXPECT_EQ(QDir(Folder.Path()).entryList({"*.part"}, QDir::Files).size(), 0);

    r = Cli({"ogg", "info", ogg});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(
        QString::fromUtf8(r.Out).split('\n', Qt::SkipEmptyParts),
        (QStringList{"channels: 2", "rate: 44100", "seconds: 2", "artist=Some One", "title=A=B", "tracknumber=3"}));

    const QString wav = Folder.File(QStringLiteral("back.wav"));
    r = Cli({"decode", "ogg", ogg, wav});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    const QByteArray back = ReadFile(wav);
    ASSERT_EQ(back.size(), 44 + Pcm.size());
    EXPECT_EQ(back.mid(44), decoded);
}

TEST_F(OggCliTest, BitrateModeAndOverwriting) {
    const QString ogg = Folder.File(QStringLiteral("rate.ogg"));
    TRunResult r = Cli({"encode", "ogg", "--bitrate", "96", Wav, ogg});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    const QString info = QString::fromUtf8(RunProgram(QStringLiteral("ogginfo"), {ogg}).Out);
    EXPECT_TRUE(info.contains(QLatin1String("Nominal bitrate: 96.000000 kb/s"))) << info.toStdString();
    // Automatic bounds: no upper limit, the nominal rate as the floor.
    EXPECT_TRUE(info.contains(QLatin1String("Upper bitrate not set"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QLatin1String("Lower bitrate: 96.000000 kb/s"))) << info.toStdString();

    // An existing output stays as it is without --yes.
    const QByteArray before = ReadFile(ogg);
    r = Cli({"encode", "ogg", "--quality", "0.9", Wav, ogg});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_EQ(ReadFile(ogg), before);
    r = Cli({"--yes", "encode", "ogg", "--quality", "0.9", Wav, ogg});
    EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_NE(ReadFile(ogg), before);
}

TEST_F(OggCliTest, BadInputIsRefusedWithOneLine) {
    const QString ogg = Folder.File(QStringLiteral("x.ogg"));
    struct TCase {
        QStringList Args;
        const char* Message;
    };
    const TCase cases[] = {
        {{"encode", "ogg", "--quality", "1.5", Wav, ogg}, "--quality takes a number from 0.2 to 0.9"},
        {{"encode", "ogg", "--bitrate", "100", Wav, ogg}, "--bitrate takes one of 24, 32, 45"},
        {{"encode", "ogg", "--quality", "0.5", "--bitrate", "128", Wav, ogg}, "not both"},
        {{"encode", "ogg", "--comment", "composer=X", Wav, ogg}, "--comment takes NAME=VALUE"},
        {{"encode", "ogg", "--comment", "novalue", Wav, ogg}, "--comment takes NAME=VALUE"},
        {{"encode", "ogg", Wav, Wav}, "the output file is the input file"},
        {{"encode", "ogg", Folder.File("missing.wav"), ogg}, "cannot read"},
        {{"decode", "ogg", Wav, Folder.File("y.wav")}, "Failed to open an ogg file: -132"},
        {{"ogg", "info", Wav}, "Failed to open an ogg file: -132 (no readable Ogg Vorbis stream"},
        {{"ogg", "info", Folder.File("missing.ogg")}, "cannot read "},
        {{"encode", "ogg", Wav, Folder.File("no/such/dir/x.ogg")}, "discwright-cli: "},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args.join(' ').toStdString());
        const TRunResult r = Cli(c.Args);
        EXPECT_NE(r.ExitCode, 0);
        EXPECT_TRUE(r.Err.contains(c.Message)) << r.Err.toStdString();
        EXPECT_EQ(r.Err.count('\n'), 1) << r.Err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(ogg));
    EXPECT_FALSE(QFileInfo::exists(Folder.File("y.wav")));
    // The input is untouched.
    EXPECT_EQ(ReadFile(Wav), MakeWav(Pcm, 2, 44100, 16));
}

TEST_F(OggCliTest, InfoListsEveryCommentInFileOrder) {
    const QString ogg = MakeOggWithOggenc(Wav, Folder.File(QStringLiteral("tags.ogg")),
                                          {"-c", "COMPOSER=Someone", "-c", "artist=A", "-c", "ARTIST=B", "-c",
                                           "lyrics=one\ntwo \\ three", "-c", "replaygain_track_gain=-3.1 dB"});
    ASSERT_FALSE(ogg.isEmpty());
    const TRunResult r = Cli({"ogg", "info", ogg});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.Out).split('\n', Qt::SkipEmptyParts),
              (QStringList{"channels: 2", "rate: 44100", "seconds: 2", "COMPOSER=Someone", "artist=A", "ARTIST=B",
                           "lyrics=one\\ntwo \\\\ three", "replaygain_track_gain=-3.1 dB"}));
}

// A damaged file gives what can be decoded under a header that says so; a chained file whose
// format changes is refused rather than decoded as noise.
TEST_F(OggCliTest, DecodeWritesOnlyWhatWasDecoded) {
    const QString ogg = Folder.File(QStringLiteral("damaged.ogg"));
    ASSERT_FALSE(MakeOggWithOggenc(Wav, ogg, {"-q", "2"}).isEmpty());
    QByteArray data = ReadFile(ogg);
    data[data.size() / 2] = char(data[data.size() / 2] ^ 0xFF);
    ASSERT_TRUE(WriteFile(ogg, data));
    const QByteArray reference = DecodeWithOggdec(ogg);
    ASSERT_LT(reference.size(), Pcm.size());
    const QString wav = Folder.File(QStringLiteral("damaged.wav"));
    TRunResult r = Cli({"decode", "ogg", ogg, wav});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(ReadFile(wav), MakeWav(reference, 2, 44100, 16));

    const QString monoWav = Folder.File(QStringLiteral("mono.wav"));
    ASSERT_TRUE(WriteFile(monoWav, MakeWav(MakePcm16(22050, 1, 5, 22050), 1, 22050, 16)));
    // Serial numbers of their own: with equal ones the two files would read as one stream.
    const QString mono = MakeOggWithOggenc(monoWav, Folder.File(QStringLiteral("mono.ogg")), {"-s", "1"});
    const QString stereo = MakeOggWithOggenc(Wav, Folder.File(QStringLiteral("stereo.ogg")), {"-s", "2"});
    ASSERT_FALSE(mono.isEmpty());
    ASSERT_FALSE(stereo.isEmpty());
    const QString mixed = Folder.File(QStringLiteral("mixed.ogg"));
    ASSERT_TRUE(WriteFile(mixed, ReadFile(mono) + ReadFile(stereo)));
    r = Cli({"decode", "ogg", mixed, Folder.File(QStringLiteral("mixed.wav"))});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("changes its format at logical stream 2")) << r.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Folder.File(QStringLiteral("mixed.wav"))));
    EXPECT_EQ(QDir(Folder.Path()).entryList({"*.part"}, QDir::Files).size(), 0);
}

// SIGTERM stops encoding and decoding and takes their temporary file away.
TEST_F(OggCliTest, InterruptedRunsLeaveNoFile) {
    const QString longWav = Folder.File(QStringLiteral("long.wav"));
    ASSERT_TRUE(WriteSparseSilence(longWav, 2000000000u));
    const QString ogg = Folder.File(QStringLiteral("long.ogg"));
    TRunResult r = RunCliAndTerminate(Folder.Path(), {"encode", "ogg", longWav, ogg});
    EXPECT_EQ(r.ExitCode, 130) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains("was not written")) << r.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(ogg));

    // A long Ogg file: one short file chained many times over, each link with its own serial.
    const QString one = MakeOggWithOggenc(Wav, Folder.File(QStringLiteral("one.ogg")), {"-q", "0"});
    ASSERT_FALSE(one.isEmpty());
    QByteArray chained;
    const QByteArray link = ReadFile(one);
    for (uint32_t serial = 1; serial <= 300; ++serial) {
        QByteArray copy = link;
        for (qsizetype at = copy.indexOf("OggS"); at >= 0; at = copy.indexOf("OggS", at + 4))
            qToLittleEndian<uint32_t>(serial, copy.data() + at + 14);
        chained += copy;
    }
    FixOggChecksums(chained);
    ASSERT_TRUE(WriteFile(ogg, chained));
    r = RunCliAndTerminate(Folder.Path(), {"decode", "ogg", ogg, Folder.File(QStringLiteral("long-back.wav"))});
    EXPECT_EQ(r.ExitCode, 130) << r.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Folder.File(QStringLiteral("long-back.wav"))));
    EXPECT_EQ(QDir(Folder.Path()).entryList({"*.part"}, QDir::Files).size(), 0);
    EXPECT_EQ(QFileInfo(longWav).size(), 44 + 2000000000ll);
    EXPECT_EQ(ReadFile(ogg), chained);
}
