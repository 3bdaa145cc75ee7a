// TAuThread: the worker thread of one sink. It waits for Run, then calls BeginOutput,
// OutputBlock until the run ends or is stopped, and EndOutput, posting progress, exception and
// done events to the event thread. TAuEvent is the manual-reset event it waits on.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class TAuOutput;

// A manual-reset event: Set wakes every waiter and stays set until Reset.
class TAuEvent {
public:
    void Set();
    void Reset();
    void Wait();
    // False on time-out.
    bool WaitFor(int32_t milliseconds);

private:
    std::mutex Mutex;
    std::condition_variable Cond;
    bool State = false;
};

// A std::thread rather than a QThread: its start, end and waits are then plain pthread and
// std:: operations, which ThreadSanitizer can follow.
class TAuThread {
public:
    // Starts running at once; it waits for the first run.
    explicit TAuThread(TAuOutput* owner);
    ~TAuThread();
    TAuThread(const TAuThread&) = delete;
    TAuThread& operator=(const TAuThread&) = delete;

    // Released when the worker has paused.
    TAuEvent PausedEvent;
    // OnDone is delivered for the run (Stop(false) clears it for the stopped run).
    std::atomic<bool> FireDone{true};
    std::atomic<bool> DoneSent{false};
    TAuOutput* const Owner;
    std::atomic<bool> StopFlag{false};
    std::atomic<bool> PauseRequested{false};
    std::atomic<bool> Paused{false};
    // Milliseconds slept before each block; only values above 5 take effect.
    std::atomic<int32_t> PerBlockSleep{0};
    // Blocked waiting for a run.
    std::atomic<bool> Idle{false};

    // Asks for one run (from Run).
    void RequestRun();
    // A run was requested and the worker has not picked it up yet.
    bool RunPending();
    // Wakes a paused worker (Resume, Stop).
    void Wake();
    // Ends the thread after the current run; Join afterwards.
    void Terminate();
    bool Terminated() const { return TerminateFlag.load(); }
    void Join();
    // Asks the system for the highest scheduling priority it grants this process (best effort:
    // an unprivileged process keeps its normal priority).
    void SetHighestPriority();

private:
    void Run();
    void WaitForRun();
    void PauseHere();

    std::mutex WakeMutex;
    std::condition_variable WakeCond;
    bool RunRequested = false;
    bool WakeRequested = false;
    std::atomic<bool> TerminateFlag{false};
    std::thread Worker; // last: started once everything above exists
};
