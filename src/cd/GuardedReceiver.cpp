// A receiver that may go away while a worker posts to it (see GuardedReceiver.h).
#include "cd/GuardedReceiver.h"

#include <QCoreApplication>

// Qt's event queue hands an event from the posting thread to the receiver's through Qt's own
// futex locks, which ThreadSanitizer cannot see. The filter takes the guard's lock (which
// the poster held while posting) before the receiver sees an event, so the hand-over of the
// event's contents is visible to it too.
class TGuardedReceiver::TSync : public QObject {
public:
    explicit TSync(std::shared_ptr<TState> state) : State(std::move(state)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() >= QEvent::User) {
            const std::lock_guard<std::mutex> guard(State->Lock);
        }
        return false;
    }

private:
    std::shared_ptr<TState> State;
};

TGuardedReceiver::~TGuardedReceiver() {
    Release();
}

void TGuardedReceiver::Release() {
    QObject::disconnect(Connection);
    // Still there: the receiver lives on, without the filter.
    if (get())
        delete Sync;
    Sync = nullptr;
}

TGuardedReceiver& TGuardedReceiver::operator=(QObject* receiver) {
    Release();
    State = std::make_shared<TState>();
    State->Receiver = receiver;
    if (receiver) {
        // The receiver's child, so that it goes with the receiver.
        Sync = new TSync(State);
        Sync->setParent(receiver);
        receiver->installEventFilter(Sync);
        // Emitted from the receiver's destructor, before its memory goes and before Qt
        // removes the events posted to it.
        Connection = QObject::connect(receiver, &QObject::destroyed, [state = State] {
            const std::lock_guard<std::mutex> guard(state->Lock);
            state->Receiver = nullptr;
        });
    }
    return *this;
}

QObject* TGuardedReceiver::get() const {
    if (!State)
        return nullptr;
    const std::lock_guard<std::mutex> guard(State->Lock);
    return State->Receiver;
}

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
