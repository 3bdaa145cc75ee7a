// discwright-cli rip --single-file, run as a user would: the disc ripped into one WAV file and a
// cue sheet, which opened as an image is the same disc (toc, disc id, every track's audio, the
// CD input's reading too); what it refuses; the cue sheet's lines.
#include "jobs/ImageRip.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class ImageRipTest : public ::testing::Test {
protected:
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), args); }
    QString File(const QString& name) const { return Folder.File(name); }

    TTempProgramFolder Folder;
};

QString DiscId(const QString& image) {
    Settings.Images = image;
    TCDOpenRequest request;
    request.Adapter = 1;
    const int h = GetCDHandle(&request);
    TDisc disc;
    const bool read = h && ReadDisc(h, disc);
    CloseCDHandle(h);
    return read ? disc.CddbDiscId() : CDLastError();
}

} // namespace

TEST_F(ImageRipTest, TheImageOpensAsTheSameDisc) {
    // A disc with pregaps of their own audio (one before the first track), and a cdrdao .toc
    // whose first track starts after silence, with a further index.
    const TDiscImage gaps = MakeDiscImage(
        Folder.Path(), "gaps", {{1234, false, false, 40}, {2300, false, false, 150}, {750, false, false, 32}, {613}});
    TDiscImageOptions bigEndian;
    bigEndian.BigEndian = true;
    bigEndian.Seed = 5;
    MakeDiscImage(Folder.Path(), "raw", {{400}, {300}}, bigEndian);
    WriteFile(File("silence.toc"), "CD_DA\nTRACK AUDIO\nCOPY\nSILENCE 00:00:32\nFILE \"raw.bin\" 0 00:05:25\n"
                                   "START 00:00:32\nTRACK AUDIO\nFILE \"raw.bin\" 00:05:25 00:04:00\n"
                                   "START 00:00:10\nINDEX 00:01:00\n");
    for (const QString& source : {gaps.CuePath, File("silence.toc")}) {
        SCOPED_TRACE(source.toStdString());
        const QString out = File("out-" + QFileInfo(source).suffix());
        const TRunResult rip = Cli({"rip", "--image", source, "--single-file", "--format", "wav", "--out", out,
                                    "--artist", "Band", "--album", "Live", "--title", "2=Second \"Song\""});
        ASSERT_EQ(rip.ExitCode, 0) << rip.Err.toStdString();
        const QString wav = out + "/Band - Live.wav";
        const QString cue = out + "/Band - Live.cue";
        EXPECT_EQ(rip.Out, (wav + '\n' + cue + '\n').toUtf8());
        EXPECT_TRUE(rip.Err.contains("reading the disc into Band - Live.wav  100%")) << rip.Err.toStdString();
        EXPECT_TRUE(ReadFile(cue).contains("PERFORMER \"Band\"\nTITLE \"Live\"\nFILE \"Band - Live.wav\" WAVE\n"));
        EXPECT_TRUE(ReadFile(cue).contains("TITLE \"Second 'Song'\"")) << ReadFile(cue).constData();

        // The same table of contents, disc id and audio, read either way.
        const TRunResult toc = Cli({"toc", "--image", source});
        ASSERT_EQ(toc.ExitCode, 0) << toc.Err.toStdString();
        // The sheet's CD-TEXT names track 2 as the rip did.
        const QByteArray named = QByteArray(toc.Out).replace("\tTrack02\t", "\tSecond 'Song'\t");
        EXPECT_EQ(Cli({"toc", "--image", cue}).Out, named);
        EXPECT_EQ(Cli({"toc", "--paranoia", "--image", cue}).Out, named);
        EXPECT_EQ(DiscId(cue), DiscId(source));
        const int tracks = int(QString::fromUtf8(toc.Out).count('\n')) - 1;
        for (int n = 1; n <= tracks; ++n) {
            const QString name = QStringLiteral("t%1").arg(n);
            ASSERT_EQ(
                Cli({"extract", "--image", source, "--track", QString::number(n), "--out", out + "/a", "--title", name})
                    .ExitCode,
                0);
            const TRunResult back =
                Cli({"extract", "--image", cue, "--track", QString::number(n), "--out", out + "/b", "--title", name});
            ASSERT_EQ(back.ExitCode, 0) << back.Err.toStdString();
            EXPECT_TRUE(ReadFile(out + "/a/" + name + ".wav") == ReadFile(out + "/b/" + name + ".wav")) << n;
        }
    }
    // The pregaps are in the file where the disc has them: the WAV file is the disc from its
    // first sector.
    EXPECT_TRUE(ReadFile(File("out-cue/Band - Live.wav")).mid(44) == gaps.DiscAudio());
    const QByteArray sheet = ReadFile(File("out-cue/Band - Live.cue"));
    EXPECT_TRUE(sheet.contains("TRACK 01 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:00:40\n")) << sheet.constData();
    EXPECT_TRUE(sheet.contains("TRACK 03 AUDIO\n    INDEX 00 00:49:49\n    INDEX 01 00:50:06\n")) << sheet.constData();
    const QByteArray tocSheet = ReadFile(File("out-toc/Band - Live.cue"));
    EXPECT_TRUE(tocSheet.contains("TRACK 01 AUDIO\n    FLAGS DCP\n    INDEX 00 00:00:00\n    INDEX 01 00:00:32\n"))
        << tocSheet.constData();
    EXPECT_TRUE(tocSheet.contains("INDEX 01 00:05:67\n    INDEX 02 00:06:67\n")) << tocSheet.constData();

    // Asked again, it writes over nothing without --yes.
    const QByteArray before = ReadFile(File("out-cue/Band - Live.wav"));
    const TRunResult again = Cli({"rip", "--image", gaps.CuePath, "--single-file", "--format", "wav", "--out",
                                  File("out-cue"), "--artist", "Band", "--album", "Live"});
    EXPECT_EQ(again.ExitCode, 1);
    EXPECT_TRUE(again.Err.contains("Band - Live.wav exists; not overwritten")) << again.Err.toStdString();
    EXPECT_TRUE(ReadFile(File("out-cue/Band - Live.wav")) == before);
}

TEST_F(ImageRipTest, AFlacImageOpensAsTheSameDisc) {
    const QString flac = FindTool("flac");
    if (flac.isEmpty())
        GTEST_SKIP() << "flac is not installed";
    const TDiscImage disc =
        MakeDiscImage(Folder.Path(), "disc", {{900, false, false, 40}, {1200, false, false, 75}, {433}});
    const QString out = File("out");
    const TRunResult rip =
        Cli({"rip", "--image", disc.CuePath, "--single-file", "--format", "flac", "--out", out, "--album", "Live"});
    ASSERT_EQ(rip.ExitCode, 0) << rip.Err.toStdString();
    const QString cue = out + "/Live.cue";
    EXPECT_EQ(rip.Out, (out + "/Live.flac\n" + cue + '\n').toUtf8());
    EXPECT_TRUE(ReadFile(cue).contains("FILE \"Live.flac\" WAVE\n")) << ReadFile(cue).constData();
    // The whole disc from its first sector, as flac decodes it.
    const TRunResult decoded = RunProgram(
        flac, {"-d", "-s", "-c", "--force-raw-format", "--endian=little", "--sign=signed", out + "/Live.flac"});
    ASSERT_EQ(decoded.ExitCode, 0) << decoded.Err.constData();
    EXPECT_TRUE(decoded.Out == disc.DiscAudio());
    // Opened as an image: the same table of contents, disc id and tracks.
    EXPECT_EQ(Cli({"toc", "--image", cue}).Out, Cli({"toc", "--image", disc.CuePath}).Out);
    EXPECT_EQ(DiscId(cue), DiscId(disc.CuePath));
    for (int n = 1; n <= 3; ++n) {
        for (const QString& image : {disc.CuePath, cue})
            ASSERT_EQ(Cli({"extract", "--image", image, "--track", QString::number(n), "--out", out + "/x", "--title",
                           (image == cue ? "back" : "source") + QString::number(n)})
                          .ExitCode,
                      0);
        EXPECT_TRUE(ReadFile(out + QStringLiteral("/x/back%1.wav").arg(n)) ==
                    ReadFile(out + QStringLiteral("/x/source%1.wav").arg(n)))
            << n;
    }
}

TEST_F(ImageRipTest, WhatASingleFileRipRefuses) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{100}, {80}});
    const TDiscImage mixed = MakeDiscImage(Folder.Path(), "mixed", {{50, true}, {80}});
    const struct {
        QStringList Args;
        int ExitCode;
        const char* Expected;
    } cases[] = {
        {{"--image", disc.CuePath, "--format", "mp3"},
         2,
         "--single-file writes a WAV or FLAC image: give --format wav or flac"},
        {{"--image", disc.CuePath, "--format", "wav", "--tracks", "1"}, 2, "--tracks and --paranoia cannot be given"},
        {{"--image", disc.CuePath, "--format", "wav", "--paranoia"}, 2, "--tracks and --paranoia cannot be given"},
        {{"--image", mixed.CuePath, "--format", "wav"}, 1, "track 1 is a data track"},
    };
    for (const auto& c : cases) {
        const TRunResult r = Cli(QStringList{"rip", "--single-file", "--out", File("out")} + c.Args);
        EXPECT_EQ(r.ExitCode, c.ExitCode) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(c.Expected)) << r.Err.toStdString();
    }
    EXPECT_TRUE(QDir(File("out")).entryList(QDir::Files).isEmpty());
}

TEST_F(ImageRipTest, TheCueSheetPlacesSectorsBeforeTheFileAsPregap) {
    // A disc whose first sectors were not in the image: the file starts later and the cue
    // sheet puts the rest back as silence, so the tracks keep their places.
    TImageLayout layout;
    layout.Disc.Tracks = {{1, 100, false}, {2, 400, false}};
    layout.Disc.LeadOut = 700;
    layout.First = 60;
    layout.Tracks = {{"", 60, {}, false, true, false, "USABC9900001"},
                     {"Two", 350, {450, 500}, false, false, false, ""}};
    TDiscFields fields;
    fields.Year = "2001";
    EXPECT_EQ(ImageCueSheet(layout, fields, "x.wav"),
              "REM DATE \"2001\"\nREM DISCID 0a000802\nFILE \"x.wav\" WAVE\n"
              "  TRACK 01 AUDIO\n    FLAGS PRE\n    ISRC USABC9900001\n    PREGAP 00:00:60\n"
              "    INDEX 00 00:00:00\n    INDEX 01 00:00:40\n"
              "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 00 00:03:65\n    INDEX 01 00:04:40\n"
              "    INDEX 02 00:05:15\n    INDEX 03 00:05:65\n");
    // 2 tracks, 3 + 7 seconds to their starts, 8 seconds long.
    EXPECT_EQ(ImageBaseName(fields, layout.Disc), "Disc 0a000802");
}
