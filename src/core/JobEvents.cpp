// Job events and the guarded post (see JobEvents.h).
#include "core/JobEvents.h"

#include <QCoreApplication>
#include <QThread>

class TPostGuard::TSync : public QObject {
public:
    explicit TSync(std::shared_ptr<TGuardedReceiver::TState> state) : State(std::move(state)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() >= QEvent::User) {
            const std::lock_guard<std::mutex> guard(State->Lock);
        }
        return false;
    }

private:
    std::shared_ptr<TGuardedReceiver::TState> State;
};

bool TGuardedReceiver::Post(QEvent* event) const {
    if (State) {
        const std::lock_guard<std::mutex> guard(State->Lock);
        if (State->Receiver) {
            QCoreApplication::postEvent(State->Receiver, event);
            return true;
        }
    }
    delete event;
    return false;
}

bool TGuardedReceiver::PostJobInfo(const TProcessInfo& info) const {
    return Post(new TJobInfoEvent(std::make_unique<TProcessInfo>(info)));
}

QObject* TGuardedReceiver::get() const {
    if (!State)
        return nullptr;
    const std::lock_guard<std::mutex> guard(State->Lock);
    return State->Receiver;
}

TPostGuard::TPostGuard(QObject* receiver) {
    Receiver.State = std::make_shared<TGuardedReceiver::TState>();
    Receiver.State->Receiver = receiver;
    if (receiver) {
        // A child of the receiver, so that it goes with the receiver at the latest.
        auto* sync = new TSync(Receiver.State);
        sync->setParent(receiver);
        receiver->installEventFilter(sync);
        Sync = sync;
    }
}

TPostGuard::~TPostGuard() {
    Detach();
    delete Sync;
}

TGuardedReceiver TPostGuard::Handle() const {
    return Receiver;
}

void TPostGuard::Detach() {
    const std::lock_guard<std::mutex> guard(Receiver.State->Lock);
    Receiver.State->Receiver = nullptr;
}

void SendJobInfo(QObject* window, const TProcessInfo& info) {
    if (!window)
        return;
    Q_ASSERT(QThread::currentThread() == window->thread());
    TJobInfoEvent event(std::make_unique<TProcessInfo>(info));
    QCoreApplication::sendEvent(window, &event);
}
