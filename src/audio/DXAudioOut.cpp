// TDXAudioOut: the playback sink over the sound device's ring.
#include "audio/DXAudioOut.h"

#include "audio/AuException.h"
#include "audio/AuThread.h"

#include <QPointer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

TDXAudioOut::TDXAudioOut(QObject* owner) : TAuOutput(owner) {
    DeviceTable = TSdlAudio::Devices(false);
    // Playback must not wait behind ordinary work; where the system refuses, it stays normal.
    Thread->SetHighestPriority();
}

TDXAudioOut::~TDXAudioOut() {
    Shutdown();
}

void TDXAudioOut::SetFramesInBuffer(int32_t frames) {
    if (!Busy)
        FramesInBufferValue = frames;
}

void TDXAudioOut::SetVolume(int32_t value) {
    VolumeValue = value;
    SoundDevice.SetVolume(value);
}

void TDXAudioOut::BeginOutput() {
    Released = false;
    StartedFlag = false;
    const int32_t device = DeviceNumber;
    if (device < 0 || device >= DeviceCount())
        throw EAuException(QStringLiteral("Invalid device number"));
    TAuInput* in = Input();
    in->BeginReading();
    Channels = in->GetChannels();
    SampleRate = in->GetSampleRate();
    BitsPerSample = in->GetBitsPerSample();
    const float speed = SpeedFactor;
    if (speed != 1.0f)
        SampleRate = int32_t(std::lround(double(SampleRate) * double(speed)));

    int32_t latency = Latency;
    if (latency != 0) {
        latency = std::max(latency, 10);
        Latency = latency;
        FramesInBufferValue = int32_t(int64_t(latency) * SampleRate / 1000);
        PollingInterval = latency / 3;
    }

    // The sound system first, so that a machine without sound says so rather than blaming the
    // format; the device itself opens with the format below.
    const TSdlAudioUse sound;
    if (!sound.Ok)
        throw EAuException(QStringLiteral("Failed to create sound device: ") + sound.Error);

    TransferBytes = uint32_t(std::max(0, BitsPerSample / 8)) * uint32_t(std::max(0, FramesInBufferValue.load())) *
                    uint32_t(std::max(0, Channels));
    TransferBuffer.assign(TransferBytes, 0);
    SilenceByte = BitsPerSample == 8 ? 128 : 0;

    const int32_t rc =
        SoundDevice.Open(DeviceTable[size_t(device)].Id, {Channels, SampleRate, BitsPerSample}, TransferBytes);
    if (rc == seDevice)
        throw EAuException(QStringLiteral("Failed to create sound device: ") + SoundDevice.LastError());
    if (rc != seNone)
        throw EAuException(QStringLiteral("Failed to create sound buffer%1: ").arg(uint32_t(rc), 8, 16, QChar('0')) +
                           SoundDevice.LastError());
    FirstFill = true;
    Ended = false;
    KnownUnderruns = 0;
    AudioEnd = 0;
}

bool TDXAudioOut::OutputBlock(bool abort) {
    if (!Busy)
        return true;
    if (!OutputOpen)
        return false;
    TAuInput* in = Input();
    const uint32_t frame = uint32_t(SoundDevice.Format().FrameBytes());
    if (FirstFill) {
        bool end = false;
        uint32_t n = in->ReadFully(TransferBuffer.data(), TransferBytes, end);
        n -= n % frame;
        Ended = end;
        SoundDevice.Write(TransferBuffer.data(), n);
        if (end) {
            AudioEnd = SoundDevice.BytesWritten();
            SoundDevice.FillSilence(SilenceByte);
        }
        SoundDevice.SetVolume(VolumeValue);
        SoundDevice.Start();
        StartedFlag = true;
        FirstFill = false;
    }
    if (abort) {
        SoundDevice.Halt();
        OutputOpen = false;
        return false;
    }
    if (!Ended) {
        uint32_t free = 0;
        for (int pass = 1;; ++pass) {
            WaitOnePoll();
            // A stop need not wait for room in the ring: the next block ends the run.
            if (Thread->StopFlag)
                return true;
            free = SoundDevice.FreeSpace();
            free -= free % frame;
            if (pass == 17) {
                LastError = QStringLiteral("Audio output error");
                PostThreadException();
                return false;
            }
            if (free > 0)
                break;
        }
        const uint32_t want = std::min(free, TransferBytes);
        uint8_t* data = nullptr;
        uint32_t n = want;
        if (PrefetchData) {
            in->Read(data, n);
            n = std::min(n, want);
        } else {
            bool end = false;
            n = in->ReadFully(TransferBuffer.data(), want, end);
            data = TransferBuffer.data();
        }
        Ended = n == 0;
        if (n > 0)
            SoundDevice.Write(data, n);
        if (Ended) {
            AudioEnd = SoundDevice.BytesWritten();
            SoundDevice.FillSilence(SilenceByte);
        }
        const int32_t underruns = SoundDevice.UnderrunCount();
        if (underruns != KnownUnderruns) {
            KnownUnderruns = underruns;
            SoundDevice.Halt();
            SoundDevice.FillSilence(SilenceByte);
            PostUnderrun();
            SoundDevice.Continue();
        }
        return true;
    }
    OutputOpen = false;
    Drain();
    return false;
}

void TDXAudioOut::WaitOnePoll() {
    const auto start = std::chrono::steady_clock::now();
    const int32_t interval = std::max(1, PollingInterval.load());
    if (PrefetchData) {
        const int64_t frames = int64_t(interval) * SampleRate / 1000;
        const int64_t bytes = (frames + frames / 4) * SoundDevice.Format().FrameBytes();
        if (bytes > 0)
            Input()->Prefetch(uint32_t(bytes));
    }
    std::this_thread::sleep_until(start + std::chrono::milliseconds(interval));
}

void TDXAudioOut::Drain() {
    // Everything written before the end of the input is played before the device stops; each
    // step tops the ring up with silence so that the device never runs dry meanwhile. A device
    // that stops taking data is given up on after the ring's length and a second more.
    const int64_t bytesPerSecond = int64_t(SampleRate) * SoundDevice.Format().FrameBytes();
    const int64_t ringMs = bytesPerSecond > 0 ? int64_t(SoundDevice.BufferBytes()) * 1000 / bytesPerSecond : 0;
    const int64_t maxSteps = (ringMs + 1000) / 100 + 1;
    for (int64_t step = 0; step < maxSteps && SoundDevice.BytesPlayed() < AudioEnd && !Thread->StopFlag; ++step) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        SoundDevice.FillSilence(SilenceByte);
    }
    SoundDevice.Halt();
}

void TDXAudioOut::EndOutput() {
    if (!Released) {
        SoundDevice.Close();
        TransferBuffer = {};
    }
    StartedFlag = false;
    if (TAuInput* in = Input())
        in->EndReading();
    Released = true;
}

void TDXAudioOut::PostUnderrun() {
    const uint64_t run = CurrentRun();
    QMetaObject::invokeMethod(
        this,
        [this, run] {
            if (CurrentRun() != run || DroppedUnderrunRun.load() == run)
                return;
            // A copy: the handler may free this sink.
            const TUnderrunEvent handler = OnUnderrun;
            if (handler)
                handler(this);
        },
        Qt::QueuedConnection);
}

void TDXAudioOut::Stop(bool async) {
    if (!async)
        DroppedUnderrunRun = CurrentRun();
    TAuOutput::Stop(async);
}

void TDXAudioOut::Pause() {
    if (!Input())
        throw EAuException(QStringLiteral("Input is not assigned."));
    // A run that is only playing out its end has nothing left to pause.
    if (Busy && Ended)
        return;
    TAuOutput::Pause();
    if (!Ended)
        SoundDevice.Halt();
}

void TDXAudioOut::Resume() {
    if (!Busy || Status() != osPaused)
        return;
    if (!Ended && StartedFlag)
        SoundDevice.Continue();
    // Even after the end of the input the worker is woken, so the run plays out and ends.
    TAuOutput::Resume();
}

void TDXAudioOut::SeekRelative(int32_t offset) {
    const bool wasPaused = Status() == osPaused;
    Pause();
    if (StartedFlag)
        SoundDevice.FillSilence(SilenceByte);
    if (TAuInput* in = Input()) {
        std::lock_guard lock(in->DataLock);
        // What was read ahead belongs to the old position.
        if (in->Busy && !in->PrefetchBuffer.empty()) {
            std::fill(in->PrefetchBuffer.begin(), in->PrefetchBuffer.end(), SilenceByte);
            in->PrefetchCount = uint32_t(in->PrefetchBuffer.size());
            in->PrefetchOffset = 0;
        }
        in->SeekRelative(offset);
    }
    // A seek while paused stays paused.
    if (!wasPaused)
        Resume();
}
