// Other players' recent-file lists (see PlayerHistory.h).
#include "app/PlayerHistory.h"

#include "core/LanguageText.h"
#include "platform/Prompter.h"
#include "platform/WineRegistry.h"

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
        Prompter().Show(registry.FileName() +
                            ResText("RES_Registry_Save_Error", " could not be written; no list records were deleted."),
                        TPromptIcon::Error, TPromptButtons::Ok);
        return 0;
    }
    Prompter().Show(QString::number(count) +
                        LoadResText(QStringLiteral("RES_Clear_History"), QStringLiteral(" list records are deleted!")),
                    TPromptIcon::Information, TPromptButtons::Ok);
    return count;
}

} // namespace

int ClearRealPlayerHistory() {
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

int ClearMediaPlayerHistory() {
    if (!MayClearHistoryOf("wmplayer.exe"))
        return -1;
    TWineRegistry registry;
    int count = 0;
    const QString key = QStringLiteral("\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList\\");
    while (count <= 8 && registry.DeleteValue(key, QStringLiteral("File") + QString::number(count)))
        ++count;
    return ReportCleared(registry, count);
}
