// A recording to MP3 (JobKind 4): the saved WAV file encoded by the MP3 encoder wrapper into the
// MP3 file beside it, waited for with a local event loop. This is what the recorder runs for
// its MP3 export until the job window takes the job over.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// True when the MP3 was written; otherwise `reason` says why (the error box has been shown).
// `progress` receives the encoder's percentages.
bool RunRecordingToMp3(const QString& wavFile, QString* reason = nullptr,
                       const std::function<void(int32_t)>& progress = {});
