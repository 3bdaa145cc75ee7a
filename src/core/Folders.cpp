// Folders chosen for the user (see Folders.h).
#include "core/Folders.h"

#include "core/Settings.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString& FieldOf(TFileKind kind) {
    switch (kind) {
    case TFileKind::Mp3:
        return Settings.FolderMp3;
    case TFileKind::Ogg:
        return Settings.FolderOgg;
    case TFileKind::Image:
        return Settings.FolderImage;
    case TFileKind::Cover:
        return Settings.FolderCover;
    case TFileKind::Wav:
        break;
    }
    return Settings.FolderWav;
}

} // namespace

bool MakeDefaultOutputFolder(const QString& folder) {
    if (folder.trimmed().isEmpty())
        return false;
    if (QFileInfo(folder).isDir())
        return true;
    if (QDir::cleanPath(folder) != QDir::cleanPath(DefaultOutputFolder()))
        return false;
    return QDir().mkpath(folder);
}

QString StartFolder(TFileKind kind) {
    const QString folder = FieldOf(kind);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return QDir::homePath();
}

void RememberFolder(TFileKind kind, const QString& path) {
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    FieldOf(kind) = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}
