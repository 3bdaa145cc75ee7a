// Running a stream sink (a WAV or Ogg writer at the end of a chain) into an output file for a
// command: under a temporary name beside the output (TCliTemporaryOutput) that becomes the
// output only after a successful run, with progress on standard error, and with Ctrl+C or
// SIGTERM stopping the run (TInterruptScope) and taking the temporary file away.
#pragma once

#include <QString>

class TAuFileOut;

// Runs `sink` (its input already set) into `output`. Returns the command's exit code: 0,
// 1 with the reason on standard error, or InterruptedExitCode.
int RunSinkToFile(TAuFileOut& sink, const QString& output);
