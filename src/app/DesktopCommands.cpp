// Commands handed over to the desktop (see DesktopCommands.h).
#include "app/DesktopCommands.h"

#include "core/Folders.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "platform/Mixer.h"
#include "platform/ProductPages.h"
#include "platform/Prompter.h"

namespace {

void ShowError(const QString& text) {
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

} // namespace

void OpenOutputFolder(const TShellOpener& open) {
    if (!MakeDefaultOutputFolder(Settings.OutputFolder)) {
        ShowError(Settings.OutputFolder + ',' +
                  LoadResText(QStringLiteral("RES_Directory_Not_Exist"),
                              QStringLiteral("The output directory does not exist.")));
        return;
    }
    if (open)
        open(Settings.OutputFolder);
}

void OpenVolumeControl() {
    if (!LaunchMixer())
        ShowError(ResText("RES_No_Mixer", "No volume control found. Please install pavucontrol."));
}

void OpenManual(const TShellOpener& open) {
    const QString path = HelpFilePath();
    if (path.isEmpty()) {
        ShowError(ResText("RES_Help_Not_Found", "The manual (help/index.html) can not be found beside the program."));
        return;
    }
    if (open)
        open(path);
}
