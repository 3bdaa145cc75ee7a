// Small real components for the framework tests.
#include "FrameworkComponents.h"

#include "audio/AuFileStream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstring>

void TCountingIn::BeginReadingInternal() {
    Busy = true;
    Position = 0;
    FrameSize = 4;
    TotalSamples = Frames;
    Size = KnownSize ? Frames * 4 : -1;
    Cursor = StartSample;
    Blocks = 0;
    ++Begins;
}

void TCountingIn::EndReadingInternal() {
    Busy = false;
    StartSample = 0;
    EndSample = -1;
    ++Ends;
}

void TCountingIn::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (!Busy)
        throw EAuException("The Stream is not opened");
    if (FailAtBlock >= 0 && Blocks >= FailAtBlock)
        throw EAuException("Source failed");
    const int64_t frames = std::min<int64_t>({static_cast<int64_t>(bytes / 4), BlockFrames, Frames - Cursor});
    Out.resize(static_cast<size_t>(std::max<int64_t>(frames, 0)) * 4);
    for (int64_t i = 0; i < frames; ++i) {
        const auto v = static_cast<uint32_t>(Cursor + i);
        uint8_t* p = Out.data() + i * 4;
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        p[3] = uint8_t(v >> 24);
    }
    Cursor += std::max<int64_t>(frames, 0);
    buffer = Out.data();
    bytes = static_cast<uint32_t>(std::max<int64_t>(frames, 0) * 4);
    ++Blocks;
}

bool TCountingIn::SeekSource(int64_t& sample) {
    Cursor = sample;
    return true;
}

QByteArray CountingBytes(int64_t first, int64_t count) {
    QByteArray out;
    for (int64_t i = 0; i < count; ++i) {
        const auto v = static_cast<uint32_t>(first + i);
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        out.append(b, 4);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------

QByteArray TRawFileIn::Make(const QByteArray& pcm, int channels, int bits, int rate) {
    QByteArray out("DWRA");
    const char h[8] = {char(channels), char(channels >> 8), char(bits),       char(bits >> 8),
                       char(rate),     char(rate >> 8),     char(rate >> 16), char(rate >> 24)};
    out.append(h, 8);
    return out + pcm;
}

void TRawFileIn::OpenSource() {
    std::lock_guard lock(FileLock);
    if (OpenCount++ > 0)
        return;
    ++Opens;
    ValidFlag = false;
    if (!Stream)
        Stream = new TAuFileStream(FileName(), fmOpenRead | fmShareDenyWrite);
    Stream->SetPosition(0);
    uint8_t h[12] = {};
    if (Stream->Read(h, 12) != 12 || memcmp(h, "DWRA", 4) != 0)
        return;
    Channels = h[4] | h[5] << 8;
    BitsPerSample = h[6] | h[7] << 8;
    SampleRate = int32_t(h[8] | h[9] << 8 | h[10] << 16 | uint32_t(h[11]) << 24);
    Size = Stream->Size() - 12;
    ValidFlag = Channels > 0 && BitsPerSample >= 8;
}

void TRawFileIn::CloseSource() {
    std::lock_guard lock(FileLock);
    if (OpenCount == 0)
        return;
    if (!StreamAttached) {
        delete Stream;
        Stream = nullptr;
    } else if (Stream) {
        Stream->SetPosition(0);
    }
    OpenCount = 0;
}

void TRawFileIn::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (!Busy)
        throw EAuException("The Stream is not opened");
    if (BlockLast < BlockFirst) {
        BlockFirst = 1;
        Block.resize(1000 - 1000 % FrameSize);
        BlockLast = static_cast<int32_t>(Stream->Read(Block.data(), static_cast<int64_t>(Block.size())));
    }
    bytes = std::min<uint32_t>(bytes, static_cast<uint32_t>(std::max(0, BlockLast - BlockFirst + 1)));
    buffer = Block.data() + BlockFirst - 1;
    BlockFirst += static_cast<int32_t>(bytes);
}

bool TRawFileIn::SeekSource(int64_t& sample) {
    Stream->SetPosition(12 + sample * FrameSize);
    BlockFirst = 1;
    BlockLast = 0;
    return true;
}

// ---------------------------------------------------------------------------------------------

void TPassFilter::BeginReadingInternal() {
    if (!Input())
        throw EAuException("Input is not assigned");
    Input()->BeginReading();
    Busy = true;
    Position = 0;
    Size = Input()->Size.load();
}

void TPassFilter::EndReadingInternal() {
    if (Input())
        Input()->EndReading();
    Busy = false;
}

void TPassFilter::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (!Busy)
        throw EAuException("The Stream is not opened");
    Input()->Read(buffer, bytes);
}

// ---------------------------------------------------------------------------------------------

void TCollectOut::BeginOutput() {
    ++BeginCalls;
    {
        std::lock_guard lock(DataMutex);
        Collected.clear();
    }
    Input()->BeginReading();
}

bool TCollectOut::OutputBlock(bool abort) {
    const int32_t call = ++BlockCalls;
    if (abort) {
        SawAbort = true;
        return false;
    }
    if (OnBlock)
        OnBlock();
    if (BlockSleepMs > 0)
        QThread::msleep(static_cast<unsigned long>(BlockSleepMs.load()));
    if (call == FailAtBlock)
        throw EAuException("Block failed");
    uint8_t* data = nullptr;
    uint32_t bytes = BlockBytes;
    Input()->Read(data, bytes);
    if (bytes > 0) {
        std::lock_guard lock(DataMutex);
        Collected.append(reinterpret_cast<const char*>(data), bytes);
    }
    return bytes > 0;
}

void TCollectOut::EndOutput() {
    ++EndCalls;
    Input()->EndReading();
}

// ---------------------------------------------------------------------------------------------

void TRawFileOut::BeginOutput() {
    OpenDestination();
    Stream->Seek(0, SEEK_END);
    Input()->BeginReading();
}

bool TRawFileOut::OutputBlock(bool abort) {
    if (abort)
        return false;
    uint8_t* data = nullptr;
    uint32_t bytes = 4096;
    Input()->Read(data, bytes);
    Stream->WriteBuffer(data, bytes);
    return bytes > 0;
}

void TRawFileOut::EndOutput() {
    Input()->EndReading();
    if (!StreamAttached)
        ReleaseStream();
}

// ---------------------------------------------------------------------------------------------

void PumpEvents(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}
