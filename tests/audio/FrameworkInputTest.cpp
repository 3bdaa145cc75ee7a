// Sources and filters without a sink: the pull protocol, prefetch bookkeeping, looping,
// seeking, the file source's range and open rules over a real file, and the file streams.
#include "FrameworkComponents.h"

#include "audio/AuFileStream.h"
#include "core/Helpers.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

QByteArray ReadAll(TAuInput& in, uint32_t chunk, bool* ended = nullptr) {
    QByteArray out;
    for (;;) {
        uint8_t* p = nullptr;
        uint32_t n = chunk;
        in.Read(p, n);
        if (n == 0)
            break;
        out.append(reinterpret_cast<const char*>(p), n);
    }
    if (ended)
        *ended = true;
    return out;
}

class TRawFileTest : public testing::Test {
protected:
    void SetUp() override {
        Pcm = CountingBytes(0, 1000); // 1000 frames of 16-bit stereo
        Path = Dir.File("a.raw");
        ASSERT_TRUE(WriteFile(Path, TRawFileIn::Make(Pcm, 2, 16, 250)));
        In.SetFileName(Path);
    }
    TTempProgramFolder Dir;
    QByteArray Pcm;
    QString Path;
    TRawFileIn In;
};

} // namespace

TEST(FrameworkInputTest, PrefetchKeepsOrderAndCountsEachByteOnce) {
    TCountingIn in(1000);
    in.BlockFrames = 7;
    in.BeginReading();
    in.Prefetch(100);
    EXPECT_EQ(in.PrefetchCount, 100u);
    EXPECT_EQ(in.Position, 0); // counted when handed out
    uint8_t buf[4000];
    EXPECT_EQ(in.ReadOnce(buf, 40), 40u);
    EXPECT_EQ(in.Position, 40);
    // A partly consumed buffer keeps its 60 unread bytes first and reads more behind them.
    in.Prefetch(200);
    EXPECT_EQ(in.PrefetchCount, 200u);
    EXPECT_EQ(in.PrefetchOffset, 0u);
    EXPECT_EQ(in.Position, 40);
    bool ended = false;
    const uint32_t n = in.ReadFully(buf, 4000, ended);
    EXPECT_EQ(n, 4000u - 40u);
    EXPECT_TRUE(ended);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), static_cast<int>(n)), CountingBytes(10, 990));
    EXPECT_EQ(in.Position, 4000);
    EXPECT_EQ(in.ReadOnce(buf, 10), 0u); // the end stays the end
    in.EndReading();
    EXPECT_EQ(in.PrefetchCount, 0u);

    // Prefetch near the end gathers what there is.
    in.BeginReading();
    EXPECT_EQ(in.ReadFully(buf, 3960, ended), 3960u);
    in.Prefetch(100);
    EXPECT_EQ(in.PrefetchCount, 40u);
    EXPECT_EQ(in.ReadFully(buf, 100, ended), 40u);
    EXPECT_TRUE(ended);
    EXPECT_EQ(in.Position, 4000);
    in.EndReading();
}

TEST(FrameworkInputTest, LoopRewindsAndNeverEnds) {
    TCountingIn in(10);
    in.BlockFrames = 4;
    in.SetLoop(true);
    in.BeginReading();
    uint8_t buf[100];
    bool ended = false;
    EXPECT_EQ(in.ReadFully(buf, 100, ended), 100u);
    EXPECT_FALSE(ended);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), 100),
              CountingBytes(0, 10) + CountingBytes(0, 10) + CountingBytes(0, 5));
    EXPECT_EQ(in.Position, 20);
    in.EndReading();

    // With a block ending exactly at the end, nothing of the last block is lost either.
    TCountingIn exact(8);
    exact.BlockFrames = 4;
    exact.SetLoop(true);
    exact.BeginReading();
    EXPECT_EQ(exact.ReadFully(buf, 64, ended), 64u);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), 64), CountingBytes(0, 8) + CountingBytes(0, 8));
    exact.EndReading();
}

TEST(FrameworkInputTest, SeekAndSeekRelative) {
    TCountingIn in(1000);
    // Not busy: the sample becomes the start of the next run.
    EXPECT_TRUE(in.Seek(100));
    EXPECT_EQ(in.StartSample, 100);
    EXPECT_FALSE(in.Seek(-1));
    in.BeginReading();
    uint8_t buf[8];
    in.ReadOnce(buf, 4);
    EXPECT_EQ(TCountingIn::FrameAt(buf), 100u);
    in.EndReading();
    EXPECT_EQ(in.StartSample, 0); // applies to one run

    in.BeginReading();
    EXPECT_TRUE(in.Seek(500));
    EXPECT_EQ(in.Position, 2000);
    in.ReadOnce(buf, 4);
    EXPECT_EQ(TCountingIn::FrameAt(buf), 500u);
    EXPECT_FALSE(in.Seek(1001)); // beyond the whole

    in.SeekRelative(-2000); // far past the start
    EXPECT_EQ(in.Position, 0);
    in.ReadOnce(buf, 4);
    EXPECT_EQ(TCountingIn::FrameAt(buf), 0u);
    in.SeekRelative(250);            // +25 %
    EXPECT_EQ(in.Position, 251 * 4); // 1/1000 read + 1/4, rounded to the nearest frame
    in.SeekRelative(5000);           // far past the end
    EXPECT_EQ(in.Position, 4000);
    EXPECT_EQ(in.ReadOnce(buf, 4), 0u);
    in.SeekRelative(-500); // a seek back after the end reads again
    EXPECT_EQ(in.ReadOnce(buf, 4), 4u);
    EXPECT_EQ(TCountingIn::FrameAt(buf), 500u);
    in.EndReading();

    in.Seekable = false;
    EXPECT_FALSE(in.Seek(3));
}

TEST_F(TRawFileTest, HeaderLengthAndOpenRules) {
    EXPECT_TRUE(In.Valid());
    EXPECT_EQ(In.GetChannels(), 2);
    EXPECT_EQ(In.GetBitsPerSample(), 16);
    EXPECT_EQ(In.GetSampleRate(), 250);
    EXPECT_EQ(In.GetTotalSamples(), 1000);
    EXPECT_EQ(In.GetTotalSeconds(), 4);
    EXPECT_EQ(In.Opens, 1); // opened once however often it is asked
    In.SetFileName(Path);   // closes
    EXPECT_EQ(In.OpenCount, 0);
    EXPECT_EQ(In.GetSampleRate(), 250);
    EXPECT_EQ(In.Opens, 2);

    TRawFileIn bad;
    const QString badPath = Dir.File("bad.raw");
    ASSERT_TRUE(WriteFile(badPath, "not a raw file"));
    bad.SetFileName(badPath);
    EXPECT_FALSE(bad.Valid());
    EXPECT_EQ(bad.OpenCount, 0);
    TRawFileIn missing;
    EXPECT_FALSE(missing.Valid()); // neither a name nor a stream
    missing.SetFileName(Dir.File("missing.raw"));
    EXPECT_FALSE(missing.Valid());
    try {
        missing.BeginReading();
        FAIL();
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), QString::fromLocal8Bit(strerror(ENOENT)));
    }
    EXPECT_FALSE(missing.Busy); // a failed start does not leave the source busy

    TRawFileIn unnamed;
    try {
        unnamed.BeginReading();
        FAIL();
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), "The file name is not assigned");
    }
}

TEST_F(TRawFileTest, RunsReadTheWholeFileOrTheRange) {
    In.BeginReading();
    EXPECT_EQ(In.Size, 4000);
    EXPECT_EQ(In.TotalSamples, 1000);
    try {
        In.BeginReading();
        FAIL();
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), "The component is Busy");
    }
    EXPECT_EQ(ReadAll(In, 300), Pcm); // the refused start left the run alone
    EXPECT_EQ(In.Position, 4000);
    In.EndReading();
    EXPECT_EQ(In.OpenCount, 0);

    In.SetStartSample(100);
    In.SetEndSample(199);
    In.BeginReading();
    EXPECT_EQ(In.Size, 400);
    EXPECT_EQ(In.TotalSamples, 100);
    EXPECT_EQ(ReadAll(In, 256), CountingBytes(100, 100));
    // Seeks are relative to the range.
    EXPECT_TRUE(In.Seek(50));
    EXPECT_EQ(In.Position, 200);
    EXPECT_EQ(ReadAll(In, 256), CountingBytes(150, 50));
    In.EndReading();
    EXPECT_EQ(In.StartSample, 0);
    EXPECT_EQ(In.EndSample, -1);

    // An end beyond the file is ignored.
    In.SetStartSample(900);
    In.SetEndSample(5000);
    In.BeginReading();
    EXPECT_EQ(In.Size, 400);
    EXPECT_EQ(ReadAll(In, 256), CountingBytes(900, 100));
    In.EndReading();

    // Looping a range comes back to its start.
    In.SetStartSample(10);
    In.SetEndSample(19);
    In.SetLoop(true);
    In.BeginReading();
    uint8_t buf[120];
    bool ended = false;
    EXPECT_EQ(In.ReadFully(buf, 120, ended), 120u);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), 120),
              CountingBytes(10, 10) + CountingBytes(10, 10) + CountingBytes(10, 10));
    In.EndReading();
}

TEST_F(TRawFileTest, AttachedStreamIsUsedAndNotFreed) {
    TAuMemoryStream memory(TRawFileIn::Make(CountingBytes(0, 10), 2, 16, 8000));
    In.AttachStream(&memory);
    EXPECT_TRUE(In.StreamAttached);
    In.BeginReading();
    EXPECT_EQ(ReadAll(In, 1000), CountingBytes(0, 10));
    In.EndReading();
    EXPECT_EQ(memory.Position(), 0); // rewound, not freed
    In.AttachStream(nullptr);
    EXPECT_FALSE(In.StreamAttached);
}

TEST(FrameworkInputTest, FilterForwardsAndMasksBits) {
    struct TFlaggedIn : TCountingIn {
        TFlaggedIn() : TCountingIn(100) {}
        int32_t GetBitsPerSample() override { return 0x80 | 24; }
    } in;
    TPassFilter filter;
    EXPECT_EQ(filter.GetBitsPerSample(), 0);
    filter.SetInput(&in);
    EXPECT_EQ(filter.GetBitsPerSample(), 24);
    filter.SetFullBitDepth(true);
    EXPECT_EQ(filter.GetBitsPerSample(), 0x80 | 24);
    EXPECT_EQ(filter.GetChannels(), 2);
    EXPECT_EQ(filter.GetSampleRate(), 44100);

    // Switching the input of a busy filter ends reading on the old one and begins the new one.
    TCountingIn other(50);
    filter.BeginReading();
    EXPECT_TRUE(in.Busy);
    filter.SetInput(&other);
    EXPECT_FALSE(in.Busy);
    EXPECT_TRUE(other.Busy);
    EXPECT_EQ(ReadAll(filter, 64), CountingBytes(0, 50));
    filter.EndReading();
    EXPECT_FALSE(other.Busy);
}

TEST(FrameworkStreamTest, FileStreamModes) {
    TTempProgramFolder dir;
    const QString f = dir.File("s.bin");
    {
        TAuFileStream s(f, fmCreate);
        s.WriteBuffer("hello world", 11);
        EXPECT_EQ(s.Size(), 11);
        s.SetPosition(6);
        char b[5];
        s.ReadBuffer(b, 5);
        EXPECT_EQ(QByteArray(b, 5), "world");
        EXPECT_THROW(s.ReadBuffer(b, 1), EAuException);
        // The file is in use while a no-sharing stream holds it, and a second one is refused.
        EXPECT_TRUE(IsFileInUse(f));
        EXPECT_THROW(TAuFileStream(f, fmOpenRead | fmShareExclusive), EAuException);
        EXPECT_THROW(TAuFileStream(f, fmCreate), EAuException);
    }
    EXPECT_EQ(ReadFile(f), "hello world"); // the refused create truncated nothing
    {
        // Readers that let others read share the file.
        TAuFileStream a(f, fmOpenRead | fmShareDenyWrite);
        TAuFileStream b(f, fmOpenRead | fmShareDenyNone);
        char c[5];
        EXPECT_EQ(a.Read(c, 5), 5);
        EXPECT_EQ(b.Read(c, 5), 5);
        EXPECT_THROW(a.WriteBuffer("x", 1), EAuException); // opened for reading only
    }
}

TEST(FrameworkStreamTest, FileStreamErrorsCarryTheSystemMessage) {
    TTempProgramFolder dir;
    try {
        TAuFileStream s(dir.File("missing"), fmOpenRead);
        FAIL();
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), QString::fromLocal8Bit(strerror(ENOENT)));
    }
    try {
        TAuFileStream s(dir.File("no/such/folder/x"), fmCreate);
        FAIL();
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), QString::fromLocal8Bit(strerror(ENOENT)));
    }
    try {
        TAuFileStream s(dir.Path(), fmOpenRead);
        FAIL();
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), QString::fromLocal8Bit(strerror(EISDIR)));
    }
    ASSERT_TRUE(WriteFile(dir.File("r"), "abc"));
    TAuFileStream r(dir.File("r"), fmOpenRead | fmShareDenyNone);
    EXPECT_THROW(r.WriteBuffer("x", 1), EAuException);
}

TEST(FrameworkStreamTest, MemoryStream) {
    TAuMemoryStream m;
    m.WriteBuffer("abcdef", 6);
    m.Seek(2, SEEK_SET);
    m.WriteBuffer("XY", 2);
    EXPECT_EQ(m.Memory(), "abXYef");
    m.Seek(10, SEEK_SET);
    m.WriteBuffer("z", 1);
    EXPECT_EQ(m.Memory(), QByteArray("abXYef\0\0\0\0z", 11));
    m.Seek(-3, SEEK_END);
    char b[8];
    EXPECT_EQ(m.Read(b, 8), 3);
    EXPECT_EQ(m.Read(b, 8), 0);
    m.SetSize(2);
    EXPECT_EQ(m.Position(), 2);
    EXPECT_THROW(m.Seek(-1, SEEK_SET), EAuException);
}
