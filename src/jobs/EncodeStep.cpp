// The encode step and the helpers the rip windows share (see EncodeStep.h).
#include "jobs/EncodeStep.h"

#include "audio/FlacCodec.h"
#include "audio/WaveHeader.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "jobs/WmaSettings.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

int64_t SecondsSince(std::chrono::steady_clock::time_point start) {
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return static_cast<int64_t>(std::rint(s));
}

// The time labels of a step `percent` done that started at `start`: elapsed, and the estimate
// of the whole from it.
void TimesAt(std::chrono::steady_clock::time_point start, int32_t percent, QString& elapsed, QString& estimated) {
    if (percent <= 0)
        return;
    const int64_t seconds = SecondsSince(start);
    elapsed = MinSecText(seconds);
    estimated = MinSecText(static_cast<int64_t>(std::rint(double(seconds) * 100.0 / double(percent))));
}

} // namespace

void TJobProgress::Reset() {
    Elapsed.clear();
    Estimated.clear();
    Percent = 0;
    PercentKnown = false;
    InitVisible = true;
}

void TJobProgress::Report(int32_t code, const QString& elapsed, const QString& estimated) {
    Elapsed = elapsed;
    Estimated = estimated;
    if (code > 0) {
        InitVisible = false;
        PercentKnown = true;
        Percent = std::min(code, 100);
    }
}

bool LooksLikeWav(const QString& path) {
    return ScanWaveFile(path).Found;
}

bool LooksLikeMp3(const QString& path) {
    // AAC in ADTS frames (often named .mp3) shares the 11 sync bits of an MPEG audio frame but
    // has layer bits 00, which no MPEG audio layer uses; lame would "decode" it into noise.
    const auto isAdts = [](const QByteArray& h) { return uchar(h[0]) == 0xFF && (uchar(h[1]) & 0xF6) == 0xF0; };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray head = f.read(10);
    if (head.size() < 2)
        return false;
    if (!head.startsWith("ID3"))
        return uchar(head[0]) == 0xFF && (uchar(head[1]) & 0xE0) == 0xE0 && !isAdts(head);
    // An ID3v2 tag: the audio after it decides (size in 7-bit bytes, plus a footer if flagged).
    if (head.size() < 10)
        return true;
    const auto sizeByte = [&](int i) { return qint64(uchar(head[i]) & 0x7F); };
    const qint64 end = 10 + (sizeByte(6) << 21 | sizeByte(7) << 14 | sizeByte(8) << 7 | sizeByte(9)) +
                       ((uchar(head[5]) & 0x10) ? 10 : 0);
    if (!f.seek(end))
        return true;
    head = f.read(2);
    return head.size() < 2 || !isAdts(head);
}

bool EstimateWmaTotal(int64_t seconds, int64_t inputSize, int64_t outputSize, int32_t divisor, int64_t& total) {
    if (inputSize < 2000000) {
        total = 2;
    } else {
        int64_t expected = static_cast<int64_t>(std::rint(double(inputSize) * 1000.0 / double(divisor)));
        if (expected < outputSize)
            expected = outputSize;
        if (outputSize <= 0)
            return false;
        total = expected * seconds / outputSize;
    }
    if (seconds >= total)
        total = seconds + 1;
    return true;
}

TEncodeStep::TEncodeStep(TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma, QObject* parent)
    : QObject(parent), OwnMp3(mp3 ? nullptr : std::make_unique<TMp3EncodeProcess>()),
      OwnWma(wma ? nullptr : std::make_unique<TWMAEncodeProcess>()), Mp3(mp3 ? *mp3 : *OwnMp3),
      Wma(wma ? *wma : *OwnWma) {
    WaveIn1.SetLoop(false);
    WaveIn1.SetEndSample(-1);
    VorbisOut1.SetInput(&WaveIn1);
    VorbisOut1.Compression = 0.2f;
    VorbisOut1.SetFileMode(foRewrite);
    VorbisOut1.Serial = 0;
    VorbisOut1.OnProgress = [this](TAuOutput* sink) { PostSinkProgress(sink, OggProgressTimes); };
    VorbisOut1.OnThreadException = [this](TAuOutput*) { OggFailed = true; };
    VorbisOut1.OnDone = [this](TAuOutput* sink) {
        auto* out = static_cast<TVorbisOut*>(sink);
        TProcessInfo info;
        info.Code = OggEndCode;
        if (OggFailed) {
            info.Reason = out->LastError;
            // What the failed run left is no Ogg file; the WAV it came from stays.
            QFile::remove(out->FileName());
        } else if (QFileInfo(out->FileName()).size() <= 0) {
            info.Reason = ResText("RES_Output_Missing", "%1 wrote no output to %2.")
                              .arg(QStringLiteral("Ogg Vorbis"), out->FileName());
        } else {
            info.Ok = true;
        }
        Inbox.Handle().PostJobInfo(info);
    };
    Timer1.setInterval(1000);
}

bool TEncodeStep::event(QEvent* e) {
    if (e->type() != JobInfoEventType)
        return QObject::event(e);
    TProcessInfo info = *static_cast<TJobInfoEvent*>(e)->Info;
    // A FLAC run names its entry itself; the wrappers' and the Vorbis writer's events are of
    // the run going on.
    if (info.Track == 0)
        info.Track = Track;
    Q_EMIT Report(info);
    return true;
}

TEncodeStep::~TEncodeStep() {
    Timer1.stop();
    StopFlac();
}

void TEncodeStep::StartFlac(const QString& input, const QString& output, const TFlacOptions& options, bool decode) {
    StopFlac();
    FlacStop = false;
    StreamStart = std::chrono::steady_clock::now();
    const TGuardedReceiver inbox = Inbox.Handle();
    const bool times = OggProgressTimes;
    const auto start = StreamStart;
    const int32_t track = Track;
    FlacThread = std::thread([inbox, input, output, options, decode, times, start, track, this] {
        TFlacRunHooks hooks;
        hooks.Stop = &FlacStop;
        hooks.Progress = [&](int32_t percent) {
            QString elapsed;
            QString estimated;
            if (times)
                TimesAt(start, percent, elapsed, estimated);
            TProcessInfo progress = ProgressInfo(percent, elapsed, estimated);
            progress.Track = track;
            inbox.PostJobInfo(progress);
        };
        QString error;
        const bool ok =
            decode ? DecodeFlacToWav(input, output, hooks, error)
                   : EncodeWavToFlac(input, output, TFlacEncodeOptions{options.Level, options.Verify}, hooks, error);
        if (FlacStop)
            return;
        TProcessInfo info;
        info.Code = JobCode::FlacEnded;
        info.Status = 2;
        info.Ok = ok;
        info.Reason = error;
        info.Track = track;
        inbox.PostJobInfo(info);
    });
}

void TEncodeStep::StopFlac() {
    if (!FlacThread.joinable())
        return;
    FlacStop = true;
    FlacThread.join();
}

void TEncodeStep::StartMp3(const QString& input, const QString& output, bool encode, TJobKind jobKind,
                           const TMp3Options& options) {
    Mp3.Active = true;
    Mp3.InputFile = input;
    Mp3.OutputFile = output;
    Mp3.NotifyWindow = Inbox.Handle();
    Mp3.Encode = encode;
    Mp3.JobKind = jobKind;
    Mp3.Options = options;
    Mp3.Start();
}

void TEncodeStep::StartWma(const QString& input, const QString& output, TJobKind jobKind, const TWmaOptions& options,
                           const TWmaTags& tags, TJobProgress& progress) {
    Wma.Active = true;
    Wma.InputFile = input;
    Wma.OutputFile = output;
    Wma.NotifyWindow = Inbox.Handle();
    Wma.JobKind = jobKind;
    Wma.Options = options;
    Wma.Tags = tags;
    WmaRunOptions = options;
    // The estimate is set up first: the end event of a run refused at once (declined, utility
    // missing) is sent from inside Start, and its handler switches the timer off.
    WmaStart = std::chrono::steady_clock::now();
    progress.Percent = 0;
    WmaInputSize = FileSizeOf(input);
    Timer1.start();
    Wma.Start();
}

void TEncodeStep::StartOgg(const QString& input, const QString& output) {
    WaveIn1.SetFileName(input);
    VorbisOut1.SetFileName(output);
    OggFailed = false;
    StreamStart = std::chrono::steady_clock::now();
    VorbisOut1.Run();
}

bool TEncodeStep::WmaTick(TJobProgress& progress, bool showTimes) {
    const int64_t seconds = SecondsSince(WmaStart);
    if (showTimes)
        progress.Elapsed = MinSecText(seconds);
    if (!Wma.Active)
        return showTimes;
    progress.InitVisible = false;
    // While the utility runs it writes a temporary file that becomes the output at the end.
    const QString written = Wma.WorkFile.isEmpty() ? Wma.OutputFile : Wma.WorkFile;
    int64_t total = 0;
    if (!EstimateWmaTotal(seconds, WmaInputSize, FileSizeOf(written), WmaSettingAt(WmaRunOptions.Setting).Divisor,
                          total))
        return true;
    if (showTimes)
        progress.Estimated = MinSecText(total);
    progress.PercentKnown = true;
    const auto percent = static_cast<int32_t>(std::rint(double(seconds) * 100.0 / double(total)));
    if (percent > progress.Percent)
        progress.Percent = std::min(percent, 100);
    return true;
}

void TEncodeStep::KillEncoders() {
    Timer1.stop();
    StopFlac();
    if (Mp3.Active)
        Mp3.Kill(0);
    if (Wma.Active)
        Wma.Kill(0);
}

void TEncodeStep::PostSinkProgress(TAuOutput* sink, bool times) {
    const int32_t code = sink->Progress();
    QString elapsed;
    QString estimated;
    if (times)
        TimesAt(StreamStart, code, elapsed, estimated);
    Inbox.Handle().PostJobInfo(ProgressInfo(code, elapsed, estimated));
}
