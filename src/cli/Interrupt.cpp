// Ctrl+C and SIGTERM as a flag (see Interrupt.h).
#include "cli/Interrupt.h"

#include <csignal>

namespace {

// Only lock-free atomics may be touched from a signal handler.
std::atomic<int> ReceivedSignal{0};
std::atomic<std::atomic<bool>*> StopFlag{nullptr};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<std::atomic<bool>*>::is_always_lock_free);

struct sigaction OldInt;
struct sigaction OldTerm;
struct sigaction OldHup;

void OnSignal(int signal) {
    ReceivedSignal = signal;
    if (std::atomic<bool>* flag = StopFlag.load())
        *flag = true;
}

} // namespace

TInterruptScope::TInterruptScope(std::atomic<bool>* stopFlag) {
    ReceivedSignal = 0;
    StopFlag = stopFlag;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &OldInt);
    sigaction(SIGTERM, &action, &OldTerm);
    // A closed terminal ends the command the same clean way.
    sigaction(SIGHUP, &action, &OldHup);
}

TInterruptScope::~TInterruptScope() {
    sigaction(SIGINT, &OldInt, nullptr);
    sigaction(SIGTERM, &OldTerm, nullptr);
    sigaction(SIGHUP, &OldHup, nullptr);
    StopFlag = nullptr;
}

bool TInterruptScope::Interrupted() const {
    return ReceivedSignal != 0;
}

int TInterruptScope::Signal() const {
    return ReceivedSignal;
}
