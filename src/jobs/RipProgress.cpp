// The rip through the CD input (see RipProgress.h).
#include "jobs/RipProgress.h"

#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "audio/GainPass.h"
#include "cd/CDIn.h"

#include <QFile>
#include <QFileInfo>

namespace {

const char* const ExtractingText = "Extracting...";
const char* const EncodingText = "Encoding...";
const char* const InitializingText = "Initializing...";

QString Folder() {
    return AddTrailingBackslash(Settings.OutputFolder);
}

} // namespace

TCDRipJob::TCDRipJob(TCDIn& cdIn, const QStringList& jobList, TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma,
                     QObject* parent)
    : TJobController(parent), JobList(jobList), Step(this, mp3, wma), CDIn(cdIn) {
    Step.OggEndCode = 2000;
    Step.OggProgressTimes = false;
    WaveOut1.SetInput(&CDIn);
    WaveOut1.SetWavType(wtPCM);
    WaveOut1.SetBlockSize(512);
    WaveOut1.CreateNonMsHeaders = false;
    WaveOut1.SetFileMode(foRewrite);
    WaveOut1.OnProgress = [this](TAuOutput* sink) { Step.PostSinkProgress(sink, false); };
    WaveOut1.OnThreadException = [this](TAuOutput* sink) {
        ExtractFailed = true;
        ExtractError = sink->LastError;
    };
    WaveOut1.OnDone = [this](TAuOutput*) { WaveOut1Done(); };
    connect(&Step.Timer1, &QTimer::timeout, this, [this] {
        if (Step.WmaTick(Progress, false)) {
            GaugeHint = ProgressHint;
            Q_EMIT Changed();
        }
    });

    QStringList bases;
    for (const QString& entry : JobList) {
        Titles << entry.mid(2);
        bases << TrackBaseName(entry);
    }
    BaseNames = UniqueNames(bases);
    Results.resize(size_t(JobList.size()));
    for (int i = 0; i < JobList.size(); ++i)
        Results[size_t(i)].Output = OutputOf(i);
    OutputFormatText = OutputFormatName();
    SelectedTracks = QString::number(JobList.size());
    Completed = QStringLiteral("0");
}

TCDRipJob::~TCDRipJob() {
    FormClose();
}

QString TCDRipJob::WavOf(int i) const {
    return Folder() + BaseNames.value(i) + QStringLiteral(".wav");
}

QString TCDRipJob::OutputOf(int i) const {
    switch (Settings.OutputFormat) {
    case ofMP3:
        return Folder() + BaseNames.value(i) + QStringLiteral(".mp3");
    case ofOGG:
        return Folder() + BaseNames.value(i) + QStringLiteral(".ogg");
    case ofWMA:
        return Folder() + BaseNames.value(i) + QStringLiteral(".wma");
    default:
        return WavOf(i);
    }
}

QStringList TCDRipJob::FilesWritten() const {
    QStringList files;
    for (int i = 0; i < int(Results.size()); ++i) {
        if (Results[size_t(i)].Ok)
            files << Results[size_t(i)].Output;
        if (Settings.OutputFormat != ofWAV && Settings.IsKeepWav && QFileInfo::exists(WavOf(i)))
            files << WavOf(i);
    }
    return files;
}

void TCDRipJob::Start() {
    ExtractedCount = 0;
    if (JobList.isEmpty()) {
        EndJob();
        return;
    }
    CDIn.Reset();
    CDIn.LockTray = true;
    StartExtraction(0, true);
}

void TCDRipJob::StartExtraction(int i, bool initializing) {
    const int32_t track = JobList[i].left(2).toInt();
    CurrentTrack = Titles[i];
    ProgressHint = QString::fromLatin1(ExtractingText);
    GaugeHint = QString::fromLatin1(initializing ? InitializingText : ExtractingText);
    Completed = QString::number(ExtractedCount);
    Progress.Reset();
    ExtractFailed = false;
    ExtractError.clear();
    Awaited = 1000;
    try {
        CDIn.SetFirstTrack(track);
        CDIn.SetLastTrack(track);
        WaveOut1.SetFileName(WavOf(i));
        CurrentSink = &WaveOut1;
        WaveOut1.Run();
    } catch (const std::exception& e) {
        TProcessInfo info;
        info.Code = 1000;
        info.Reason = QString::fromLocal8Bit(e.what());
        PostJobInfo(this, info);
    }
    Q_EMIT Changed();
}

void TCDRipJob::WaveOut1Done() {
    TProcessInfo info;
    info.Code = 1000;
    if (ExtractFailed) {
        // A read error ends the run early: what the file holds is not the track.
        info.Reason = ExtractError;
    } else {
        info.Ok = true;
        if (Settings.IsNormalize) {
            const QString wav = WaveOut1.FileName();
            try {
                ScaleWaveFile(Settings.NormalizePercent, wav);
            } catch (const std::exception&) {
                info.Ok = false;
                info.Reason =
                    wav + ResText("RES_NormalizeError", ": the gain pass failed; the file was left unscaled.");
            }
        }
    }
    PostJobInfo(this, info);
}

bool TCDRipJob::event(QEvent* e) {
    if (e->type() != JobInfoEventType)
        return TJobController::event(e);
    if (Finished)
        return true;
    const TProcessInfo& info = *static_cast<TJobInfoEvent*>(e)->Info;
    if (info.Code == 1000 || info.Code == 2000 || info.Code == 5000) {
        // Only the end of the running step counts; any other is a stale report.
        if (info.Code != Awaited)
            return true;
        Awaited = 0;
        if (info.Code == 1000)
            OnExtracted(info);
        else
            OnEncoded(info);
    } else if (info.Code >= 1) {
        Step.Timer1.stop();
        Progress.Report(info.Code, QString(), QString());
        GaugeHint = ProgressHint;
    }
    Q_EMIT Changed();
    return true;
}

void TCDRipJob::Report(const QString& line) {
    ProgressHint = line;
    GaugeHint = line;
    Q_EMIT Failure(line);
}

void TCDRipJob::OnExtracted(const TProcessInfo& info) {
    const int i = ExtractedCount;
    ++ExtractedCount;
    Completed = QString::number(ExtractedCount);
    CurrentSink = nullptr;
    if (!info.Ok) {
        EndEntry(i, false, info.Reason);
        Report(ResText("RES_Rip_Extract_Failed", "%1: extraction failed: %2").arg(WavOf(i), info.Reason));
        return NextOrEnd();
    }
    // The CD input announces a run one sector longer than it delivers, so the writer's own
    // progress stops short of 100 % at a complete track.
    Progress.Report(100, QString(), QString());
    Q_EMIT Changed();
    if (Settings.OutputFormat == ofWAV) {
        EndEntry(i, true, QString());
        return NextOrEnd();
    }
    const QString wav = WavOf(i);
    ProgressHint = QString::fromLatin1(EncodingText);
    GaugeHint = ProgressHint;
    Progress.Reset();
    Step.WaveIn1.SetFileName(wav);
    try {
        if (Settings.OutputFormat == ofOGG) {
            ApplyOggSettings(Step.VorbisOut1);
            CurrentSink = &Step.VorbisOut1;
            Awaited = 2000;
            Step.StartOgg(wav, OutputOf(i));
        } else if (Settings.OutputFormat == ofWMA) {
            Awaited = 5000;
            Step.StartWma(wav, OutputOf(i), 1, Progress);
        } else {
            Awaited = 2000;
            Step.StartMp3(wav, OutputOf(i), true, 1);
        }
    } catch (const std::exception& e) {
        // The encoder could not be started: this track's encode failed, its WAV stays.
        Step.Timer1.stop();
        Awaited = 0;
        TProcessInfo failed;
        failed.Code = 2000;
        failed.Status = 2;
        failed.Reason = QString::fromLocal8Bit(e.what());
        OnEncoded(failed);
    }
}

void TCDRipJob::OnEncoded(const TProcessInfo& info) {
    Step.Timer1.stop();
    // The encoder lets go of its files a moment after its end event.
    WaitMilliseconds(300);
    CurrentSink = nullptr;
    const int i = ExtractedCount - 1;
    const QString wav = WavOf(i);
    QString reason = info.Reason;
    if (info.Status == 8 && reason.isEmpty())
        reason = info.Elapsed;
    if (info.Ok) {
        if (!Settings.IsKeepWav && QFileInfo::exists(wav) && !IsFileInUse(wav))
            QFile::remove(wav);
        // Every MP3 of this path is tagged, tagging on or off.
        if (Settings.OutputFormat == ofMP3)
            WriteRipTag(OutputOf(i), Titles[i], JobList[i].left(2).toInt());
        EndEntry(i, true, QString());
    } else {
        EndEntry(i, false, reason);
        Report(ResText("RES_Rip_Encode_Failed", "%1: encoding failed (%2 kept): %3").arg(OutputOf(i), wav, reason));
    }
    NextOrEnd(true);
}

void TCDRipJob::NextOrEnd(bool afterEncode) {
    if (ExtractedCount >= JobList.size()) {
        JobList.clear();
        // The encoder's files settle before the window goes; a WAV rip has nothing to wait for.
        if (afterEncode)
            WaitMilliseconds(300);
        EndJob();
        return;
    }
    // After a failure the hint line keeps the failure until the next track's first report.
    const QString hint = ProgressHint;
    const bool failed = !Results[size_t(ExtractedCount - 1)].Ok;
    StartExtraction(ExtractedCount, Settings.OutputFormat == ofWAV);
    if (failed)
        ProgressHint = hint;
}

void TCDRipJob::Stop() {
    if (Finished)
        return;
    if (CurrentSink) {
        try {
            CurrentSink->Pause();
        } catch (const std::exception&) {
        }
        CurrentSink->Stop(false);
    }
    WaitMilliseconds(300);
    // A child left running would keep writing while the wrappers may be given the next job.
    Step.KillEncoders();
    JobList.clear();
    EndJob();
}

void TCDRipJob::FormClose() {
    JobList.clear();
    if (Settings.OutputFormat == ofOGG && Step.VorbisOut1.Status() != osIdle)
        Step.VorbisOut1.Stop(false);
    if (WaveOut1.Status() != osIdle)
        WaveOut1.Stop(false);
    Step.KillEncoders();
    Step.WaveIn1.SetFileName(QString());
    Step.VorbisOut1.SetFileName(QString());
    Finished = true;
}

void TCDRipJob::EndJob() {
    Finished = true;
    if (CloseSent)
        return;
    CloseSent = true;
    Q_EMIT CloseRequested();
}
