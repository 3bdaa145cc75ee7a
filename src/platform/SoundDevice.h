// The sound card, over SDL2 audio: TSdlAudio keeps SDL's audio subsystem up while anything uses
// it and lists the devices (playback and capture); TSoundDevice is a looping playback ring
// buffer with a play and a write cursor that SDL's audio callback drains.
//
//     TSoundDevice device;
//     if (device.Open(QByteArray(), {2, 44100, 16}, bytes) != 0) { ... device.LastError() ... }
//     device.Write(pcm, bytes);                 // the first fill
//     device.Start();
//     loop: n = device.FreeSpace(); device.Write(more, n);   // top it up
//     device.Halt(); device.Close();
//
// The ring only ever plays what was written: when the writer falls behind, the callback waits
// for it (so SDL's "disk" driver, which asks for data as fast as it can when
// SDL_DISKAUDIODELAY=0, records exactly the audio written), and when the wait lasts longer than
// the whole buffer would play, the device plays silence and counts an underrun. While halted
// the callback waits as well, so a paused device plays nothing and loses nothing.
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

// One entry of a device list. The first entry of every list is the system's default device,
// whose Id is empty; the others carry SDL's device name as Id.
struct TSoundDeviceInfo {
    QByteArray Id;
    QString Name; // at most 127 characters
};

// SDL's audio subsystem, shared by playback and recording: the first Acquire initialises it,
// the last Release shuts it down. Every SDL audio call is made between the two.
class TSdlAudio {
public:
    // False (with SDL's reason) when no audio driver could be started, or when the only one is
    // SDL's "dummy" driver, which would play nothing and capture zeros.
    static bool Acquire(QString& error);
    static void Release();
    // The running driver's name ("pulseaudio", "alsa", "disk", ...); empty when none.
    static QString DriverName();
    // The default device first, then SDL's devices, at most 16 entries in all. Without a working
    // driver the list holds the default entry alone (opening it then reports why).
    static std::vector<TSoundDeviceInfo> Devices(bool capture);

    static constexpr int MaxDevices = 16;
};

// Holds TSdlAudio for the life of a scope.
class TSdlAudioUse {
public:
    TSdlAudioUse() { Ok = TSdlAudio::Acquire(Error); }
    ~TSdlAudioUse() {
        if (Ok)
            TSdlAudio::Release();
    }
    TSdlAudioUse(const TSdlAudioUse&) = delete;
    TSdlAudioUse& operator=(const TSdlAudioUse&) = delete;
    bool Ok = false;
    QString Error;
};

// PCM layout of a ring: interleaved little-endian samples, 8-bit unsigned or 16-, 24- or 32-bit
// signed.
struct TSoundFormat {
    int32_t Channels = 2;
    int32_t SampleRate = 44100;
    int32_t BitsPerSample = 16;
    int32_t FrameBytes() const { return Channels * (BitsPerSample / 8); }
};

// Open's results.
enum TSoundError : int32_t {
    seNone = 0,
    // The sound system or the device could not be opened.
    seDevice = 1,
    // The format cannot be played (channels, bits, rate) or the buffer size makes no sense.
    seFormat = 2,
};

class TSoundDevice {
public:
    TSoundDevice() = default;
    ~TSoundDevice();
    TSoundDevice(const TSoundDevice&) = delete;
    TSoundDevice& operator=(const TSoundDevice&) = delete;

    // Opens the device (empty id = default) with a zero-filled ring of `bytes` (whole frames).
    // Returns seNone, or an error code with LastError() saying why. The ring plays nothing
    // until Start.
    int32_t Open(const QByteArray& deviceId, const TSoundFormat& format, uint32_t bytes);
    // Plays the ring from its start.
    void Start();
    // Stops playing where it is; Continue goes on from there (not before Start).
    void Halt();
    void Continue();
    // Bytes that may be written now (whole frames). Also brings the played-frame count up to date.
    uint32_t FreeSpace();
    // Copies bytes at the write cursor (two pieces when it wraps), at most FreeSpace.
    // Returns the bytes taken.
    uint32_t Write(const void* data, uint32_t bytes);
    // Fills the free space with `byte` (0, or 128 for 8-bit data).
    void FillSilence(uint8_t byte);
    // Hundredths of a decibel: 0 is full level, -10000 silence. Applied as the callback copies,
    // so it works on every device.
    void SetVolume(int32_t volume);
    int32_t Volume() const { return VolumeValue; }
    // Stops and releases the device.
    void Close();

    bool IsOpen() const { return DeviceId.load() != 0; }
    bool Playing() const { return PlayingFlag.load(); }
    QString LastError() const { return Error; }
    const TSoundFormat& Format() const { return Fmt; }
    uint32_t BufferBytes() const { return RingBytes; }
    // Times the writer fell behind for longer than the ring plays.
    int32_t UnderrunCount() const { return Underruns.load(); }
    // Bytes written into the ring and bytes played from it since Open.
    uint64_t BytesWritten() const;
    uint64_t BytesPlayed() const;
    double FramesWritten() const;
    double FramesPlayed() const { return FramesPlayedCount; }

private:
    static void Callback(void* self, uint8_t* stream, int len);
    void Fill(uint8_t* out, uint32_t frames);
    // Copies `frames` ring frames at the play cursor into `out` in the device's format.
    void CopyOut(uint8_t* out, uint32_t frames);

    std::atomic<uint32_t> DeviceId{0}; // set and cleared under Lock
    bool SubsystemHeld = false;
    TSoundFormat Fmt;
    // Bytes per frame handed to SDL (24-bit samples go out as 32-bit ones).
    uint32_t OutFrameBytes = 0;
    QString Error;
    std::vector<uint8_t> Ring;
    uint32_t RingBytes = 0;
    uint32_t FrameBytes = 0;
    // A wait for the writer longer than this is an underrun.
    int64_t StarveMicroseconds = 0;

    mutable std::mutex Lock; // guards the cursors and the ring's contents
    std::condition_variable Changed;
    uint32_t WriteOffset = 0;
    uint32_t PlayOffset = 0;
    uint64_t Written = 0;
    uint64_t Played = 0;
    uint64_t PlayedAtLastCheck = 0;
    double FramesPlayedCount = 0;
    bool Closing = false;
    bool Started = false;
    std::atomic<bool> PlayingFlag{false};
    std::atomic<int32_t> Underruns{0};
    std::atomic<int32_t> VolumeValue{0};
    std::atomic<float> Gain{1.0f};
};
