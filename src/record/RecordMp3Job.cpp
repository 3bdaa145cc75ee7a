// Recording to MP3 through the conversion job (see RecordMp3Job.h).
#include "record/RecordMp3Job.h"

#include "jobs/ConvertJob.h"
#include "jobs/JobRunner.h"

bool RunRecordingToMp3(const QString& wavFile, QString* reason, const std::function<void(int32_t)>& progress,
                       const std::function<bool()>& interrupted) {
    TConvertJob job(TJobKind::RecordingToMp3, QStringList{wavFile}, QString());
    if (progress)
        QObject::connect(&job, &TConvertJob::Changed, [&] {
            if (job.Progress.PercentKnown)
                progress(job.Progress.Percent);
        });
    job.Start();
    const bool ended = RunJobToEnd(
        job, interrupted ? interrupted : [] { return false; });
    if (ended && job.Succeeded())
        return true;
    if (reason) {
        *reason = !job.Results.empty() && !job.Results.front().Reason.isEmpty() ? job.Results.front().Reason
                  : ended ? QStringLiteral("the MP3 file was not written")
                          : QStringLiteral("the job could not go on");
    }
    return false;
}
