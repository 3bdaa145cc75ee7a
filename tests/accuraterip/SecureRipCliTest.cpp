// Secure rips with discwright-cli, run as a user would, against an AccurateRip server on
// 127.0.0.1: the log proves the files and the database confirms them, verify finds a changed,
// missing or edited rip, a read offset shifts the audio in both read paths, offset find
// confirms a drive's offset, and a broken server leaves the rip whole.
#include "fixtures/DiscImage.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

struct TSums {
    uint32_t V1 = 0;
    uint32_t V2 = 0;
};

// AccurateRip's sums of a track's PCM, straight from the definition.
TSums ReferenceSums(const QByteArray& pcm, bool first, bool last) {
    TSums s;
    const int64_t n = pcm.size() / 4;
    const auto* p = reinterpret_cast<const uint8_t*>(pcm.constData());
    for (int64_t i = 0; i < n; ++i) {
        const int64_t position = i + 1;
        if ((first && position < 2940) || (last && position > n - 2940))
            continue;
        const uint32_t word = uint32_t(p[4 * i]) | uint32_t(p[4 * i + 1]) << 8 | uint32_t(p[4 * i + 2]) << 16 |
                              uint32_t(p[4 * i + 3]) << 24;
        const uint64_t product = uint64_t(position) * word;
        s.V1 += uint32_t(product);
        s.V2 += uint32_t(product) + uint32_t(product >> 32);
    }
    return s;
}

QString Hex(uint32_t v) {
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

// The values of the log's "  Key: value" lines, in order.
QStringList LogValues(const QString& log, const QString& key) {
    QStringList values;
    const QRegularExpression re(QStringLiteral("^  ") + QRegularExpression::escape(key) + QStringLiteral(": (.*)$"),
                                QRegularExpression::MultilineOption);
    for (auto it = re.globalMatch(log); it.hasNext();)
        values << it.next().captured(1);
    return values;
}

class SecureRipCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        Disc = MakeDiscImage(Folder.Path(), QStringLiteral("disc"),
                             {TImageTrack{160, false}, TImageTrack{150, false}, TImageTrack{170, false}});
        OutDir = Folder.File(QStringLiteral("out"));
        for (const QByteArray& t : Disc.TrackData)
            Whole += t;
    }

    QString Server() const { return QStringLiteral("AccurateRip/Server=") + Web.BaseUrl(); }
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), QStringList{"--set", Server()} + args); }
    TRunResult Rip(const QStringList& args) {
        return Cli(QStringList{"rip", "--image", Disc.CuePath, "--out", OutDir, "--format", "wav"} + args);
    }
    QString Out(const QString& name) const { return OutDir + '/' + name; }
    // The text of the rip's log (named after the album or the disc key).
    QString LogText() const {
        return QString::fromUtf8(ReadFile(Out(QDir(OutDir).entryList({QStringLiteral("*.log")}).value(0))));
    }

    // The disc's audio as a drive with read offset `offset` corrected gives it: track i from
    // sample start + offset of the whole disc, silence beyond its ends.
    QByteArray Shifted(size_t track, int offset) const {
        const int64_t from = int64_t(Disc.StartSectors[track]) * 2352 + int64_t(offset) * 4;
        QByteArray pcm;
        for (int64_t at = from; at < from + Disc.TrackData[track].size(); ++at)
            pcm += at < 0 || at >= Whole.size() ? char(0) : Whole.at(at);
        return pcm;
    }
    // Serves, at the disc's address, one pressing with the v1 sums of the disc read with
    // `offset` (confidence 7) and one with its v2 sums (confidence 3). The address is the one
    // `ar` gives.
    void ServeDatabase(int offset, std::vector<TSums>* sums = nullptr) {
        const TRunResult ar = Cli({"ar", "--image", Disc.CuePath});
        const QString url = QString::fromUtf8(ar.Out).section("url: ", 1).section('\n', 0, 0);
        ASSERT_TRUE(url.startsWith(Web.BaseUrl())) << ar.Out.toStdString();
        const QString ids = url.section("dBAR-", 1).section(".bin", 0, 0);
        QByteArray header(1, char(3));
        for (int i = 1; i <= 3; ++i)
            header += Le32(ids.section('-', i, i).toUInt(nullptr, 16));
        QByteArray v1 = header;
        QByteArray v2 = header;
        for (size_t t = 0; t < 3; ++t) {
            const TSums s = ReferenceSums(Shifted(t, offset), t == 0, t == 2);
            v1 += QByteArray(1, char(7)) + Le32(s.V1) + Le32(0);
            v2 += QByteArray(1, char(3)) + Le32(s.V2) + Le32(0);
            if (sums)
                sums->push_back(s);
        }
        Web.Set(url.mid(Web.BaseUrl().size()), v1 + v2);
    }

    TTempProgramFolder Folder;
    THttpTestServer Web;
    TDiscImage Disc;
    QByteArray Whole;
    QString OutDir;
};

TEST_F(SecureRipCliTest, LogProvesTheFilesAndVerifyFindsEveryChange) {
    std::vector<TSums> sums;
    ServeDatabase(0, &sums);
    const TRunResult rip = Rip({"--album", "Proof", "--set", "CDOptions/TestAndCopy=1"});
    ASSERT_EQ(rip.ExitCode, 0) << rip.Err.toStdString();
    for (int t = 0; t < 3; ++t)
        EXPECT_TRUE(rip.Out.contains(QStringLiteral("accuraterip: track %1 v1 %2 v2 %3: accurately ripped (confidence 7)\n")
                                         .arg(t + 1)
                                         .arg(Hex(sums[t].V1), Hex(sums[t].V2))
                                         .toUtf8()))
            << rip.Out.toStdString();
    EXPECT_TRUE(rip.Out.endsWith((Out("Proof.log") + '\n' + Out("Proof.cue") + '\n').toUtf8()));

    // The log's CRCs are those of the WAV files' audio; the test read gave the same.
    const QString log = QString::fromUtf8(ReadFile(Out("Proof.log")));
    const QStringList copies = LogValues(log, "Copy CRC");
    ASSERT_EQ(copies.size(), 3) << log.toStdString();
    for (int t = 0; t < 3; ++t) {
        const QByteArray audio = ReadFile(Out(QStringLiteral("Track%1.wav").arg(t + 1, 2, 10, QLatin1Char('0')))).mid(44);
        EXPECT_EQ(audio, Disc.TrackData[size_t(t)]);
        EXPECT_EQ(copies[t], Hex(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(audio.constData()), uInt(audio.size())))));
    }
    EXPECT_EQ(LogValues(log, "Test CRC"), copies);
    EXPECT_TRUE(log.contains("  3 of 3 tracks accurately ripped\n  no errors\n")) << log.toStdString();
    EXPECT_TRUE(QString::fromUtf8(ReadFile(Out("Proof.cue"))).contains("TITLE \"Proof\"\nFILE \"Track01.wav\" WAVE\n  TRACK 01 AUDIO\n"));
    // The database entries `ar` lists are the log's sums.
    const QString ar = QString::fromUtf8(Cli({"ar", "--image", Disc.CuePath}).Out);
    const QStringList v1 = LogValues(log, "AccurateRip v1");
    for (int t = 0; t < 3; ++t)
        EXPECT_TRUE(ar.contains(QStringLiteral("track %1: pressing 1 confidence 7 checksum %2 frame450 00000000\n")
                                    .arg(t + 1)
                                    .arg(v1.value(t))))
            << ar.toStdString();

    const TRunResult intact = Cli({"verify", Out("Proof.log"), "--server", Web.BaseUrl()});
    EXPECT_EQ(intact.ExitCode, 0) << intact.Out.toStdString() << intact.Err.toStdString();
    EXPECT_EQ(intact.Out, "track 1: ok\ntrack 2: ok\ntrack 3: ok\n"
                          "accuraterip: track 1: accurately ripped (confidence 7)\n"
                          "accuraterip: track 2: accurately ripped (confidence 7)\n"
                          "accuraterip: track 3: accurately ripped (confidence 7)\n");

    // One changed byte, a missing file, an edited log.
    QFile wav(Out("Track02.wav"));
    ASSERT_TRUE(wav.open(QIODevice::ReadWrite) && wav.seek(1000));
    const char flipped = char(wav.peek(1).at(0) ^ 1);
    wav.write(&flipped, 1);
    wav.close();
    ASSERT_TRUE(QFile::remove(Out("Track03.wav")));
    const TRunResult changed = Cli({"verify", Out("Proof.log")});
    EXPECT_EQ(changed.ExitCode, 1);
    EXPECT_EQ(changed.Out, "track 1: ok\ntrack 2: changed\ntrack 3: missing\n");
    WriteFile(Out("Proof.log"), ReadFile(Out("Proof.log")).replace("Title: Track01", "Title: Track 1"));
    const TRunResult edited = Cli({"verify", Out("Proof.log")});
    EXPECT_EQ(edited.ExitCode, 1);
    EXPECT_TRUE(edited.Out.startsWith("log: edited")) << edited.Out.toStdString();

    // Not a log, a truncated log, no log at all.
    WriteFile(Folder.File("notes.log"), "shopping list\n");
    WriteFile(Folder.File("cut.log"), ReadFile(Out("Proof.log")).left(600));
    for (const QString& bad : {Folder.File("notes.log"), Folder.File("cut.log"), Folder.File("none.log")}) {
        const TRunResult r = Cli({"verify", bad});
        EXPECT_EQ(r.ExitCode, 1) << bad.toStdString();
        EXPECT_TRUE(r.Out.isEmpty());
        EXPECT_FALSE(r.Err.trimmed().isEmpty());
    }
}

TEST_F(SecureRipCliTest, BrokenServerLeavesTheRipWhole) {
    const TRunResult ar = Cli({"ar", "--image", Disc.CuePath});
    const QString path = QString::fromUtf8(ar.Out).section("url: ", 1).section('\n', 0, 0).mid(Web.BaseUrl().size());
    struct TCase {
        QByteArray Body;
        int Status;
        const char* Result;
    };
    for (const TCase& c : {TCase{"", 404, "not in the database"},
                           TCase{"<!DOCTYPE html><html>maintenance</html>", 200,
                                 "no result (AccurateRip: the server sent a web page, not a database file)"},
                           TCase{QByteArray(20, '\3'), 200, "no result (AccurateRip: a block is for another disc"}}) {
        if (c.Status == 200)
            Web.Set(path, c.Body, c.Status);
        QDir(OutDir).removeRecursively();
        const TRunResult rip = Rip({});
        EXPECT_EQ(rip.ExitCode, 0) << rip.Err.toStdString();
        EXPECT_TRUE(rip.Out.contains(QByteArray("v2 ") + Hex(ReferenceSums(Disc.TrackData[2], false, true).V2).toUtf8() +
                                     ": " + c.Result))
            << rip.Out.toStdString();
        EXPECT_EQ(ReadFile(Out("Track03.wav")).mid(44), Disc.TrackData[2]);
        const QString log = LogText();
        EXPECT_TRUE(LogValues(log, "AccurateRip").value(2).startsWith(c.Result)) << log.toStdString();
    }
}

TEST_F(SecureRipCliTest, ReadOffsetShiftsTheAudioInBothPaths) {
    for (const int offset : {6, -6, 700}) {
        for (const bool secure : {false, true}) {
            QDir(OutDir).removeRecursively();
            QStringList args{"--set", QStringLiteral("CDOptions/ReadOffset=%1").arg(offset)};
            if (secure)
                args << "--paranoia";
            const TRunResult rip = Rip(args);
            ASSERT_EQ(rip.ExitCode, 0) << rip.Err.toStdString();
            for (size_t t = 0; t < 3; ++t)
                EXPECT_TRUE(ReadFile(Out(QStringLiteral("Track0%1.wav").arg(t + 1))).mid(44) == Shifted(t, offset))
                    << "offset " << offset << " secure " << secure << " track " << t + 1;
            const QString log = LogText();
            EXPECT_TRUE(log.contains(QStringLiteral("Read offset: %1%2 samples").arg(offset > 0 ? "+" : "").arg(offset))) << log.toStdString();
            const QStringList silence = LogValues(log, "Offset silence");
            EXPECT_EQ(silence, offset > 0 ? QStringList({"0 samples", "0 samples", QStringLiteral("%1 samples").arg(offset)})
                                          : QStringList({QStringLiteral("%1 samples").arg(-offset), "0 samples", "0 samples"}));
        }
    }
}

TEST_F(SecureRipCliTest, OffsetFindConfirmsTheDrivesOffset) {
    ServeDatabase(6);
    const TRunResult found = Cli({"offset", "find", "--image", Disc.CuePath, "--apply"});
    ASSERT_EQ(found.ExitCode, 0) << found.Err.toStdString();
    EXPECT_EQ(found.Out, "offset: +6 (confirmed by tracks 1, 2)\n");
    EXPECT_TRUE(ReadFile(Folder.File("options.ini")).contains("ReadOffset=6"));
    // The stored offset is the rip's from now on.
    const TRunResult rip = Rip({});
    EXPECT_EQ(rip.Out.count("accurately ripped (confidence 7)"), 3) << rip.Out.toStdString();

    // An offset off the usual list is found only when every offset is tried.
    ServeDatabase(-31);
    const TRunResult usual = Cli({"offset", "find", "--image", Disc.CuePath});
    EXPECT_EQ(usual.ExitCode, 1);
    EXPECT_TRUE(usual.Err.contains("none of the usual offsets is confirmed")) << usual.Err.toStdString();
    const TRunResult all = Cli({"offset", "find", "--image", Disc.CuePath, "--all"});
    EXPECT_EQ(all.Out, "offset: -31 (confirmed by tracks 1, 2)\n") << all.Err.toStdString();
}

} // namespace
