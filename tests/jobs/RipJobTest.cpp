// The job window's jobs with real parts: rips of disc images through the extraction
// thread into lame, wm8eutil and the Vorbis writer, and file conversions with the resampler.
#include "JobTestBase.h"
#include "audio/FlacCodec.h"
#include "cd/CDIn.h"
#include "cd/akrip32.h"
#include "core/DiscInfo.h"
#include "core/Helpers.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "jobs/ConvertJob.h"
#include "jobs/EncodeStep.h"
#include "jobs/JobRunner.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"
#include "tags/Genres.h"
#include "tags/Id3Tag.h"
#include "tags/TagReader.h"

#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

class RipJobTest : public TJobTestBase {
protected:
    void SetUp() override {
        TJobTestBase::SetUp();
        if (IsSkipped())
            return;
        SavedPath = qgetenv("PATH");
        // The test programs live apart from the built executables; reach wm8eutil through PATH.
        qputenv("PATH", QFile::encodeName(BinDir()) + ':' + SavedPath);
    }
    void TearDown() override {
        TJobTestBase::TearDown();
        if (Handle)
            CloseCDHandle(Handle);
        if (!SavedPath.isEmpty())
            qputenv("PATH", SavedPath);
    }

    // A disc of `tracks` short audio tracks, opened through the drive library.
    void OpenDisc(int tracks, int sectors = 150) {
        Disc = MakeDiscImage(Folder.Path(), QStringLiteral("disc"),
                             std::vector<TImageTrack>(size_t(tracks), TImageTrack{sectors, false}));
        Settings.Images = Disc.CuePath;
        TCDOpenRequest request;
        request.Adapter = 1;
        Handle = GetCDHandle(&request);
        ASSERT_NE(Handle, 0);
    }

    TDiscImage Disc;
    int Handle = 0;
    QByteArray SavedPath;
};

QByteArray Pcm(const QString& wav) {
    return ReadFile(wav).mid(44);
}

TEST_F(RipJobTest, WholeRipToEachFormatLeavesTheOutputsAndNoWav) {
    OpenDisc(2);
    Settings.UseID3 = true;
    CurrentDisc.Artist = QStringLiteral("Band");
    CurrentDisc.Album = QStringLiteral("Album");
    CurrentDisc.Year = QStringLiteral("1999");
    CurrentDisc.Genre = 0; // "A Cappella"
    for (int format : {ofMP3, ofOGG, ofWMA, ofWAV, ofFLAC}) {
        SCOPED_TRACE(format);
        Settings.OutputFormat = format;
        auto jobOwner = RipJob(Handle, {QStringLiteral("01One"), QStringLiteral("02Two")});
        TRipPipeline& job = *jobOwner;
        ASSERT_TRUE(Run(job));
        EXPECT_TRUE(job.Succeeded());
        const QString ext = QStringList{".mp3", ".wav", ".ogg", ".wma", ".flac"}[format];
        EXPECT_EQ(job.FilesWritten(), QStringList({Out("One" + ext), Out("Two" + ext)}));
        for (const QString& f : job.FilesWritten())
            EXPECT_GT(QFileInfo(f).size(), 1000) << f.toStdString();
        if (format == ofWAV) {
            EXPECT_EQ(Pcm(Out("One.wav")), Disc.TrackData[0]);
            EXPECT_EQ(Pcm(Out("Two.wav")), Disc.TrackData[1]);
        } else {
            EXPECT_FALSE(QFile::exists(Out("One.wav")));
            EXPECT_FALSE(QFile::exists(Out("Two.wav")));
        }
    }
    Tid3tag tag;
    ASSERT_EQ(tag.Read(Out("Two.mp3")), id3Ok);
    EXPECT_EQ(tag.TitleText(), "Two");
    EXPECT_EQ(tag.ArtistText(), "Band");
    EXPECT_EQ(tag.AlbumText(), "Album");
    EXPECT_EQ(tag.YearText(), "1999");
    EXPECT_EQ(tag.Track, 2);
    EXPECT_EQ(tag.Genre, 123); // ID3v1 genre 123 is "A Cappella"
    EXPECT_TRUE(Prompter.Shown().isEmpty()) << Prompter.Shown().join('|').toStdString();

    // The WMA utility stores the same fields (read back by ffprobe).
    if (const QString ffprobe = FindTool(QStringLiteral("ffprobe")); !ffprobe.isEmpty()) {
        const TRunResult wma =
            RunProgram(ffprobe, {"-v", "error", "-show_entries", "format_tags", "-of", "default=nw=1", Out("Two.wma")});
        for (const char* line : {"TAG:title=Two", "TAG:artist=Band", "TAG:album=Album", "TAG:date=1999", "TAG:track=2",
                                 "TAG:album_artist=Band", "TAG:genre=A Cappella"})
            EXPECT_TRUE(wma.Out.contains(line)) << line << '\n' << wma.Out.constData();
    }
    // The FLAC files decode to the disc's audio; they and the Ogg files carry the disc's
    // fields, and every tagged file the track's and the album's ReplayGain.
    QString error;
    ASSERT_TRUE(DecodeFlacToWav(Out("Two.flac"), Out("back.wav"), TFlacRunHooks(), error)) << error.toStdString();
    EXPECT_EQ(Pcm(Out("back.wav")), Disc.TrackData[1]);
    for (const QString& file : {Out("Two.flac"), Out("Two.ogg"), Out("Two.mp3")}) {
        TTagReport report;
        ASSERT_TRUE(ReadFileTags(file, report, error)) << error.toStdString();
        QStringList fields;
        for (const auto& [name, value] : report.Fields)
            if (name != QLatin1String("REPLAYGAIN_TRACK_GAIN") && name != QLatin1String("REPLAYGAIN_ALBUM_GAIN"))
                fields << name + '=' + value;
            else
                fields << name;
        for (const char* expected : {"ALBUM=Album", "ARTIST=Band", "DATE=1999", "GENRE=A Cappella", "TITLE=Two",
                                     "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"})
            EXPECT_TRUE(fields.contains(QLatin1String(expected)))
                << file.toStdString() << ": " << fields.join(' ').toStdString();
    }
}

TEST_F(RipJobTest, KeepWavAndDuplicateTitlesGiveDistinctFiles) {
    OpenDisc(3);
    Settings.OutputFormat = ofMP3;
    Settings.IsKeepWav = true;
    auto jobOwner = RipJob(Handle, {QStringLiteral("01Same"), QStringLiteral("02Same"), QStringLiteral("03Same")});
    TRipPipeline& job = *jobOwner;
    ASSERT_TRUE(Run(job));
    EXPECT_TRUE(job.Succeeded());
    for (const QString& name : {QStringLiteral("Same"), QStringLiteral("Same (2)"), QStringLiteral("Same (3)")}) {
        EXPECT_TRUE(QFile::exists(Out(name + ".mp3"))) << name.toStdString();
        EXPECT_TRUE(QFile::exists(Out(name + ".wav"))) << name.toStdString();
    }
    EXPECT_EQ(Pcm(Out("Same (3).wav")), Disc.TrackData[2]);
    EXPECT_EQ(UniqueNames({"A", "A", "A (2)", "B", "A"}), QStringList({"A", "A (3)", "A (2)", "B", "A (4)"}));
}

TEST(TrackPathTest, EachFieldCleanedOnItsOwnAndSlashesMakeFolders) {
    TDiscFields disc;
    disc.Artist = "AC/DC";
    disc.Album = "..Live: 1991?";
    disc.Year = "1991";
    disc.Genre = GenreIndexOf("Rock");
    const QString pattern = "%artist%/%year% - %album%/%track% %title% (%genre%)";
    EXPECT_EQ(TrackPath(pattern, disc, 3, "Back/In Black"), "ACDC/1991 - Live 1991/03 BackIn Black (Rock)");
    // The default pattern names files as titles always did; an empty field's folder is left
    // out, an empty title is TrackNN, and a field holding a placeholder stays as it is.
    EXPECT_EQ(TrackPath("%title%", disc, 1, " Intro "), " Intro ");
    EXPECT_EQ(TrackPath("%comment%/%title%", TDiscFields(), 2, "..."), "%comment%/Track02");
    EXPECT_EQ(TrackPath("%artist%/%title%", TDiscFields(), 2, "%album%"), "%album%");
    // A name is cut to 180 bytes of UTF-8 between characters (a file name holds 255).
    const QString path = TrackPath("%title%", disc, 1, QString(200, QChar(0x00E9)));
    EXPECT_EQ(path, QString(90, QChar(0x00E9)));
}

TEST_F(RipJobTest, TitlesThatWouldHideTheFileGiveVisibleNames) {
    // A name starting with "." is hidden: the rip would seem to have written nothing.
    OpenDisc(3);
    Settings.OutputFormat = ofWAV;
    auto jobOwner = RipJob(Handle, {QStringLiteral("01...Baby"), QStringLiteral("02"), QStringLiteral("03..")});
    TRipPipeline& job = *jobOwner;
    ASSERT_TRUE(Run(job));
    EXPECT_TRUE(job.Succeeded());
    EXPECT_EQ(job.FilesWritten(), QStringList({Out("Baby.wav"), Out("Track02.wav"), Out("Track03.wav")}));
    EXPECT_EQ(Pcm(Out("Track03.wav")), Disc.TrackData[2]);
    EXPECT_EQ(QDir(Settings.OutputFolder).entryList({"*.wav"}, QDir::Files | QDir::Hidden).size(), 3);
}

TEST_F(RipJobTest, StopHalfWayLeavesEveryWavWrittenSoFar) {
    OpenDisc(3);
    Settings.OutputFormat = ofMP3;
    // Read, encode, read: the stop comes while track 2 is read, before any WAV is removed.
    Settings.Pipeline = false;
    auto jobOwner = RipJob(Handle, {QStringLiteral("01One"), QStringLiteral("02Two"), QStringLiteral("03Three")});
    TRipPipeline& job = *jobOwner;
    QObject::connect(&job, &TJobController::Changed, [&] {
        if (job.EncodedCount == 1 && !job.Finished)
            job.Stop();
    });
    job.Start();
    RunJobToEnd(job, {});
    EXPECT_TRUE(job.Finished);
    EXPECT_TRUE(QFile::exists(Out("One.mp3")));
    EXPECT_EQ(Pcm(Out("One.wav")), Disc.TrackData[0]);
    EXPECT_TRUE(QFile::exists(Out("Two.wav")));
    EXPECT_FALSE(QFile::exists(Out("Three.wav")));
    EXPECT_FALSE(job.Succeeded());
}

TEST_F(RipJobTest, LowRatesGoThroughTheTemporaryFileAt44100) {
    const QString low = Folder.File(QStringLiteral("low.wav"));
    const QString high = Folder.File(QStringLiteral("high.wav"));
    ASSERT_TRUE(WriteFile(low, MakeWav(MakePcm16(22050, 2, 3, 22050), 2, 22050, 16)));
    ASSERT_TRUE(WriteFile(high, MakeWav(MakePcm16(48000, 2, 4, 48000), 2, 48000, 16)));
    for (uint8_t kind : {uint8_t(2), uint8_t(5)}) {
        SCOPED_TRACE(int(kind));
        const QString temporary = Out(kind == 2 ? "ViVO3DaZuvo.dov" : "MyReTemp.wav");
        TConvertJob job(TJobKind(kind), {low, high}, Settings.OutputFolder);
        QStringList captions;
        bool temporarySeen = false;
        QObject::connect(&job, &TJobController::Changed, [&] {
            if (captions.isEmpty() || captions.last() != job.Caption)
                captions << job.Caption;
            temporarySeen = temporarySeen || QFile::exists(temporary);
        });
        ASSERT_TRUE(Run(job));
        EXPECT_TRUE(job.Succeeded());
        EXPECT_TRUE(temporarySeen);
        EXPECT_FALSE(QFile::exists(temporary));
        EXPECT_EQ(captions.first(), "Resampling(01/02): " + low);
        EXPECT_TRUE(captions.contains("Encoding(01/02): " + low));
        // 48 kHz is encoded directly: no resample step for the second entry.
        EXPECT_FALSE(captions.contains("Resampling(02/02): " + high));
    }
    // An input that is itself the temporary file is refused, not written over, and stays.
    const QString named = Out("MyReTemp.wav");
    ASSERT_TRUE(QFile::copy(low, named));
    TConvertJob clash(TJobKind::WavToOgg, {named}, Settings.OutputFolder);
    ASSERT_TRUE(Run(clash));
    EXPECT_FALSE(clash.Succeeded());
    EXPECT_EQ(Prompter.Shown().last(), named + " is the input file and cannot be the output.");
    EXPECT_EQ(ReadFile(named), ReadFile(low));

    // The resampled file went in at 44.1 kHz: lame keeps that rate.
    const TRunResult info = RunProgram(FindTool(QStringLiteral("ffprobe")),
                                       {"-v", "error", "-select_streams", "a:0", "-show_entries", "stream=sample_rate",
                                        "-of", "default=nw=1:nk=1", Out("low.mp3")});
    if (info.ExitCode == 0) {
        EXPECT_EQ(info.Out.trimmed(), "44100");
    }
}

TEST_F(RipJobTest, FloatWavKeepsItsLevelAndRateInTheMp3) {
    // A quiet 48 kHz float recording (peak 0.1): lame alone would scale it to its own peak.
    QByteArray pcm(48000 * 2 * 4, 0);
    for (int i = 0; i < 48000 * 2; ++i)
        qToLittleEndian<float>(0.1f * std::sin(2.0f * float(M_PI) * 440.0f * float(i / 2) / 48000.0f),
                               pcm.data() + i * 4);
    QByteArray wav = MakeWav(pcm, 2, 48000, 32);
    qToLittleEndian<uint16_t>(3, wav.data() + 20);
    const QString input = Folder.File(QStringLiteral("quiet.wav"));
    ASSERT_TRUE(WriteFile(input, wav));
    TConvertJob job(TJobKind::WavToMp3, {input}, Settings.OutputFolder);
    ASSERT_TRUE(Run(job));
    ASSERT_TRUE(job.Succeeded());
    EXPECT_FALSE(QFile::exists(Out("ViVO3DaZuvo.dov")));

    const QString decoded = Folder.File(QStringLiteral("decoded.wav"));
    ASSERT_EQ(RunProgram(FindTool(QStringLiteral("lame")), {"--quiet", "--decode", Out("quiet.mp3"), decoded}).ExitCode,
              0);
    const QByteArray back = ReadFile(decoded);
    ASSERT_GT(back.size(), 44 + 4 * 24000);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(back.constData() + 24), 48000u);
    int peak = 0;
    for (qsizetype at = 44; at + 1 < back.size(); at += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<int16_t>(back.constData() + at))));
    EXPECT_NEAR(peak, 3277, 600);
}

TEST_F(RipJobTest, StepLinesPastNinetyNineUseThreeDigits) {
    const QString wav = Folder.File(QStringLiteral("bad.wav"));
    ASSERT_TRUE(WriteFile(wav, "not a wave file"));
    // 120 entries that fail at once: each is reported and skipped, and the job still ends.
    TConvertJob job(TJobKind::WavToWma, QStringList(120, wav), Settings.OutputFolder);
    QStringList captions;
    QObject::connect(&job, &TJobController::Changed, [&] { captions << job.Caption; });
    ASSERT_TRUE(Run(job));
    EXPECT_TRUE(captions.contains("Encoding(100/120): " + wav));
    EXPECT_TRUE(captions.contains("Encoding(07/120): " + wav));
    EXPECT_EQ(Prompter.Shown().size(), 120);
    EXPECT_EQ(job.FilesWritten(), QStringList());
}

TEST_F(RipJobTest, WmaEstimateOnASmallInput) {
    int64_t total = 0;
    // Under 2,000,000 bytes: 2 seconds until the elapsed time passes it, then elapsed + 1.
    ASSERT_TRUE(EstimateWmaTotal(1, 1999999, 0, 10954, total));
    EXPECT_EQ(total, 2);
    ASSERT_TRUE(EstimateWmaTotal(2, 1999999, 0, 10954, total));
    EXPECT_EQ(total, 3);
    // Larger: expected bytes scaled by the time so far; nothing written yet gives no estimate.
    EXPECT_FALSE(EstimateWmaTotal(1, 10954000, 0, 10954, total));
    ASSERT_TRUE(EstimateWmaTotal(4, 10954000, 250000, 10954, total));
    EXPECT_EQ(total, 16);

    // A real run on a small input: the gauge only moves forward and the job ends Ok.
    const QString wav = Folder.File(QStringLiteral("small.wav"));
    ASSERT_TRUE(WriteFile(wav, MakeWav(MakePcm16(44100, 2, 5), 2, 44100, 16)));
    // A file has nothing to do with the disc in the drive: none of its fields go into it.
    Settings.UseID3 = true;
    CurrentDisc.Artist = QStringLiteral("Band");
    CurrentDisc.Comment = QStringLiteral("Live");
    TConvertJob job(TJobKind::WavToWma, {wav}, Settings.OutputFolder);
    ASSERT_TRUE(Run(job));
    EXPECT_TRUE(job.Succeeded());
    EXPECT_GT(QFileInfo(Out("small.wma")).size(), 0);
    EXPECT_FALSE(job.Step.Wma.LastArguments.contains("-author"));
    EXPECT_FALSE(job.Step.Wma.LastArguments.contains("-description"));
}

TEST_F(RipJobTest, EveryTrackEndsWithItsResultFromEitherSource) {
    OpenDisc(2, 200);
    Settings.OutputFormat = ofWAV;
    TCDIn cdIn;
    cdIn.SetDriveIndex(cdIn.DriveCount() - 1);
    for (const bool throughCDInput : {false, true}) {
        SCOPED_TRACE(throughCDInput);
        const QStringList items = {QStringLiteral("01One"), QStringLiteral("02Two")};
        auto job = throughCDInput ? CDRipJob(cdIn, items) : RipJob(Handle, items);
        std::vector<TTrackResult> results;
        QObject::connect(job.get(), &TRipPipeline::TrackFinished, [&](const TTrackResult& r) { results.push_back(r); });
        ASSERT_TRUE(Run(*job));
        ASSERT_EQ(results.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            const TTrackResult& r = results[i];
            const QString wav = Out(i == 0 ? "One.wav" : "Two.wav");
            const QByteArray audio = Pcm(wav);
            ASSERT_EQ(audio, Disc.TrackData[i]);
            EXPECT_EQ(r.Index, int32_t(i) + 1);
            EXPECT_EQ(r.Number, int32_t(i) + 1);
            EXPECT_TRUE(r.Ok);
            EXPECT_EQ(r.Files, QStringList{wav});
            // The checksums of what was written, worked out here from the file.
            EXPECT_EQ(r.Read.Crc32,
                      uint32_t(crc32(0, reinterpret_cast<const Bytef*>(audio.constData()), uInt(audio.size()))));
            EXPECT_EQ(r.Read.Frames, audio.size() / 4);
            int peak = 0;
            for (qsizetype at = 0; at + 1 < audio.size(); at += 2)
                peak = std::max(peak, std::abs(int(qFromLittleEndian<int16_t>(audio.constData() + at))));
            EXPECT_EQ(r.Read.Peak, uint32_t(peak));
            EXPECT_EQ(r.Read.ReadErrors, 0);
        }
        EXPECT_EQ(job->TrackResults().size(), 2u);
    }
}

TEST_F(RipJobTest, ConversionFailuresAreReportedOnceAndTheJobGoesOn) {
    const QString good = Folder.File(QStringLiteral("good.wav"));
    ASSERT_TRUE(WriteFile(good, MakeWav(MakePcm16(4410, 2, 6), 2, 44100, 16)));
    const QString notMp3 = Folder.File(QStringLiteral("text.mp3"));
    ASSERT_TRUE(WriteFile(notMp3, "hello"));
    // An existing output that the user does not want overwritten: declined, not converted.
    ASSERT_TRUE(WriteFile(Out("good.mp3"), "old"));
    Prompter.Queue(TPromptAnswer::No);
    TConvertJob mp3(TJobKind::WavToMp3, {good}, Settings.OutputFolder);
    ASSERT_TRUE(Run(mp3));
    EXPECT_FALSE(mp3.Succeeded());
    EXPECT_EQ(ReadFile(Out("good.mp3")), "old");

    TConvertJob decode(TJobKind::Mp3ToWav, {notMp3}, Settings.OutputFolder);
    ASSERT_TRUE(Run(decode));
    EXPECT_FALSE(decode.Succeeded());
    EXPECT_EQ(Prompter.Shown().last(), notMp3 + " is not an MP3 file.");
    // AAC in ADTS frames named .mp3, bare or after an ID3v2 tag, is no MP3 either (lame would
    // turn it into noise and succeed); an MP3 after the same tag is taken.
    const QByteArray adts = QByteArray::fromHex("fff15080") + QByteArray(400, 'a');
    const QByteArray id3 = QByteArray::fromHex("49443303000000000005") + QByteArray(5, 0);
    for (const QByteArray& content : {adts, id3 + adts}) {
        const QString aac = Folder.File(QStringLiteral("aac.mp3"));
        ASSERT_TRUE(WriteFile(aac, content));
        TConvertJob aacJob(TJobKind::Mp3ToWav, {aac}, Settings.OutputFolder);
        ASSERT_TRUE(Run(aacJob));
        EXPECT_FALSE(aacJob.Succeeded());
        EXPECT_EQ(Prompter.Shown().last(), aac + " is not an MP3 file.");
    }
    const QString tagged = Folder.File(QStringLiteral("tagged.mp3"));
    ASSERT_TRUE(WriteFile(tagged, id3 + QByteArray::fromHex("fffb9064") + QByteArray(400, 0)));
    EXPECT_TRUE(LooksLikeMp3(tagged));

    // A rip whose MP3 is written but cannot be tagged (lame leaves it read-only): a plain note
    // naming the file, and the job goes on to the next track.
    const QString bin = Folder.File(QStringLiteral("bin"));
    QDir().mkpath(bin);
    ASSERT_TRUE(WriteFile(bin + "/lame", ("#!/bin/sh\n" + FindTool(QStringLiteral("lame")) +
                                          " \"$@\" || exit $?\n"
                                          "for last; do :; done\n"
                                          "chmod 444 \"$last\"\n")
                                             .toUtf8()));
    QFile::setPermissions(bin + "/lame", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
    OpenDisc(2);
    Settings.OutputFormat = ofMP3;
    Settings.UseID3 = true;
    const qsizetype shown = Prompter.Shown().size();
    auto ripOwner = RipJob(Handle, {QStringLiteral("01One"), QStringLiteral("02Two")});
    TRipPipeline& rip = *ripOwner;
    ASSERT_TRUE(Run(rip));
    // One note per track, in the order the encodes ended (two run at once).
    QStringList notes = Prompter.Shown().mid(shown);
    notes.sort();
    EXPECT_EQ(notes, QStringList({Out("One.mp3") + ": the file is read-only; no tags written",
                                  Out("Two.mp3") + ": the file is read-only; no tags written"}));
    EXPECT_EQ(Prompter.Icons().mid(shown), QList<TPromptIcon>(2, TPromptIcon::None));
    EXPECT_GT(QFileInfo(Out("Two.mp3")).size(), 1000);
}

} // namespace

namespace {

// A drive that gives a different first read of entry `Flaky` (a scratch read differently each
// time): the extraction thread's reads with that read's CRC changed. A drive that misreads
// cannot exist here; the rest is the real source.
class TFlakySource : public TTrackSource {
public:
    TFlakySource(std::unique_ptr<TTrackSource> inner, int32_t flaky, int wrongReads)
        : Inner(std::move(inner)), Flaky(flaky), WrongReads(wrongReads) {
        connect(Inner.get(), &TTrackSource::Progress, this, &TTrackSource::Progress);
        connect(Inner.get(), &TTrackSource::Normalizing, this, &TTrackSource::Normalizing);
        connect(Inner.get(), &TTrackSource::DriveError, this, &TTrackSource::DriveError);
        connect(Inner.get(), &TTrackSource::Ended, this, [this](int32_t index, TTrackRead read) {
            if (index == Flaky && WrongReads-- > 0)
                read.Crc32 ^= 1;
            Q_EMIT Ended(index, read);
        });
    }
    void Start(int32_t index, const QString& wavPath, bool normalize) override {
        Inner->Start(index, wavPath, normalize);
    }
    void Stop() override { Inner->Stop(); }
    bool Reading() const override { return Inner->Reading(); }
    void Release() override { Inner->Release(); }

private:
    std::unique_ptr<TTrackSource> Inner;
    int32_t Flaky;
    int WrongReads;
};

} // namespace

TEST_F(RipJobTest, TestAndCopyMarksTracksWhoseReadsDiffer) {
    OpenDisc(2, 200);
    Settings.OutputFormat = ofWAV;
    Settings.TestAndCopy = true;
    // Plain reading: a test and a copy that differ make the track suspicious. Secure reading
    // reads it a third time, and a third read equal to one of the two clears it.
    for (const bool secure : {false, true}) {
        SCOPED_TRACE(secure);
        Settings.Paranoia = secure;
        TRipRequest request = RequestOf({"01One", "02Two"});
        request.WriteLog = true;
        TRipPipeline job(request,
                         std::make_unique<TFlakySource>(std::make_unique<TDriveLibrarySource>(request, Handle), 2, 1),
                         TRipWindow::Job);
        std::vector<TTrackResult> results;
        QObject::connect(&job, &TRipPipeline::TrackFinished, [&](const TTrackResult& r) { results.push_back(r); });
        ASSERT_TRUE(Run(job));
        ASSERT_EQ(results.size(), 2u);
        EXPECT_TRUE(results[0].Tested);
        EXPECT_EQ(results[0].TestCrc, results[0].Read.Crc32);
        EXPECT_FALSE(results[0].Suspicious);
        EXPECT_EQ(results[1].TestCrc, results[1].Read.Crc32 ^ 1);
        EXPECT_EQ(results[1].Reread, secure);
        EXPECT_EQ(results[1].Suspicious, !secure);
        EXPECT_EQ(Pcm(Out("Two.wav")), Disc.TrackData[1]);
        const QString log = QString::fromUtf8(ReadFile(Out(QDir(Settings.OutputFolder).entryList({"*.log"}).value(0))));
        EXPECT_EQ(log.contains("suspicious"), !secure) << log.toStdString();
        EXPECT_EQ(job.ResultLine.endsWith("; suspicious (its reads differ)"), !secure) << job.ResultLine.toStdString();
        EXPECT_EQ(job.ResultLine.endsWith("; suspicious (its reads differ)"), !secure) << job.ResultLine.toStdString();
    }
}
