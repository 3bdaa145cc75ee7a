// TEventHandler: the one process-wide thread that delivers the events of every sink on the
// main (Qt) thread. Workers post records without waiting; this thread takes them in order and
// runs each handler on the main thread through a blocking queued call, so handlers never run
// concurrently and a worker never waits for the user interface.
//
// It exists while at least one sink exists (AddRef in a sink's constructor, Release in its
// destructor).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "audio/AuThread.h"

#include <QObject>

class TAuOutput;

// Lives in the main thread and runs the event thread's pending call there.
class TMainThreadTarget : public QObject {
    Q_OBJECT
public:
    std::mutex PendingLock;
    const std::function<void()>* PendingCall = nullptr; // guarded by PendingLock
    TAuEvent Returned;
    Q_INVOKABLE void RunPending();
};

enum TAuEventKind : uint8_t { ekProgress = 0, ekDone = 1, ekThreadException = 2 };

struct TAuEventRecord {
    TAuEventKind Kind = ekProgress;
    TAuOutput* Sender = nullptr;
    uint64_t Run = 0;
};

class TEventHandler {
public:
    static void AddRef();
    static void Release();
    // The running instance (null when no sink exists).
    static TEventHandler* Instance();

    // Queues a record unless its sender is refused; never blocks on the main thread.
    void Post(TAuEventKind kind, TAuOutput* sender, uint64_t run);
    // Refuses (and drops the queued records of) a sender until Accept.
    void Refuse(TAuOutput* sender);
    void Accept(TAuOutput* sender);
    // Drops the queued records of a sender (of one run, or all when run is 0).
    void Purge(TAuOutput* sender, uint64_t run = 0);
    // This thread is handling a record of the sender and the main thread is not running its
    // handler (so the handler may still be called).
    bool Dispatching(TAuOutput* sender);
    bool IsRefused(TAuOutput* sender);

    std::deque<TAuEventRecord> Queue;
    std::mutex QueueLock;
    TAuEvent Signal;
    std::atomic<TAuOutput*> InDispatch{nullptr};

private:
    TEventHandler();
    ~TEventHandler();
    void Run();
    static void ReleaseUnused();
    // Ends the thread, waits for it and frees this object.
    void Finish();
    void Dispatch(const TAuEventRecord& record);
    // Runs fn on the main thread and waits for it.
    void CallOnMain(TAuOutput* sender, const std::function<void()>& fn);

    std::map<TAuOutput*, int> Refused; // guarded by QueueLock
    std::atomic<TAuOutput*> MainDelivering{nullptr};
    std::atomic<bool> TerminateFlag{false};
    TMainThreadTarget* MainTarget = nullptr;
    // Set as the last thing the thread does, so Finish can service the main thread while it waits.
    TAuEvent Finished;
    std::thread Thread;
};
