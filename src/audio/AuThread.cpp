// TAuThread: the worker loop of one sink; TAuEvent: a manual-reset event.
#include "audio/AuThread.h"

#include "audio/AuException.h"
#include "audio/AuOutput.h"
#include "audio/EventHandler.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <exception>

void TAuEvent::Set() {
    {
        std::lock_guard lock(Mutex);
        State = true;
    }
    Cond.notify_all();
}

void TAuEvent::Reset() {
    std::lock_guard lock(Mutex);
    State = false;
}

void TAuEvent::Wait() {
    std::unique_lock lock(Mutex);
    Cond.wait(lock, [this] { return State; });
}

bool TAuEvent::WaitFor(int32_t milliseconds) {
    std::unique_lock lock(Mutex);
    return Cond.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return State; });
}

// ---------------------------------------------------------------------------------------------

TAuThread::TAuThread(TAuOutput* owner) : Owner(owner), Worker([this] { Run(); }) {}

TAuThread::~TAuThread() {
    Terminate();
    Join();
}

void TAuThread::Join() {
    if (Worker.joinable())
        Worker.join();
}

void TAuThread::SetHighestPriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_RR);
    if (pthread_setschedparam(Worker.native_handle(), SCHED_RR, &param) != 0) {
        // Not allowed: stay at the normal priority.
    }
}

void TAuThread::RequestRun() {
    {
        std::lock_guard lock(WakeMutex);
        StopFlag = false;
        RunRequested = true;
    }
    WakeCond.notify_all();
}

bool TAuThread::RunPending() {
    std::lock_guard lock(WakeMutex);
    return RunRequested;
}

void TAuThread::Wake() {
    {
        std::lock_guard lock(WakeMutex);
        WakeRequested = true;
    }
    WakeCond.notify_all();
}

void TAuThread::Terminate() {
    {
        std::lock_guard lock(WakeMutex);
        TerminateFlag = true;
    }
    WakeCond.notify_all();
}

void TAuThread::WaitForRun() {
    std::unique_lock lock(WakeMutex);
    Idle = true;
    // A run asked for before this wait began is not lost: the request is a flag, not a pulse.
    WakeCond.wait(lock, [this] { return RunRequested || TerminateFlag; });
    RunRequested = false;
    Idle = false;
}

void TAuThread::PauseHere() {
    std::unique_lock lock(WakeMutex);
    WakeRequested = false;
    Paused = true;
    PausedEvent.Set();
    WakeCond.wait(lock, [this] { return WakeRequested || StopFlag || TerminateFlag; });
    WakeRequested = false;
    PausedEvent.Reset();
    Paused = false;
}

void TAuThread::Run() {
    WaitForRun();
    while (!TerminateFlag) {
        TAuOutput* out = Owner;
        const uint64_t run = out->RunId;
        try {
            out->BeginOutput();
            out->OutputOpen = true;
            // PauseRequested was cleared by Run, so a Pause right after Run is not lost.
            Paused = false;
            bool more = true;
            while (more && !StopFlag) {
                const int32_t sleep = PerBlockSleep;
                if (sleep > 5)
                    std::this_thread::sleep_for(std::chrono::milliseconds(sleep));
                const int32_t progress = out->Progress();
                if (progress != out->LastProgress) {
                    out->LastProgress = progress;
                    TEventHandler::Instance()->Post(ekProgress, out, run);
                }
                if (PauseRequested) {
                    PauseRequested = false;
                    PauseHere();
                }
                more = out->OutputBlock(StopFlag);
            }
        } catch (const EAuException& e) {
            out->LastError = e.Message();
            TEventHandler::Instance()->Post(ekThreadException, out, run);
            StopFlag = true;
        } catch (const std::exception& e) {
            out->LastError = QString::fromUtf8(e.what());
            TEventHandler::Instance()->Post(ekThreadException, out, run);
            StopFlag = true;
        } catch (...) {
            out->LastError = QStringLiteral("Unknown error");
            TEventHandler::Instance()->Post(ekThreadException, out, run);
            StopFlag = true;
        }
        StopFlag = false;
        if (out->Busy) {
            try {
                out->OutputOpen = false;
                out->EndOutput();
            } catch (...) {
                // The run is over either way; the destination did what it could.
            }
            out->StopRequested = false;
            out->Busy = false;
        }
        TEventHandler::Instance()->Post(ekDone, out, run);
        DoneSent = true;
        if (!TerminateFlag)
            WaitForRun();
    }
}
