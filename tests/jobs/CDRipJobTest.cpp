// The rip through the CD input (the pipeline in the CD rip window's configuration, and that
// window TfrmCDRip) on disc images: the WAV
// files equal the source, MP3s are tagged with ID3/Use clear, a read error is no extraction, and
// the window tells of every track it could not rip.
#include "JobTestBase.h"
#include "cd/CDIn.h"
#include "cd/cdrip.h"
#include "core/DiscInfo.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "jobs/JobRunner.h"
#include "jobs/RipProgressForm.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"
#include "tags/Id3Tag.h"
#include "widgets/FlatGauge.h"

#include <cdio/paranoia/paranoia.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class CDRipJobTest : public TJobTestBase {
protected:
    void SetUp() override {
        TJobTestBase::SetUp();
        if (IsSkipped())
            return;
        Disc = MakeDiscImage(Folder.Path(), QStringLiteral("disc"), {TImageTrack{160, false}, TImageTrack{211, false}});
        Settings.Images = Disc.CuePath;
        CDIn = std::make_unique<TCDIn>();
        CDIn->SetDriveIndex(CDIn->DriveCount() - 1);
    }

    TDiscImage Disc;
    std::unique_ptr<TCDIn> CDIn;
};

TEST_F(CDRipJobTest, WavRipEqualsTheSourceByteForByte) {
    Settings.OutputFormat = ofWAV;
    auto rip = CDRipJob(*CDIn, {QStringLiteral("01Same"), QStringLiteral("02Same")});
    TRipPipeline& job = *rip;
    QStringList hints;
    QObject::connect(&job, &TRipPipeline::Changed, [&] { hints << job.ProgressHint; });
    job.Start();
    ASSERT_TRUE(RunJobToEnd(job, {}));
    EXPECT_TRUE(job.Succeeded());
    EXPECT_EQ(ReadFile(Out("Same.wav")).mid(44), Disc.TrackData[0]);
    EXPECT_EQ(ReadFile(Out("Same (2).wav")).mid(44), Disc.TrackData[1]);
    EXPECT_EQ(job.Completed, "2");
    hints.removeDuplicates();
    EXPECT_EQ(hints, QStringList({"Extracting..."}));
}

TEST_F(CDRipJobTest, SecureRipsKeepTheLengthLimit) {
    // One second of each track, with jitter correction on, as the settings ask for it.
    Settings.OutputFormat = ofWAV;
    Settings.Paranoia = true;
    Settings.EnableRipTime = true;
    Settings.RipTime = 1;
    auto job = CDRipJob(*CDIn, {QStringLiteral("01One"), QStringLiteral("02Two")});
    ASSERT_TRUE(Run(*job));
    EXPECT_TRUE(job->Succeeded());
    EXPECT_EQ(ReadFile(Out("One.wav")).mid(44), Disc.TrackData[0].left(75 * 2352));
    EXPECT_EQ(ReadFile(Out("Two.wav")).mid(44), Disc.TrackData[1].left(75 * 2352));
    EXPECT_EQ(CRLastRipperFlags(), PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
}

TEST_F(CDRipJobTest, EveryMp3IsTaggedWithTagsOffAndItsWavGoes) {
    Settings.OutputFormat = ofMP3;
    Settings.UseID3 = false;
    CurrentDisc.Artist = QStringLiteral("Band");
    auto rip = CDRipJob(*CDIn, {QStringLiteral("01One"), QStringLiteral("02Two")});
    TRipPipeline& job = *rip;
    job.Start();
    ASSERT_TRUE(RunJobToEnd(job, {}));
    EXPECT_TRUE(job.Succeeded());
    EXPECT_EQ(job.FilesWritten(), QStringList({Out("One.mp3"), Out("Two.mp3")}));
    Tid3tag tag;
    ASSERT_EQ(tag.Read(Out("Two.mp3")), id3Ok);
    EXPECT_EQ(tag.TitleText(), "Two");
    EXPECT_EQ(tag.ArtistText(), "Band");
    EXPECT_EQ(tag.Track, 2);
    EXPECT_FALSE(QFile::exists(Out("One.wav")));
    EXPECT_FALSE(QFile::exists(Out("Two.wav")));
}

TEST_F(CDRipJobTest, FailedEncodeKeepsTheWavAndShowsItOnTheHintLine) {
    Settings.OutputFormat = ofMP3;
    // The MP3 cannot get its name: a folder stands there.
    QDir().mkpath(Out("One.mp3"));
    auto rip = CDRipJob(*CDIn, {QStringLiteral("01One"), QStringLiteral("02Two")});
    TRipPipeline& job = *rip;
    QStringList failures;
    QObject::connect(&job, &TRipPipeline::Failure, [&](const QString& line) { failures << line; });
    job.Start();
    ASSERT_TRUE(RunJobToEnd(job, {}));
    EXPECT_FALSE(job.Succeeded());
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith(Out("One.mp3") + ": encoding failed (" + Out("One.wav") + " kept)"))
        << failures[0].toStdString();
    EXPECT_EQ(ReadFile(Out("One.wav")).mid(44), Disc.TrackData[0]);
    EXPECT_TRUE(QFile::exists(Out("Two.mp3")));
    EXPECT_FALSE(QFile::exists(Out("Two.wav")));
}

TEST_F(CDRipJobTest, WindowShowsTheRipAndClosesByItself) {
    Settings.OutputFormat = ofWAV;
    TfrmCDRip form(nullptr, RequestOf({QStringLiteral("01One")}), *CDIn);
    EXPECT_EQ(form.windowTitle(), "Discwright");
    EXPECT_EQ(form.Hint()->text(), "Extracting...");
    EXPECT_EQ(form.Gauge()->toolTip(), "Initializing...");
    EXPECT_EQ(form.findChild<QLabel*>("lOutputFormat")->text(), "WAV");
    EXPECT_EQ(form.findChild<QLabel*>("lSelectedTracks")->text(), "1");
    QSignalSpy closed(&form, &QDialog::finished);
    form.show();
    ASSERT_TRUE(closed.wait(10000));
    EXPECT_EQ(form.findChild<QLabel*>("lCompleted")->text(), "1");
    EXPECT_EQ(ReadFile(Out("One.wav")).mid(44), Disc.TrackData[0]);
}

TEST_F(CDRipJobTest, WindowFollowsTheLanguage) {
    ASSERT_TRUE(QFile::copy(SourceDir() + "/lang/CLan_German.ini", Folder.File("CLan_German.ini")));
    Settings.Lan = "German";
    Settings.OutputFormat = ofWAV;
    TfrmCDRip form(nullptr, RequestOf({QStringLiteral("01One")}), *CDIn);
    QSignalSpy closed(&form, &QDialog::finished);
    form.show();
    EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), "Aktueller Titel:");
    EXPECT_EQ(form.findChild<QLabel*>("Label2")->text(), "Ausgabeformat:");
    EXPECT_EQ(form.findChild<QLabel*>("Label3")->text(), "Ausgewählte Titel:");
    EXPECT_EQ(form.findChild<QLabel*>("Label4")->text(), "Fertig:");
    EXPECT_EQ(form.findChild<QPushButton*>("bStop")->text(), "Stopp");
    EXPECT_EQ(form.Hint()->text(), "Auslesen...");
    EXPECT_EQ(form.Gauge()->toolTip(), "Initialisierung...");
    ASSERT_TRUE(closed.wait(10000));
}

TEST_F(CDRipJobTest, WindowTellsOfEveryTrackNotRippedInABox) {
    // The window closes by itself, so the hint line alone would be gone with it.
    Settings.OutputFormat = ofWAV;
    const QString tooLong(300, 'a');
    // A file name the system refuses (the name pattern cuts titles, so the name is set here).
    TRipRequest request = RequestOf({"01One", QStringLiteral("02Two")});
    request.Tracks[0].BaseName = tooLong;
    TfrmCDRip form(nullptr, request, *CDIn);
    QSignalSpy closed(&form, &QDialog::finished);
    Prompter.Queue(TPromptAnswer::Ok);
    form.show();
    ASSERT_TRUE(closed.wait(10000));
    ASSERT_EQ(Prompter.Shown().size(), 1);
    EXPECT_TRUE(Prompter.Shown()[0].startsWith(Out(tooLong + ".wav") + ": extraction failed: "))
        << Prompter.Shown()[0].toStdString();
    EXPECT_EQ(Prompter.Icons()[0], TPromptIcon::Error);
    EXPECT_EQ(ReadFile(Out("Two.wav")).mid(44), Disc.TrackData[1]);
}

} // namespace
