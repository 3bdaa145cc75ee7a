// The file conversions of the job window (see ConvertJob.h).
#include "jobs/ConvertJob.h"

#include "audio/FlacCodec.h"
#include "jobs/RipRequest.h"

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

TConvertJob::TConvertJob(TJobKind jobKind, const QStringList& files, const QString& outputFolder,
                         TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma, QObject* parent)
    : TJobController(parent), JobList(files), JobKind(jobKind), Step(mp3, wma), Mp3Options(TMp3Options::From(Settings)),
      OggOptions(TOggOptions::From(Settings)), WmaOptions(TWmaOptions::From(Settings)),
      FlacOptions(TFlacOptions::From(Settings)), OutputFolder(outputFolder) {
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
    connect(&Step.Timer1, &QTimer::timeout, this, &TConvertJob::Timer1Timer);
    connect(&Step, &TEncodeStep::Report, this, [this](const TProcessInfo& info) {
        TProcessInfo copy = info;
        if (!Finished)
            HandleInfo(copy);
    });

    InitText = ResText("RES_Initing", "Initializing...");
    GroupCaption = ResText("RES_Extracting", "Extracting");
    QStringList bases;
    for (const QString& entry : JobList) {
        Names << entry;
        bases << QFileInfo(entry).completeBaseName();
    }
    BaseNames = UniqueNames(bases);
    Results.resize(size_t(JobList.size()));
    for (int i = 0; i < Count(); ++i)
        Results[size_t(i)].Output = OutputOf(i);
}

TConvertJob::~TConvertJob() {
    Finish();
}

QString TConvertJob::Folder() const {
    return AddTrailingBackslash(OutputFolder);
}

QString TConvertJob::OutputOf(int i) const {
    switch (JobKind) {
    case TJobKind::WavToMp3:
        return Folder() + BaseNames.value(i) + OutputFormatExtension(ofMP3);
    case TJobKind::Mp3ToWav:
        return Folder() + BaseNames.value(i) + OutputFormatExtension(ofWAV);
    case TJobKind::RecordingToMp3:
        return WithExtension(JobList.value(i), OutputFormatExtension(ofMP3));
    case TJobKind::WavToOgg:
        return Folder() + BaseNames.value(i) + OutputFormatExtension(ofOGG);
    case TJobKind::WavToFlac:
        return Folder() + BaseNames.value(i) + OutputFormatExtension(ofFLAC);
    case TJobKind::FlacToWav:
        return Folder() + BaseNames.value(i) + OutputFormatExtension(ofWAV);
    default:
        return Folder() + BaseNames.value(i) + OutputFormatExtension(ofWMA);
    }
}

QString TConvertJob::TemporaryFile() const {
    QString name = QString::fromLatin1(JobKind == TJobKind::WavToOgg ? OggTempName : Mp3TempName);
    // Conversions running side by side each resample into a file of their own.
    if (!TemporarySuffix.isEmpty())
        name.insert(name.lastIndexOf('.'), TemporarySuffix);
    return Folder() + name;
}

QStringList TConvertJob::FilesWritten() const {
    QStringList files;
    for (const TJobEntryResult& r : Results)
        if (r.Ok)
            files << r.Output;
    return files;
}

int TConvertJob::NextEntry(int ended) {
    return TakeEntry ? TakeEntry() : ended;
}

void TConvertJob::Start() {
    EncodedCount = 0;
    OggCount = 0;
    ProgressSeen = false;
    Current = NextEntry(0);
    if (Current < 0 || Current >= Count()) {
        Finish();
        EndJob();
        return;
    }
    switch (JobKind) {
    case TJobKind::WavToMp3:
    case TJobKind::Mp3ToWav:
    case TJobKind::RecordingToMp3:
        StartMp3Entry(Current, true);
        break;
    case TJobKind::WavToOgg:
        StartOggEntry(Current, true);
        break;
    case TJobKind::WavToFlac:
    case TJobKind::FlacToWav:
        StartFlacEntry(Current);
        break;
    default:
        SetStep(QStringLiteral("Encoding"), Current, ResText("RES_WAV_TO_WMA", "Encoding WAV to WMA"));
        StartWmaRun(Current, JobList[Current]);
        break;
    }
    if (!Finished) {
        const int32_t percent = Progress.Percent;
        Progress.Reset();
        Progress.Percent = percent;
    }
    Notify();
}

void TConvertJob::SetStep(const QString& word, int i, const QString& group) {
    Caption = word + '(' + TwoDigits(i + 1) + '/' + TwoDigits(Count()) + QStringLiteral("): ") + Names.value(i);
    if (!group.isEmpty())
        GroupCaption = group;
}

void TConvertJob::ErrorBox(const QString& text) {
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

void TConvertJob::StartMp3Entry(int i, bool first) {
    const QString input = JobList[i];
    if (JobKind == TJobKind::Mp3ToWav) {
        SetStep(QStringLiteral("Decoding"), i,
                first ? ResText("RES_MP3_TO_WAV", "Decoding MP3 to WAV") : ResText("RES_Decoding", "Decoding"));
        if (!LooksLikeMp3(input))
            return SkipEntry(i, JobCode::Mp3Ended, ResText("RES_Not_Mp3_File", "%1 is not an MP3 file.").arg(input));
        return StartMp3Run(i, input);
    }
    const QString group =
        first ? ResText("RES_WAV_TO_MP3", "Encoding WAV to MP3") : ResText("RES_Encoding", "Encoding");
    if (JobKind == TJobKind::RecordingToMp3) {
        SetStep(QStringLiteral("Encoding"), i, group);
        if (!LooksLikeWav(input))
            return SkipEntry(i, JobCode::Mp3Ended,
                             ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(input));
        return StartMp3Run(i, input);
    }
    Step.WaveIn1.SetFileName(input);
    if (!LooksLikeWav(input) || !Step.WaveIn1.Valid()) {
        SetStep(QStringLiteral("Encoding"), i, group);
        return SkipEntry(i, JobCode::Mp3Ended,
                         ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(input));
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

void TConvertJob::StartOggEntry(int i, bool first) {
    const QString input = JobList[i];
    Step.WaveIn1.SetFileName(input);
    if (!Step.WaveIn1.Valid()) {
        SetStep(QStringLiteral("Encoding"), i, ResText("RES_WAV_TO_OGG", "Encoding WAV to OGG"));
        return SkipEntry(i, JobCode::OggEnded,
                         ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(input));
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

void TConvertJob::StartFlacEntry(int i) {
    const QString input = JobList[i];
    const QString output = OutputOf(i);
    const bool decode = JobKind == TJobKind::FlacToWav;
    SetStep(decode ? QStringLiteral("Decoding") : QStringLiteral("Encoding"), i,
            decode ? ResText("RES_FLAC_TO_WAV", "Decoding FLAC to WAV")
                   : ResText("RES_WAV_TO_FLAC", "Encoding WAV to FLAC"));
    QString reason;
    if (IsSameFile(input, output))
        return SkipEntry(i, JobCode::FlacEnded,
                         ResText("RES_Output_Is_Input", "%1 is the input file and cannot be the output.").arg(output));
    if (!decode && !CheckFlacInput(input, reason))
        return SkipEntry(i, JobCode::FlacEnded, reason);
    if (QFileInfo::exists(output) &&
        Prompter().Show(output + ResText("RES_File_Exist", " has existed,overite it?"), TPromptIcon::Question,
                        TPromptButtons::YesNo) != TPromptAnswer::Yes) {
        // Declined: the entry ends without output, as a declined MP3 or WMA run does.
        Awaited = JobCode::FlacEnded;
        AwaitedEntry = i;
        TProcessInfo info;
        info.Code = JobCode::FlacEnded;
        info.Status = 0;
        info.Reason = output + QStringLiteral(" exists; not overwritten");
        Inbox.Handle().PostJobInfo(info);
        return;
    }
    StartStep(i, JobCode::FlacEnded, [&] { Step.StartFlac(input, output, FlacOptions, decode); });
}

void TConvertJob::OnFlacEnded(const TProcessInfo& info) {
    const int i = Current;
    if (info.Status == 2 && !info.Ok)
        ErrorBox(
            FailureText(JobKind == TJobKind::FlacToWav
                            ? ResText("RES_Check_FlacDecode", "Decode FLAC file error!")
                            : ResText("RES_Check_FlacOptions", "Create FLAC file error!\r\nPlease check the "
                                                               "output and FLAC options or run application again."),
                        OutputOf(i), info.Reason));
    if (EndEncodedEntry(i, info, EncodedCount))
        return;
    StartFlacEntry(Current);
}

void TConvertJob::StartStep(int i, int32_t endCode, const std::function<void()>& start) {
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

void TConvertJob::StartMp3Run(int i, const QString& input) {
    StartStep(i, JobCode::Mp3Ended,
              [&] { Step.StartMp3(input, OutputOf(i), JobKind != TJobKind::Mp3ToWav, JobKind, Mp3Options); });
}

void TConvertJob::StartWmaRun(int i, const QString& input) {
    if (!LooksLikeWav(input))
        return SkipEntry(i, JobCode::WmaEnded,
                         ResText("RES_Output_Not_Wav", "%1 is not a readable WAV file.").arg(input));
    StartStep(i, JobCode::WmaEnded,
              [&] { Step.StartWma(input, OutputOf(i), JobKind, WmaOptions, TWmaTags(), Progress); });
}

void TConvertJob::StartOggRun(int i, const QString& input) {
    const QString output = OutputOf(i);
    // The writer would empty the file it is about to read.
    if (IsSameFile(input, output))
        return SkipEntry(i, JobCode::OggEnded,
                         ResText("RES_Output_Is_Input", "%1 is the input file and cannot be the output.").arg(output));
    TVorbisOut& out = Step.VorbisOut1;
    out.Compression = OggOptions.Quality();
    out.SetDesiredNominalBitrate(brAutoSelect);
    StartStep(i, JobCode::OggEnded, [&] { Step.StartOgg(input, output); });
}

void TConvertJob::StartResample(int i, const QString& temporary) {
    // The temporary file has a fixed name in the output folder: an input of that name would be
    // written over by the resampler and then removed with the temporary file.
    for (const QString& entry : JobList)
        if (IsSameFile(entry, temporary))
            return SkipEntry(
                i, JobKind == TJobKind::WavToMp3 ? JobCode::Mp3Ended : JobCode::OggEnded,
                ResText("RES_Output_Is_Input", "%1 is the input file and cannot be the output.").arg(temporary));
    // Inputs from 44.1 kHz up only pass through for their format; they keep their rate.
    FastResampler1.OutSampleRate = std::max<int32_t>(44100, Step.WaveIn1.GetSampleRate());
    TemporaryWritten = true;
    ResampleFailed = false;
    ResampleError.clear();
    WaveOut1.SetFileName(temporary);
    Step.StreamStart = std::chrono::steady_clock::now();
    StartStep(i, JobCode::Resampled, [&] { WaveOut1.Run(); });
}

void TConvertJob::SkipEntry(int i, int32_t endCode, const QString& reason) {
    ErrorBox(reason);
    Awaited = endCode;
    AwaitedEntry = i;
    ProgressSeen = true;
    TProcessInfo info;
    info.Code = endCode;
    info.Status = 4;
    info.Reason = reason;
    Inbox.Handle().PostJobInfo(info);
}

bool TConvertJob::event(QEvent* e) {
    if (e->type() == JobInfoEventType) {
        if (!Finished)
            HandleInfo(*static_cast<TJobInfoEvent*>(e)->Info);
        return true;
    }
    return TJobController::event(e);
}

void TConvertJob::HandleInfo(TProcessInfo& info) {
    switch (info.Code) {
    case JobCode::Mp3Ended:
    case JobCode::OggEnded:
    case JobCode::Resampled:
    case JobCode::WmaEnded:
    case JobCode::FlacEnded:
        // An end the job is not waiting for (a second report of a step already counted, a
        // stopped run's end) changes nothing.
        if (info.Code != Awaited)
            return;
        Awaited = 0;
        if (info.Code == JobCode::Mp3Ended)
            OnMp3Ended(info);
        else if (info.Code == JobCode::OggEnded)
            OnOggEnded(info);
        else if (info.Code == JobCode::Resampled)
            OnResampled(info);
        else if (info.Code == JobCode::FlacEnded)
            OnFlacEnded(info);
        else
            OnWmaEnded(info);
        break;
    default:
        OnProgressReport(info);
        break;
    }
    Notify();
}

void TConvertJob::OnProgressReport(const TProcessInfo& info) {
    Step.Timer1.stop();
    ProgressSeen = true;
    Progress.Report(info.Code, info.Elapsed, info.Estimated);
}

void TConvertJob::OnMp3Ended(const TProcessInfo& info) {
    const int i = Current;
    const QString output = OutputOf(i);
    if (info.Status == 1) {
        ErrorBox(JobList.value(i) + ResText("RES_Operate_Fail", "maybe be used,operate fail!"));
    } else if (info.Status == 2 && !info.Ok) {
        ErrorBox(FailureText(ResText("RES_Check_Mp3Options", "Create MP3 file error!\r\nPlease check the output and "
                                                             "lame options or run application again."),
                             output, info.Reason));
    }
    if (EndEncodedEntry(i, info, EncodedCount))
        return;
    StartMp3Entry(Current, false);
}

bool TConvertJob::EndEncodedEntry(int i, const TProcessInfo& info, int32_t& counter, int32_t settleMs) {
    EndEntry(i, info.Ok, info.Reason);
    ProgressSeen = false;
    ++counter;
    Current = NextEntry(counter);
    if (Current >= 0 && Current < Count())
        return false;
    EndAfterLastEntry(settleMs);
    return true;
}

void TConvertJob::OnOggEnded(const TProcessInfo& info) {
    const int i = Current;
    // The Vorbis writer's worker lets go of its files a moment after its end event.
    WaitMilliseconds(300);
    if (info.Status != 4 && !info.Ok)
        ErrorBox(FailureText(ResText("RES_Check_OggOptions", "Create OGG file error!\r\nPlease check the output and "
                                                             "Ogg options or run application again."),
                             OutputOf(i), info.Reason));
    if (EndEncodedEntry(i, info, OggCount, 300))
        return;
    StartOggEntry(Current, false);
}

void TConvertJob::WaveOut1Done() {
    TProcessInfo info;
    info.Code = JobCode::Resampled;
    info.Ok = !ResampleFailed;
    info.Reason = ResampleError;
    SendJobInfo(this, info);
}

void TConvertJob::OnResampled(const TProcessInfo& info) {
    const bool mp3 = JobKind == TJobKind::WavToMp3;
    const int i = Current;
    if (!info.Ok)
        // A cut-short temporary file must not be encoded as if it were the whole input.
        return SkipEntry(i, mp3 ? JobCode::Mp3Ended : JobCode::OggEnded,
                         JobList.value(i) + QStringLiteral(": ") + info.Reason);
    SetStep(QStringLiteral("Encoding"), i, ResText("RES_Encoding", "Encoding"));
    if (mp3)
        StartMp3Run(i, TemporaryFile());
    else
        StartOggRun(i, TemporaryFile());
}

void TConvertJob::OnWmaEnded(const TProcessInfo& info) {
    Step.Timer1.stop();
    const int i = Current;
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
    SetStep(QStringLiteral("Encoding"), Current, ResText("RES_Encoding", "Encoding"));
    Progress.Estimated.clear();
    StartWmaRun(Current, JobList[Current]);
}

void TConvertJob::Timer1Timer() {
    if (Step.WmaTick(Progress, true))
        Notify();
}

void TConvertJob::Stop() {
    if (Finished)
        return;
    if (JobKind == TJobKind::WavToOgg) {
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

void TConvertJob::Finish() {
    if (Finished)
        return;
    JobList.clear();
    Finished = true;
    Awaited = 0;
    Step.KillEncoders();
    // A resample still writing its temporary file would keep it from being removed.
    if (WaveOut1.Status() != osIdle)
        WaveOut1.Stop(false);
    if ((JobKind == TJobKind::WavToMp3 || JobKind == TJobKind::WavToOgg) && TemporaryWritten)
        DeleteUnused(TemporaryFile());
}
