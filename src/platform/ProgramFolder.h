// The program folder: where options.ini, cdinfo.dat, the language files and the helper
// programs live. It is the executable's folder when that is writable (portable use), else
// ~/.local/share/discwright. Tests point it at a folder of their own.
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
