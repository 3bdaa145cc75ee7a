// The conversion job (see rip.h).
#include "jobs/rip.h"

#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "platform/Prompter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const char* const Mp3TempName = "ViVO3DaZuvo.dov";
const char* const OggTempName = "MyReTemp.wav";

QString FormatExtension() {
    switch (Settings.OutputFormat) {
    case ofMP3:
        return QStringLiteral(".mp3");
    case ofOGG:
        return QStringLiteral(".ogg");
    case ofWMA:
        return QStringLiteral(".wma");
    default:
        return QStringLiteral(".wav");
    }
}

QString WithExtension(const QString& path, const QString& extension) {
    const QFileInfo info(path);
    const QString dir = info.path() == QStringLiteral(".") && !path.startsWith(QStringLiteral("./"))
                            ? QString()
                            : AddTrailingBackslash(info.path());
    return dir + info.completeBaseName() + extension;
}

// The failure box of an encode step: what the step is, then which file and why, one per line.
QString FailureText(const QString& what, const QString& output, const QString& reason) {
    return what + QStringLiteral("\r\n") + output + QStringLiteral(": ") + reason;
}

void DeleteUnused(const QString& path) {
    if (QFileInfo::exists(path) && !IsFileInUse(path))
        QFile::remove(path);
}

} // namespace

TRipJob::TRipJob(uint8_t jobKind, int32_t cdHandle, const QStringList& jobList, TMp3EncodeProcess* mp3,
                 TWMAEncodeProcess* wma, QObject* parent)
    : TJobController(parent), JobList(jobList), JobKind(jobKind), CdHandle(cdHandle), Step(this, mp3, wma) {
    FastResampler1.SetInput(&Step.WaveIn1);
    FastResampler1.OutSampleRate = 44100;
    WaveOut1.SetInput(&FastResampler1);
    WaveOut1.SetWavType(wtPCM);
    WaveOut1.SetBlockSize(512);
    WaveOut1.CreateNonMsHeaders = true;
    WaveOut1.SetFileMode(foRewrite);
    WaveOut1.OnProgress = [this](TAuOutput* sink) { Step.PostSinkProgress(sink, true); };
    WaveOut1.OnThreadException = [this](TAuOutput* sink) {
        ResampleFailed = true;
        ResampleError = sink->LastError;
    };
    WaveOut1.OnDone = [this](TAuOutput*) { WaveOut1Done(); };
    connect(&Step.Timer1, &QTimer::timeout, this, &TRipJob::Timer1Timer);

    InitText = ResText("RES_Initing", "Initializing...");
    GroupCaption = ResText("RES_Extracting", "Extracting");
    QStringList bases;
    for (const QString& entry : JobList) {
        if (JobKind == 1) {
            Names << entry.mid(2);
            bases << TrackBaseName(entry);
        } else {
            Names << entry;
            bases << QFileInfo(entry).completeBaseName();
        }
    }
    BaseNames = UniqueNames(bases);
    Results.resize(JobList.size());
    for (int i = 0; i < Count(); ++i)
        Results[size_t(i)].Output = OutputOf(i);
}

TRipJob::~TRipJob() {
    Finish();
}

QString TRipJob::Folder() const {
    return AddTrailingBackslash(Settings.OutputFolder);
}

QString TRipJob::TitleOf(int i) const {
    return Names.value(i);
}

int32_t TRipJob::TrackOf(int i) const {
    return JobList.value(i).left(2).toInt();
}

QString TRipJob::WavOf(int i) const {
    return Folder() + BaseNames.value(i) + QStringLiteral(".wav");
}

QString TRipJob::OutputOf(int i) const {
    switch (JobKind) {
    case 1:
        return Folder() + BaseNames.value(i) + FormatExtension();
    case 2:
        return Folder() + BaseNames.value(i) + QStringLiteral(".mp3");
    case 3:
        return Folder() + BaseNames.value(i) + QStringLiteral(".wav");
    case 4:
        return WithExtension(JobList.value(i), QStringLiteral(".mp3"));
    case 5:
        return Folder() + BaseNames.value(i) + QStringLiteral(".ogg");
    default:
        return Folder() + BaseNames.value(i) + QStringLiteral(".wma");
    }
}

int32_t TRipJob::EncodeEndCode() const {
    if (JobKind == 5 || (JobKind == 1 && Settings.OutputFormat == ofOGG))
        return 3000;
    if (JobKind == 6 || (JobKind == 1 && Settings.OutputFormat == ofWMA))
        return 5000;
    return 2000;
}

QString TRipJob::TemporaryFile() const {
    return Folder() + QString::fromLatin1(JobKind == 5 ? OggTempName : Mp3TempName);
}

QStringList TRipJob::FilesWritten() const {
    QStringList files;
    for (int i = 0; i < Count(); ++i) {
        const TJobEntryResult& r = Results[size_t(i)];
        if (r.Ok)
            files << r.Output;
        if (JobKind == 1 && Settings.OutputFormat != ofWAV && Settings.IsKeepWav && QFileInfo::exists(WavOf(i)))
            files << WavOf(i);
    }
    return files;
}

void TRipJob::Start() {
    ExtractedCount = 0;
    EncodedCount = 0;
    OggCount = 0;
    ProgressSeen = false;
    if (Count() == 0) {
        Finish();
        EndJob();
        return;
    }
    switch (JobKind) {
    case 1:
        StartExtraction(0);
        break;
    case 2:
        StartMp3Entry(0, true);
        break;
    case 3:
    case 4:
        StartMp3Entry(0, true);
        break;
    case 5:
        StartOggEntry(0, true);
        break;
    default:
        SetStep(QStringLiteral("Encoding"), 0, ResText("RES_WAV_TO_WMA", "Encoding WAV to WMA"));
        StartWmaRun(0, JobList[0]);
        break;
    }
    if (!Finished) {
        const int32_t percent = Progress.Percent;
        Progress.Reset();
        Progress.Percent = percent;
    }
    Notify();
}

void TRipJob::SetStep(const QString& word, int i, const QString& group) {
    Caption = word + '(' + TwoDigits(i + 1) + '/' + TwoDigits(Count()) + QStringLiteral("): ") + Names.value(i);
    if (!group.isEmpty())
        GroupCaption = group;
}

void TRipJob::ErrorBox(const QString& text) {
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

void TRipJob::StartExtraction(int i) {
    ExtractThread.reset();
    SetStep(QStringLiteral("Extracting"), i, ResText("RES_Extracting", "Extracting"));
    Progress.Reset();
    Awaited = 1000;
    AwaitedEntry = i;
    ExtractThread = std::make_unique<TCDRipThread>(TrackOf(i), BaseNames[i]);
    ExtractThread->CDHandle = CdHandle;
    ExtractThread->Window = this;
    ExtractThread->Resume();
}

void TRipJob::StartMp3Entry(int i, bool first) {
    const QString input = JobList[i];
    if (JobKind == 3) {
        SetStep(QStringLiteral("Decoding"), i,
                first ? ResText("RES_MP3_TO_WAV", "Decoding MP3 to WAV") : ResText("RES_Decoding", "Decoding"));
        if (!LooksLikeMp3(input))
            return SkipEntry(i, 2000, ResText("RES_Not_Mp3_File", "%1 is not an MP3 file.").arg(input));
        return StartMp3Run(i, input);
    }
    const QString group =
        first ? ResText("RES_WAV_TO_MP3", "Encoding WAV to MP3") : ResText("RES_Encoding", "Encoding");
    if (JobKind == 4) {
        SetStep(QStringLiteral("Encoding"), i, group);
        if (!LooksLikeWav(input))
            return SkipEntry(i, 2000, ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(input));
        return StartMp3Run(i, input);
    }
    Step.WaveIn1.SetFileName(input);
    if (!LooksLikeWav(input) || !Step.WaveIn1.Valid()) {
        SetStep(QStringLiteral("Encoding"), i, group);
        return SkipEntry(i, 2000, ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(input));
    }
    // lame reads float WAV files through libsndfile scaled to their own peak, so a quiet
    // recording would come out at full loudness: those go through the temporary file as
    // 32-bit integers at their own rate, as this reader turns them.
    const TWavType type = Step.WaveIn1.WavType();
    const bool floatInput = type == wtIEEEFloat || type == wtExtIEEEFloat;
    if (Step.WaveIn1.GetSampleRate() >= 44100 && !floatInput) {
        SetStep(QStringLiteral("Encoding"), i, group);
        StartMp3Run(i, input);
    } else {
        SetStep(first ? QStringLiteral("Resampling") : QStringLiteral("Encoding"), i,
                ResText("RES_WAV_RESAMPLE", "Resampling WAV"));
        StartResample(i, TemporaryFile());
    }
}

void TRipJob::StartOggEntry(int i, bool first) {
    const QString input = JobList[i];
    Step.WaveIn1.SetFileName(input);
    if (!Step.WaveIn1.Valid()) {
        SetStep(QStringLiteral("Encoding"), i, ResText("RES_WAV_TO_OGG", "Encoding WAV to OGG"));
        return SkipEntry(i, 3000, ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(input));
    }
    if (Step.WaveIn1.GetSampleRate() >= 44100) {
        SetStep(QStringLiteral("Encoding"), i,
                first ? ResText("RES_WAV_TO_OGG", "Encoding WAV to OGG") : ResText("RES_Encoding", "Encoding"));
        StartOggRun(i, input);
    } else {
        SetStep(QStringLiteral("Resampling"), i, ResText("RES_WAV_RESAMPLE", "Resampling WAV"));
        StartResample(i, TemporaryFile());
    }
}

void TRipJob::StartStep(int i, int32_t endCode, const std::function<void()>& start) {
    Awaited = endCode;
    AwaitedEntry = i;
    try {
        start();
    } catch (const std::exception& e) {
        // Without its encoder or writer nothing can go on; the job waits for Stop, as after a
        // drive error. (Only the WMA step runs the timer; stopping it is harmless elsewhere.)
        Step.Timer1.stop();
        Awaited = 0;
        Stalled = true;
        ErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

void TRipJob::StartMp3Run(int i, const QString& input) {
    StartStep(i, 2000, [&] { Step.StartMp3(input, OutputOf(i), JobKind != 3, JobKind); });
}

void TRipJob::StartWmaRun(int i, const QString& input) {
    if (JobKind == 6 && !LooksLikeWav(input))
        return SkipEntry(i, 5000, ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(input));
    StartStep(i, 5000, [&] { Step.StartWma(input, OutputOf(i), JobKind, Progress); });
}

void TRipJob::StartOggRun(int i, const QString& input) {
    const QString output = OutputOf(i);
    // The writer would empty the file it is about to read.
    if (IsSameFile(input, output))
        return SkipEntry(i, 3000,
                         ResText("RES_Output_Is_Input", "%1 is the input file and cannot be the output.").arg(output));
    TVorbisOut& out = Step.VorbisOut1;
    out.Compression = Settings.IsUseCompress ? float(Settings.CompressPosition - 10) / 100.0f : 0.2f;
    out.SetDesiredNominalBitrate(brAutoSelect);
    StartStep(i, 3000, [&] { Step.StartOgg(input, output); });
}

void TRipJob::StartResample(int i, const QString& temporary) {
    // The temporary file has a fixed name in the output folder: an input of that name would be
    // written over by the resampler and then removed with the temporary file.
    for (const QString& entry : JobList)
        if (IsSameFile(entry, temporary))
            return SkipEntry(
                i, JobKind == 2 ? 2000 : 3000,
                ResText("RES_Output_Is_Input", "%1 is the input file and cannot be the output.").arg(temporary));
    // Inputs from 44.1 kHz up only pass through for their format; they keep their rate.
    FastResampler1.OutSampleRate = std::max<int32_t>(44100, Step.WaveIn1.GetSampleRate());
    TemporaryWritten = true;
    ResampleFailed = false;
    ResampleError.clear();
    WaveOut1.SetFileName(temporary);
    Step.StreamStart = std::chrono::steady_clock::now();
    StartStep(i, 4000, [&] { WaveOut1.Run(); });
}

void TRipJob::SkipEntry(int i, int32_t endCode, const QString& reason) {
    ErrorBox(reason);
    Awaited = endCode;
    AwaitedEntry = i;
    ProgressSeen = true;
    TProcessInfo info;
    info.Code = endCode;
    info.Status = 4;
    info.Reason = reason;
    PostJobInfo(this, info);
}

bool TRipJob::event(QEvent* e) {
    if (e->type() == JobInfoEventType) {
        if (!Finished)
            HandleInfo(*static_cast<TJobInfoEvent*>(e)->Info);
        return true;
    }
    if (e->type() == JobErrorEventType) {
        if (!Finished)
            HandleError(static_cast<TJobErrorEvent*>(e)->Code);
        return true;
    }
    return TJobController::event(e);
}

void TRipJob::HandleError(int32_t code) {
    Stalled = true;
    if (code == RipErrorModifyParms)
        ErrorBox(ResText("RES_ModifyCDParmsError", "CD extract failed!Please try again."));
    else if (code == RipErrorReadToc)
        ErrorBox(ResText("RES_ReadTocError", "Error while reading TOC information!"));
    Notify();
}

void TRipJob::HandleInfo(TProcessInfo& info) {
    switch (info.Code) {
    case RipCodeNormalizing:
        if (JobKind == 1)
            SetStep(QStringLiteral("Normalizing"), ExtractedCount, QString());
        break;
    case RipCodeDone:
    case 2000:
    case 3000:
    case 4000:
    case 5000:
        // An end the job is not waiting for (a second report of a step already counted, a
        // stopped run's end) changes nothing.
        if (info.Code != Awaited)
            return;
        Awaited = 0;
        if (info.Code == RipCodeDone)
            OnExtracted(info);
        else if (info.Code == 2000)
            OnMp3Ended(info);
        else if (info.Code == 3000)
            OnOggEnded(info);
        else if (info.Code == 4000)
            OnResampled(info);
        else
            OnWmaEnded(info);
        break;
    default:
        OnProgressReport(info);
        break;
    }
    Notify();
}

void TRipJob::OnProgressReport(const TProcessInfo& info) {
    Step.Timer1.stop();
    ProgressSeen = true;
    Progress.Report(info.Code, info.Elapsed, info.Estimated);
}

void TRipJob::OnExtracted(TProcessInfo& info) {
    const int i = ExtractedCount;
    const QString wav = WavOf(i);
    QString reason;
    switch (info.Status) {
    case rsOk:
        break;
    case rsReadFailed:
        reason = ResText("RES_ReadCDAudioError", "Error while reading CD information!");
        break;
    case rsCreateFailed:
        reason = wav + ResText("RES_CreateWavFileError",
                               " is not a valid file name.Please rename the Title in the CD tracks list.");
        break;
    case rsNormalizeFailed:
        reason = wav + ResText("RES_NormalizeError", ": the gain pass failed; the file was left unscaled.");
        break;
    default:
        reason = wav + ResText("RES_WriteWavFileError", ": error while writing the file (disk full?).");
        break;
    }
    if (!reason.isEmpty())
        ErrorBox(reason);
    ++ExtractedCount;
    const bool ok = info.Status == rsOk;
    if (Settings.OutputFormat == ofWAV) {
        EndEntry(i, ok, reason);
        if (ExtractedCount >= Count()) {
            Finish();
            EndJob();
        } else {
            StartExtraction(ExtractedCount);
        }
        return;
    }
    const int32_t endCode = EncodeEndCode();
    if (endCode == 5000)
        ExtractThread.reset();
    if (!ok) {
        // The encode step of a track that was not extracted is skipped; the failure was shown.
        Awaited = endCode;
        AwaitedEntry = i;
        ProgressSeen = true;
        info.Code = endCode;
        info.Status = 4;
        info.Ok = false;
        info.Reason = reason;
        PostJobInfo(this, info);
        return;
    }
    SetStep(QStringLiteral("Encoding"), i, ResText("RES_Encoding", "Encoding"));
    // The gauge starts over for the encode; the extraction's 100 % would say it is done.
    Progress.Reset();
    Progress.InitVisible = false;
    if (endCode == 2000)
        StartMp3Run(i, wav);
    else if (endCode == 3000)
        StartOggRun(i, wav);
    else
        StartWmaRun(i, wav);
}

void TRipJob::OnMp3Ended(const TProcessInfo& info) {
    const int i = JobKind == 1 ? ExtractedCount - 1 : EncodedCount;
    const QString output = OutputOf(i);
    if (info.Status == 1) {
        ErrorBox(JobList.value(i) + ResText("RES_Operate_Fail", "maybe be used,operate fail!"));
    } else if (info.Status == 2 && !info.Ok) {
        ErrorBox(FailureText(ResText("RES_Check_Mp3Options", "Create MP3 file error!\r\nPlease check the output and "
                                                             "lame options or run application again."),
                             output, info.Reason));
    }
    if (JobKind == 1 && info.Status == 2 && info.Ok && Settings.UseID3) {
        const uint16_t result = WriteRipTag(output, TitleOf(i), TrackOf(i));
        // A plain note, not an error box: the MP3 itself was written.
        if (result > 255)
            Prompter().Show(QStringLiteral("Error #%1! Could not save Tag!").arg(result), TPromptIcon::None,
                            TPromptButtons::Ok);
    }
    if (EndEncodedEntry(i, info, EncodedCount))
        return;
    if (JobKind == 1)
        StartExtraction(ExtractedCount);
    else
        StartMp3Entry(EncodedCount, false);
}

bool TRipJob::EndEncodedEntry(int i, const TProcessInfo& info, int32_t& counter, int32_t settleMs) {
    EndEntry(i, info.Ok, info.Reason);
    ProgressSeen = false;
    ++counter;
    if (counter < Count())
        return false;
    Finish();
    if (settleMs > 0)
        WaitMilliseconds(settleMs);
    EndJob();
    return true;
}

void TRipJob::OnOggEnded(const TProcessInfo& info) {
    const int i = JobKind == 1 ? ExtractedCount - 1 : OggCount;
    // The Vorbis writer's worker lets go of its files a moment after its end event.
    WaitMilliseconds(300);
    if (info.Status != 4 && !info.Ok)
        ErrorBox(FailureText(ResText("RES_Check_OggOptions", "Create OGG file error!\r\nPlease check the output and "
                                                             "Ogg options or run application again."),
                             OutputOf(i), info.Reason));
    if (EndEncodedEntry(i, info, OggCount, 300))
        return;
    if (JobKind == 1)
        StartExtraction(ExtractedCount);
    else
        StartOggEntry(OggCount, false);
}

void TRipJob::WaveOut1Done() {
    TProcessInfo info;
    info.Code = 4000;
    info.Ok = !ResampleFailed;
    info.Reason = ResampleError;
    SendJobInfo(this, info);
}

void TRipJob::OnResampled(const TProcessInfo& info) {
    const int i = JobKind == 2 ? EncodedCount : OggCount;
    if (!info.Ok)
        // A cut-short temporary file must not be encoded as if it were the whole input.
        return SkipEntry(i, JobKind == 2 ? 2000 : 3000, JobList.value(i) + QStringLiteral(": ") + info.Reason);
    SetStep(QStringLiteral("Encoding"), i, ResText("RES_Encoding", "Encoding"));
    if (JobKind == 2)
        StartMp3Run(i, TemporaryFile());
    else
        StartOggRun(i, TemporaryFile());
}

void TRipJob::OnWmaEnded(const TProcessInfo& info) {
    Step.Timer1.stop();
    const int i = JobKind == 1 ? ExtractedCount - 1 : EncodedCount;
    if (info.Status == 1)
        ErrorBox(JobList.value(i) + ResText("RES_Operate_Fail", "maybe be used,operate fail!"));
    else if (info.Status == 8)
        ErrorBox(info.Elapsed);
    else if (info.Status == 2 && !info.Ok)
        ErrorBox(FailureText(ResText("RES_Check_WmaOptions", "Create WMA file error!\r\nPlease check the output and "
                                                             "WMA options or run application again."),
                             OutputOf(i), info.Reason));
    if (EndEncodedEntry(i, info, EncodedCount))
        return;
    if (JobKind == 1) {
        StartExtraction(ExtractedCount);
    } else {
        SetStep(QStringLiteral("Encoding"), EncodedCount, ResText("RES_Encoding", "Encoding"));
        Progress.Estimated.clear();
        StartWmaRun(EncodedCount, JobList[EncodedCount]);
    }
}

void TRipJob::Timer1Timer() {
    if (Step.WmaTick(Progress, true))
        Notify();
}

void TRipJob::Stop() {
    if (Finished)
        return;
    if ((JobKind == 1 && Settings.OutputFormat == ofOGG) || JobKind == 5) {
        try {
            Step.VorbisOut1.Pause();
        } catch (const std::exception&) {
        }
        Step.VorbisOut1.Stop(true);
        WaitMilliseconds(300);
    }
    Finish();
    EndJob();
}

void TRipJob::Finish() {
    if (Finished)
        return;
    if (ExtractThread) {
        ExtractThread->StopRip = true;
        ExtractThread.reset();
    }
    // A rip's WAV files go once every track is extracted, but only those whose encode
    // succeeded: the WAV of a failed encode is the only copy of that track's audio.
    if (JobKind == 1 && ExtractedCount >= Count() && Settings.OutputFormat != ofWAV && !Settings.IsKeepWav)
        for (int i = 0; i < Count(); ++i)
            if (Results[size_t(i)].Ok)
                DeleteUnused(WavOf(i));
    JobList.clear();
    Finished = true;
    Awaited = 0;
    Step.KillEncoders();
    // A resample still writing its temporary file would keep it from being removed.
    if (WaveOut1.Status() != osIdle)
        WaveOut1.Stop(false);
    if ((JobKind == 2 || JobKind == 5) && TemporaryWritten)
        DeleteUnused(TemporaryFile());
}

void TRipJob::EndJob() {
    if (CloseSent)
        return;
    CloseSent = true;
    Q_EMIT CloseRequested();
}
