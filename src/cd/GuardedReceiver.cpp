// A receiver that may go away while a worker posts to it (see GuardedReceiver.h).
#include "cd/GuardedReceiver.h"

#include <QCoreApplication>

TGuardedReceiver::~TGuardedReceiver() {
    QObject::disconnect(Connection);
}

TGuardedReceiver& TGuardedReceiver::operator=(QObject* receiver) {
    QObject::disconnect(Connection);
    State = std::make_shared<TState>();
    State->Receiver = receiver;
    if (receiver) {
        // Emitted from the receiver's destructor, before its memory goes and before Qt
        // removes the events posted to it.
        Connection = QObject::connect(receiver, &QObject::destroyed, [state = State] {
            std::lock_guard<std::mutex> guard(state->Lock);
            state->Receiver = nullptr;
        });
    }
    return *this;
}

QObject* TGuardedReceiver::get() const {
    if (!State)
        return nullptr;
    std::lock_guard<std::mutex> guard(State->Lock);
    return State->Receiver;
}

bool TGuardedReceiver::Post(QEvent* event) const {
    if (State) {
        std::lock_guard<std::mutex> guard(State->Lock);
        if (State->Receiver) {
            QCoreApplication::postEvent(State->Receiver, event);
            return true;
        }
    }
    delete event;
    return false;
}
