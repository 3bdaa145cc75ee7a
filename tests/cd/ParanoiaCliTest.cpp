// discwright-cli toc --paranoia against toc, run as a program on disc images: the CD input
// and the drive library see the same discs.
#include "fixtures/DiscImage.h"
#include "platform/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class ParanoiaCliTest : public ::testing::Test {
protected:
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), args); }
    TTempProgramFolder Folder;
};

QStringList Lines(const QByteArray& text) {
    return QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts);
}

QString Mmss(int seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, QChar('0')).arg(seconds % 60, 2, 10, QChar('0'));
}

} // namespace

// Both paths print the same lines for every disc: numbers, titles from cdinfo.dat, lengths
// (the start addresses' minutes and seconds subtracted, frames ignored), sizes and data flags.
TEST_F(ParanoiaCliTest, BothPathsListTheSameDiscs) {
    TIniFile info(Folder.File("cdinfo.dat"));
    info.WriteInteger("32820", "TrackNumber", 4);
    info.WriteString("32820", "2", "My Song");
    ASSERT_TRUE(info.UpdateFile());
    TDiscImageOptions motorola;
    motorola.BigEndian = true;
    motorola.LeadingSectors = 33;
    const std::vector<TDiscImage> discs = {
        MakeDiscImage(Folder.Path(), "standard", StandardTracks()),
        MakeDiscImage(Folder.Path(), "mixed", {{40, true}, {300, false}}),
        MakeDiscImage(Folder.Path(), "extra", {{4800, false}, {1, false}, {751, false}, {600, true}}),
        MakeDiscImage(Folder.Path(), "motorola", {{75, false}, {4499, false}}, motorola),
    };
    int borrowed = 0;
    for (const TDiscImage& disc : discs) {
        SCOPED_TRACE(disc.CuePath.toStdString());
        const TRunResult plain = Cli({"toc", "--image", disc.CuePath});
        const TRunResult paranoia = Cli({"toc", "--paranoia", "--image", disc.CuePath});
        ASSERT_EQ(plain.ExitCode, 0) << plain.Err.toStdString();
        ASSERT_EQ(paranoia.ExitCode, 0) << paranoia.Err.toStdString();
        EXPECT_EQ(paranoia.Out, plain.Out);
        const QStringList a = Lines(plain.Out);
        ASSERT_EQ(a.size(), int(disc.Tracks.size()) + 1);
        for (size_t t = 0; t < disc.Tracks.size(); ++t) {
            SCOPED_TRACE(t + 1);
            const QStringList x = a[int(t) + 1].split('\t');
            ASSERT_EQ(x.size(), 5);
            EXPECT_EQ(x[4], disc.Tracks[t].Data ? "data" : "audio");
            const int32_t start = disc.StartSectors[t] + 150;
            const int32_t next = (t + 1 < disc.Tracks.size() ? disc.StartSectors[t + 1] : disc.LeadOutSector) + 150;
            EXPECT_EQ(x[2], Mmss(next / 75 - start / 75));
            borrowed += next % 75 < start % 75;
        }
    }
    EXPECT_GT(borrowed, 0); // a length where the frames borrow a second is among them
    // The titles of cdinfo.dat reach both.
    EXPECT_TRUE(Cli({"toc", "--paranoia", "--image", discs[0].CuePath}).Out.contains("\tMy Song\t"));
}

TEST_F(ParanoiaCliTest, RefusalsAndHelp) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{100, false}});
    EXPECT_EQ(Cli({"toc", "--paranoia"}).ExitCode, 2);
    EXPECT_EQ(Cli({"toc", "--paranoia", "--drive", "0", "--image", disc.CuePath}).ExitCode, 2);
    EXPECT_EQ(Cli({"toc", "--paranoia", "--drive", "x"}).ExitCode, 2);
    TRunResult r = Cli({"toc", "--paranoia", "--drive", "99"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err, "discwright-cli: there is no drive 99\n");
    r = Cli({"toc", "--paranoia", "--image", Folder.File("nope.cue")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("nope.cue"));
    ASSERT_TRUE(WriteFile(Folder.File("junk.cue"), "nothing here\n"));
    r = Cli({"toc", "--paranoia", "--image", Folder.File("junk.cue")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.startsWith("discwright-cli: Error while reading TOC information!")) << r.Err.toStdString();
    EXPECT_EQ(Lines(r.Err).size(), 1);
    EXPECT_TRUE(r.Out.isEmpty());
    // The image given by --drive as a drive of the settings.
    r = Cli({"--set", "CDOptions/Images=" + disc.CuePath, "drives"});
    const QString index = Lines(r.Out).last().section('\t', 0, 0);
    r = Cli({"--set", "CDOptions/Images=" + disc.CuePath, "toc", "--paranoia", "--drive", index});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(Lines(r.Out).value(1), "1\tTrack01\t00:01\t00.17\taudio");
    r = Cli({"toc", "--help"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Out.contains("--paranoia"));
}
