// Checksums on a thread of their own (see ChecksumWorker.h).
#include "cd/ChecksumWorker.h"

TChecksumWorker::TChecksumWorker(int64_t frames, bool firstAudio, bool lastAudio, bool loudness) {
    Sums.Begin(frames, firstAudio, lastAudio, loudness);
    Thread = std::thread([this] { Run(); });
}

TChecksumWorker::~TChecksumWorker() {
    {
        std::lock_guard<std::mutex> guard(Lock);
        Closing = true;
    }
    Wake.notify_all();
    Thread.join();
}

void TChecksumWorker::Add(std::shared_ptr<const void> owner, const uint8_t* data, size_t bytes) {
    if (bytes == 0)
        return;
    bool idle = false;
    {
        std::lock_guard<std::mutex> guard(Lock);
        idle = Queue.empty() && !Busy;
        Queue.push_back(TBlock{std::move(owner), data, bytes});
    }
    // A worker that is summing takes the block when it looks again: no wake-up per block.
    if (idle)
        Wake.notify_all();
}

TTrackChecksums TChecksumWorker::Finish() {
    std::unique_lock<std::mutex> guard(Lock);
    Wake.wait(guard, [this] { return Queue.empty() && !Busy; });
    return Sums;
}

void TChecksumWorker::Run() {
    std::unique_lock<std::mutex> guard(Lock);
    for (;;) {
        Wake.wait(guard, [this] { return Closing || !Queue.empty(); });
        if (Queue.empty())
            return;
        TBlock block = std::move(Queue.front());
        Queue.pop_front();
        Busy = true;
        guard.unlock();
        Sums.Add(block.Data, block.Bytes);
        block.Owner.reset();
        guard.lock();
        Busy = false;
        if (Queue.empty())
            Wake.notify_all(); // Finish may be waiting
    }
}
