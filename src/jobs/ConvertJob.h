// TConvertJob: the file conversions of the job window (TRipForm) and of discwright-cli's
// convert: WAV to MP3, MP3 to WAV, a recording to MP3, WAV to Ogg, WAV to WMA, one file after
// the other. FLAC runs (WAV to FLAC, FLAC to WAV) are in-process runs of the encode step. Every step is a worker (an encoder child, a stream sink); the job only reacts to
// their events, on the main thread. Conversions of files take nothing of the disc in the drive:
// no disc fields go into their tags.
//
//     TConvertJob job(TJobKind::WavToMp3, {"/a/x.wav", "/a/y.wav"}, "/music", &mp3, &wma);
//     connect(&job, &TConvertJob::Changed, ...);        // caption, group, labels, gauge
//     connect(&job, &TConvertJob::CloseRequested, ...);  // the job is over
//     job.Start();
//
// An entry succeeded when its step's end event said so (Ok), never because progress was seen.
#pragma once

#include "audio/FastResampler.h"
#include "audio/WaveOut.h"
#include "jobs/EncodeStep.h"
#include "jobs/JobController.h"
#include "jobs/JobKind.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TConvertJob : public TJobController {
    Q_OBJECT
public:
    // The outputs go to `outputFolder` (a recording's MP3 beside the recording). The encoder
    // wrappers are the main window's; without them the job uses its own. The options of the
    // encoders are taken from the settings now.
    TConvertJob(TJobKind jobKind, const QStringList& files, const QString& outputFolder,
                TMp3EncodeProcess* mp3 = nullptr, TWMAEncodeProcess* wma = nullptr, QObject* parent = nullptr);
    ~TConvertJob() override;

    void Start() override;
    void Stop() override;
    void Finish() override;
    QStringList FilesWritten() const override;

    // Job state.
    QStringList JobList;
    const TJobKind JobKind;
    int32_t EncodedCount = 0;
    int32_t OggCount = 0;
    bool ProgressSeen = false;
    // The components (the encode step holds WaveIn1, VorbisOut1, Timer1 and the WMA estimate).
    TEncodeStep Step;
    TFastResampler FastResampler1;
    TWaveOut WaveOut1;
    // The encoders' options.
    TMp3Options Mp3Options;
    TOggOptions OggOptions;
    TWmaOptions WmaOptions;
    TFlacOptions FlacOptions;

    int32_t Count() const { return int32_t(Names.size()); }
    // The entry being converted.
    int Current = 0;

    // Run as one of several conversions side by side (TConvertBatch): the entries come from
    // TakeEntry (the next one not yet taken, or -1 when none is left) instead of one after the
    // other, and a resample goes into a temporary file with this suffix.
    std::function<int()> TakeEntry;
    QString TemporarySuffix;

protected:
    bool event(QEvent* e) override;

private:
    void HandleInfo(TProcessInfo& info);
    void OnProgressReport(const TProcessInfo& info);
    void OnMp3Ended(const TProcessInfo& info);
    void OnOggEnded(const TProcessInfo& info);
    void OnResampled(const TProcessInfo& info);
    void OnWmaEnded(const TProcessInfo& info);
    void OnFlacEnded(const TProcessInfo& info);
    void StartFlacEntry(int i);
    void Timer1Timer();
    void WaveOut1Done();
    // The entry after `ended` entries have ended.
    int NextEntry(int ended);

    // Steps.
    void StartMp3Entry(int i, bool first);
    void StartOggEntry(int i, bool first);
    void StartMp3Run(int i, const QString& input);
    void StartOggRun(int i, const QString& input);
    void StartWmaRun(int i, const QString& input);
    void StartResample(int i, const QString& temporary);
    // Awaits `endCode` for entry i and runs `start`; when it raises, the job stalls (it waits
    // for Stop) and the reason is shown.
    void StartStep(int i, int32_t endCode, const std::function<void()>& start);
    // Ends entry i of an encode step, counts it in `counter` and moves on to the next entry.
    // True when none is left: the job is then finished (after a pause of `settleMs`) and
    // ended.
    bool EndEncodedEntry(int i, const TProcessInfo& info, int32_t& counter, int32_t settleMs = 0);
    // An entry that cannot be converted: reported, then its end event is posted with Status 4.
    void SkipEntry(int i, int32_t endCode, const QString& reason);
    void SetStep(const QString& word, int i, const QString& group);
    void ErrorBox(const QString& text);
    void Notify() { Q_EMIT Changed(); }
    QString Folder() const;
    QString OutputOf(int i) const;
    QString TemporaryFile() const;

    // Per entry: the input path and the unique file base name.
    QStringList Names;
    QStringList BaseNames;
    QString OutputFolder;
    // The end code the job is waiting for and the entry it belongs to; other ends are stale.
    int32_t Awaited = 0;
    int AwaitedEntry = -1;
    // A resample has written the temporary file, so Finish removes it.
    bool TemporaryWritten = false;
    bool ResampleFailed = false;
    QString ResampleError;
    TPostGuard Inbox{this};
};
