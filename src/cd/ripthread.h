// TCDRipThread: extracts one audio track from a drive opened through the drive library into
// a 16-bit stereo 44.1 kHz WAV file in the output folder, runs the gain pass if asked, and
// posts its progress and outcome to a window.
//
// The thread takes the settings it uses (Options) when it is created, on the creator's
// thread: the worker never reads the Settings record, which the options dialog and the disc
// poll change while it runs. The window may be destroyed before the worker ends; later
// messages are then dropped (TGuardedReceiver, core/JobEvents.h). Every message names the
// job's entry the thread reads (Index, in TProcessInfo::Track).
//
// Messages posted to Window:
//   WM_JOB_ERROR 1            the drive parameter (MSF addresses) could not be set
//   WM_JOB_ERROR 2            the table of contents could not be read, or has no such track
//   WM_JOB_INFO Code 0..100   progress of the extraction and of the gain pass: at most 20 a
//                             second (see ProgressThrottle.h), always the first and the last
//                             of each step
//   WM_JOB_INFO Code 999      the gain pass begins
//   WM_JOB_INFO Code 1000 with Status
//     0  the track is complete (after the gain pass, if any)
//     3  a sector read failed, or the track is a data track; the file keeps the audio read
//        so far under a header that matches it (no file is made for a data track)
//     5  the WAV file could not be created
//     6  the gain pass failed; the extracted, unscaled file is kept
//     7  writing the WAV file failed (disk full, size limit); the file keeps what was
//        written under a header that matches it
// A stop (StopRip) is honoured between reads; the file then has a matching header and no
// final message is posted.
#pragma once

#include "cd/ReadOffset.h"
#include "cd/ChecksumWorker.h"
#include "cd/TrackChecksums.h"
#include "core/JobEvents.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

enum TRipStatus : int32_t {
    rsOk = 0,
    rsReadFailed = 3,
    rsCreateFailed = 5,
    rsNormalizeFailed = 6,
    rsWriteFailed = 7,
};

constexpr int32_t RipCodeNormalizing = JobCode::Normalizing;
constexpr int32_t RipCodeDone = JobCode::Extracted;
constexpr int32_t RipErrorModifyParms = 1;
constexpr int32_t RipErrorReadToc = 2;

// The plain 44-byte header of a 16-bit stereo 44.1 kHz PCM WAV file.
QByteArray CDWavHeader(uint32_t dataBytes);

// The settings an extraction uses.
struct TRipOptions {
    QString OutputFolder;
    bool EnableRipTime = false;
    int32_t RipTime = 0; // seconds read at most when EnableRipTime
    bool IsNormalize = false;
    int32_t NormalizePercent = 95;
    // The drive's read offset in samples (see ReadOffset.h).
    int32_t ReadOffset = 0;
    // Whether Checksums are computed (a rip without log, AccurateRip or test & copy needs none).
    bool Checksums = true;
    // Whether the checksums include the loudness ReplayGain needs.
    bool Loudness = false;
    // Read on the thread that changes the Settings record (the main thread).
    static TRipOptions FromSettings();
};

class TCDRipThread : public QThread {
public:
    // Created suspended, with Options taken from the Settings record: set CDHandle and
    // Window (and change Options if need be), then call Resume().
    TCDRipThread(int32_t track, const QString& baseName);
    // The same with the options given.
    TCDRipThread(int32_t track, const QString& baseName, const TRipOptions& options);
    // Waits for the worker to end (set StopRip first to make that quick).
    ~TCDRipThread() override;
    void Resume() { start(); }

    QFile OutFile;
    int32_t Track; // 1 for the disc's first track, whatever number the disc gives it
    QString BaseName;
    int32_t CDHandle = 0;
    TGuardedReceiver Window;
    // The job's entry (1-based) the thread reads, named in its messages.
    int32_t Index = 0;
    std::atomic<bool> StopRip{false};
    TRipOptions Options;
    // The audio read (before the gain pass) and the reads that failed; complete when the final
    // message (1000) is posted.
    TTrackChecksums Checksums;
    int32_t ReadErrors = 0;
    // Samples of silence the read offset put at the track's ends.
    int64_t OffsetSilence = 0;

protected:
    void run() override;
    // Called on the worker thread after each read with the sectors done so far. Nothing
    // happens here; a test derives from the thread to stop it at a chosen point.
    virtual void AfterRead(int64_t done) { Q_UNUSED(done); }

private:
    std::mutex RunLock; // held by the worker while it runs
    void Extract(const TOffsetRead& plan, int64_t length, const QString& path, std::optional<TChecksumWorker>& sums);
    void PostInfo(int32_t code, int32_t status = 0, const QString& elapsed = QString(),
                  const QString& estimated = QString());
    void PostError(int32_t code);
    void PostProgress(const QElapsedTimer& timer, int32_t code);
    // Rewrites the header with the data actually in the file; false when that fails.
    bool PatchHeader();
};
