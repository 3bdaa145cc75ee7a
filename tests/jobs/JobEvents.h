// Test helpers for the encoder wrappers: a window that records every WM_JOB_INFO event it
// receives (and whether it arrived while Start was still running), and event-loop waits.
#pragma once

#include "app/JobEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>
#include <vector>

struct TRecordedEvent {
    int32_t Code;
    int32_t Status;
    QString Elapsed;
    QString Estimated;
};

class TEventRecorder : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != JobInfoEventType)
            return QObject::event(e);
        const TProcessInfo& i = *static_cast<TJobInfoEvent*>(e)->Info;
        Events.push_back({i.Code, i.Status, i.Elapsed, i.Estimated});
        if (OnEvent)
            OnEvent(Events.back());
        return true;
    }

    bool HasEnd(int32_t code) const {
        for (const TRecordedEvent& e : Events)
            if (e.Code == code && e.Status != 8)
                return true;
        return false;
    }
    std::vector<int32_t> ProgressCodes() const {
        std::vector<int32_t> codes;
        for (const TRecordedEvent& e : Events)
            if (e.Code >= 1 && e.Code <= 100)
                codes.push_back(e.Code);
        return codes;
    }

    std::vector<TRecordedEvent> Events;
    std::function<void(const TRecordedEvent&)> OnEvent;
};

// Processes events until `done` or the time-out (a generous bound, not a speed check).
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Processes events for a while (to see that nothing more arrives).
inline void Drain(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}
