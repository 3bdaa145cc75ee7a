// Posting and sending job events (see JobEvents.h).
#include "app/JobEvents.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

void PostJobInfo(QObject* window, int32_t code, int32_t status, const QString& elapsed, const QString& estimated) {
    if (!window)
        return;
    auto info = std::make_unique<TProcessInfo>();
    info->Code = code;
    info->Status = status;
    info->Elapsed = elapsed;
    info->Estimated = estimated;
    QCoreApplication::postEvent(window, new TJobInfoEvent(std::move(info)));
}

void PostJobError(QObject* window, int32_t code) {
    if (window)
        QCoreApplication::postEvent(window, new TJobErrorEvent(code));
}

void SendJobInfo(QObject* window, int32_t code, int32_t status, const QString& elapsed, const QString& estimated) {
    if (!window)
        return;
    auto deliver = [=] {
        auto info = std::make_unique<TProcessInfo>();
        info->Code = code;
        info->Status = status;
        info->Elapsed = elapsed;
        info->Estimated = estimated;
        TJobInfoEvent event(std::move(info));
        QCoreApplication::sendEvent(window, &event);
    };
    if (QThread::currentThread() == window->thread())
        deliver();
    else
        QMetaObject::invokeMethod(window, deliver, Qt::BlockingQueuedConnection);
}
