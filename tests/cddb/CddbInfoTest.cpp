// The CDDB component against a real HTTP server on 127.0.0.1, on a disc image read through
// the CD input component: what it sends, what it reads and keeps, and how it fails.
#include "cddb/CDDBInfo.h"
#include "audio/AuException.h"
#include "cd/CDIn.h"
#include "cd/cdrip.h"
#include "cddb/CddbTestCommon.h"
#include "cddb/protocol/CddbHttp.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"

#include <gtest/gtest.h>

namespace {

class CddbInfoTest : public CddbServerTest {
protected:
    void SetUp() override {
        CddbServerTest::SetUp();
        Image = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
        // The disc, then a drive without a readable disc.
        Settings.Images = Image.CuePath + "|" + Folder.File("missing.cue");
        CDIn = std::make_unique<TCDIn>();
        CDIn->SetDriveIndex(CDIn->DriveCount() - 2);
        Info.CDIn = CDIn.get();
        Info.Server = Server.BaseUrl();
    }
    void AnswerStandardDisc() {
        Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
        Server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", StandardEntryLines()));
    }

    TDiscImage Image;
    std::unique_ptr<TCDIn> CDIn;
    TCDDBInfo Info;
};

} // namespace

TEST_F(CddbInfoTest, SingleMatchIsReadIntoTheRecord) {
    AnswerStandardDisc();
    // Tracks of 1234, 2300, 750 and 613 sectors: start seconds 2, 18, 49, 59 (digit sums
    // 2 + 9 + 13 + 14 = 38), lead-out 67 seconds.
    EXPECT_EQ(Info.GetDiscId(), "26004104");
    EXPECT_EQ(Info.GetQueryString(), "4 150 1384 3684 4434 67");
    EXPECT_EQ(Info.Query(), 200);
    EXPECT_EQ(Info.LastResult, 200);
    EXPECT_EQ(Info.HoldCount, 0);
    ASSERT_TRUE(Info.RecordRead());
    EXPECT_EQ(Server.Commands(),
              QStringList({"cddb query 26004104 4 150 1384 3684 4434 67", "cddb read rock 26004104"}));
    EXPECT_EQ(Server.Hellos().value(0), "user example.org Discwright " DW_VERSION);
    EXPECT_EQ(Server.Agents().value(0), "Discwright/" DW_VERSION);

    TCDDBRecord r;
    Info.GetRecord(r);
    EXPECT_EQ(r.DiscArtist, "Some Band");
    EXPECT_EQ(r.DiscTitle, "First Album");
    EXPECT_EQ(r.Year, "1999");
    EXPECT_EQ(r.Genre, "Rock");
    EXPECT_EQ(r.Generated, "test server");
    EXPECT_EQ(r.TrackCount, 4);
    // ISO-8859-1 answers.
    EXPECT_EQ(r.TrackTitles, QStringList({"Opening", "Second Song", "Third", QString::fromLatin1("Clos\xe9")}));
    EXPECT_EQ(r.TrackArtists, QStringList({"Some Band", "Some Band", "Guest Singer", "Some Band"}));
}

TEST_F(CddbInfoTest, InexactMatchesReadTheFirst) {
    Server.SetAnswer("cddb query", "211 Found inexact matches, list follows (until terminating `.')\r\n"
                                   "misc 26004104 First / Match\r\nrock 26004105 Second / Match\r\n.\r\n");
    Server.SetAnswer("cddb read misc 26004104", ReadAnswer("misc", "26004104", {"DTITLE=First / Match", "TTITLE0=A"}));
    EXPECT_EQ(Info.Query(), 211);
    EXPECT_EQ(Info.QueryObject().Matches.size(), 2);
    EXPECT_EQ(Server.Commands().value(1), "cddb read misc 26004104");
    TCDDBRecord r;
    Info.GetRecord(r);
    EXPECT_EQ(r.DiscTitle, "Match");
}

TEST_F(CddbInfoTest, FailedQueriesKeepThePreviousRecord) {
    AnswerStandardDisc();
    ASSERT_EQ(Info.Query(), 200);
    TCDDBRecord before;
    Info.GetRecord(before);

    Server.SetAnswer("cddb query", "202 No match for disc ID 26004104.\r\n");
    EXPECT_EQ(Info.Query(), 202);
    EXPECT_FALSE(Info.RecordRead());
    EXPECT_EQ(Server.Commands().size(), 3); // no read

    Server.SetAnswer("cddb query", "500 Unknown developer email\r\n");
    EXPECT_EQ(Info.Query(), 500);
    EXPECT_EQ(Info.LastError(), "500 Unknown developer email");

    // A read the server refuses is not a record.
    Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
    Server.SetAnswer("cddb read rock 26004104", "401 rock 26004104 No such CD entry in database.\r\n");
    EXPECT_EQ(Info.Query(), 200);
    EXPECT_FALSE(Info.RecordRead());
    EXPECT_EQ(Info.LastError(), "401 rock 26004104 No such CD entry in database.");

    Server.SetAnswer("cddb query", "");
    EXPECT_EQ(Info.Query(), -2);
    // A match line that would smuggle text into the read URL is not read.
    Server.SetAnswer("cddb query", "200 rock&x=1 26004104 Bad\r\n");
    EXPECT_EQ(Info.Query(), 200);
    EXPECT_FALSE(Info.RecordRead());

    TCDDBRecord after;
    Info.GetRecord(after);
    EXPECT_EQ(after.TrackTitles, before.TrackTitles);
    EXPECT_EQ(after.DiscArtist, before.DiscArtist);
}

TEST_F(CddbInfoTest, UnreachableServersEndWithinTheLimits) {
    Info.Server = "http://127.0.0.1:" + QString::number(TCddbTestServer::ClosedPort());
    EXPECT_EQ(Info.Query(), -1);
    EXPECT_EQ(Info.LastError(), "could not connect to " + Info.Server.mid(7));

    SetHttpLimits(2000, 300);
    Server.Hold(true);
    Info.Server = Server.BaseUrl();
    EXPECT_EQ(Info.Query(), -1);
    EXPECT_EQ(Info.LastError(), Server.Host() + " did not answer in time");
    EXPECT_EQ(Info.HoldCount, 0);
}

TEST_F(CddbInfoTest, TheSystemProxyVariablesAreHonoured) {
    AnswerStandardDisc();
    qputenv("http_proxy", Server.BaseUrl().toLatin1());
    Info.Server = "http://cddb.invalid";
    const int result = Info.Query();
    qunsetenv("http_proxy");
    EXPECT_EQ(result, 200);
    EXPECT_TRUE(Server.Targets().value(0).startsWith("http://cddb.invalid/~cddb/cddb.cgi?cmd=cddb+query+26004104"))
        << Server.Targets().value(0).toStdString();
}

TEST_F(CddbInfoTest, TheDiscComesFromTheAssignedDrive) {
    // The drive is the CD input's; it is the CD layer's active drive while the id is taken.
    const int disc = CDIn->DriveIndex();
    CR_SetActiveCDROM(disc + 1);
    EXPECT_EQ(Info.GetDiscId(), "26004104");
    EXPECT_EQ(CR_GetActiveCDROM(), disc);

    // Without a readable TOC the id is ffffffff and the query goes out all the same.
    CDIn->SetDriveIndex(disc + 1);
    EXPECT_EQ(Info.GetDiscId(), "ffffffff");
    EXPECT_EQ(Info.GetQueryString(), "");
    Info.Query();
    EXPECT_EQ(Server.Commands().value(0), "cddb query ffffffff ");

    Info.CDIn = nullptr;
    try {
        Info.GetDiscId();
        FAIL() << "no exception";
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), "CDIn is not assigned");
    }
    EXPECT_EQ(Info.HoldCount, 0);
}
