// Ctrl+C (SIGINT), SIGTERM and SIGHUP for the commands that write files. While a
// TInterruptScope lives, each of them only raises a flag (and, if given, a worker's stop
// flag): the command sees it, ends its worker or child, removes or repairs what it was
// writing and fails with InterruptedExitCode. Outside a scope the signals keep their default action.
#pragma once

#include <atomic>

// The exit code of a command ended by Ctrl+C, SIGTERM or SIGHUP (as a shell reports SIGINT).
constexpr int InterruptedExitCode = 130;

class TInterruptScope {
public:
    // `stopFlag` (optional) is set from the signal handler as well, for a worker thread that
    // checks its own flag between steps.
    explicit TInterruptScope(std::atomic<bool>* stopFlag = nullptr);
    ~TInterruptScope();
    TInterruptScope(const TInterruptScope&) = delete;
    TInterruptScope& operator=(const TInterruptScope&) = delete;

    // Whether a signal arrived while this scope was alive, and which one.
    bool Interrupted() const;
    int Signal() const;
};
