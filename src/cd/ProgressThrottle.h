// TProgressThrottle: lets through at most one progress report per interval (20 a second by
// default), always the first of a step and the last. A fast drive or a disc image reads a
// track in a fraction of a second, one read per 10 sectors; posting every read would flood
// the receiving window's event queue with thousands of events it can only repaint for.
#pragma once

#include <cstdint>

class TProgressThrottle {
public:
    explicit TProgressThrottle(int64_t intervalMs = 50) : IntervalMs(intervalMs) {}

    // True when the report made at `nowMs` (a monotonic clock) should go out: the first one,
    // a `last` one (the end of the step), or one at least the interval after the last that
    // went out.
    bool Due(int64_t nowMs, bool last) {
        if (Started && !last && nowMs - LastMs < IntervalMs)
            return false;
        Started = true;
        LastMs = nowMs;
        return true;
    }

private:
    int64_t IntervalMs;
    int64_t LastMs = 0;
    bool Started = false;
};
