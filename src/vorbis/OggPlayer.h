// TOggPlayer: the Ogg player window's state and logic without widgets (TfrmOggPlayer in
// OggPlayerForm.h shows it). It plays one Ogg Vorbis file at a time through the chain
// TVorbisIn -> TStereoBalance -> TDXAudioOut and keeps the texts the window shows: file name,
// sample rate, elapsed and total time, comment lines, scroll position.
//
// The elapsed time is driven by a 500 ms timer, not by the audio position (apart from seeks).
// Close runs only once the output is idle.
#pragma once

#include "audio/DXAudioOut.h"
#include "audio/StereoBalance.h"
#include "vorbis/VorbisIn.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class TOggPlayer : public QObject {
    Q_OBJECT
public:
    explicit TOggPlayer(QObject* parent = nullptr);
    ~TOggPlayer() override;

    // What the window shows (Changed follows every change).
    QString FileNameText = QStringLiteral("OGG");
    QString SampleRateText = QStringLiteral("bps");
    QString CurrentTimeText = QStringLiteral("0:00");
    QString TotalTimeText = QStringLiteral("0:00");
    QStringList CommentLines;
    bool OpenEnabled = true;
    bool ScrollEnabled = false;
    int32_t ScrollPosition = 0;
    int32_t BalancePosition = 5;

    // Set once a close has been asked for; the window then closes when the output is idle.
    bool CloseAllowed = false;
    // Milliseconds shown as elapsed time.
    uint32_t ElapsedMs = 0;
    // Length of the file being played, whole seconds.
    int32_t TotalSeconds = 0;

    // Opens and plays a file (the open dialog's choice; empty = cancelled). A name that does not
    // end in ".ogg" or a file that cannot be decoded gives "Ogg file is not valid.". Ignored
    // while a file is playing.
    void OpenAndPlay(const QString& file);
    // Pauses a playing file; otherwise resumes (and restarts the elapsed-time timer).
    void PauseOrResume();
    // Stops playback; the end of playback (Done) follows.
    void StopPlayback();
    // The scroll bar moved to `position` percent: seeks by the difference to the progress.
    void Scroll(int32_t position);
    // 0 … 10: balance position / 10 (5 = centred).
    void SetBalancePosition(int32_t position);
    // Stops playback, waits until the output is idle (delivering its events meanwhile) and then
    // asks for the window to close (CloseRequested).
    void Close();
    // The window is about to close: true when it may; otherwise Close runs first.
    bool QueryClose();

    // The comment box's lines for a file: artist, album, title, date, genre and track (each
    // when present), then the file's other comments as "Name: value".
    static QStringList CommentLinesOf(TVorbisIn& in);
    // "m:ss" of a whole number of seconds, as the total time shows it.
    static QString TotalTimeString(int32_t seconds);
    // "m:ss" of milliseconds, as the elapsed time shows it.
    static QString ElapsedString(uint32_t milliseconds);

    // The chain and the timer, with the window's stored values.
    TVorbisIn VorbisIn1;
    TStereoBalance StereoBalance1;
    TDXAudioOut DXAudioOut1;
    QTimer Timer2;

    // The timer's tick (every 500 ms while playing) and the output's events.
    void Timer2Timer();
    void AudioOut1Progress();
    void AudioOut1Done();

Q_SIGNALS:
    void Changed();
    void CloseRequested();
};
