// Tracks read through the CD input (see CDInputSource.h).
#include "jobs/CDInputSource.h"

#include "audio/GainPass.h"
#include "cd/CDIn.h"
#include "cd/ripthread.h"
#include "core/LanguageText.h"

#include <QFileInfo>

#include <algorithm>

TCDInputSource::TCDInputSource(const TRipRequest& request, TCDIn& cdIn, QObject* parent)
    : TTrackSource(parent), Request(request), CDIn(cdIn) {
    WaveOut1.SetInput(&CDIn);
    WaveOut1.SetWavType(wtPCM);
    WaveOut1.SetBlockSize(512);
    WaveOut1.CreateNonMsHeaders = false;
    WaveOut1.SetFileMode(foRewrite);
    WaveOut1.OnProgress = [this](TAuOutput* sink) {
        TProcessInfo info;
        info.Code = sink->Progress();
        info.Track = Index;
        Inbox.Handle().PostJobInfo(info);
    };
    WaveOut1.OnThreadException = [this](TAuOutput* sink) {
        Failed = true;
        Error = sink->LastError;
    };
    WaveOut1.OnDone = [this](TAuOutput*) { WaveOut1Done(); };
}

TCDInputSource::~TCDInputSource() {
    if (WaveOut1.Status() != osIdle)
        WaveOut1.Stop(false);
    CDIn.OnSamples = nullptr;
}

void TCDInputSource::Start(int32_t index, const QString& wavPath, bool normalize) {
    if (!Prepared) {
        CDIn.Reset();
        CDIn.LockTray = true;
        Prepared = true;
    }
    Index = index;
    NormalizeRun = normalize;
    Failed = false;
    Error.clear();
    try {
        const int32_t track = Request.Tracks[size_t(index - 1)].Number;
        // The checksums leave out the ends of the disc's first and last audio tracks.
        const size_t at = size_t(track - 1);
        if (at < Request.Layout.Tracks.size()) {
            int64_t sectors = Request.Layout.SectorsOf(at);
            if (Request.LengthLimit > 0)
                sectors = std::min<int64_t>(sectors, int64_t(Request.LengthLimit) * 75);
            Checksums.Begin(sectors * 588, Request.Layout.FirstAudio(at), Request.Layout.LastAudio(at),
                            Request.MeasuresLoudness());
        } else {
            Checksums = TTrackChecksums();
        }
        CDIn.SecureReading = Request.SecureReading;
        CDIn.MaxSectors = Request.LengthLimit * 75;
        CDIn.ReadOffset = Request.ReadOffset;
        if (Request.NeedsChecksums())
            CDIn.OnSamples = [this](const uint8_t* data, uint32_t bytes) { Checksums.Add(data, bytes); };
        else
            CDIn.OnSamples = nullptr;
        CDIn.SetFirstTrack(track);
        CDIn.SetLastTrack(track);
        WaveOut1.SetFileName(wavPath);
        WaveOut1.Run();
    } catch (const std::exception& e) {
        TProcessInfo info;
        info.Code = RipCodeDone;
        info.Track = index;
        Read = TTrackRead();
        Read.Status = rsReadFailed;
        Read.Reason = QString::fromLocal8Bit(e.what());
        Inbox.Handle().PostJobInfo(info);
    }
}

void TCDInputSource::Stop() {
    if (WaveOut1.Status() == osIdle)
        return;
    try {
        WaveOut1.Pause();
    } catch (const std::exception&) {
    }
    WaveOut1.Stop(false);
    // The run's end event, if one was posted, is stale now.
    Index = 0;
}

void TCDInputSource::WaveOut1Done() {
    Read = TTrackRead();
    Read.Crc32 = Checksums.Crc32();
    Read.Peak = Checksums.Peak();
    Read.Frames = Checksums.Frames();
    Read.AccurateRipV1 = Checksums.AccurateRipV1();
    Read.AccurateRipV2 = Checksums.AccurateRipV2();
    Read.Loudness = Checksums.Loudness();
    Read.JitterCorrections = CDIn.JitterErrors;
    Read.OffsetSilence = CDIn.OffsetSilence;
    if (Failed) {
        // A read error ends the run early: what the file holds is not the track.
        Read.Status = rsReadFailed;
        Read.Reason = Error;
        Read.ReadErrors = 1;
    } else {
        Read.Ok = true;
        Read.Status = rsOk;
        if (Request.Normalize && NormalizeRun) {
            const QString wav = WaveOut1.FileName();
            try {
                ScaleWaveFile(Request.NormalizePercent, wav);
            } catch (const std::exception&) {
                Read.Ok = false;
                Read.Status = rsNormalizeFailed;
                Read.Reason =
                    wav + ResText("RES_NormalizeError", ": the gain pass failed; the file was left unscaled.");
            }
        }
    }
    TProcessInfo info;
    info.Code = RipCodeDone;
    info.Track = Index;
    Inbox.Handle().PostJobInfo(info);
}

bool TCDInputSource::event(QEvent* e) {
    if (e->type() != JobInfoEventType)
        return TTrackSource::event(e);
    const TProcessInfo& info = *static_cast<TJobInfoEvent*>(e)->Info;
    if (info.Track == 0 || info.Track != Index)
        return true;
    if (info.Code == RipCodeDone)
        Q_EMIT Ended(info.Track, Read);
    else
        Q_EMIT Progress(info);
    return true;
}
