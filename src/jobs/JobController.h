// TJobController: what the jobs behind the job windows have in common for the windows and for
// discwright-cli: starting, stopping and cleaning up, the outcome of each entry, the end of the
// job, and what the job window shows of it.
#pragma once

#include "core/Helpers.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// What a job window shows of the running step: the gauge (Percent, with its text only once
// PercentKnown), "Initializing..." over it until the first real report, and the time labels.
struct TJobProgress {
    QString Elapsed;
    QString Estimated;
    int32_t Percent = 0;
    bool PercentKnown = false;
    bool InitVisible = true;

    // A new step: empty labels, empty gauge without text, "Initializing..." shown.
    void Reset();
    // A progress report of a worker (percentage with its time texts).
    void Report(int32_t code, const QString& elapsed, const QString& estimated);
};

// The outcome of one entry of a job.
struct TJobEntryResult {
    // The file the entry was to produce.
    QString Output;
    // The entry's steps have ended, and whether they all succeeded (and if not, why).
    bool Ended = false;
    bool Ok = false;
    QString Reason;
};

class TJobController : public QObject {
    Q_OBJECT
public:
    explicit TJobController(QObject* parent = nullptr) : QObject(parent) {}

    // Sets up the first step and starts it.
    virtual void Start() = 0;
    // The Stop button: ends the running step, cleans up and asks to close.
    virtual void Stop() = 0;
    // The clean-up when the window closes (however it closes); harmless when done already.
    virtual void Finish() = 0;
    // The files the job left: each successful entry's output, and the WAV files that are kept.
    virtual QStringList FilesWritten() const = 0;

    // Outcome per entry, in list order.
    std::vector<TJobEntryResult> Results;
    // The job cannot go on by itself (a drive error, an encoder that cannot be started): it
    // waits for Stop.
    bool Stalled = false;
    // The job is over (its clean-up has run).
    bool Finished = false;

    // What the job window shows: the step line (its caption), the step name over the gauge,
    // the text over the gauge until the first report, and the progress.
    QString Caption;
    QString GroupCaption;
    QString InitText;
    TJobProgress Progress;
    // What the last entry that ended came to, when the job says more than the gauge (a rip's
    // AccurateRip result); empty otherwise.
    QString ResultLine;

    // Every entry ended and succeeded.
    bool Succeeded() const {
        for (const TJobEntryResult& r : Results)
            if (!r.Ended || !r.Ok)
                return false;
        return true;
    }

Q_SIGNALS:
    // What the window shows has changed.
    void Changed();
    // The job is over: the window closes.
    void CloseRequested();

protected:
    // The job is over: the window is asked to close (once).
    virtual void EndJob() {
        Finished = true;
        if (CloseSent)
            return;
        CloseSent = true;
        Q_EMIT CloseRequested();
    }
    // The last entry has ended: the job is finished (after a pause of `settleMs`, while an
    // encoder lets go of its files) and ended.
    void EndAfterLastEntry(int32_t settleMs) {
        Finish();
        if (settleMs > 0)
            WaitMilliseconds(settleMs);
        EndJob();
    }
    // Records the end of entry i; false when it was already recorded.
    bool EndEntry(int i, bool ok, const QString& reason) {
        if (i < 0 || size_t(i) >= Results.size() || Results[size_t(i)].Ended)
            return false;
        Results[size_t(i)] = {Results[size_t(i)].Output, true, ok, reason};
        return true;
    }

private:
    bool CloseSent = false;
};
