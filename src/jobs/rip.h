// TRipJob: the conversion job, the controller behind the job window TRipForm and the rip and
// convert commands of discwright-cli. It runs one batch step by step: CD tracks to extract and
// then encode (JobKind 1), or files to convert (2 WAV to MP3, 3 MP3 to WAV, 4 a recording to
// MP3, 5 WAV to Ogg, 6 WAV to WMA). Every step is a worker (the extraction thread, an encoder
// child, a stream sink); the job only reacts to their WM_JOB_INFO and WM_JOB_ERROR events, on
// the main thread, and is the receiver of all of them, so a window that closes never gets one.
//
//     TRipJob job(1, cdHandle, {"01First", "02Second"}, &mp3, &wma);
//     connect(&job, &TRipJob::Changed, ...);        // caption, group, labels, gauge
//     connect(&job, &TRipJob::CloseRequested, ...);  // the job is over
//     job.Start();
//
// An entry succeeded when its step's end event said so (Ok), never because progress was seen:
// a rip keeps the WAV file of every track whose encode failed, reports the failure once and
// goes on with the next track.
#pragma once

#include "audio/FastResampler.h"
#include "audio/WaveOut.h"
#include "cd/ripthread.h"
#include "jobs/EncodeStep.h"
#include "jobs/JobController.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TRipJob : public TJobController {
    Q_OBJECT
public:
    // The encoder wrappers are the main window's; without them the job uses its own.
    TRipJob(uint8_t jobKind, int32_t cdHandle, const QStringList& jobList, TMp3EncodeProcess* mp3 = nullptr,
            TWMAEncodeProcess* wma = nullptr, QObject* parent = nullptr);
    ~TRipJob() override;

    // Sets up the first step and starts it.
    void Start();
    void Stop() override;
    // The clean-up step; does nothing once the job list is gone.
    void Finish();

    // Job state.
    QStringList JobList;
    const uint8_t JobKind;
    const int32_t CdHandle;
    std::unique_ptr<TCDRipThread> ExtractThread;
    int32_t ExtractedCount = 0;
    int32_t EncodedCount = 0;
    int32_t OggCount = 0;
    bool ProgressSeen = false;
    // The components (the encode step holds WaveIn1, VorbisOut1, Timer1 and the WMA estimate).
    TEncodeStep Step;
    TFastResampler FastResampler1;
    TWaveOut WaveOut1;

    // What the window shows.
    QString Caption;
    QString GroupCaption;
    QString InitText;
    TJobProgress Progress;
    QStringList FilesWritten() const override;

    // Names and files of entry i (0-based).
    int32_t Count() const { return int32_t(Names.size()); }
    QString TitleOf(int i) const;
    int32_t TrackOf(int i) const;
    QString WavOf(int i) const;

protected:
    bool event(QEvent* e) override;

private:
    void HandleInfo(TProcessInfo& info);
    void HandleError(int32_t code);
    void OnProgressReport(const TProcessInfo& info);
    void OnExtracted(TProcessInfo& info);
    void OnMp3Ended(const TProcessInfo& info);
    void OnOggEnded(const TProcessInfo& info);
    void OnResampled(const TProcessInfo& info);
    void OnWmaEnded(const TProcessInfo& info);
    void Timer1Timer();
    void WaveOut1Done();

    // Steps.
    void StartExtraction(int i);
    void StartMp3Entry(int i, bool first);
    void StartOggEntry(int i, bool first);
    void StartMp3Run(int i, const QString& input);
    void StartOggRun(int i, const QString& input);
    void StartWmaRun(int i, const QString& input);
    void StartResample(int i, const QString& temporary);
    // Awaits `endCode` for entry i and runs `start`; when it raises, the job stalls (it waits
    // for Stop) and the reason is shown.
    void StartStep(int i, int32_t endCode, const std::function<void()>& start);
    // Ends entry i of an encode step and counts it in `counter`. True when it was the last:
    // the job is then finished (after a pause of `settleMs`) and ended.
    bool EndEncodedEntry(int i, const TProcessInfo& info, int32_t& counter, int32_t settleMs = 0);
    // An entry that cannot be converted: reported, then its end event is posted with Status 4.
    void SkipEntry(int i, int32_t endCode, const QString& reason);
    void SetStep(const QString& word, int i, const QString& group);
    void ErrorBox(const QString& text);
    void EndJob();
    void Notify() { Q_EMIT Changed(); }
    QString Folder() const;
    QString OutputOf(int i) const;
    int32_t EncodeEndCode() const;
    QString TemporaryFile() const;

    // Per entry: the display name (title or input path) and the unique file base name.
    QStringList Names;
    QStringList BaseNames;
    // The end code the job is waiting for and the entry it belongs to; other ends are stale.
    int32_t Awaited = 0;
    int AwaitedEntry = -1;
    // A resample has written the temporary file, so Finish removes it.
    bool TemporaryWritten = false;
    bool ResampleFailed = false;
    QString ResampleError;
    bool CloseSent = false;
};
