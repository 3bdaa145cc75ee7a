// TEventHandler: delivers the events of every sink on the main thread, one at a time.
#include "audio/EventHandler.h"

#include "audio/AuOutput.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <chrono>
#include <memory>

namespace {

std::mutex InstanceMutex;
std::atomic<TEventHandler*> TheInstance{nullptr};
int RefCount = 0; // guarded by InstanceMutex

} // namespace

void TEventHandler::AddRef() {
    std::lock_guard lock(InstanceMutex);
    // An instance whose ending was put off (see Release) is taken up again.
    if (RefCount++ == 0 && !TheInstance.load())
        TheInstance = new TEventHandler();
}

void TEventHandler::Release() {
    TEventHandler* handler = nullptr;
    {
        std::lock_guard lock(InstanceMutex);
        if (RefCount == 0 || --RefCount > 0)
            return;
        // The last sink freed from inside one of its own handlers: this thread is waiting for
        // that handler to return, so it is ended later, from the main loop.
        if (TheInstance.load()->MainDelivering.load() != nullptr) {
            if (QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [] { ReleaseUnused(); }, Qt::QueuedConnection);
            return;
        }
        handler = TheInstance.exchange(nullptr);
    }
    handler->Finish();
}

void TEventHandler::ReleaseUnused() {
    TEventHandler* handler = nullptr;
    {
        std::lock_guard lock(InstanceMutex);
        if (RefCount > 0 || !TheInstance.load() || TheInstance.load()->MainDelivering.load() != nullptr)
            return;
        handler = TheInstance.exchange(nullptr);
    }
    handler->Finish();
}

void TEventHandler::Finish() {
    TerminateFlag = true;
    Signal.Set();
    const bool onMain =
        QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
    while (!Finished.WaitFor(10))
        if (onMain)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    Thread.join();
    delete this;
}

TEventHandler* TEventHandler::Instance() {
    return TheInstance.load();
}

TEventHandler::TEventHandler() {
    // Handlers run on the thread of this object: the application's main thread.
    MainTarget = new TMainThreadTarget();
    if (QCoreApplication::instance())
        MainTarget->moveToThread(QCoreApplication::instance()->thread());
    Thread = std::thread([this] { Run(); });
}

TEventHandler::~TEventHandler() {
    delete MainTarget;
}

void TEventHandler::Post(TAuEventKind kind, TAuOutput* sender, uint64_t run) {
    {
        std::lock_guard lock(QueueLock);
        if (Refused.count(sender))
            return;
        Queue.push_back({kind, sender, run});
    }
    Signal.Set();
}

void TEventHandler::Refuse(TAuOutput* sender) {
    std::lock_guard lock(QueueLock);
    ++Refused[sender];
    std::erase_if(Queue, [sender](const TAuEventRecord& r) { return r.Sender == sender; });
}

void TEventHandler::Accept(TAuOutput* sender) {
    std::lock_guard lock(QueueLock);
    const auto it = Refused.find(sender);
    if (it != Refused.end() && --it->second <= 0)
        Refused.erase(it);
}

void TEventHandler::Purge(TAuOutput* sender, uint64_t run) {
    std::lock_guard lock(QueueLock);
    std::erase_if(Queue,
                  [sender, run](const TAuEventRecord& r) { return r.Sender == sender && (run == 0 || r.Run == run); });
}

bool TEventHandler::Dispatching(TAuOutput* sender) {
    return InDispatch.load() == sender && MainDelivering.load() != sender;
}

bool TEventHandler::IsRefused(TAuOutput* sender) {
    std::lock_guard lock(QueueLock);
    return Refused.count(sender) != 0;
}

void TEventHandler::Run() {
    while (!TerminateFlag) {
        Signal.Reset();
        for (;;) {
            TAuEventRecord record;
            {
                std::lock_guard lock(QueueLock);
                if (Queue.empty())
                    break;
                record = Queue.front();
                Queue.pop_front();
                InDispatch = record.Sender;
            }
            Dispatch(record);
            InDispatch = nullptr;
        }
        Signal.WaitFor(100);
    }
    Finished.Set();
}

void TEventHandler::CallOnMain(TAuOutput* sender, const std::function<void()>& fn) {
    const std::function<void()> deliver = [this, sender, &fn] {
        MainDelivering = sender;
        fn();
        MainDelivering = nullptr;
    };
    if (!QCoreApplication::instance() || MainTarget->thread() == QThread::currentThread()) {
        deliver();
        return;
    }
    // Like a blocking queued connection, but the call and its completion travel through our
    // own lock and event, so the hand-over is visible to ThreadSanitizer (Qt's own queue is not).
    {
        std::lock_guard lock(MainTarget->PendingLock);
        MainTarget->PendingCall = &deliver;
        MainTarget->Returned.Reset();
    }
    QMetaObject::invokeMethod(MainTarget, "RunPending", Qt::QueuedConnection);
    MainTarget->Returned.Wait();
}

void TMainThreadTarget::RunPending() {
    const std::function<void()>* call = nullptr;
    {
        std::lock_guard lock(PendingLock);
        call = PendingCall;
        PendingCall = nullptr;
    }
    if (call)
        (*call)();
    Returned.Set();
}

void TEventHandler::Dispatch(const TAuEventRecord& record) {
    TAuOutput* sender = record.Sender;
    const uint64_t run = record.Run;
    // Checked on the main thread, right before the handler: a synchronous Stop or the sink's
    // destruction may have cancelled the run after the record was taken.
    auto wanted = [this, sender, run] { return !IsRefused(sender) && sender->CancelledRun.load() != run; };
    switch (record.Kind) {
    case ekProgress:
        CallOnMain(sender, [&] {
            // A copy: the handler may free the sink, and with it the sink's own std::function.
            const TOutputProgressEvent handler = wanted() ? sender->OnProgress : nullptr;
            if (handler)
                handler(sender);
        });
        break;
    case ekThreadException:
        CallOnMain(sender, [&] {
            const TThreadExceptionEvent handler = wanted() ? sender->OnThreadException : nullptr;
            if (handler)
                handler(sender);
        });
        break;
    case ekDone: {
        TAuThread* thread = sender->Thread;
        // OnDone may start the next run, so wait until the worker is back in its wait.
        while (!thread->Idle && sender->RunId.load() == run && !thread->Terminated() && !IsRefused(sender))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Progress records still queued for this run are stale now.
        Purge(sender, run);
        CallOnMain(sender, [&] {
            const TOutputDoneEvent handler = wanted() && sender->Thread->FireDone ? sender->OnDone : nullptr;
            if (handler)
                handler(sender);
        });
        break;
    }
    }
}
