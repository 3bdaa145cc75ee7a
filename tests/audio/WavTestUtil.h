// Helpers of the WAV, ADPCM, converter and resampler tests: running sox and ffmpeg on
// temporary files and reading 16-bit samples back.
#pragma once

#include "audio/WavTypes.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

// Runs sox with the arguments; fails the test when it does not succeed.
inline bool RunSox(const QStringList& args) {
    const QString sox = FindTool(QStringLiteral("sox"));
    if (sox.isEmpty()) {
        ADD_FAILURE() << "sox is not installed";
        return false;
    }
    const TRunResult r = RunProgram(sox, args);
    EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();
    return r.ExitCode == 0;
}

inline bool RunFfmpeg(const QStringList& args) {
    const QString ffmpeg = FindTool(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        ADD_FAILURE() << "ffmpeg is not installed";
        return false;
    }
    const TRunResult r = RunProgram(ffmpeg, QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
    EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();
    return r.ExitCode == 0;
}

// sox's own decoding of a file to raw 16-bit samples.
inline std::vector<int16_t> SoxDecode16(const QString& file, const QString& rawPath) {
    if (!RunSox({file, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", rawPath}))
        return {};
    const QByteArray raw = ReadFile(rawPath);
    std::vector<int16_t> s(size_t(raw.size() / 2));
    std::memcpy(s.data(), raw.constData(), s.size() * 2);
    return s;
}

inline std::vector<int16_t> Samples16(const QByteArray& pcm) {
    std::vector<int16_t> s(size_t(pcm.size() / 2));
    if (!s.empty())
        std::memcpy(s.data(), pcm.constData(), s.size() * 2);
    return s;
}

// First index where the two differ within the shorter length, or -1.
inline int64_t FirstDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t count) {
    for (size_t i = 0; i < count && i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            return int64_t(i);
    return -1;
}

// ---- Interrupting discwright-cli ----

#include <QProcess>

// Runs discwright-cli, sends it SIGTERM as soon as it has printed a progress line ("…%") and
// waits for it to end.
inline TRunResult RunCliAndTerminate(const QString& programFolder, const QStringList& args) {
    QProcess p;
    p.setReadChannel(QProcess::StandardError);
    p.start(BinDir() + QStringLiteral("/discwright-cli"),
            QStringList{QStringLiteral("--program-folder"), programFolder} + args);
    TRunResult r;
    if (!p.waitForStarted(10000))
        return r;
    while (!r.Err.contains('%') && p.state() == QProcess::Running) {
        p.waitForReadyRead(1000);
        r.Err += p.readAllStandardError();
    }
    p.terminate();
    p.waitForFinished(30000);
    r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err += p.readAllStandardError();
    return r;
}

// A WAV file of `dataBytes` bytes of silence that takes no room on disk (a sparse file): input
// long enough for a command to be interrupted at leisure.
inline bool WriteSparseSilence(const QString& path, uint32_t dataBytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(MakeWav({}, 2, 44100, 16).left(40)) == 40 &&
           f.write(QByteArray(4, '\0')) == 4 && f.seek(40) &&
           f.write(reinterpret_cast<const char*>(&dataBytes), 4) == 4 && f.resize(44 + qint64(dataBytes));
}

// ---- RIFF files made by hand (little-endian fields from TestSupport's own writers) ----

inline QByteArray Chunk(const char* name, const QByteArray& body) {
    QByteArray c = QByteArray(name, 4) + Le32(uint32_t(body.size())) + body;
    if (body.size() & 1)
        c += '\0';
    return c;
}

inline QByteArray PcmFormat(int channels, int rate, int bits, uint16_t tag = 1) {
    return Le16(tag) + Le16(uint16_t(channels)) + Le32(uint32_t(rate)) +
           Le32(uint32_t(int64_t(rate) * channels * bits / 8)) + // absurd rates are tested too
           Le16(uint16_t(channels * bits / 8)) + Le16(uint16_t(bits));
}

inline QByteArray Riff(const QByteArray& chunks) {
    return "RIFF" + Le32(uint32_t(chunks.size() + 4)) + "WAVE" + chunks;
}

// The 68-byte WAVE_FORMAT_EXTENSIBLE PCM header: 22 extra bytes, every bit valid, the speaker
// mask, and the KSDATAFORMAT_SUBTYPE_PCM GUID 00000001-0000-0010-8000-00aa00389b71.
inline QByteArray ExtensibleWavHeader(int channels, int rate, int bits, uint32_t mask, uint32_t dataSize) {
    const int align = channels * bits / 8;
    const QByteArray pcmGuid("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 16);
    return "RIFF" + Le32(dataSize + 60) + "WAVEfmt " + Le32(40) + Le16(0xFFFE) + Le16(uint16_t(channels)) +
           Le32(uint32_t(rate)) + Le32(uint32_t(rate * align)) + Le16(uint16_t(align)) + Le16(uint16_t(bits)) +
           Le16(22) + Le16(uint16_t(bits)) + Le32(mask) + pcmGuid + "data" + Le32(dataSize);
}

// ---- Stream components in tests ----

#include "audio/AuException.h"
#include "audio/AuOutput.h"
#include "audio/AuStreamedInput.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>

// A PCM source in memory. Size announces AnnouncedSize when it is set (>= -1), else the
// length of Pcm; reads hand out at most MaxBlock bytes, after SleepMs milliseconds.
class TTestPcmIn : public TAuStreamedInput {
public:
    QByteArray Pcm;
    int Bits = 16;
    int ChannelCount = 2;
    int Rate = 44100;
    int64_t AnnouncedSize = -2;
    uint32_t MaxBlock = 4096;
    int SleepMs = 0;

    int32_t GetBitsPerSample() override { return Bits; }
    int32_t GetChannels() override { return ChannelCount; }
    int32_t GetSampleRate() override { return Rate; }

protected:
    void BeginReadingInternal() override {
        Busy = true;
        Position = 0;
        Cursor = 0;
        Size = AnnouncedSize >= -1 ? AnnouncedSize : Pcm.size();
    }
    void EndReadingInternal() override { Busy = false; }
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override {
        if (SleepMs > 0)
            QThread::msleep(uint32_t(SleepMs));
        const uint32_t frame = uint32_t(ChannelCount * Bits / 8);
        uint32_t n = uint32_t(std::min<int64_t>({int64_t(bytes), int64_t(MaxBlock), Pcm.size() - Cursor}));
        n -= n % frame;
        buffer = reinterpret_cast<uint8_t*>(Pcm.data()) + Cursor;
        bytes = n;
        Cursor += n;
    }
    bool SeekSource(int64_t& sample) override {
        Cursor = std::min<int64_t>(sample * ChannelCount * Bits / 8, Pcm.size());
        return true;
    }

private:
    int64_t Cursor = 0;
};

// Pulls a source dry on the calling thread, as a sink's worker would.
inline QByteArray ReadAll(TAuInput& input, uint32_t request = 16384) {
    QByteArray all;
    input.BeginReading();
    for (;;) {
        uint8_t* data = nullptr;
        uint32_t bytes = request;
        input.Read(data, bytes);
        if (bytes == 0)
            break;
        all.append(reinterpret_cast<const char*>(data), bytes);
    }
    input.EndReading();
    return all;
}

// Runs a sink and services events until OnDone; false on time-out. The sink's last error
// (if any) ends up in `error`.
inline bool RunSink(TAuOutput& sink, QString* error = nullptr, int timeoutMs = 120000) {
    std::atomic<bool> done{false};
    QString failure;
    sink.OnDone = [&](TAuOutput*) { done = true; };
    sink.OnThreadException = [&](TAuOutput* s) { failure = s->LastError; };
    sink.Run();
    const bool finished = WaitUntil([&] { return done.load(); }, timeoutMs);
    // Let a late exception event arrive.
    QCoreApplication::processEvents();
    if (error)
        *error = failure;
    return finished;
}
