// TTrackSource: where a rip's tracks come from. It reads one track of the request at a time
// into the track's WAV file (44.1 kHz 16-bit stereo), runs the gain pass when the request asks
// for it, and reports on the main thread, every event naming the entry (1-based) it belongs to.
// Two sources exist: the drive library's extraction thread (DriveLibrarySource.h) and the CD
// input with its secure reading (CDInputSource.h).
#pragma once

#include "core/JobEvents.h"

#include "audio/Loudness.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

// What reading one track gave.
struct TTrackRead {
    // The track is complete in its WAV file (and scaled, when asked).
    bool Ok = false;
    // The drive library's extraction status (ripthread.h: rsOk, rsReadFailed, ...); the CD input
    // gives rsOk or rsReadFailed.
    int32_t Status = 0;
    // Why not, when the source says more than its status (the CD input's error).
    QString Reason;
    // The audio read, before any gain: CRC32 of the data chunk's bytes, the peak magnitude
    // (0..32768) and the sample frames.
    uint32_t Crc32 = 0;
    uint32_t Peak = 0;
    int64_t Frames = 0;
    // AccurateRip's v1 and v2 checksums of the audio read.
    uint32_t AccurateRipV1 = 0;
    uint32_t AccurateRipV2 = 0;
    // The loudness of the audio read, when the request asks for ReplayGain.
    std::shared_ptr<const TLoudness> Loudness;
    // What the source reports of its reading: reads that failed, jitter corrected or given up
    // on by secure reading, and samples of silence the read offset put at the ends.
    int32_t ReadErrors = 0;
    int32_t JitterCorrections = 0;
    int64_t OffsetSilence = 0;
};

class TTrackSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts reading entry `index` (1-based) into `wavPath`, with the gain pass after it when
    // the request asks for one and `normalize` is set (a test read goes without). The end
    // comes as Ended (also when the read cannot start).
    virtual void Start(int32_t index, const QString& wavPath, bool normalize = true) = 0;
    // Ends a read in progress and waits for its worker; the file keeps what was read, under a
    // header that matches it; no Ended follows.
    virtual void Stop() = 0;
    // A read is going on.
    virtual bool Reading() const = 0;
    // Lets go of what the last read held once it has ended (the worker of the drive library's
    // extraction).
    virtual void Release() {}

Q_SIGNALS:
    // Code 0..100 with the elapsed and estimated times when the source has them.
    void Progress(const TProcessInfo& info);
    // The gain pass of the entry begins.
    void Normalizing(int32_t index);
    void Ended(int32_t index, const TTrackRead& read);
    // The drive cannot be read at all (WM_JOB_ERROR: 1 parameters, 2 table of contents); the
    // read does not end by itself.
    void DriveError(int32_t code);
};
