// The main window's commands that hand over to the desktop: the output folder in the file
// manager, the volume control and the manual. `open` opens a folder, file or address with the
// desktop's program for it (the window's host).
#pragma once

#include <QString>

#include <functional>

using TShellOpener = std::function<bool(const QString&)>;

// The output folder, or a box saying that it does not exist.
void OpenOutputFolder(const TShellOpener& open);
// The first volume control that is installed, or a box naming one to install.
void OpenVolumeControl();
// The manual shipped with the program, or a box saying that it cannot be found.
void OpenManual(const TShellOpener& open);
