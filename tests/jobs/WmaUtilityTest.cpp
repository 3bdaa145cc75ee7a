// The wm8eutil utility on its own: every WMA setting of the options through ffprobe, WAV
// inputs of other shapes, packet padding, progress lines, names that look like URLs, its error
// handling and a stop by signal.
#include "JobEvents.h"
#include "core/Helpers.h"
#include "jobs/WmaSettings.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <unistd.h>

namespace {

class WmaUtilityTest : public testing::Test {
protected:
    void SetUp() override {
        Tool = BinDir() + QStringLiteral("/wm8eutil");
        ASSERT_TRUE(QFile::exists(Tool)) << Tool.toStdString();
        Probe = FindTool(QStringLiteral("ffprobe"));
        if (Probe.isEmpty())
            GTEST_SKIP() << "ffprobe is not installed";
        Wav = Folder.File(QStringLiteral("one second.wav"));
        ASSERT_TRUE(WriteFile(Wav, MakeWav(MakePcm16(44100, 2, 11), 2, 44100, 16)));
    }

    TRunResult Encode(const QString& in, const QString& out, const QString& setting, const QStringList& more = {}) {
        return RunProgram(Tool, QStringList{"-input", in, "-output", out, "-a_setting", setting} + more);
    }
    // "codec rate channels duration" of a file as ffprobe reads it.
    QString Describe(const QString& file) {
        const TRunResult r =
            RunProgram(Probe, {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,channels:format=duration",
                               "-of", "default=nw=1:nk=1", file});
        return QString::fromUtf8(r.Out).simplified();
    }

    TTempProgramFolder Folder;
    QString Tool;
    QString Probe;
    QString Wav;
};

int RateOf(const QString& code) {
    static const QMap<QString, int> rates{{"48", 48000}, {"44", 44100}, {"32", 32000}, {"22", 22050},
                                          {"16", 16000}, {"11", 11025}, {"8", 8000}};
    return rates.value(code);
}

} // namespace

TEST_F(WmaUtilityTest, EverySettingOfTheOptionsGivesAReadableFile) {
    for (const TWmaSetting& row : WmaSettingsTable) {
        const QStringList code = QString::fromLatin1(row.Code).split('_');
        const QString out = Folder.File(QString::fromLatin1(row.Code) + QStringLiteral(".wma"));
        const TRunResult r = Encode(Wav, out, QString::fromLatin1(row.Code));
        ASSERT_EQ(r.ExitCode, 0) << row.Code << r.Err.constData();
        EXPECT_FALSE(r.Out.contains("ERROR")) << row.Code;
        EXPECT_TRUE(r.Out.endsWith("100%\n")) << row.Code;
        // Below the encoder's minimum the tool says what it does instead.
        EXPECT_EQ(r.Out.contains("24 kbit/s"), code[0].toInt() < 24) << row.Code;
        const QStringList d = Describe(out).split(' ');
        ASSERT_EQ(d.size(), 4) << row.Code << Describe(out).toStdString();
        EXPECT_EQ(d[0], QStringLiteral("wmav2"));
        EXPECT_EQ(d[1].toInt(), RateOf(code[1])) << row.Code;
        EXPECT_EQ(d[2], code[2]) << row.Code;
        EXPECT_NEAR(d[3].toDouble(), 1.0, 0.2) << row.Code;
    }
}

TEST_F(WmaUtilityTest, OtherWavShapesAreResampledAndRemixed) {
    struct TShape {
        int Channels, Rate, Bits;
    };
    for (const TShape s : {TShape{1, 22050, 8}, TShape{2, 48000, 24}, TShape{1, 8000, 16}, TShape{6, 44100, 16}}) {
        // Samples of any depth: the 16-bit generator's bytes reinterpreted are noise, which is
        // fine for the encoder.
        const QByteArray pcm = MakePcm16(s.Rate * s.Bits / 16, s.Channels, 5, s.Rate);
        const QString in = Folder.File(QStringLiteral("shape.wav"));
        ASSERT_TRUE(WriteFile(in, MakeWav(pcm, s.Channels, s.Rate, s.Bits)));
        const QString out = Folder.File(QStringLiteral("shape.wma"));
        const TRunResult r = Encode(in, out, QStringLiteral("32_22_2"));
        ASSERT_EQ(r.ExitCode, 0) << s.Channels << ' ' << s.Rate << ' ' << s.Bits << r.Err.constData();
        const QStringList d = Describe(out).split(' ');
        ASSERT_EQ(d.size(), 4);
        EXPECT_EQ(d[1], QStringLiteral("22050"));
        EXPECT_EQ(d[2], QStringLiteral("2"));
        EXPECT_NEAR(d[3].toDouble(), 1.0, 0.2) << s.Channels << ' ' << s.Rate << ' ' << s.Bits;
    }
}

TEST_F(WmaUtilityTest, LoudSurroundDownmixDoesNotClip) {
    // Six channels of one tone near full scale: the stereo sum must be scaled, not clipped.
    QByteArray pcm(44100 * 6 * 2, 0);
    for (int i = 0; i < 44100 * 6; ++i)
        qToLittleEndian<int16_t>(int16_t(29000.0 * std::sin(2.0 * M_PI * 440.0 * (i / 6) / 44100.0)),
                                 pcm.data() + i * 2);
    ASSERT_TRUE(WriteFile(Wav, MakeWav(pcm, 6, 44100, 16)));
    const QString out = Folder.File(QStringLiteral("surround.wma"));
    ASSERT_EQ(Encode(Wav, out, QStringLiteral("128_44_2")).ExitCode, 0);
    const TRunResult decoded =
        RunProgram(FindTool(QStringLiteral("ffmpeg")), {"-v", "error", "-i", out, "-f", "s16le", "-"});
    ASSERT_GT(decoded.Out.size(), 44100);
    int clipped = 0;
    for (qsizetype at = 0; at + 1 < decoded.Out.size(); at += 2)
        clipped += std::abs(int(qFromLittleEndian<int16_t>(decoded.Out.constData() + at))) >= 32767;
    EXPECT_EQ(clipped, 0);
}

TEST_F(WmaUtilityTest, ProgressLinesRiseToHundredAndPacketsAreNotMostlyPadding) {
    const QString in = Folder.File(QStringLiteral("ten.wav"));
    ASSERT_TRUE(WriteFile(in, MakeWav(MakePcm16(44100 * 10, 2, 9), 2, 44100, 16)));
    const QString out = Folder.File(QStringLiteral("ten.wma"));
    const TRunResult r = Encode(in, out, QStringLiteral("192_44_2"));
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    const QStringList lines = QString::fromLatin1(r.Out).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 5);
    int previous = -1;
    static const QRegularExpression percent(QStringLiteral("^(\\d+)%$"));
    for (const QString& line : lines) {
        const auto m = percent.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        EXPECT_GT(m.captured(1).toInt(), previous);
        previous = m.captured(1).toInt();
    }
    EXPECT_EQ(previous, 100);
    // 10 s at 192 kbit/s are 240,000 bytes of audio; header and packet framing stay small.
    EXPECT_LT(FileSizeOf(out), 240000 * 108 / 100);
    EXPECT_GT(FileSizeOf(out), 240000 * 95 / 100);
}

TEST_F(WmaUtilityTest, FailuresSayErrorExitWithOneAndLeaveNoOutput) {
    const QString out = Folder.File(QStringLiteral("o.wma"));
    const QString text = Folder.File(QStringLiteral("text.wav"));
    ASSERT_TRUE(WriteFile(text, "RIFF but not really"));
    const struct {
        QStringList Args;
        const char* Reason;
    } cases[] = {
        {{"-input", Folder.File("none.wav"), "-output", out, "-a_setting", "64_44_2"}, "cannot open input file"},
        {{"-input", text, "-output", out, "-a_setting", "64_44_2"}, "not a WAV file"},
        {{"-input", Wav, "-output", Folder.File("no/such/dir/o.wma"), "-a_setting", "64_44_2"},
         "cannot write output file"},
        {{"-input", Wav, "-output", out, "-a_setting", "64_45_2"}, "bad setting"},
        {{"-input", Wav, "-output", out, "-a_setting", "64_44_3"}, "bad setting"},
        {{"-input", Wav, "-output", out, "-a_setting", "fast"}, "bad setting"},
        {{"-input", Wav, "-output", out}, "no setting"},
        {{"-input", Wav, "-output", out, "-a_setting", "64_44_2", "-author"}, "missing value"},
        {{"-input", Wav, "-output", out, "-a_setting", "64_44_2", "-bogus", "x"}, "unknown option"},
        {{"-input", Wav, "-output", Wav, "-a_setting", "64_44_2"}, "the output file is the input file"},
    };
    const QByteArray original = ReadFile(Wav);
    for (const auto& c : cases) {
        const TRunResult r = RunProgram(Tool, c.Args);
        EXPECT_EQ(r.ExitCode, 1) << c.Reason;
        EXPECT_TRUE(r.Err.startsWith(QByteArray("ERROR: ") + c.Reason)) << c.Reason << ": " << r.Err.constData();
        EXPECT_FALSE(QFile::exists(out)) << c.Reason;
    }
    EXPECT_EQ(ReadFile(Wav), original);
}

TEST_F(WmaUtilityTest, NamesThatLookLikeUrlsArePlainFiles) {
    // Relative names, as a shell passes them: FFmpeg would take "take:" for a protocol.
    for (const QString& base : {QStringLiteral("take:1"), QStringLiteral("file:2"), QStringLiteral("concat:3|4")}) {
        ASSERT_TRUE(QFile::copy(Wav, Folder.File(base + QStringLiteral(".wav"))));
        QProcess p;
        p.setWorkingDirectory(Folder.Path());
        p.start(Tool, {"-input", base + ".wav", "-output", base + "-out.wma", "-a_setting", "64_44_2"});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << base.toStdString() << ": " << p.readAllStandardError().constData();
        EXPECT_EQ(Describe(Folder.File(base + QStringLiteral("-out.wma"))).section(' ', 0, 0), QStringLiteral("wmav2"))
            << base.toStdString();
    }
}

TEST_F(WmaUtilityTest, SignalEndsTheRunAndRemovesThePartialOutput) {
    const QString fifo = Folder.File(QStringLiteral("live.wav"));
    const int writer = OpenStalledWavFifo(fifo);
    ASSERT_GE(writer, 0);
    const QString out = Folder.File(QStringLiteral("part.wma"));
    QProcess p;
    p.start(Tool, {"-input", fifo, "-output", out, "-a_setting", "64_44_2"});
    ASSERT_TRUE(p.waitForStarted());
    // Blocked reading the FIFO with its output begun.
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(out); }));
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    close(writer);
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().startsWith("ERROR: interrupted")) << p.readAllStandardError().constData();
    EXPECT_FALSE(QFile::exists(out));
}
