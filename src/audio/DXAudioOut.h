// TDXAudioOut: the playback sink. It streams its input's PCM into the looping ring of a
// TSoundDevice (SDL2 audio), topping it up once per polling interval, reports underruns through
// OnUnderrun, pauses, resumes and seeks by a relative amount, and lets the ring play out at the
// end of the input.
//
//     TVorbisIn in; TStereoBalance balance; TDXAudioOut out;
//     balance.SetInput(&in); out.SetInput(&balance);
//     out.OnDone = [](TAuOutput*) { ... };
//     out.Run();
//     out.SeekRelative(100);   // 10 % further on
//
// Device errors end the run through OnThreadException with LastError: "Invalid device number",
// "Failed to create sound device: <reason>", "Failed to create sound buffer<code>: <reason>",
// and "Audio output error" when the device takes no data for 16 polling intervals.
#pragma once

#include "audio/AuOutput.h"
#include "platform/SoundDevice.h"

#include <atomic>
#include <functional>
#include <vector>

using TUnderrunEvent = std::function<void(TAuOutput* sender)>;

class TDXAudioOut : public TAuOutput {
    Q_OBJECT
public:
    explicit TDXAudioOut(QObject* owner = nullptr);
    ~TDXAudioOut() override;

    // Index into DeviceTable (0 = the default device).
    std::atomic<int32_t> DeviceNumber{0};
    // Milliseconds of audio the ring holds; when not 0 it sets FramesInBuffer and
    // PollingInterval at the start of a run (raised to at least 10).
    std::atomic<int32_t> Latency{100};
    // Read ahead from the input while waiting between polls.
    std::atomic<bool> PrefetchData{true};
    std::atomic<int32_t> PollingInterval{100};
    // Plays at rate x SpeedFactor.
    std::atomic<float> SpeedFactor{1.0f};
    // Delivered on the main thread, at most once per underrun the device reports.
    TUnderrunEvent OnUnderrun;

    int32_t FramesInBuffer() const { return FramesInBufferValue; }
    // Ignored while busy.
    void SetFramesInBuffer(int32_t frames);

    // The devices found at construction: the default device first, at most 16.
    std::vector<TSoundDeviceInfo> DeviceTable;
    int32_t DeviceCount() const { return int32_t(DeviceTable.size()); }

    // Hundredths of a decibel (0 = full level, -10000 = silence); applied at once when playing.
    int32_t Volume() const { return VolumeValue; }
    void SetVolume(int32_t value);

    // As TAuOutput::Stop; a synchronous stop also drops an OnUnderrun of the run not yet
    // delivered.
    void Stop(bool async = true);
    // Stops the worker and the device (the ring keeps its contents).
    void Pause() override;
    // Plays on from where Pause stopped.
    void Resume() override;
    // Moves the source at the head of the chain by `offset` thousandths of its length: the
    // output pauses, the ring's free part and the input's read-ahead become silence, the seek
    // travels down the chain, and the output resumes.
    void SeekRelative(int32_t offset);

    // The device of the current run (for its counters); closed between runs.
    const TSoundDevice& Device() const { return SoundDevice; }
    // The run has filled the ring and started playing.
    bool Started() const { return StartedFlag.load(); }

    // Values of the current (or last) run: rate after SpeedFactor, channels, bits.
    int32_t RunSampleRate() const { return SampleRate; }
    int32_t RunChannels() const { return Channels; }
    int32_t RunBitsPerSample() const { return BitsPerSample; }

protected:
    void BeginOutput() override;
    bool OutputBlock(bool abort) override;
    void EndOutput() override;

private:
    // Sleeps out one polling interval, reading ahead from the input meanwhile.
    void WaitOnePoll();
    // Lets the ring play out what was written, then halts.
    void Drain();
    void PostUnderrun();

    std::atomic<int32_t> FramesInBufferValue{24576};
    std::atomic<int32_t> VolumeValue{0};
    TSoundDevice SoundDevice;
    bool Released = true;
    int32_t Channels = 0;
    int32_t SampleRate = 0;
    int32_t BitsPerSample = 0;
    std::vector<uint8_t> TransferBuffer;
    uint32_t TransferBytes = 0;
    std::atomic<uint8_t> SilenceByte{0};
    bool FirstFill = true;
    std::atomic<bool> Ended{false};
    std::atomic<bool> StartedFlag{false};
    int32_t KnownUnderruns = 0;
    // BytesWritten of the device when the input ended: everything before it is audio.
    uint64_t AudioEnd = 0;
    // Run whose undelivered OnUnderrun a synchronous Stop cancelled.
    std::atomic<uint64_t> DroppedUnderrunRun{0};
};
