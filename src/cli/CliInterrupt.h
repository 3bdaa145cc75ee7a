// Ctrl+C and SIGTERM for commands that run long: while a TCliInterruptGuard lives, the two
// signals only set a flag, which the command's event loop polls to stop its work cleanly
// (stop the stream sink or the extraction, remove its temporary file) and fail with exit
// code 130. The flag is a lock-free atomic, the one thing a signal handler may safely touch.
#pragma once

class QEventLoop;

class TCliInterruptGuard {
public:
    // Installs the handlers; the previous ones come back when the guard goes.
    TCliInterruptGuard();
    ~TCliInterruptGuard();
    TCliInterruptGuard(const TCliInterruptGuard&) = delete;
    TCliInterruptGuard& operator=(const TCliInterruptGuard&) = delete;

    // The signal that arrived while a guard was installed, or 0.
    static int Signal();
    static bool Interrupted() { return Signal() != 0; }
    // Runs `loop` until something quits it or a signal arrives; true for a signal. Events are
    // taken as they come (a stream worker waits for each one it posts), the flag is looked at
    // every few dozen milliseconds.
    bool Run(QEventLoop& loop) const;
};

// The exit code of a command stopped by a signal.
constexpr int CliInterruptedExitCode = 130;
