// The main window on the offscreen platform, with a disc image as its drive: what it shows at
// start, clicks on the list, the enabled rules, switching the language, closing, the
// no-device hint and the demo disc.
#include "app/MainForm.h"
#include "core/DiscInfo.h"
#include "tags/Genres.h"

#include "app/MainDemoDisc.h"
#include "app/MainFixture.h"
#include "app/NoDeviceHint.h"
#include "core/Settings.h"
#include "jobs/RipForm.h"
#include "jobs/RipProgressForm.h"
#include "platform/IniFile.h"
#include "tags/EditTrackNameForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// Answers every modal window as soon as it shows: the title dialog with NewTitle (Cancel when
// empty), the no-device hint with Close (counted), the rip windows with Close once their rip is
// over, any other dialog with Cancel.
class TModalCloser {
public:
    TModalCloser() {
        Timer.setInterval(10);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            if (auto* hint = qobject_cast<TfrmNoDeviceHint*>(modal)) {
                ++Hints;
                hint->findChild<QPushButton*>("btClose")->click();
            } else if (auto* title = qobject_cast<TfrmEditTrackName*>(modal)) {
                Shown << title->findChild<QLineEdit*>("eName")->text();
                if (NewTitle.isEmpty()) {
                    title->reject();
                } else {
                    title->findChild<QLineEdit*>("eName")->setText(NewTitle);
                    title->findChild<QPushButton*>("bOK")->click();
                }
            } else if (auto* rip = qobject_cast<TRipForm*>(modal)) {
                if (rip->IsOver())
                    rip->accept();
            } else if (auto* cdRip = qobject_cast<TfrmCDRip*>(modal)) {
                if (cdRip->IsOver())
                    cdRip->accept();
            } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
        });
        Timer.start();
    }
    int Hints = 0;
    QString NewTitle;
    QStringList Shown; // what the title dialog held when it opened

private:
    QTimer Timer;
};

// Short tracks: the window needs no long audio.
const std::vector<TImageTrack> Tracks = {{300, false}, {400, false}, {200, false}, {150, false}};

struct TWindow {
    explicit TWindow(TMainForm& form) : Form(form) {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        List = form.findChild<QTreeWidget*>("ListView1");
        Status = form.findChild<QLabel*>("StatusPanel1");
    }
    QAction* Action(const char* name) const { return Form.findChild<QAction*>(name); }
    QToolButton* Button(const char* name) const { return Form.findChild<QToolButton*>(name); }
    QMenu* Menu(const char* name) const { return Form.findChild<QMenu*>(name); }
    QPoint RowPoint(int row) const { return List->visualItemRect(List->topLevelItem(row)).center(); }

    TMainForm& Form;
    QTreeWidget* List = nullptr;
    QLabel* Status = nullptr;
};

TEST(MainFormTest, StartShowsTheDiscWithTitlesFromCdinfo) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album", Tracks);
    f.WriteOptions({disc.CuePath});
    f.WriteTitles(TMainFixture::KeyOf(disc), {{1, "Intro"}, {2, "Second"}});
    TMainForm form;
    TWindow w(form);

    EXPECT_EQ(form.windowTitle(), "Discwright " DW_VERSION);
    ASSERT_EQ(w.List->topLevelItemCount(), 4);
    EXPECT_EQ(w.List->headerItem()->text(2), "Length(min)");
    const QTreeWidgetItem* first = w.List->topLevelItem(0);
    EXPECT_EQ(first->text(0), "1");
    EXPECT_EQ(first->text(1), "Intro");
    EXPECT_EQ(first->text(2), "00:04");
    EXPECT_EQ(first->text(3), "00.67");
    EXPECT_EQ(first->checkState(0), Qt::Checked);
    EXPECT_EQ(w.List->topLevelItem(1)->text(1), "Second");
    EXPECT_EQ(w.List->topLevelItem(3)->text(1), "Track04");
    EXPECT_EQ(w.Status->text(), "Image album");
    // The tool bar in its order, Extract enabled with rows checked; no door on an image.
    QStringList captions;
    for (QToolButton* b : form.findChildren<QToolButton*>(QRegularExpression("^tb")))
        captions << b->text();
    EXPECT_EQ(captions, QStringList({"Extract", "Encode", "Folder", "Record", "Options", "Home", "Exit"}));
    EXPECT_TRUE(w.Button("tbExtract")->isEnabled());
    EXPECT_FALSE(w.Action("miEject")->isEnabled());
    EXPECT_TRUE(f.Scripted.Shown().isEmpty());
}

TEST(MainFormTest, ClicksCheckBoxesAndEnabledRules) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album", Tracks);
    f.WriteOptions({disc.CuePath});
    TMainForm form;
    TWindow w(form);
    ASSERT_EQ(w.List->topLevelItemCount(), 4);
    QWidget* viewport = w.List->viewport();

    // A plain click selects; with Ctrl held it toggles the check box and keeps the selection.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, w.RowPoint(1));
    EXPECT_EQ(form.Controller().CurrentRow(), 1);
    EXPECT_EQ(w.List->topLevelItem(1)->checkState(0), Qt::Checked);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, w.RowPoint(1));
    EXPECT_EQ(w.List->topLevelItem(1)->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(form.Controller().Rows()[1].Selected);
    EXPECT_TRUE(w.List->topLevelItem(1)->isSelected());
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, w.RowPoint(1));
    EXPECT_TRUE(form.Controller().Rows()[1].Selected);

    // Select None by its shortcut disables Extract everywhere; Select All enables it again.
    QTest::keyClick(&form, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(w.List->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(w.Action("miExtract")->isEnabled());
    EXPECT_FALSE(w.Action("pmExtract")->isEnabled());
    EXPECT_FALSE(w.Button("tbExtract")->isEnabled());
    QTest::keyClick(&form, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.List->topLevelItem(3)->checkState(0), Qt::Checked);
    EXPECT_TRUE(w.Button("tbExtract")->isEnabled());
}

TEST(MainFormTest, TitlesEditedInPlaceAndSpaceChecks) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album", Tracks);
    f.WriteOptions({disc.CuePath});
    TMainForm form;
    TWindow w(form);
    ASSERT_EQ(w.List->topLevelItemCount(), 4);
    EXPECT_FALSE(w.Action("miRenameTitle")->isEnabled()); // no row selected yet
    // The editor open in the list, once it is there.
    const auto editor = [&] {
        QLineEdit* e = nullptr;
        const bool open =
            QTest::qWaitFor([&] { return (e = w.List->viewport()->findChild<QLineEdit*>()) && e->isVisible(); }, 2000);
        return open ? e : nullptr;
    };

    // A double click as the system delivers it: a click, then the second press as a double
    // click. Enter keeps the title and goes on to the next track's.
    QTest::mouseClick(w.List->viewport(), Qt::LeftButton, {}, w.RowPoint(2));
    QTest::mouseDClick(w.List->viewport(), Qt::LeftButton, {}, w.RowPoint(2));
    QLineEdit* e = editor();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text(), "Track03");
    e->selectAll();
    QTest::keyClicks(e, "Double");
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_EQ(w.List->topLevelItem(2)->text(1), "Double");
    EXPECT_EQ(form.Controller().Rows()[2].Title, "Double");
    e = editor();
    ASSERT_TRUE(e);
    EXPECT_EQ(form.Controller().CurrentRow(), 3);
    // Escape leaves the title as it was.
    QTest::keyClicks(e, "never");
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_EQ(form.Controller().Rows()[3].Title, "Track04");

    // F2 on the selected row; Tab keeps the title and opens the next one; an emptied title
    // becomes the default one.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.isActiveWindow(); }));
    QTest::mouseClick(w.List->viewport(), Qt::LeftButton, {}, w.RowPoint(0));
    EXPECT_TRUE(w.Action("miRenameTitle")->isEnabled());
    QTest::keyClick(&form, Qt::Key_F2);
    e = editor();
    ASSERT_TRUE(e);
    e->selectAll();
    QTest::keyClicks(e, "Function key");
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_EQ(w.List->topLevelItem(0)->text(1), "Function key");
    e = editor();
    ASSERT_TRUE(e);
    e->clear();
    QTest::keyClick(e, Qt::Key_Enter);
    EXPECT_EQ(w.List->topLevelItem(1)->text(1), "Track02");
    ASSERT_TRUE(editor());
    QTest::keyClick(editor(), Qt::Key_Escape);

    // Space toggles the selected row's check box.
    QTest::mouseClick(w.List->viewport(), Qt::LeftButton, {}, w.RowPoint(1));
    QTest::keyClick(w.List, Qt::Key_Space);
    EXPECT_FALSE(form.Controller().Rows()[1].Selected);
    EXPECT_EQ(w.List->topLevelItem(1)->checkState(0), Qt::Unchecked);
    QTest::keyClick(w.List, Qt::Key_Space);
    EXPECT_TRUE(form.Controller().Rows()[1].Selected);
}

TEST(MainFormTest, DiscFieldsShowAndEditTheDisc) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album", Tracks);
    f.WriteOptions({disc.CuePath});
    f.WriteTitles(TMainFixture::KeyOf(disc), {{1, "Intro"}});
    TMainForm form;
    TWindow w(form);
    auto* artist = form.findChild<QLineEdit*>("edArtist");
    auto* album = form.findChild<QLineEdit*>("edAlbum");
    auto* genre = form.findChild<QComboBox*>("cbGenre");
    ASSERT_TRUE(artist && album && genre);
    // The stored fields of the disc.
    EXPECT_EQ(artist->text(), "Test Artist");
    EXPECT_EQ(genre->currentIndex(), 0);
    // Edits go into the disc's information, which the ID3 page, the rip and cdinfo.dat share.
    album->selectAll();
    QTest::keyClicks(album, "Typed Album");
    EXPECT_EQ(CurrentDisc.Album, "Typed Album");
    genre->setCurrentIndex(GenreIndexOf("Rock") + 1);
    Q_EMIT genre->activated(genre->currentIndex());
    EXPECT_EQ(CurrentDisc.Genre, GenreIndexOf("Rock"));
    EXPECT_EQ(form.Controller().RipRequest().Disc.Album, "Typed Album");
    // Beside the fields the cover: none yet, then a picture picked from a file.
    auto* cover = form.findChild<QToolButton*>("btCover");
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->text(), "No cover");
    EXPECT_TRUE(cover->icon().isNull());
    QImage picture(40, 40, QImage::Format_RGB32);
    picture.fill(Qt::darkRed);
    ASSERT_TRUE(picture.save(f.Folder.File("front.png"), "PNG"));
    ASSERT_TRUE(form.Controller().PickCover(f.Folder.File("front.png")));
    EXPECT_FALSE(cover->icon().isNull());
    EXPECT_EQ(cover->toolButtonStyle(), Qt::ToolButtonIconOnly);
    form.close();
    const TIniFile stored(f.Folder.File("cdinfo.dat"));
    EXPECT_EQ(stored.ReadString(TMainFixture::KeyOf(disc), "Album", ""), "Typed Album");
    // Ctrl+L looks the disc up; closing the door went to Ctrl+Shift+E.
    EXPECT_EQ(w.Action("miLookUp")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    EXPECT_EQ(w.Action("miCloseCD")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
}

TEST(MainFormTest, ExtractRipsThroughEitherWindow) {
    TMainFixture f;
    TModalCloser closer; // closes each rip window once it shows its summary
    const TDiscImage disc = f.Disc("album", Tracks);
    f.WriteOptions({disc.CuePath});
    TMainForm form;
    TWindow w(form);
    ASSERT_EQ(w.List->topLevelItemCount(), 4);
    Settings.OutputFormat = ofWAV;
    QDir output(Settings.OutputFolder);
    ASSERT_TRUE(output.mkpath("."));
    const auto wavSizes = [&] {
        QList<qint64> sizes;
        for (const QFileInfo& i : output.entryInfoList({"*.wav"}, QDir::Files, QDir::Name))
            sizes << i.size();
        return sizes;
    };

    // Tracks 2 and 4 through the job window (drive handle, plain reads).
    form.Controller().SelectNone();
    form.Controller().SetRowSelected(1, true);
    form.Controller().SetRowSelected(3, true);
    w.Action("miExtract")->trigger();
    EXPECT_EQ(wavSizes(), QList<qint64>({44 + 400 * 2352, 44 + 150 * 2352}));
    for (const QFileInfo& i : output.entryInfoList({"*.wav"}, QDir::Files))
        QFile::remove(i.filePath());

    // Secure reading: the CD rip window over the CD input.
    Settings.Paranoia = true;
    form.Controller().SelectNone();
    form.Controller().SetRowSelected(0, true);
    w.Action("miExtract")->trigger();
    EXPECT_EQ(wavSizes(), QList<qint64>({44 + 300 * 2352}));
    // The first rip's state is told of, not resumed: it was read another way.
    EXPECT_EQ(f.Scripted.Shown(),
              QStringList{"The earlier rip in this folder cannot be resumed: its read mode differs (plain, now secure)."});

    // The same rip again finds its own state and asks; Cancel rips nothing.
    QFile::remove(output.filePath("Track01.wav"));
    f.Scripted.Queue(TPromptAnswer::Cancel);
    w.Action("miExtract")->trigger();
    EXPECT_EQ(f.Scripted.Shown().last(), "Resume the rip of this disc: 0 of 1 tracks are done.");
    EXPECT_EQ(wavSizes(), QList<qint64>());
    // Resume rips the track whose file is gone.
    f.Scripted.Queue(TPromptAnswer::Yes);
    w.Action("miExtract")->trigger();
    EXPECT_EQ(wavSizes(), QList<qint64>({44 + 300 * 2352}));
}

TEST(MainFormTest, LanguageSwitchToGermanAndBack) {
    TMainFixture f;
    for (const char* language : {"English", "German"})
        QFile::copy(SourceDir() + "/lang/CLan_" + language + ".ini",
                    f.Folder.File(QStringLiteral("CLan_%1.ini").arg(language)));
    const TDiscImage disc = f.Disc("album", Tracks);
    f.WriteOptions({disc.CuePath});
    TMainForm form;
    TWindow w(form);
    EXPECT_TRUE(w.Action("miEnglish")->isChecked());

    w.Action("miGerman")->trigger();
    EXPECT_EQ(Settings.Lan, "German");
    EXPECT_TRUE(w.Action("miGerman")->isChecked());
    EXPECT_FALSE(w.Action("miEnglish")->isChecked());
    EXPECT_EQ(w.Menu("miFile")->title(), "&Datei");
    EXPECT_EQ(w.Action("miExtract")->text(), "&Auslesen");
    EXPECT_EQ(w.Button("tbExtract")->text(), "Auslesen");
    EXPECT_EQ(w.List->headerItem()->text(0), "Nr.");
    EXPECT_EQ(form.windowTitle(), "Discwright " DW_VERSION);

    // A language without a file changes nothing.
    w.Action("miFrench")->trigger();
    EXPECT_TRUE(f.Scripted.Shown().last().endsWith("CLan_French.ini can not be found."));
    EXPECT_EQ(Settings.Lan, "German");
    EXPECT_FALSE(w.Action("miFrench")->isChecked());

    w.Action("miEnglish")->trigger();
    EXPECT_EQ(Settings.Lan, "English");
    EXPECT_EQ(w.Menu("miFile")->title(), "&File");
    EXPECT_EQ(w.Action("pmRenameTitle")->text(), "Rename &Title");
    EXPECT_EQ(w.Button("tbExtract")->text(), "Extract");
    EXPECT_EQ(w.List->headerItem()->text(0), "No.");
}

TEST(MainFormTest, ALanguageWithoutItsFileStartsInEnglish) {
    TMainFixture f;
    f.WriteOptions({}, 0, "[Options]\nLan=German\n");
    TMainForm form;
    TModalCloser closer;
    TWindow w(form);
    // Messages would otherwise be empty.
    EXPECT_EQ(Settings.Lan, "English");
    EXPECT_TRUE(w.Action("miEnglish")->isChecked());
    EXPECT_FALSE(w.Action("miGerman")->isChecked());
    form.Controller().Extract();
    EXPECT_EQ(f.Scripted.Shown().last(), "Please select a track at least!");
}

TEST(MainFormTest, ClosingWritesCdinfoAndOptions) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album", Tracks);
    const QString key = TMainFixture::KeyOf(disc);
    f.WriteOptions({disc.CuePath});
    {
        TMainForm form;
        TWindow w(form);
        form.Controller().SetRowTitle(0, "First");
        Settings.Lan = "German";
        EXPECT_TRUE(form.close());
    }
    EXPECT_EQ(TIniFile(f.Folder.File("cdinfo.dat")).ReadString(key, "1", ""), "First");
    EXPECT_EQ(TIniFile(f.Folder.File("options.ini")).ReadString("Options", "Lan", ""), "German");
}

TEST(MainFormTest, NoDeviceHintOncePerStart) {
    TMainFixture f;
    f.WriteOptions({});
    TModalCloser closer;
    TMainForm form;
    TWindow w(form);
    ASSERT_TRUE(QTest::qWaitFor([&] { return closer.Hints == 1; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Status->text() == "Can not find audio CD in your CD device."; }));
    EXPECT_EQ(w.List->topLevelItemCount(), 0);

    // Another modal window closes and the main window is active again: no second hint.
    w.Action("miAbout")->trigger();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.isActiveWindow(); }));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(closer.Hints, 1);
    EXPECT_TRUE(form.Controller().NoDeviceHintShown());

    // The no-disc text follows a language switch.
    for (const char* language : {"English", "German"})
        QFile::copy(SourceDir() + "/lang/CLan_" + language + ".ini",
                    f.Folder.File(QStringLiteral("CLan_%1.ini").arg(language)));
    w.Action("miGerman")->trigger();
    EXPECT_EQ(w.Status->text(), "Im CD-Laufwerk wurde keine Audio-CD gefunden.");
    w.Action("miEnglish")->trigger();
    EXPECT_EQ(w.Status->text(), "Can not find audio CD in your CD device.");
}

// The demo disc, written into a temporary folder of the test's own.
class TDemoRuntime {
public:
    TDemoRuntime() : Saved(qgetenv("XDG_RUNTIME_DIR")) { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Dir.path())); }
    ~TDemoRuntime() {
        if (Saved.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", Saved);
    }
    QString Cue() const { return Dir.path() + "/discwright-demo/demo.cue"; }

private:
    QTemporaryDir Dir;
    QByteArray Saved;
};

QStringList RowTexts(const QTreeWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        rows << item->text(0) + ' ' + item->text(1) + ' ' + item->text(2) + ' ' + item->text(3);
    }
    return rows;
}

const QStringList DemoRows = {"1 Track01 00:08 01.35", "2 Track02 00:12 02.02", "3 Track03 00:07 01.18"};

// discwright --demo: the window shows, then the demo disc is opened as main() does; on a
// machine without drives the no-device hint never comes, since a drive is open.
TEST(MainFormTest, DemoOptionListsTheDemoDisc) {
    TMainFixture f;
    TDemoRuntime runtime;
    f.WriteOptions({});
    TModalCloser closer;
    TMainForm form;
    TWindow w(form);
    ASSERT_TRUE(OpenDemoDisc(form.Controller()));
    EXPECT_EQ(RowTexts(w.List), DemoRows);
    EXPECT_EQ(w.Status->text(), "Image demo");
    EXPECT_EQ(Settings.Images, runtime.Cue());
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.isActiveWindow(); }));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(closer.Hints, 0);
    EXPECT_EQ(RowTexts(w.List), DemoRows);
    EXPECT_TRUE(f.Scripted.Shown().isEmpty());
}

// The no-device hint offers the demo disc beside its other choices, in the user's language.
TEST(MainFormTest, NoDeviceHintOpensTheDemoDisc) {
    TMainFixture f;
    TDemoRuntime runtime;
    f.WriteOptions({});
    QStringList buttons;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* hint = qobject_cast<TfrmNoDeviceHint*>(QApplication::activeModalWidget());
            hint && buttons.isEmpty()) {
            for (QPushButton* b : hint->findChildren<QPushButton*>())
                buttons << b->objectName() + '=' + b->text();
            hint->findChild<QPushButton*>("btOpenDemo")->click();
        }
    });
    answer.start();
    TMainForm form;
    TWindow w(form);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.List->topLevelItemCount() == 3; }));
    EXPECT_EQ(RowTexts(w.List), DemoRows);
    EXPECT_EQ(buttons,
              QStringList({"btOpenImage=Open disc &image...", "btClose=&Close", "btOpenDemo=Open the &demo disc"}));

    QFile::copy(SourceDir() + "/lang/CLan_German.ini", f.Folder.File("CLan_German.ini"));
    Settings.Lan = "German";
    TfrmNoDeviceHint hint;
    hint.show();
    EXPECT_EQ(hint.findChild<QPushButton*>("btOpenDemo")->text(), "&Demo-CD öffnen");
}

} // namespace
