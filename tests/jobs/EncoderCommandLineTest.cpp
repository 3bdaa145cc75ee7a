// The encoders' command lines as built from their options, the argument vectors that
// are really run, and the WMA settings table.
#include "core/Settings.h"
#include "jobs/Mp3EncodeThread.h"
#include "jobs/WMAEncodeThread.h"
#include "jobs/WmaSettings.h"
#include "support/TestSupport.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(Mp3CommandLine, EveryStereoModeAndQualityOption) {
    TMp3Options o;
    EXPECT_EQ(Mp3CommandLine(o, true, "in.wav", "out.mp3"),
              QStringLiteral("lame.exe -b 128 -m j \"in.wav\" \"out.mp3\""));
    const char* const modes[] = {" -m s", " -m j", " -m f", " -m d", " -m m", "", ""};
    const int modeValues[] = {0, 1, 2, 3, 4, 5, -1};
    for (int i = 0; i < 7; ++i) {
        o.StereoMode = modeValues[i];
        EXPECT_EQ(Mp3CommandLine(o, true, "a.wav", "b.mp3"),
                  QStringLiteral("lame.exe -b 128") + QLatin1String(modes[i]) + QStringLiteral(" \"a.wav\" \"b.mp3\""));
    }
    o.StereoMode = 4;
    o.BitRate = 320;
    const char* const qualities[] = {"", " -f", " -h", ""};
    for (int q = 0; q < 4; ++q) {
        o.MpegQuality = q;
        EXPECT_EQ(Mp3CommandLine(o, true, "a.wav", "b.mp3"), QStringLiteral("lame.exe -b 320 -m m") +
                                                                 QLatin1String(qualities[q]) +
                                                                 QStringLiteral(" \"a.wav\" \"b.mp3\""));
    }
    o.MpegQuality = 2;
    o.IsVBRHead = true; // only with VBR
    EXPECT_EQ(Mp3CommandLine(o, true, "a.wav", "b.mp3"), QStringLiteral("lame.exe -b 320 -m m -h \"a.wav\" \"b.mp3\""));
    o.IsSelectVBR = true;
    o.BitRate = 64;
    o.VBRQuality = 2;
    o.MaxBitRate = 256;
    EXPECT_EQ(Mp3CommandLine(o, true, "a.wav", "b.mp3"),
              QStringLiteral("lame.exe -b 64 -m m -h -V 2 -B 256 -t \"a.wav\" \"b.mp3\""));
    o.IsVBRHead = false;
    EXPECT_EQ(Mp3CommandLine(o, true, "a.wav", "b.mp3"),
              QStringLiteral("lame.exe -b 64 -m m -h -V 2 -B 256 \"a.wav\" \"b.mp3\""));
    EXPECT_EQ(Mp3CommandLine(o, false, "/x/My Song.mp3", "/x/My Song.wav"),
              QStringLiteral("lame.exe --decode \"/x/My Song.mp3\" \"/x/My Song.wav\""));
}

TEST(Mp3Arguments, FileNamesAreSingleArgumentsAndNeverOptions) {
    const TMp3Options o;
    EXPECT_EQ(Mp3Arguments(o, true, "/m/a \"b\" c.wav", "/m/o.mp3"),
              (QStringList{"-b", "128", "-m", "j", "/m/a \"b\" c.wav", "/m/o.mp3"}));
    EXPECT_EQ(Mp3Arguments(o, false, "-V 9.mp3", "-"), (QStringList{"--decode", "./-V 9.mp3", "./-"}));
    // The rendered line shows the names as given.
    EXPECT_EQ(Mp3CommandLine(o, false, "-V 9.mp3", "-"), QStringLiteral("lame.exe --decode \"-V 9.mp3\" \"-\""));
}

TEST(WmaCommandLine, AuthorAndDescriptionOnlyWithText) {
    const TWmaOptions o;
    EXPECT_EQ(WmaCommandLine(o, {}, "/bin/wm8eutil", "in.wav", "out.wma"),
              QStringLiteral("/bin/wm8eutil -input \"in.wav\" -output \"out.wma\" -a_setting 64_44_2"));
    EXPECT_EQ(WmaArguments(o, {}, "in.wav", "out.wma").size(), 6);
    const TWmaTags tags{QStringLiteral("--The Band"), QStringLiteral("live -output /etc/x")};
    EXPECT_EQ(WmaArguments(o, tags, "in.wav", "out.wma"),
              (QStringList{"-input", "in.wav", "-output", "out.wma", "-a_setting", "64_44_2", "-author", "--The Band",
                           "-description", "live -output /etc/x"}));
    EXPECT_EQ(WmaCommandLine(o, tags, "W", "i", "o"), QStringLiteral("W -input \"i\" -output \"o\" -a_setting "
                                                                     "64_44_2 -author --The Band -description live "
                                                                     "-output /etc/x"));
    EXPECT_EQ(WmaArguments(o, {QString(), tags.Description}, "i", "o").mid(6),
              (QStringList{"-description", "live -output /etc/x"}));
    EXPECT_EQ(WmaArguments({32}, {}, "i", "o")[5], "5_8_1");
    EXPECT_EQ(WmaArguments({33}, {}, "i", "o")[5], "64_44_2");
}

TEST(WmaSettingsTable, RowsAgreeWithTheirCodesAndBadIndexBecomesDefault) {
    TTempProgramFolder folder;
    ASSERT_EQ(WmaSettingsTable.size(), 33u);
    static const QRegularExpression text(QStringLiteral("^\\s?(\\d+)\\.(\\d+) kHz,\\s+(\\d+) kbit/s, (Stereo|Mono)$"));
    for (const TWmaSetting& row : WmaSettingsTable) {
        const auto m = text.match(QLatin1String(row.Text));
        ASSERT_TRUE(m.hasMatch()) << row.Text;
        const QStringList code = QString::fromLatin1(row.Code).split('_');
        ASSERT_EQ(code.size(), 3) << row.Code;
        EXPECT_EQ(code[0], m.captured(3)) << row.Text;
        EXPECT_EQ(code[1], m.captured(1)) << row.Text;
        EXPECT_EQ(code[2], m.captured(4) == QLatin1String("Stereo") ? QStringLiteral("2") : QStringLiteral("1"));
        EXPECT_GT(row.Divisor, 7000);
    }
    Settings.WMABitRate = 32;
    EXPECT_STREQ(CurrentWmaSetting().Code, "5_8_1");
    for (int bad : {40, 33, -1}) {
        Settings.WMABitRate = bad;
        EXPECT_STREQ(CurrentWmaSetting().Code, "64_44_2");
        EXPECT_EQ(Settings.WMABitRate, 8);
    }
}
