// The extraction thread on disc images: byte-for-byte output, the chunking and progress
// messages, the rip-time limit, stopping, and every failure path with its final message.
#include "cd/ripthread.h"

#include "cd/ProgressThrottle.h"
#include "cd/akrip32.h"
#include "core/Helpers.h"
#include "core/JobEvents.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <semaphore>

namespace {

struct TEventRecord {
    bool IsError = false;
    int32_t Code = 0;
    int32_t Status = 0;
    QString Elapsed;
    QString Estimated;
};

// Stands in for the job window: records every message in order.
class TRecorder : public QObject {
public:
    TPostGuard Guard{this};
    std::vector<TEventRecord> Events;
    bool Finished() const { return !Events.empty() && (Events.back().IsError || Events.back().Code == RipCodeDone); }
    bool event(QEvent* e) override {
        if (e->type() == JobErrorEventType) {
            Events.push_back({true, static_cast<TJobErrorEvent*>(e)->Code, 0, {}, {}});
            return true;
        }
        if (e->type() == JobInfoEventType) {
            const TProcessInfo& i = *static_cast<TJobInfoEvent*>(e)->Info;
            Events.push_back({false, i.Code, i.Status, i.Elapsed, i.Estimated});
            return true;
        }
        return QObject::event(e);
    }
};

// Stops itself after a given number of sectors, as a user pressing Stop would.
class TStoppingRipThread : public TCDRipThread {
public:
    TStoppingRipThread(int32_t track, const QString& name, int64_t stopAt)
        : TCDRipThread(track, name), StopAt(stopAt) {}

protected:
    void AfterRead(int64_t done) override {
        if (done >= StopAt)
            StopRip = true;
    }

private:
    int64_t StopAt;
};

// Stops after a given number of sectors until the test lets it go on.
class TPausingRipThread : public TCDRipThread {
public:
    TPausingRipThread(int32_t track, const QString& name, int64_t pauseAt)
        : TCDRipThread(track, name), PauseAt(pauseAt) {}
    // std:: rather than Qt, so that ThreadSanitizer sees the hand-over.
    std::binary_semaphore Paused{0};
    std::binary_semaphore Resumed{0};

protected:
    void AfterRead(int64_t done) override {
        if (done == PauseAt) {
            Paused.release();
            Resumed.acquire();
        }
    }

private:
    int64_t PauseAt;
};

// Waits for the thread to end, then delivers what it posted.
void Finish(TCDRipThread& thread) {
    thread.wait(60000);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

uint32_t DataCount(const QByteArray& wav) {
    return qFromLittleEndian<uint32_t>(wav.constData() + 40);
}
uint32_t RiffCount(const QByteArray& wav) {
    return qFromLittleEndian<uint32_t>(wav.constData() + 4);
}

class RipThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        Disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
        ASSERT_TRUE(QDir().mkpath(Settings.OutputFolder));
        ASSERT_NO_FATAL_FAILURE(OpenImage(Disc));
    }
    void TearDown() override { CloseCDHandle(Handle); }

    // Makes `image` the image drive and opens it as Handle (closing the previous one).
    void OpenImage(const TDiscImage& image) {
        CloseCDHandle(Handle);
        Settings.Images = image.CuePath;
        TCDOpenRequest request;
        request.Adapter = 1;
        Handle = GetCDHandle(&request);
        ASSERT_GT(Handle, 0) << CDLastError().toStdString();
    }

    // Runs a rip of `track` to `name`.wav and returns the recorded messages.
    std::vector<TEventRecord> Rip(int32_t track, const QString& name, int64_t stopAt = -1) {
        TRecorder recorder;
        std::unique_ptr<TCDRipThread> thread = stopAt < 0 ? std::make_unique<TCDRipThread>(track, name)
                                                          : std::make_unique<TStoppingRipThread>(track, name, stopAt);
        thread->CDHandle = Handle;
        thread->Window = recorder.Guard.Handle();
        thread->Resume();
        Finish(*thread);
        return recorder.Events;
    }
    QString WavPath(const QString& name) const { return Settings.OutputFolder + '/' + name + ".wav"; }

    TTempProgramFolder Folder;
    TDiscImage Disc;
    int Handle = 0;
};

std::vector<int32_t> ProgressCodes(const std::vector<TEventRecord>& events) {
    std::vector<int32_t> codes;
    for (const auto& e : events)
        if (!e.IsError && e.Code <= 100)
            codes.push_back(e.Code);
    return codes;
}

} // namespace

TEST_F(RipThreadTest, EveryTrackIsExtractedByteForByte) {
    for (int track = 1; track <= 4; ++track) {
        SCOPED_TRACE(track);
        const QString name = QStringLiteral("%1 Title").arg(TwoDigits(track));
        const auto events = Rip(track, name);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().Code, RipCodeDone);
        EXPECT_EQ(events.back().Status, rsOk);
        const QByteArray wav = ReadFile(WavPath(name));
        const QByteArray& pcm = Disc.TrackData[track - 1];
        ASSERT_EQ(wav.size(), 44 + pcm.size());
        EXPECT_EQ(wav.left(44), CdWavHeader(uint32_t(pcm.size())));
        EXPECT_TRUE(wav.mid(44) == pcm);
        // At most one progress message per read of at most 10 sectors, rising from the first
        // read's to 100.
        const int32_t sectors = Disc.Tracks[track - 1].Sectors;
        const std::vector<int32_t> codes = ProgressCodes(events);
        ASSERT_FALSE(codes.empty());
        EXPECT_LE(codes.size(), size_t((sectors + 9) / 10));
        EXPECT_EQ(codes.front(), 10 * 100 / sectors);
        EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
        EXPECT_EQ(codes.back(), 100);
        EXPECT_EQ(events.size(), codes.size() + 1);
    }
}

TEST_F(RipThreadTest, ProgressCarriesTimesOnlyAboveZero) {
    const auto events = Rip(1, "t");
    // 1234 sectors: the first read (10) gives 0 %, with empty times.
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].Code, 0);
    EXPECT_TRUE(events[0].Elapsed.isEmpty());
    EXPECT_TRUE(events[0].Estimated.isEmpty());
    const QRegularExpression mmss("^\\d\\d+:\\d\\d$");
    for (const auto& e : events)
        if (e.Code > 0 && e.Code <= 100) {
            EXPECT_TRUE(mmss.match(e.Elapsed).hasMatch()) << e.Elapsed.toStdString();
            EXPECT_TRUE(mmss.match(e.Estimated).hasMatch()) << e.Estimated.toStdString();
        }
}

TEST_F(RipThreadTest, RipTimeLimitsTheLength) {
    Settings.EnableRipTime = true;
    Settings.RipTime = 30;
    Rip(2, "limited");
    const QByteArray wav = ReadFile(WavPath("limited"));
    ASSERT_EQ(wav.size(), 44 + 5292000);
    EXPECT_EQ(DataCount(wav), 5292000u);
    EXPECT_TRUE(wav.mid(44) == Disc.TrackData[1].left(5292000));

    // A limit longer than the track changes nothing; the track never reads past its end.
    Settings.RipTime = 3000;
    Rip(4, "long");
    EXPECT_EQ(ReadFile(WavPath("long")).size(), 44 + Disc.TrackData[3].size());

    // Zero or a negative limit gives an empty but valid file and ends normally.
    for (int limit : {0, -5}) {
        Settings.RipTime = limit;
        const auto events = Rip(1, "none");
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].Code, RipCodeDone);
        EXPECT_EQ(events[0].Status, rsOk);
        EXPECT_EQ(ReadFile(WavPath("none")), CdWavHeader(0));
    }
}

TEST_F(RipThreadTest, StopLeavesAMatchingHeaderAndNoFinalMessage) {
    const auto events = Rip(2, "stopped", 500);
    ASSERT_FALSE(events.empty());
    EXPECT_NE(events.back().Code, RipCodeDone);
    // The read after which the stop came is the last report.
    EXPECT_EQ(ProgressCodes(events).back(), 500 * 100 / 2300);
    const QByteArray wav = ReadFile(WavPath("stopped"));
    ASSERT_EQ(wav.size(), 44 + 500 * 2352);
    EXPECT_EQ(DataCount(wav), uint32_t(wav.size() - 44));
    EXPECT_EQ(RiffCount(wav), uint32_t(wav.size() - 8));
    EXPECT_TRUE(wav.mid(44) == Disc.TrackData[1].left(500 * 2352));
}

TEST_F(RipThreadTest, NormalizeRunsTheGainPassWithProgress) {
    Settings.IsNormalize = true;
    Settings.NormalizePercent = 50;
    const auto events = Rip(4, "loud");
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().Code, RipCodeDone);
    EXPECT_EQ(events.back().Status, rsOk);
    const auto start = std::find_if(events.begin(), events.end(), [](auto& e) { return e.Code == RipCodeNormalizing; });
    ASSERT_NE(start, events.end());
    // The extraction ends at 100 before the pass; the pass reports from its first block
    // (0 %) to its end (100 %), at most once per 2048-byte block, then the track is done.
    ASSERT_GT(start - events.begin(), 0);
    EXPECT_EQ((start - 1)->Code, 100);
    const std::vector<int32_t> pass = ProgressCodes({start + 1, events.end()});
    ASSERT_FALSE(pass.empty());
    EXPECT_LE(int64_t(pass.size()), (Disc.TrackData[3].size() + 2047) / 2048 + 1);
    EXPECT_EQ(pass.front(), 0);
    EXPECT_EQ(pass.back(), 100);
    EXPECT_EQ(events.end() - start - 2, int64_t(pass.size()));

    const QByteArray wav = ReadFile(WavPath("loud"));
    const QByteArray& pcm = Disc.TrackData[3];
    ASSERT_EQ(wav.size(), 44 + pcm.size());
    EXPECT_EQ(wav.left(44), CdWavHeader(uint32_t(pcm.size())));
    for (qsizetype i = 0; i < pcm.size(); i += 2 * 997) {
        const int16_t s = qFromLittleEndian<int16_t>(pcm.constData() + i);
        EXPECT_EQ(qFromLittleEndian<int16_t>(wav.constData() + 44 + i), int16_t(std::rint(s * 0.5)));
    }
}

TEST_F(RipThreadTest, FailedGainPassEndsWithItsOwnStatusAndKeepsTheAudio) {
    Settings.IsNormalize = true;
    // A file whose path has the longest length a path may have (4095 bytes): the pass's
    // temporary beside it, whose name is longer, cannot be created, so the pass fails.
    QString folder = Settings.OutputFolder;
    while (folder.size() < 4095 - 255)
        folder += '/' + QString(std::min<qsizetype>(200, 4095 - 255 - folder.size()), 'd');
    ASSERT_TRUE(QDir().mkpath(folder));
    Settings.OutputFolder = folder;
    const QString name(4095 - folder.size() - 1 - 4, 'n');
    ASSERT_EQ(WavPath(name).size(), 4095);
    const auto events = Rip(4, name);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().Code, RipCodeDone);
    EXPECT_EQ(events.back().Status, rsNormalizeFailed);
    EXPECT_TRUE(ReadFile(WavPath(name)).mid(44) == Disc.TrackData[3]);
}

TEST_F(RipThreadTest, FailedReadPatchesTheHeaderToWhatWasRead) {
    // libcdio sized the disc when it was opened; shortening the bin now makes the reads
    // past 500 sectors of track 1 fail.
    ASSERT_TRUE(QFile::resize(Disc.BinPath, 500 * 2352));
    const auto events = Rip(1, "broken");
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().Code, RipCodeDone);
    EXPECT_EQ(events.back().Status, rsReadFailed);
    // The failed read still counts as progress and is the last report.
    EXPECT_EQ(ProgressCodes(events).back(), 510 * 100 / 1234);
    const QByteArray wav = ReadFile(WavPath("broken"));
    ASSERT_EQ(wav.size(), 44 + 500 * 2352);
    EXPECT_EQ(DataCount(wav), 500u * 2352u);
    EXPECT_TRUE(wav.mid(44) == Disc.TrackData[0].left(500 * 2352));
}

TEST_F(RipThreadTest, UncreatableFileAndBadHandleReportTheirCodes) {
    Settings.OutputFolder = Folder.File("no such folder");
    auto events = Rip(1, "x");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Code, RipCodeDone);
    EXPECT_EQ(events[0].Status, rsCreateFailed);

    CloseCDHandle(Handle);
    events = Rip(1, "x");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].IsError);
    EXPECT_EQ(events[0].Code, RipErrorModifyParms);
}

TEST_F(RipThreadTest, TrackOutsideTheTocIsATocError) {
    for (int track : {0, 5, 99}) {
        const auto events = Rip(track, "x");
        ASSERT_EQ(events.size(), 1u);
        EXPECT_TRUE(events[0].IsError);
        EXPECT_EQ(events[0].Code, RipErrorReadToc);
    }
}

TEST_F(RipThreadTest, DataTrackIsNotExtracted) {
    const TDiscImage mixed = MakeDiscImage(Folder.Path(), "mixed", {{30}, {40, true}});
    ASSERT_NO_FATAL_FAILURE(OpenImage(mixed));
    const auto events = Rip(2, "data");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Code, RipCodeDone);
    EXPECT_EQ(events[0].Status, rsReadFailed);
    EXPECT_FALSE(QFile::exists(WavPath("data")));
    Rip(1, "audio");
    EXPECT_TRUE(ReadFile(WavPath("audio")).mid(44) == mixed.TrackData[0]);
}

TEST_F(RipThreadTest, FirstTrackAfterAHiddenGapStartsAtItsOwnAddress) {
    TDiscImageOptions options;
    options.LeadingSectors = 150;
    const TDiscImage gap = MakeDiscImage(Folder.Path(), "gap", {{40}, {33}}, options);
    ASSERT_NO_FATAL_FAILURE(OpenImage(gap));
    Rip(1, "one");
    Rip(2, "two");
    EXPECT_TRUE(ReadFile(WavPath("one")).mid(44) == gap.TrackData[0]);
    EXPECT_TRUE(ReadFile(WavPath("two")).mid(44) == gap.TrackData[1]);
}

TEST_F(RipThreadTest, TrackCountsFromTheDiscsFirstTrackWhateverItsNumber) {
    // The track list numbers its rows from 1, also for a disc whose first track is track 2.
    TDiscImageOptions options;
    options.FirstNumber = 2;
    const TDiscImage later = MakeDiscImage(Folder.Path(), "later", {{40}, {33}}, options);
    ASSERT_NO_FATAL_FAILURE(OpenImage(later));
    Rip(1, "first");
    Rip(2, "second");
    EXPECT_TRUE(ReadFile(WavPath("first")).mid(44) == later.TrackData[0]);
    EXPECT_TRUE(ReadFile(WavPath("second")).mid(44) == later.TrackData[1]);
    const auto events = Rip(3, "none");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].IsError);
    EXPECT_EQ(events[0].Code, RipErrorReadToc);
}

TEST_F(RipThreadTest, FullDiskEndsWithWriteStatusAndAMatchingHeader) {
    // A file size limit stands in for a full disk: writes beyond it fail with EFBIG.
    std::vector<TEventRecord> events;
    {
        const TFileSizeLimit limit(100002); // inside a sample frame
        ASSERT_TRUE(limit.Applied());
        events = Rip(1, "full");
    }

    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().Code, RipCodeDone);
    EXPECT_EQ(events.back().Status, rsWriteFailed);
    const QByteArray wav = ReadFile(WavPath("full"));
    ASSERT_GE(wav.size(), 44);
    EXPECT_EQ(wav.size(), 44 + (100002 - 44) / 4 * 4);
    EXPECT_EQ(DataCount(wav), uint32_t(wav.size() - 44));
    EXPECT_TRUE(wav.mid(44) == Disc.TrackData[0].left(wav.size() - 44));
}

TEST(RipThreadLifetimeTest, DestroyingAnUnstartedOrRunningThreadWaits) {
    TTempProgramFolder folder;
    { TCDRipThread never(1, "x"); }
    const TDiscImage disc = MakeDiscImage(folder.Path(), "disc", {{3000}});
    Settings.Images = disc.CuePath;
    QDir().mkpath(Settings.OutputFolder);
    TCDOpenRequest request;
    request.Adapter = 1;
    const int h = GetCDHandle(&request);
    TRecorder recorder;
    {
        TCDRipThread thread(1, "x");
        thread.CDHandle = h;
        thread.Window = recorder.Guard.Handle();
        thread.Resume();
        thread.StopRip = true;
    }
    QCoreApplication::sendPostedEvents();
    // Whatever was written has a header that matches it.
    const QByteArray wav = ReadFile(Settings.OutputFolder + "/x.wav");
    ASSERT_GE(wav.size(), 44);
    EXPECT_EQ(DataCount(wav), uint32_t(wav.size() - 44));
    CloseCDHandle(h);
}

TEST_F(RipThreadTest, SettingsAreTakenWhenTheThreadIsCreated) {
    const QString folder = Settings.OutputFolder;
    Settings.EnableRipTime = true;
    Settings.RipTime = 2;
    TRecorder recorder;
    TCDRipThread thread(2, "snap");
    // What the options dialog changes later does not reach the running extraction.
    Settings.OutputFolder = Folder.File("elsewhere");
    Settings.RipTime = 20;
    Settings.IsNormalize = true;
    EXPECT_EQ(thread.Options.OutputFolder, folder);
    thread.CDHandle = Handle;
    thread.Window = recorder.Guard.Handle();
    thread.Resume();
    Finish(thread);
    ASSERT_FALSE(recorder.Events.empty());
    EXPECT_EQ(recorder.Events.back().Status, rsOk);
    for (const auto& e : recorder.Events)
        EXPECT_NE(e.Code, RipCodeNormalizing);
    EXPECT_TRUE(ReadFile(folder + "/snap.wav").mid(44) == Disc.TrackData[1].left(2 * 75 * 2352));
    EXPECT_FALSE(QFile::exists(Folder.File("elsewhere/snap.wav")));
}

TEST_F(RipThreadTest, AWindowDestroyedWhileTheThreadRunsReceivesNothing) {
    Settings.IsNormalize = true;
    auto* window = new TRecorder;
    TPausingRipThread thread(2, "orphan", 500);
    thread.CDHandle = Handle;
    thread.Window = window->Guard.Handle();
    thread.Resume();
    thread.Paused.acquire();
    // The job window closes mid-track with messages still queued for it; the rest of the
    // extraction, the gain pass and the final message have nowhere to go.
    delete window;
    thread.Resumed.release();
    Finish(thread);
    const QByteArray wav = ReadFile(WavPath("orphan"));
    EXPECT_EQ(wav.size(), 44 + Disc.TrackData[1].size());
}

TEST(ProgressThrottleTest, FirstAndLastAlwaysAndTwentyASecondBetween) {
    TProgressThrottle throttle;
    EXPECT_TRUE(throttle.Due(1000, false));
    EXPECT_FALSE(throttle.Due(1001, false));
    EXPECT_FALSE(throttle.Due(1049, false));
    EXPECT_TRUE(throttle.Due(1050, false));
    EXPECT_TRUE(throttle.Due(1051, true));
    // A read every millisecond for ten seconds: about 20 reports a second.
    TProgressThrottle busy;
    int reports = 0;
    for (int ms = 0; ms < 10000; ++ms)
        reports += busy.Due(ms, ms == 9999) ? 1 : 0;
    EXPECT_EQ(reports, 201);
}
