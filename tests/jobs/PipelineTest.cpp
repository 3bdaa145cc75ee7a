// Rips that read on while earlier tracks are encoded, in both windows' configurations on a
// disc image with the real lame, Vorbis writer and FLAC encoder: the same files as a rip of one track at a
// time, never more WAV files than the encoders can take plus one, and a track whose encoder
// dies half-way leaves the other tracks whole and its own WAV kept.
#include "JobTestBase.h"
#include "cd/CDIn.h"
#include "cd/akrip32.h"
#include "fixtures/DiscImage.h"
#include "jobs/ConvertBatch.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <map>

namespace {

class PipelineTest : public TJobTestBase {
protected:
    void SetUp() override {
        TJobTestBase::SetUp();
        if (IsSkipped())
            return;
        Disc =
            MakeDiscImage(Folder.Path(), QStringLiteral("disc"), std::vector<TImageTrack>(4, TImageTrack{300, false}));
        Settings.Images = Disc.CuePath;
        CDIn = std::make_unique<TCDIn>();
        CDIn->SetDriveIndex(CDIn->DriveCount() - 1);
        SavedPath = qgetenv("PATH");
    }
    void TearDown() override {
        if (Handle)
            CloseCDHandle(Handle);
        if (!SavedPath.isEmpty())
            qputenv("PATH", SavedPath);
        TJobTestBase::TearDown();
    }

    std::unique_ptr<TRipPipeline> Rip(TRipWindow window, const QStringList& items) {
        if (window == TRipWindow::CDRip)
            return CDRipJob(*CDIn, items);
        if (!Handle) {
            TCDOpenRequest request;
            request.Adapter = 1;
            Handle = GetCDHandle(&request);
        }
        return RipJob(Handle, items);
    }

    // The rip's audio files by name (the log and cue sheet hold the time of the rip), and the
    // folder emptied for the next rip.
    std::map<QString, QByteArray> TakeOutputs() {
        std::map<QString, QByteArray> files;
        QDir out(Settings.OutputFolder);
        for (const QString& name : out.entryList(QDir::Files)) {
            if (!name.endsWith(".log") && !name.endsWith(".cue"))
                files[name] = ReadFile(out.filePath(name));
            QFile::remove(out.filePath(name));
        }
        return files;
    }
    int WavCount() const { return int(QDir(Settings.OutputFolder).entryList({"*.wav"}, QDir::Files).size()); }

    const QStringList Items{"01One", "02Two", "03Three", "04Four"};
    TDiscImage Disc;
    std::unique_ptr<TCDIn> CDIn;
    int Handle = 0;
    QByteArray SavedPath;
};

TEST_F(PipelineTest, OverlappingRipWritesTheSameFilesAsOneTrackAtATime) {
    Settings.UseID3 = true;
    CurrentDisc.Artist = QStringLiteral("Band");
    for (TRipWindow window : {TRipWindow::Job, TRipWindow::CDRip}) {
        for (int format : {ofMP3, ofOGG, ofFLAC}) {
            SCOPED_TRACE(testing::Message() << "window " << int(window) << " format " << format);
            Settings.OutputFormat = format;
            Settings.Pipeline = false;
            auto strict = Rip(window, Items);
            ASSERT_TRUE(Run(*strict));
            EXPECT_FALSE(strict->Overlapping());
            const auto expected = TakeOutputs();
            ASSERT_EQ(expected.size(), 4u);

            for (int threads : {1, 2}) {
                SCOPED_TRACE(threads);
                Settings.Pipeline = true;
                Settings.EncoderThreads = threads;
                auto rip = Rip(window, Items);
                TRipPipeline& job = *rip;
                ASSERT_EQ(job.Request().EncoderThreads, threads);
                bool overlapped = false;
                int mostWavs = 0;
                QObject::connect(&job, &TJobController::Changed, [&] {
                    bool reading = false;
                    bool encoding = false;
                    for (const TTrackState& t : job.States) {
                        reading |= t.Stage == TTrackState::Reading;
                        encoding |= t.Stage == TTrackState::Encoding;
                    }
                    overlapped |= reading && encoding;
                    mostWavs = std::max(mostWavs, WavCount());
                });
                // Encodes end in any order; the tracks are told in track order.
                std::vector<int32_t> told;
                QObject::connect(&job, &TRipPipeline::TrackFinished,
                                 [&](const TTrackResult& r) { told.push_back(r.Index); });
                ASSERT_TRUE(Run(job));
                EXPECT_TRUE(job.Succeeded());
                EXPECT_EQ(told, std::vector<int32_t>({1, 2, 3, 4}));
                EXPECT_TRUE(overlapped);
                EXPECT_LE(mostWavs, threads + 1);
                EXPECT_TRUE(job.Summary.startsWith("4 of 4 tracks done, 0 failed, in ")) << job.Summary.toStdString();
                EXPECT_EQ(job.OverallPercent(), 100);
                EXPECT_TRUE(TakeOutputs() == expected);
            }
        }
    }
}

TEST_F(PipelineTest, EncoderDyingHalfWayFailsOnlyItsTrack) {
    // A lame that, for the second track, writes part of its output and is killed; the others
    // go to the real lame.
    const QString bin = Folder.File(QStringLiteral("bin"));
    QDir().mkpath(bin);
    ASSERT_TRUE(
        WriteFile(bin + "/lame", ("#!/bin/sh\n"
                                  "for last; do :; done\n"
                                  "case \"$*\" in *Two*) head -c 20000 /dev/urandom >\"$last\"; kill -9 $$;; esac\n"
                                  "exec " +
                                  FindTool(QStringLiteral("lame")) + " \"$@\"\n")
                                     .toUtf8()));
    QFile::setPermissions(bin + "/lame", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(bin) + ':' + SavedPath);
    Settings.OutputFormat = ofMP3;
    Settings.EncoderThreads = 2;
    const QStringList three = Items.mid(0, 3);
    for (TRipWindow window : {TRipWindow::Job, TRipWindow::CDRip}) {
        SCOPED_TRACE(int(window));
        auto rip = Rip(window, three);
        TRipPipeline& job = *rip;
        QStringList failures;
        QObject::connect(&job, &TRipPipeline::Failure, [&](const QString& line) { failures << line; });
        const qsizetype boxes = Prompter.Shown().size();
        ASSERT_TRUE(Run(job));
        EXPECT_FALSE(job.Succeeded());
        // Reported once: the job window's box, or the CD rip window's line.
        EXPECT_EQ(failures.size() + Prompter.Shown().size() - boxes, 1) << failures.join('|').toStdString();
        ASSERT_EQ(job.States.size(), 3u);
        EXPECT_EQ(job.States[0].Stage, TTrackState::Done);
        EXPECT_EQ(job.States[1].Stage, TTrackState::Failed);
        EXPECT_EQ(job.States[2].Stage, TTrackState::Done);
        EXPECT_TRUE(job.Summary.startsWith("2 of 3 tracks done, 1 failed")) << job.Summary.toStdString();
        EXPECT_GT(QFileInfo(Out("One.mp3")).size(), 10000);
        EXPECT_GT(QFileInfo(Out("Three.mp3")).size(), 10000);
        EXPECT_FALSE(QFile::exists(Out("Two.mp3")));
        EXPECT_EQ(ReadFile(Out("Two.wav")).mid(44), Disc.TrackData[1]);
        EXPECT_EQ(WavCount(), 1);
        EXPECT_EQ(QDir(Settings.OutputFolder).entryList({"*.part"}, QDir::Files), QStringList());
        TakeOutputs();
    }
}

TEST_F(PipelineTest, ConversionsSideBySideWriteWhatOneAtATimeWrites) {
    // Two files at 44.1 kHz and two that go through the resampler's temporary file first.
    QStringList inputs;
    for (int i = 0; i < 4; ++i) {
        const int rate = i % 2 ? 22050 : 44100;
        inputs << Folder.File(QStringLiteral("in%1.wav").arg(i));
        ASSERT_TRUE(WriteFile(inputs.last(), MakeWav(MakePcm16(rate * 2, 2, 11 + i, rate), 2, rate, 16)));
    }
    for (TJobKind kind : {TJobKind::WavToMp3, TJobKind::WavToOgg, TJobKind::WavToFlac}) {
        SCOPED_TRACE(int(kind));
        TConvertJob one(kind, inputs, Settings.OutputFolder);
        ASSERT_TRUE(Run(one));
        const QStringList written = one.FilesWritten();
        const auto expected = TakeOutputs();
        ASSERT_EQ(expected.size(), 4u);

        TConvertBatch batch(kind, inputs, Settings.OutputFolder, 2);
        ASSERT_TRUE(batch.Overlapping());
        std::map<int32_t, int> lines;
        QObject::connect(&batch, &TConvertBatch::StepProgress,
                         [&](int32_t index, const QString&, const TJobProgress&) { ++lines[index]; });
        ASSERT_TRUE(Run(batch));
        EXPECT_TRUE(batch.Succeeded());
        EXPECT_EQ(batch.FilesWritten(), written);
        EXPECT_EQ(lines.size(), 4u);
        // The outputs only: no temporary file of either conversion is left.
        EXPECT_TRUE(TakeOutputs() == expected);
    }
    EXPECT_TRUE(Prompter.Shown().isEmpty()) << Prompter.Shown().join('|').toStdString();

    // Stop while both run: every encoder ends and leaves no partial file.
    TConvertBatch stopped(TJobKind::WavToMp3, inputs, Settings.OutputFolder, 2);
    QObject::connect(&stopped, &TConvertBatch::StepProgress, [&](int32_t, const QString&, const TJobProgress& p) {
        if (p.PercentKnown && !stopped.Finished)
            stopped.Stop();
    });
    ASSERT_TRUE(Run(stopped));
    EXPECT_TRUE(stopped.Finished);
    EXPECT_FALSE(stopped.Succeeded());
    for (const QString& name : QDir(Settings.OutputFolder).entryList(QDir::Files))
        EXPECT_TRUE(stopped.FilesWritten().contains(Out(name))) << name.toStdString();
}

} // namespace
