// Tracks read by the drive library's extraction thread (see DriveLibrarySource.h).
#include "jobs/DriveLibrarySource.h"

#include <QFileInfo>

TDriveLibrarySource::TDriveLibrarySource(const TRipRequest& request, int cdHandle, QObject* parent)
    : TTrackSource(parent), Request(request), CdHandle(cdHandle) {}

TDriveLibrarySource::~TDriveLibrarySource() {
    Stop();
}

void TDriveLibrarySource::Start(int32_t index, const QString& wavPath, bool normalize) {
    Thread.reset();
    const TTrackEntry& entry = Request.Tracks[size_t(index - 1)];
    TRipOptions options;
    const QFileInfo wav(wavPath);
    options.OutputFolder = wav.path();
    options.EnableRipTime = Request.LengthLimit > 0;
    options.RipTime = Request.LengthLimit;
    options.IsNormalize = Request.Normalize && normalize;
    options.ReadOffset = Request.ReadOffset;
    options.Checksums = Request.NeedsChecksums();
    options.Loudness = Request.MeasuresLoudness();
    options.NormalizePercent = Request.NormalizePercent;
    Thread = std::make_unique<TCDRipThread>(entry.Number, wav.completeBaseName(), options);
    Thread->CDHandle = CdHandle;
    Thread->Window = Inbox.Handle();
    Thread->Index = index;
    ReadEnded = false;
    Thread->Resume();
}

void TDriveLibrarySource::Stop() {
    if (!Thread)
        return;
    Thread->StopRip = true;
    Thread.reset();
}

bool TDriveLibrarySource::event(QEvent* e) {
    if (e->type() == JobErrorEventType) {
        Q_EMIT DriveError(static_cast<TJobErrorEvent*>(e)->Code);
        return true;
    }
    if (e->type() != JobInfoEventType)
        return TTrackSource::event(e);
    const TProcessInfo& info = *static_cast<TJobInfoEvent*>(e)->Info;
    // Events of a thread that was stopped, or of an earlier track, are stale.
    if (!Thread || info.Track != Thread->Index)
        return true;
    if (info.Code == RipCodeNormalizing) {
        Q_EMIT Normalizing(info.Track);
    } else if (info.Code == RipCodeDone) {
        TTrackRead read;
        read.Status = info.Status;
        read.Ok = info.Status == rsOk;
        // Written by the worker before it posted this event.
        read.Crc32 = Thread->Checksums.Crc32();
        read.Peak = Thread->Checksums.Peak();
        read.Frames = Thread->Checksums.Frames();
        read.AccurateRipV1 = Thread->Checksums.AccurateRipV1();
        read.AccurateRipV2 = Thread->Checksums.AccurateRipV2();
        read.Loudness = Thread->Checksums.Loudness();
        read.ReadErrors = Thread->ReadErrors;
        read.OffsetSilence = Thread->OffsetSilence;
        ReadEnded = true;
        Q_EMIT Ended(info.Track, read);
    } else {
        Q_EMIT Progress(info);
    }
    return true;
}
