// The recorder's wave device over SDL2 (see SdlWaveDevice.h).
#include "record/SdlWaveDevice.h"

#include "audio/AuException.h"
#include "audio/AuFileStream.h"
#include "audio/DXAudioOut.h"
#include "audio/WaveHeader.h"
#include "audio/WaveIn.h"
#include "platform/SaveFile.h"
#include "platform/SoundDevice.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <SDL.h>

#include <algorithm>

namespace {

// The largest data chunk a RIFF file can describe, in whole frames.
int64_t MaxDataBytes(int32_t frameBytes) {
    const int64_t max = int64_t(0xFFFFFFFFu) - 36;
    return max - max % frameBytes;
}

// Copies `bytes` from `in` (at its position) to `out`; false with a reason.
bool CopyBytes(QFile& in, QSaveFile& out, int64_t bytes, QString& error) {
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (bytes > 0) {
        const qint64 n = in.read(buffer.data(), std::min<int64_t>(bytes, buffer.size()));
        if (n <= 0) {
            error = n < 0 ? in.errorString() : in.fileName() + QStringLiteral(": shorter than expected");
            return false;
        }
        if (!WriteAll(out, buffer.constData(), n, error))
            return false;
        bytes -= n;
    }
    return true;
}

} // namespace

TSdlWaveDevice::TSdlWaveDevice() = default;

TSdlWaveDevice::~TSdlWaveDevice() {
    Close();
}

int64_t TSdlWaveDevice::BytesToMs(int64_t bytes) const {
    if (FrameBytes <= 0 || SampleRate <= 0)
        return 0;
    return bytes / FrameBytes * 1000 / SampleRate;
}

int64_t TSdlWaveDevice::MsToBytes(int64_t ms) const {
    return std::max<int64_t>(0, ms) * SampleRate / 1000 * FrameBytes;
}

bool TSdlWaveDevice::Open(const QString& fileName) {
    Close();
    Error.clear();
    TWaveHeaderInfo info;
    int64_t fileSize = 0;
    try {
        TAuFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
        fileSize = stream.Size();
        info = ScanWaveHeader(stream, TWaveScanMode::Reader);
    } catch (const EAuException& e) {
        Error = e.Message();
        return false;
    }
    const bool pcm = info.WavType == wtPCM || info.WavType == wtExtPCM;
    const int bits = info.BitsPerSample;
    if (!info.Found || !pcm || (bits != 8 && bits != 16 && bits != 32) || info.Channels < 1 || info.Channels > 2 ||
        info.SampleRate < 1000 || info.SampleRate > 384000) {
        Error = fileName + QStringLiteral(": not a PCM WAV file of 8, 16 or 32 bits with one or two channels");
        return false;
    }
    Name = fileName;
    Channels = info.Channels;
    SampleRate = int32_t(info.SampleRate);
    BitsPerSample = bits;
    FrameBytes = Channels * bits / 8;
    DataStart = info.DataStart;
    // A file cut short holds less than its header says: what is there counts.
    DataBytes = std::clamp<int64_t>(fileSize - DataStart, 0, info.DataSize);
    DataBytes -= DataBytes % FrameBytes;
    OpenFlag = true;
    return true;
}

void TSdlWaveDevice::Close() {
    Stop();
    if (Pending)
        KeepCapture();
    OpenFlag = false;
    Name.clear();
    DataBytes = 0;
}

TWaveMode TSdlWaveDevice::Mode() {
    if (!OpenFlag)
        return wmNotReady;
    if (Capturing) {
        if (!LimitReached.load())
            return wmRecording;
        // The recording has all it asked for: stop taking audio from the card.
        if (!CapturePaused) {
            SDL_PauseAudioDevice(CaptureDevice, 1);
            CapturePaused = true;
        }
        return wmStopped;
    }
    if (PlayOut && PlayOut->Busy.load())
        return wmPlaying;
    return wmStopped;
}

int64_t TSdlWaveDevice::Length() {
    if (!OpenFlag)
        return 0;
    if (Capturing || Pending)
        return BytesToMs(RecordFrom + Captured.load());
    return BytesToMs(DataBytes);
}

// ---- playback ----

bool TSdlWaveDevice::Play(int64_t fromMs) {
    Error.clear();
    if (!OpenFlag) {
        Error = QStringLiteral("No file is open.");
        return false;
    }
    // What plays is the file; a recording still waiting is saved into it first.
    if (HasRecording() && !Save())
        return false;
    StopPlayback();
    {
        TSdlAudioUse use;
        if (!use.Ok) {
            Error = use.Error;
            return false;
        }
    }
    PlayIn = std::make_unique<TWaveIn>();
    PlayIn->SetFileName(Name);
    const int64_t frames = MsToBytes(fromMs) / FrameBytes;
    if (frames * FrameBytes >= DataBytes) {
        PlayIn.reset();
        return true; // nothing left to play: stopped at the end
    }
    PlayIn->SetStartSample(frames);
    PlayOut = std::make_unique<TDXAudioOut>();
    PlayOut->SetInput(PlayIn.get());
    try {
        PlayOut->Run();
    } catch (const EAuException& e) {
        Error = e.Message();
        StopPlayback();
        return false;
    }
    return true;
}

void TSdlWaveDevice::StopPlayback() {
    if (PlayOut)
        PlayOut->Stop(false);
    PlayOut.reset();
    PlayIn.reset();
}

// ---- recording ----

void TSdlWaveDevice::CaptureCallback(void* self, uint8_t* stream, int len) {
    auto* d = static_cast<TSdlWaveDevice*>(self);
    int64_t take = len;
    const int64_t captured = d->Captured.load();
    if (d->LimitBytes >= 0) {
        take = std::clamp<int64_t>(d->LimitBytes - captured, 0, len);
        take -= take % d->FrameBytes;
    }
    if (take > 0) {
        {
            std::lock_guard guard(d->QueueLock);
            d->Queue.emplace_back(stream, stream + take);
        }
        d->QueueChanged.notify_one();
        d->Captured.store(captured + take);
    }
    if (d->LimitBytes >= 0 && captured + take >= d->LimitBytes)
        d->LimitReached.store(true);
}

void TSdlWaveDevice::WriterLoop() {
    std::unique_lock lock(QueueLock);
    for (;;) {
        QueueChanged.wait(lock, [this] { return WriterStop || (!Queue.empty() && WriterError.isEmpty()); });
        if (Queue.empty() || !WriterError.isEmpty()) {
            if (WriterStop)
                return;
            continue;
        }
        std::vector<uint8_t> block = std::move(Queue.front());
        Queue.pop_front();
        lock.unlock();
        const qint64 before = CaptureOut.size();
        const bool ok =
            CaptureOut.write(reinterpret_cast<const char*>(block.data()), qint64(block.size())) == qint64(block.size());
        if (!ok)
            CaptureOut.resize(before); // no half block: the whole one stays in memory
        lock.lock();
        if (!ok) {
            // The disk refused: keep this block and the rest in memory for Save.
            WriterError = CaptureOut.errorString();
            Queue.push_front(std::move(block));
        }
    }
}

bool TSdlWaveDevice::Record(int64_t fromMs, int64_t toMs) {
    Error.clear();
    if (!OpenFlag) {
        Error = QStringLiteral("No file is open.");
        return false;
    }
    if (Capturing)
        return true;
    StopPlayback();
    if (Pending && !Save())
        return false;

    RecordFrom = std::min(MsToBytes(fromMs), DataBytes);
    LimitBytes = MaxDataBytes(FrameBytes) - RecordFrom;
    if (toMs >= 0)
        LimitBytes = std::clamp<int64_t>(MsToBytes(toMs) - RecordFrom, 0, LimitBytes);

    // The capture file: beside the open file, else in the temporary folder.
    const QFileInfo info(Name);
    for (const QString& folder : {info.absolutePath(), QDir::tempPath()}) {
        QTemporaryFile file(QDir(folder).filePath(info.completeBaseName() + QStringLiteral("-recording-XXXXXX.wav")));
        file.setAutoRemove(false);
        if (file.open()) {
            CapturePath = file.fileName();
            break;
        }
    }
    CaptureOut.setFileName(CapturePath);
    // Until the recording is saved or kept, the header claims the most a file can hold, so a
    // reader of a capture left behind by a crash finds all of it.
    const QByteArray placeholder =
        MakePcmHeader(Channels, SampleRate, BitsPerSample, uint32_t(MaxDataBytes(FrameBytes)));
    if (CapturePath.isEmpty() || !CaptureOut.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered) ||
        CaptureOut.write(placeholder) != placeholder.size()) {
        Error = QStringLiteral("Cannot create a file for the recording: ") + CaptureOut.errorString();
        CaptureOut.close();
        if (!CapturePath.isEmpty())
            QFile::remove(CapturePath);
        CapturePath.clear();
        return false;
    }

    QString why;
    if (!TSdlAudio::Acquire(why)) {
        Error = why;
        CaptureOut.close();
        QFile::remove(CapturePath);
        CapturePath.clear();
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = SampleRate;
    want.format = BitsPerSample == 8 ? AUDIO_U8 : BitsPerSample == 16 ? AUDIO_S16LSB : AUDIO_S32LSB;
    want.channels = uint8_t(Channels);
    // About a twentieth of a second per block.
    want.samples = 256;
    while (want.samples < 8192 && want.samples * 20 < SampleRate)
        want.samples *= 2;
    want.callback = &TSdlWaveDevice::CaptureCallback;
    want.userdata = this;
    Captured = 0;
    LimitReached = LimitBytes == 0;
    CapturePaused = false;
    {
        std::lock_guard guard(QueueLock);
        Queue.clear();
        WriterStop = false;
        WriterError.clear();
    }
    SDL_AudioSpec have{};
    // No changes allowed: what the callback receives is the file's format (SDL converts).
    CaptureDevice = SDL_OpenAudioDevice(nullptr, 1, &want, &have, 0);
    if (CaptureDevice == 0) {
        Error = QString::fromUtf8(SDL_GetError());
        if (Error.isEmpty())
            Error = QStringLiteral("no recording device");
        TSdlAudio::Release();
        CaptureOut.close();
        QFile::remove(CapturePath);
        CapturePath.clear();
        return false;
    }
    SdlHeld = true;
    Writer = std::thread(&TSdlWaveDevice::WriterLoop, this);
    Capturing = true;
    Pending = false;
    Kept.clear();
    SDL_PauseAudioDevice(CaptureDevice, 0);
    return true;
}

void TSdlWaveDevice::StopCapture() {
    if (!Capturing)
        return;
    // Returns once the callback has run for the last time.
    SDL_CloseAudioDevice(CaptureDevice);
    CaptureDevice = 0;
    if (SdlHeld)
        TSdlAudio::Release();
    SdlHeld = false;
    {
        std::lock_guard guard(QueueLock);
        WriterStop = true;
    }
    QueueChanged.notify_one();
    Writer.join();
    CaptureOut.flush();
    Capturing = false;
    Pending = true;
}

void TSdlWaveDevice::Stop() {
    StopCapture();
    StopPlayback();
}

bool TSdlWaveDevice::Save() {
    Error.clear();
    StopCapture();
    if (!Pending)
        return true;
    const int64_t onDisk = CaptureOut.size() - 44;
    const int64_t newData = RecordFrom + Captured.load();
    QString why;
    QSaveFile out(Name);
    QFile old(Name);
    bool ok = OpenSaveFile(out, why);
    const QByteArray header = MakePcmHeader(Channels, SampleRate, BitsPerSample, uint32_t(newData));
    if (ok)
        ok = WriteAll(out, header.constData(), header.size(), why);
    if (ok && RecordFrom > 0) {
        ok = old.open(QIODevice::ReadOnly) && old.seek(DataStart);
        if (!ok)
            why = old.errorString();
        ok = ok && CopyBytes(old, out, RecordFrom, why);
    }
    if (ok) {
        ok = CaptureOut.seek(44) && CopyBytes(CaptureOut, out, onDisk, why);
        if (!ok && why.isEmpty())
            why = CaptureOut.errorString();
    }
    for (const std::vector<uint8_t>& block : Queue) {
        if (!ok)
            break;
        ok = WriteAll(out, reinterpret_cast<const char*>(block.data()), qint64(block.size()), why);
    }
    if (ok)
        ok = CommitSaveFile(out, why);
    if (!ok) {
        out.cancelWriting();
        Error = Name + QStringLiteral(": ") + why;
        KeepCapture();
        return false;
    }
    Queue.clear();
    CaptureOut.close();
    QFile::remove(CapturePath);
    CapturePath.clear();
    Pending = false;
    DataStart = 44;
    DataBytes = newData;
    return true;
}

void TSdlWaveDevice::KeepCapture() {
    StopCapture();
    if (!Pending)
        return;
    // Whatever the disk refused earlier goes after what it took; if it still refuses, the file
    // keeps what it has and its header says so.
    CaptureOut.seek(CaptureOut.size());
    for (const std::vector<uint8_t>& block : Queue)
        if (CaptureOut.write(reinterpret_cast<const char*>(block.data()), qint64(block.size())) != qint64(block.size()))
            break;
    Queue.clear();
    const int64_t data = std::max<int64_t>(0, CaptureOut.size() - 44);
    const QByteArray header = MakePcmHeader(Channels, SampleRate, BitsPerSample, uint32_t(data - data % FrameBytes));
    if (CaptureOut.seek(0))
        CaptureOut.write(header);
    CaptureOut.close();
    Kept = CapturePath;
    CapturePath.clear();
    Pending = false;
}
