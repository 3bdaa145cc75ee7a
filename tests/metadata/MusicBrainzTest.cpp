// MusicBrainz lookups against a real HTTP server on 127.0.0.1: the releases of a disc id, the
// toc lookup of an unknown id, a busy service, and answers a parser must not trust (broken
// JSON, a release with fewer tracks than the disc, control characters, 500-character titles,
// error statuses, a server that never answers).
#include "metadata/DiscLookup.h"
#include "metadata/MusicBrainzAnswer.h"
#include "metadata/MusicBrainzJson.h"
#include "metadata/MusicBrainzTestServer.h"
#include "platform/HttpGet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The standard fixture disc: four tracks of 1234, 2300, 750 and 613 sectors.
TDisc StandardDisc() {
    TDisc disc;
    disc.Tracks = {{1, 0, false}, {2, 1234, false}, {3, 3534, false}, {4, 4284, false}};
    disc.LeadOut = 4897;
    return disc;
}

class MusicBrainzTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
        SetHttpLimits(2000, 4000);
        Options.Server = Server.BaseUrl();
        Options.Contact = QStringLiteral("me@example.net");
    }
    void TearDown() override { SetHttpLimits(10000, 30000); }

    TWebTestServer Server;
    TMusicBrainzOptions Options;
    const QString Id = StandardDisc().MusicBrainzDiscId();
};

} // namespace

TEST_F(MusicBrainzTest, ReleasesOfTheDiscIdWithTheirMediumAndFacts) {
    Server.SetAnswer("/ws/2/discid/" + Id, 200, TwoReleasesJson(Id));
    const TLookupAnswer a = LookUpMusicBrainz(StandardDisc(), Options);
    ASSERT_TRUE(a.Found()) << a.Error.toStdString();
    EXPECT_EQ(a.IdLine, "mbdiscid: " + Id);
    EXPECT_EQ(Server.Targets(), QStringList({"/ws/2/discid/" + Id + "?inc=recordings+artist-credits+labels&fmt=json"}));
    EXPECT_EQ(Server.Agents(), QStringList({"Discwright/" DW_VERSION " ( me@example.net )"}));
    ASSERT_EQ(a.Candidates.size(), 2u);
    const TDiscCandidate& first = a.Candidates[0];
    EXPECT_EQ(first.Description(), "Some Band feat. Guest / First Album (1999, GB, CD)");
    EXPECT_EQ(first.Label, "Label One, Label Two");
    EXPECT_EQ(first.Barcode, "5012345678900");
    EXPECT_EQ(first.TrackCount, 4);
    EXPECT_EQ(first.Record.Titles, QStringList({"Opening", "Second Song", "Third", "Closing"}));
    EXPECT_EQ(first.Record.Year.value_or(""), "1999");
    EXPECT_FALSE(first.Record.Genre.has_value());
    EXPECT_FALSE(first.Record.Comment.has_value());
    // The second release's disc is its second medium.
    EXPECT_EQ(a.Candidates[1].Description(), "Some Band / First Album (Deluxe) (2009, US, Enhanced CD)");
    EXPECT_EQ(a.Candidates[1].Record.Titles.value(3), "Closing (Remaster)");
}

TEST_F(MusicBrainzTest, UnknownIdFallsBackToTheTocAndABusyServiceIsAskedOnceMore) {
    // 404 for the id: the releases whose layout is close, by track count.
    const QByteArray releases = R"J({"release-count":1,"releases":[{"id":"r","title":"Close","artist-credit":[],
        "media":[{"format":"CD","track-count":4,"discs":[],"tracks":)J" +
                                TracksJson({"a", "b", "c", "d"}) + "}]}]}";
    Server.SetAnswer("/ws/2/discid/" + Id + "?toc=", 200, releases);
    const TLookupAnswer a = LookUpMusicBrainz(StandardDisc(), Options);
    ASSERT_TRUE(a.Found()) << a.Error.toStdString();
    EXPECT_EQ(a.Candidates[0].Record.Titles.value(3), "d");
    ASSERT_EQ(Server.Targets().size(), 2);
    EXPECT_EQ(Server.Targets()[1], "/ws/2/discid/" + Id +
                                       "?toc=1+4+5047+150+1384+3684+4434&cdstubs=no&inc=recordings+artist-credits+"
                                       "labels&fmt=json");

    // 503 once: asked again after a pause, and the answer counts.
    Server.QueueStatus(503);
    EXPECT_TRUE(LookUpMusicBrainz(StandardDisc(), Options).Found());
    // 503 twice: a clear error, no candidates.
    Server.QueueStatus(503);
    Server.QueueStatus(503);
    const TLookupAnswer busy = LookUpMusicBrainz(StandardDisc(), Options);
    EXPECT_FALSE(busy.Found());
    EXPECT_TRUE(busy.Error.startsWith("MusicBrainz answered HTTP 503 (busy) twice")) << busy.Error.toStdString();
}

TEST_F(MusicBrainzTest, FailuresSayWhyAndOfferNothing) {
    const auto errorOf = [&](int status, const QByteArray& body) {
        Server.SetAnswer("/ws/2/discid/", status, body);
        const TLookupAnswer a = LookUpMusicBrainz(StandardDisc(), Options);
        EXPECT_FALSE(a.Found());
        return a.Error;
    };
    EXPECT_TRUE(errorOf(200, "{\"releases\": [").startsWith("MusicBrainz sent an answer that is not a JSON object"));
    EXPECT_EQ(errorOf(200, "[1, 2]"), "MusicBrainz sent an answer that is not a JSON object");
    EXPECT_EQ(errorOf(200, "{\"id\": \"x\"}"), "MusicBrainz sent an answer without a list of releases");
    EXPECT_EQ(errorOf(500, "{\"error\": \"Internal\\u0007 error\"}"), "MusicBrainz answered HTTP 500: Internal error");
    EXPECT_EQ(errorOf(404, "{\"error\": \"Not Found\"}"), "MusicBrainz knows no release of this disc");
    // A release whose medium of this disc lists fewer tracks than the disc has.
    const QByteArray shortRelease = R"J({"releases":[{"title":"Short","media":[{"track-count":4,"discs":[{"id":")J" +
                                    Id.toUtf8() + R"J("}],"tracks":)J" + TracksJson({"a", "b"}) + "}]}]}";
    EXPECT_EQ(errorOf(200, shortRelease), "the release Short lists 2 tracks where the disc has 4");

    Options.Server = "http://127.0.0.1:1";
    EXPECT_EQ(LookUpMusicBrainz(StandardDisc(), Options).Error, "could not connect to 127.0.0.1:1");
    Options.Server = Server.BaseUrl();
    Server.Hold(true);
    EXPECT_TRUE(LookUpMusicBrainz(StandardDisc(), Options).Error.endsWith("did not answer in time"));
}

TEST(MusicBrainzAnswerTest, TextsAreCleanedAndCut) {
    TDisc disc = StandardDisc();
    const QString id = disc.MusicBrainzDiscId();
    const QString longTitle(500, QChar('x'));
    const QByteArray json = R"J({"releases":[{"title":"Line\nbreak\u0000","artist-credit":[{"name":"A\tB"}],
        "media":[{"track-count":4,"discs":[{"id":")J" +
                            id.toUtf8() + R"J("}],"tracks":)J" + TracksJson({longTitle, "b", "c", "d"}) + "}]}]}";
    std::vector<TDiscCandidate> candidates;
    QString error;
    ASSERT_TRUE(ParseMusicBrainzAnswer(json, {id, 4}, candidates, error)) << error.toStdString();
    EXPECT_EQ(candidates[0].Album, "Line break");
    EXPECT_EQ(candidates[0].Artist, "A B");
    EXPECT_EQ(candidates[0].Record.Titles[0], QString(255, QChar('x')));
}

TEST(LookupTest, TheFirstSourceThatFindsTheDiscAnswers) {
    // Sources of our own: one that finds nothing, one that finds, one never asked.
    struct TFixed : TLookupSource {
        TFixed(QString name, bool found) : SourceName(std::move(name)), Finds(found) {}
        QString Name() const override { return SourceName; }
        TLookupAnswer Look(const TDisc&) override {
            ++Asked;
            TLookupAnswer a;
            if (Finds)
                a.Candidates.push_back(TDiscCandidate());
            else
                a.Error = "nothing here";
            return a;
        }
        QString SourceName;
        bool Finds;
        int Asked = 0;
    };
    TLookupSources sources;
    sources.push_back(std::make_unique<TFixed>("cdtext", false));
    sources.push_back(std::make_unique<TFixed>("musicbrainz", true));
    sources.push_back(std::make_unique<TFixed>("cddb", true));
    const TLookupOutcome found = RunLookup(StandardDisc(), sources);
    ASSERT_TRUE(found.Found());
    EXPECT_EQ(found.Winner().Source, "musicbrainz");
    EXPECT_EQ(static_cast<TFixed&>(*sources[2]).Asked, 0);
    sources.pop_back();
    sources.erase(sources.begin() + 1);
    EXPECT_EQ(RunLookup(StandardDisc(), sources).FailureText(), "cdtext: nothing here");

    QStringList names;
    QString error;
    EXPECT_TRUE(ParseLookupSources(" CDDB, cdtext ,cddb", names, error));
    EXPECT_EQ(names, QStringList({"cddb", "cdtext"}));
    EXPECT_FALSE(ParseLookupSources("cdtext,freedb", names, error));
    EXPECT_EQ(error, "unknown metadata source 'freedb' (known: cdtext, musicbrainz, cddb)");
    EXPECT_FALSE(ParseLookupSources(" , ", names, error));
}
