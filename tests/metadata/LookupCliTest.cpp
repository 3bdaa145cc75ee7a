// discwright-cli lookup and rip --pattern, run as programs: MusicBrainz answers served on
// 127.0.0.1 (two releases: both listed, the second picked and stored for toc), CD-TEXT of a
// cue sheet in toc with no network and no cdinfo.dat entry, and rips named by a pattern into
// folders without writing over an earlier rip.
#include "fixtures/DiscImage.h"
#include "metadata/MusicBrainzJson.h"
#include "metadata/MusicBrainzTestServer.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>

#include <discid/discid.h>
#include <gtest/gtest.h>

namespace {

QStringList Lines(const QByteArray& text) {
    return QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts);
}

class LookupCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        Disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
        // The disc id as libdiscid computes it from the fixture's layout.
        DiscId* d = discid_new();
        int offsets[] = {4897 + 150, 150, 1234 + 150, 3534 + 150, 4284 + 150};
        discid_put(d, 1, 4, offsets);
        Id = QString::fromLatin1(discid_get_id(d));
        discid_free(d);
    }
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), args); }
    // Every file below a folder, relative to it, sorted.
    // The files below `folder` whose names match `filter` (every file by default).
    static QStringList FilesBelow(const QString& folder, const QString& filter = QStringLiteral("*")) {
        QStringList files;
        for (QDirIterator it(folder, {filter}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            files << QDir(folder).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    TTempProgramFolder Folder;
    TDiscImage Disc;
    QString Id;
};

} // namespace

TEST_F(LookupCliTest, MusicBrainzReleasesListedPickedAndStored) {
    TWebTestServer server;
    server.SetAnswer("/ws/2/discid/" + Id, 200, TwoReleasesJson(Id));
    const QStringList lookup{"lookup",      "--image",  Disc.CuePath,    "--source",
                             "musicbrainz", "--server", server.BaseUrl()};
    const TRunResult listed = Cli(lookup);
    ASSERT_EQ(listed.ExitCode, 0) << listed.Err.toStdString();
    EXPECT_EQ(Lines(listed.Out), QStringList({"source: musicbrainz", "mbdiscid: " + Id,
                                              "candidate 1: Some Band feat. Guest / First Album (1999, GB, CD)",
                                              "candidate 2: Some Band / First Album (Deluxe) (2009, US, Enhanced CD)",
                                              "artist: Some Band feat. Guest", "album: First Album", "year: 1999",
                                              "genre: ", "track 1: Opening", "track 2: Second Song", "track 3: Third",
                                              "track 4: Closing"}));
    EXPECT_FALSE(QFile::exists(Folder.File("cdinfo.dat")));

    const TRunResult picked = Cli(lookup + QStringList{"--pick", "2", "--apply"});
    ASSERT_EQ(picked.ExitCode, 0) << picked.Err.toStdString();
    EXPECT_TRUE(picked.Out.contains("album: First Album (Deluxe)\n"));
    const TRunResult toc = Cli({"toc", "--image", Disc.CuePath});
    ASSERT_EQ(toc.ExitCode, 0) << toc.Err.toStdString();
    EXPECT_EQ(
        Lines(toc.Out).mid(1),
        QStringList({"1\tOpening (Remaster)\t00:16\t02.69\taudio", "2\tSecond Song (Remaster)\t00:31\t05.22\taudio",
                     "3\tThird (Remaster)\t00:10\t01.68\taudio", "4\tClosing (Remaster)\t00:08\t01.35\taudio"}));

    // Nothing found: exit 1 with each source's reason, nothing stored.
    const TRunResult none =
        Cli({"lookup", "--image", Disc.CuePath, "--source", "musicbrainz", "--server", "http://127.0.0.1:1"});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_TRUE(none.Err.contains("nothing found: musicbrainz: could not connect to 127.0.0.1:1"))
        << none.Err.toStdString();
    EXPECT_EQ(Cli(lookup + QStringList{"--pick", "3"}).ExitCode, 2);
    EXPECT_EQ(Cli({"lookup", "--image", Disc.CuePath, "--source", "freedb"}).ExitCode, 2);
}

TEST_F(LookupCliTest, CueSheetCdTextNamesTheDiscWithoutNetworkOrCdinfo) {
    QByteArray cue = ReadFile(Disc.CuePath);
    cue.replace("FILE", "PERFORMER \"Some Band\"\nTITLE \"First Album\"\nFILE");
    cue.replace("  TRACK 01 AUDIO\n", "  TRACK 01 AUDIO\n    TITLE \"Opening\"\n");
    cue.replace("  TRACK 03 AUDIO\n", "  TRACK 03 AUDIO\n    TITLE \"Third\"\n");
    ASSERT_TRUE(WriteFile(Disc.CuePath, cue));
    // Servers that would fail the run if asked: nothing listens there.
    const QStringList offline{"--set", "Metadata/MusicBrainzServer=http://127.0.0.1:1", "--set",
                              "QueryCDDB/Server=127.0.0.1:1"};
    const TRunResult toc = Cli(offline + QStringList{"toc", "--image", Disc.CuePath});
    ASSERT_EQ(toc.ExitCode, 0) << toc.Err.toStdString();
    EXPECT_EQ(Lines(toc.Out).mid(1, 3),
              QStringList({"1\tOpening\t00:16\t02.69\taudio", "2\tTrack02\t00:31\t05.22\taudio",
                           "3\tThird\t00:10\t01.68\taudio"}));
    EXPECT_FALSE(QFile::exists(Folder.File("cdinfo.dat")));
    // The CD input's way to the drive lists the same.
    EXPECT_EQ(Cli(offline + QStringList{"toc", "--paranoia", "--image", Disc.CuePath}).Out, toc.Out);
    const TRunResult lookup = Cli(offline + QStringList{"lookup", "--image", Disc.CuePath});
    ASSERT_EQ(lookup.ExitCode, 0) << lookup.Err.toStdString();
    EXPECT_EQ(Lines(lookup.Out).mid(0, 4),
              QStringList({"source: cdtext", "candidate 1: Some Band / First Album (CD-TEXT)", "artist: Some Band",
                           "album: First Album"}));
}

TEST_F(LookupCliTest, RipPatternMakesFoldersAndASecondRipKeepsTheFirst) {
    const QString out = Folder.File("out");
    const QStringList rip{"rip",
                          "--image",
                          Disc.CuePath,
                          "--tracks",
                          "1,2",
                          "--format",
                          "wav",
                          "--out",
                          out,
                          "--artist",
                          "Some Band",
                          "--album",
                          "A/B",
                          "--title",
                          "1=Opening",
                          "--pattern",
                          "%artist%/%album%/%track% %title%"};
    const TRunResult first = Cli(rip);
    ASSERT_EQ(first.ExitCode, 0) << first.Err.toStdString();
    EXPECT_EQ(FilesBelow(out), QStringList({"Some Band/AB/01 Opening.wav", "Some Band/AB/02 Track02.wav",
                                            "Some Band/AB/AB.cue", "Some Band/AB/AB.log"}));
    EXPECT_EQ(ReadFile(out + "/Some Band/AB/02 Track02.wav").mid(44), Disc.TrackData[1]);

    // The same rip again: the first set stays, the new one goes beside it.
    const TRunResult second = Cli(rip);
    ASSERT_EQ(second.ExitCode, 0) << second.Err.toStdString();
    EXPECT_TRUE(second.Err.contains("exist already")) << second.Err.toStdString();
    EXPECT_EQ(FilesBelow(out, "*.wav"), QStringList({"Some Band/AB/01 Opening (2).wav", "Some Band/AB/01 Opening.wav",
                                                     "Some Band/AB/02 Track02 (2).wav", "Some Band/AB/02 Track02.wav"}));
    // The second rip's log and cue sheet go beside the first rip's, which stay.
    EXPECT_EQ(Lines(second.Out).mid(2),
              QStringList({out + "/Some Band/AB/01 Opening (2).wav", out + "/Some Band/AB/02 Track02 (2).wav",
                           out + "/Some Band/AB/AB (2).log", out + "/Some Band/AB/AB (2).cue"}));
    // With --yes the files are replaced.
    ASSERT_EQ(Cli(QStringList{"--yes"} + rip).ExitCode, 0);
    EXPECT_EQ(FilesBelow(out, "*.wav").size(), 4);
    EXPECT_EQ(Cli(QStringList(rip).replaceInStrings("%artist%/%album%/%track% %title%", "")).ExitCode, 2);
}
