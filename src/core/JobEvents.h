// The progress record that workers post to windows, the events that carry it, the codes of
// its end events, and the one way a worker posts to a receiver that may be gone.
//
// Hand-overs between threads: a worker posts (TGuardedReceiver::Post, never waiting); the
// stream framework's event thread (audio/EventHandler.h) is the one blocking hand-over, running
// a sink's handlers on the main thread. SendJobInfo is a direct call on the main thread.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

// The progress record a worker posts to a window; the receiving event owns it.
//
// Code, Elapsed, Estimated and Status keep their meaning for every sender. A step's end event
// (one of JobCode's ends) also says whether the step produced its output: Ok is true only then,
// and Reason says why not when it is false (one line of text, empty when Ok). Progress events
// leave both unset. Track names the entry (1-based) of the job the event belongs to; 0 when the
// sender does not know it.
struct TProcessInfo {
    int32_t Code = 0;
    QString Elapsed;
    QString Estimated;
    int32_t Status = 0;
    bool Ok = false;
    QString Reason;
    int32_t Track = 0;
};

// A progress record (or an end without Ok and Reason).
inline TProcessInfo ProgressInfo(int32_t code, const QString& elapsed = QString(),
                                 const QString& estimated = QString()) {
    TProcessInfo info;
    info.Code = code;
    info.Elapsed = elapsed;
    info.Estimated = estimated;
    return info;
}

// Codes of TProcessInfo beyond the 0..100 of progress.
namespace JobCode {
constexpr int32_t Normalizing = 999; // the gain pass of an extracted track begins
constexpr int32_t Extracted = 1000;  // a track's extraction (and gain pass) ended
constexpr int32_t Mp3Ended = 2000;   // the MP3 step ended (the CD rip window's Ogg step too)
constexpr int32_t OggEnded = 3000;   // the Ogg step of the job window ended
constexpr int32_t Resampled = 4000;  // the resample step ended
constexpr int32_t WmaEnded = 5000;   // the WMA step ended
constexpr int32_t FlacEnded = 6000;  // the FLAC step (encoding or decoding) ended
} // namespace JobCode

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

// A receiver as a worker sees it: a handle that may be copied to any thread. Posting to a
// destroyed object is undefined and a QPointer only narrows the window between its check and
// the post; here the receiver's guard (TPostGuard) turns every post after the receiver went
// away, or after it detached, into nothing, and Qt drops the events already queued for it.
class TGuardedReceiver {
public:
    TGuardedReceiver() = default;
    // Any thread. Takes the event: posts it to the receiver, or deletes it when there is none
    // (any more). False when it was not posted.
    bool Post(QEvent* event) const;
    bool PostJobInfo(const TProcessInfo& info) const;
    // The receiver, or nullptr once it is gone or detached; meant for its own thread.
    QObject* get() const;
    explicit operator bool() const { return get() != nullptr; }

private:
    friend class TPostGuard;
    struct TState {
        std::mutex Lock;
        QObject* Receiver = nullptr;
    };
    std::shared_ptr<TState> State;
};

// The receiver's side: a member of the receiving object (constructed with it, on its thread),
// handing out TGuardedReceiver handles. Detach (or its destruction, which runs before the
// receiver's QObject part goes) ends delivery through every handle.
//
// Qt's event queue hands an event from the posting thread to the receiver's through Qt's own
// futex locks, which ThreadSanitizer cannot see; the guard takes the lock the poster held while
// posting before the receiver sees one of our events, so that hand-over is visible too.
class TPostGuard {
public:
    explicit TPostGuard(QObject* receiver);
    ~TPostGuard();
    TPostGuard(const TPostGuard&) = delete;
    TPostGuard& operator=(const TPostGuard&) = delete;

    TGuardedReceiver Handle() const;
    void Detach();

private:
    class TSync;
    TGuardedReceiver Receiver;
    QPointer<QObject> Sync; // the receiver's child
};

// Delivers a record to `window` before returning: a direct call, on the receiver's (the main)
// thread only. Nothing when `window` is null.
void SendJobInfo(QObject* window, const TProcessInfo& info);
