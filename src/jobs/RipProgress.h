// TCDRipJob: the rip through the CD input (the controller behind TfrmCDRip, and behind
// discwright-cli rip --paranoia). One track at a time: the CD input component feeds the WAV
// writer; when the WAV file is complete (and normalised, if asked) it is encoded to the output
// format with the job window's encode step, an MP3 gets its ID3 tag, and the WAV file goes
// (unless IsKeepWav) before the next track is extracted.
//
// Nothing is taken for done on progress alone: a track whose CD input run ended with an error
// is not encoded, and a track whose encode failed keeps its WAV file; both are reported on the
// hint line (and through Failure).
#pragma once

#include "audio/WaveOut.h"
#include "jobs/EncodeStep.h"
#include "jobs/JobController.h"

#include <QStringList>

class TCDIn;

class TCDRipJob : public TJobController {
    Q_OBJECT
public:
    // `cdIn` is the main window's CD input component, with its drive chosen. Without encoder
    // wrappers the job uses its own.
    TCDRipJob(TCDIn& cdIn, const QStringList& jobList, TMp3EncodeProcess* mp3 = nullptr,
              TWMAEncodeProcess* wma = nullptr, QObject* parent = nullptr);
    ~TCDRipJob() override;

    // Prepares the CD input and starts the first track's extraction.
    void Start();
    // Ends the running sink and any encoder child, then asks to close.
    void Stop() override;
    // The window is closing: the list goes, a Vorbis run is stopped, children are ended.
    void FormClose();
    QStringList FilesWritten() const override;

    QStringList JobList;
    int32_t ExtractedCount = 0;
    // The sink of the running step: WaveOut1 or the step's VorbisOut1.
    TAuOutput* CurrentSink = nullptr;
    TEncodeStep Step;
    // Input = the CD input, PCM, block 512, Microsoft headers only, rewrite.
    TWaveOut WaveOut1;

    // What the window shows.
    QString CurrentTrack;
    QString OutputFormatText;
    QString SelectedTracks;
    QString Completed;
    QString ProgressHint;
    QString GaugeHint;
    TJobProgress Progress;

Q_SIGNALS:
    // A track failed (extraction or encode); the line is also the hint line.
    void Failure(const QString& line);

protected:
    bool event(QEvent* e) override;

private:
    void StartExtraction(int i, bool initializing);
    void WaveOut1Done();
    void OnExtracted(const TProcessInfo& info);
    void OnEncoded(const TProcessInfo& info);
    void NextOrEnd(bool afterEncode = false);
    void Report(const QString& line);
    void EndJob();
    QString WavOf(int i) const;
    QString OutputOf(int i) const;

    TCDIn& CDIn;
    QStringList Titles;
    QStringList BaseNames;
    int32_t Awaited = 0;
    bool ExtractFailed = false;
    QString ExtractError;
    bool CloseSent = false;
};
