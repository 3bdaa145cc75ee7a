// TAuStreamedInput: a source that reads a byte stream, with a sample range, looping and
// seeking (by absolute frame or by thousandths of the whole).
#pragma once

#include "audio/AuFileStream.h"
#include "audio/AuInput.h"

class TAuStreamedInput : public TAuInput {
    Q_OBJECT
public:
    explicit TAuStreamedInput(QObject* owner = nullptr);
    ~TAuStreamedInput() override;

    // The byte stream read; owned here unless StreamAttached.
    TAuStream* Stream = nullptr;
    bool StreamAttached = false;
    // First frame of a run and last frame (inclusive, -1 = to the end); they apply to one run.
    std::atomic<int64_t> StartSample{0};
    std::atomic<int64_t> EndSample{-1};
    // At its end the source rewinds to StartSample and never reports the end.
    std::atomic<bool> Loop{false};
    std::atomic<int64_t> TotalSamples{0};

    void SetStartSample(int64_t sample) { StartSample = sample; }
    void SetEndSample(int64_t sample) { EndSample = sample; }
    void SetLoop(bool value) { Loop = value; }
    // Uses a stream that belongs to the caller (nil detaches).
    virtual void AttachStream(TAuStream* stream);

    // While busy: moves the reader to frame `sample` of the run's range; else makes `sample`
    // the start of the next run. False when not seekable or out of range.
    bool Seek(int64_t sample);
    // Moves by `offset` thousandths of the whole, clamped to the start and the end.
    void SeekRelative(int32_t offset) override;

protected:
    // Positions the concrete reader at an absolute frame (StartSample already added).
    virtual bool SeekSource(int64_t& sample) = 0;
    // ReadInternal with the run's range, end and loop handling.
    void ReadThrough(uint8_t*& buffer, uint32_t& bytes) override;
    // Adds one ReadInternal result to Position and sets EndOfData (caller holds DataLock).
    void AccountRead(uint32_t& bytes);

    // A looping source handed out its last block; the next read starts again at StartSample.
    bool RewindPending = false;

private:
    void Rewind();
};
