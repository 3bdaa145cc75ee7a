// The three filters as components: TFastResampler, TAudioConverter and TStereoBalance, alone
// and in the chain TWaveIn → TFastResampler → TAudioConverter → TWaveOut.
#include "WavTestUtil.h"

#include "audio/AudioConverter.h"
#include "audio/FastResampler.h"
#include "audio/StereoBalance.h"
#include "audio/WaveIn.h"
#include "audio/WaveOut.h"

#include <atomic>
#include <cmath>
#include <semaphore>

namespace {

QString Text(const std::function<void()>& f) {
    try {
        f();
    } catch (const EAuException& e) {
        return e.Message();
    }
    return {};
}

TEST(ConverterChainTest, ResamplerPassesEqualRatesThroughByteForByte) {
    TTestPcmIn in;
    in.Pcm = MakePcm16(10000, 2, 1);
    TFastResampler r;
    r.SetInput(&in);
    r.OutSampleRate = 44102;
    EXPECT_EQ(ReadAll(r), in.Pcm);
    EXPECT_TRUE(r.PassThrough());
}

// The whole stream arrives: the last, short block included.
TEST(ConverterChainTest, ResamplerDeliversEveryBlock) {
    TTestPcmIn in;
    in.Pcm = MakePcm16(44100 * 2 + 3001, 2, 2);
    TFastResampler down;
    down.SetInput(&in);
    down.OutSampleRate = 22050;
    const QByteArray half = ReadAll(down, 1000);
    EXPECT_EQ(half.size(), (44100 + 1501) * 4);
    EXPECT_EQ(down.Position, down.Size);
    // The tone runs to the very end.
    const std::vector<int16_t> s = Samples16(half);
    double tail = 0;
    for (size_t i = s.size() - 2000; i < s.size(); ++i)
        tail += std::abs(double(s[i]));
    EXPECT_GT(tail / 2000, 3000.0);

    in.Pcm = MakePcm16(22050 + 1000, 1, 3, 22050);
    in.ChannelCount = 1;
    in.Rate = 22050;
    TFastResampler up;
    up.SetInput(&in);
    up.OutSampleRate = 44100;
    EXPECT_EQ(up.GetSampleRate(), 44100);
    const QByteArray twice = ReadAll(up);
    // 5 full blocks of 8,819 frames and 1,000 frames held to 1,999; the announced size
    // (twice the input) is an upper bound.
    EXPECT_EQ(twice.size(), (5 * 8819 + 1999) * 2);
    EXPECT_EQ(up.Size, (22050 + 1000) * 2 * 2);
}

TEST(ConverterChainTest, ResamplerNeedsInput) {
    TFastResampler r;
    EXPECT_EQ(Text([&] { r.GetSampleRate(); }), "Input is not assigned");
    EXPECT_EQ(Text([&] { r.BeginReading(); }), "Input is not assigned");
    TTestPcmIn in;
    in.Pcm = MakePcm16(100, 2, 1);
    r.SetInput(&in);
    for (int32_t rate : {3, 768001, 2000000000}) {
        r.OutSampleRate = rate;
        EXPECT_EQ(Text([&] { r.BeginReading(); }), "Unsupported sample rate");
        EXPECT_FALSE(r.Busy);
        EXPECT_FALSE(in.Busy);
    }
}

TEST(ConverterChainTest, BitDepthAndChannels) {
    TTestPcmIn in;
    const int16_t samples[6] = {0, 32767, 1000, -1000, -32768, 256};
    in.Pcm = QByteArray(reinterpret_cast<const char*>(samples), sizeof samples);
    TAudioConverter c;
    c.SetInput(&in);
    c.OutBitsPerSample = 8;
    EXPECT_EQ(c.GetBitsPerSample(), 8);
    EXPECT_EQ(c.GetChannels(), 2);
    EXPECT_EQ(ReadAll(c), QByteArray("\x80\xff\x83\x7c\x00\x81", 6));
    EXPECT_EQ(c.Size, 6);

    c.OutBitsPerSample = 0;
    c.OutChannels = 1;
    EXPECT_EQ(c.GetChannels(), 1);
    const std::vector<int16_t> mono = Samples16(ReadAll(c));
    ASSERT_EQ(mono.size(), 3u);
    EXPECT_EQ(mono[1], 0); // (1000 + −1000) ÷ 2
    EXPECT_EQ(mono[0], 16383);

    // Mono to stereo, 16 to 24 bits.
    TTestPcmIn m;
    m.ChannelCount = 1;
    m.Pcm = QByteArray("\x00\x40\x00\xc0", 4);
    TAudioConverter wide;
    wide.SetInput(&m);
    wide.OutChannels = 2;
    wide.OutBitsPerSample = 24;
    EXPECT_EQ(ReadAll(wide), QByteArray("\xff\xff\x3f\xff\xff\x3f\x00\x00\xc0\x00\x00\xc0", 12));
    EXPECT_EQ(wide.Size, 12);
}

// Asking for the input's own shape leaves the samples untouched.
TEST(ConverterChainTest, ConverterIdentityIsLossless) {
    TTestPcmIn in;
    in.Pcm = MakePcm16(5000, 2, 4);
    in.Pcm[1] = '\x80'; // -32768 somewhere
    TAudioConverter c;
    c.SetInput(&in);
    c.OutBitsPerSample = 16;
    c.OutChannels = 2;
    EXPECT_EQ(ReadAll(c), in.Pcm);
    TAudioConverter none;
    EXPECT_EQ(Text([&] { none.BeginReading(); }), "Input is not assigned");
    EXPECT_EQ(none.GetBitsPerSample(), 0);
}

TEST(ConverterChainTest, StereoBalance) {
    TTestPcmIn in;
    const int16_t samples[4] = {10000, 10000, -20000, -20000};
    in.Pcm = QByteArray(reinterpret_cast<const char*>(samples), sizeof samples);
    TStereoBalance b;
    b.SetInput(&in);
    // Stereo blocks are scaled in the source's own buffer, so each run gets fresh data.
    auto run = [&](float balance) {
        in.Pcm = QByteArray(reinterpret_cast<const char*>(samples), sizeof samples);
        b.SetBalance(balance);
        return Samples16(ReadAll(b));
    };
    EXPECT_EQ(b.Balance(), 0.5f);
    EXPECT_EQ(run(0.5f), (std::vector<int16_t>{10000, 10000, -20000, -20000}));
    EXPECT_EQ(run(0.0f), (std::vector<int16_t>{10000, 0, -20000, 0}));
    EXPECT_EQ(run(1.0f), (std::vector<int16_t>{0, 10000, 0, -20000}));
    EXPECT_EQ(run(0.25f), (std::vector<int16_t>{10000, 5000, -20000, -10000}));
    b.SetBalance(1.5f);
    EXPECT_EQ(b.Balance(), 0.25f);

    // Mono is widened; 8-bit and 24-bit samples are scaled as signed values.
    TTestPcmIn mono8;
    mono8.ChannelCount = 1;
    mono8.Bits = 8;
    mono8.Pcm = QByteArray("\x00\xff\x80", 3);
    TStereoBalance b8;
    b8.SetInput(&mono8);
    EXPECT_EQ(b8.GetChannels(), 2);
    b8.SetBalance(0.75f);
    EXPECT_EQ(ReadAll(b8), QByteArray("\x40\x00\xc0\xff\x80\x80", 6));
    EXPECT_EQ(b8.Size, 6);

    TTestPcmIn st24;
    st24.Bits = 24;
    st24.Pcm = QByteArray("\x00\x00\x80\x00\x00\x80", 6);
    TStereoBalance b24;
    b24.SetInput(&st24);
    b24.SetBalance(0.25f);
    EXPECT_EQ(ReadAll(b24), QByteArray("\x00\x00\x80\x00\x00\xc0", 6));

    TStereoBalance none;
    EXPECT_EQ(Text([&] { none.GetChannels(); }), "Input not assigned");
}

// The conversion chain of the WAV to WAV dialog, end to end, checked by sox.
TEST(ConverterChainTest, FullChainReadBySox) {
    QTemporaryDir dir;
    const QString src = dir.filePath("src.wav"), dst = dir.filePath("dst.wav");
    ASSERT_TRUE(WriteFile(src, MakeWav(MakePcm16(44100 * 3 / 2, 2, 5), 2, 44100, 16)));
    TWaveIn in;
    in.SetFileName(src);
    TFastResampler r;
    r.SetInput(&in);
    r.OutSampleRate = 22050;
    TAudioConverter c;
    c.SetInput(&r);
    c.OutBitsPerSample = 8;
    c.OutChannels = 1;
    TWaveOut out;
    out.CreateNonMsHeaders = false;
    out.SetFileName(dst);
    out.SetInput(&c);
    int progressEvents = 0;
    out.OnProgress = [&](TAuOutput*) { ++progressEvents; };
    QString error;
    ASSERT_TRUE(RunSink(out, &error));
    EXPECT_EQ(error, "");
    EXPECT_GT(progressEvents, 0);
    EXPECT_EQ(out.Progress(), 100);
    const QByteArray f = ReadFile(dst);
    ASSERT_EQ(f.size(), 44 + 33075);
    const TRunResult info = RunProgram(FindTool("soxi"), {dst});
    EXPECT_TRUE(info.Out.contains("Channels       : 1")) << info.Out.constData();
    EXPECT_TRUE(info.Out.contains("Sample Rate    : 22050"));
    EXPECT_TRUE(info.Out.contains("Precision      : 8-bit"));
    EXPECT_TRUE(info.Out.contains("33075 samples"));
}

} // namespace

namespace {

// A WAV file in memory whose reads stop at byte HoldAt until the gate opens: the test then
// knows that the sink's run is under way, neither before it nor after it.
class THeldStream : public TAuMemoryStream {
public:
    THeldStream(QByteArray data, int64_t holdAt) : TAuMemoryStream(std::move(data)), HoldAt(holdAt) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (!Passed && Position() + count > HoldAt) {
            Reached.release();
            Gate.acquire();
            Passed = true;
        }
        return TAuMemoryStream::Read(buffer, count);
    }
    // std:: rather than Qt, so that ThreadSanitizer sees the hand-over.
    std::binary_semaphore Reached{0};
    std::binary_semaphore Gate{0};

private:
    const int64_t HoldAt;
    std::atomic<bool> Passed{false};
};

// Freeing the reader and the filter while a sink pulls through them stops the run cleanly:
// the sink lets go of its input before any part of the source is taken down.
TEST(ConverterChainTest, SourcesFreedWhileTheSinkRunsStopTheRun) {
    QTemporaryDir dir;
    THeldStream stream(MakeWav(MakePcm16(44100 * 10, 2, 9), 2, 44100, 16), 44 + 44100 * 4);
    auto* wave = new TWaveIn;
    wave->AttachStream(&stream);
    auto* resampler = new TFastResampler;
    resampler->SetInput(wave);
    resampler->OutSampleRate = 22050;
    // Connected before the sink connects its own handler, so it runs first: the held read goes
    // on as the resampler starts to go, and the sink's handler then stops the run.
    QObject::connect(resampler, &TAuInput::Releasing, [&stream] { stream.Gate.release(); });
    TWaveOut out;
    out.SetFileName(dir.filePath("out.wav"));
    out.SetInput(resampler);
    out.Run();
    // The sink's worker is inside a read through both.
    ASSERT_TRUE(WaitUntil([&] { return stream.Reached.try_acquire(); }));
    EXPECT_TRUE(out.Busy);
    delete resampler;
    delete wave;
    EXPECT_TRUE(WaitUntil([&] { return !out.Busy; }));
}

} // namespace
