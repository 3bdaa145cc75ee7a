// Waiting for job controllers without a screen (see JobRunner.h).
#include "jobs/JobRunner.h"

#include "jobs/EncodeProcess.h"
#include "jobs/JobController.h"

#include <QEventLoop>
#include <QTimer>

namespace {

// Receives a wrapper's events as a window does.
class TEndReceiver : public QObject {
public:
    TEndReceiver(int32_t endCode, const std::function<void(const TProcessInfo&)>& progress)
        : EndCode(endCode), Progress(progress) {}

    bool event(QEvent* e) override {
        if (e->type() != JobInfoEventType)
            return QObject::event(e);
        const TProcessInfo& info = *static_cast<TJobInfoEvent*>(e)->Info;
        if (info.Code == EndCode) {
            Ended = true;
            End = info;
            if (Loop)
                Loop->quit();
        } else if (Progress) {
            Progress(info);
        }
        return true;
    }

    const int32_t EndCode;
    const std::function<void(const TProcessInfo&)> Progress;
    bool Ended = false;
    TProcessInfo End;
    QEventLoop* Loop = nullptr;
    TPostGuard Inbox{this};
};

// Runs the event loop until `done`; `interrupted` is looked at every 50 ms.
void WaitFor(QEventLoop& loop, const std::function<bool()>& done, const std::function<bool()>& interrupted) {
    if (done())
        return;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || (interrupted && interrupted()))
            loop.quit();
    });
    poll.start();
    loop.exec();
}

} // namespace

TJobRunOutcome RunEncoderToEnd(TEncodeProcess& process, int32_t endCode, const std::function<bool()>& interrupted,
                               const std::function<void(const TProcessInfo&)>& progress) {
    TEndReceiver receiver(endCode, progress);
    QEventLoop loop;
    receiver.Loop = &loop;
    process.NotifyWindow = receiver.Inbox.Handle();
    process.Active = true;
    process.Start();
    WaitFor(
        loop, [&] { return receiver.Ended; }, interrupted);
    TJobRunOutcome outcome;
    outcome.Ended = receiver.Ended;
    outcome.End = receiver.End;
    if (!receiver.Ended) {
        // Ends the child and removes the file it was writing; no end event follows.
        outcome.Interrupted = true;
        process.Kill(0);
    }
    process.NotifyWindow = TGuardedReceiver();
    return outcome;
}

bool RunJobToEnd(TJobController& job, const std::function<bool()>& interrupted) {
    QEventLoop loop;
    bool closed = job.Finished;
    const QMetaObject::Connection c = QObject::connect(&job, &TJobController::CloseRequested, &loop, [&] {
        closed = true;
        loop.quit();
    });
    WaitFor(
        loop, [&] { return closed || job.Stalled; }, interrupted);
    QObject::disconnect(c);
    if (!closed)
        job.Stop();
    return closed;
}
