// The playback sink against SDL's disk driver: the buffer and polling rules, decoded Ogg Vorbis
// files played byte for byte through the balance filter, the balance gains, pause and resume,
// seeking, underruns, the end of the input, and machines without sound.
#include "audio/DXAudioOut.h"
#include "audio/StereoBalance.h"
#include "audio/WaveIn.h"
#include "sound/SoundTestSupport.h"
#include "support/TestSupport.h"
#include "vorbis/VorbisIn.h"
#include "vorbis/VorbisTestSupport.h"

#include <QThread>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>

namespace {

// Settings that let the disk driver take the audio as fast as the sink can read it: a large
// ring refilled whole every few milliseconds.
void Fast(TDXAudioOut& out, int32_t frames = 88200) {
    out.Latency = 0;
    out.SetFramesInBuffer(frames);
    out.PollingInterval = 5;
    out.PrefetchData = false;
}

// About ten times real time: slow enough to act while the run plays. The half-second ring
// keeps a busy machine from starving the device between two polls.
void Moderate(TDXAudioOut& out, bool prefetch = false) {
    out.Latency = 0;
    out.SetFramesInBuffer(22050);
    out.PollingInterval = 50;
    out.PrefetchData = prefetch;
}

struct TRunLog {
    int Done = 0;
    int Exceptions = 0;
    int Underruns = 0;
};

void Watch(TDXAudioOut& out, TRunLog& log) {
    out.OnDone = [&log](TAuOutput*) { ++log.Done; };
    out.OnThreadException = [&log](TAuOutput*) { ++log.Exceptions; };
    out.OnUnderrun = [&log](TAuOutput*) { ++log.Underruns; };
}

// Runs the sink, calls `whilePlaying` (if any) and waits for OnDone.
bool Play(TDXAudioOut& out, TRunLog& log, const std::function<void()>& whilePlaying = {}) {
    Watch(out, log);
    out.Run();
    if (whilePlaying)
        whilePlaying();
    return WaitUntil([&] { return log.Done > 0; }, 30000);
}

QString MakeOgg(const QString& folder, const QString& name, const QByteArray& pcm, int channels, int rate) {
    const QString wav = folder + '/' + name + ".wav";
    if (!WriteFile(wav, MakeWav(pcm, channels, rate, 16)))
        return QString();
    return MakeOggWithOggenc(wav, folder + '/' + name + ".ogg", {"-q", "2"});
}

QByteArray Frames16(int frames, int16_t left, int16_t right) {
    QByteArray pcm;
    for (int i = 0; i < frames; ++i) {
        const int16_t s[2] = {left, right};
        pcm.append(reinterpret_cast<const char*>(s), 4);
    }
    return pcm;
}

} // namespace

TEST(DXAudioOutTest, LatencySetsTheBufferAndThePollingInterval) {
    struct TCase {
        int32_t Latency, Frames, Polling;
        int32_t WantLatency, WantFrames, WantPolling;
    };
    // 80 ms at 44,100 Hz is 3,528 frames polled every 26 ms; 5 ms is raised to 10; 0 keeps both.
    for (const TCase c :
         {TCase{80, 24576, 100, 80, 3528, 26}, TCase{5, 24576, 100, 10, 441, 3}, TCase{0, 12345, 7, 0, 12345, 7}}) {
        TDiskAudio disk;
        TPcmIn in(MakePcm16(4410, 2, 1), 2, 44100, 16);
        TDXAudioOut out;
        out.SetInput(&in);
        out.Latency = c.Latency;
        out.SetFramesInBuffer(c.Frames);
        out.PollingInterval = c.Polling;
        TRunLog log;
        ASSERT_TRUE(Play(out, log));
        EXPECT_EQ(out.LastError, QString());
        EXPECT_EQ(out.Latency.load(), c.WantLatency);
        EXPECT_EQ(out.FramesInBuffer(), c.WantFrames);
        EXPECT_EQ(out.PollingInterval.load(), c.WantPolling);
        EXPECT_EQ(out.RunSampleRate(), 44100);
        // A speed factor changes the rate the device plays at.
        out.SpeedFactor = 1.5f;
        out.SetFramesInBuffer(c.Frames); // ignored while busy, taken now
        log = {};
        ASSERT_TRUE(Play(out, log));
        EXPECT_EQ(out.RunSampleRate(), 66150);
    }
}

TEST(DXAudioOutTest, PlaysDecodedOggFilesExactly) {
    TTempProgramFolder folder;
    struct TCase {
        const char* Name;
        int Channels, Rate;
        bool Prefetch;
    };
    for (const TCase c : {TCase{"mono", 1, 44100, false}, TCase{"stereo", 2, 44100, false},
                          TCase{"low", 2, 22050, false}, TCase{"prefetch", 2, 44100, true}}) {
        SCOPED_TRACE(c.Name);
        const int frames = c.Prefetch ? c.Rate / 2 : c.Rate;
        const QString ogg =
            MakeOgg(folder.Path(), c.Name, MakePcm16(frames, c.Channels, 11, c.Rate), c.Channels, c.Rate);
        ASSERT_FALSE(ogg.isEmpty());
        QByteArray decoded = DecodeWithOggdec(ogg);
        ASSERT_FALSE(decoded.isEmpty());
        if (c.Channels == 1)
            decoded = MonoToStereo16(decoded); // the balance filter plays mono on both sides

        TDiskAudio disk;
        TVorbisIn in;
        in.SetFileName(ogg);
        TStereoBalance balance;
        balance.SetInput(&in);
        TDXAudioOut out;
        out.SetInput(&balance);
        if (c.Prefetch) {
            // The player's own settings.
            out.Latency = 80;
            out.PollingInterval = 200;
            out.SetFramesInBuffer(65536);
        } else {
            Fast(out);
        }
        TRunLog log;
        ASSERT_TRUE(Play(out, log));
        EXPECT_EQ(out.LastError, QString());
        EXPECT_EQ(out.RunSampleRate(), c.Rate);
        EXPECT_EQ(out.Progress(), 100);
        if (c.Prefetch) {
            // The player's 80 ms ring, taken as fast as the disk driver can: a busy machine may
            // make the writer late enough for an underrun, which adds silence but loses nothing.
            EXPECT_TRUE(WithoutSilence(disk.Played(), 4) == WithoutSilence(decoded, 4));
            continue;
        }
        EXPECT_EQ(log.Underruns, 0);
        const QByteArray played = TrimSilence(disk.Played(), 4);
        ASSERT_EQ(played.size(), TrimSilence(decoded, 4).size());
        EXPECT_TRUE(played == TrimSilence(decoded, 4));
    }
}

TEST(DXAudioOutTest, BalanceFadesOneSide) {
    struct TCase {
        float Balance;
        int16_t Left, Right;
    };
    for (const TCase c : {TCase{0.0f, 10000, 0}, TCase{0.25f, 10000, -4000}, TCase{0.5f, 10000, -8000},
                          TCase{0.75f, 5000, -8000}, TCase{1.0f, 0, -8000}}) {
        SCOPED_TRACE(c.Balance);
        TDiskAudio disk;
        TPcmIn in(Frames16(8820, 10000, -8000), 2, 44100, 16);
        TStereoBalance balance;
        balance.SetInput(&in);
        balance.SetBalance(c.Balance);
        TDXAudioOut out;
        out.SetInput(&balance);
        Fast(out);
        TRunLog log;
        ASSERT_TRUE(Play(out, log));
        EXPECT_TRUE(TrimSilence(disk.Played(), 4) == Frames16(8820, c.Left, c.Right));
    }
}

TEST(DXAudioOutTest, PauseAndResumeLoseAndRepeatNothing) {
    TDiskAudio disk;
    const QByteArray pcm = MakePcm16(3 * 44100, 2, 3);
    TPcmIn in(pcm, 2, 44100, 16);
    TDXAudioOut out;
    out.SetInput(&in);
    Moderate(out);
    TRunLog log;
    ASSERT_TRUE(Play(out, log, [&] {
        ASSERT_TRUE(WaitUntil([&] { return out.Device().BytesPlayed() > 44100 * 4 / 2; }));
        out.Pause();
        EXPECT_EQ(out.Status(), osPaused);
        const uint64_t played = out.Device().BytesPlayed();
        QThread::msleep(60);
        EXPECT_EQ(out.Device().BytesPlayed(), played) << "a paused output plays nothing";
        out.Resume();
        EXPECT_EQ(out.Status(), osBusy);
    }));
    EXPECT_EQ(log.Underruns, 0);
    EXPECT_TRUE(TrimSilence(disk.Played(), 4) == TrimSilence(pcm, 4));
}

TEST(DXAudioOutTest, SeekingMovesTheSourceByThousandthsOfTheFile) {
    TTempProgramFolder folder;
    struct TCase {
        const char* Name;
        bool Prefetch;
        int32_t Offset;
    };
    // Half the file on (with and without reading ahead), and back from past the middle to the
    // start: the filter between must neither cut the file short nor end it early.
    for (const TCase c : {TCase{"on", false, 500}, TCase{"on, read ahead", true, 500}, TCase{"back", false, -1000}}) {
        SCOPED_TRACE(c.Name);
        const int frames = c.Prefetch ? 2 * 44100 : 4 * 44100; // 2 s at about real time, 4 s at ten times
        const QByteArray pcm = WithoutSilence(MakePcm16(frames, 2, 5), 4);
        const QString wav = folder.File(QString::number(frames) + ".wav");
        ASSERT_TRUE(WriteFile(wav, MakeWav(pcm, 2, 44100, 16)));
        TDiskAudio disk;
        TWaveIn in;
        in.SetFileName(wav);
        TStereoBalance balance;
        balance.SetInput(&in);
        TDXAudioOut out;
        out.SetInput(&balance);
        Moderate(out, c.Prefetch);
        const uint64_t seekAt = c.Offset > 0 ? 8820 * 4 : uint64_t(pcm.size()) * 6 / 10;
        TRunLog log;
        ASSERT_TRUE(Play(out, log, [&] {
            ASSERT_TRUE(WaitUntil([&] { return out.Device().BytesPlayed() > seekAt; }));
            out.SeekRelative(c.Offset);
            EXPECT_EQ(out.Status(), osBusy);
        }));
        EXPECT_EQ(out.LastError, QString());
        EXPECT_EQ(out.Progress(), 100);
        // The output is the start of the file up to where the seek happened, then (after some
        // silence) the rest of the file from where the seek went.
        const QByteArray played = WithoutSilence(disk.Played(), 4);
        qsizetype x = 0;
        while (x + 4 <= played.size() && std::memcmp(played.constData() + x, pcm.constData() + x, 4) == 0)
            x += 4;
        const qsizetype y = pcm.size() - (played.size() - x);
        ASSERT_GE(y, 0);
        ASSERT_TRUE(played.mid(x) == pcm.mid(y));
        if (c.Offset < 0) {
            EXPECT_EQ(y, 0);
            continue;
        }
        const qsizetype half = pcm.size() / 4 / 2;
        // Only what the filter had read ahead (replaced by silence) may lie between.
        const qsizetype slack = c.Prefetch ? 2800 : 1;
        EXPECT_GE((y - x) / 4, half - 1);
        EXPECT_LE((y - x) / 4, half + slack);
    }
}

namespace {

// A source that stops delivering at a given byte until the test lets it go on.
class TStallingIn : public TPcmIn {
public:
    TStallingIn(QByteArray pcm, int64_t stallAt) : TPcmIn(std::move(pcm), 2, 44100, 16), StallAt(stallAt) {}
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override {
        if (Delivered >= StallAt) {
            std::unique_lock lock(Mutex);
            Cond.wait(lock, [this] { return Released; });
        }
        TPcmIn::ReadInternal(buffer, bytes);
        Delivered += bytes;
    }
    void Release() {
        {
            std::lock_guard lock(Mutex);
            Released = true;
        }
        Cond.notify_all();
    }

private:
    const int64_t StallAt;
    int64_t Delivered = 0;
    std::mutex Mutex;
    std::condition_variable Cond;
    bool Released = false;
};

} // namespace

TEST(DXAudioOutTest, UnderrunIsReportedOnceAndPlaybackGoesOn) {
    TDiskAudio disk;
    const QByteArray pcm = MakePcm16(2 * 44100, 2, 9);
    TStallingIn in(pcm, pcm.size() / 2);
    TDXAudioOut out;
    out.SetInput(&in);
    Moderate(out); // the device gives up waiting after the ring's half second
    TRunLog log;
    ASSERT_TRUE(Play(out, log, [&] {
        const bool starved = WaitUntil([&] { return out.Device().UnderrunCount() > 0; });
        in.Release();
        ASSERT_TRUE(starved);
    }));
    EXPECT_EQ(log.Underruns, 1);
    EXPECT_EQ(log.Exceptions, 0);
    EXPECT_TRUE(WithoutSilence(disk.Played(), 4) == WithoutSilence(pcm, 4));
}

TEST(DXAudioOutTest, TheEndOfTheInputPlaysOutWhateverTheBufferLength) {
    // 0.3 s is below the half second that a whole-second drain would round to nothing.
    for (const int32_t frames : {13230, 61740}) {
        SCOPED_TRACE(frames);
        TDiskAudio disk;
        const QByteArray pcm = MakePcm16(frames + 4410, 2, 4);
        TPcmIn in(pcm, 2, 44100, 16);
        TDXAudioOut out;
        out.SetInput(&in);
        out.Latency = 0;
        out.SetFramesInBuffer(frames);
        out.PollingInterval = 50;
        TRunLog log;
        ASSERT_TRUE(Play(out, log));
        // (A busy machine may starve the short ring once: that adds silence, nothing else.)
        const QByteArray played = WithoutSilence(disk.Played(), 4);
        EXPECT_TRUE(played == WithoutSilence(pcm, 4));
        EXPECT_TRUE(played.endsWith(pcm.right(4)));
    }
}

TEST(DXAudioOutTest, ADeviceThatTakesNoDataFor16PollsIsAnOutputError) {
    TDiskAudio disk;
    // Paced by the disk driver at 200 Hz, the device takes a buffer of 64 frames every 0.32 s:
    // the ring stays full for far more than 16 polls of 5 ms.
    qunsetenv("SDL_DISKAUDIODELAY");
    TPcmIn in(MakePcm16(8000, 2, 1), 2, 8000, 16);
    TDXAudioOut out;
    out.SetInput(&in);
    out.SpeedFactor = 0.025f;
    out.Latency = 0;
    out.SetFramesInBuffer(256);
    out.PollingInterval = 5;
    out.PrefetchData = false;
    TRunLog log;
    ASSERT_TRUE(Play(out, log));
    EXPECT_EQ(out.RunSampleRate(), 200);
    EXPECT_EQ(out.LastError, "Audio output error");
    EXPECT_EQ(log.Exceptions, 1);
    EXPECT_EQ(log.Done, 1);
}

TEST(DXAudioOutTest, NoSoundDeviceEndsTheRunWithAClearError) {
    for (const QByteArray& driver : {QByteArray("dummy"), QByteArray("no-such-driver")}) {
        SCOPED_TRACE(driver.constData());
        TDiskAudio none(driver);
        TPcmIn in(MakePcm16(4410, 2, 1), 2, 44100, 16);
        TDXAudioOut out;
        EXPECT_EQ(out.DeviceCount(), 1);
        out.SetInput(&in);
        TRunLog log;
        ASSERT_TRUE(Play(out, log));
        EXPECT_EQ(log.Exceptions, 1);
        EXPECT_TRUE(out.LastError.startsWith("Failed to create sound device: ")) << out.LastError.toStdString();
        EXPECT_GT(out.LastError.size(), 31);
        EXPECT_EQ(out.Status(), osIdle);
    }
    TDiskAudio disk;
    TPcmIn in(MakePcm16(4410, 2, 1), 2, 44100, 16);
    TDXAudioOut out;
    out.SetInput(&in);
    out.DeviceNumber = out.DeviceCount();
    TRunLog log;
    ASSERT_TRUE(Play(out, log));
    EXPECT_EQ(out.LastError, "Invalid device number");
    EXPECT_EQ(log.Exceptions, 1);
}
