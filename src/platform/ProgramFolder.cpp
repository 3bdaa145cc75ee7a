// Resolution of the program folder (see ProgramFolder.h).
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <unistd.h>

namespace {
QString Override;

QString SelfExecutableFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return QDir::currentPath();
    buffer[n] = 0;
    return QFileInfo(QString::fromLocal8Bit(buffer)).absolutePath();
}
} // namespace

QString ExecutableFolder() {
    return SelfExecutableFolder();
}

bool IsInstalledProgram() {
    return QFileInfo(SelfExecutableFolder() + QStringLiteral("/../share/discwright")).isDir();
}

namespace {

// Where the settings live when not beside the executable.
QString PerUserFolder() {
    return QDir::homePath() + QStringLiteral("/.local/share/discwright");
}

bool SettingsBesideExecutable() {
    const QString exe = SelfExecutableFolder();
    return !IsInstalledProgram() && access(QFile::encodeName(exe).constData(), W_OK) == 0;
}

} // namespace

QString ProgramFolder() {
    if (!Override.isEmpty())
        return Override;
    if (SettingsBesideExecutable())
        return SelfExecutableFolder();
    const QString home = PerUserFolder();
    QDir().mkpath(home);
    return home;
}

QString DefaultOutputFolder() {
    if (Override.isEmpty() && !SettingsBesideExecutable()) {
        QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (music.isEmpty())
            music = QDir::homePath() + QStringLiteral("/Music");
        return QDir::cleanPath(music + QStringLiteral("/Discwright"));
    }
    return ProgramFolder() + QStringLiteral("/Output");
}

void SetProgramFolder(const QString& folder) {
    Override = QDir::cleanPath(folder);
}

QStringList LanguageFolders() {
    QStringList folders{ProgramFolder()};
    const QString exe = SelfExecutableFolder();
    if (!folders.contains(exe))
        folders << exe;
    folders << QDir::cleanPath(exe + QStringLiteral("/../share/discwright"));
    return folders;
}
