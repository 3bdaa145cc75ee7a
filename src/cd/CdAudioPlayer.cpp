// TCdAudioPlayer: a CD track through the playback sink.
#include "cd/CdAudioPlayer.h"

#include "cd/DiscKey.h"

#include "audio/AuException.h"
#include "core/LanguageText.h"

TCdAudioPlayer::TCdAudioPlayer(QObject* parent) : QObject(parent) {
    Out.SetInput(&Source);
    // A physical drive may pause to spin up: a deeper buffer than the Ogg player's.
    Out.Latency = 300;
    Out.OnThreadException = [this](TAuOutput*) {
        RunFailed = true;
        Error = Out.LastError;
        Q_EMIT Failed(Error);
    };
    Out.OnDone = [this](TAuOutput*) { Finished(); };
}

TCdAudioPlayer::~TCdAudioPlayer() {
    Out.Stop(false);
    CloseOwnHandle();
}

bool TCdAudioPlayer::Fail(const QString& message) {
    Error = message;
    CloseOwnHandle();
    return false;
}

bool TCdAudioPlayer::Play(int cdHandle, int track) {
    Stop();
    return StartTrack(cdHandle, track);
}

bool TCdAudioPlayer::StartTrack(int cdHandle, int track) {
    Error.clear();
    TDisc disc;
    if (!ReadDisc(cdHandle, disc)) {
        const QString why = CDLastError();
        const QString text = ResText("RES_ReadTocError", "Error while reading TOC information!");
        return Fail(why.isEmpty() ? text : text + QStringLiteral(" (") + why + ')');
    }
    const TDiscTrack* t = disc.Track(track);
    if (!t || t->Data)
        return Fail(ResText("RES_Track_Not_Playable", "This track is not an audio track of the disc."));
    Source.SetRange(cdHandle, t->Start, disc.SectorsOf(size_t(t - disc.Tracks.data())));
    RunFailed = false;
    try {
        Out.Run();
    } catch (const EAuException& e) {
        return Fail(e.Message());
    }
    Track = track;
    return true;
}

bool TCdAudioPlayer::PlayDrive(int driveIndex, int track) {
    Stop();
    const int handle = OpenCDDriveAt(driveIndex);
    if (handle == 0) {
        const QString why = CDLastError();
        const QString text = ResText("RES_NotFound_CDRom", "No CD devices found!");
        return Fail(why.isEmpty() ? text : text + QStringLiteral(" (") + why + ')');
    }
    OwnHandle = handle;
    return StartTrack(handle, track);
}

void TCdAudioPlayer::Pause() {
    try {
        Out.Pause();
    } catch (const EAuException& e) {
        Error = e.Message();
    }
}

void TCdAudioPlayer::Resume() {
    Out.Resume();
}

void TCdAudioPlayer::Stop() {
    Out.Stop(false);
    Track = 0;
    CloseOwnHandle();
}

bool TCdAudioPlayer::IsPlaying() const {
    return Out.Status() != osIdle;
}

bool TCdAudioPlayer::IsPaused() const {
    return Out.Status() == osPaused;
}

void TCdAudioPlayer::Finished() {
    Track = 0;
    CloseOwnHandle();
    if (!RunFailed)
        Q_EMIT Completed();
}

void TCdAudioPlayer::CloseOwnHandle() {
    if (OwnHandle) {
        CloseCDHandle(OwnHandle);
        OwnHandle = 0;
    }
}
