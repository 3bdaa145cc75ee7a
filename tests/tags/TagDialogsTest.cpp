// The tag editor and the title dialog: loading, saving, removing and saving a tag elsewhere on
// plain files, the rules of the track field, and the windows' enabled buttons and key filters
// on the offscreen platform.
#include "tags/EditTrackNameForm.h"
#include "tags/ID3EditForm.h"

#include "core/Settings.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"
#include "tags/Genres.h"
#include "tags/TagReader.h"
#include "tags/TagWriter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// 1000 bytes of something that is not a tag; the tag code does not look at the audio.
QByteArray Audio() {
    return QByteArray(1000, '\x55');
}

class TagDialogsTest : public ::testing::Test {
protected:
    TagDialogsTest() { SetPrompter(&Prompts); }
    ~TagDialogsTest() override { SetPrompter(nullptr); }

    // A file with a tag: title "Song", track 7, genre Blues (ID3 0).
    QString TaggedFile(const QString& name) {
        const QString path = Folder.File(name);
        EXPECT_TRUE(WriteFile(path, Audio()));
        Tid3tag tag;
        tag.SetTitle("Song");
        tag.SetComment("Comment");
        tag.SetTrack(7);
        tag.Genre = 0;
        EXPECT_EQ(tag.Write(path), id3Ok);
        return path;
    }

    TTempProgramFolder Folder;
    TScriptedPrompter Prompts;
};

TEST_F(TagDialogsTest, LoadingAFileWithoutATagClearsTheFieldsAndSaveAddsOne) {
    const QString path = Folder.File("plain.mp3");
    ASSERT_TRUE(WriteFile(path, Audio()));
    TID3Edit edit;
    EXPECT_FALSE(edit.HasFile());
    EXPECT_EQ(edit.Caption(), "ID3 Tag Edit");
    edit.Fields.Title = "left over";
    edit.Load(path);
    EXPECT_TRUE(edit.HasFile());
    EXPECT_EQ(edit.Caption(), "ID3 Tag Edit: " + path);
    EXPECT_EQ(edit.Fields.Title, "");
    EXPECT_EQ(edit.Fields.Track, "0");
    EXPECT_EQ(edit.Fields.GenrePosition, -1);

    edit.Fields.Title = "New Title";
    edit.Fields.Track = "3";
    edit.Fields.GenrePosition = 96; // Other
    ASSERT_TRUE(edit.Save());
    EXPECT_EQ(QFileInfo(path).size(), 1000 + 128);
    TID3Edit again;
    again.Load(path);
    EXPECT_EQ(again.Fields.Title, "New Title");
    EXPECT_EQ(again.Fields.Track, "3");
    EXPECT_EQ(again.Fields.GenrePosition, 96);
    EXPECT_EQ(again.Tag().Genre, 12);
    EXPECT_TRUE(Prompts.Shown().isEmpty());
}

TEST_F(TagDialogsTest, AnEmptyTrackFieldKeepsTheTrackAndZeroRemovesIt) {
    const QString path = TaggedFile("tagged.mp3");
    TID3Edit edit;
    edit.Load(path);
    EXPECT_EQ(edit.Fields.Title, "Song");
    EXPECT_EQ(edit.Fields.Track, "7");
    EXPECT_EQ(edit.Fields.GenrePosition, 18); // Blues

    edit.Fields.Track = "";
    edit.Fields.Comment = QString(30, 'c');
    ASSERT_TRUE(edit.Save());
    Tid3tag tag;
    ASSERT_EQ(tag.Read(path), id3Ok);
    EXPECT_EQ(tag.Track, 7);
    EXPECT_EQ(tag.CommentText(), QString(28, 'c'));

    edit.Fields.Track = "0";
    ASSERT_TRUE(edit.Save());
    ASSERT_EQ(tag.Read(path), id3Ok);
    EXPECT_FALSE(tag.HasTrack);
    EXPECT_EQ(tag.CommentText(), QString(30, 'c'));
}

TEST_F(TagDialogsTest, RemoveAsksAndFailuresKeepThePreviousFileAndTag) {
    const QString path = TaggedFile("tagged.mp3");
    const QString other = Folder.File("other.mp3");
    ASSERT_TRUE(WriteFile(other, Audio()));
    TID3Edit edit;
    edit.Load(path);

    Prompts.Queue(TPromptAnswer::No);
    EXPECT_FALSE(edit.Remove());
    EXPECT_EQ(QFileInfo(path).size(), 1000 + 128);
    EXPECT_EQ(edit.Fields.Title, "Song");
    Prompts.Queue(TPromptAnswer::Yes);
    EXPECT_TRUE(edit.Remove());
    EXPECT_EQ(QFileInfo(path).size(), 1000);
    EXPECT_EQ(edit.Fields.Title, "");
    EXPECT_EQ(Prompts.Shown(), QStringList(2, "Do you want to remove these tags?"));
    EXPECT_EQ(Prompts.Defaults().front(), TPromptAnswer::No); // Enter keeps the tag

    // A read-only file keeps its tag: the fields must not say it has gone.
    const QString readOnly = TaggedFile("readonly.mp3");
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner));
    TID3Edit locked;
    locked.Load(readOnly);
    Prompts.Queue(TPromptAnswer::Yes);
    Prompts.Queue(TPromptAnswer::Ok);
    EXPECT_FALSE(locked.Remove());
    EXPECT_EQ(Prompts.Shown().last(), "Could not remove Tag!");
    EXPECT_EQ(QFileInfo(readOnly).size(), 1000 + 128);
    EXPECT_EQ(locked.Fields.Title, "Song");

    // Save As to a file that does not exist fails and keeps the editor on its file.
    edit.Fields.Title = "Kept";
    EXPECT_FALSE(edit.SaveAs(Folder.File("missing.mp3")));
    EXPECT_EQ(Prompts.Shown().last(), "Could not save Tag!");
    EXPECT_EQ(Prompts.Icons().last(), TPromptIcon::Information);
    EXPECT_EQ(edit.LoadedFile(), path);
    ASSERT_TRUE(edit.Save());
    EXPECT_EQ(QFileInfo(path).size(), 1000 + 128);

    ASSERT_TRUE(edit.SaveAs(other));
    EXPECT_EQ(edit.LoadedFile(), other);
    EXPECT_EQ(edit.Caption(), "ID3 Tag Edit: " + other);
    Tid3tag tag;
    ASSERT_EQ(tag.Read(other), id3Ok);
    EXPECT_EQ(tag.TitleText(), "Kept");
}

TEST_F(TagDialogsTest, TagEditorWindowEnablesSavingAfterALoadAndFiltersTrackKeys) {
    const QString path = TaggedFile("tagged.mp3");
    TfrmID3Edit form;
    form.ChooseFile = [&] { return path; };
    form.show();
    auto* save = form.findChild<QPushButton*>("bSaveTag");
    auto* remove = form.findChild<QPushButton*>("bRemoveTag");
    auto* track = form.findChild<QLineEdit*>("ID3track");
    auto* genre = form.findChild<QComboBox*>("ID3genre");
    ASSERT_TRUE(save && remove && track && genre);
    EXPECT_EQ(form.windowTitle(), "ID3 Tag Edit");
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_EQ(genre->count(), 149);
    EXPECT_EQ(genre->itemText(0), "");

    form.findChild<QPushButton*>("bLoadTag")->click();
    EXPECT_EQ(form.windowTitle(), "ID3 Tag Edit: " + path);
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_EQ(form.findChild<QLineEdit*>("ID3title")->text(), "Song");
    EXPECT_EQ(genre->currentText(), "Blues");

    track->clear();
    QTest::keyClicks(track, "a1-b2 3");
    EXPECT_EQ(track->text(), "12");
    save->click();
    Tid3tag tag;
    ASSERT_EQ(tag.Read(path), id3Ok);
    EXPECT_EQ(tag.Track, 12);
}

TEST_F(TagDialogsTest, SaveAsAsksWithASaveDialogInTheFolderOfTheLoadedFile) {
    const QString path = TaggedFile("tagged.mp3");
    const QString other = Folder.File("other.mp3");
    ASSERT_TRUE(WriteFile(other, Audio()));
    TfrmID3Edit form;
    QString shownIn;
    // The load dialog, answered as a user would.
    QTimer answer;
    std::function<void(QFileDialog&)> next = [&](QFileDialog& dialog) {
        shownIn = dialog.directory().absolutePath();
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
        dialog.selectFile(path);
        static_cast<QDialog&>(dialog).accept();
    };
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); dialog && next) {
            auto run = std::move(next);
            next = nullptr;
            run(*dialog);
        }
    });
    answer.start(10);
    form.show();
    form.findChild<QPushButton*>("bLoadTag")->click();
    EXPECT_EQ(shownIn, QDir::homePath());
    EXPECT_EQ(form.windowTitle(), "ID3 Tag Edit: " + path);

    form.findChild<QLineEdit*>("ID3title")->setText("Elsewhere");
    next = [&](QFileDialog& dialog) {
        shownIn = dialog.directory().absolutePath();
        EXPECT_EQ(dialog.windowTitle(), "Save Tag As");
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        dialog.selectFile(other);
        static_cast<QDialog&>(dialog).accept();
    };
    form.findChild<QPushButton*>("bSaveAS")->click();
    EXPECT_EQ(shownIn, Folder.Path());
    EXPECT_EQ(form.windowTitle(), "ID3 Tag Edit: " + other);
    Tid3tag tag;
    ASSERT_EQ(tag.Read(other), id3Ok);
    EXPECT_EQ(tag.TitleText(), "Elsewhere");
    EXPECT_TRUE(Prompts.Shown().isEmpty());
}

TEST_F(TagDialogsTest, AFileWithOnlyId3v2ShowsItsFieldsAndKeepsItsOtherFrames) {
    const QString lame = FindTool("lame");
    if (lame.isEmpty())
        GTEST_SKIP() << "lame is not installed";
    const QString wav = Folder.File("in.wav");
    const QString mp3 = Folder.File("song.mp3");
    ASSERT_TRUE(WriteFile(wav, MakeWav(MakePcm16(22050, 2, 4), 2, 44100, 16)));
    ASSERT_EQ(RunProgram(lame, {"--quiet", wav, mp3}).ExitCode, 0);
    TTagFields written;
    written.Title = QString::fromUtf8("A title longer than the thirty characters of ID3v1 — whole");
    written.Genre = GenreIndexOf("Jazz");
    written.Track = 4;
    written.TrackTotal = 9;
    written.TrackGain = -3.5;
    written.Cover = QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(100, 'p');
    QString error;
    ASSERT_TRUE(WriteFileTags(mp3, written, id3V2Only, error)) << error.toStdString();

    TfrmID3Edit form;
    form.ChooseFile = [&] { return mp3; };
    form.show();
    form.findChild<QPushButton*>("bLoadTag")->click();
    EXPECT_EQ(form.findChild<QLineEdit*>("ID3title")->text(), written.Title);
    EXPECT_EQ(form.findChild<QComboBox*>("ID3genre")->currentText(), "Jazz");
    EXPECT_EQ(form.findChild<QLineEdit*>("ID3track")->text(), "4");
    EXPECT_EQ(form.findChild<QLabel*>("lTagKinds")->text(), "Tags in the file: ID3v2.4");
    EXPECT_EQ(form.findChild<QLabel*>("lCommentRoom")->text(),
              "ID3v1 keeps 28 characters of it (a track number is set)");
    auto* year = form.findChild<QLineEdit*>("ID3year");
    year->clear();
    QTest::keyClicks(year, "2o0l9x99");
    EXPECT_EQ(year->text(), "2099");
    form.findChild<QLineEdit*>("ID3track")->setText("0");
    EXPECT_EQ(form.findChild<QLabel*>("lCommentRoom")->text(), "ID3v1 keeps 30 characters of it");
    form.findChild<QLineEdit*>("ID3track")->setText("4");

    // Saving writes both tags (ID3/Version 3) and keeps what the fields do not show.
    form.findChild<QPushButton*>("bSaveTag")->click();
    EXPECT_TRUE(Prompts.Shown().isEmpty()) << Prompts.Shown().join('|').toStdString();
    EXPECT_EQ(form.findChild<QLabel*>("lTagKinds")->text(), "Tags in the file: ID3v1, ID3v2.4");
    TTagReport report;
    ASSERT_TRUE(ReadFileTags(mp3, report, error));
    const auto value = [&](const char* name) {
        for (const auto& [key, v] : report.Fields)
            if (key == QLatin1String(name))
                return v;
        return QString();
    };
    EXPECT_EQ(value("TITLE"), written.Title);
    EXPECT_EQ(value("DATE"), "2099");
    EXPECT_EQ(value("TRACKNUMBER"), "4/9");
    EXPECT_EQ(value("REPLAYGAIN_TRACK_GAIN"), "-3.50 dB");
    EXPECT_EQ(report.Pictures.size(), 1);
    Tid3tag v1;
    ASSERT_EQ(v1.Read(mp3), id3Ok);
    EXPECT_EQ(v1.TitleText(), written.Title.left(30));
    EXPECT_EQ(v1.YearText(), "2099");

    // Remove takes both.
    Prompts.Queue(TPromptAnswer::Yes);
    form.findChild<QPushButton*>("bRemoveTag")->click();
    EXPECT_EQ(form.findChild<QLabel*>("lTagKinds")->text(), "The file has no tag.");
    ASSERT_TRUE(ReadFileTags(mp3, report, error));
    EXPECT_TRUE(report.Kinds.isEmpty()) << report.Kinds.join(' ').toStdString();
}

TEST_F(TagDialogsTest, TitleDialogCannotConfirmAnEmptyTitle) {
    TfrmEditTrackName form;
    form.SetTitle("Old Title");
    form.show();
    auto* name = form.findChild<QLineEdit*>("eName");
    auto* ok = form.findChild<QPushButton*>("bOK");
    ASSERT_TRUE(name && ok);
    EXPECT_EQ(name->selectedText(), "Old Title");
    EXPECT_TRUE(ok->isEnabled());

    name->clear();
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());

    QTest::keyClicks(name, "New Title");
    EXPECT_TRUE(ok->isEnabled());
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Title(), "New Title");
}

} // namespace
