// The main window's commands that reach the desktop (see MainController.h): the file manager,
// the drive's door, the volume control, other players' recent-file lists and the manual.
#include "app/MainController.h"

#include "app/LanguageText.h"
#include "app/Settings.h"
#include "platform/Mixer.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompter.h"
#include "platform/WineRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cdio/cdio.h>

namespace {

void Inform(const QString& text) {
    Prompter().Show(text, TPromptIcon::Information, TPromptButtons::Ok);
}

void ShowError(const QString& text) {
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

} // namespace

QString HomePageUrl() {
    return QStringLiteral("https://discwright.example.org/");
}
QString ProductPageUrl() {
    return QStringLiteral("https://discwright.example.org/discwright/");
}
QString UpdatePageUrl() {
    return QStringLiteral("https://discwright.example.org/discwright/update/");
}

QString HelpFilePath() {
    const QString exe = ExecutableFolder();
    for (const QString& folder : {exe + QStringLiteral("/help"), exe + QStringLiteral("/../share/discwright/help")}) {
        const QString path = QDir::cleanPath(folder + QStringLiteral("/index.html"));
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

void TMainController::OpenOutputDirectory() {
    if (QDir(Settings.OutputFolder).exists()) {
        if (Host)
            Host->OpenInShell(Settings.OutputFolder);
    } else {
        ShowError(Settings.OutputFolder + ',' +
                  LoadResText(QStringLiteral("RES_Directory_Not_Exist"),
                              QStringLiteral("The output directory does not exist.")));
    }
}

void TMainController::Eject() {
    // Only a physical drive has a door; libcdio's eject on an image corrupts its object.
    if (!CDHandle || DriveIsImage || DrivePath.isEmpty())
        return;
    cdio_eject_media_drive(QFile::encodeName(DrivePath).constData());
}

void TMainController::CloseDoor() {
    if (!CDHandle || DriveIsImage || DrivePath.isEmpty())
        return;
    cdio_close_tray(QFile::encodeName(DrivePath).constData(), nullptr);
}

void TMainController::VolumeControl() {
    if (!LaunchMixer())
        ShowError(LoadResText(QStringLiteral("RES_No_Mixer"),
                              QStringLiteral("No volume control found. Please install pavucontrol.")));
}

namespace {

bool MayClearHistoryOf(const char* exeName) {
    if (!IsWineProgramRunning(QString::fromLatin1(exeName)))
        return true;
    return Prompter().Show(LoadResText(QStringLiteral("RES_RealOne_Window_Exist"),
                                       QStringLiteral("Please close RealOne Player firstly.Continue?")),
                           TPromptIcon::Information, TPromptButtons::YesNo, TPromptAnswer::No) == TPromptAnswer::Yes;
}

int ReportCleared(TWineRegistry& registry, int count) {
    if (!registry.Save()) {
        ShowError(registry.FileName() +
                  LoadResText(QStringLiteral("RES_Registry_Save_Error"),
                              QStringLiteral(" could not be written; no list records were deleted.")));
        return 0;
    }
    Inform(QString::number(count) +
           LoadResText(QStringLiteral("RES_Clear_History"), QStringLiteral(" list records are deleted!")));
    return count;
}

} // namespace

int TMainController::ClearRealPlayerHistory() {
    if (!MayClearHistoryOf("realplay.exe"))
        return -1;
    TWineRegistry registry;
    int count = 0;
    while (count < 8 && registry.DeleteKey(QStringLiteral("\\Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\"
                                                          "MostRecentClips") +
                                           QString::number(count + 1)))
        ++count;
    return ReportCleared(registry, count);
}

int TMainController::ClearMediaPlayerHistory() {
    if (!MayClearHistoryOf("wmplayer.exe"))
        return -1;
    TWineRegistry registry;
    int count = 0;
    const QString key = QStringLiteral("\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList\\");
    while (count <= 8 && registry.DeleteValue(key, QStringLiteral("File") + QString::number(count)))
        ++count;
    return ReportCleared(registry, count);
}

void TMainController::Help() {
    const QString path = HelpFilePath();
    if (path.isEmpty()) {
        ShowError(LoadResText(QStringLiteral("RES_Help_Not_Found"),
                              QStringLiteral("The manual (help/index.html) can not be found beside the program.")));
        return;
    }
    if (Host)
        Host->OpenInShell(path);
}
