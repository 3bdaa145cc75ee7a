// The job window TRipForm under the offscreen platform with the scripted prompter: what it shows
// while a conversion runs, that it closes by itself at the end, and Stop.
#include "jobs/RipForm.h"
#include "JobTestBase.h"
#include "core/Settings.h"
#include "jobs/ConvertJob.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"
#include "widgets/FlatGauge.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class RipFormTest : public TJobTestBase {
protected:
    void SetUp() override {
        TJobTestBase::SetUp();
        if (IsSkipped())
            return;
        Wav = Folder.File(QStringLiteral("song.wav"));
        ASSERT_TRUE(WriteFile(Wav, MakeWav(MakePcm16(44100 * 4, 2, 7), 2, 44100, 16)));
    }

    QString Wav;
};

TEST_F(RipFormTest, ShowsTheStepAndClosesWhenTheJobIsDone) {
    QWidget owner;
    owner.setGeometry(100, 100, 801, 600);
    const QString bad = Folder.File(QStringLiteral("bad.wav"));
    ASSERT_TRUE(WriteFile(bad, "no"));
    TRipForm form(&owner,
                  std::make_unique<TConvertJob>(TJobKind::WavToMp3, QStringList{Wav, bad}, Settings.OutputFolder));
    // Created with the first step running, before it is shown.
    EXPECT_EQ(form.windowTitle(), "Encoding(01/02): " + Wav);
    EXPECT_EQ(form.Group()->title(), "Encoding WAV to MP3");
    EXPECT_TRUE(form.InitLabel()->isVisibleTo(&form));
    EXPECT_EQ(form.InitLabel()->text(), "Initializing...");
    EXPECT_EQ(form.Gauge()->Text(), QString());
    EXPECT_EQ(form.x(), 100 + (801 - form.width()) / 2);

    int bestPercent = 0;
    QObject::connect(&form.Job(), &TJobController::Changed,
                     [&] { bestPercent = std::max(bestPercent, form.Gauge()->Progress()); });
    QSignalSpy closed(&form, &QDialog::finished);
    form.show();
    ASSERT_TRUE(closed.wait(20000));
    EXPECT_FALSE(form.isVisible());
    EXPECT_GT(bestPercent, 0);
    EXPECT_FALSE(form.InitLabel()->isVisibleTo(&form));
    EXPECT_TRUE(QFile::exists(Settings.OutputFolder + "/song.mp3"));
    // The unreadable second entry was reported in one error box.
    ASSERT_EQ(Prompter.Shown().size(), 1);
    EXPECT_EQ(Prompter.Shown()[0], bad + " is not a readable WAV file.");
    EXPECT_EQ(Prompter.Icons()[0], TPromptIcon::Error);
}

TEST_F(RipFormTest, StopEndsTheChildAndClosesWithoutMoreEvents) {
    // A WAV input that never ends (a FIFO kept open): the encode step runs until Stop.
    const QString fifo = Folder.File(QStringLiteral("stuck.wav"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int writer = open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const QByteArray start = MakeWav(MakePcm16(4096, 2, 8), 2, 44100, 16);
    ASSERT_EQ(write(writer, start.constData(), size_t(start.size())), start.size());
    auto job = std::make_unique<TConvertJob>(TJobKind::RecordingToMp3, QStringList{fifo}, QString());
    TConvertJob* convert = job.get();
    auto form = std::make_unique<TRipForm>(nullptr, std::move(job));
    QSignalSpy closed(form.get(), &QDialog::finished);
    form->show();
    form->findChild<QPushButton*>(QStringLiteral("btStop"))->click();
    ASSERT_TRUE(closed.wait(5000));
    EXPECT_TRUE(form->Job().Finished);
    EXPECT_FALSE(convert->Step.Mp3.Active);
    // The window can go at once; nothing arrives for it afterwards.
    form.reset();
    QTest::qWait(50);
    close(writer);
    EXPECT_FALSE(QFile::exists(Folder.File(QStringLiteral("stuck.mp3"))));
    EXPECT_EQ(QDir(Folder.Path()).entryList({QStringLiteral("*.part")}, QDir::Files), QStringList());
}

} // namespace
