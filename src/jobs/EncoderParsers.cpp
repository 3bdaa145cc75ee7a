// Parsers of the encoders' console output (see EncoderParsers.h).
#include "jobs/EncoderParsers.h"

#include "core/Helpers.h"

#include <cmath>

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == '\x7f';
}

bool IsBlankLine(const QByteArray& line) {
    for (char c : line)
        if (!IsBlank(c))
            return false;
    return true;
}

// Characters [column, column + count) of a line (1-based), with surrounding spaces and control
// characters removed; short lines give what there is.
QByteArray Columns(const QByteArray& line, int32_t column, int32_t count) {
    if (column < 1 || column > line.size())
        return QByteArray();
    QByteArray part = line.mid(column - 1, count);
    qsizetype begin = 0, end = part.size();
    while (begin < end && IsBlank(part[begin]))
        ++begin;
    while (end > begin && IsBlank(part[end - 1]))
        --end;
    return part.mid(begin, end - begin);
}

// Decimal value of a trimmed field, or `fallback` when it is not a number.
int64_t NumberOr(const QByteArray& text, int64_t fallback) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    return ok ? value : fallback;
}

// Half a second rounds to the even neighbour, as in every other elapsed and estimated time the
// job windows show, so the same moment reads the same everywhere.
int64_t RoundSeconds(double seconds) {
    return static_cast<int64_t>(std::rint(seconds < 0 ? 0 : seconds));
}

} // namespace

QList<QByteArray> SplitEncoderLines(const QByteArray& chunk) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = chunk.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && chunk[i] != '\r' && chunk[i] != '\n')
            continue;
        QByteArray line = chunk.mid(start, i - start);
        if (!IsBlankLine(line))
            lines.append(line);
        // A CR-LF pair ends one line, not two.
        if (i + 1 < n && chunk[i] == '\r' && chunk[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

std::vector<TProgressReport> TLameEncodeParser::Parse(const QByteArray& chunk) {
    std::vector<TProgressReport> reports;
    for (const QByteArray& line : SplitEncoderLines(chunk))
        ParseLine(line, reports);
    return reports;
}

void TLameEncodeParser::ParseLine(const QByteArray& line, std::vector<TProgressReport>& reports) {
    if (!line.contains('%'))
        return;
    if (ProgressColumn == 0) {
        // Only a progress line fixes the column: its figure is followed by "%)|".
        const qsizetype marker = line.indexOf("%)|");
        if (marker < 3)
            return;
        ProgressColumn = static_cast<int32_t>(marker + 1 - 3);
    }
    QByteArray figure = Columns(line, ProgressColumn, 3);
    if (figure.startsWith('('))
        figure.remove(0, 1);
    const int64_t percent = NumberOr(figure, 0);
    if (percent < 1 || percent > 100)
        return;
    TProgressReport report;
    report.Code = static_cast<int32_t>(percent);
    report.Elapsed = QString::fromLatin1(Columns(line, 21, 8));
    report.Estimated = QString::fromLatin1(Columns(line, 30, 8));
    reports.push_back(report);
}

std::vector<TProgressReport> TLameDecodeParser::Parse(const QByteArray& chunk, double elapsedSeconds) {
    std::vector<TProgressReport> reports;
    for (const QByteArray& line : SplitEncoderLines(chunk))
        ParseLine(line, elapsedSeconds, reports);
    return reports;
}

void TLameDecodeParser::ParseLine(const QByteArray& line, double elapsedSeconds,
                                  std::vector<TProgressReport>& reports) {
    if (ProgressColumn == 0) {
        if (!line.startsWith("Frame#"))
            return;
        ProgressColumn = static_cast<int32_t>(line.indexOf('#') + 1 + 1);
    }
    const int64_t done = NumberOr(Columns(line, ProgressColumn, 6), -1);
    const int64_t total = NumberOr(Columns(line, ProgressColumn + 7, 6), -1);
    if (done == -1 || total == -1 || total == 0)
        return;
    const int64_t seconds = RoundSeconds(elapsedSeconds);
    const int64_t percent = done * 100 / total;
    TProgressReport report;
    if (percent != 0) {
        report.Elapsed = MinSecText(seconds);
        report.Estimated = MinSecText(RoundSeconds(double(seconds) * 100.0 / double(percent)));
    }
    if (percent < 1 || percent > 100)
        return;
    report.Code = static_cast<int32_t>(percent);
    reports.push_back(report);
}

std::vector<TWmaOutputEvent> TWmaOutputParser::Parse(const QByteArray& chunk, double elapsedSeconds) {
    std::vector<TWmaOutputEvent> events;
    for (const QByteArray& line : SplitEncoderLines(chunk)) {
        if (line.contains("ERROR")) {
            events.push_back({true, QString::fromUtf8(line).trimmed()});
            break;
        }
        if (line.contains("100%")) {
            int64_t seconds = RoundSeconds(elapsedSeconds);
            if (seconds == 0)
                seconds = 1;
            events.push_back({false, MinSecText(seconds)});
        }
    }
    return events;
}
