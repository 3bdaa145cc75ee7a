// The rip pipeline (see RipPipeline.h).
#include "jobs/RipPipeline.h"

#include "cd/ripthread.h"
#include "jobs/RipLog.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "platform/Prompter.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QThread>

namespace {

const char* const ExtractingText = "Extracting...";
const char* const TestingText = "Testing...";
const char* const EncodingText = "Encoding...";
const char* const InitializingText = "Initializing...";

// The failure box of an encode step: what the step is, then which file and why, one per line.
QString FailureText(const QString& what, const QString& output, const QString& reason) {
    return what + QStringLiteral("\r\n") + output + QStringLiteral(": ") + reason;
}

void DeleteUnused(const QString& path) {
    if (QFileInfo::exists(path) && !IsFileInUse(path))
        QFile::remove(path);
}

bool IsEncodeEnd(int32_t code) {
    return code == JobCode::Mp3Ended || code == JobCode::OggEnded || code == JobCode::WmaEnded ||
           code == JobCode::FlacEnded;
}

// The database's answer, from the thread that asked for it.
constexpr QEvent::Type AnswerEventType = static_cast<QEvent::Type>(QEvent::User + 120);
class TAnswerEvent : public QEvent {
public:
    explicit TAnswerEvent(TAccurateRipAnswer answer) : QEvent(AnswerEventType), Answer(std::move(answer)) {}
    TAccurateRipAnswer Answer;
};

} // namespace

TRipPipeline::TRipPipeline(const TRipRequest& request, std::unique_ptr<TTrackSource> source, TRipWindow window,
                           TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma, QObject* parent)
    : TJobController(parent), Step(mp3, wma), Req(request), Reader(std::move(source)), Window(window) {
    const bool cdRip = Window == TRipWindow::CDRip;
    Step.OggEndCode = cdRip ? JobCode::Mp3Ended : JobCode::OggEnded;
    Step.OggProgressTimes = !cdRip;
    if (!cdRip) {
        // Only the quality of the options; no bit-rate manager and no comments.
        Step.VorbisOut1.Compression = Req.Ogg.Quality();
        Step.VorbisOut1.SetDesiredNominalBitrate(brAutoSelect);
    }
    connect(&Step, &TEncodeStep::Report, this, &TRipPipeline::OnStepReport);
    connect(&Step.Timer1, &QTimer::timeout, this, [this] {
        if (Step.WmaTick(Progress, Window == TRipWindow::Job)) {
            if (Window == TRipWindow::CDRip)
                GaugeHint = ProgressHint;
            Notify();
        }
    });
    connect(Reader.get(), &TTrackSource::Progress, this, &TRipPipeline::OnSourceProgress);
    connect(Reader.get(), &TTrackSource::Normalizing, this, &TRipPipeline::OnNormalizing);
    connect(Reader.get(), &TTrackSource::DriveError, this, &TRipPipeline::OnDriveError);
    connect(Reader.get(), &TTrackSource::Ended, this, &TRipPipeline::OnExtracted);
    Tags.EveryMp3 = cdRip;
    connect(&Tags, &TRipTags::Ready, this, [this] {
        if (EndWhenAnswered && !AnswerPending)
            EndJob();
    });

    Results.resize(Req.Tracks.size());
    Reads.resize(Req.Tracks.size());
    Passes.resize(Req.Tracks.size());
    for (size_t i = 0; i < Req.Tracks.size(); ++i)
        Results[i].Output = Req.OutputOf(i);
    InitText = ResText("RES_Initing", "Initializing...");
    GroupCaption = ResText("RES_Extracting", "Extracting");
    OutputFormatText = OutputFormatName(Req.Format);
    SelectedTracks = QString::number(Count());
    Completed = QStringLiteral("0");
}

TRipPipeline::~TRipPipeline() {
    Finish();
}

QStringList TRipPipeline::FilesWritten() const {
    QStringList files;
    for (size_t i = 0; i < Results.size(); ++i) {
        if (Results[i].Ok)
            files << Results[i].Output;
        if (Req.Format != ofWAV && Req.KeepWav && QFileInfo::exists(Req.WavOf(i)))
            files << Req.WavOf(i);
    }
    return files;
}

QString TRipPipeline::ItemText(int i) const {
    const TTrackEntry& t = Req.Tracks[size_t(i)];
    return TwoDigits(t.Number) + CleanFileName(t.Title);
}

void TRipPipeline::Start() {
    ExtractedCount = 0;
    EncodedCount = 0;
    ProgressSeen = false;
    if (Count() == 0) {
        Finish();
        EndJob();
        return;
    }
    // The database is asked while the drive reads: its answer is there when the first
    // tracks end.
    const TAccurateRipIds ids = AccurateRipIds(Req.Layout);
    if (Req.AccurateRip && Req.LengthLimit == 0 && ids.AudioTracks > 0) {
        AnswerPending = true;
        const TGuardedReceiver inbox = Inbox.Handle();
        const QString server = Req.AccurateRipServer;
        QThread* asking =
            QThread::create([inbox, server, ids] { inbox.Post(new TAnswerEvent(FetchAccurateRip(server, ids))); });
        connect(asking, &QThread::finished, asking, &QObject::deleteLater);
        asking->start();
    }
    // The cover is fetched while the drive reads, too.
    Tags.Start();
    StartExtraction(0, true);
    if (Window == TRipWindow::Job && !Finished) {
        const int32_t percent = Progress.Percent;
        Progress.Reset();
        Progress.Percent = percent;
    }
    Notify();
}

void TRipPipeline::StartExtraction(int i, bool initializing) {
    if (Window == TRipWindow::CDRip)
        GaugeHint = QString::fromLatin1(initializing ? InitializingText : ExtractingText);
    // Test & copy: a test read first, without the gain pass.
    if (Req.TestAndCopy)
        StartRead(i, QStringLiteral("Testing"), false);
    else
        StartRead(i, QStringLiteral("Extracting"), true);
}

void TRipPipeline::StartRead(int i, const QString& word, bool normalize) {
    const TTrackEntry& t = Req.Tracks[size_t(i)];
    const bool testing = word == QLatin1String("Testing");
    if (Window == TRipWindow::Job) {
        SetStep(word, i, testing ? ResText("RES_Testing", "Testing") : ResText("RES_Extracting", "Extracting"));
    } else {
        CurrentTrack = t.Title;
        ProgressHint = QString::fromLatin1(testing ? TestingText : ExtractingText);
        Completed = QString::number(ExtractedCount);
    }
    Progress.Reset();
    Reading = i + 1;
    Reader->Start(Reading, Req.WavOf(size_t(i)), normalize);
    if (Window == TRipWindow::CDRip)
        Notify();
}

bool TRipPipeline::ReadAgain(int i, const TTrackRead& read) {
    TPasses& p = Passes[size_t(i)];
    if (p.Done < 3)
        p.Crc[p.Done++] = read.Crc32;
    // A read that failed ends the track as it is.
    if (!read.Ok)
        return false;
    if (p.Done == 1) {
        StartRead(i, QStringLiteral("Extracting"), true);
        return true;
    }
    // Secure reading reads a track whose test and copy differ once more.
    if (p.Done == 2 && p.Crc[0] != p.Crc[1] && Req.SecureReading) {
        StartRead(i, QStringLiteral("Extracting"), true);
        return true;
    }
    return false;
}

void TRipPipeline::OnSourceProgress(const TProcessInfo& info) {
    if (Finished || info.Track != Reading)
        return;
    OnProgressReport(info);
}

void TRipPipeline::OnProgressReport(const TProcessInfo& info) {
    if (Window == TRipWindow::Job) {
        Step.Timer1.stop();
        ProgressSeen = true;
        Progress.Report(info.Code, info.Elapsed, info.Estimated);
    } else {
        if (info.Code < 1)
            return;
        Step.Timer1.stop();
        Progress.Report(info.Code, QString(), QString());
        GaugeHint = ProgressHint;
    }
    Notify();
}

void TRipPipeline::OnNormalizing(int32_t index) {
    if (Finished || index != Reading)
        return;
    if (Window == TRipWindow::Job)
        SetStep(QStringLiteral("Normalizing"), ExtractedCount, QString());
    Notify();
}

void TRipPipeline::OnDriveError(int32_t code) {
    if (Finished)
        return;
    Stalled = true;
    if (code == RipErrorModifyParms)
        ErrorBox(ResText("RES_ModifyCDParmsError", "CD extract failed!Please try again."));
    else if (code == RipErrorReadToc)
        ErrorBox(ResText("RES_ReadTocError", "Error while reading TOC information!"));
    Notify();
}

void TRipPipeline::OnExtracted(int32_t index, const TTrackRead& read) {
    if (Finished || index != Reading)
        return;
    Reading = 0;
    Reads[size_t(index - 1)] = read;
    if (Req.TestAndCopy && ReadAgain(index - 1, read))
        return;
    if (Window == TRipWindow::Job)
        ExtractedInJob(index - 1, read);
    else
        ExtractedInCDRip(index - 1, read);
    Notify();
}

void TRipPipeline::OnStepReport(const TProcessInfo& info) {
    if (Finished || info.Track == 0 || info.Track != Encoding)
        return;
    if (!IsEncodeEnd(info.Code)) {
        OnProgressReport(info);
        return;
    }
    Encoding = 0;
    if (Window == TRipWindow::Job)
        EncodeEndedInJob(info);
    else
        EncodeEndedInCDRip(info);
    Notify();
}

void TRipPipeline::EndTrack(int i, bool ok, const QString& reason) {
    if (!EndEntry(i, ok, reason))
        return;
    TTrackResult r;
    r.Index = i + 1;
    r.Number = Req.Tracks[size_t(i)].Number;
    const size_t at = size_t(r.Number - 1);
    r.DiscNumber = at < Req.Layout.Tracks.size() ? Req.Layout.Tracks[at].Number : r.Number;
    r.Title = Req.Tracks[size_t(i)].Title;
    r.Read = Reads[size_t(i)];
    r.Ok = ok;
    r.Reason = reason;
    const TPasses& p = Passes[size_t(i)];
    if (Req.TestAndCopy && p.Done >= 2) {
        r.Tested = true;
        r.TestCrc = p.Crc[0];
        r.Reread = p.Done == 3;
        r.RereadCrc = p.Crc[2];
        // Two reads that agree settle it; a third read that agrees with neither does not.
        r.Suspicious = r.Reread ? p.Crc[2] != p.Crc[0] && p.Crc[2] != p.Crc[1] : p.Crc[0] != p.Crc[1];
    }
    if (Req.Format != ofWAV)
        r.Encode = !r.Read.Ok ? QStringLiteral("not encoded") : ok ? QStringLiteral("ok") : QStringLiteral("failed: ") + reason;
    if (ok)
        r.Files << Results[size_t(i)].Output;
    // The WAV stays when it is kept, or when it is the only copy of the track's audio.
    if (Req.Format != ofWAV && (Req.KeepWav || !ok) && QFileInfo::exists(Req.WavOf(size_t(i))))
        r.Files << Req.WavOf(size_t(i));
    Verify(r);
    Ended.push_back(r);
    Q_EMIT TrackFinished(r);
    if (r.AccurateRip.Kind != TAccurateRipVerdict::Unchecked || !r.AccurateRip.Text.isEmpty()) {
        ResultLine = ResultLineOf(r);
        Q_EMIT TrackVerified(r);
    }
}

// The window's line for a finished track: its AccurateRip result, and a warning when test
// and copy differed.
QString TRipPipeline::ResultLineOf(const TTrackResult& r) {
    QString line = QStringLiteral("AccurateRip: track %1: ").arg(r.DiscNumber) + r.AccurateRip.Text;
    if (r.Suspicious)
        line += QStringLiteral("; suspicious (its reads differ)");
    return line;
}

void TRipPipeline::Verify(TTrackResult& r) {
    if (!r.AccurateRip.Text.isEmpty())
        return;
    TAccurateRipVerdict& v = r.AccurateRip;
    const size_t at = size_t(r.Number - 1);
    int32_t audioIndex = -1;
    for (size_t k = 0, audio = 0; k < Req.Layout.Tracks.size(); ++k) {
        if (Req.Layout.Tracks[k].Data)
            continue;
        if (k == at)
            audioIndex = int32_t(audio);
        ++audio;
    }
    if (!Req.AccurateRip)
        v.Text = QStringLiteral("not checked (AccurateRip is off)");
    else if (Req.LengthLimit > 0)
        v.Text = QStringLiteral("not checked (the tracks were cut to %1 s)").arg(Req.LengthLimit);
    else if (audioIndex < 0)
        v.Text = QStringLiteral("not checked (the disc's layout is not known)");
    else if (!r.Read.Ok)
        v.Text = QStringLiteral("not checked (the track was not read whole)");
    else if (AnswerPending && Stopping)
        v.Text = QStringLiteral("not checked (the rip was stopped before the database answered)");
    else if (!AnswerPending)
        v = JudgeTrack(Answer, audioIndex, r.Read.AccurateRipV1, r.Read.AccurateRipV2);
}

bool TRipPipeline::event(QEvent* e) {
    if (e->type() != AnswerEventType)
        return TJobController::event(e);
    OnAnswer(static_cast<TAnswerEvent*>(e)->Answer);
    return true;
}

void TRipPipeline::OnAnswer(const TAccurateRipAnswer& answer) {
    if (!AnswerPending)
        return;
    Answer = answer;
    AnswerPending = false;
    for (TTrackResult& r : Ended) {
        if (!r.AccurateRip.Text.isEmpty())
            continue;
        Verify(r);
        ResultLine = ResultLineOf(r);
        Q_EMIT TrackVerified(r);
    }
    Notify();
    if (EndWhenAnswered && !Tags.Pending())
        EndJob();
}

void TRipPipeline::EndJob() {
    if ((AnswerPending || Tags.Pending()) && !Stopping) {
        // The last track is done; the database's answer completes the results and the log, the
        // cover's the files' tags (each at most its time-outs away).
        EndWhenAnswered = true;
        ResultLine = AnswerPending ? QStringLiteral("AccurateRip: waiting for the database...")
                                   : QStringLiteral("Cover art: waiting for the server...");
        Notify();
        return;
    }
    if (Stopping) {
        for (TTrackResult& r : Ended) {
            if (!r.AccurateRip.Text.isEmpty())
                continue;
            Verify(r);
            Q_EMIT TrackVerified(r);
        }
        AnswerPending = false;
        Tags.Abandon();
    }
    // The log's hashes are of the files as they stay: the album's tags go in first.
    TagAlbum();
    WriteLogFiles();
    TJobController::EndJob();
}

void TRipPipeline::TagTrack(int i) {
    QString error;
    if (!Tags.TagTrack(size_t(i), Reads[size_t(i)], error))
        TagNote(error);
}

void TRipPipeline::TagNote(const QString& text) {
    // A plain note, not an error box: the files themselves were written.
    if (Boxes && Window == TRipWindow::Job)
        Prompter().Show(text, TPromptIcon::None, TPromptButtons::Ok);
    else
        Q_EMIT Failure(text);
}

void TRipPipeline::TagAlbum() {
    if (AlbumTagged)
        return;
    AlbumTagged = true;
    std::vector<TAlbumTrack> tracks;
    for (const TTrackResult& r : Ended)
        if (r.Ok && r.Read.Ok && size_t(r.Index - 1) < Req.Tracks.size())
            tracks.push_back({Req.OutputOf(size_t(r.Index - 1)), r.Read.Loudness, r.Read.Peak});
    for (const QString& failure : Tags.Finish(tracks))
        TagNote(failure);
}

void TRipPipeline::WriteLogFiles() {
    if (!Req.WriteLog || Ended.empty() || !LogFile.isEmpty())
        return;
    const TRipLogInput in{Req, Ended, Answer, Stopping || int32_t(Ended.size()) < Count(),
                          QDateTime::currentDateTime(), &Tags};
    if (!WriteRipLog(in, LogFile, CueFile, LogError)) {
        LogFile.clear();
        CueFile.clear();
    }
}

// ---------------------------------------------------------------------------------------------
// The job window

void TRipPipeline::SetStep(const QString& word, int i, const QString& group) {
    Caption =
        word + '(' + TwoDigits(i + 1) + '/' + TwoDigits(Count()) + QStringLiteral("): ") + Req.Tracks[size_t(i)].Title;
    if (!group.isEmpty())
        GroupCaption = group;
}

void TRipPipeline::ErrorBox(const QString& text) {
    if (!Boxes) {
        Q_EMIT Failure(text);
        return;
    }
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

void TRipPipeline::ExtractedInJob(int i, const TTrackRead& read) {
    const QString wav = Req.WavOf(size_t(i));
    QString reason;
    switch (read.Status) {
    case rsOk:
        break;
    case rsReadFailed:
        reason = read.Reason.isEmpty() ? ResText("RES_ReadCDAudioError", "Error while reading CD information!")
                                       : read.Reason;
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
    const bool ok = read.Status == rsOk;
    if (Req.Format == ofWAV) {
        EndTrack(i, ok, reason);
        if (ExtractedCount >= Count()) {
            Finish();
            EndJob();
        } else {
            StartExtraction(ExtractedCount, true);
        }
        return;
    }
    // The extraction's worker is let go before the WMA utility starts.
    if (Req.Format == ofWMA)
        Reader->Release();
    if (!ok) {
        // The encode step of a track that was not read is skipped; the failure was shown.
        ProgressSeen = true;
        TProcessInfo skipped;
        skipped.Code = Req.Format == ofOGG    ? JobCode::OggEnded
                       : Req.Format == ofWMA  ? JobCode::WmaEnded
                       : Req.Format == ofFLAC ? JobCode::FlacEnded
                                              : JobCode::Mp3Ended;
        skipped.Status = 4;
        skipped.Reason = reason;
        skipped.Track = i + 1;
        Encoding = i + 1;
        QMetaObject::invokeMethod(
            this, [this, skipped] { OnStepReport(skipped); }, Qt::QueuedConnection);
        return;
    }
    SetStep(QStringLiteral("Encoding"), i, ResText("RES_Encoding", "Encoding"));
    // The gauge starts over for the encode; the extraction's 100 % would say it is done.
    Progress.Reset();
    Progress.InitVisible = false;
    StartEncodeInJob(i);
}

void TRipPipeline::StartStep(const std::function<void()>& start) {
    try {
        start();
    } catch (const std::exception& e) {
        // Without its encoder or writer nothing can go on; the rip waits for Stop, as after a
        // drive error. (Only the WMA step runs the timer; stopping it is harmless elsewhere.)
        Step.Timer1.stop();
        Encoding = 0;
        Stalled = true;
        ErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

void TRipPipeline::StartEncodeInJob(int i) {
    const QString wav = Req.WavOf(size_t(i));
    const QString output = Req.OutputOf(size_t(i));
    Encoding = i + 1;
    Step.Track = Encoding;
    if (Req.Format == ofMP3) {
        StartStep([&] { Step.StartMp3(wav, output, true, TJobKind::RipTracks, Req.Mp3); });
    } else if (Req.Format == ofOGG) {
        StartStep([&] { Step.StartOgg(wav, output); });
    } else if (Req.Format == ofFLAC) {
        StartStep([&] { Step.StartFlac(wav, output, Req.Flac); });
    } else {
        StartStep(
            [&] { Step.StartWma(wav, output, TJobKind::RipTracks, Req.Wma, RipWmaTags(Req, size_t(i)), Progress); });
    }
}

bool TRipPipeline::EndEncodedEntry(int i, const TProcessInfo& info, int32_t settleMs) {
    EndTrack(i, info.Ok, info.Reason);
    ProgressSeen = false;
    return CountEntryEnd(EncodedCount, settleMs);
}

void TRipPipeline::EncodeEndedInJob(const TProcessInfo& info) {
    const int i = info.Track - 1;
    const QString output = Req.OutputOf(size_t(i));
    int32_t settleMs = 0;
    if (info.Code == JobCode::Mp3Ended) {
        if (info.Status == 1) {
            ErrorBox(ItemText(i) + ResText("RES_Operate_Fail", "maybe be used,operate fail!"));
        } else if (info.Status == 2 && !info.Ok) {
            ErrorBox(FailureText(ResText("RES_Check_Mp3Options", "Create MP3 file error!\r\nPlease check the output "
                                                                 "and lame options or run application again."),
                                 output, info.Reason));
        }
        if (info.Status == 2 && info.Ok)
            TagTrack(i);
    } else if (info.Code == JobCode::FlacEnded) {
        if (info.Status != 4 && !info.Ok)
            ErrorBox(FailureText(ResText("RES_Check_FlacOptions", "Create FLAC file error!\r\nPlease check the output "
                                                                  "and FLAC options or run application again."),
                                 output, info.Reason));
        if (info.Ok)
            TagTrack(i);
    } else if (info.Code == JobCode::OggEnded) {
        // The Vorbis writer's worker lets go of its files a moment after its end event.
        WaitMilliseconds(300);
        if (info.Status != 4 && !info.Ok)
            ErrorBox(FailureText(ResText("RES_Check_OggOptions", "Create OGG file error!\r\nPlease check the output "
                                                                 "and Ogg options or run application again."),
                                 output, info.Reason));
        if (info.Ok)
            TagTrack(i);
        settleMs = 300;
    } else {
        Step.Timer1.stop();
        if (info.Status == 1)
            ErrorBox(ItemText(i) + ResText("RES_Operate_Fail", "maybe be used,operate fail!"));
        else if (info.Status == 8)
            ErrorBox(info.Elapsed);
        else if (info.Status == 2 && !info.Ok)
            ErrorBox(FailureText(ResText("RES_Check_WmaOptions", "Create WMA file error!\r\nPlease check the output "
                                                                 "and WMA options or run application again."),
                                 output, info.Reason));
    }
    if (!EndEncodedEntry(i, info, settleMs))
        StartExtraction(ExtractedCount, true);
}

// ---------------------------------------------------------------------------------------------
// The CD rip window

void TRipPipeline::Report(const QString& line) {
    ProgressHint = line;
    GaugeHint = line;
    Q_EMIT Failure(line);
}

void TRipPipeline::ExtractedInCDRip(int i, const TTrackRead& read) {
    ++ExtractedCount;
    Completed = QString::number(ExtractedCount);
    const QString wav = Req.WavOf(size_t(i));
    if (!read.Ok) {
        const QString reason = read.Reason.isEmpty()
                                   ? ResText("RES_ReadCDAudioError", "Error while reading CD information!")
                                   : read.Reason;
        EndTrack(i, false, reason);
        Report(ResText("RES_Rip_Extract_Failed", "%1: extraction failed: %2").arg(wav, reason));
        NextOrEnd(false);
        return;
    }
    // The CD input announces a run one sector longer than it delivers, so the writer's own
    // progress stops short of 100 % at a complete track.
    Progress.Report(100, QString(), QString());
    Notify();
    if (Req.Format == ofWAV) {
        EndTrack(i, true, QString());
        NextOrEnd(false);
        return;
    }
    const QString output = Req.OutputOf(size_t(i));
    ProgressHint = QString::fromLatin1(EncodingText);
    GaugeHint = ProgressHint;
    Progress.Reset();
    Step.WaveIn1.SetFileName(wav);
    Encoding = i + 1;
    Step.Track = Encoding;
    try {
        if (Req.Format == ofOGG) {
            ApplyOggSettings(Step.VorbisOut1, Req.Ogg, Req.UseTags ? &Req.Disc : nullptr);
            Step.StartOgg(wav, output);
        } else if (Req.Format == ofWMA) {
            Step.StartWma(wav, output, TJobKind::RipTracks, Req.Wma, RipWmaTags(Req, size_t(i)), Progress);
        } else if (Req.Format == ofFLAC) {
            Step.StartFlac(wav, output, Req.Flac);
        } else {
            Step.StartMp3(wav, output, true, TJobKind::RipTracks, Req.Mp3);
        }
    } catch (const std::exception& e) {
        // The encoder could not be started: this track's encode failed, its WAV stays.
        Step.Timer1.stop();
        TProcessInfo failed;
        failed.Code = JobCode::Mp3Ended;
        failed.Status = 2;
        failed.Reason = QString::fromLocal8Bit(e.what());
        failed.Track = Encoding;
        Encoding = 0;
        EncodeEndedInCDRip(failed);
    }
}

void TRipPipeline::EncodeEndedInCDRip(const TProcessInfo& info) {
    Step.Timer1.stop();
    // The encoder lets go of its files a moment after its end event.
    WaitMilliseconds(300);
    const int i = info.Track - 1;
    const QString wav = Req.WavOf(size_t(i));
    QString reason = info.Reason;
    if (info.Status == 8 && reason.isEmpty())
        reason = info.Elapsed;
    if (info.Ok) {
        if (!Req.KeepWav)
            DeleteUnused(wav);
        TagTrack(i);
        EndTrack(i, true, QString());
    } else {
        EndTrack(i, false, reason);
        Report(ResText("RES_Rip_Encode_Failed", "%1: encoding failed (%2 kept): %3")
                   .arg(Req.OutputOf(size_t(i)), wav, reason));
    }
    NextOrEnd(true);
}

void TRipPipeline::NextOrEnd(bool afterEncode) {
    if (ExtractedCount >= Count()) {
        // The encoder's files settle before the window goes; a WAV rip has nothing to wait for.
        if (afterEncode)
            WaitMilliseconds(300);
        EndJob();
        return;
    }
    // After a failure the hint line keeps the failure until the next track's first report.
    const QString hint = ProgressHint;
    const bool failed = !Results[size_t(ExtractedCount - 1)].Ok;
    StartExtraction(ExtractedCount, Req.Format == ofWAV);
    if (failed)
        ProgressHint = hint;
}

// ---------------------------------------------------------------------------------------------
// Stop and the clean-up

void TRipPipeline::Stop() {
    if (Finished)
        return;
    Stopping = true;
    if (Window == TRipWindow::Job) {
        if (Req.Format == ofOGG) {
            try {
                Step.VorbisOut1.Pause();
            } catch (const std::exception&) {
            }
            Step.VorbisOut1.Stop(true);
            WaitMilliseconds(300);
        }
        Finish();
        EndJob();
        return;
    }
    // The sink of the running step: the source's writer or the Vorbis writer.
    if (Reader->Reading()) {
        Reader->Stop();
    } else if (Step.OggRunning()) {
        try {
            Step.VorbisOut1.Pause();
        } catch (const std::exception&) {
        }
        Step.VorbisOut1.Stop(false);
    }
    WaitMilliseconds(300);
    // A child left running would keep writing while the wrappers may be given the next job.
    Step.KillEncoders();
    Reading = 0;
    Encoding = 0;
    EndJob();
}

void TRipPipeline::Finish() {
    if (Finished && Window == TRipWindow::Job)
        return;
    Reading = 0;
    Encoding = 0;
    if (Window == TRipWindow::Job) {
        Reader->Stop();
        // A rip's WAV files go once every track is read, but only those whose encode
        // succeeded: the WAV of a failed encode is the only copy of that track's audio.
        if (ExtractedCount >= Count() && Req.Format != ofWAV && !Req.KeepWav)
            for (size_t i = 0; i < Results.size(); ++i)
                if (Results[i].Ok)
                    DeleteUnused(Req.WavOf(i));
        Finished = true;
        Step.KillEncoders();
        return;
    }
    if (Step.OggRunning())
        Step.VorbisOut1.Stop(false);
    Reader->Stop();
    Step.KillEncoders();
    Step.WaveIn1.SetFileName(QString());
    Step.VorbisOut1.SetFileName(QString());
    Finished = true;
}
