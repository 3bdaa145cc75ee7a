// The encoder output parsers on recorded lame output (file names with "%" and "#", histogram
// lines, CR-only line ends) and on hand-made lines for the column rules.
#include "jobs/EncoderParsers.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QByteArray Transcript(const char* name) {
    QFile f(QStringLiteral(DW_JOBS_DATA "/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

std::vector<int32_t> Codes(const std::vector<TProgressReport>& reports) {
    std::vector<int32_t> codes;
    for (const TProgressReport& r : reports)
        codes.push_back(r.Code);
    return codes;
}

// The percentages of lame's real encode progress lines, found independently of the parser.
std::vector<int32_t> ExpectedEncodePercents(const QByteArray& transcript) {
    std::vector<int32_t> codes;
    static const QRegularExpression progress(QStringLiteral("\\(\\s*(\\d+)%\\)\\|"));
    auto it = progress.globalMatch(QString::fromLatin1(transcript));
    while (it.hasNext()) {
        const int value = it.next().captured(1).toInt();
        if (value >= 1 && value <= 100)
            codes.push_back(value);
    }
    return codes;
}

} // namespace

TEST(SplitEncoderLines, EndsLinesAtCrLfAndCrLfAndSkipsBlankOnes) {
    const QList<QByteArray> lines = SplitEncoderLines("one\rtwo\nthree\r\nfour\r\r\n \x1b\x7f\t\r\n\nfive");
    EXPECT_EQ(lines, (QList<QByteArray>{"one", "two", "three", "four", "five"}));
    EXPECT_TRUE(SplitEncoderLines("\r\n\r\n   \r").isEmpty());
}

TEST(LameEncodeParser, RecordedRunWithPercentAndHashInFileNames) {
    // lame echoes "Encoding a 50% mix #1.wav to ..." before any progress line.
    const QByteArray transcript = Transcript("lame-encode-percent-hash.txt");
    TLameEncodeParser parser;
    const std::vector<TProgressReport> reports = parser.Parse(transcript);
    EXPECT_EQ(parser.ProgressColumn, 15);
    EXPECT_EQ(Codes(reports), (std::vector<int32_t>{43, 87, 100}));
    for (const TProgressReport& r : reports) {
        EXPECT_EQ(r.Elapsed, QStringLiteral("0:00"));
        EXPECT_EQ(r.Estimated, QStringLiteral("0:00"));
    }
}

TEST(LameEncodeParser, VbrRunWithHistogramGivesExactlyTheProgressFigures) {
    const QByteArray transcript = Transcript("lame-encode-vbr-hash.txt");
    const std::vector<int32_t> expected = ExpectedEncodePercents(transcript);
    ASSERT_GT(expected.size(), 10u);
    EXPECT_EQ(expected.back(), 100);

    TLameEncodeParser parser;
    EXPECT_EQ(Codes(parser.Parse(transcript)), expected);

    // The same output with bare CRs only, and cut into small chunks: a line cut by a chunk
    // boundary is parsed as two fragments, which may lose a figure but never invents one.
    TLameEncodeParser crOnly;
    EXPECT_EQ(Codes(crOnly.Parse(Transcript("lame-encode-vbr-cr-only.txt"))), expected);
    TLameEncodeParser chunked;
    std::vector<int32_t> seen;
    for (qsizetype at = 0; at < transcript.size(); at += 61)
        for (int32_t c : Codes(chunked.Parse(transcript.mid(at, 61))))
            seen.push_back(c);
    for (int32_t c : seen)
        EXPECT_NE(std::find(expected.begin(), expected.end(), c), expected.end()) << c;
    EXPECT_GT(seen.size(), expected.size() / 2);
}

TEST(LameEncodeParser, ColumnRulesAndDroppedFigures) {
    TLameEncodeParser parser;
    // An echoed name with "%" does not fix the column; the first progress line does, even
    // though its own figure (0) is dropped.
    EXPECT_TRUE(parser.Parse("Encoding 100% pure.wav to out.mp3\n").empty());
    EXPECT_EQ(parser.ProgressColumn, 0);
    EXPECT_TRUE(parser.Parse("     0/       ( 0%)|    0:00/     :  |    0:00/     :  |         x|     :  \r").empty());
    EXPECT_EQ(parser.ProgressColumn, 15);
    const auto r = parser.Parse(" 99900/206720 (48%)|    0:19/    0:40|    0:19/    0:40|   132.60x|    0:21\r"
                                "206720/206720(100%)|    0:40/    0:41|    0:40/    0:40|   133.60x|    0:00\r"
                                "   100/2298   (xy%)|    0:00/    0:00|\r"
                                "   100/2298  (101%)|    0:00/    0:00|\r");
    ASSERT_EQ(Codes(r), (std::vector<int32_t>{48, 100}));
    EXPECT_EQ(r[0].Elapsed, QStringLiteral("0:19"));
    EXPECT_EQ(r[0].Estimated, QStringLiteral("0:40"));
    EXPECT_EQ(r[1].Estimated, QStringLiteral("0:41"));
    parser.Reset();
    EXPECT_EQ(parser.ProgressColumn, 0);
}

TEST(LameDecodeParser, RecordedRunWithHashInFileNames) {
    // "input:  a 50% mix #1.mp3 ..." comes before the first "Frame#" line.
    const QByteArray transcript = Transcript("lame-decode-percent-hash.txt");
    TLameDecodeParser parser;
    const std::vector<TProgressReport> reports = parser.Parse(transcript, 10.0);
    EXPECT_EQ(parser.ProgressColumn, 7);
    std::vector<int32_t> expected;
    static const QRegularExpression frame(QStringLiteral("Frame#\\s*(\\d+)/(\\d+)"));
    auto it = frame.globalMatch(QString::fromLatin1(transcript));
    while (it.hasNext()) {
        const auto m = it.next();
        const int percent = m.captured(1).toInt() * 100 / m.captured(2).toInt();
        if (percent >= 1)
            expected.push_back(percent);
    }
    ASSERT_GT(expected.size(), 200u);
    EXPECT_EQ(Codes(reports), expected);
    EXPECT_EQ(reports.back().Code, 100);
    // 10 s at 50 % give an estimate of 20 s.
    for (const TProgressReport& r : reports) {
        EXPECT_EQ(r.Elapsed, QStringLiteral("00:10"));
        if (r.Code == 50) {
            EXPECT_EQ(r.Estimated, QStringLiteral("00:20"));
        }
    }

    TLameDecodeParser crOnly;
    EXPECT_EQ(Codes(crOnly.Parse(Transcript("lame-decode-cr-only.txt"), 10.0)), Codes(reports));
}

TEST(LameDecodeParser, ColumnsTotalZeroAndEstimate) {
    TLameDecodeParser parser;
    EXPECT_TRUE(parser.Parse("input:  take #5.mp3  (44.1 kHz, 2 channels, MPEG-1 Layer III)\n", 1).empty());
    EXPECT_EQ(parser.ProgressColumn, 0);
    EXPECT_TRUE(parser.Parse("\rFrame#     2/0      128 kbps  L  R   \b\b\b\b", 1).empty());
    EXPECT_EQ(parser.ProgressColumn, 7);
    EXPECT_TRUE(parser.Parse("\rFrame#     1/2298   128 kbps  L  R   ", 1).empty()); // 0 %
    const auto r = parser.Parse("\rFrame#   766/2298   128 kbps  L  R   \b\b", 74.6);
    ASSERT_EQ(Codes(r), std::vector<int32_t>{33});
    EXPECT_EQ(r[0].Elapsed, QStringLiteral("01:15"));
    EXPECT_EQ(r[0].Estimated, QStringLiteral("03:47")); // 75 * 100 / 33 = 227.27
    // Halves round to even, as in the other progress reports: 2.5 s elapsed reads 00:02, and
    // 2 s at 80 % (2.5 s) estimates 00:02.
    const auto atHalf = parser.Parse("\rFrame#  1838/2298   128 kbps  L  R   ", 2.5);
    ASSERT_EQ(Codes(atHalf), std::vector<int32_t>{79});
    EXPECT_EQ(atHalf[0].Elapsed, QStringLiteral("00:02"));
    const auto halfEstimate = parser.Parse("\rFrame#  1839/2298   128 kbps  L  R   ", 2.0);
    ASSERT_EQ(Codes(halfEstimate), std::vector<int32_t>{80});
    EXPECT_EQ(halfEstimate[0].Estimated, QStringLiteral("00:02"));
}

TEST(WmaOutputParser, CompletionAndErrorLines) {
    TWmaOutputParser parser;
    auto e = parser.Parse("12%\n13%\n100%\n", 0.3);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_FALSE(e[0].IsError);
    EXPECT_EQ(e[0].Text, QStringLiteral("00:01")); // never 00:00
    e = parser.Parse("100%\r\n", 75.2);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].Text, QStringLiteral("01:15"));
    // An error line ends the parse of its chunk.
    e = parser.Parse("50%\nERROR: not a WAV file: x.txt\n100%\n", 1);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_TRUE(e[0].IsError);
    EXPECT_EQ(e[0].Text, QStringLiteral("ERROR: not a WAV file: x.txt"));
    EXPECT_TRUE(parser.Parse("Note: error-free\nerror\n99%\n", 1).empty());
}
