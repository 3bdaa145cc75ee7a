// The drives as the main window knows them: the paths of CDOptions/Images, a drive's name and
// place, opening a disc image as a new drive, and the rename of the CD libraries' access layer
// that a start without drives does.
#pragma once

#include "cd/akrip32.h"

#include <QString>
#include <QStringList>

// The image paths of CDOptions/Images, in order.
QStringList ImagePaths();
// Vendor and product as the drive list gives them, joined by a blank (the drive library trims
// the vendor field that drives pad to eight characters), at most 26 characters.
QString DescribeDrive(const TCDDriveEntry& e);
TCDDriveList ListDrives();
// The device node of a physical drive, or the image file of an image drive.
QString DrivePathOf(const TCDDriveEntry& e);

// Without drives, the access layer's file RidoDoda.dll in the program folder becomes
// wnaspi32.dll (unless that exists); true when it was renamed (the program must start again).
bool RenameAspiLayer();

// Makes the disc image at `path` a drive: it is checked, added to CDOptions/Images (moved to
// the front when the list of eight drives would not hold it) and opened. Returns the handle and
// sets `index` to the drive's place in the list; 0 with a one-line `error` (naming the file)
// when it cannot be opened, the settings then left as they were.
int OpenImageDrive(const QString& path, int& index, QString& error);
