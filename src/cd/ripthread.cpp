// The extraction thread (see ripthread.h).
#include "cd/ripthread.h"

#include "audio/GainPass.h"
#include "audio/WaveHeader.h"
#include "cd/Disc.h"
#include "cd/ProgressThrottle.h"
#include "cd/ReadOffset.h"
#include "cd/akrip32.h"
#include "core/Helpers.h"
#include "core/JobEvents.h"
#include "core/Settings.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

namespace {

constexpr int WavHeaderBytes = 44;

// "mm:ss" texts of the elapsed time and of the estimated total for a progress of `code` %.
// Both round half to even, as the rest of the program's arithmetic does.
void TimeTexts(const QElapsedTimer& timer, int32_t code, QString& elapsed, QString& estimated) {
    elapsed.clear();
    estimated.clear();
    if (code <= 0)
        return;
    const auto e = static_cast<int64_t>(std::rint(double(timer.elapsed()) / 1000.0));
    elapsed = MinSecText(e);
    estimated = MinSecText(static_cast<int64_t>(std::rint(double(e) * 100.0 / double(code))));
}

} // namespace

TRipOptions TRipOptions::FromSettings() {
    TRipOptions o;
    o.OutputFolder = Settings.OutputFolder;
    o.EnableRipTime = Settings.EnableRipTime;
    o.RipTime = Settings.RipTime;
    o.IsNormalize = Settings.IsNormalize;
    o.NormalizePercent = Settings.NormalizePercent;
    return o;
}

void TCDRipThread::PostInfo(int32_t code, int32_t status, const QString& elapsed, const QString& estimated) {
    auto info = std::make_unique<TProcessInfo>();
    info->Code = code;
    info->Status = status;
    info->Elapsed = elapsed;
    info->Estimated = estimated;
    info->Track = Index;
    Window.Post(new TJobInfoEvent(std::move(info)));
}

void TCDRipThread::PostError(int32_t code) {
    Window.Post(new TJobErrorEvent(code));
}

void TCDRipThread::PostProgress(const QElapsedTimer& timer, int32_t code) {
    QString elapsed;
    QString estimated;
    TimeTexts(timer, code, elapsed, estimated);
    PostInfo(code, 0, elapsed, estimated);
}

QByteArray CDWavHeader(uint32_t dataBytes) {
    // 44.1 kHz, 16-bit stereo: the one format a CD track is read in.
    return MakePcmHeader(2, 44100, 16, dataBytes);
}

TCDRipThread::TCDRipThread(int32_t track, const QString& baseName)
    : TCDRipThread(track, baseName, TRipOptions::FromSettings()) {}

TCDRipThread::TCDRipThread(int32_t track, const QString& baseName, const TRipOptions& options)
    : Track(track), BaseName(baseName), Options(options) {}

TCDRipThread::~TCDRipThread() {
    wait();
    // QThread::wait() ends in Qt's own futex, which ThreadSanitizer cannot see; taking the
    // lock the worker held for its whole run shows it that the worker's work came first.
    const std::lock_guard<std::mutex> ended(RunLock);
}

void TCDRipThread::run() {
    const std::lock_guard<std::mutex> running(RunLock);
    if (!ModifyCDParms(CDHandle, CDP_MSF, 1)) {
        PostError(RipErrorModifyParms);
        return;
    }
    TCDToc toc{};
    // Track counts the disc's tracks from 1, as the track list numbers its rows and the CD
    // input its tracks; track Track - 1 of the disc is meant even on a disc whose first track
    // has another number.
    const TDisc disc = ReadTOC(CDHandle, &toc) == 1 ? TDisc::FromToc(toc) : TDisc();
    if (Track < 1 || Track > disc.TrackCount()) {
        PostError(RipErrorReadToc);
        return;
    }
    const TDiscTrack& entry = disc.Tracks[size_t(Track - 1)];
    // Reads take logical block addresses, where 00:02:00 is sector 0. Counting from the first
    // track's address instead would shift every track of a disc whose first track starts
    // later (a hidden track before track 1).
    const int64_t start = entry.Start;
    int64_t length = disc.SectorsOf(size_t(Track - 1));
    if (start < 0 || length < 0) {
        PostError(RipErrorReadToc);
        return;
    }
    if (entry.Data) {
        // Data sectors are not audio; no file is made for them.
        PostInfo(RipCodeDone, rsReadFailed);
        return;
    }
    if (Options.EnableRipTime)
        length = std::clamp<int64_t>(int64_t(Options.RipTime) * 75, 0, length);
    int32_t readableBegin = 0;
    int32_t readableEnd = 0;
    disc.AudioRun(size_t(Track - 1), readableBegin, readableEnd);
    const TOffsetRead plan = PlanOffsetRead(int32_t(start), int32_t(length), Options.ReadOffset, readableBegin,
                                            readableEnd);
    OffsetSilence = plan.SilentSamples();
    std::optional<TChecksumWorker> sums;
    if (Options.Checksums)
        sums.emplace(length * 588, disc.FirstAudio(size_t(Track - 1)), disc.LastAudio(size_t(Track - 1)),
                     Options.Loudness);
    Extract(plan, length, AddTrailingBackslash(Options.OutputFolder) + BaseName + QStringLiteral(".wav"), sums);
}

void TCDRipThread::Extract(const TOffsetRead& plan, int64_t length, const QString& path,
                           std::optional<TChecksumWorker>& sums) {
    OutFile.setFileName(path);
    // Unbuffered, so that a failing write (full disk) shows at the write that failed.
    if (!OutFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        PostInfo(RipCodeDone, rsCreateFailed);
        return;
    }
    bool readFailed = false;
    bool writeFailed = OutFile.write(CDWavHeader(0)) != WavHeaderBytes;
    QElapsedTimer timer;
    timer.start();

    TProgressThrottle throttle;
    const int64_t total = length * CDSectorBytes;
    int64_t delivered = 0;
    bool stopped = StopRip;
    // Writes the next bytes of the track (silence where data is null) and reports progress.
    const auto deliver = [&](const std::shared_ptr<const void>& owner, const uint8_t* data, int64_t bytes) {
        static const std::vector<uint8_t> zeros(size_t(MaxSectorsPerRead) * CDSectorBytes, 0);
        const uint8_t* from = data ? data : zeros.data();
        if (sums)
            sums->Add(owner, from, size_t(bytes));
        writeFailed = OutFile.write(reinterpret_cast<const char*>(from), bytes) != qint64(bytes);
        delivered += bytes;
        AfterRead(delivered / CDSectorBytes);
        stopped = StopRip;
        const bool last = readFailed || writeFailed || stopped || delivered >= total;
        if (throttle.Due(timer.elapsed(), last))
            PostProgress(timer, int32_t(delivered * 100 / std::max<int64_t>(total, 1)));
    };
    const int64_t chunkBytes = int64_t(MaxSectorsPerRead) * CDSectorBytes;
    for (int64_t left = plan.LeadingSilence; left > 0 && !writeFailed && !stopped; left -= chunkBytes)
        deliver(nullptr, nullptr, std::min(left, chunkBytes));
    int64_t skip = plan.SkipBytes;
    int64_t wanted = plan.Bytes;
    for (int32_t done = 0; done < plan.Sectors && wanted > 0 && !writeFailed && !stopped;) {
        const int32_t chunk = std::min(MaxSectorsPerRead, plan.Sectors - done);
        // Shared with the checksum worker, which may still be summing it when the next is read.
        const std::shared_ptr<TCDReadBuffer> buffer =
            NewCDReadBuffer(uint32_t(plan.FirstSector + done), uint32_t(chunk));
        if (ReadCDAudioLBA(CDHandle, buffer.get()) != 1 ||
            uint64_t(buffer->DataOffset) + buffer->BytesReturned > buffer->Capacity ||
            int64_t(buffer->BytesReturned) < skip) {
            readFailed = true;
            ++ReadErrors;
            // The read that failed counts as done for the gauge: the last report says how far
            // the reading got.
            delivered += int64_t(chunk) * CDSectorBytes;
            break;
        }
        const int64_t take = std::min<int64_t>(wanted, int64_t(buffer->BytesReturned) - skip);
        deliver(buffer, buffer->Data() + buffer->DataOffset + skip, take);
        wanted -= take;
        skip = 0;
        done += chunk;
    }
    if (readFailed && throttle.Due(timer.elapsed(), true))
        PostProgress(timer, int32_t(std::min(delivered, total) * 100 / std::max<int64_t>(total, 1)));
    for (int64_t left = plan.TrailingSilence; left > 0 && !readFailed && !writeFailed && !stopped; left -= chunkBytes)
        deliver(nullptr, nullptr, std::min(left, chunkBytes));
    if (sums)
        Checksums = sums->Finish();

    // The header always describes the data the file really holds, whatever happened.
    if (!PatchHeader())
        writeFailed = true;
    OutFile.close();
    if (readFailed || writeFailed) {
        PostInfo(RipCodeDone, readFailed ? rsReadFailed : rsWriteFailed);
        return;
    }
    if (StopRip)
        return;

    if (Options.IsNormalize) {
        PostInfo(RipCodeNormalizing);
        QElapsedTimer passTimer;
        passTimer.start();
        TProgressThrottle passThrottle;
        try {
            ScaleWaveFile(Options.NormalizePercent, path, [&](int64_t processed, int64_t total) {
                if (passThrottle.Due(passTimer.elapsed(), processed >= total))
                    PostProgress(passTimer, total > 0 ? int32_t(processed * 100 / total) : 0);
            });
        } catch (const std::exception&) {
            // The unscaled file is intact; the window must still learn that this step ended.
            PostInfo(RipCodeDone, rsNormalizeFailed);
            return;
        }
    }
    PostInfo(RipCodeDone, rsOk);
}

bool TCDRipThread::PatchHeader() {
    int64_t size = OutFile.size();
    // A write cut short by a full disk may end inside a sample frame; players expect whole
    // 4-byte frames.
    const int64_t partial = size > WavHeaderBytes ? (size - WavHeaderBytes) % 4 : 0;
    if (partial && OutFile.resize(size - partial))
        size -= partial;
    if (size < WavHeaderBytes) {
        // Not even the header made it (full disk): complete it if possible, but report failure.
        if (OutFile.seek(0))
            OutFile.write(CDWavHeader(0));
        return false;
    }
    return OutFile.seek(0) && OutFile.write(CDWavHeader(uint32_t(size - WavHeaderBytes))) == WavHeaderBytes;
}
