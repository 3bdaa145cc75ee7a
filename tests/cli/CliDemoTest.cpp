// scripts/cli-demo, which scripts/run runs where there is no display: the demo disc listed and
// ripped to three MP3 files that decode to the disc's audio length, and a second run that
// leaves the first one's files alone.
#include "cd/DemoDisc.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

TRunResult RunDemo(const QString& out) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DW_BIN_DIR", BinDir());
    return RunProgram(SourceDir() + "/scripts/cli-demo", {out}, env, 240000);
}

TEST(CliDemoTest, RipsTheDemoDiscToMp3FilesOfItsLength) {
    if (FindTool("sox").isEmpty() || FindTool("bc").isEmpty() || FindTool("lame").isEmpty())
        GTEST_SKIP() << "sox, bc or lame missing";
    TTempProgramFolder folder;
    const QString out = folder.File("discwright-demo");
    const TRunResult r = RunDemo(out);
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString() << r.Out.toStdString();
    const QString text = QString::fromUtf8(r.Out);
    EXPECT_TRUE(text.contains("1\tTrack01\t00:08\t01.35\taudio")) << r.Out.toStdString();
    const QStringList names = {"Arpeggios.mp3", "Pentatonic Tune.mp3", "Bells.mp3"};
    for (const QString& name : names)
        EXPECT_TRUE(text.contains(out + '/' + name)) << name.toStdString();
    const QStringList lines = text.trimmed().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[lines.size() - 2].contains("scripts/run")) << lines[lines.size() - 2].toStdString();
    EXPECT_TRUE(lines.last().contains("discwright-cli rip --drive 0")) << lines.last().toStdString();
    EXPECT_TRUE(r.Err.contains("%")) << "the rip's progress";
    EXPECT_EQ(QDir(out).entryList({"*.mp3"}, QDir::Files, QDir::Name),
              QStringList({"Arpeggios.mp3", "Bells.mp3", "Pentatonic Tune.mp3"}));

    // lame's decoder drops the encoder's delay and padding: each file is its track, sample
    // for sample in length.
    const std::vector<int32_t> sectors = DemoDiscTrackSectors();
    for (int i = 0; i < 3; ++i) {
        const QString wav = folder.File(QString::number(i) + ".wav");
        const TRunResult decoded = RunCli(folder.Path(), {"decode", "mp3", out + '/' + names[i], wav});
        ASSERT_EQ(decoded.ExitCode, 0) << decoded.Err.toStdString();
        const TRunResult info = RunCli(folder.Path(), {"wav", "info", wav});
        EXPECT_TRUE(info.Out.contains("total samples: " + QByteArray::number(sectors[size_t(i)] * 588)))
            << names[i].toStdString() << ": " << info.Out.toStdString();
    }

    // A second run never writes over the first one's files.
    const QByteArray first = ReadFile(out + "/Bells.mp3");
    ASSERT_TRUE(WriteFile(out + "/Bells.mp3", "mine"));
    const TRunResult again = RunDemo(out);
    ASSERT_EQ(again.ExitCode, 0) << again.Err.toStdString();
    EXPECT_TRUE(again.Out.contains((out + "-2/Bells.mp3").toUtf8())) << again.Out.toStdString();
    EXPECT_EQ(ReadFile(out + "/Bells.mp3"), "mine");
    EXPECT_EQ(ReadFile(out + "-2/Bells.mp3").size(), first.size());
}

} // namespace
