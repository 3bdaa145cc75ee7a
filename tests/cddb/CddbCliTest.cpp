// discwright-cli cddb, run as a program against a real HTTP server on 127.0.0.1, through both
// query paths, with --apply storing the result for a later toc.
#include "cddb/CddbTestCommon.h"
#include "fixtures/DiscImage.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QSysInfo>
#include <gtest/gtest.h>

namespace {

class CddbCliTest : public CddbServerTest {
protected:
    void SetUp() override {
        CddbServerTest::SetUp();
        Disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
        Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
        Server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", StandardEntryLines()));
    }
    TRunResult Cddb(const QStringList& extra) {
        return RunCli(Folder.Path(),
                      QStringList{"cddb", "--image", Disc.CuePath, "--server", Server.BaseUrl()} + extra);
    }
    static QStringList Lines(const QByteArray& text) { return QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts); }

    TDiscImage Disc;
};

const QStringList Head{"discid: 26004104", "query: 4 150 1384 3684 4434 67", "status: 200",
                       "match: rock 26004104 Some Band / First Album"};
const QStringList Fields{"artist: Some Band", "album: First Album", "year: 1999", "genre: Rock (117)"};

} // namespace

TEST_F(CddbCliTest, BothPathsPrintTheQueryAndTheRecord) {
    const TRunResult dialog = Cddb({});
    ASSERT_EQ(dialog.ExitCode, 0) << dialog.Err.toStdString();
    // The dialog's path takes each title line as it stands.
    const QStringList dialogTracks{"track 1: Opening", "track 2: Second Song", "track 3: Guest Singer / Third",
                                   QString::fromUtf8("track 4: Closé")};
    EXPECT_EQ(Lines(dialog.Out), Head + Fields + dialogTracks);

    const TRunResult component = Cddb({"--paranoia"});
    ASSERT_EQ(component.ExitCode, 0) << component.Err.toStdString();
    // The component's record splits a track's artist from its title.
    const QStringList componentTracks{"track 1: Opening", "track 2: Second Song", "track 3: Third",
                                      QString::fromUtf8("track 4: Closé")};
    EXPECT_EQ(Lines(component.Out), Head + Fields + componentTracks);
    EXPECT_EQ(Server.Commands().size(), 4);
    // No e-mail address set: the hello names the login and the host, as the protocol began.
    QString login = qEnvironmentVariable("USER");
    if (login.isEmpty())
        login = qEnvironmentVariable("LOGNAME");
    EXPECT_EQ(Server.Hellos().value(2), (login.isEmpty() ? QString("discwright") : login) + ' ' +
                                            QSysInfo::machineHostName() + " Discwright " DW_VERSION);
    EXPECT_FALSE(Server.Hellos().join(' ').contains("example.org"));
}

TEST_F(CddbCliTest, ApplyStoresTheTitlesForTheToc) {
    TIniFile info(Folder.File("cdinfo.dat"));
    info.WriteString("32820", "Comment", "typed by hand");
    ASSERT_TRUE(info.UpdateFile());
    const TRunResult r = Cddb({"--apply"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    const TRunResult toc = RunCli(Folder.Path(), {"toc", "--image", Disc.CuePath});
    ASSERT_EQ(toc.ExitCode, 0) << toc.Err.toStdString();
    EXPECT_EQ(Lines(toc.Out),
              QStringList({"key: 32820", "1\tOpening\t00:16\t02.69\taudio", "2\tSecond Song\t00:31\t05.22\taudio",
                           "3\tGuest Singer / Third\t00:10\t01.68\taudio",
                           QString::fromUtf8("4\tClosé\t00:08\t01.35\taudio")}));
    const TIniFile stored(Folder.File("cdinfo.dat"));
    EXPECT_EQ(stored.ReadString("32820", "Artist", ""), "Some Band");
    EXPECT_EQ(stored.ReadString("32820", "Album", ""), "First Album");
    EXPECT_EQ(stored.ReadString("32820", "Year", ""), "1999");
    EXPECT_EQ(stored.ReadInteger("32820", "Genre", 0), 117);
    EXPECT_EQ(stored.ReadString("32820", "Comment", ""), "typed by hand");
    EXPECT_EQ(stored.ReadInteger("32820", "TrackNumber", 0), 4);

    // The component path applies the record as the main window does (it has no comment).
    Server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", {"DTITLE=Other / Name", "TTITLE0=X"}));
    ASSERT_EQ(Cddb({"--paranoia", "--apply"}).ExitCode, 0);
    const TIniFile again(Folder.File("cdinfo.dat"));
    EXPECT_EQ(again.ReadString("32820", "Artist", ""), "Other");
    EXPECT_EQ(again.ReadString("32820", "1", ""), "X");
    EXPECT_EQ(again.ReadString("32820", "2", ""), "Second Song");
    EXPECT_EQ(again.ReadString("32820", "Comment", "x"), "");

    // A program folder that does not exist yet is created; a cdinfo.dat that cannot be written
    // fails the command instead of being reported as stored.
    const QStringList args{"cddb", "--image", Disc.CuePath, "--server", Server.BaseUrl(), "--apply"};
    const QString fresh = Folder.File("new/folder");
    ASSERT_EQ(RunCli(fresh, args).ExitCode, 0);
    EXPECT_EQ(TIniFile(fresh + "/cdinfo.dat").ReadString("32820", "1", ""), "X");
    ASSERT_TRUE(QDir().mkpath(Folder.File("blocked/cdinfo.dat")));
    const TRunResult blocked = RunCli(Folder.File("blocked"), args);
    EXPECT_EQ(blocked.ExitCode, 1);
    EXPECT_TRUE(blocked.Err.contains("cdinfo.dat: the titles could not be stored")) << blocked.Err.toStdString();
}

TEST_F(CddbCliTest, FailuresExitOneWithTheReason) {
    Server.SetAnswer("cddb query", "500 Unknown developer email\r\n");
    for (const QStringList& path : {QStringList(), QStringList{"--paranoia"}}) {
        const TRunResult r = Cddb(path + QStringList{"--apply"});
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_TRUE(r.Err.contains("500 Unknown developer email")) << r.Err.toStdString();
        EXPECT_TRUE(r.Out.contains("status: 500"));
    }
    EXPECT_FALSE(QFile::exists(Folder.File("cdinfo.dat")));

    Server.SetAnswer("cddb query", "202 No match for disc ID 26004104.\r\n");
    const TRunResult none = Cddb({});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_TRUE(none.Err.contains("202 No match for disc ID 26004104.")) << none.Err.toStdString();

    const QString closed = "127.0.0.1:" + QString::number(TCddbTestServer::ClosedPort());
    for (const QStringList& path : {QStringList(), QStringList{"--paranoia"}}) {
        const TRunResult r =
            RunCli(Folder.Path(), QStringList{"cddb", "--image", Disc.CuePath, "--server", "http://" + closed} + path);
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_TRUE(r.Err.contains("could not connect to " + closed.toLatin1())) << r.Err.toStdString();
    }

    EXPECT_EQ(RunCli(Folder.Path(), {"cddb", "--help"}).ExitCode, 0);
    EXPECT_EQ(RunCli(Folder.Path(), {"cddb"}).ExitCode, 2);
    EXPECT_EQ(RunCli(Folder.Path(), {"cddb", "--image", Disc.CuePath, "--server", "ftp://x"}).ExitCode, 2);
}
