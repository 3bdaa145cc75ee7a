// The main window's commands that open other parts of the program, on the offscreen platform
// with a disc image as the drive: "Query Freedb" through the query dialog (drive handle) and
// through the CDDB component (no handle) against a CDDB server on 127.0.0.1, CD playback
// through SDL's disk driver with its enabled rules and status texts, and the Ogg player item.
#include "app/MainForm.h"
#include "core/DiscInfo.h"

#include "app/MainFixture.h"
#include "audio/NewResampleWavForm.h"
#include "cd/CdAudioPlayer.h"
#include "cd/akrip32.h"
#include "cddb/CDDBInfo.h"
#include "cddb/CddbTestCommon.h"
#include "cddb/QueryCDDBThread.h"
#include "cddb/forms/frmQueryCDDB.h"
#include "cddb/forms/frmStopQuery.h"
#include "core/Settings.h"
#include "platform/IniFile.h"
#include "record/RecordForm.h"
#include "sound/SoundTestSupport.h"
#include "vorbis/OggPlayerForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QStringList Titles(const TMainController& c) {
    QStringList titles;
    for (const TTrackRow& r : c.Rows())
        titles << r.Title;
    return titles;
}

template <class T> T* ModalOfType() {
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

class MainCommandsTest : public CddbServerTest {
protected:
    void SetUp() override {
        CddbServerTest::SetUp();
        SetPrompter(&Prompts);
    }
    void TearDown() override {
        EXPECT_TRUE(WaitUntil([] { return TQueryCDDBThread::RunningCount() == 0; }));
        SetPrompter(nullptr);
        CddbServerTest::TearDown();
    }
    // A disc image as the only drive (four short tracks: the server's answers do not depend on
    // the disc id), with a window showing it.
    std::unique_ptr<TMainForm> Window(const std::vector<TImageTrack>& tracks = {{300}, {400}, {200}, {150}}) {
        Disc = MakeDiscImage(Folder.Path(), "album", tracks);
        Key = TMainFixture::KeyOf(Disc);
        // A user who gave the CDDB hello an address; no lookup when the disc appears.
        WriteFile(Folder.File("options.ini"),
                  QStringLiteral("[CDOptions]\nImages=%1\n[QueryCDDB]\nEmail=user@example.org\n[Metadata]\n"
                                 "LookupOnInsert=0\nMusicBrainzServer=http://127.0.0.1:1\n")
                      .arg(Disc.CuePath)
                      .toUtf8());
        auto form = std::make_unique<TMainForm>();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }
    void AnswerStandardDisc() {
        Server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
        Server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", StandardEntryLines()));
    }
    // Triggers Query Freedb and answers the query dialog: the test server typed in, Query
    // clicked. A stop window that stays open (no match, failure) has its text kept and is
    // closed, and then the dialog too.
    void QueryThroughDialog(TMainForm& form) {
        DialogShown = false;
        StopText.clear();
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(QTest::qWaitFor([] { return ModalOfType<TfrmQueryCDDB>() != nullptr; }));
            QPointer<TfrmQueryCDDB> dialog = ModalOfType<TfrmQueryCDDB>();
            DialogShown = true;
            EXPECT_EQ(int(dialog->FirstTrack), 1);
            EXPECT_EQ(int(dialog->LastTrack), 4);
            dialog->cbServer->setEditText(Server.Host());
            QTimer::singleShot(0, [&] {
                QPointer<TfrmStopQuery> stop = ModalOfType<TfrmStopQuery>();
                ASSERT_TRUE(stop);
                ASSERT_TRUE(QTest::qWaitFor([&] { return !stop || !stop->Logic().Running(); }));
                if (stop && stop->Logic().End() == TStopQueryEnd::None) {
                    StopText = stop->pNoMatch->text();
                    stop->bStop->click();
                }
            });
            dialog->bQuery->click();
            if (dialog && dialog->isVisible())
                dialog->bClose->click();
        });
        form.findChild<QAction*>("miQueryFreedb")->trigger();
    }

    TScriptedPrompter Prompts;
    TDiscImage Disc;
    QString Key;
    bool DialogShown = false;
    QString StopText;
};

TEST_F(MainCommandsTest, QueryFreedbThroughTheDialogFillsTheListAndCdinfo) {
    {
        std::unique_ptr<TMainForm> form = Window();
        TMainController& c = form->Controller();
        ASSERT_NE(c.CDHandle, 0);
        ASSERT_EQ(c.Rows().size(), 4u);
        EXPECT_TRUE(form->findChild<QAction*>("miQueryFreedb")->isEnabled());

        // A failing server: the stop window says why; titles and disc fields stay.
        Server.SetAnswer("cddb query", "500 Unknown developer email\r\n");
        QueryThroughDialog(*form);
        EXPECT_TRUE(DialogShown);
        EXPECT_TRUE(StopText.contains("500 Unknown developer email")) << StopText.toStdString();
        EXPECT_EQ(Titles(c), QStringList({"Track01", "Track02", "Track03", "Track04"}));
        EXPECT_EQ(CurrentDisc.Artist, "");

        AnswerStandardDisc();
        QueryThroughDialog(*form);
        EXPECT_TRUE(StopText.isEmpty()) << StopText.toStdString();
        // The dialog's thread takes each title line whole.
        EXPECT_EQ(Titles(c), QStringList({"Opening", "Second Song", "Guest Singer / Third", "Clos\u00e9"}));
        auto* list = form->findChild<QTreeWidget*>("ListView1");
        EXPECT_EQ(list->topLevelItem(3)->text(1), "Clos\u00e9");
        EXPECT_EQ(CurrentDisc.Artist, "Some Band");
        EXPECT_EQ(CurrentDisc.Album, "First Album");
        EXPECT_EQ(CurrentDisc.Year, "1999");
        EXPECT_EQ(CurrentDisc.Genre, 117); // "Rock" in the genre table
        form->close();
    }
    // Named tracks reach cdinfo.dat on closing, as renamed ones do.
    const TIniFile info(Folder.File("cdinfo.dat"));
    EXPECT_EQ(info.ReadString(Key, "2", ""), "Second Song");
    EXPECT_EQ(info.ReadString(Key, "Artist", ""), "Some Band");

    // A table of contents that cannot be read: an error box and no dialog.
    std::unique_ptr<TMainForm> form = Window();
    TMainController& c = form->Controller();
    CloseCDHandle(c.CDHandle);
    form->findChild<QAction*>("miQueryFreedb")->trigger();
    c.CDHandle = 0; // closed already
    EXPECT_EQ(Prompts.Shown(), QStringList({"Error while reading TOC information!"}));
    EXPECT_EQ(Prompts.Icons().value(0), TPromptIcon::Error);
}

TEST_F(MainCommandsTest, QueryFreedbWithoutHandleUsesTheCDInput) {
    std::unique_ptr<TMainForm> form = Window();
    TMainController& c = form->Controller();
    // The drive library's handle gone: the list comes from the CD input, and so does the query.
    CloseCDHandle(c.CDHandle);
    c.CDHandle = 0;
    c.RefillTrackList();
    ASSERT_EQ(c.Rows().size(), 4u);
    const QString driveStatus = c.Status();
    c.CDDBInfo().Server = Server.BaseUrl();
    CurrentDisc.Artist = "Kept";
    CurrentDisc.Comment = "My comment";

    // Failures say why on the status line and change nothing.
    Server.SetAnswer("cddb query", "202 No match for disc ID 26004104.\r\n");
    form->findChild<QAction*>("miQueryFreedb")->trigger();
    EXPECT_EQ(c.Status(), "The CDDB query failed: 202 No match for disc ID 26004104.");
    c.CDDBInfo().Server = "http://127.0.0.1:" + QString::number(TCddbTestServer::ClosedPort());
    c.QueryFreedb();
    EXPECT_TRUE(c.Status().startsWith("The CDDB query failed: ")) << c.Status().toStdString();
    EXPECT_GT(c.Status().size(), QString("The CDDB query failed: ").size());
    EXPECT_EQ(Titles(c), QStringList({"Track01", "Track02", "Track03", "Track04"}));
    EXPECT_EQ(CurrentDisc.Artist, "Kept");
    EXPECT_EQ(CurrentDisc.Comment, "My comment");
    EXPECT_TRUE(Prompts.Shown().isEmpty());

    // A record: titles split from their artists, the disc fields, the comment emptied.
    c.CDDBInfo().Server = Server.BaseUrl();
    AnswerStandardDisc();
    form->findChild<QAction*>("miQueryFreedb")->trigger();
    EXPECT_EQ(Titles(c), QStringList({"Opening", "Second Song", "Third", "Clos\u00e9"}));
    EXPECT_EQ(form->findChild<QTreeWidget*>("ListView1")->topLevelItem(2)->text(1), "Third");
    EXPECT_EQ(CurrentDisc.Artist, "Some Band");
    EXPECT_EQ(CurrentDisc.Album, "First Album");
    EXPECT_EQ(CurrentDisc.Year, "1999");
    EXPECT_EQ(CurrentDisc.Genre, 117); // "Rock" in the genre table
    EXPECT_EQ(CurrentDisc.Comment, "");
    EXPECT_EQ(c.Status(), driveStatus);
    EXPECT_EQ(Server.Commands().last(), "cddb read rock 26004104");
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(MainCommandsTest, PlaybackOfATrackWithItsRulesAndStatus) {
    TDiskAudio disk;
    // Tracks 1 and 2 long enough to be paused while they play (paced in real time below).
    std::unique_ptr<TMainForm> form = Window({{300}, {300}, {75}, {150, true}});
    TMainController& c = form->Controller();
    auto action = [&](const char* name) { return form->findChild<QAction*>(name); };
    auto enabled = [&](const char* menu, const char* popup) {
        EXPECT_EQ(action(menu)->isEnabled(), action(popup)->isEnabled()) << menu;
        return action(menu)->isEnabled();
    };
    const QString idle = c.Status();
    EXPECT_FALSE(enabled("miPlay", "pmPlay")); // no row selected
    EXPECT_FALSE(enabled("miPause", "pmPause"));
    EXPECT_FALSE(enabled("miStop", "pmStop"));

    // About real time: SDL writes buffers of up to 4096 frames (93 ms).
    qputenv("SDL_DISKAUDIODELAY", "90");
    c.SetCurrentRow(1);
    EXPECT_TRUE(enabled("miPlay", "pmPlay"));
    action("miPlay")->trigger();
    EXPECT_EQ(c.Status(), "Play Track02");
    EXPECT_TRUE(c.Playing);
    EXPECT_EQ(c.CdPlayer().CurrentTrack(), 2);
    EXPECT_TRUE(enabled("miPause", "pmPause"));
    EXPECT_TRUE(enabled("miStop", "pmStop"));
    ASSERT_TRUE(WaitUntil([&] { return !disk.Played().isEmpty(); }));

    action("pmPause")->trigger();
    EXPECT_TRUE(c.Paused);
    EXPECT_TRUE(c.CdPlayer().IsPaused());
    EXPECT_FALSE(enabled("miPause", "pmPause"));
    EXPECT_TRUE(enabled("miStop", "pmStop"));
    EXPECT_EQ(c.Status(), "Play Track02");
    // Play resumes the paused track.
    action("miPlay")->trigger();
    EXPECT_FALSE(c.CdPlayer().IsPaused());
    EXPECT_TRUE(c.CdPlayer().IsPlaying());
    EXPECT_TRUE(enabled("miPause", "pmPause"));
    // Another row while paused plays that row's track from its start.
    action("miPause")->trigger();
    c.SetCurrentRow(0);
    action("pmPlay")->trigger();
    EXPECT_EQ(c.CdPlayer().CurrentTrack(), 1);
    EXPECT_EQ(c.Status(), "Play Track01");

    action("miStop")->trigger();
    EXPECT_FALSE(c.Playing);
    EXPECT_FALSE(c.CdPlayer().IsPlaying());
    EXPECT_EQ(c.Status(), idle);
    EXPECT_FALSE(enabled("miStop", "pmStop"));
    EXPECT_FALSE(enabled("miPause", "pmPause"));

    // A track that plays to its end ends playback by itself; what was heard is that track.
    {
        TDiskAudio whole;
        c.SetCurrentRow(2);
        action("miPlay")->trigger();
        EXPECT_TRUE(c.Playing);
        ASSERT_TRUE(WaitUntil([&] { return !c.Playing; }));
        EXPECT_EQ(c.Status(), idle);
        EXPECT_FALSE(enabled("miStop", "pmStop"));
        EXPECT_TRUE(TrimSilence(whole.Played(), 4) == TrimSilence(Disc.TrackData[2], 4));
    }

    // Errors show no box: a data track does not start, a missing sound device breaks off.
    c.SetCurrentRow(3);
    action("miPlay")->trigger();
    EXPECT_FALSE(c.Playing);
    EXPECT_EQ(c.Status(), "Can not play the track: This track is not an audio track of the disc.");
    {
        TDiskAudio none("dummy");
        c.SetCurrentRow(2);
        action("miPlay")->trigger();
        ASSERT_TRUE(WaitUntil([&] { return !c.Playing; }));
        EXPECT_TRUE(c.Status().startsWith("Can not play the track: Failed to create sound device: "))
            << c.Status().toStdString();
        EXPECT_FALSE(enabled("miStop", "pmStop"));
    }
    EXPECT_TRUE(Prompts.Shown().isEmpty());

    // Closing while playing stops the player before the drive goes.
    c.SetCurrentRow(0);
    action("miPlay")->trigger();
    ASSERT_TRUE(c.Playing);
    form->close();
    EXPECT_FALSE(c.CdPlayer().IsPlaying());
}

// Triggers a menu item and closes the modal window of type W it opens; returns its caption.
template <class W> QString OpenAndClose(TMainForm& form, const char* itemName) {
    QAction* item = form.findChild<QAction*>(itemName);
    EXPECT_TRUE(item && item->isEnabled()) << itemName;
    QString caption;
    QTimer::singleShot(0, [&] {
        if (!QTest::qWaitFor([] { return ModalOfType<W>() != nullptr; }))
            return;
        W* window = ModalOfType<W>();
        caption = window->windowTitle();
        window->close();
    });
    item->trigger();
    EXPECT_FALSE(ModalOfType<W>()) << itemName;
    return caption;
}

TEST_F(MainCommandsTest, MenuItemsOpenThePlayerRecorderAndConverter) {
    std::unique_ptr<TMainForm> form = Window();
    EXPECT_EQ(OpenAndClose<TfrmOggPlayer>(*form, "miOggPlayer"), "Ogg Player");
    EXPECT_EQ(OpenAndClose<TfrmResample>(*form, "miWavToWav"), "Wave File Converter");
    EXPECT_FALSE(OpenAndClose<TfrmRecord>(*form, "miRecord").isEmpty());
}

} // namespace
