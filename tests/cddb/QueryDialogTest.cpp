// The query dialog's path: the drive library's CDDB functions, the options the thread sets,
// how it reads entries, and the controllers of the query dialog and the stop window, against
// a real HTTP server on 127.0.0.1 with a disc image as the drive.
#include "cd/akrip32.h"
#include "cddb/CddbTestCommon.h"
#include "cddb/DriveLibraryCddb.h"
#include "cddb/QueryCDDBThread.h"
#include "cddb/QueryCddbController.h"
#include "cddb/StopQueryController.h"
#include "core/DiscInfo.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"

#include <QCoreApplication>
#include <QPointer>

#include <gtest/gtest.h>

namespace {

class QueryDialogTest : public CddbServerTest {
protected:
    void SetUp() override {
        CddbServerTest::SetUp();
        Image = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
        Settings.Images = Image.CuePath;
        TCDOpenRequest request;
        request.Adapter = 1;
        Handle = GetCDHandle(&request);
        ASSERT_NE(Handle, 0);
        Settings.Server = Server.Host();
    }
    void TearDown() override {
        // Abandoned queries still run; none may outlive the test's server.
        EXPECT_TRUE(WaitUntil([] { return TQueryCDDBThread::RunningCount() == 0; }));
        CloseCDHandle(Handle);
        CddbServerTest::TearDown();
    }
    void AnswerStandardDisc() {
        Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
        Server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", StandardEntryLines()));
    }
    std::unique_ptr<TStopQueryController> StopWindow(uint8_t first = 1, uint8_t last = 4) {
        auto stop = std::make_unique<TStopQueryController>();
        stop->FirstTrack = first;
        stop->LastTrack = last;
        stop->DriveHandle = Handle;
        stop->OnResult = [this](const TQueryCddbResult& r) {
            ++Results;
            Titles = r.Titles;
        };
        return stop;
    }
    // Starts the stop window and waits until its query reported.
    void Run(TStopQueryController& stop) {
        stop.Start();
        ASSERT_TRUE(WaitUntil([&] { return !stop.Running(); }));
    }

    TDiscImage Image;
    int Handle = 0;
    int Results = 0;
    QStringList Titles;
};

void SetOptions(const TSettings& s) {
    for (const TCddbOptionCall& c : QueryCddbOptionCalls(s))
        CDDBSetOption(c.Option, c.Text.toLatin1().constData(), c.Number);
}

QString Text(const char* field, size_t size) {
    return QString::fromLatin1(field, qstrnlen(field, size));
}

} // namespace

TEST_F(QueryDialogTest, DriveLibraryQueriesAndReadsEntries) {
    Server.SetAnswer("cddb query", "211 Found inexact matches, list follows (until terminating `.')\r\n"
                                   "misc 26004104 First / Match\r\nrock 26004105 Second / Match\r\n.\r\n");
    Server.SetAnswer("cddb read misc 26004104", ReadAnswer("misc", "26004104", {"DTITLE=First / Match", "TTITLE0=A"}));
    SetOptions(Settings);
    TCDDBMatch matches[MaxCDDBMatches] = {};
    TCDDBQueryRecord query{MaxCDDBMatches, matches};
    ASSERT_EQ(CDDBQuery(Handle, &query), 1) << CDDBLastError().toStdString();
    EXPECT_EQ(GetAspiLibError(), 211);
    ASSERT_EQ(query.Count, 2);
    EXPECT_EQ(Text(matches[1].Category, sizeof matches[1].Category), "rock");
    EXPECT_EQ(Text(matches[1].DiscId, sizeof matches[1].DiscId), "26004105");
    EXPECT_EQ(Text(matches[1].Title, sizeof matches[1].Title), "Second / Match");
    // The protocol's numbers and the four hello fields of the settings.
    EXPECT_EQ(Server.Commands().value(0), "cddb query 26004104 4 150 1384 3684 4434 67");
    EXPECT_EQ(Server.Hellos().value(0), "user example.org Discwright " DW_VERSION);

    std::vector<char> buffer(CDDBDiskInfoBytes);
    ASSERT_EQ(CDDBGetDiskInfo(&matches[0], buffer.data(), CDDBDiskInfoBytes), 1);
    const QString entry = QString::fromLatin1(buffer.data());
    EXPECT_TRUE(entry.startsWith("# xmcd\r\n"));
    EXPECT_TRUE(entry.endsWith("TTITLE0=A\r\n"));
    ASSERT_EQ(CDDBGetDiskInfo(&matches[0], buffer.data(), 5), 1);
    EXPECT_STREQ(buffer.data(), "# xm");
    // An entry the server does not have.
    EXPECT_EQ(CDDBGetDiskInfo(&matches[1], buffer.data(), CDDBDiskInfoBytes), 0);
    EXPECT_EQ(CDDBLastError(), "500 Command syntax error");

    Server.SetAnswer("cddb query", "500 Unknown developer email\r\n");
    EXPECT_EQ(CDDBQuery(Handle, &query), 0);
    EXPECT_EQ(GetAspiLibError(), 500);
    EXPECT_EQ(CDDBLastError(), "500 Unknown developer email");
    Server.SetAnswer("cddb query", "202 No match for disc ID 26004104.\r\n");
    query.Count = MaxCDDBMatches;
    EXPECT_EQ(CDDBQuery(Handle, &query), 1);
    EXPECT_EQ(query.Count, 0);
    EXPECT_EQ(CDDBQuery(0, &query), 0);
}

TEST_F(QueryDialogTest, OptionsNameServerScriptHelloAndProxy) {
    Settings.ProxyAddress = "proxy.local";
    Settings.Port = "";
    using C = TCddbOptionCall;
    auto same = [](const std::vector<C>& a, const std::vector<C>& b) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i].Option != b[i].Option || a[i].Text != b[i].Text || a[i].Number != b[i].Number)
                return false;
        return true;
    };
    const QString agent = "Discwright " DW_VERSION;
    EXPECT_TRUE(same(QueryCddbOptionCalls(Settings), {{0, Server.Host(), 0},
                                                      {6, "/~cddb/cddb.cgi", 0},
                                                      {4, "user@example.org", 0},
                                                      {3, agent, 0},
                                                      {8, "", 0},
                                                      {2, "", 0}}));
    Settings.UseProxy = true;
    const std::vector<C> proxied = QueryCddbOptionCalls(Settings);
    EXPECT_TRUE(same({proxied.begin() + 5, proxied.end()}, {{2, "", 1}, {5, "", 80}, {1, "proxy.local", 0}}));
    Settings.Port = "x81";
    EXPECT_EQ(QueryCddbOptionCalls(Settings)[6].Number, 80);
    Settings.Port = "3128";
    EXPECT_EQ(QueryCddbOptionCalls(Settings)[6].Number, 3128);

    // Through the test server as the proxy: the request names the server it is meant for.
    AnswerStandardDisc();
    Settings.Server = "cddb.invalid";
    Settings.ProxyAddress = "127.0.0.1";
    Settings.Port = QString::number(Server.Port());
    SetOptions(Settings);
    TCDDBMatch matches[MaxCDDBMatches] = {};
    TCDDBQueryRecord query{MaxCDDBMatches, matches};
    EXPECT_EQ(CDDBQuery(Handle, &query), 1) << CDDBLastError().toStdString();
    EXPECT_TRUE(Server.Targets().value(0).startsWith("http://cddb.invalid/~cddb/cddb.cgi?cmd=cddb+query+26004104"));
}

TEST_F(QueryDialogTest, EntryLinesFillDiscFieldsAndRowTitles) {
    QStringList ten{"DTITLE=Band / Album", "DYEAR=2001", "DGENRE=Jazz"};
    for (int i = 0; i < 10; ++i)
        ten << QStringLiteral("TTITLE%1=Song %1").arg(i);
    TQueryCddbResult r;
    EXPECT_TRUE(ReadCddbEntry(ten.join("\r\n"), 1, 10, r));
    EXPECT_EQ(r.Titles, QStringList({"Song 0", "Song 1", "Song 2", "Song 3", "Song 4", "Song 5", "Song 6", "Song 7",
                                     "Song 8", "Song 9"}));
    EXPECT_EQ(r.Artist, "Band");
    EXPECT_EQ(r.Album, "Album");
    EXPECT_EQ(r.Year, "2001");
    EXPECT_EQ(r.Genre, 77);

    // A disc that starts at track 2: the titles start at the line numbered 1.
    TQueryCddbResult second;
    EXPECT_TRUE(ReadCddbEntry("TTITLE0=Zero\n\n  \nTTITLE1=One\nTTITLE2=Two\n", 2, 3, second));
    EXPECT_EQ(second.Titles, QStringList({"One", "Two"}));

    // A title continued on a second line shifts the later titles down one row; the list
    // ends with the entry.
    TQueryCddbResult continued;
    EXPECT_TRUE(ReadCddbEntry("TTITLE0=A long\nTTITLE0= title\nTTITLE1=B\n", 1, 4, continued));
    EXPECT_EQ(continued.Titles, QStringList({"A long", "title", "B"}));
    // An entry with fewer tracks than the disc: the lines after its titles name no rows.
    TQueryCddbResult fewer;
    EXPECT_TRUE(ReadCddbEntry("TTITLE0=A\nTTITLE1=B\nEXTD=Live\nEXTT0=\nPLAYORDER=\n", 1, 4, fewer));
    EXPECT_EQ(fewer.Titles, QStringList({"A", "B"}));

    // No DYEAR: the year is left alone; no "/": no artist; an unknown genre is -1; an entry
    // without titles keeps what it set and reports false.
    TDiscInfo info;
    info.Year = "1975";
    info.Genre = 3;
    info.Titles[1] = "Kept";
    TQueryCddbResult partial;
    EXPECT_FALSE(ReadCddbEntry("DTITLE=Only Title\nDGENRE=rock\n", 1, 2, partial));
    ApplyDiscRecord(DiscRecordOf(partial), info, 1, 2);
    EXPECT_EQ(info.Year, "1975");
    EXPECT_EQ(info.Artist, "");
    EXPECT_EQ(info.Album, "Only Title");
    EXPECT_EQ(info.Genre, -1);
    EXPECT_EQ(info.Titles[1], "Kept");
}

TEST_F(QueryDialogTest, StopWindowEndsWithTheResultApplied) {
    AnswerStandardDisc();
    auto stop = StopWindow();
    Run(*stop);
    EXPECT_EQ(stop->End(), TStopQueryEnd::Yes);
    EXPECT_EQ(Results, 1);
    EXPECT_EQ(Titles, QStringList({"Opening", "Second Song", "Guest Singer / Third", QString::fromLatin1("Clos\xe9")}));
    EXPECT_EQ(CurrentDisc.Artist, "Some Band");
    EXPECT_EQ(CurrentDisc.Album, "First Album");
    EXPECT_EQ(CurrentDisc.Year, "1999");
    EXPECT_EQ(CurrentDisc.Genre, 117);
    EXPECT_EQ(stop->LastResult().Matches, QStringList{"rock 26004104 Some Band / First Album"});
}

TEST_F(QueryDialogTest, StopWindowShowsNoMatchAndFailures) {
    Server.SetAnswer("cddb query", "202 No match for disc ID 26004104.\r\n");
    auto stop = StopWindow();
    EXPECT_EQ(stop->ButtonCaption(), "Stop");
    Run(*stop);
    EXPECT_EQ(stop->PanelState(), TStopQueryPanel::NoMatch);
    EXPECT_FALSE(stop->LabelVisible());
    EXPECT_EQ(stop->ButtonCaption(), "Close");
    EXPECT_EQ(stop->End(), TStopQueryEnd::None);
    stop->StopClick();
    EXPECT_EQ(stop->End(), TStopQueryEnd::Closed);

    // A failing query is shown with the server's status line, not closed as a success.
    Server.SetAnswer("cddb query", "500 Unknown developer email\r\n");
    stop = StopWindow();
    Run(*stop);
    EXPECT_EQ(stop->PanelState(), TStopQueryPanel::Failed);
    EXPECT_EQ(stop->FailureText(), "The CDDB query failed:\r\n500 Unknown developer email");
    EXPECT_EQ(stop->End(), TStopQueryEnd::None);

    // Matches whose entries cannot be read are a failure too.
    Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
    Server.SetAnswer("cddb read", "401 rock 26004104 No such CD entry in database.\r\n");
    stop = StopWindow();
    Run(*stop);
    EXPECT_EQ(stop->FailureText(), "The CDDB query failed:\r\n401 rock 26004104 No such CD entry in database.");

    Settings.Server = "127.0.0.1:" + QString::number(TCddbTestServer::ClosedPort());
    stop = StopWindow();
    Run(*stop);
    EXPECT_EQ(stop->FailureText(), "The CDDB query failed:\r\ncould not connect to " + Settings.Server);
    EXPECT_EQ(Results, 0);
    EXPECT_EQ(CurrentDisc.Artist, "");
}

TEST_F(QueryDialogTest, StopAbandonsTheQueryWithoutATrace) {
    AnswerStandardDisc();
    Server.Hold(true);
    auto stop = StopWindow();
    stop->Start();
    ASSERT_TRUE(Server.WaitForRequests(1));
    stop->StopClick();
    EXPECT_EQ(stop->End(), TStopQueryEnd::Closed);
    // The answer arrives after Stop: the thread finishes and reports nowhere.
    Server.Release();
    ASSERT_TRUE(WaitUntil([] { return TQueryCDDBThread::RunningCount() == 0; }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Server.Commands().size(), 2);
    EXPECT_EQ(Results, 0);
    EXPECT_EQ(CurrentDisc.Artist, "");
    EXPECT_EQ(stop->End(), TStopQueryEnd::Closed);

    // A window that goes away while its query runs is not addressed afterwards.
    Server.Hold(true);
    QPointer<TStopQueryController> gone = StopWindow().release();
    gone->Start();
    ASSERT_TRUE(Server.WaitForRequests(3));
    delete gone;
    Server.Release();
    ASSERT_TRUE(WaitUntil([] { return TQueryCDDBThread::RunningCount() == 0; }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Results, 0);
}

TEST_F(QueryDialogTest, QueryDialogShowsStoresAndDefaults) {
    const QStringList servers = TQueryCddbController::ServerList();
    ASSERT_GE(servers.size(), 1);
    EXPECT_EQ(servers.first(), "gnudb.gnudb.org");
    Settings.Server = "old.freedb.example"; // not in the list
    Settings.UseProxy = true;
    Settings.ProxyAddress = "proxy.local";
    Settings.Port = "";
    TQueryCddbController dialog;
    dialog.FirstTrack = 1;
    dialog.LastTrack = 4;
    dialog.DriveHandle = Handle;
    dialog.Show();
    // A server typed in earlier is shown again as typed.
    EXPECT_EQ(dialog.ServerIndex, 0);
    EXPECT_EQ(dialog.ServerText, "old.freedb.example");
    EXPECT_TRUE(dialog.ProxyFieldsEnabled());
    EXPECT_EQ(dialog.Email, "user@example.org");
    EXPECT_EQ(dialog.ClientName, "Discwright");

    dialog.Script = "/cgi-bin/cddb.cgi";
    dialog.Default();
    EXPECT_EQ(dialog.Script, "/~cddb/cddb.cgi");
    EXPECT_FALSE(dialog.UseProxy);
    EXPECT_FALSE(dialog.ProxyFieldsEnabled());
    EXPECT_EQ(dialog.ProxyAddress, "proxy.local");
    dialog.SetUseProxy(true);
    EXPECT_TRUE(dialog.ProxyFieldsEnabled());

    dialog.Email = "me@my.host";
    dialog.ClientName = "Other";
    dialog.Port = "8080";
    std::unique_ptr<TStopQueryController> stop = dialog.Query();
    EXPECT_EQ(Settings.Server, servers.first());
    EXPECT_EQ(Settings.Script, "/~cddb/cddb.cgi");
    EXPECT_TRUE(Settings.UseProxy);
    EXPECT_EQ(Settings.Port, "8080");
    EXPECT_EQ(Settings.Email, "me@my.host");
    EXPECT_EQ(Settings.ClientName, "Other");
    EXPECT_EQ(stop->DriveHandle, Handle);
    EXPECT_EQ(stop->LastTrack, 4);

    int closes = 0;
    QObject::connect(&dialog, &TQueryCddbController::CloseDialog, [&] { ++closes; });
    dialog.StopWindowEnded(TStopQueryEnd::Closed);
    EXPECT_EQ(closes, 0);
    dialog.StopWindowEnded(TStopQueryEnd::Yes);
    EXPECT_EQ(closes, 1);
}
