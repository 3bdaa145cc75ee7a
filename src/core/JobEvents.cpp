// Posting and sending job events (see JobEvents.h).
#include "core/JobEvents.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace {

TProcessInfo MakeInfo(int32_t code, int32_t status, const QString& elapsed, const QString& estimated) {
    TProcessInfo info;
    info.Code = code;
    info.Status = status;
    info.Elapsed = elapsed;
    info.Estimated = estimated;
    return info;
}

} // namespace

void PostJobInfo(QObject* window, int32_t code, int32_t status, const QString& elapsed, const QString& estimated) {
    PostJobInfo(window, MakeInfo(code, status, elapsed, estimated));
}

void PostJobInfo(QObject* window, const TProcessInfo& info) {
    if (!window)
        return;
    QCoreApplication::postEvent(window, new TJobInfoEvent(std::make_unique<TProcessInfo>(info)));
}

void PostJobError(QObject* window, int32_t code) {
    if (window)
        QCoreApplication::postEvent(window, new TJobErrorEvent(code));
}

void SendJobInfo(QObject* window, int32_t code, int32_t status, const QString& elapsed, const QString& estimated) {
    SendJobInfo(window, MakeInfo(code, status, elapsed, estimated));
}

void SendJobInfo(QObject* window, const TProcessInfo& info) {
    if (!window)
        return;
    auto deliver = [window, info] {
        TJobInfoEvent event(std::make_unique<TProcessInfo>(info));
        QCoreApplication::sendEvent(window, &event);
    };
    if (QThread::currentThread() == window->thread())
        deliver();
    else
        QMetaObject::invokeMethod(window, deliver, Qt::BlockingQueuedConnection);
}
