// The main window's tool bar icons, drawn at run time (no image files to ship or license).
#pragma once

#include <QIcon>

enum class TToolIcon { Extract, Encode, Folder, Record, Options, Home, Exit, Disc };

QIcon ToolIcon(TToolIcon which);
