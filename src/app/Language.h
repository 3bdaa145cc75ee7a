// Language packs: "CLan_" + language + ".ini" files beside the executable. ApplyLanguage
// replaces the texts of a window's controls; LoadResText looks up a user message.
#pragma once

#include <QString>

class QWidget;
class QAction;

// Path of the language file that would be used for a language: the first existing one of the
// language folders, else the one in the program folder.
QString LanguageFilePath(const QString& language);
bool IsEnglish(const QString& language);

// The message of `key` in the current language; the English text when the language is English.
// The file is opened for each lookup; a missing file or key gives an empty text.
QString LoadResText(const QString& key, const QString& english);

// Applies a language file to a window and every widget, menu and action it owns.
void ApplyLanguage(QWidget* window, const QString& language);

// The Language menu's action: switches when the item's file exists (the item's name without its
// "mi" prefix is the language), checks it and unchecks its siblings, and applies the file to
// `window`; otherwise shows the not-found box. True when the language was switched.
bool SwitchLanguage(QWidget* window, QAction* item);
