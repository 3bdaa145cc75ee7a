// TGuardedReceiver: the window a worker thread posts its events to, which may be destroyed
// while the worker still runs (a job window closed as the last read ends). Posting to a
// destroyed object is undefined; a QPointer only narrows the window between its check and
// the post. Here the receiver's destruction waits for a post in progress and turns every
// later post into nothing, and Qt drops the events already queued for it.
#pragma once

#include <QEvent>
#include <QObject>

#include <memory>
#include <mutex>

class TGuardedReceiver {
public:
    TGuardedReceiver() = default;
    TGuardedReceiver(const TGuardedReceiver&) = delete;
    TGuardedReceiver& operator=(const TGuardedReceiver&) = delete;
    ~TGuardedReceiver();

    // Set on the receiver's thread, before the worker starts.
    TGuardedReceiver& operator=(QObject* receiver);
    // The receiver, or nullptr once it is destroyed.
    QObject* get() const;
    // Any thread. Takes the event: posts it to the receiver, or deletes it when there is none
    // (any more). False when it was not posted.
    bool Post(QEvent* event) const;

private:
    struct TState {
        std::mutex Lock;
        QObject* Receiver = nullptr;
    };
    class TSync;
    void Release();

    std::shared_ptr<TState> State;
    QMetaObject::Connection Connection;
    TSync* Sync = nullptr; // a child of the receiver
};
