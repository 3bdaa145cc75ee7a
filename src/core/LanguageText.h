// Language packs, the part without widgets: "CLan_" + language + ".ini" files beside the
// executable. LoadResText looks up a user message; SwitchLanguageTo changes the language.
#pragma once

#include <QString>

// Path of the language file that would be used for a language: the first existing one of the
// language folders, else the one in the program folder.
QString LanguageFilePath(const QString& language);
bool IsEnglish(const QString& language);

// The message of `key` in the current language; the English text when the language is English.
// The file is opened for each lookup; a missing file or key gives an empty text.
QString LoadResText(const QString& key, const QString& english);

// The same lookup for texts the program cannot show empty (error reasons, step names): where
// the language file lacks the key, the English text.
QString ResText(const char* key, const char* english);

// Switches the Lan setting to `language` when its file exists; otherwise shows the not-found
// box (with the invitation to translate for "Other") and changes nothing.
bool SwitchLanguageTo(const QString& language);
