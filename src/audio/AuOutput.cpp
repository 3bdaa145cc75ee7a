// TAuOutput: starting, stopping, pausing and resuming a sink's runs.
#include "audio/AuOutput.h"

#include "audio/AuException.h"
#include "audio/AuInput.h"
#include "audio/AuThread.h"
#include "audio/EventHandler.h"

#include <QCoreApplication>
#include <QThread>

#include <cmath>

namespace {

// Runs the blocking main-thread calls that workers and the event thread are waiting for.
void ServiceMainThreadCalls() {
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    QThread::usleep(500);
}

} // namespace

TAuOutput::TAuOutput(QObject* owner) : QObject(owner) {
    TEventHandler::AddRef();
    Thread = new TAuThread(this);
}

TAuOutput::~TAuOutput() {
    Shutdown();
    delete Thread;
    Thread = nullptr;
    TEventHandler::Release();
}

void TAuOutput::SetInput(TAuInput* input) {
    if (input == InputRef.data())
        return;
    if (Busy) {
        Stop(false);
        StoreInput(input);
        Run();
    } else {
        StoreInput(input);
    }
}

void TAuOutput::StoreInput(TAuInput* input) {
    QObject::disconnect(InputDestroyed);
    InputRef = input;
    if (input)
        InputDestroyed = connect(
            input, &TAuInput::Releasing, this,
            [this] {
                // The run cannot go on without its source: stop it, then forget the source.
                if (Busy)
                    Stop(false);
                QObject::disconnect(InputDestroyed);
                InputRef = nullptr;
            },
            Qt::DirectConnection);
}

void TAuOutput::Run() {
    std::unique_lock lock(StateLock);
    if (Busy)
        throw EAuException(QStringLiteral("Component is Busy"));
    LastError.clear();
    // A refused run leaves the sink idle, so the caller can assign an input and try again.
    if (!InputRef)
        throw EAuException(QStringLiteral("Input is not assigned"));
    Busy = true;
    ++RunId;
    Thread->DoneSent = false;
    Thread->PauseRequested = false;
    Thread->PausedEvent.Reset();
    Thread->RequestRun();
}

void TAuOutput::Stop(bool async) {
    StopRequested = true;
    Thread->FireDone = async;
    Thread->DoneSent = false;
    Thread->StopFlag = true;
    while (Thread->Paused) {
        Thread->Wake();
        QThread::yieldCurrentThread();
    }
    if (async)
        return;
    TEventHandler* events = TEventHandler::Instance();
    CancelledRun = RunId.load();
    events->Refuse(this);
    while (!((Thread->Idle && !Thread->RunPending()) || Thread->DoneSent))
        ServiceMainThreadCalls();
    events->Accept(this);
    Thread->FireDone = true;
}

void TAuOutput::Pause() {
    TAuInput* input = Input();
    if (!input)
        throw EAuException(QStringLiteral("Input is not assigned."));
    if (!Busy || Thread->Paused)
        return;
    Thread->PauseRequested = true;
    Thread->PausedEvent.WaitFor(5000);
    input->Pause();
}

void TAuOutput::Resume() {
    if (!Busy || !Thread->Paused)
        return;
    if (TAuInput* input = Input())
        input->Resume();
    while (Thread->Paused) {
        Thread->Wake();
        QThread::yieldCurrentThread();
    }
}

TOutputState TAuOutput::Status() const {
    if (!Busy)
        return osIdle;
    return Thread->Paused ? osPaused : osBusy;
}

int32_t TAuOutput::Progress() const {
    TAuInput* input = Input();
    if (!input)
        return 0;
    const int64_t size = input->Size;
    if (size < 0)
        return -1;
    if (size == 0)
        return 0;
    return static_cast<int32_t>(
        std::llround(static_cast<double>(input->Position.load()) / static_cast<double>(size) * 100.0));
}

void TAuOutput::PostThreadException() {
    TEventHandler::Instance()->Post(ekThreadException, this, RunId);
}

void TAuOutput::Shutdown() {
    if (ShutDown)
        return;
    ShutDown = true;
    QObject::disconnect(InputDestroyed);
    Stop(false);
    TEventHandler* events = TEventHandler::Instance();
    // Refuse this sink's events for good and wait until the event thread has let go of it, so
    // that no handler is called with a sink that is going away.
    events->Refuse(this);
    while (events->Dispatching(this))
        ServiceMainThreadCalls();
    Thread->Terminate();
    Thread->Join();
    events->Purge(this);
    events->Accept(this);
}
