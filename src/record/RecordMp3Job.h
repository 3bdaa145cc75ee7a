// A recording to MP3 without a window: the conversion job encodes the saved WAV
// file into the MP3 file beside it, and this waits for it in the event loop. The recorder's
// controller uses it where no job window can be shown (discwright-cli); the recorder window
// shows the job window instead.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// True when the MP3 was written; otherwise `reason` says why (the job has shown its messages).
// `progress` sees the job's percentages; when `interrupted` turns true the job is stopped.
bool RunRecordingToMp3(const QString& wavFile, QString* reason = nullptr,
                       const std::function<void(int32_t)>& progress = {},
                       const std::function<bool()>& interrupted = {});
