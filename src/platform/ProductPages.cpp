// The program's pages as sections of the shipped manual (see ProductPages.h).
#include "platform/ProductPages.h"

#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

QString ManualSection(const char* anchor) {
    const QString path = HelpFilePath();
    if (path.isEmpty())
        return QString();
    QUrl url = QUrl::fromLocalFile(path);
    url.setFragment(QString::fromLatin1(anchor));
    return url.toString(QUrl::FullyEncoded);
}

} // namespace

QString HelpFilePath() {
    const QString exe = ExecutableFolder();
    for (const QString& folder : {exe + QStringLiteral("/help"), exe + QStringLiteral("/../share/discwright/help")}) {
        const QString path = QDir::cleanPath(folder + QStringLiteral("/index.html"));
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QString HomePageUrl() {
    return ManualSection("about");
}

QString ProductPageUrl() {
    return ManualSection("about");
}

QString UpdatePageUrl() {
    return ManualSection("updates");
}

QString TranslationPageUrl() {
    return ManualSection("translating");
}
