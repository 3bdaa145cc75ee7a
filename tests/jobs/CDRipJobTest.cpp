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
#include "jobs/RipTracksPanel.h"
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
#include <QTreeWidget>
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

TEST_F(CDRipJobTest, WindowShowsTheRipAndItsSummary) {
    Settings.OutputFormat = ofWAV;
    TfrmCDRip form(nullptr, RequestOf({QStringLiteral("01One")}), *CDIn);
    EXPECT_EQ(form.windowTitle(), "Discwright");
    EXPECT_EQ(form.Hint()->text(), "Extracting...");
    EXPECT_EQ(form.Gauge()->toolTip(), "Initializing...");
    EXPECT_EQ(form.findChild<QLabel*>("lOutputFormat")->text(), "WAV");
    EXPECT_EQ(form.findChild<QLabel*>("lSelectedTracks")->text(), "1");
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.IsOver(); }, 10000));
    EXPECT_EQ(form.findChild<QLabel*>("lCompleted")->text(), "1");
    EXPECT_EQ(ReadFile(Out("One.wav")).mid(44), Disc.TrackData[0]);
    // The window stays with the track's state and the summary until Close.
    const QTreeWidget* tracks = form.TracksPanel()->Tracks();
    ASSERT_EQ(tracks->topLevelItemCount(), 1);
    EXPECT_EQ(tracks->topLevelItem(0)->text(1), "One");
    EXPECT_TRUE(tracks->topLevelItem(0)->text(2).startsWith("done")) << tracks->topLevelItem(0)->text(2).toStdString();
    EXPECT_EQ(form.TracksPanel()->Overall()->Progress(), 100);
    EXPECT_TRUE(form.TracksPanel()->Summary()->text().startsWith("1 of 1 tracks done, 0 failed, in "));
    QPushButton* close = form.findChild<QPushButton*>("bStop");
    EXPECT_EQ(close->text(), "Close");
    QSignalSpy closed(&form, &QDialog::finished);
    close->click();
    EXPECT_EQ(closed.size(), 1);
}

TEST_F(CDRipJobTest, WindowFollowsTheLanguage) {
    ASSERT_TRUE(QFile::copy(SourceDir() + "/lang/CLan_German.ini", Folder.File("CLan_German.ini")));
    Settings.Lan = "German";
    Settings.OutputFormat = ofWAV;
    TfrmCDRip form(nullptr, RequestOf({QStringLiteral("01One")}), *CDIn);
    form.show();
    EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), "Aktueller Titel:");
    EXPECT_EQ(form.findChild<QLabel*>("Label2")->text(), "Ausgabeformat:");
    EXPECT_EQ(form.findChild<QLabel*>("Label3")->text(), "Ausgewählte Titel:");
    EXPECT_EQ(form.findChild<QLabel*>("Label4")->text(), "Fertig:");
    EXPECT_EQ(form.findChild<QPushButton*>("bStop")->text(), "Stopp");
    EXPECT_EQ(form.Hint()->text(), "Auslesen...");
    EXPECT_EQ(form.Gauge()->toolTip(), "Initialisierung...");
    EXPECT_EQ(form.TracksPanel()->Tracks()->headerItem()->text(1), "Titel");
    ASSERT_TRUE(WaitUntil([&] { return form.IsOver(); }, 10000));
}

TEST_F(CDRipJobTest, WindowTellsOfEveryTrackNotRippedInABox) {
    // The hint line goes on to the next track, so it alone would not keep the failure.
    Settings.OutputFormat = ofWAV;
    const QString tooLong(300, 'a');
    // A file name the system refuses (the name pattern cuts titles, so the name is set here).
    TRipRequest request = RequestOf({"01One", QStringLiteral("02Two")});
    request.Tracks[0].BaseName = tooLong;
    TfrmCDRip form(nullptr, request, *CDIn);
    Prompter.Queue(TPromptAnswer::Ok);
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.IsOver(); }, 10000));
    EXPECT_TRUE(form.TracksPanel()->Tracks()->topLevelItem(0)->text(2).startsWith("failed: "));
    ASSERT_EQ(Prompter.Shown().size(), 1);
    EXPECT_TRUE(Prompter.Shown()[0].startsWith(Out(tooLong + ".wav") + ": extraction failed: "))
        << Prompter.Shown()[0].toStdString();
    EXPECT_EQ(Prompter.Icons()[0], TPromptIcon::Error);
    EXPECT_EQ(ReadFile(Out("Two.wav")).mid(44), Disc.TrackData[1]);
}

} // namespace
