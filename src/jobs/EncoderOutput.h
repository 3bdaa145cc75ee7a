// What an encoder run leaves behind: the temporary name it writes under, and the checks that
// decide whether that file is the output the run was asked for.
//
// An encoder can exit 0 without having written what it should (lame --decode ignores failed
// writes on a full disk and leaves a WAV whose header announces more audio than the file
// holds), and a run that is stopped half way leaves half a file. So encoders write under a
// temporary name beside the output, and the file gets the output's name only once it passed
// these checks.
#pragma once

#include <QString>

// The temporary name beside `outputFile` that an encoder writes; unique per process.
QString WorkFileFor(const QString& outputFile);

// Why the written file `path` is not a usable output, shown under the name `shownName` and
// written by `program`; empty when it is present and not empty.
QString MissingOutputProblem(const QString& path, const QString& shownName, const QString& program);

// Why `path` is not a complete WAV file: unreadable header, or a header that announces more
// audio than the file holds. Empty when it is complete.
QString WavOutputProblem(const QString& path, const QString& shownName);
