// Drives by name and disc images as drives (see ImageDrives.h).
#include "app/ImageDrives.h"

#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "platform/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>

bool RenameAspiLayer() {
    const QString folder = AddTrailingBackslash(ProgramFolder());
    if (!QFileInfo::exists(folder + QStringLiteral("RidoDoda.dll")) ||
        QFileInfo::exists(folder + QStringLiteral("wnaspi32.dll")))
        return false;
    QFile::rename(folder + QStringLiteral("RidoDoda.dll"), folder + QStringLiteral("wnaspi32.dll"));
    return true;
}

QStringList ImagePaths() {
    QStringList paths;
    for (const QString& part : Settings.Images.split('|')) {
        if (!part.trimmed().isEmpty())
            paths << part.trimmed();
    }
    return paths;
}

QString DescribeDrive(const TCDDriveEntry& e) {
    const QString vendor = QString::fromLocal8Bit(e.Vendor).trimmed();
    const QString product = QString::fromLocal8Bit(e.Product).trimmed();
    return (vendor.isEmpty() ? product : vendor + ' ' + product).left(26);
}

TCDDriveList ListDrives() {
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    GetCDList(&list);
    return list;
}

QString DrivePathOf(const TCDDriveEntry& e) {
    if (e.Adapter == 0)
        return QString::fromLocal8Bit(e.Id);
    const QStringList images = ImagePaths();
    return e.Target < images.size() ? images[e.Target] : QString();
}

int OpenImageDrive(const QString& cuePath, int& index, QString& error) {
    const QString cannotOpen = ResText("RES_Image_Open_Error", " can not be opened as a disc image: ");
    const QFileInfo info(cuePath);
    if (!info.isFile()) {
        error = cuePath + ResText("RES_Image_Not_Found", " can not be found.");
        return 0;
    }
    const QString path = info.absoluteFilePath();
    // CDOptions/Images separates its paths with "|": such a path would come back as two
    // drives, and the image as neither.
    if (path.contains('|')) {
        error = path + cannotOpen +
                ResText("RES_Image_Path_Pipe", "its path holds a |, which separates the images in options.ini. "
                                               "Please rename the folder or the file.");
        return 0;
    }
    if (const QString why = CheckCDImage(path); !why.isEmpty()) {
        error = path + cannotOpen + why;
        return 0;
    }
    const QString oldImages = Settings.Images;
    QStringList images = ImagePaths();
    int pos = -1;
    for (int i = 0; i < images.size(); ++i) {
        if (QFileInfo(images[i]).absoluteFilePath() == path)
            pos = i;
    }
    if (pos < 0) {
        images << path;
        pos = int(images.size()) - 1;
    }
    Settings.Images = images.join('|');
    const TCDDriveList list = ListDrives();
    int physical = 0;
    for (int i = 0; i < list.Count; ++i)
        physical += list.Drives[i].Adapter == 0 ? 1 : 0;
    // At most eight drives are listed: an image that would fall off the end goes first.
    if (physical + pos >= list.Count) {
        images.move(pos, 0);
        pos = 0;
        Settings.Images = images.join('|');
    }
    index = physical + pos;
    const int handle = OpenCDDriveAt(index);
    if (!handle) {
        error = path + cannotOpen + CDLastError();
        Settings.Images = oldImages;
    }
    return handle;
}
