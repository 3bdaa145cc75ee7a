// Ctrl+C and SIGTERM for long commands (see CliInterrupt.h).
#include "cli/CliInterrupt.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> CaughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

void OnSignal(int signal) {
    CaughtSignal.store(signal);
}

using THandler = void (*)(int);
THandler OldInt = SIG_DFL;
THandler OldTerm = SIG_DFL;

} // namespace

TCliInterruptGuard::TCliInterruptGuard() {
    CaughtSignal.store(0);
    OldInt = std::signal(SIGINT, OnSignal);
    OldTerm = std::signal(SIGTERM, OnSignal);
}

TCliInterruptGuard::~TCliInterruptGuard() {
    std::signal(SIGINT, OldInt);
    std::signal(SIGTERM, OldTerm);
}

int TCliInterruptGuard::Signal() {
    return CaughtSignal.load();
}

bool TCliInterruptGuard::Run(QEventLoop& loop) const {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop] {
        if (Interrupted())
            loop.quit();
    });
    poll.start(30);
    loop.exec();
    return Interrupted();
}
