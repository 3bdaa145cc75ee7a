// Checks of the output folder (see OutputFolder.h).
#include "app/OutputFolder.h"

#include "core/Folders.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QTemporaryFile>

namespace {

QString FolderMissingText() {
    return LoadResText(QStringLiteral("RES_Directory_Not_Exist"),
                       QStringLiteral("The output directory does not exist."));
}

} // namespace

bool CreateOutputFolderOnRequest() {
    const QString folder = Settings.OutputFolder;
    if (MakeDefaultOutputFolder(folder))
        return true;
    const QString question =
        folder + ',' + FolderMissingText() + '\n' +
        LoadResText(QStringLiteral("RES_Create_Directory"), QStringLiteral("creates a new directory?"));
    if (Prompter().Show(question, TPromptIcon::Information, TPromptButtons::YesNo) != TPromptAnswer::Yes)
        return false;
    if (folder.isEmpty() || !QDir().mkdir(folder)) {
        Prompter().Show(ResText("RES_Cannot_Create", "Cannot create ") + folder, TPromptIcon::Error,
                        TPromptButtons::Ok);
        return false;
    }
    return true;
}

bool OutputFolderUsable() {
    const QString checkOutput =
        LoadResText(QStringLiteral("RES_Check_Output"), QStringLiteral("Please check the output directory setting."));
    if (!MakeDefaultOutputFolder(Settings.OutputFolder)) {
        Prompter().Show(FolderMissingText() + checkOutput, TPromptIcon::Information, TPromptButtons::Ok);
        return false;
    }
    // A folder no file can be created in (read-only, another user's) would fail every track
    // with a box that blames its title.
    QTemporaryFile probe(AddTrailingBackslash(Settings.OutputFolder) + QStringLiteral(".discwright-XXXXXX"));
    if (!probe.open()) {
        Prompter().Show(Settings.OutputFolder + ResText("RES_Directory_Not_Writable", " can not be written to.") + ' ' +
                            checkOutput,
                        TPromptIcon::Error, TPromptButtons::Ok);
        return false;
    }
    return true;
}
