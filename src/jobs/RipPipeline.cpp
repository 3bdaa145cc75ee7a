// The rip pipeline (see RipPipeline.h).
#include "jobs/RipPipeline.h"

#include "cd/ripthread.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "jobs/RipLog.h"
#include "jobs/RipState.h"
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
    // The first step runs on the given wrappers; more steps, with wrappers of their own, only
    // when the drive reads on while tracks are encoded.
    const int32_t steps = Req.Pipeline && Req.Format != ofWAV ? std::max(1, Req.EncoderThreads) : 1;
    for (int32_t n = 0; n < steps; ++n) {
        auto slot = std::make_unique<TEncodeSlot>();
        if (n == 0) {
            slot->Step = &Step;
        } else {
            slot->Own = std::make_unique<TEncodeStep>(nullptr, nullptr);
            slot->Step = slot->Own.get();
        }
        TEncodeSlot* s = slot.get();
        ConfigureStep(*s->Step);
        connect(s->Step, &TEncodeStep::Report, this, [this, s](const TProcessInfo& info) { OnStepReport(*s, info); });
        connect(&s->Step->Timer1, &QTimer::timeout, this, [this, s] { OnWmaTick(*s); });
        Slots.push_back(std::move(slot));
    }
    connect(Reader.get(), &TTrackSource::Progress, this, &TRipPipeline::OnSourceProgress);
    connect(Reader.get(), &TTrackSource::Normalizing, this, &TRipPipeline::OnNormalizing);
    connect(Reader.get(), &TTrackSource::DriveError, this, &TRipPipeline::OnDriveError);
    connect(Reader.get(), &TTrackSource::Ended, this, &TRipPipeline::OnExtracted);
    Tags.EveryMp3 = Window == TRipWindow::CDRip;
    connect(&Tags, &TRipTags::Ready, this, [this] {
        if (EndWhenAnswered && !AnswerPending)
            EndJob();
    });

    Results.resize(Req.Tracks.size());
    Reads.resize(Req.Tracks.size());
    Passes.resize(Req.Tracks.size());
    States.resize(Req.Tracks.size());
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

void TRipPipeline::ConfigureStep(TEncodeStep& step) {
    const bool cdRip = Window == TRipWindow::CDRip;
    step.OggEndCode = cdRip ? JobCode::Mp3Ended : JobCode::OggEnded;
    step.OggProgressTimes = !cdRip;
    if (!cdRip) {
        // Only the quality of the options; no bit-rate manager and no comments.
        step.VorbisOut1.Compression = Req.Ogg.Quality();
        step.VorbisOut1.SetDesiredNominalBitrate(brAutoSelect);
    }
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

int32_t TRipPipeline::OverallPercent() const {
    if (States.empty())
        return 100;
    // A track that is encoded is half read, half encoded.
    const int32_t readShare = Req.Format == ofWAV ? 100 : 50;
    int64_t sum = 0;
    for (const TTrackState& t : States) {
        switch (t.Stage) {
        case TTrackState::Waiting:
            break;
        case TTrackState::Reading:
            sum += int64_t(t.Percent) * readShare / 100;
            break;
        case TTrackState::Queued:
            sum += readShare;
            break;
        case TTrackState::Encoding:
            sum += readShare + int64_t(t.Percent) * (100 - readShare) / 100;
            break;
        case TTrackState::Done:
        case TTrackState::Failed:
            sum += 100;
            break;
        }
    }
    return int32_t(sum / int64_t(States.size()));
}

void TRipPipeline::SetStage(int i, TTrackState::TStage stage, int32_t percent) {
    TTrackState& t = States[size_t(i)];
    t.Stage = stage;
    t.Percent = std::clamp(percent, 0, 100);
}

QString TRipPipeline::StepCaption(int i, const QString& word) const {
    if (Window == TRipWindow::Job)
        return word + '(' + TwoDigits(i + 1) + '/' + TwoDigits(Count()) + QStringLiteral("): ") +
               Req.Tracks[size_t(i)].Title;
    return Req.Tracks[size_t(i)].Title + QStringLiteral(": ") + word + QStringLiteral("...");
}

void TRipPipeline::Start() {
    ExtractedCount = 0;
    EncodedCount = 0;
    EndedCount = 0;
    NextRead = 0;
    NextToTell = 0;
    Clock.start();
    if (Count() == 0) {
        Finish();
        EndJob();
        return;
    }
    if (Req.WriteLog) {
        StatePath = RipStatePath(Req);
        State.Request = RipStateFields(Req);
        State.Album = Req.Disc.Album;
        State.Count = Count();
        State.LogPath = Req.EarlierLog;
        State.CuePath = Req.EarlierCue;
    }
    // A resumed rip: the tracks taken from the earlier run end at once.
    Carried.assign(size_t(Count()), false);
    for (const TTrackResult& earlier : Req.Earlier)
        if (earlier.Index >= 1 && earlier.Index <= Count())
            Carried[size_t(earlier.Index - 1)] = true;
    for (const TTrackResult& earlier : Req.Earlier)
        if (earlier.Index >= 1 && earlier.Index <= Count())
            EndCarried(earlier);
    SkipCarried();
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
    if (NextRead >= Count()) {
        // Nothing is left to read.
        Pump();
        return;
    }
    StartExtraction(NextRead++, true);
    SkipCarried();
    if (Window == TRipWindow::Job && !Finished) {
        const int32_t percent = Progress.Percent;
        Progress.Reset();
        Progress.Percent = percent;
    }
    Notify();
}

bool TRipPipeline::AnyEncoding() const {
    for (const auto& s : Slots)
        if (s->Entry != 0)
            return true;
    return false;
}

TRipPipeline::TEncodeSlot* TRipPipeline::FreeSlot() {
    for (auto& s : Slots)
        if (s->Entry == 0)
            return s.get();
    return nullptr;
}

bool TRipPipeline::MayRead() const {
    if (Reading != 0 || NextRead >= Count() || Stalled || Stopping || Finished)
        return false;
    int32_t held = int32_t(Waiting.size());
    for (const auto& s : Slots)
        held += s->Entry != 0 ? 1 : 0;
    // Without the pipeline a track is encoded before the next is read. With it, the drive reads
    // on while every encoder is busy, and the WAV it writes then waits for the first encoder
    // that is free: at most EncoderThreads + 1 WAV files of the rip exist at once.
    return Req.Pipeline ? held <= int32_t(Slots.size()) : held == 0;
}

void TRipPipeline::Pump() {
    if (Finished)
        return;
    // Encodes go in track order to whichever step is free.
    while (!Waiting.empty() && !Stalled && !Stopping) {
        TEncodeSlot* slot = FreeSlot();
        if (!slot)
            break;
        const int i = Waiting.front();
        Waiting.pop_front();
        StartEncode(*slot, i);
    }
    if (Finished)
        return;
    if (MayRead()) {
        // After a failure the CD rip window's hint line keeps it until the next track reports.
        const QString hint = ProgressHint;
        const bool failed =
            ExtractedCount > 0 && !Results[size_t(ExtractedCount - 1)].Ok && Results[size_t(ExtractedCount - 1)].Ended;
        StartExtraction(NextRead++, Window == TRipWindow::Job || Req.Format == ofWAV);
        SkipCarried();
        if (Window == TRipWindow::CDRip && failed)
            ProgressHint = hint;
        return;
    }
    if (!AllEnded() || Reading != 0 || AnyEncoding())
        return;
    // Without the pipeline the encoders let go of their files a moment after their end events;
    // a step's files are closed before its end event is sent, so the pipeline does not wait.
    const bool settle = !Req.Pipeline && Req.Format != ofWAV && (Window == TRipWindow::CDRip || Req.Format == ofOGG);
    if (Window == TRipWindow::Job)
        Finish();
    if (settle)
        WaitMilliseconds(300);
    EndJob();
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
    SetStage(i, TTrackState::Reading);
    Q_EMIT StepProgress(Reading, Window == TRipWindow::Job ? Caption : StepCaption(i, word), TJobProgress());
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
    if (info.Code >= 0 && info.Code <= 100)
        States[size_t(info.Track - 1)].Percent = info.Code;
    // Without the pipeline no encode runs while the drive reads; the WMA estimate of the last
    // one is over.
    if (!Req.Pipeline)
        Step.Timer1.stop();
    ShowProgress(info);
    if (Window == TRipWindow::Job || info.Code >= 1) {
        // The CD rip window's hint line may still hold the last failure; the step line does not.
        const bool testing = Req.TestAndCopy && Passes[size_t(info.Track - 1)].Done == 0;
        const QString word =
            Window == TRipWindow::Job
                ? Caption
                : StepCaption(info.Track - 1, testing ? QStringLiteral("Testing") : QStringLiteral("Extracting"));
        Q_EMIT StepProgress(info.Track, word, Progress);
    }
}

void TRipPipeline::ShowProgress(const TProcessInfo& info) {
    if (Window == TRipWindow::Job) {
        Progress.Report(info.Code, info.Elapsed, info.Estimated);
    } else {
        if (info.Code < 1)
            return;
        Progress.Report(info.Code, QString(), QString());
        GaugeHint = ProgressHint;
    }
    Notify();
}

void TRipPipeline::OnNormalizing(int32_t index) {
    if (Finished || index != Reading)
        return;
    if (Window == TRipWindow::Job) {
        SetStep(QStringLiteral("Normalizing"), index - 1, QString());
        Q_EMIT StepProgress(index, Caption, TJobProgress());
    }
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
    Pump();
    Notify();
}

void TRipPipeline::Queue(int i) {
    SetStage(i, TTrackState::Queued);
    Waiting.push_back(i);
}

void TRipPipeline::StartEncode(TEncodeSlot& slot, int i) {
    const QString wav = Req.WavOf(size_t(i));
    const QString output = Req.OutputOf(size_t(i));
    TEncodeStep& step = *slot.Step;
    slot.Entry = i + 1;
    slot.Progress.Reset();
    step.Track = slot.Entry;
    SetStage(i, TTrackState::Encoding);
    Q_EMIT StepProgress(slot.Entry, StepCaption(i, QStringLiteral("Encoding")), TJobProgress());
    // The window's lines follow the encode when no read is going on.
    if (Reading == 0) {
        if (Window == TRipWindow::Job) {
            SetStep(QStringLiteral("Encoding"), i, ResText("RES_Encoding", "Encoding"));
            // The gauge starts over for the encode; the extraction's 100 % would say it is done.
            Progress.Reset();
            Progress.InitVisible = false;
        } else {
            CurrentTrack = Req.Tracks[size_t(i)].Title;
            ProgressHint = QString::fromLatin1(EncodingText);
            GaugeHint = ProgressHint;
            Progress.Reset();
        }
    }
    try {
        if (Req.Format == ofMP3) {
            step.StartMp3(wav, output, true, TJobKind::RipTracks, Req.Mp3);
        } else if (Req.Format == ofOGG) {
            if (Window == TRipWindow::CDRip)
                ApplyOggSettings(step.VorbisOut1, Req.Ogg, Req.UseTags ? &Req.Disc : nullptr);
            step.StartOgg(wav, output);
        } else if (Req.Format == ofFLAC) {
            step.StartFlac(wav, output, Req.Flac);
        } else {
            step.StartWma(wav, output, TJobKind::RipTracks, Req.Wma, RipWmaTags(Req, size_t(i)), slot.Progress);
        }
    } catch (const std::exception& e) {
        step.Timer1.stop();
        const QString reason = QString::fromLocal8Bit(e.what());
        if (Window == TRipWindow::Job) {
            // Without its encoder or writer nothing can go on; the rip waits for Stop, as after a
            // drive error.
            slot.Entry = 0;
            Stalled = true;
            ErrorBox(reason);
            return;
        }
        // The CD rip window: this track's encode failed, its WAV stays.
        TProcessInfo failed;
        failed.Code = JobCode::Mp3Ended;
        failed.Status = 2;
        failed.Reason = reason;
        failed.Track = slot.Entry;
        EncodeEndedInCDRip(slot, failed);
    }
}

void TRipPipeline::OnWmaTick(TEncodeSlot& slot) {
    if (slot.Entry == 0)
        return;
    if (!slot.Step->WmaTick(slot.Progress, Window == TRipWindow::Job))
        return;
    States[size_t(slot.Entry - 1)].Percent = slot.Progress.Percent;
    Q_EMIT StepProgress(slot.Entry, StepCaption(slot.Entry - 1, QStringLiteral("Encoding")), slot.Progress);
    if (Reading == 0) {
        Progress = slot.Progress;
        if (Window == TRipWindow::CDRip)
            GaugeHint = ProgressHint;
    }
    Notify();
}

void TRipPipeline::OnStepReport(TEncodeSlot& slot, const TProcessInfo& info) {
    if (Finished || info.Track == 0 || info.Track != slot.Entry)
        return;
    if (!IsEncodeEnd(info.Code)) {
        if (Window == TRipWindow::Job)
            slot.Step->Timer1.stop();
        if (Window == TRipWindow::Job || info.Code >= 1) {
            slot.Progress.Report(info.Code, Window == TRipWindow::Job ? info.Elapsed : QString(),
                                 Window == TRipWindow::Job ? info.Estimated : QString());
            if (info.Code >= 0 && info.Code <= 100)
                States[size_t(info.Track - 1)].Percent = info.Code;
            Q_EMIT StepProgress(info.Track, StepCaption(info.Track - 1, QStringLiteral("Encoding")), slot.Progress);
        }
        if (Reading == 0)
            ShowProgress(info);
        return;
    }
    const int32_t entry = slot.Entry;
    slot.Entry = 0;
    TProcessInfo ended = info;
    ended.Track = entry;
    if (Window == TRipWindow::Job)
        EncodeEndedInJob(slot, ended);
    else
        EncodeEndedInCDRip(slot, ended);
    Pump();
    Notify();
}

void TRipPipeline::EndTrack(int i, bool ok, const QString& reason) {
    if (!EndEntry(i, ok, reason))
        return;
    ++EndedCount;
    SetStage(i, ok ? TTrackState::Done : TTrackState::Failed, 100);
    States[size_t(i)].Result = reason;
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
        r.Encode = !r.Read.Ok ? QStringLiteral("not encoded")
                   : ok       ? QStringLiteral("ok")
                              : QStringLiteral("failed: ") + reason;
    if (ok)
        r.Files << Results[size_t(i)].Output;
    // The WAV stays when it is kept, or when it is the only copy of the track's audio.
    if (Req.Format != ofWAV && (Req.KeepWav || !ok) && QFileInfo::exists(Req.WavOf(size_t(i))))
        r.Files << Req.WavOf(size_t(i));
    Verify(r);
    // The state names the track once its files are complete and on the disk.
    SaveState(r);
    Untold[i] = r;
    TellInTrackOrder(false);
}

void TRipPipeline::TellInTrackOrder(bool all) {
    // Encodes end in any order; the listeners hear of the tracks in track order.
    while (!Untold.empty() && (all || Untold.begin()->first == NextToTell)) {
        TTrackResult r = Untold.begin()->second;
        NextToTell = Untold.begin()->first + 1;
        Untold.erase(Untold.begin());
        Verify(r);
        Ended.push_back(r);
        Q_EMIT TrackFinished(r);
        if (r.AccurateRip.Kind != TAccurateRipVerdict::Unchecked || !r.AccurateRip.Text.isEmpty()) {
            ResultLine = ResultLineOf(r);
            if (r.Ok && !r.Earlier)
                States[size_t(r.Index - 1)].Result = VerdictText(r);
            Q_EMIT TrackVerified(r);
        }
    }
}

// The window's line for a finished track: its AccurateRip result, and a warning when test
// and copy differed.
QString TRipPipeline::ResultLineOf(const TTrackResult& r) {
    return QStringLiteral("AccurateRip: track %1: ").arg(r.DiscNumber) + VerdictText(r);
}

QString TRipPipeline::VerdictText(const TTrackResult& r) {
    QString text = r.AccurateRip.Text;
    if (r.Suspicious)
        text += QStringLiteral("; suspicious (its reads differ)");
    return text;
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
        if (r.Ok)
            States[size_t(r.Index - 1)].Result = VerdictText(r);
        if (auto t = State.Tracks.find(r.Number); t != State.Tracks.end())
            t->second.Result.AccurateRip = r.AccurateRip;
        Q_EMIT TrackVerified(r);
    }
    WriteState();
    Notify();
    if (EndWhenAnswered && !Tags.Pending())
        EndJob();
}

QString TRipPipeline::StateText(int i) const {
    const TTrackState& t = States[size_t(i)];
    switch (t.Stage) {
    case TTrackState::Waiting:
        return ResText("RES_Track_Waiting", "waiting");
    case TTrackState::Reading:
        return ResText("RES_Track_Reading", "reading %1 %").arg(t.Percent);
    case TTrackState::Queued:
        return ResText("RES_Track_Queued", "waiting for an encoder");
    case TTrackState::Encoding:
        return ResText("RES_Track_Encoding", "encoding %1 %").arg(t.Percent);
    case TTrackState::Done:
        return t.Result.isEmpty() ? ResText("RES_Track_Done", "done")
                                  : ResText("RES_Track_Done", "done") + QStringLiteral(": ") + t.Result;
    case TTrackState::Failed:
        break;
    }
    return t.Result.isEmpty() ? ResText("RES_Track_Failed", "failed")
                              : ResText("RES_Track_Failed", "failed") + QStringLiteral(": ") + t.Result;
}

void TRipPipeline::MakeSummary() {
    int32_t done = 0;
    int32_t failed = 0;
    for (const TTrackState& t : States) {
        done += t.Stage == TTrackState::Done ? 1 : 0;
        failed += t.Stage == TTrackState::Failed ? 1 : 0;
    }
    Summary = ResText("RES_Rip_Summary", "%1 of %2 tracks done, %3 failed, in %4")
                  .arg(done)
                  .arg(Count())
                  .arg(failed)
                  .arg(MinSecText(Clock.isValid() ? Clock.elapsed() / 1000 : 0));
    if (Stopping)
        Summary += ResText("RES_Rip_Stopped", " (stopped)");
}

void TRipPipeline::EndJob() {
    // A stopped rip's tracks after one that never ended are told now.
    TellInTrackOrder(true);
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
    // The log's hashes are of the files as they stay: the album's tags go in first, and the
    // state learns the files' new sizes and hashes.
    TagAlbum();
    if (!StatePath.isEmpty())
        for (const TTrackResult& r : Ended)
            if (r.Ok)
                State.Tracks[r.Number] = MakeRipStateTrack(r, QFileInfo(StatePath).absolutePath());
    WriteLogFiles();
    WriteState();
    MakeSummary();
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
    if (!Req.WriteLog || Ended.empty() || LogWritten)
        return;
    LogWritten = true;
    // In track order, tracks taken from an earlier run among them.
    std::vector<TTrackResult> tracks = Ended;
    std::stable_sort(tracks.begin(), tracks.end(),
                     [](const TTrackResult& a, const TTrackResult& b) { return a.Index < b.Index; });
    const TRipLogInput in{
        Req, tracks, Answer, Stopping || int32_t(Ended.size()) < Count(), QDateTime::currentDateTime(), &Tags};
    LogFile = Req.EarlierLog;
    CueFile = Req.EarlierCue;
    if (!WriteRipLog(in, LogFile, CueFile, LogError)) {
        LogFile.clear();
        CueFile.clear();
        return;
    }
    State.LogPath = LogFile;
    State.CuePath = CueFile;
    WriteState();
}

void TRipPipeline::SkipCarried() {
    while (NextRead < Count() && Carried[size_t(NextRead)])
        ++NextRead;
}

void TRipPipeline::EndCarried(const TTrackResult& earlier) {
    const int i = earlier.Index - 1;
    if (!EndEntry(i, earlier.Ok, earlier.Reason))
        return;
    ++EndedCount;
    ++ExtractedCount;
    SetStage(i, earlier.Ok ? TTrackState::Done : TTrackState::Failed, 100);
    TTrackResult r = earlier;
    r.Index = i + 1;
    r.Earlier = true;
    States[size_t(i)].Result = ResText("RES_Track_Earlier", "from the earlier run");
    if (!r.AccurateRip.Text.isEmpty())
        States[size_t(i)].Result += QStringLiteral("; ") + VerdictText(r);
    SaveState(r);
    Untold[i] = r;
    TellInTrackOrder(false);
}

void TRipPipeline::SaveState(const TTrackResult& r) {
    if (StatePath.isEmpty())
        return;
    State.Tracks[r.Number] = MakeRipStateTrack(r, QFileInfo(StatePath).absolutePath());
    WriteState();
}

void TRipPipeline::WriteState() {
    if (StatePath.isEmpty() || State.Tracks.empty())
        return;
    // A state that cannot be written only costs the resume; the rip goes on.
    QString error;
    WriteRipState(StatePath, State, error);
}

// ---------------------------------------------------------------------------------------------
// The job window

void TRipPipeline::SetStep(const QString& word, int i, const QString& group) {
    Caption = StepCaption(i, word);
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
    if (Req.Format == ofWAV || !ok) {
        // A track that was not read is not encoded; its failure was shown.
        EndTrack(i, ok, reason);
        return;
    }
    // The extraction's worker is let go before the WMA utility starts.
    if (Req.Format == ofWMA)
        Reader->Release();
    Queue(i);
}

void TRipPipeline::EncodeEndedInJob(TEncodeSlot& slot, const TProcessInfo& info) {
    const int i = info.Track - 1;
    const QString output = Req.OutputOf(size_t(i));
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
        // Without the pipeline the window waited for the Vorbis writer's worker to let go of its
        // files; the writer closes them before its end event.
        if (!Req.Pipeline)
            WaitMilliseconds(300);
        if (!info.Ok)
            ErrorBox(FailureText(ResText("RES_Check_OggOptions", "Create OGG file error!\r\nPlease check the output "
                                                                 "and Ogg options or run application again."),
                                 output, info.Reason));
        if (info.Ok)
            TagTrack(i);
    } else {
        slot.Step->Timer1.stop();
        if (info.Status == 1)
            ErrorBox(ItemText(i) + ResText("RES_Operate_Fail", "maybe be used,operate fail!"));
        else if (info.Status == 8)
            ErrorBox(info.Elapsed);
        else if (info.Status == 2 && !info.Ok)
            ErrorBox(FailureText(ResText("RES_Check_WmaOptions", "Create WMA file error!\r\nPlease check the output "
                                                                 "and WMA options or run application again."),
                                 output, info.Reason));
    }
    // With the pipeline a WAV goes as soon as its track is encoded, so that the rip's WAV files
    // stay few; without it they go together at the end (Finish).
    if (Req.Pipeline && info.Ok && !Req.KeepWav)
        DeleteUnused(Req.WavOf(size_t(i)));
    ++EncodedCount;
    EndTrack(i, info.Ok, info.Reason);
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
        return;
    }
    // The CD input announces a run one sector longer than it delivers, so the writer's own
    // progress stops short of 100 % at a complete track.
    Progress.Report(100, QString(), QString());
    Notify();
    if (Req.Format == ofWAV) {
        EndTrack(i, true, QString());
        return;
    }
    Queue(i);
}

void TRipPipeline::EncodeEndedInCDRip(TEncodeSlot& slot, const TProcessInfo& info) {
    slot.Step->Timer1.stop();
    slot.Entry = 0;
    // Without the pipeline the window waited for the encoder to let go of its files; every
    // encoder has closed them before its end event.
    if (!Req.Pipeline)
        WaitMilliseconds(300);
    const int i = info.Track - 1;
    const QString wav = Req.WavOf(size_t(i));
    QString reason = info.Reason;
    if (info.Status == 8 && reason.isEmpty())
        reason = info.Elapsed;
    ++EncodedCount;
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
}

// ---------------------------------------------------------------------------------------------
// Stop and the clean-up

void TRipPipeline::Stop() {
    if (Finished)
        return;
    Stopping = true;
    Waiting.clear();
    if (Window == TRipWindow::Job) {
        for (auto& s : Slots) {
            if (Req.Format != ofOGG || !s->Step->OggRunning())
                continue;
            try {
                s->Step->VorbisOut1.Pause();
            } catch (const std::exception&) {
            }
            s->Step->VorbisOut1.Stop(true);
        }
        if (Req.Format == ofOGG)
            WaitMilliseconds(300);
        Finish();
        EndJob();
        return;
    }
    // The sinks of the running steps: the source's writer and the Vorbis writers.
    if (Reader->Reading())
        Reader->Stop();
    for (auto& s : Slots) {
        if (!s->Step->OggRunning())
            continue;
        try {
            s->Step->VorbisOut1.Pause();
        } catch (const std::exception&) {
        }
        s->Step->VorbisOut1.Stop(false);
    }
    WaitMilliseconds(300);
    // A child left running would keep writing while the wrappers may be given the next job.
    for (auto& s : Slots) {
        s->Step->KillEncoders();
        s->Entry = 0;
    }
    Reading = 0;
    EndJob();
}

void TRipPipeline::Finish() {
    if (Finished && Window == TRipWindow::Job)
        return;
    Reading = 0;
    Waiting.clear();
    if (Window == TRipWindow::Job) {
        Reader->Stop();
        // A rip's WAV files go once every track is read, but only those whose encode
        // succeeded: the WAV of a failed encode is the only copy of that track's audio.
        if (ExtractedCount >= Count() && Req.Format != ofWAV && !Req.KeepWav)
            for (size_t i = 0; i < Results.size(); ++i)
                if (Results[i].Ok)
                    DeleteUnused(Req.WavOf(i));
        Finished = true;
        for (auto& s : Slots) {
            s->Step->KillEncoders();
            s->Entry = 0;
        }
        return;
    }
    for (auto& s : Slots)
        if (s->Step->OggRunning())
            s->Step->VorbisOut1.Stop(false);
    Reader->Stop();
    for (auto& s : Slots) {
        s->Step->KillEncoders();
        s->Step->WaveIn1.SetFileName(QString());
        s->Step->VorbisOut1.SetFileName(QString());
        s->Entry = 0;
    }
    Finished = true;
}
