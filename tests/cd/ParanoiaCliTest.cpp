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

// Every column agrees, titles from cdinfo.dat included, except that each path keeps its own
// length rule: toc subtracts the minutes and seconds of the start addresses (frames
// ignored), the CD input truncates the track's sectors, so where the frames borrow the CD
// input's length is one second shorter (with the size that goes with it).
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
        const QStringList a = Lines(plain.Out);
        const QStringList b = Lines(paranoia.Out);
        ASSERT_EQ(a.size(), int(disc.Tracks.size()) + 1);
        ASSERT_EQ(b.size(), a.size());
        EXPECT_EQ(b[0], a[0]); // the disc key
        for (size_t t = 0; t < disc.Tracks.size(); ++t) {
            SCOPED_TRACE(t + 1);
            const QStringList x = a[int(t) + 1].split('\t');
            const QStringList y = b[int(t) + 1].split('\t');
            ASSERT_EQ(x.size(), 5);
            ASSERT_EQ(y.size(), 5);
            EXPECT_EQ(y[0], x[0]);
            EXPECT_EQ(y[1], x[1]);
            EXPECT_EQ(y[4], x[4]);
            EXPECT_EQ(y[4], disc.Tracks[t].Data ? "data" : "audio");
            const int32_t start = disc.StartSectors[t] + 150;
            const int32_t next = (t + 1 < disc.Tracks.size() ? disc.StartSectors[t + 1] : disc.LeadOutSector) + 150;
            EXPECT_EQ(x[2], Mmss(next / 75 - start / 75));
            EXPECT_EQ(y[2], Mmss((next - start) / 75));
            if (next % 75 < start % 75) {
                ++borrowed;
                EXPECT_NE(y[3], x[3]);
            } else {
                EXPECT_EQ(y, x);
            }
        }
    }
    EXPECT_GT(borrowed, 0);
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
