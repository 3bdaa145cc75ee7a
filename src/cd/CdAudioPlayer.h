// TCdAudioPlayer: plays an audio track of a drive of the CD drive library (a physical drive or a
// disc image) through the sound device, as the main window's Play, Pause and Stop commands do.
// The track plays digitally from its start to the start of the next track (the last one to the
// lead-out).
//
//     TCdAudioPlayer player;
//     connect(&player, &TCdAudioPlayer::Completed, window, [] { ... Stop action ... });
//     if (!player.Play(cdHandle, 3)) { ... player.LastError() ... }
//     player.Pause(); player.Resume(); player.Stop();
//
// Errors while starting come back from Play (false, LastError); errors during playback (a read
// error, no sound device) arrive through Failed, after which the player is stopped.
#pragma once

#include "audio/DXAudioOut.h"
#include "cd/CdTrackIn.h"

#include <QObject>
#include <QString>

class TCdAudioPlayer : public QObject {
    Q_OBJECT
public:
    explicit TCdAudioPlayer(QObject* parent = nullptr);
    ~TCdAudioPlayer() override;

    // Plays `track` of the drive behind an open drive-library handle (it stays the caller's).
    // Stops what was playing first.
    bool Play(int cdHandle, int track);
    // The same for drive `driveIndex` of the drive list, opening a handle of its own that is
    // closed again when playback ends.
    bool PlayDrive(int driveIndex, int track);
    void Pause();
    void Resume();
    // Stops at once; Completed does not follow.
    void Stop();

    // A track is playing or paused.
    bool IsPlaying() const;
    bool IsPaused() const;
    int CurrentTrack() const { return Track; }
    QString LastError() const { return Error; }
    // The playback sink: sound device number, buffer, volume.
    TDXAudioOut& Output() { return Out; }

Q_SIGNALS:
    // The track has played to its end.
    void Completed();
    // Playback broke off; the message says why.
    void Failed(const QString& message);

private:
    bool StartTrack(int cdHandle, int track);
    void Finished();
    void CloseOwnHandle();
    bool Fail(const QString& message);

    TCdTrackIn Source;
    TDXAudioOut Out; // after Source: it stops reading before the source goes
    int OwnHandle = 0;
    int Track = 0;
    bool RunFailed = false;
    QString Error;
};
