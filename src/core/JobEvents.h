// The progress record that workers post to windows and the events that carry it.
#pragma once

#include <QEvent>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

// The progress record a worker posts to a window; the receiving event owns it.
//
// Code, Elapsed, Estimated and Status keep their meaning for every sender. A step's end event
// (the one that tells the window the step is over, e.g. 2000 or 5000 of the encoder wrappers)
// also says whether the step produced its output: Ok is true only then, and Reason says why
// not when it is false (one line of text, empty when Ok). Progress events leave both unset.
struct TProcessInfo {
    int32_t Code = 0;
    QString Elapsed;
    QString Estimated;
    int32_t Status = 0;
    bool Ok = false;
    QString Reason;
};

constexpr int WM_USER = 0x0400;
constexpr int WM_JOB_ERROR = WM_USER + 101;
constexpr int WM_JOB_INFO = WM_USER + 102;
constexpr int WM_CDDB_RESULT = WM_USER + 104;

constexpr QEvent::Type JobErrorEventType = static_cast<QEvent::Type>(QEvent::User + 101);
constexpr QEvent::Type JobInfoEventType = static_cast<QEvent::Type>(QEvent::User + 102);
constexpr QEvent::Type CddbResultEventType = static_cast<QEvent::Type>(QEvent::User + 104);

class TJobInfoEvent : public QEvent {
public:
    explicit TJobInfoEvent(std::unique_ptr<TProcessInfo> info) : QEvent(JobInfoEventType), Info(std::move(info)) {}
    std::unique_ptr<TProcessInfo> Info;
};

class TJobErrorEvent : public QEvent {
public:
    explicit TJobErrorEvent(int32_t code) : QEvent(JobErrorEventType), Code(code) {}
    int32_t Code;
};

class TCddbResultEvent : public QEvent {
public:
    TCddbResultEvent(int32_t wParam, intptr_t lParam) : QEvent(CddbResultEventType), WParam(wParam), LParam(lParam) {}
    int32_t WParam;
    intptr_t LParam;
};

// Posting is thread-safe and returns at once. Sending delivers before returning: a direct
// call on the receiver's thread, a blocking queued call from any other thread.
void PostJobInfo(QObject* window, int32_t code, int32_t status = 0, const QString& elapsed = QString(),
                 const QString& estimated = QString());
void PostJobError(QObject* window, int32_t code);
void SendJobInfo(QObject* window, int32_t code, int32_t status = 0, const QString& elapsed = QString(),
                 const QString& estimated = QString());
// The same with a whole record (an end event with its Ok and Reason).
void PostJobInfo(QObject* window, const TProcessInfo& info);
void SendJobInfo(QObject* window, const TProcessInfo& info);
