// The SDL2 audio subsystem holder and the playback ring buffer.
#include "platform/SoundDevice.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

std::mutex SdlLock;
int SdlUsers = 0; // guarded by SdlLock

QString SdlError() {
    const QString why = QString::fromUtf8(SDL_GetError());
    return why.isEmpty() ? QStringLiteral("unknown SDL error") : why;
}

// SDL keeps its error text in per-thread storage that it frees only for threads it started
// itself. Playback and recording run SDL calls on our own worker threads, so each use gives
// that storage back when it ends (SDL makes it anew on the next call).
void FreeSdlThreadState() {
    SDL_TLSCleanup();
}

inline int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

bool TSdlAudio::Acquire(QString& error) {
    std::lock_guard guard(SdlLock);
    if (SdlUsers > 0) {
        ++SdlUsers;
        return true;
    }
    // Ctrl+C must keep ending the command-line tool. SDL's log carries only notices (such as the
    // disk driver's "you are using" lines); its errors come back through SDL_GetError.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Discwright");
    SDL_LogSetOutputFunction([](void*, int, SDL_LogPriority, const char*) {}, nullptr);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SdlError();
        FreeSdlThreadState();
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver && std::strcmp(driver, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        error = QStringLiteral("SDL's dummy audio driver is the only one available, and it has no sound device");
        FreeSdlThreadState();
        return false;
    }
    SdlUsers = 1;
    return true;
}

void TSdlAudio::Release() {
    std::lock_guard guard(SdlLock);
    if (SdlUsers <= 0)
        return;
    if (--SdlUsers == 0)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    FreeSdlThreadState();
}

QString TSdlAudio::DriverName() {
    TSdlAudioUse use;
    if (!use.Ok)
        return QString();
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver ? QString::fromUtf8(driver) : QString();
}

std::vector<TSoundDeviceInfo> TSdlAudio::Devices(bool capture) {
    std::vector<TSoundDeviceInfo> list;
    list.push_back(
        {QByteArray(), capture ? QStringLiteral("Default recording device") : QStringLiteral("Default sound device")});
    TSdlAudioUse use;
    if (!use.Ok)
        return list;
    const int count = SDL_GetNumAudioDevices(capture ? 1 : 0);
    for (int i = 0; i < count && int(list.size()) < MaxDevices; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, capture ? 1 : 0);
        if (!name)
            continue;
        list.push_back({QByteArray(name), QString::fromUtf8(name).left(127)});
    }
    return list;
}

// ---------------------------------------------------------------------------------------------

TSoundDevice::~TSoundDevice() {
    Close();
}

int32_t TSoundDevice::Open(const QByteArray& deviceId, const TSoundFormat& format, uint32_t bytes) {
    Close();
    Error.clear();
    const int32_t bits = format.BitsPerSample;
    const bool bitsOk = bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!bitsOk || format.Channels < 1 || format.Channels > 8 || format.SampleRate < 1 || format.SampleRate > 768000) {
        Error = QStringLiteral("%1 channels of %2-bit samples at %3 Hz cannot be played")
                    .arg(format.Channels)
                    .arg(bits)
                    .arg(format.SampleRate);
        return seFormat;
    }
    const uint32_t frame = uint32_t(format.FrameBytes());
    bytes -= bytes % frame;
    if (bytes == 0) {
        Error = QStringLiteral("the buffer holds no whole frame");
        return seFormat;
    }
    if (!TSdlAudio::Acquire(Error))
        return seDevice;
    SubsystemHeld = true;

    SDL_AudioSpec want{};
    want.freq = format.SampleRate;
    want.format = bits == 8 ? AUDIO_U8 : bits == 16 ? AUDIO_S16LSB : AUDIO_S32LSB;
    want.channels = uint8_t(format.Channels);
    // SDL's own buffer: a power of two well inside the ring, so the ring's refills keep ahead.
    const uint32_t ringFrames = bytes / frame;
    uint32_t samples = 64;
    while (samples * 2 <= std::min<uint32_t>(ringFrames / 4, 4096))
        samples *= 2;
    want.samples = uint16_t(samples);
    want.callback = &TSoundDevice::Callback;
    want.userdata = this;

    Fmt = format;
    FrameBytes = frame;
    OutFrameBytes = uint32_t(format.Channels) * (bits == 24 ? 4u : uint32_t(bits / 8));
    RingBytes = bytes;
    Ring.assign(bytes, 0);
    StarveMicroseconds = std::max<int64_t>(20000, int64_t(ringFrames) * 1000000 / format.SampleRate);
    {
        std::lock_guard guard(Lock);
        WriteOffset = PlayOffset = 0;
        Written = Played = PlayedAtLastCheck = 0;
        FramesPlayedCount = 0;
        Closing = false;
        Started = false;
        PlayingFlag = false;
    }
    Underruns = 0;

    SDL_AudioSpec have{};
    const SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(deviceId.isEmpty() ? nullptr : deviceId.constData(), 0, &want, &have, 0);
    if (id == 0) {
        Error = SdlError();
        Ring = {};
        RingBytes = 0;
        TSdlAudio::Release();
        SubsystemHeld = false;
        return seDevice;
    }
    {
        std::lock_guard guard(Lock);
        DeviceId = id;
    }
    // The callback runs from now on, and waits in Fill until Start.
    SDL_PauseAudioDevice(id, 0);
    return seNone;
}

void TSoundDevice::Start() {
    {
        std::lock_guard guard(Lock);
        PlayOffset = 0;
        PlayedAtLastCheck = Played;
        FramesPlayedCount = 0;
        Started = true;
        PlayingFlag = true;
    }
    Changed.notify_all();
}

void TSoundDevice::Halt() {
    {
        std::lock_guard guard(Lock);
        PlayingFlag = false;
    }
    Changed.notify_all();
}

void TSoundDevice::Continue() {
    {
        std::lock_guard guard(Lock);
        if (!DeviceId || Closing || !Started)
            return;
        PlayingFlag = true;
    }
    Changed.notify_all();
}

uint32_t TSoundDevice::FreeSpace() {
    std::lock_guard guard(Lock);
    if (!DeviceId || Closing)
        return 0;
    if (FrameBytes)
        FramesPlayedCount += double(Played - PlayedAtLastCheck) / FrameBytes;
    PlayedAtLastCheck = Played;
    return RingBytes - uint32_t(Written - Played);
}

uint32_t TSoundDevice::Write(const void* data, uint32_t bytes) {
    uint32_t n = 0;
    {
        std::lock_guard guard(Lock);
        if (!DeviceId || Closing)
            return 0;
        n = std::min(bytes, RingBytes - uint32_t(Written - Played));
        n -= n % FrameBytes;
        if (n == 0)
            return 0;
        const uint32_t first = std::min(n, RingBytes - WriteOffset);
        std::memcpy(Ring.data() + WriteOffset, data, first);
        if (n > first)
            std::memcpy(Ring.data(), static_cast<const uint8_t*>(data) + first, n - first);
        WriteOffset = (WriteOffset + n) % RingBytes;
        Written += n;
    }
    Changed.notify_all();
    return n;
}

void TSoundDevice::FillSilence(uint8_t byte) {
    {
        std::lock_guard guard(Lock);
        if (!DeviceId || Closing)
            return;
        const uint32_t n = RingBytes - uint32_t(Written - Played);
        if (n == 0)
            return;
        const uint32_t first = std::min(n, RingBytes - WriteOffset);
        std::memset(Ring.data() + WriteOffset, byte, first);
        if (n > first)
            std::memset(Ring.data(), byte, n - first);
        WriteOffset = (WriteOffset + n) % RingBytes;
        Written += n;
    }
    Changed.notify_all();
}

void TSoundDevice::SetVolume(int32_t volume) {
    volume = std::clamp(volume, -10000, 0);
    VolumeValue = volume;
    Gain = volume <= -10000 ? 0.0f : volume == 0 ? 1.0f : float(std::pow(10.0, volume / 2000.0));
}

void TSoundDevice::Close() {
    uint32_t id = 0;
    {
        std::lock_guard guard(Lock);
        id = DeviceId;
        Closing = true;
        PlayingFlag = false;
    }
    if (id) {
        // SDL closes a device only after its callback has returned: wake it first.
        Changed.notify_all();
        SDL_CloseAudioDevice(id);
    }
    {
        std::lock_guard guard(Lock);
        DeviceId = 0;
        Ring = {};
        RingBytes = 0;
    }
    if (SubsystemHeld) {
        TSdlAudio::Release();
        SubsystemHeld = false;
    }
}

uint64_t TSoundDevice::BytesWritten() const {
    std::lock_guard guard(Lock);
    return Written;
}

uint64_t TSoundDevice::BytesPlayed() const {
    std::lock_guard guard(Lock);
    return Played;
}

double TSoundDevice::FramesWritten() const {
    std::lock_guard guard(Lock);
    return FrameBytes ? double(Written) / FrameBytes : 0.0;
}

void TSoundDevice::Callback(void* self, uint8_t* stream, int len) {
    auto* device = static_cast<TSoundDevice*>(self);
    const uint32_t frames = uint32_t(len) / device->OutFrameBytes;
    device->Fill(stream, frames);
    const uint32_t tail = uint32_t(len) - frames * device->OutFrameBytes;
    if (tail)
        std::memset(stream + frames * device->OutFrameBytes, device->Fmt.BitsPerSample == 8 ? 0x80 : 0, tail);
}

void TSoundDevice::Fill(uint8_t* out, uint32_t frames) {
    uint32_t done = 0;
    {
        std::unique_lock lock(Lock);
        while (done < frames && !Closing) {
            if (!PlayingFlag) {
                Changed.wait(lock, [this] { return PlayingFlag || Closing; });
                continue;
            }
            const uint64_t available = (Written - Played) / FrameBytes;
            if (available == 0) {
                // The writer is behind. Waiting (rather than playing silence at once) keeps a
                // device that asks faster than real time in step with the writer; a wait longer
                // than the whole ring would play means the writer has stalled.
                const bool came = Changed.wait_for(lock, std::chrono::microseconds(StarveMicroseconds),
                                                   [this] { return Written != Played || !PlayingFlag || Closing; });
                if (!came) {
                    ++Underruns;
                    break;
                }
                continue;
            }
            const uint32_t n = uint32_t(std::min<uint64_t>(available, frames - done));
            CopyOut(out + size_t(done) * OutFrameBytes, n);
            done += n;
        }
    }
    if (done < frames)
        std::memset(out + size_t(done) * OutFrameBytes, Fmt.BitsPerSample == 8 ? 0x80 : 0,
                    size_t(frames - done) * OutFrameBytes);
}

void TSoundDevice::CopyOut(uint8_t* out, uint32_t frames) {
    const uint32_t bytes = frames * FrameBytes;
    const int32_t bits = Fmt.BitsPerSample;
    uint32_t copied = 0;
    uint8_t* to = out;
    while (copied < bytes) {
        const uint32_t piece = std::min(bytes - copied, RingBytes - PlayOffset);
        const uint8_t* from = Ring.data() + PlayOffset;
        if (bits == 24) {
            // SDL has no packed 24-bit format: widen to 32 bits.
            for (uint32_t i = 0; i < piece; i += 3) {
                const uint32_t v = uint32_t(from[i]) << 8 | uint32_t(from[i + 1]) << 16 | uint32_t(from[i + 2]) << 24;
                std::memcpy(to, &v, 4);
                to += 4;
            }
        } else {
            std::memcpy(to, from, piece);
            to += piece;
        }
        copied += piece;
        PlayOffset = (PlayOffset + piece) % RingBytes;
    }
    Played += bytes;

    const float gain = Gain;
    if (gain == 1.0f)
        return;
    const size_t samples = size_t(frames) * size_t(Fmt.Channels);
    if (bits == 8) {
        for (size_t i = 0; i < samples; ++i)
            out[i] = uint8_t(std::lrint(float(int(out[i]) - 128) * gain) + 128);
    } else if (bits == 16) {
        for (size_t i = 0; i < samples; ++i) {
            int16_t s;
            std::memcpy(&s, out + 2 * i, 2);
            s = int16_t(std::lrint(float(s) * gain));
            std::memcpy(out + 2 * i, &s, 2);
        }
    } else {
        for (size_t i = 0; i < samples; ++i) {
            int32_t s;
            std::memcpy(&s, out + 4 * i, 4);
            s = Clamp32(std::llrint(double(s) * gain));
            std::memcpy(out + 4 * i, &s, 4);
        }
    }
}
