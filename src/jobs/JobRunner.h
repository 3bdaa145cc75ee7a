// Running the job controllers without a screen: discwright-cli starts the same controllers as
// the windows and waits here, in the Qt event loop, until they are over.
#pragma once

#include "core/JobEvents.h"

#include <functional>

class TEncodeProcess;
class TJobController;

// How a run ended: its end event, or an interruption (the run was then stopped).
struct TJobRunOutcome {
    bool Ended = false;
    bool Interrupted = false;
    TProcessInfo End;
};

// Starts one encoder wrapper run (its fields set by the caller) and waits for its end event
// (`endCode`: 2000 for MP3, 5000 for WMA). `progress` sees every progress report. When
// `interrupted` turns true the child is ended and its temporary output removed. Start's
// exception (no program, no pipes) passes to the caller.
TJobRunOutcome RunEncoderToEnd(TEncodeProcess& process, int32_t endCode, const std::function<bool()>& interrupted,
                               const std::function<void(const TProcessInfo&)>& progress = {});

// Waits until `job` (already started) is over. A job that cannot go on (a drive error or an
// encoder that cannot be started; the window would wait for Stop) and an interruption are
// stopped as the Stop button does. True when the job ended by itself.
bool RunJobToEnd(TJobController& job, const std::function<bool()>& interrupted);
