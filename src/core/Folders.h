// Folders the program chooses for the user: the default output folder, made when it is first
// needed, and the folder each kind of file dialog starts in (the one last used for that kind
// of file, kept in options.ini, else the home folder). Main thread only, as the settings.
#pragma once

#include <QString>

// The default output folder (DefaultOutputFolder) is created without asking when `folder`
// names it and it is missing; a folder the user typed is never created here. True when
// `folder` exists afterwards.
bool MakeDefaultOutputFolder(const QString& folder);

enum class TFileKind { Wav, Mp3, Ogg, Image, Cover };

// The folder a file dialog for `kind` starts in: the one last used when it still exists,
// else the home folder.
QString StartFolder(TFileKind kind);
// Notes the folder of `path` (a file, or a folder chosen as such) as the last used for `kind`.
void RememberFolder(TFileKind kind, const QString& path);
