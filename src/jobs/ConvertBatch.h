// TConvertBatch: file conversions of several files at once. Up to `lanes` conversions
// (TConvertJob, each with its own encode step) run side by side; each takes the next file not
// yet taken when it is done with one, so a long file does not hold up the rest. The outcome,
// the files written and the window's lines are those of the files in list order.
//
//     TConvertBatch batch(TJobKind::WavToMp3, files, "/music", EncoderThreadCount(0), &mp3, &wma);
//     connect(&batch, &TConvertBatch::StepProgress, ...);  // each file's step line
//     batch.Start();
//
// With one lane (or one file) it is a single TConvertJob and behaves exactly as one.
#pragma once

#include "jobs/ConvertJob.h"

#include <memory>
#include <vector>

class TConvertBatch : public TJobController {
    Q_OBJECT
public:
    TConvertBatch(TJobKind jobKind, const QStringList& files, const QString& outputFolder, int32_t lanes,
                  TMp3EncodeProcess* mp3 = nullptr, TWMAEncodeProcess* wma = nullptr, QObject* parent = nullptr);
    ~TConvertBatch() override;

    void Start() override;
    void Stop() override;
    void Finish() override;
    QStringList FilesWritten() const override;

    const TJobKind JobKind;
    const QStringList JobList;
    int32_t LaneCount() const { return int32_t(Lanes.size()); }
    // Whether conversions of several files run at once (the CLI then names the file of each line).
    bool Overlapping() const { return Lanes.size() > 1; }

Q_SIGNALS:
    // A step of entry `index` (1-based) changed: its line and progress.
    void StepProgress(int32_t index, const QString& caption, const TJobProgress& progress);

private:
    void OnLaneChanged(TConvertJob& lane);
    void OnLaneEnded();
    // The window shows the running conversion of the earliest file.
    void ShowEarliest();

    std::vector<std::unique_ptr<TConvertJob>> Lanes;
    int NextEntry = 0;
    int32_t LanesEnded = 0;
};
