// AccurateRip's checksums and disc ids against values worked out independently (by a short
// Python script over the published definitions, not by this code), the database file's
// reading and the verdicts, its fetching from a server on 127.0.0.1, and the plan of a read
// with a drive offset.
#include "accuraterip/AccurateRipDatabase.h"
#include "cd/AccurateRip.h"
#include "cd/ReadOffset.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// 7000 stereo samples whose words are (p x 2654435761 + 12345) mod 2^32 at position p.
QByteArray SampleWords() {
    QByteArray data;
    for (uint32_t p = 1; p <= 7000; ++p)
        data += Le32(p * 2654435761u + 12345u);
    return data;
}

TDisc MakeDisc(std::vector<TDiscTrack> tracks, int32_t leadOut) {
    TDisc disc;
    disc.Tracks = std::move(tracks);
    disc.LeadOut = leadOut;
    return disc;
}

QByteArray Block(const TAccurateRipIds& ids, const std::vector<std::tuple<int, uint32_t, uint32_t>>& entries) {
    QByteArray b(1, char(ids.AudioTracks));
    b += Le32(ids.Id1) + Le32(ids.Id2) + Le32(ids.Cddb);
    for (const auto& [confidence, crc, frame450] : entries)
        b += QByteArray(1, char(confidence)) + Le32(crc) + Le32(frame450);
    return b;
}

} // namespace

TEST(AccurateRipTest, ChecksumsOfFirstMiddleLastAndOnlyTrack) {
    const QByteArray words = SampleWords();
    struct TCase {
        bool First, Last;
        uint32_t V1, V2;
    };
    for (const TCase& c : {TCase{false, false, 0x04ae3b30, 0x05691b19}, TCase{true, false, 0x59d88834, 0x5a7274ac},
                           TCase{false, true, 0xb1433968, 0xb18217b2}, TCase{true, true, 0x066d866c, 0x068b7145}}) {
        // Whole, and in pieces that split samples (as reads of odd sizes do).
        for (const int piece : {int(words.size()), 4096, 7, 1}) {
            TAccurateRipSums sums;
            sums.Begin(7000, c.First, c.Last);
            for (qsizetype at = 0; at < words.size(); at += piece)
                sums.Add(reinterpret_cast<const uint8_t*>(words.constData()) + at,
                         size_t(std::min<qsizetype>(piece, words.size() - at)));
            EXPECT_EQ(sums.V1(), c.V1) << c.First << c.Last << " piece " << piece;
            EXPECT_EQ(sums.V2(), c.V2) << c.First << c.Last << " piece " << piece;
        }
    }
    // The published toy case: words 1..12 at positions 1..12 give 650 for both.
    QByteArray small;
    for (uint32_t w = 1; w <= 12; ++w)
        small += Le32(w);
    TAccurateRipSums sums;
    sums.Begin(12, false, false);
    sums.Add(reinterpret_cast<const uint8_t*>(small.constData()), size_t(small.size()));
    EXPECT_EQ(sums.V1(), 650u);
    EXPECT_EQ(sums.V2(), 650u);
}

TEST(AccurateRipTest, DiscIdsCountAudioTracksOnly) {
    // A data track first must not shift the audio tracks' multipliers.
    const TAccurateRipIds dataFirst =
        AccurateRipIds(MakeDisc({{1, 0, true}, {2, 20000, false}, {3, 40000, false}}, 60000));
    EXPECT_EQ(dataFirst.AudioTracks, 2);
    EXPECT_EQ(dataFirst.Id1, 120000u);
    EXPECT_EQ(dataFirst.Id2, 280000u);
    // An enhanced CD: the lead-out after the data track; track 1 at 0 counts as 1 in id2.
    const TAccurateRipIds dataLast =
        AccurateRipIds(MakeDisc({{1, 0, false}, {2, 20000, false}, {3, 50000, true}}, 70000));
    EXPECT_EQ(dataLast.Id1, 90000u);
    EXPECT_EQ(dataLast.Id2, 250001u);
    EXPECT_EQ(dataLast.Cddb, MakeDisc({{1, 0, false}, {2, 20000, false}, {3, 50000, true}}, 70000)
                                 .CddbDiscId()
                                 .toUInt(nullptr, 16));
    TAccurateRipIds ids;
    ids.AudioTracks = 3;
    ids.Id1 = 0x0001a2b3;
    ids.Id2 = 0x00c0ffee;
    ids.Cddb = 0x2a03e703;
    EXPECT_EQ(ids.Text(), "003-0001a2b3-00c0ffee-2a03e703");
    EXPECT_EQ(ids.Url("http://db.example/"),
              "http://db.example/accuraterip/3/b/2/dBAR-003-0001a2b3-00c0ffee-2a03e703.bin");
}

TEST(AccurateRipTest, DatabaseFileBlocksAndVerdicts) {
    TAccurateRipIds ids;
    ids.AudioTracks = 2;
    ids.Id1 = 0x11223344;
    ids.Id2 = 0x55667788;
    ids.Cddb = 0x0a0b0c0d;
    // Two pressings: the first holds v1 sums, the second v2 sums.
    const QByteArray file = Block(ids, {{12, 0xAAAA0001, 0x1}, {12, 0xAAAA0002, 0x2}}) +
                            Block(ids, {{3, 0xBBBB0001, 0x3}, {200, 0xBBBB0002, 0x4}});
    TAccurateRipAnswer answer;
    ASSERT_TRUE(ParseAccurateRip(file, ids, answer.Blocks, answer.Error)) << answer.Error.toStdString();
    answer.Kind = TAccurateRipAnswer::Found;
    ASSERT_EQ(answer.Blocks.size(), 2u);
    EXPECT_EQ(answer.Blocks[1].Tracks[1].Confidence, 200);
    EXPECT_EQ(answer.Blocks[1].Tracks[0].Frame450, 3u);

    EXPECT_EQ(JudgeTrack(answer, 0, 0xAAAA0001, 0x1234).Text, "accurately ripped (confidence 12)");
    EXPECT_EQ(JudgeTrack(answer, 1, 0x1234, 0xBBBB0002).Text, "accurately ripped (confidence 200)");
    EXPECT_EQ(JudgeTrack(answer, 1, 0xAAAA0001, 0xBBBB0001).Text,
              "not accurate (database: aaaa0002 (confidence 12), bbbb0002 (confidence 200))");
    TAccurateRipAnswer missing;
    missing.Kind = TAccurateRipAnswer::NotInDatabase;
    EXPECT_EQ(JudgeTrack(missing, 0, 1, 2).Text, "not in the database");

    TAccurateRipIds other = ids;
    other.Id2 += 1;
    for (const QByteArray& bad : {QByteArray(), file.left(file.size() - 1), file.left(10), Block(other, {{1, 1, 1}, {1, 1, 1}}),
                                  QByteArray("<!DOCTYPE html><html>Not here</html>"), file + QByteArray(1, '\2')}) {
        std::vector<TAccurateRipBlock> blocks;
        QString error;
        EXPECT_FALSE(ParseAccurateRip(bad, ids, blocks, error)) << bad.size();
        EXPECT_TRUE(error.startsWith("AccurateRip: ")) << error.toStdString();
    }
}

TEST(AccurateRipTest, FetchesTheDiscFileAndNamesEveryFailure) {
    TTempProgramFolder folder;
    THttpTestServer server;
    const TDisc disc = MakeDisc({{1, 0, false}, {2, 1000, false}}, 3000);
    const TAccurateRipIds ids = AccurateRipIds(disc);
    const QString path = ids.Url(server.BaseUrl()).mid(server.BaseUrl().size());
    EXPECT_EQ(FetchAccurateRip(server.BaseUrl(), ids).Kind, TAccurateRipAnswer::NotInDatabase);

    server.Set(path, Block(ids, {{5, 1, 2}, {6, 3, 4}}));
    const TAccurateRipAnswer found = FetchAccurateRip(server.BaseUrl(), ids);
    ASSERT_EQ(found.Kind, TAccurateRipAnswer::Found) << found.Error.toStdString();
    EXPECT_EQ(found.Blocks[0].Tracks[1].Confidence, 6);
    EXPECT_EQ(server.Targets().last(), path);

    server.Set(path, "<html><body>Service unavailable</body></html>", 200, "text/html");
    EXPECT_EQ(FetchAccurateRip(server.BaseUrl(), ids).Error,
              "AccurateRip: the server sent a web page, not a database file");
    server.Set(path, "busy", 503);
    EXPECT_EQ(FetchAccurateRip(server.BaseUrl(), ids).Error, "AccurateRip: the server answered with HTTP status 503");
    server.Set(path, QByteArray(2 * 1024 * 1024, '\0'));
    EXPECT_TRUE(FetchAccurateRip(server.BaseUrl(), ids).Error.endsWith("sent too large an answer"));
    const TAccurateRipAnswer dead = FetchAccurateRip(UnreachableServer, ids);
    EXPECT_EQ(dead.Kind, TAccurateRipAnswer::Failed);
    EXPECT_EQ(dead.Error, "AccurateRip: could not connect to 127.0.0.1:1");
}

TEST(AccurateRipTest, OffsetReadPlans) {
    // No offset: the sectors themselves.
    TOffsetRead plan = PlanOffsetRead(100, 10, 0, 0, 1000);
    EXPECT_EQ(std::tie(plan.FirstSector, plan.Sectors, plan.SkipBytes, plan.Bytes, plan.LeadingSilence),
              std::make_tuple(100, 10, int64_t(0), int64_t(23520), int64_t(0)));
    // +6: reading starts 6 samples later and runs into the next sector.
    plan = PlanOffsetRead(100, 10, 6, 0, 1000);
    EXPECT_EQ(std::tie(plan.FirstSector, plan.Sectors, plan.SkipBytes, plan.Bytes),
              std::make_tuple(100, 11, int64_t(24), int64_t(23520)));
    // +6 at the end of the disc: the last 6 samples are silence.
    plan = PlanOffsetRead(990, 10, 6, 0, 1000);
    EXPECT_EQ(std::tie(plan.Sectors, plan.Bytes, plan.TrailingSilence), std::make_tuple(10, int64_t(23496), int64_t(24)));
    EXPECT_EQ(plan.SilentSamples(), 6);
    // -600 at the start of the disc: 600 samples of silence, then the disc from sector 0.
    plan = PlanOffsetRead(0, 10, -600, 0, 1000);
    EXPECT_EQ(std::tie(plan.FirstSector, plan.SkipBytes, plan.LeadingSilence, plan.Bytes),
              std::make_tuple(0, int64_t(0), int64_t(2400), int64_t(23520 - 2400)));
    EXPECT_EQ(plan.Sectors, 9);
    // -600 further in: one sector earlier, 12 samples into it.
    plan = PlanOffsetRead(100, 10, -600, 0, 1000);
    EXPECT_EQ(std::tie(plan.FirstSector, plan.Sectors, plan.SkipBytes), std::make_tuple(98, 11, int64_t(2352 - 48)));
}
