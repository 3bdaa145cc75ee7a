// TCDIn: the CD input component. It is the second way to the CD drives, over the CR_* layer
// (cdrip.h): a drive and TOC service for the main window and the options dialog, and a
// source of the stream framework that delivers the 44.1 kHz 16-bit stereo PCM of a range of
// tracks to a sink (the rip window chains it into a TWaveOut).
//
// Drives are those of the CD drive library, in its order (physical drives, then the disc
// images of CDOptions/Images); DriveIndex picks one. Every service call makes that drive the
// CR layer's active drive for its duration (nesting: see SelectDrive), and a run holds it
// from BeginReading to EndReading.
//
// A rip of track 3 (what the rip window does; errors arrive through the sink):
//     cdIn.SetFirstTrack(3); cdIn.SetLastTrack(3);
//     waveOut.SetInput(&cdIn); waveOut.SetFileName(path); waveOut.Run();
// The main window's track list:
//     for (int n = 1; n <= cdIn.TrackCount(); ++n) { TCDTrackLength l = DecodeTrackLength(cdIn.TrackLength(n)); ... }
#pragma once

#include "audio/AuInput.h"
#include "cd/Disc.h"
#include "cd/ReadOffset.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// A track length as TrackLength packs it: minutes in byte 0, seconds in byte 1, frames in
// byte 2, and 1 in byte 3 for a data track.
struct TCDTrackLength {
    int32_t Minutes = 0;
    int32_t Seconds = 0;
    int32_t Frames = 0;
    bool Data = false;
};
TCDTrackLength DecodeTrackLength(uint32_t packed);

// A position within a track: minutes, seconds, frames (75 per second).
struct TCDTrackOffset {
    uint8_t Minutes = 0;
    uint8_t Seconds = 0;
    uint8_t Frames = 0;
    int32_t Sectors() const { return Minutes * 4500 + Seconds * 75 + Frames; }
};

// True when a rip goes through the CD input rather than the extraction thread: the drive
// library gave no handle, or secure reading (CDOptions/Paranoia) is asked for.
bool RipThroughCDInput(int cdHandle, bool secureReading);

class TCDIn : public TAuInput {
public:
    // Brings up the CR layer; if that fails, says so in a box (the program goes on).
    explicit TCDIn(QObject* owner = nullptr);
    ~TCDIn() override;

    // Bytes one chunk of the library holds: one second of audio.
    static constexpr int32_t ChunkBytes = 176400;

    // Reading options of the next run, set on the main thread while the component is idle.
    // Jitter correction is also on whenever SecureReading is set (a rip's request asks for it).
    bool EnableJitterCorrection = false;
    bool SecureReading = false;
    // At most this many sectors of the range are read (a rip's length limit); 0 = all.
    int32_t MaxSectors = 0;
    // The drive's read offset in samples (see ReadOffset.h).
    int32_t ReadOffset = 0;
    // Samples of silence the read offset put at the ends of the last run (set when it begins).
    std::atomic<int64_t> OffsetSilence{0};
    // Sees every block of audio the run delivers, in order, on the run's worker thread.
    std::function<void(const uint8_t* data, uint32_t bytes)> OnSamples;
    bool LockTray = false;
    int32_t MultiReadCount = 0;
    bool Paranoid = false;
    int32_t ParanoiaMode = 0;
    // 0 = leave the library's value.
    int32_t ReadSectors = 0;
    int32_t OverlapSectors = 0;
    int32_t CompareSectors = 0;
    // Jitter errors of the last run (set when it ends).
    std::atomic<int32_t> JitterErrors{0};

    // Drive and disc service (main thread).
    int32_t DriveCount();
    int32_t DriveIndex() const { return Drive; }
    // Accepted only for 0 <= index < DriveCount(); other values are ignored.
    void SetDriveIndex(int32_t index);
    // Vendor and product of the drive ("Image <name>" for a disc image). When
    // EnableJitterCorrection is off, it takes the drive's own jitter setting (so reading the
    // name may switch it on, never off).
    QString DriveName();
    bool MediaLoaded();
    // Tracks on the disc; -1 when the TOC cannot be read.
    int32_t TrackCount();
    // Length of track n (1-based) packed as TCDTrackLength describes; raises "Track out of
    // range." unless 1 <= n <= TrackCount().
    uint32_t TrackLength(int32_t track);
    // The disc as the CD input reads it; false when its TOC cannot be read or holds no track.
    bool ReadDisc(TDisc& disc);

    // The track range of the next run; the setters raise "The component is busy" during one.
    int32_t FirstTrack() const { return First; }
    void SetFirstTrack(int32_t track);
    int32_t LastTrack() const { return Last; }
    void SetLastTrack(int32_t track);
    // Bytes of the run: during it, what it delivers; before it, from the TOC, one sector more
    // than that (the library's inclusive count); 0 when the TOC or the range is unusable.
    int64_t RunSize();

    int32_t GetBitsPerSample() override { return 16; }
    int32_t GetChannels() override { return 2; }
    int32_t GetSampleRate() override { return 44100; }
    int32_t GetTotalSeconds() override;
    int64_t GetTotalSamples() override;

protected:
    void BeginReadingInternal() override;
    void EndReadingInternal() override;
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;

private:
    struct TDriveUse;
    // Makes DriveIndex the CR layer's active drive unless this component already holds it.
    void SelectDrive();
    void ReleaseDrive();
    // Start and end (exclusive) sector of the run's range from the TOC last read; false when
    // a track of the range is not on the disc.
    bool RangeSectors(int32_t& start, int32_t& end);
    int32_t TrackCountSelected();
    uint32_t TrackLengthSelected(int32_t track);
    bool MediaLoadedSelected();

    bool Initialized = false;
    std::atomic<int32_t> SelectCount{0};
    int32_t Drive = 0;
    int32_t First = 0;
    int32_t Last = 0;
    int32_t FromTrack = 0;
    TCDTrackOffset FromOffset;
    int32_t ToTrack = 0;
    TCDTrackOffset ToOffset;
    int64_t RipSize = 0;
    // What the run still delivers: silence before the sectors, bytes of the sectors (the first
    // SkipBytes of them not delivered), silence after them.
    int64_t LeadingSilence = 0;
    int64_t SkipBytes = 0;
    int64_t SectorBytesLeft = 0;
    int64_t TrailingSilence = 0;
    std::vector<uint8_t> Buffer;
    int32_t BufferSize = ChunkBytes;
};
