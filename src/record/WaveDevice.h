// What the recorder asks of its wave-audio device: a WAV file opened for playing and recording,
// with the position and the length in milliseconds. TSdlWaveDevice (SdlWaveDevice.h) is the
// one over the sound card; a platform with another sound system supplies its own.
//
//     device.Open(file);               // a PCM WAV file: 8 or 16 bits, 1 or 2 channels
//     device.Record(2000);             // the new audio replaces the file's from 2 s on
//     ... device.Mode() == wmRecording ...
//     device.Stop();                   // the recording waits, on disk, to be saved
//     device.Save();                   // into the open file: header patched, atomic replace
//     device.Play(0); ... device.Stop(); device.Close();
#pragma once

#include <QString>

#include <cstdint>

// The device's modes, in the order the media player knows them.
enum TWaveMode : int32_t { wmNotReady, wmStopped, wmPlaying, wmRecording, wmSeeking, wmPaused, wmOpen };

class TWaveDevice {
public:
    virtual ~TWaveDevice() = default;

    // Opens a WAV file (closing what was open). False with LastError when the file cannot be
    // read or its format is not one the device plays and records.
    virtual bool Open(const QString& fileName) = 0;
    virtual bool IsOpen() const = 0;
    virtual QString FileName() const = 0;
    // Plays the file from a position to its end. False with LastError.
    virtual bool Play(int64_t fromMs) = 0;
    // Records from a position (clamped to the length): the new audio replaces the file's audio
    // from there on. With toMs >= 0 the recording ends by itself at that position. The capture
    // device is opened in the file's format. False with LastError (no capture device, ...).
    virtual bool Record(int64_t fromMs, int64_t toMs = -1) = 0;
    // Ends playing or recording. A recording stays pending until Save.
    virtual void Stop() = 0;
    // Writes a pending recording into the open file. On failure the recorded audio is kept in a
    // WAV file of its own (KeptRecording) and nothing is pending any more.
    virtual bool Save() = 0;
    // A recording was made (and may still run) that Save has not written yet.
    virtual bool HasRecording() const = 0;
    // Closes the file; a pending recording is kept as by a failed Save.
    virtual void Close() = 0;
    virtual TWaveMode Mode() = 0;
    // Milliseconds: the file's, or what it will be once the pending recording is saved.
    virtual int64_t Length() = 0;
    virtual QString LastError() const = 0;
    // The WAV file holding a recording that could not be saved; empty when there is none.
    virtual QString KeptRecording() const = 0;
};
