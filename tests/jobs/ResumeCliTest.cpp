// rip --resume, run as a user would: a rip killed with SIGKILL during track 2 goes on with
// tracks 2 and 3 only and ends with the files and log of a rip that was never interrupted; a
// changed file is ripped again, one track of a finished rip can be ripped again, and a state
// of another request is not used.
#include "fixtures/DiscImage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>

namespace {

class ResumeCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        Lame = FindTool(QStringLiteral("lame"));
        if (Lame.isEmpty())
            GTEST_SKIP() << "lame is not installed";
        Disc = MakeDiscImage(Folder.Path(), QStringLiteral("disc"),
                             {TImageTrack{400, false}, TImageTrack{350, false}, TImageTrack{300, false}});
    }

    QStringList Args(const QString& out, const QStringList& more) const {
        // The default settings, ReplayGain among them: a resume computes the album's value with
        // the measurements the state kept of the tracks it takes over.
        return QStringList{"--program-folder",
                           Folder.Path(),
                           "--set",
                           QStringLiteral("AccurateRip/Server=") + UnreachableServer,
                           "rip",
                           "--image",
                           Disc.CuePath,
                           "--out",
                           out,
                           "--album",
                           "Alb",
                           "--format",
                           "mp3"} +
               more;
    }
    TRunResult Rip(const QString& out, const QStringList& more = {}) {
        return RunProgram(BinDir() + "/discwright-cli", Args(out, more));
    }
    // The log without what differs between two rips of the same disc: the date, the seal and
    // the note on tracks taken from an earlier run.
    static std::string LogLines(const QString& path) {
        QStringList lines;
        for (const QString& line : QString::fromUtf8(ReadFile(path)).split('\n'))
            if (!line.startsWith("Date: ") && !line.startsWith("SHA-256: ") && !line.contains("earlier run"))
                lines << line;
        return lines.join('\n').toStdString();
    }
    // The lines of stderr that read a track.
    static QStringList ReadLines(const QByteArray& err) {
        QStringList lines;
        for (const QString& line : QString::fromUtf8(err).split('\n'))
            if (line.contains("Extracting") && !line.contains('%'))
                lines << line;
        return lines;
    }

    TTempProgramFolder Folder;
    TDiscImage Disc;
    QString Lame;
};

TEST_F(ResumeCliTest, KilledRipGoesOnWithTheTracksLeft) {
    const QString full = Folder.File("full");
    const QString out = Folder.File("out");
    ASSERT_EQ(Rip(full).ExitCode, 0);

    // A copy of the tool beside a lame that hangs on track 2 (and says so), so that the rip can
    // be killed while that track is under way; tracks are read and encoded one after the other.
    const QString bin = Folder.File("bin");
    QDir().mkpath(bin);
    ASSERT_TRUE(QFile::copy(BinDir() + "/discwright-cli", bin + "/discwright-cli"));
    QFile::setPermissions(bin + "/discwright-cli", QFile::permissions(BinDir() + "/discwright-cli"));
    const QString hanging = Folder.File("hanging");
    ASSERT_TRUE(WriteFile(bin + "/lame", ("#!/bin/sh\ncase \"$*\" in *Track02*) echo $$ >" + hanging +
                                          "; exec sleep 60;; esac\nexec " + Lame + " \"$@\"\n")
                                             .toUtf8()));
    QFile::setPermissions(bin + "/lame", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcess rip;
    rip.start(bin + "/discwright-cli", Args(out, {"--set", "CommonOptions/Pipeline=0"}));
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(hanging).trimmed().toInt() > 0; }, 60000));
    ::kill(pid_t(rip.processId()), SIGKILL);
    ::kill(pid_t(ReadFile(hanging).trimmed().toInt()), SIGKILL);
    ASSERT_TRUE(rip.waitForFinished(10000));
    EXPECT_TRUE(QFile::exists(out + "/.Alb.rip-state"));

    const TRunResult resumed = Rip(out, {"--resume"});
    ASSERT_EQ(resumed.ExitCode, 0) << resumed.Err.toStdString();
    EXPECT_TRUE(resumed.Err.contains("1 of 3 tracks are taken from it; ripping track 2, 3"))
        << resumed.Err.toStdString();
    const QStringList reads = ReadLines(resumed.Err);
    ASSERT_EQ(reads.size(), 2) << reads.join('\n').toStdString();
    EXPECT_TRUE(reads[0].contains("Track02") && reads[1].contains("Track03")) << reads.join('\n').toStdString();
    for (const char* name : {"Track01.mp3", "Track02.mp3", "Track03.mp3"})
        EXPECT_EQ(ReadFile(out + '/' + name), ReadFile(full + '/' + name)) << name;
    EXPECT_EQ(LogLines(out + "/Alb.log"), LogLines(full + "/Alb.log"));
    EXPECT_EQ(ReadFile(out + "/Alb.cue"), ReadFile(full + "/Alb.cue"));
    EXPECT_TRUE(QString::fromUtf8(ReadFile(out + "/Alb.log")).contains("Taken from the earlier run of this rip: yes"));
    // Nothing of the killed run is left: no WAV, no unfinished encoder output.
    EXPECT_EQ(QDir(out).entryList({"*.wav", "*.part"}, QDir::Files), QStringList());
}

TEST_F(ResumeCliTest, ResumeRipsAgainWhatChangedOrWasPicked) {
    const QString out = Folder.File("out");
    ASSERT_EQ(Rip(out).ExitCode, 0);
    const QByteArray first = ReadFile(out + "/Track01.mp3");
    const std::string log = LogLines(out + "/Alb.log");

    // Without --resume the state is only told of; a finished rip has nothing left to rip.
    const TRunResult told = Rip(Folder.File("elsewhere"), {"--resume"});
    EXPECT_TRUE(told.Err.contains("rip: no earlier rip of this disc to resume in")) << told.Err.toStdString();
    const TRunResult done = Rip(out, {"--resume"});
    EXPECT_TRUE(done.Err.contains("3 of 3 tracks are taken from it; ripping nothing")) << done.Err.toStdString();
    EXPECT_TRUE(ReadLines(done.Err).isEmpty());

    // One changed byte in track 1's file: that track is read again and its file is whole again.
    QByteArray changed = first;
    changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 1);
    ASSERT_TRUE(WriteFile(out + "/Track01.mp3", changed));
    const TRunResult again = Rip(out, {"--resume"});
    ASSERT_EQ(again.ExitCode, 0) << again.Err.toStdString();
    EXPECT_TRUE(again.Err.contains("ripping track 1\n")) << again.Err.toStdString();
    EXPECT_EQ(ReadFile(out + "/Track01.mp3"), first);
    EXPECT_EQ(LogLines(out + "/Alb.log"), log);

    // One track of the finished rip picked again: only it is read, the log keeps all three.
    const TRunResult picked = Rip(out, {"--resume", "--tracks", "2"});
    ASSERT_EQ(picked.ExitCode, 0) << picked.Err.toStdString();
    EXPECT_TRUE(picked.Err.contains("ripping track 2\n")) << picked.Err.toStdString();
    EXPECT_EQ(ReadLines(picked.Err).size(), 1);
    EXPECT_EQ(LogLines(out + "/Alb.log"), log);

    // Another format: the state is not used, and the user is told why.
    const TRunResult other = Rip(out, {"--resume", "--format", "ogg"});
    EXPECT_TRUE(other.Err.contains("is not used: its format differs (MP3, now OGG)")) << other.Err.toStdString();
    EXPECT_EQ(ReadLines(other.Err).size(), 3);
}

} // namespace
