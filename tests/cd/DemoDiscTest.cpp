// The demo disc: its table of contents (the same as the sox-made disc of scripts/demo-disc),
// audio that is music rather than silence or clipping, the same bytes on every run, and its
// place in the user's temporary folder, written once and replaced only when damaged.
#include "cd/DemoDisc.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

// Readable failure output for texts.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

QStringList Lines(const QByteArray& text) {
    return QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts);
}

TEST(DemoDiscTest, ThreeTracksOfMusicInWholeSectors) {
    TTempProgramFolder folder;
    QString error;
    const QString cue = WriteDemoDisc(folder.File("demo"), error);
    ASSERT_EQ(cue, folder.File("demo/demo.cue")) << error.toStdString();
    EXPECT_EQ(DemoDiscTrackSectors(), (std::vector<int32_t>{600, 960, 488}));

    const TRunResult toc = RunCli(folder.Path(), {"toc", "--image", cue});
    ASSERT_EQ(toc.ExitCode, 0) << toc.Err.toStdString();
    const QStringList lines = Lines(toc.Out);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.mid(1), QStringList({"1\tTrack01\t00:08\t01.35\taudio", "2\tTrack02\t00:12\t02.02\taudio",
                                         "3\tTrack03\t00:07\t01.18\taudio"}));

    // Each track peaks at -3 dBFS and has sound in every second of it; the last one ends in
    // the silence that fills its last sector.
    const QByteArray bin = ReadFile(folder.File("demo/demo.bin"));
    ASSERT_EQ(bin.size(), (600 + 960 + 488) * 2352);
    const auto* samples = reinterpret_cast<const uchar*>(bin.constData());
    int64_t first = 0;
    for (const int32_t sectors : DemoDiscTrackSectors()) {
        const int64_t frames = int64_t(sectors) * 588;
        int peak = 0;
        for (int64_t i = first * 2; i < (first + frames) * 2; ++i)
            peak = std::max(peak, std::abs(int(qFromLittleEndian<int16_t>(samples + 2 * i))));
        EXPECT_NEAR(peak, 23197, 2);
        for (int64_t second = 0; second + 44100 <= frames; second += 44100) {
            double power = 0;
            for (int64_t i = (first + second) * 2; i < (first + second + 44100) * 2; ++i) {
                const double v = qFromLittleEndian<int16_t>(samples + 2 * i);
                power += v * v;
            }
            EXPECT_GT(std::sqrt(power / 88200), 300) << "silent second " << second / 44100 << " at " << first;
        }
        first += frames;
    }
    EXPECT_EQ(bin.right(588 * 4 / 2), QByteArray(588 * 4 / 2, '\0'));

    // Every demo disc is the same disc.
    ASSERT_FALSE(WriteDemoDisc(folder.File("again"), error).isEmpty());
    EXPECT_TRUE(ReadFile(folder.File("again/demo.bin")) == bin);

    // The same table of contents as the disc scripts/demo-disc makes with sox.
    if (FindTool("sox").isEmpty() || FindTool("bc").isEmpty())
        GTEST_SKIP() << "sox or bc missing";
    const TRunResult script = RunProgram(SourceDir() + "/scripts/demo-disc", {folder.File("sox")});
    ASSERT_EQ(script.ExitCode, 0) << script.Err.toStdString();
    const TRunResult soxToc = RunCli(folder.Path(), {"toc", "--image", folder.File("sox/demo.cue")});
    EXPECT_EQ(soxToc.Out, toc.Out);
    EXPECT_EQ(ReadFile(folder.File("sox/demo.cue")), ReadFile(cue));
}

TEST(DemoDiscTest, WrittenOnceIntoTheTemporaryFolderAndReplacedWhenDamaged) {
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString bin = runtime.path() + "/discwright-demo/demo.bin";

    QString error;
    const QString cue = DemoDisc(error);
    EXPECT_EQ(cue, runtime.path() + "/discwright-demo/demo.cue") << error.toStdString();
    const QByteArray whole = ReadFile(bin);
    ASSERT_EQ(whole.size(), 2048 * 2352);

    // Whole files are used as they are (a disc that is open elsewhere is not rewritten) ...
    QByteArray marked = whole;
    marked[1000] = char(marked[1000] ^ 0x55);
    ASSERT_TRUE(WriteFile(bin, marked));
    EXPECT_EQ(DemoDisc(error), cue);
    EXPECT_TRUE(ReadFile(bin) == marked);
    // ... a bin cut short or a changed cue sheet are written anew.
    ASSERT_TRUE(WriteFile(bin, whole.left(4096)));
    EXPECT_EQ(DemoDisc(error), cue);
    EXPECT_TRUE(ReadFile(bin) == whole);
    ASSERT_TRUE(WriteFile(bin, marked));
    ASSERT_TRUE(WriteFile(cue, ReadFile(cue).replace("00:08:00", "00:07:00")));
    EXPECT_EQ(DemoDisc(error), cue);
    EXPECT_TRUE(ReadFile(bin) == whole);
    EXPECT_TRUE(ReadFile(cue).contains("00:08:00"));

    // Where the folder cannot be made, the reason.
    ASSERT_TRUE(QFile::remove(bin));
    ASSERT_TRUE(QFile::remove(cue));
    ASSERT_TRUE(QDir(runtime.path()).rmdir("discwright-demo"));
    ASSERT_TRUE(WriteFile(runtime.path() + "/discwright-demo", "a file"));
    EXPECT_EQ(DemoDisc(error), "");
    EXPECT_TRUE(error.contains("discwright-demo")) << error.toStdString();

    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}

} // namespace
