// Language packs without widgets (see LanguageText.h).
#include "core/LanguageText.h"

#include "core/Helpers.h"
#include "core/Settings.h"
#include "platform/IniFile.h"
#include "platform/ProductPages.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompter.h"

#include <QFileInfo>

namespace {

QString OtherLanguageInvitation() {
    const QString page = TranslationPageUrl();
    return QStringLiteral("If you would like to translate Discwright into your language, please read \"Translating "
                          "Discwright\" in the manual") +
           (page.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + page);
}

} // namespace

bool IsEnglish(const QString& language) {
    return language.compare(QLatin1String("English"), Qt::CaseInsensitive) == 0;
}

QString LanguageFilePath(const QString& language) {
    const QString file = QStringLiteral("CLan_") + language + QStringLiteral(".ini");
    for (const QString& folder : LanguageFolders()) {
        const QString path = AddTrailingBackslash(folder) + file;
        if (QFileInfo::exists(path))
            return path;
    }
    return AddTrailingBackslash(ProgramFolder()) + file;
}

QString LoadResText(const QString& key, const QString& english) {
    if (IsEnglish(Settings.Lan))
        return english;
    const TIniFile ini(LanguageFilePath(Settings.Lan));
    return ini.ReadString(QStringLiteral("ResourceString"), key, QString());
}

QString ResText(const char* key, const char* english) {
    const QString text = LoadResText(QString::fromLatin1(key), QString::fromUtf8(english));
    return text.isEmpty() ? QString::fromUtf8(english) : text;
}

bool SwitchLanguageTo(const QString& language) {
    const QString path = LanguageFilePath(language);
    if (!QFileInfo::exists(path)) {
        QString text = path + QStringLiteral(" can not be found.");
        if (language == QLatin1String("Other"))
            text += QStringLiteral("\n\n") + OtherLanguageInvitation();
        Prompter().Show(text, TPromptIcon::None, TPromptButtons::Ok);
        return false;
    }
    Settings.Lan = language;
    return true;
}
