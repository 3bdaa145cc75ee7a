// What the two rip windows share: the encode step of one entry (the MP3 and WMA wrappers, the
// Vorbis writer reading a WAV file, the FLAC encoder on a thread of its own, the WMA estimate
// timer), the progress that their gauges and time labels show and the names of a job's files.
//
// A step's end arrives as a WM_JOB_INFO event: 2000 from the MP3 wrapper, 5000 from the WMA
// wrapper, OggEndCode from the Vorbis writer, 6000 from the FLAC run. Each carries Ok and
// Reason: an entry counts as encoded only when Ok is set, and only then may its WAV file go.
#pragma once

#include "audio/WaveIn.h"
#include "core/DiscInfo.h"
#include "core/EncoderOptions.h"
#include "core/JobEvents.h"
#include "jobs/JobController.h"
#include "jobs/JobKind.h"
#include "jobs/Mp3EncodeThread.h"
#include "jobs/WMAEncodeThread.h"
#include "vorbis/VorbisOut.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

// The start of a WAV or MP3 file looks right. lame takes any file it does not recognise for
// raw samples and "succeeds", so inputs are checked before they are handed to it.
bool LooksLikeWav(const QString& path);
bool LooksLikeMp3(const QString& path);

// The WMA estimate: the expected total seconds of a run that has gone `seconds` with
// `outputSize` bytes written of a WAV input of `inputSize` bytes. Inputs under 2,000,000 bytes
// take 2 seconds; otherwise expected bytes = input x 1000 / divisor (at least what is already
// written) scaled by the time taken so far. False when no estimate can be made yet (nothing
// written). The total is always past `seconds`.
bool EstimateWmaTotal(int64_t seconds, int64_t inputSize, int64_t outputSize, int32_t divisor, int64_t& total);

// The encode step of a job window, with the components it runs. The encoder wrappers are the
// caller's (the main window keeps one of each for the process) or, when none are given, the
// step's own. Every event of its runs (progress and the end events, see above) comes out of
// Report on the main thread, with Track set to the entry the step was started for.
class TEncodeStep : public QObject {
    Q_OBJECT
    // First, so that the references below can be bound to them.
    std::unique_ptr<TMp3EncodeProcess> OwnMp3;
    std::unique_ptr<TWMAEncodeProcess> OwnWma;

public:
    TEncodeStep(TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma, QObject* parent = nullptr);
    ~TEncodeStep() override;
    TEncodeStep(const TEncodeStep&) = delete;
    TEncodeStep& operator=(const TEncodeStep&) = delete;

    TMp3EncodeProcess& Mp3;
    TWMAEncodeProcess& Wma;
    // The WAV reader the Vorbis writer encodes from (Loop off, whole file).
    TWaveIn WaveIn1;
    // Input WaveIn1, Compression 0.2, bitrates automatic, foRewrite, serial 0.
    TVorbisOut VorbisOut1;
    // The WMA estimate, every second while a WMA run goes on.
    QTimer Timer1;
    std::chrono::steady_clock::time_point WmaStart;
    int64_t WmaInputSize = -1;
    std::chrono::steady_clock::time_point StreamStart;
    // The code of the Vorbis writer's end event (3000 in the job window, 2000 in the CD rip
    // window) and whether its progress reports carry time texts.
    int32_t OggEndCode = 3000;
    bool OggProgressTimes = true;

    // The entry (1-based) of the run going on, named in every event; set by the caller.
    int32_t Track = 0;

    // The runs. Each sets what the wrapper needs and starts it; its end event follows.
    void StartMp3(const QString& input, const QString& output, bool encode, TJobKind jobKind,
                  const TMp3Options& options);
    // Also starts the estimate: WmaStart, WmaInputSize, the timer; `progress` shows 0.
    void StartWma(const QString& input, const QString& output, TJobKind jobKind, const TWmaOptions& options,
                  const TWmaTags& tags, TJobProgress& progress);
    // WaveIn1 reads `input`; the caller has set the quality (or ApplyOggSettings) before.
    void StartOgg(const QString& input, const QString& output);
    // Whether the Vorbis writer is in a run.
    bool OggRunning() const { return VorbisOut1.Status() != osIdle; }
    // Encodes the WAV file `input` into the FLAC file `output` (decode: the FLAC file into a
    // WAV file) in-process, on a thread of the step's own; progress reports as the Vorbis run's
    // (times when OggProgressTimes), then one FlacEnded event with Ok and Reason. The output
    // appears only whole.
    void StartFlac(const QString& input, const QString& output, const TFlacOptions& options, bool decode = false);
    // Ends a FLAC run (no end event follows) and waits for its thread.
    void StopFlac();

    // One tick of the WMA estimate; false when nothing changed. `showTimes` fills the labels.
    bool WmaTick(TJobProgress& progress, bool showTimes);
    // Ends running MP3 and WMA children and a FLAC run (no end event follows) and the estimate.
    void KillEncoders();

    // Posts a sink's progress as a worker report, timed from StreamStart.
    void PostSinkProgress(TAuOutput* sink, bool times);

Q_SIGNALS:
    void Report(const TProcessInfo& info);

protected:
    bool event(QEvent* e) override;

private:
    TPostGuard Inbox{this};
    TWmaOptions WmaRunOptions;
    // The Vorbis run ended by an exception (its message is the writer's LastError).
    bool OggFailed = false;
    // The FLAC run's thread and its stop request.
    std::thread FlacThread;
    std::atomic<bool> FlacStop{false};
};
