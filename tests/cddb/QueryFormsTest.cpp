// The windows of the query dialog and its stop window on the offscreen platform: controls as
// shown, the proxy and Default rules, the picture, the language, and a query that closes both
// windows, one that finds nothing and one the user stops.
#include "cd/akrip32.h"
#include "cddb/CddbTestCommon.h"
#include "cddb/QueryCDDBThread.h"
#include "cddb/forms/JpegImage.h"
#include "cddb/forms/frmQueryCDDB.h"
#include "cddb/forms/frmStopQuery.h"
#include "core/DiscInfo.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "platform/Prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class QueryFormsTest : public CddbServerTest {
protected:
    void SetUp() override {
        CddbServerTest::SetUp();
        SetPrompter(&Prompts);
        Image = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
        Settings.Images = Image.CuePath;
        TCDOpenRequest request;
        request.Adapter = 1;
        Handle = GetCDHandle(&request);
        ASSERT_NE(Handle, 0);
        Settings.Server = Server.Host();
        Dialog = std::make_unique<TfrmQueryCDDB>();
        Dialog->FirstTrack = 1;
        Dialog->LastTrack = 4;
        Dialog->DriveHandle = Handle;
        Dialog->SetOnResult([this](const TQueryCddbResult& r) { Titles = r.Titles; });
    }
    void TearDown() override {
        Dialog.reset();
        EXPECT_TRUE(WaitUntil([] { return TQueryCDDBThread::RunningCount() == 0; }));
        EXPECT_TRUE(Prompts.Shown().isEmpty());
        SetPrompter(nullptr);
        CloseCDHandle(Handle);
        CddbServerTest::TearDown();
    }
    // Clicks Query; the stop window runs modally inside the click. `whileShown` runs once the
    // stop window is up.
    // A failed expectation inside `whileShown` still closes the stop window, so a slow machine
    // makes the test fail instead of hanging in the modal loop.
    void ClickQuery(const std::function<void(TfrmStopQuery&)>& whileShown = {}) {
        if (whileShown)
            QTimer::singleShot(0, [&] {
                const auto stopWindow = [] { return qobject_cast<TfrmStopQuery*>(QApplication::activeModalWidget()); };
                if (!WaitUntil([&] { return stopWindow() != nullptr; }, 30000)) {
                    ADD_FAILURE() << "the stop window did not open";
                    return;
                }
                whileShown(*stopWindow());
                if (TfrmStopQuery* left = stopWindow())
                    left->reject();
            });
        Dialog->bQuery->click();
    }

    TScriptedPrompter Prompts;
    TDiscImage Image;
    int Handle = 0;
    std::unique_ptr<TfrmQueryCDDB> Dialog;
    QStringList Titles;
};

} // namespace

TEST_F(QueryFormsTest, DialogShowsTheSettingsAndFollowsTheProxyAndDefaultRules) {
    Settings.Script = "/cgi/cddb";
    Settings.ProxyAddress = "proxy.local";
    Settings.Port = "3128";
    Dialog->show();
    EXPECT_EQ(Dialog->windowTitle(), "Query CDDB");
    EXPECT_EQ(Dialog->cbServer->count(), TQueryCddbController::ServerList().size());
    // The stored server is not in the list: it is shown as it was typed.
    EXPECT_EQ(Dialog->cbServer->currentText(), Server.Host());
    EXPECT_EQ(Dialog->eScript->text(), "/cgi/cddb");
    EXPECT_EQ(Dialog->eEmail->text(), "user@example.org");
    EXPECT_EQ(Dialog->eClientName->text(), "Discwright");
    EXPECT_FALSE(Dialog->cbProxy->isChecked());
    EXPECT_FALSE(Dialog->eAddress->isEnabled());
    EXPECT_FALSE(Dialog->ePort->isEnabled());
    Dialog->cbProxy->click();
    EXPECT_TRUE(Dialog->eAddress->isEnabled());
    EXPECT_TRUE(Dialog->ePort->isEnabled());
    Dialog->bDefault->click();
    EXPECT_FALSE(Dialog->cbProxy->isChecked());
    EXPECT_FALSE(Dialog->ePort->isEnabled());
    EXPECT_EQ(Dialog->eScript->text(), "/~cddb/cddb.cgi");
    EXPECT_EQ(Dialog->eAddress->text(), "proxy.local");
    EXPECT_EQ(Dialog->ePort->text(), "3128");
    // The picture is our JPEG, decoded by libjpeg.
    EXPECT_EQ(Dialog->imgPicture->pixmap().size(), QSize(120, 236));
    Dialog->bClose->click();
    EXPECT_FALSE(Dialog->isVisible());
}

TEST_F(QueryFormsTest, AFinishedQueryClosesBothWindows) {
    Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
    Server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", StandardEntryLines()));
    Dialog->show();
    // What the user types is what the query uses and what the settings keep.
    Dialog->cbServer->setEditText(Server.Host());
    Dialog->eEmail->clear();
    Dialog->eEmail->insert("me@my.host"); // as typed: textEdited reaches the controller
    ClickQuery();
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Settings.Server, Server.Host());
    EXPECT_EQ(Settings.Email, "me@my.host");
    EXPECT_EQ(Server.Hellos().value(0), "me my.host Discwright " DW_VERSION);
    EXPECT_EQ(Titles.size(), 4);
    EXPECT_EQ(CurrentDisc.Album, "First Album");
}

TEST_F(QueryFormsTest, TheFirstQueryAsksForTheEmailAddress) {
    Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
    Server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", StandardEntryLines()));
    Settings.Email.clear();
    Dialog->show();
    EXPECT_EQ(Dialog->eEmail->text(), "");
    // Cancelled: no query.
    QTimer::singleShot(0, [] {
        if (auto* ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget()))
            ask->reject();
    });
    Dialog->bQuery->click();
    EXPECT_TRUE(Server.Commands().isEmpty());
    QString asked;
    QTimer::singleShot(0, [&] {
        if (auto* ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            asked = ask->labelText();
            ask->setTextValue("me@my.host");
            ask->accept();
        }
    });
    ClickQuery();
    EXPECT_TRUE(asked.contains("gnudb")) << asked.toStdString();
    EXPECT_EQ(Dialog->eEmail->text(), "me@my.host");
    EXPECT_EQ(Settings.Email, "me@my.host");
    EXPECT_EQ(Server.Hellos().value(0), "me my.host Discwright " DW_VERSION);
}

TEST_F(QueryFormsTest, NoMatchAndFailuresShowThePanelAndKeepTheDialog) {
    Server.SetAnswer("cddb query", "202 No match for disc ID 26004104.\r\n");
    Dialog->show();
    Dialog->cbServer->setEditText(Server.Host());
    bool checked = false;
    ClickQuery([&](TfrmStopQuery& stop) {
        EXPECT_EQ(stop.windowTitle(), "Query CDDB...");
        ASSERT_TRUE(WaitUntil([&] { return stop.pNoMatch->isVisible(); }, 30000));
        EXPECT_FALSE(stop.lQuery->isVisible());
        EXPECT_TRUE(stop.pNoMatch->text().startsWith("No match found,perhaps:\n1.No information in CDDB server"));
        // The server answered: the network is not to blame.
        EXPECT_FALSE(stop.pNoMatch->text().contains("network"));
        EXPECT_EQ(stop.bStop->text(), "Close");
        checked = true;
        stop.bStop->click();
    });
    EXPECT_TRUE(checked);
    EXPECT_TRUE(Dialog->isVisible());

    Server.SetAnswer("cddb query", "500 Unknown developer email\r\n");
    checked = false;
    ClickQuery([&](TfrmStopQuery& stop) {
        ASSERT_TRUE(WaitUntil([&] { return stop.pNoMatch->isVisible(); }, 30000));
        EXPECT_EQ(stop.pNoMatch->text(), "The CDDB query failed:\n500 Unknown developer email");
        checked = true;
        stop.bStop->click();
    });
    EXPECT_TRUE(checked);
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_TRUE(Titles.isEmpty());
}

TEST_F(QueryFormsTest, StopAbandonsTheRunningQuery) {
    Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
    Server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", StandardEntryLines()));
    Server.Hold(true);
    Dialog->show();
    Dialog->cbServer->setEditText(Server.Host());
    ClickQuery([&](TfrmStopQuery& stop) {
        ASSERT_TRUE(Server.WaitForRequests(1));
        EXPECT_EQ(stop.bStop->text(), "Stop");
        stop.bStop->click();
    });
    EXPECT_TRUE(Dialog->isVisible());
    Server.Release();
    ASSERT_TRUE(WaitUntil([] { return TQueryCDDBThread::RunningCount() == 0; }));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(Titles.isEmpty());
    EXPECT_EQ(CurrentDisc.Artist, "");
}

TEST_F(QueryFormsTest, WindowsTakeTheLanguageWhenShown) {
    ASSERT_TRUE(QFile::copy(SourceDir() + "/lang/CLan_German.ini", Folder.File("CLan_German.ini")));
    Settings.Lan = "German";
    Server.SetAnswer("cddb query", "202 No match\r\n");
    Dialog->show();
    EXPECT_EQ(Dialog->windowTitle(), "CDDB abfragen");
    EXPECT_EQ(Dialog->cbProxy->text(), "Einen Proxyserver verwenden");
    EXPECT_EQ(Dialog->findChild<QGroupBox*>("gbProxy")->title(), "Proxyserver");
    Dialog->cbServer->setEditText(Server.Host());
    ClickQuery([&](TfrmStopQuery& stop) {
        EXPECT_EQ(stop.windowTitle(), "CDDB wird abgefragt...");
        ASSERT_TRUE(WaitUntil([&] { return stop.pNoMatch->isVisible(); }, 30000));
        EXPECT_EQ(stop.bStop->text(), QString::fromUtf8("Schließen"));
        stop.bStop->click();
    });
}

TEST(JpegImageTest, DecodesOurPictureAndRefusesDamagedData) {
    QFile f(SourceDir() + "/src/cddb/forms/QueryCddb.jpg");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray jpeg = f.readAll();
    const QImage image = DecodeJpeg(jpeg);
    ASSERT_EQ(image.size(), QSize(120, 236));
    // Dark blue at the top, light blue at the bottom (JPEG is lossy: compare roughly).
    EXPECT_LT(qBlue(image.pixel(2, 2)), 160);
    EXPECT_GT(qBlue(image.pixel(2, 233)), 200);
    EXPECT_GT(qBlue(image.pixel(2, 233)), qRed(image.pixel(2, 233)));
    EXPECT_TRUE(DecodeJpeg(jpeg.left(200)).isNull() || DecodeJpeg(jpeg.left(200)).size() == QSize(120, 236));
    EXPECT_TRUE(DecodeJpeg("not a jpeg").isNull());
    EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(LoadJpeg(":/cddb/missing.jpg").isNull());
}
