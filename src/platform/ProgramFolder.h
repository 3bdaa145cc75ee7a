// The program folder: where options.ini, cdinfo.dat, the language files and the helper
// programs live. It is the executable's folder when that is writable and the program is not
// installed (portable use), else ~/.local/share/discwright. An installed program (bin/ beside
// share/discwright/) keeps its read-only files in the share and libexec folders. Tests point
// the program folder at a folder of their own.
#pragma once

#include <QString>
#include <QStringList>

// Without trailing separator.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);
// The executable's own folder (helper programs such as wm8eutil are looked up there first).
QString ExecutableFolder();
// Folders searched for language files after the program folder (the installed share folder).
QStringList LanguageFolders();
// True when the executable lies in an installed layout: <prefix>/bin beside
// <prefix>/share/discwright. Such a program never writes beside itself, even as root.
bool IsInstalledProgram();
// The default output folder of rips and conversions: the user's music folder + "/Discwright"
// when the settings live in the per-user folder (an installed program), else "Output" in the
// program folder (a portable build, or a program folder given on the command line).
QString DefaultOutputFolder();
