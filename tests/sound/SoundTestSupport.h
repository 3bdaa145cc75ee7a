// Helpers of the sound tests: SDL's "disk" audio driver as the sound card (what it played
// lands in a file) and silence trimming for comparing what was played with what was decoded.
// Waiting for a condition (WaitUntil) comes with TestSupport.h.
#pragma once

#include "support/TestSupport.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// While it lives, SDL plays into a file of its own (SDL_AUDIODRIVER=disk, no pacing); the
// previous environment comes back afterwards. `driver` may name another driver instead.
class TDiskAudio {
public:
    explicit TDiskAudio(const QByteArray& driver = "disk");
    ~TDiskAudio();
    TDiskAudio(const TDiskAudio&) = delete;
    TDiskAudio& operator=(const TDiskAudio&) = delete;
    QString FilePath() const { return Path; }
    // Everything played so far.
    QByteArray Played() const;

private:
    QTemporaryDir Dir;
    QString Path;
    QByteArray Saved[3];
    bool Had[3] = {};
};

// Without the all-zero frames at the start and at the end.
QByteArray TrimSilence(const QByteArray& pcm, int frameBytes);
// Without any all-zero frame (for runs where a pause or an underrun may have put silence
// in the middle).
QByteArray WithoutSilence(const QByteArray& pcm, int frameBytes);
// Interleaves a mono 16-bit buffer into both channels.
QByteArray MonoToStereo16(const QByteArray& mono);
