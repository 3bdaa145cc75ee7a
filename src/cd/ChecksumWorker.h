// TChecksumWorker: a track's checksums (TTrackChecksums) computed on a thread of their own, so
// that a fast read (a disc image in the page cache, a fast drive) does not wait for them: the
// reading thread hands over each block it read together with the owner that keeps it alive,
// and takes the result once the track is read.
#pragma once

#include "cd/TrackChecksums.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class TChecksumWorker {
public:
    // Starts over for a track (see TTrackChecksums::Begin).
    TChecksumWorker(int64_t frames, bool firstAudio, bool lastAudio, bool loudness = false);
    ~TChecksumWorker();
    TChecksumWorker(const TChecksumWorker&) = delete;
    TChecksumWorker& operator=(const TChecksumWorker&) = delete;

    // Adds `bytes` at `data`, which stays valid while `owner` lives (null for memory that
    // always does).
    void Add(std::shared_ptr<const void> owner, const uint8_t* data, size_t bytes);
    // Waits for every block added and gives the checksums.
    TTrackChecksums Finish();

private:
    struct TBlock {
        std::shared_ptr<const void> Owner;
        const uint8_t* Data;
        size_t Bytes;
    };
    std::mutex Lock;
    std::condition_variable Wake;
    std::deque<TBlock> Queue;
    bool Busy = false; // the worker is summing a block taken off the queue
    bool Closing = false;
    TTrackChecksums Sums; // the worker's alone until Finish
    std::thread Thread;

    void Run();
};
