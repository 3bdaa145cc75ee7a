// discwright-cli rip and convert, run as a user would: whole rips of disc images, an encoder
// that fails for one track, the CD input path, and conversions with their exit codes.
#include "fixtures/DiscImage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

class RipCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        Lame = FindTool(QStringLiteral("lame"));
        if (Lame.isEmpty())
            GTEST_SKIP() << "lame is not installed";
        Disc = MakeDiscImage(Folder.Path(), QStringLiteral("disc"),
                             {TImageTrack{160, false}, TImageTrack{150, false}, TImageTrack{170, false}});
        OutDir = Folder.File(QStringLiteral("out"));
    }

    TRunResult Rip(const QStringList& args, const QString& cli = QString()) {
        const QStringList all = QStringList{QStringLiteral("--program-folder"),
                                            Folder.Path(),
                                            QStringLiteral("--set"),
                                            QStringLiteral("AccurateRip/Server=") + UnreachableServer,
                                            QStringLiteral("rip"),
                                            QStringLiteral("--image"),
                                            Disc.CuePath,
                                            QStringLiteral("--out"),
                                            OutDir} +
                                args;
        return cli.isEmpty() ? RunCli(Folder.Path(), QStringList{QStringLiteral("rip"), QStringLiteral("--image"),
                                                                 Disc.CuePath, QStringLiteral("--out"), OutDir} +
                                                         args)
                             : RunProgram(cli, all);
    }
    QString Out(const QString& name) const { return OutDir + '/' + name; }
    // The lines of a rip's standard output that name audio files (not its AccurateRip lines,
    // log or cue sheet).
    static QByteArray AudioLines(const QByteArray& out) {
        QByteArray lines;
        for (const QByteArray& line : out.split('\n'))
            if (!line.isEmpty() && !line.startsWith("accuraterip:") && !line.endsWith(".log") && !line.endsWith(".cue"))
                lines += line + '\n';
        return lines;
    }

    TTempProgramFolder Folder;
    TDiscImage Disc;
    QString OutDir;
    QString Lame;
};

TEST_F(RipCliTest, RipsSelectedTracksWithTitlesAndDiscTags) {
    const TRunResult r = Rip({"--format", "mp3", "--tracks", "1,3", "--title", "3=Last: One?", "--artist", "Band",
                              "--album", "Disc", "--year", "2001", "--genre", "Rock", "--set", "ID3/Use=1"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(AudioLines(r.Out), (Out("Track01.mp3") + '\n' + Out("Last One.mp3") + '\n').toUtf8());
    EXPECT_TRUE(r.Err.contains("Extracting(01/02): Track01")) << r.Err.toStdString();
    // Only the file name is cleaned: the step line and the tag show the title as given, on
    // both read paths.
    EXPECT_TRUE(r.Err.contains("Encoding(02/02): Last: One?"));
    EXPECT_EQ(QDir(OutDir).entryList({"*.mp3"}, QDir::Files), QStringList({"Last One.mp3", "Track01.mp3"}));
    const TRunResult tag = RunCli(Folder.Path(), {"tag", "show", Out("Last One.mp3")});
    EXPECT_TRUE(tag.Out.contains("title: Last: One?\nartist: Band\nalbum: Disc\nyear: 2001\n"))
        << tag.Out.toStdString();
    EXPECT_TRUE(tag.Out.contains("track: 3\ngenre: 17 Rock")) << tag.Out.toStdString();
    const TRunResult secure = Rip({"--paranoia", "--format", "mp3", "--tracks", "2", "--title", "2=A / B: c"});
    ASSERT_EQ(secure.ExitCode, 0) << secure.Err.toStdString();
    EXPECT_TRUE(secure.Err.contains("A / B: c: Extracting...")) << secure.Err.toStdString();
    EXPECT_TRUE(RunCli(Folder.Path(), {"tag", "show", Out("A  B c.mp3")}).Out.contains("title: A / B: c\n"));

    const TRunResult wav = Rip({"--format", "wav", "--tracks", "2"});
    ASSERT_EQ(wav.ExitCode, 0) << wav.Err.toStdString();
    EXPECT_EQ(ReadFile(Out("Track02.wav")).mid(44), Disc.TrackData[1]);
    EXPECT_EQ(Rip({"--format", "aac"}).ExitCode, 2);
    EXPECT_EQ(Rip({"--tracks", "4"}).ExitCode, 2);
    // A genre number outside 0 to 255, or one the genre list has no place for, is refused
    // rather than written as no genre.
    const TRunResult badGenre = Rip({"--genre", "191"});
    EXPECT_EQ(badGenre.ExitCode, 2);
    EXPECT_TRUE(badGenre.Err.contains("--genre 191 is not in the genre list")) << badGenre.Err.toStdString();
    EXPECT_TRUE(Rip({"--genre", "300"}).Err.contains("--genre number must be from 0 to 255"));

    // A disc that numbers its tracks from 2: --tracks names them by those numbers, on both
    // reading paths.
    TDiscImageOptions options;
    options.FirstNumber = 2;
    Disc = MakeDiscImage(Folder.Path(), QStringLiteral("later"), {TImageTrack{40, false}, TImageTrack{33, false}},
                         options);
    for (const QString& path : {QString(), QStringLiteral("--paranoia")}) {
        SCOPED_TRACE(path.toStdString());
        QFile::remove(Out("Track03.wav"));
        QStringList args{"--format", "wav", "--tracks", "3"};
        if (!path.isEmpty())
            args << path;
        const TRunResult later = Rip(args);
        ASSERT_EQ(later.ExitCode, 0) << later.Err.toStdString();
        EXPECT_EQ(ReadFile(Out("Track03.wav")).mid(44), Disc.TrackData[1]);
        EXPECT_TRUE(later.Err.contains("100%")) << later.Err.toStdString(); // a complete track says so
    }
}

TEST_F(RipCliTest, FailingEncoderKeepsThatWavReportsOnceAndTheJobGoesOn) {
    // A copy of the tool beside a lame that fails for two titles (exit 1, killed) and encodes
    // the others with the real lame: the program folder is searched first.
    const QString bin = Folder.File(QStringLiteral("bin"));
    QDir().mkpath(bin);
    ASSERT_TRUE(QFile::copy(BinDir() + "/discwright-cli", bin + "/discwright-cli"));
    QFile::setPermissions(bin + "/discwright-cli", QFile::permissions(BinDir() + "/discwright-cli"));
    ASSERT_TRUE(WriteFile(bin + "/lame", ("#!/bin/sh\n"
                                          "case \"$*\" in *Broken*) exit 1;; *Killed*) kill -9 $$;; esac\n"
                                          "exec " +
                                          Lame + " \"$@\"\n")
                                             .toUtf8()));
    QFile::setPermissions(bin + "/lame", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString& path : {QString(), QStringLiteral("--paranoia")}) {
        SCOPED_TRACE(path.toStdString());
        QDir(OutDir).removeRecursively();
        QStringList args{"--format", "mp3",     "--title", "1=Broken", "--title",
                         "2=Killed", "--title", "3=Fine",  "--set",    "ID3/Use=1"};
        if (!path.isEmpty())
            args << path;
        const TRunResult r = Rip(args, bin + "/discwright-cli");
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_EQ(AudioLines(r.Out), (Out("Fine.mp3") + '\n').toUtf8());
        // Each failure once: the job window's box, or the CD rip window's hint line.
        EXPECT_EQ(r.Err.count(path.isEmpty() ? "Create MP3 file error!" : "encoding failed"), 2) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains("lame exited with code 1."));
        EXPECT_TRUE(r.Err.contains("lame was ended by signal 9"));
        // No tag write to the missing files ("Error #256").
        EXPECT_FALSE(r.Err.contains("Error #"));
        EXPECT_EQ(ReadFile(Out("Broken.wav")).mid(44), Disc.TrackData[0]);
        EXPECT_EQ(ReadFile(Out("Killed.wav")).mid(44), Disc.TrackData[1]);
        EXPECT_FALSE(QFile::exists(Out("Fine.wav")));
        EXPECT_FALSE(QFile::exists(Out("Broken.mp3")));
        EXPECT_EQ(QDir(OutDir).entryList({"*.part"}, QDir::Files), QStringList());
    }
}

TEST_F(RipCliTest, ConvertExitsZeroOnlyWhenEveryFileWasConverted) {
    const QString wav = Folder.File(QStringLiteral("a.wav"));
    ASSERT_TRUE(WriteFile(wav, MakeWav(MakePcm16(22050, 2, 9), 2, 44100, 16)));
    const TRunResult first = RunCli(Folder.Path(), {"convert", "wav2mp3", wav, "--out", OutDir});
    ASSERT_EQ(first.ExitCode, 0) << first.Err.toStdString();
    EXPECT_EQ(first.Out, (Out("a.mp3") + '\n').toUtf8());
    // Overwriting is declined without --yes: not converted.
    const TRunResult again = RunCli(Folder.Path(), {"convert", "wav2mp3", wav, "--out", OutDir});
    EXPECT_EQ(again.ExitCode, 1);
    EXPECT_TRUE(again.Err.contains("has existed,overite it? [no]"));
    const TRunResult yes = RunCli(Folder.Path(), {"--yes", "convert", "wav2mp3", wav, "--out", OutDir});
    EXPECT_EQ(yes.ExitCode, 0);
    const TRunResult decode =
        RunCli(Folder.Path(), {"convert", "mp32wav", Out("a.mp3"), "--out", Folder.Path() + "/dec"});
    EXPECT_EQ(decode.ExitCode, 0) << decode.Err.toStdString();
    EXPECT_EQ(RunCli(Folder.Path(), {"convert", "wav2aac", wav}).ExitCode, 2);
}

} // namespace
