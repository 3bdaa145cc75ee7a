// Parsers of the console output of the external encoders: lame's encode and decode progress
// lines and the WMA utility's lines. They are plain classes fed one chunk of bytes at a time
// (exactly what one pipe read returned), so tests can replay recorded encoder output.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

// The lines of one chunk: every CR, LF or CR-LF ends a line (lame rewrites its progress line
// with bare CRs); lines that hold nothing but spaces and control characters are left out. A line
// cut by the end of the chunk is returned as it is.
QList<QByteArray> SplitEncoderLines(const QByteArray& chunk);

// One progress report: Code 1..100 with the "Elapsed"/"Estimated" texts.
struct TProgressReport {
    int32_t Code = 0;
    QString Elapsed;
    QString Estimated;
};

// lame's encode progress: "   100/2298   ( 4%)|    0:00/    0:00|...". The column of the
// figure is learnt from the first real progress line of a run (the figure followed by "%)|");
// lame echoes the file names first, and a "%" in a name must not move the column.
class TLameEncodeParser {
public:
    // 1-based column of the progress figure; 0 until a progress line was seen.
    int32_t ProgressColumn = 0;

    void Reset() { ProgressColumn = 0; }
    std::vector<TProgressReport> Parse(const QByteArray& chunk);
    void ParseLine(const QByteArray& line, std::vector<TProgressReport>& reports);
};

// lame's decode progress: "Frame#   100/2298   128 kbps  L  R". The column is learnt from the
// first line that starts with "Frame#" (a "#" in an echoed file name does not count).
// Elapsed and estimated times come from the wall clock, given by the caller in seconds.
class TLameDecodeParser {
public:
    int32_t ProgressColumn = 0;

    void Reset() { ProgressColumn = 0; }
    std::vector<TProgressReport> Parse(const QByteArray& chunk, double elapsedSeconds);
    void ParseLine(const QByteArray& line, double elapsedSeconds, std::vector<TProgressReport>& reports);
};

// The WMA utility: a line containing "ERROR" ends the parse of the chunk with that line; a line
// containing "100%" reports completion with the elapsed time (at least one second).
struct TWmaOutputEvent {
    bool IsError = false;
    QString Text; // the error line, or the "mm:ss" elapsed time of "100%"
};

class TWmaOutputParser {
public:
    std::vector<TWmaOutputEvent> Parse(const QByteArray& chunk, double elapsedSeconds);
};
