// Small real components for the framework tests: a generated source whose frames carry their
// own index, a raw-PCM file source, a pass-through filter and a collecting sink.
#pragma once

#include "audio/AuConverter.h"
#include "audio/AuException.h"
#include "audio/AuFileIn.h"
#include "audio/AuFileOut.h"
#include "audio/AuOutput.h"
#include "support/TestSupport.h"

#include <QByteArray>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// Frames of 4 bytes (16-bit stereo) whose value is the frame's index; blocks of at most
// BlockFrames frames. With KnownSize false the source reports Size -1.
class TCountingIn : public TAuStreamedInput {
public:
    explicit TCountingIn(int64_t frames, QObject* owner = nullptr) : TAuStreamedInput(owner), Frames(frames) {}
    ~TCountingIn() override { ReleaseConsumers(); }

    int64_t Frames;
    int32_t BlockFrames = 256;
    bool KnownSize = true;
    // Throw from ReadInternal when this many blocks have been produced (-1 never).
    int32_t FailAtBlock = -1;
    std::atomic<int32_t> Blocks{0};
    std::atomic<int32_t> Begins{0};
    std::atomic<int32_t> Ends{0};

    int32_t GetBitsPerSample() override { return 16; }
    int32_t GetChannels() override { return 2; }
    int32_t GetSampleRate() override { return 44100; }
    int64_t GetTotalSamples() override { return Frames; }

    static uint32_t FrameAt(const uint8_t* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

protected:
    void BeginReadingInternal() override;
    void EndReadingInternal() override;
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;
    bool SeekSource(int64_t& sample) override;

private:
    int64_t Cursor = 0;
    std::vector<uint8_t> Out;
};

// A file of a 12-byte header ("DWRA", channels and bits as 16-bit, rate as 32-bit) followed by
// little-endian PCM.
class TRawFileIn : public TAuFileIn {
public:
    explicit TRawFileIn(QObject* owner = nullptr) : TAuFileIn(owner) {}
    ~TRawFileIn() override {
        ReleaseConsumers();
        CloseSource();
    }

    std::atomic<int32_t> Opens{0};

    void OpenSource() override;
    void CloseSource() override;
    static QByteArray Make(const QByteArray& pcm, int channels, int bits, int rate);

protected:
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;
    bool SeekSource(int64_t& sample) override;

private:
    std::vector<uint8_t> Block;
};

// Hands its input's blocks on unchanged.
class TPassFilter : public TAuConverter {
public:
    explicit TPassFilter(QObject* owner = nullptr) : TAuConverter(owner) {}
    ~TPassFilter() override { ReleaseConsumers(); }

protected:
    void BeginReadingInternal() override;
    void EndReadingInternal() override;
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;
};

// Collects everything its input delivers; optional per-block hooks for the run tests.
class TCollectOut : public TAuOutput {
public:
    explicit TCollectOut(QObject* owner = nullptr) : TAuOutput(owner) {}
    ~TCollectOut() override { Shutdown(); }

    uint32_t BlockBytes = 4096;
    std::atomic<int32_t> BlockSleepMs{0};
    // Throw EAuException("Block failed") from this OutputBlock call (1-based, -1 never).
    int32_t FailAtBlock = -1;
    // Called on the worker inside every OutputBlock (before reading).
    std::function<void()> OnBlock;

    std::atomic<int32_t> BeginCalls{0};
    std::atomic<int32_t> BlockCalls{0};
    std::atomic<int32_t> EndCalls{0};
    std::atomic<bool> SawAbort{false};

    QByteArray Data() {
        std::lock_guard lock(DataMutex);
        return Collected;
    }

protected:
    void BeginOutput() override;
    bool OutputBlock(bool abort) override;
    void EndOutput() override;

private:
    std::mutex DataMutex;
    QByteArray Collected;
};

// Writes its input's bytes to a file (or an attached stream) through TAuFileOut.
class TRawFileOut : public TAuFileOut {
public:
    explicit TRawFileOut(QObject* owner = nullptr) : TAuFileOut(owner) {}
    ~TRawFileOut() override { Shutdown(); }
    // Lets this sink append, unlike the base.
    bool CanAppend = false;
    void SetFileMode(TFileOutputMode mode) override {
        if (CanAppend)
            Mode = mode;
        else
            TAuFileOut::SetFileMode(mode);
    }

protected:
    void BeginOutput() override;
    bool OutputBlock(bool abort) override;
    void EndOutput() override;
};

// Runs the event loop for a while (to let stray events arrive).
void PumpEvents(int ms);
// The bytes TCountingIn delivers for frames [first, first + count).
QByteArray CountingBytes(int64_t first, int64_t count);
