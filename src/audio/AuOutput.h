// TAuOutput: the abstract sink of the stream framework. Each sink owns a worker thread
// (TAuThread) that pulls blocks from its Input and writes them somewhere; Run starts a run,
// Stop/Pause/Resume steer it, and the events OnProgress, OnDone and OnThreadException arrive on
// the main (Qt) thread through the process-wide event thread (TEventHandler).
//
// A concrete sink overrides the three run slots, all called on the worker thread:
//
//     class TCountOut : public TAuOutput {
//     public:
//         ~TCountOut() override { Shutdown(); }   // stop the worker before this class goes away
//     protected:
//         void BeginOutput() override {           // open the destination, start the input
//             Input()->BeginReading(); Total = 0;
//         }
//         bool OutputBlock(bool abort) override { // one block; false ends the run
//             if (abort) return false;
//             uint8_t* data = nullptr; uint32_t bytes = 65536;
//             Input()->Read(data, bytes);
//             Total += bytes;
//             return bytes > 0;
//         }
//         void EndOutput() override {             // finish the destination, end the input
//             Input()->EndReading();
//         }
//         int64_t Total = 0;
//     };
//
// Rules for sinks: call Shutdown() first in the destructor (the worker calls the virtual slots,
// so it must be stopped while the derived object is still whole); an exception thrown by a slot
// ends the run, its message goes to LastError and OnThreadException fires before OnDone.
//
// Events are std::function values called with the sink as Sender, always on the main thread,
// while the event thread waits for them to return. Stop(false) suppresses every event of the
// run it stops that has not yet reached the main thread.
#pragma once

#include "audio/AuInput.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

class TAuOutput;
class TAuThread;

enum TOutputState : int32_t { osBusy = 0, osPaused = 1, osIdle = 2 };
enum TFileOutputMode : int32_t { foRewrite = 0, foAppend = 1 };

using TOutputDoneEvent = std::function<void(TAuOutput* sender)>;
using TOutputProgressEvent = std::function<void(TAuOutput* sender)>;
using TThreadExceptionEvent = std::function<void(TAuOutput* sender)>;

class TAuOutput : public QObject {
    Q_OBJECT
public:
    explicit TAuOutput(QObject* owner = nullptr);
    ~TAuOutput() override;

    // Set by Stop, cleared when the run has been finished.
    std::atomic<bool> StopRequested{false};
    // Message of the exception that ended the last run (written by the worker before it posts
    // OnThreadException; read it in the handlers or after OnDone).
    QString LastError;
    // True from the end of BeginOutput until EndOutput starts.
    std::atomic<bool> OutputOpen{false};
    // Last percentage reported; kept from one run to the next.
    std::atomic<int32_t> LastProgress{0};
    // The worker thread, owned.
    TAuThread* Thread = nullptr;
    TOutputDoneEvent OnDone;
    TOutputProgressEvent OnProgress;
    std::atomic<bool> Busy{false};
    TThreadExceptionEvent OnThreadException;
    // Guards Run.
    std::mutex StateLock;

    TAuInput* Input() const { return InputRef.data(); }
    // While busy: stops synchronously, stores the new input and runs again. A destroyed input
    // is forgotten (a running sink is stopped first).
    virtual void SetInput(TAuInput* input);

    // Starts a run; EAuException "Component is Busy" or "Input is not assigned".
    void Run();
    // Ends a run early. Async: returns at once and OnDone follows. Otherwise waits until the
    // worker is idle (servicing main-thread calls meanwhile); no event of the run follows.
    void Stop(bool async = true);
    virtual void Pause();
    virtual void Resume();
    TOutputState Status() const;
    // Percentage of the input delivered: 0 without input or size, -1 for an unknown size.
    int32_t Progress() const;

    // For sinks that report an error without ending by exception: set LastError, then call
    // this on the worker thread to deliver OnThreadException.
    void PostThreadException();

    // Number of the current (or last) run, counted from 1; events carry it.
    uint64_t CurrentRun() const { return RunId.load(); }

protected:
    // Moves one block from the input to the destination; false when the run is over.
    virtual bool OutputBlock(bool abort) = 0;
    // Finishes the destination and ends reading on the input.
    virtual void EndOutput() = 0;
    // Opens the destination and starts reading on the input.
    virtual void BeginOutput() = 0;
    // Stops any run (no events follow), ends the worker and waits for it. Idempotent; every
    // concrete sink calls it first in its destructor.
    void Shutdown();

private:
    friend class TAuThread;
    friend class TEventHandler;

    void StoreInput(TAuInput* input);

    QPointer<TAuInput> InputRef;
    QMetaObject::Connection InputDestroyed;
    std::atomic<uint64_t> RunId{0};
    // Events of this run are not delivered (Stop(false)).
    std::atomic<uint64_t> CancelledRun{0};
    bool ShutDown = false;
};
