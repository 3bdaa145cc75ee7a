// The file dialogs of every window: they start in the folder last used for their kind of file
// (kept in options.ini), else the home folder, never the program's folder; a save dialog is a
// save dialog. Answered on the offscreen platform by the test as a user would.
#include "widgets/FileDialogs.h"
#include "core/Folders.h"
#include "core/Settings.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `answer` on the file dialog as soon as it is shown.
void WhenDialogShows(const std::function<void(QFileDialog&)>& answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(*dialog);
        }
    });
    timer->start();
}

class FileDialogsTest : public ::testing::Test {
protected:
    TTempProgramFolder Folder;
};

TEST_F(FileDialogsTest, DialogsStartInTheFolderLastUsedForTheirKindElseAtHome) {
    const QString music = Folder.File("music");
    QDir().mkpath(music);
    WriteFile(music + "/song.wav", MakeWav(MakePcm16(10, 2, 1), 2, 44100, 16));

    QString shownIn;
    WhenDialogShows([&](QFileDialog& dialog) {
        shownIn = dialog.directory().absolutePath();
        dialog.selectFile(music + "/song.wav");
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_EQ(AskOpenFile(nullptr, TFileKind::Wav, "Open", "Sound file(*.wav) (*.wav)"), music + "/song.wav");
    EXPECT_EQ(shownIn, QDir::homePath());

    // The next WAV dialog starts where the last one was answered; other kinds are not moved.
    WhenDialogShows([&](QFileDialog& dialog) {
        shownIn = dialog.directory().absolutePath();
        dialog.reject();
    });
    EXPECT_TRUE(AskOpenFiles(nullptr, TFileKind::Wav, "Open", "Sound file(*.wav) (*.wav)").isEmpty());
    EXPECT_EQ(shownIn, music);
    EXPECT_EQ(StartFolder(TFileKind::Mp3), QDir::homePath());
    EXPECT_EQ(StartFolder(TFileKind::Ogg), QDir::homePath());
    EXPECT_EQ(StartFolder(TFileKind::Image), QDir::homePath());

    // Kept in options.ini across a restart; a folder that has gone gives the home folder.
    ASSERT_TRUE(SaveSettings());
    Settings = TSettings();
    LoadSettings();
    EXPECT_EQ(StartFolder(TFileKind::Wav), music);
    QDir(music).removeRecursively();
    EXPECT_EQ(StartFolder(TFileKind::Wav), QDir::homePath());
}

TEST_F(FileDialogsTest, ASaveDialogSavesAndCanAskForAnExistingFileWithoutTheOverwriteQuestion) {
    RememberFolder(TFileKind::Mp3, Folder.Path() + "/x.mp3");
    bool checked = false;
    WhenDialogShows([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Save Tag As");
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog.defaultSuffix(), "mp3");
        EXPECT_EQ(dialog.directory().absolutePath(), Folder.Path());
        checked = true;
        dialog.reject();
    });
    EXPECT_EQ(AskSaveFile(nullptr, TFileKind::Mp3,
                          {.Title = "Save Tag As",
                           .Filter = "MP3 file(*.mp3) (*.mp3)",
                           .DefaultSuffix = "mp3",
                           .ExistingOnly = true,
                           .ConfirmOverwrite = false}),
              QString());
    EXPECT_TRUE(checked);
}

} // namespace
