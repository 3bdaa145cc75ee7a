// discwright-cli drives, toc, extract and normalize, run as a program on disc images.
#include "fixtures/DiscImage.h"
#include "platform/IniFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class CdCliTest : public ::testing::Test {
protected:
    void SetUp() override { Disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks()); }
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), args); }
    QString Out(const QString& name) const { return Folder.Path() + "/out/" + name; }

    TTempProgramFolder Folder;
    TDiscImage Disc;
};

QStringList Lines(const QByteArray& text) {
    return QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST_F(CdCliTest, DrivesListsImagesWithVendorProductAndKind) {
    const TDiscImage other = MakeDiscImage(Folder.Path(), "other", {{20}});
    const TRunResult r = Cli({"drives", "--image", Disc.CuePath, "--image", other.CuePath});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    const QStringList lines = Lines(r.Out);
    ASSERT_GE(lines.size(), 2);
    const int first = lines.size() - 2; // physical drives, if any, come first
    EXPECT_EQ(lines[first], QString::number(first) + "\tImage disc\timage");
    EXPECT_EQ(lines[first + 1], QString::number(first + 1) + "\tImage other\timage");
    // Images of the settings are listed too.
    const TRunResult r2 = Cli({"--set", "CDOptions/Images=" + other.CuePath, "drives"});
    ASSERT_EQ(r2.ExitCode, 0) << r2.Err.toStdString();
    EXPECT_TRUE(Lines(r2.Out).last().endsWith("\tImage other\timage"));
    EXPECT_EQ(Cli({"drives", "--help"}).ExitCode, 0);
    EXPECT_EQ(Cli({"drives", "--bogus"}).ExitCode, 2);
    EXPECT_EQ(Cli({"drives", Disc.CuePath}).ExitCode, 2); // a stray argument is not silently ignored
    const TRunResult noValue = Cli({"drives", "--set"});
    EXPECT_EQ(noValue.ExitCode, 2);
    EXPECT_EQ(noValue.Err, "discwright-cli: Missing value after '--set'.\n");
}

TEST_F(CdCliTest, TocShowsKeyTitlesLengthsAndSizes) {
    TIniFile info(Folder.File("cdinfo.dat"));
    info.WriteInteger("32820", "TrackNumber", 4);
    info.WriteString("32820", "2", "My Song");
    ASSERT_TRUE(info.UpdateFile());
    const TRunResult r = Cli({"toc", "--image", Disc.CuePath});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(Lines(r.Out),
              QStringList({"key: 32820", "1\tTrack01\t00:16\t02.69\taudio", "2\tMy Song\t00:31\t05.22\taudio",
                           "3\tTrack03\t00:10\t01.68\taudio", "4\tTrack04\t00:08\t01.35\taudio"}));

    // The same disc as a drive of the settings, named by its number in the drive list.
    const QString images = "CDOptions/Images=" + Disc.CuePath;
    const QString index = Lines(Cli({"--set", images, "drives"}).Out).last().section('\t', 0, 0);
    const TRunResult byDrive = Cli({"--set", images, "toc", "--drive", index});
    ASSERT_EQ(byDrive.ExitCode, 0) << byDrive.Err.toStdString();
    EXPECT_EQ(byDrive.Out, r.Out);

    const TDiscImage mixed = MakeDiscImage(Folder.Path(), "mixed", {{40, true}, {300}});
    const TRunResult m = Cli({"toc", "--image", mixed.CuePath});
    ASSERT_EQ(m.ExitCode, 0) << m.Err.toStdString();
    EXPECT_EQ(Lines(m.Out),
              QStringList({"key: ", "1\tTrack01\t00:00\t00.00\tdata", "2\tTrack02\t00:04\t00.67\taudio"}));

    // A NUL in a title (cdinfo.dat is a text file anyone may edit) no longer cuts its line short.
    info.WriteString("32820", "3", QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    ASSERT_TRUE(info.UpdateFile());
    EXPECT_TRUE(Cli({"toc", "--image", Disc.CuePath}).Out.contains(QByteArray("\n3\ta\0b\t00:10\t01.68\taudio\n", 25)));

    EXPECT_EQ(Cli({"toc"}).ExitCode, 2);
    EXPECT_EQ(Cli({"toc", "--drive", "0", "--image", Disc.CuePath}).ExitCode, 2);
    const TRunResult missing = Cli({"toc", "--image", Folder.File("nope.cue")});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_TRUE(missing.Err.contains("nope.cue"));
    const TRunResult folder = Cli({"toc", "--image", Folder.Path()});
    EXPECT_EQ(folder.ExitCode, 1);
    EXPECT_TRUE(folder.Err.endsWith(" is a folder, not a disc image\n")) << folder.Err.constData();
    EXPECT_EQ(Cli({"toc", "--image", Disc.CuePath, "stray"}).ExitCode, 2);
    EXPECT_EQ(Cli({"toc", "--drive", "7"}).ExitCode, 1);
}

TEST_F(CdCliTest, ExtractWritesTheTrackNamedFromCdinfo) {
    TIniFile info(Folder.File("cdinfo.dat"));
    info.WriteInteger("32820", "TrackNumber", 4);
    info.WriteString("32820", "2", "My: Song?");
    ASSERT_TRUE(info.UpdateFile());
    const TRunResult r = Cli({"extract", "--image", Disc.CuePath, "--track", "2", "--out", Folder.Path() + "/out"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(Lines(r.Out).value(0), Out("My Song.wav"));
    EXPECT_TRUE(r.Err.contains("extracting 100%"));
    const QByteArray wav = ReadFile(Out("My Song.wav"));
    EXPECT_EQ(wav, MakeWav(Disc.TrackData[1], 2, 44100, 16));

    // The default folder is the OutputFolder setting, the default name TrackNN.
    const QString settingFolder = Folder.Path() + "/setting";
    const TRunResult d = Cli(
        {"--set", "CommonOptions/OutputFolder=" + settingFolder, "extract", "--image", Disc.CuePath, "--track", "1"});
    ASSERT_EQ(d.ExitCode, 0) << d.Err.toStdString();
    EXPECT_EQ(ReadFile(settingFolder + "/Track01.wav"), MakeWav(Disc.TrackData[0], 2, 44100, 16));
    // So is it when the title leaves nothing for a file name (not the hidden file ".wav").
    const TRunResult e =
        Cli({"extract", "--image", Disc.CuePath, "--track", "4", "--out", settingFolder, "--title", "///"});
    ASSERT_EQ(e.ExitCode, 0) << e.Err.toStdString();
    EXPECT_EQ(Lines(e.Out).value(0), settingFolder + "/Track04.wav");
    // Nor a name that starts with a dot.
    const TRunResult dots =
        Cli({"extract", "--image", Disc.CuePath, "--track", "4", "--out", settingFolder, "--title", "...Baby"});
    ASSERT_EQ(dots.ExitCode, 0) << dots.Err.toStdString();
    EXPECT_EQ(Lines(dots.Out).value(0), settingFolder + "/Baby.wav");

    // --track takes the number the disc gives the track, also when it numbers from 2.
    TDiscImageOptions options;
    options.FirstNumber = 2;
    const TDiscImage later = MakeDiscImage(Folder.Path(), "later", {{40}, {33}}, options);
    const TRunResult l = Cli({"extract", "--image", later.CuePath, "--track", "3", "--out", settingFolder});
    ASSERT_EQ(l.ExitCode, 0) << l.Err.toStdString();
    EXPECT_EQ(ReadFile(settingFolder + "/Track03.wav"), MakeWav(later.TrackData[1], 2, 44100, 16));
}

TEST_F(CdCliTest, ExtractLimitsNormalizesAndProtectsExistingFiles) {
    const QStringList base{"extract", "--image", Disc.CuePath, "--out", Folder.Path() + "/out"};
    TRunResult r = Cli(base + QStringList{"--track", "2", "--seconds", "30", "--title", "short"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(ReadFile(Out("short.wav")).size(), 44 + 5292000);

    r = Cli(base + QStringList{"--track", "4", "--normalize", "50", "--title", "half"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains("normalizing"));
    const QByteArray half = ReadFile(Out("half.wav"));
    ASSERT_EQ(half.size(), 44 + Disc.TrackData[3].size());
    const int16_t s = qFromLittleEndian<int16_t>(Disc.TrackData[3].constData() + 1000);
    EXPECT_EQ(qFromLittleEndian<int16_t>(half.constData() + 1044), int16_t(std::rint(s * 0.5)));

    // An existing file is kept unless --yes allows overwriting.
    r = Cli(base + QStringList{"--track", "3", "--title", "half"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(ReadFile(Out("half.wav")), half);
    r = Cli(base + QStringList{"--yes", "--track", "3", "--title", "half"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(ReadFile(Out("half.wav")), MakeWav(Disc.TrackData[2], 2, 44100, 16));

    for (const QStringList& bad :
         {QStringList{"--track", "0"}, QStringList{"--track", "5"}, QStringList{"--track", "1", "--seconds", "-3"},
          QStringList{"--track", "1", "--normalize", "x"}, QStringList{}}) {
        r = Cli(base + bad);
        EXPECT_EQ(r.ExitCode, 2) << bad.join(' ').toStdString();
        EXPECT_EQ(Lines(r.Err).size(), 1) << r.Err.toStdString();
    }
}

TEST_F(CdCliTest, ExtractFailuresUseTheJobWindowTexts) {
    const TDiscImage mixed = MakeDiscImage(Folder.Path(), "mixed", {{300}, {40, true}});
    TRunResult r = Cli({"extract", "--image", mixed.CuePath, "--track", "2", "--out", Folder.Path() + "/out"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("Error while reading CD information!")) << r.Err.toStdString();

    // A folder standing where the file should go: it cannot be created.
    QDir().mkpath(Out("Track01.wav"));
    r = Cli({"--yes", "extract", "--image", Disc.CuePath, "--track", "1", "--out", Folder.Path() + "/out"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains(Out("Track01.wav").toUtf8() +
                               " is not a valid file name.Please rename the Title in the CD tracks list."))
        << r.Err.toStdString();
}

TEST_F(CdCliTest, NormalizeScalesInPlaceAndRefusesOtherFiles) {
    const QByteArray pcm = MakePcm16(3000, 2, 5);
    const QString path = Folder.File("a.wav");
    WriteFile(path, MakeWav(pcm, 2, 44100, 16));
    TRunResult r = Cli({"normalize", "50", path});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    const QByteArray scaled = ReadFile(path);
    ASSERT_EQ(scaled.size(), 44 + pcm.size());
    for (int i = 0; i < pcm.size(); i += 202) {
        const int16_t s = qFromLittleEndian<int16_t>(pcm.constData() + i);
        EXPECT_EQ(qFromLittleEndian<int16_t>(scaled.constData() + 44 + i), int16_t(std::rint(s * 0.5)));
    }

    // An 8-bit file would be destroyed by a 16-bit pass: it is left alone.
    const QByteArray eight = MakeWav(QByteArray(1000, char(0x90)), 1, 8000, 8);
    WriteFile(Folder.File("b.wav"), eight);
    r = Cli({"normalize", "50", Folder.File("b.wav")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Err.contains("16-bit"));
    EXPECT_EQ(ReadFile(Folder.File("b.wav")), eight);

    EXPECT_EQ(Cli({"normalize", "fifty", path}).ExitCode, 2);
    EXPECT_EQ(Cli({"normalize", "50"}).ExitCode, 2);
    EXPECT_EQ(Cli({"normalize", "50", Folder.File("missing.wav")}).ExitCode, 1);
    EXPECT_EQ(Cli({"normalize", "--help"}).ExitCode, 0);
}

TEST_F(CdCliTest, ExtractAgreesWithCdParanoia) {
    const QString paranoia = FindTool("cd-paranoia");
    if (paranoia.isEmpty())
        GTEST_SKIP() << "cd-paranoia is not installed";
    for (const char* track : {"1", "4"}) {
        const QString theirs = Folder.File(QStringLiteral("paranoia%1.wav").arg(track));
        ASSERT_EQ(RunProgram(paranoia, {"-q", "-d", Disc.CuePath, track, theirs}).ExitCode, 0);
        const TRunResult r = Cli({"extract", "--image", Disc.CuePath, "--track", track, "--title", "ours", "--out",
                                  Folder.Path() + "/out", "--yes"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
        EXPECT_TRUE(ReadFile(Out("ours.wav")) == ReadFile(theirs)) << track;
    }
}

TEST_F(CdCliTest, BrokenImagesAreRefusedWithOneLineNamingTheTrack) {
    // A truncated download: track 3's INDEX lies beyond the end of the .bin.
    WriteFile(Folder.File("cut.cue"), "FILE \"disc.bin\" BINARY\n TRACK 01 AUDIO\n INDEX 01 00:00:00\n"
                                      " TRACK 02 AUDIO\n INDEX 01 00:30:00\n TRACK 03 AUDIO\n INDEX 01 01:30:00\n");
    // Out-of-order INDEX lines.
    WriteFile(Folder.File("order.cue"), "FILE \"disc.bin\" BINARY\n TRACK 01 AUDIO\n INDEX 01 00:00:00\n"
                                        " TRACK 02 AUDIO\n INDEX 01 00:30:00\n TRACK 03 AUDIO\n INDEX 01 00:20:00\n");
    const struct {
        const char* Cue;
        const char* Expected;
    } images[] = {{"cut.cue", "track 3 starts at 01:30:00, past the end of disc.bin (01:05:22)"},
                  {"order.cue", "track 3 starts at 00:20:00, not after track 2 (00:30:00)"}};
    for (const auto& image : images) {
        const QString cue = Folder.File(image.Cue);
        const QString images = "CDOptions/Images=" + cue;
        const QStringList listed = Lines(Cli({"--set", images, "drives"}).Out);
        ASSERT_FALSE(listed.isEmpty());
        const QString index = listed.last().section('\t', 0, 0);
        for (const QStringList& command :
             {QStringList{"drives", "--image", cue}, QStringList{"toc", "--image", cue},
              QStringList{"extract", "--image", cue, "--track", "1", "--out", Folder.Path() + "/out"},
              QStringList{"--set", images, "toc", "--drive", index}}) {
            const TRunResult r = Cli(command);
            EXPECT_EQ(r.ExitCode, 1) << command.join(' ').toStdString();
            EXPECT_EQ(Lines(r.Err).size(), 1) << r.Err.toStdString();
            EXPECT_TRUE(r.Err.contains(image.Expected)) << r.Err.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(Out("Track01.wav")));

    // A 2048-byte data track before the audio: lengths and audio as the tracks really lie.
    const TDiscImage mixed = MakeDiscImage(Folder.Path(), "mixed", {{300, true, true}, {1500}});
    const TRunResult toc = Cli({"toc", "--image", mixed.CuePath});
    ASSERT_EQ(toc.ExitCode, 0) << toc.Err.toStdString();
    EXPECT_EQ(Lines(toc.Out).mid(1),
              QStringList({"1\tTrack01\t00:04\t00.67\tdata", "2\tTrack02\t00:20\t03.36\taudio"}));
    const TRunResult r = Cli({"extract", "--image", mixed.CuePath, "--track", "2", "--out", Folder.Path() + "/out"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(ReadFile(Out("Track02.wav")) == MakeWav(mixed.TrackData[1], 2, 44100, 16));
}

TEST_F(CdCliTest, ArgumentsThatAreNotUtf8AreRefusedBeforeAnythingIsWritten) {
    WriteFile(Folder.File("a.wav"), MakeWav(MakePcm16(1000, 2, 3), 2, 44100, 16));
    const QString cli = BinDir() + "/discwright-cli";
    // Qt would read the Latin-1 byte 0xE9 as U+FFFD and write "out\xEF\xBF\xBD.wav".
    const QString latin1 = "\"$(printf 'out\\351')\"";
    for (const QString& command :
         {"wav convert a.wav " + latin1 + ".wav", "extract --image disc.cue --track 1 --out " + latin1,
          "extract --image disc.cue --track 1 --out out --title " + latin1}) {
        const TRunResult r =
            RunProgram("/bin/sh", {"-c", "cd \"$0\" && \"$1\" --program-folder . " + command, Folder.Path(), cli});
        EXPECT_EQ(r.ExitCode, 2) << command.toStdString();
        EXPECT_EQ(Lines(r.Err).size(), 1) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains("out\\xe9")) << r.Err.toStdString();
    }
    EXPECT_EQ(QDir(Folder.Path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({"a.wav", "disc.bin", "disc.cue"}));
    // Names that are UTF-8 are used exactly.
    const TRunResult ok = Cli({"extract", "--image", Disc.CuePath, "--track", "4", "--out", Folder.Path() + "/out",
                               "--title", QString::fromUtf8("caf\xC3\xA9 \xE2\x99\xAA")});
    ASSERT_EQ(ok.ExitCode, 0) << ok.Err.toStdString();
    EXPECT_TRUE(QFile::exists(Folder.Path() + "/out/" + QString::fromUtf8("caf\xC3\xA9 \xE2\x99\xAA.wav")));
}
