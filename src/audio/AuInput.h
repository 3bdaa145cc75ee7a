// TAuInput: the abstract source of the pull-model stream framework, with the pull protocol,
// position accounting and prefetching that every source and filter shares.
//
// The pull protocol: a sink's worker thread calls BeginReading, then Read(buffer, bytes)
// repeatedly, then EndReading. On entry `bytes` is the most the caller wants; on return
// `buffer` points into memory owned by the source and `bytes` says how many bytes are valid
// there (whole sample frames; valid until the next call on this source). 0 bytes means the
// end, and further calls keep returning 0. All three calls hold DataLock, so the main thread
// may Seek a source while a worker reads it.
//
// A concrete file source (see AuFileIn.h) overrides the header and data slots:
//
//     class TToneIn : public TAuFileIn {
//     public:
//         ~TToneIn() override { ReleaseConsumers(); CloseSource(); }
//         void OpenSource() override {          // idempotent while OpenCount > 0
//             std::lock_guard lock(FileLock);
//             if (OpenCount++ > 0) return;
//             if (!Stream) { Stream = new TAuFileStream(FileName(), fmOpenRead | fmShareDenyWrite); }
//             ... parse the header: Channels, BitsPerSample, SampleRate, Size, ValidFlag = true ...
//         }
//         void CloseSource() override {
//             std::lock_guard lock(FileLock);
//             if (OpenCount == 0) return;
//             if (!StreamAttached) { delete Stream; Stream = nullptr; }
//             OpenCount = 0;
//         }
//     protected:
//         void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override {
//             if (!Busy) throw EAuException("The Stream is not opened");
//             if (BlockLast < BlockFirst) { BlockFirst = 1; BlockLast = (refill Block, whole frames); }
//             bytes = std::min<uint32_t>(bytes, BlockLast - BlockFirst + 1);   // 0 = end
//             buffer = Block.data() + BlockFirst - 1;
//             BlockFirst += bytes;
//         }
//         bool SeekSource(int64_t& sample) override {   // absolute frame, StartSample included
//             Stream->SetPosition(DataStart + sample * FrameSize); BlockFirst = 1; BlockLast = 0; return true;
//         }
//     };
//
// (TAuStreamedInput and TAuConverter add the bytes to Position; their ReadInternal must not.
// A direct TAuInput descendant counts Position in its own ReadInternal.)
//
// A filter (see AuConverter.h) reads its own Input() inside ReadInternal:
//
//     class THalfGain : public TAuConverter {
//     public:
//         ~THalfGain() override { ReleaseConsumers(); }
//     protected:
//         void BeginReadingInternal() override {
//             if (!Input()) throw EAuException("Input is not assigned");
//             Input()->BeginReading(); Busy = true; Position = 0; Size = Input()->Size.load();
//         }
//         void EndReadingInternal() override { if (Input()) Input()->EndReading(); Busy = false; }
//         void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override {
//             if (!Busy) throw EAuException("The Stream is not opened");
//             uint8_t* in = nullptr;
//             Input()->Read(in, bytes);                 // bytes = what came; 0 = end
//             Out.assign(in, in + bytes); ... scale Out ...
//             buffer = Out.data();
//         }
//         std::vector<uint8_t> Out;
//     };
//
// A concrete source calls ReleaseConsumers() first in its destructor (see below), and a file
// source also CloseSource().
//
// Fields are public so that windows and neighbouring components can read them; the ones that
// more than one thread touches are atomics.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class TAuInput : public QObject {
    Q_OBJECT
public:
    explicit TAuInput(QObject* owner = nullptr);
    ~TAuInput() override;

    // Bytes delivered so far in the current run.
    std::atomic<int64_t> Position{0};
    // Bytes the run will deliver; -1 when the source cannot tell, 0 when nothing.
    std::atomic<int64_t> Size{0};
    // Bytes per sample frame (channels x bits / 8), set by file sources.
    uint16_t FrameSize = 0;
    bool Seekable = false;
    // True between the start and the end of a run.
    std::atomic<bool> Busy{false};
    // 1-based indices into a concrete source's own decode buffer; BlockLast < BlockFirst = empty.
    int32_t BlockFirst = 1;
    int32_t BlockLast = 0;
    // Serialises Read, Prefetch, BeginReading, EndReading and Seek (re-entrant).
    std::recursive_mutex DataLock;
    std::atomic<bool> EndOfData{false};
    // When set, a filter reports its input's bits per sample unmasked (see TAuConverter).
    bool FullBitDepth = false;
    // Data read ahead by Prefetch: PrefetchCount bytes held, PrefetchOffset already handed out.
    std::vector<uint8_t> PrefetchBuffer;
    uint32_t PrefetchCount = 0;
    uint32_t PrefetchOffset = 0;
    // Message of the exception that made the last BeginReading fail.
    QString LastError;

    virtual int32_t GetBitsPerSample() = 0;
    virtual int32_t GetChannels() = 0;
    virtual int32_t GetSampleRate() = 0;
    virtual int32_t GetTotalSeconds() { return 0; }
    virtual int64_t GetTotalSamples() { return 0; }
    virtual void SetFullBitDepth(bool value) { FullBitDepth = value; }
    // The public pull operation with position accounting.
    virtual void Read(uint8_t*& buffer, uint32_t& bytes);
    // Ends reading ignoring any exception, then clears Busy.
    virtual void Reset();
    // Reads up to `bytes` ahead into PrefetchBuffer; Read hands them out first.
    virtual void Prefetch(uint32_t bytes);
    virtual void Pause() {}
    virtual void Resume() {}
    // Moves by `offset` thousandths of the whole length. A filter passes it on to its input and
    // a file source seeks, so a sink can move the source at the head of its chain; other
    // sources ignore it.
    virtual void SeekRelative(int32_t offset) { (void)offset; }

    // Starts a run; any failure is raised as EAuException with the same message.
    void BeginReading();
    void EndReading();
    void Lock() { DataLock.lock(); }
    void Unlock() { DataLock.unlock(); }
    // One Read, copied into the caller's buffer; the byte count (0 at the end).
    uint32_t ReadOnce(void* buffer, uint32_t bytes);
    // Reads until `bytes` are gathered or the end; endReached when the last Read gave 0.
    uint32_t ReadFully(void* buffer, uint32_t bytes, bool& endReached);

Q_SIGNALS:
    // The source is going away: sinks stop their runs and forget it, filters forget it.
    void Releasing(TAuInput* input);

protected:
    // Emits Releasing once. A concrete source calls it first in its destructor, while it is
    // still whole, so that a sink still reading it is stopped before anything is torn down;
    // the base destructor calls it as a last resort.
    void ReleaseConsumers();

    // Prepares the source for a run / releases what the run used / produces the next block.
    virtual void BeginReadingInternal() = 0;
    virtual void EndReadingInternal() = 0;
    virtual void ReadInternal(uint8_t*& buffer, uint32_t& bytes) = 0;
    // The part of Read behind the prefetch buffer: ReadInternal plus this class's position and
    // end accounting (the base leaves Position to ReadInternal). Prefetch reads through it too,
    // so every byte is counted once. Caller holds DataLock.
    virtual void ReadThrough(uint8_t*& buffer, uint32_t& bytes) { ReadInternal(buffer, bytes); }
    // Hands out prefetched bytes (caller holds DataLock); false when nothing is held.
    bool ServePrefetched(uint8_t*& buffer, uint32_t& bytes);
    void ClearPrefetch() { PrefetchCount = PrefetchOffset = 0; }

private:
    bool Released = false;
};
