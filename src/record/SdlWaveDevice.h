// TSdlWaveDevice: the recorder's wave device over SDL2 audio. Recording opens SDL's capture
// device in the format of the open file's header (SDL converts where a real device cannot take
// it) and streams what arrives to a capture file on disk beside the open file, through a writer
// thread, so the audio callback never waits for the disk and a recording is on disk while it
// is made. Save joins the file's audio before the recording position and the capture into a
// new file that replaces the open one atomically. Playback runs the file through the stream
// framework's playback sink (TWaveIn → TDXAudioOut) on the sound device.
#pragma once

#include "record/WaveDevice.h"

#include <QFile>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TWaveIn;
class TDXAudioOut;

class TSdlWaveDevice : public TWaveDevice {
public:
    TSdlWaveDevice();
    ~TSdlWaveDevice() override;

    bool Open(const QString& fileName) override;
    bool IsOpen() const override { return OpenFlag; }
    QString FileName() const override { return Name; }
    bool Play(int64_t fromMs) override;
    bool Record(int64_t fromMs, int64_t toMs = -1) override;
    void Stop() override;
    bool Save() override;
    bool HasRecording() const override { return Capturing || Pending; }
    void Close() override;
    TWaveMode Mode() override;
    int64_t Length() override;
    QString LastError() const override { return Error; }
    QString KeptRecording() const override { return Kept; }

    // Bytes captured by the current (or pending) recording.
    int64_t CapturedBytes() const { return Captured.load(); }
    // The file holding the pending recording while it is made (a WAV file whose header is
    // completed when the recording is kept).
    QString CaptureFile() const { return CapturePath; }

private:
    static void CaptureCallback(void* self, uint8_t* stream, int len);
    void WriterLoop();
    void StopCapture();
    void StopPlayback();
    // Ends a pending recording by keeping its capture file as a WAV file of its own.
    void KeepCapture();
    int64_t BytesToMs(int64_t bytes) const;
    int64_t MsToBytes(int64_t ms) const;

    // The open file.
    QString Name;
    bool OpenFlag = false;
    int32_t Channels = 0;
    int32_t SampleRate = 0;
    int32_t BitsPerSample = 0;
    int32_t FrameBytes = 0;
    int64_t DataStart = 0;
    int64_t DataBytes = 0;
    QString Error;
    QString Kept;

    // The recording: from RecordFrom (bytes into the data) on, LimitBytes at most (-1: none).
    bool Capturing = false;
    bool Pending = false;
    bool SdlHeld = false;
    uint32_t CaptureDevice = 0;
    int64_t RecordFrom = 0;
    int64_t LimitBytes = -1;
    std::atomic<int64_t> Captured{0};
    std::atomic<bool> LimitReached{false};
    bool CapturePaused = false;
    QString CapturePath;
    QFile CaptureOut;

    // Blocks handed from the audio callback to the writer thread. When the disk fails they
    // stay here, and Save and KeepCapture write them out after the ones on disk.
    std::mutex QueueLock;
    std::condition_variable QueueChanged;
    std::deque<std::vector<uint8_t>> Queue;
    bool WriterStop = false;
    QString WriterError; // guarded by QueueLock
    std::thread Writer;

    // Playback.
    std::unique_ptr<TWaveIn> PlayIn;
    std::unique_ptr<TDXAudioOut> PlayOut;
};
