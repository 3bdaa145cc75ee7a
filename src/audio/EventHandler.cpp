// TEventHandler: delivers the events of every sink on the main thread, one at a time.
#include "audio/EventHandler.h"

#include "audio/AuOutput.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

namespace {

std::mutex InstanceMutex;
std::atomic<TEventHandler*> TheInstance{nullptr};
int RefCount = 0; // guarded by InstanceMutex

} // namespace

void TEventHandler::AddRef() {
    std::lock_guard lock(InstanceMutex);
    if (RefCount++ == 0) {
        auto* handler = new TEventHandler();
        handler->start();
        TheInstance = handler;
    }
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
    while (!wait(10))
        if (onMain)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    delete this;
}

TEventHandler* TEventHandler::Instance() {
    return TheInstance.load();
}

TEventHandler::TEventHandler() {
    setObjectName(QStringLiteral("TEventHandler"));
    // Handlers run on the thread of this object: the application's main thread.
    MainTarget = new QObject();
    if (QCoreApplication::instance())
        MainTarget->moveToThread(QCoreApplication::instance()->thread());
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

void TEventHandler::run() {
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
}

void TEventHandler::CallOnMain(TAuOutput* sender, const std::function<void()>& fn) {
    auto deliver = [this, sender, &fn] {
        MainDelivering = sender;
        fn();
        MainDelivering = nullptr;
    };
    if (!QCoreApplication::instance() || MainTarget->thread() == QThread::currentThread()) {
        deliver();
        return;
    }
    QMetaObject::invokeMethod(MainTarget, deliver, Qt::BlockingQueuedConnection);
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
            if (wanted() && sender->OnProgress)
                sender->OnProgress(sender);
        });
        break;
    case ekThreadException:
        CallOnMain(sender, [&] {
            if (wanted() && sender->OnThreadException)
                sender->OnThreadException(sender);
        });
        break;
    case ekDone: {
        TAuThread* thread = sender->Thread;
        // OnDone may start the next run, so wait until the worker is back in its wait.
        while (!thread->Idle && sender->RunId.load() == run && !thread->Terminated() && !IsRefused(sender))
            QThread::msleep(1);
        // Progress records still queued for this run are stale now.
        Purge(sender, run);
        CallOnMain(sender, [&] {
            if (wanted() && sender->Thread->FireDone && sender->OnDone)
                sender->OnDone(sender);
        });
        break;
    }
    }
}
