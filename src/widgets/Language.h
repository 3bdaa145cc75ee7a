// Language packs applied to widgets: ApplyLanguage replaces the texts of a window's controls;
// SwitchLanguage is the Language menu's action. The lookups without widgets are in
// LanguageText.h.
#pragma once

#include "core/LanguageText.h"

class QWidget;
class QAction;

// Applies a language file to a window and every widget, menu and action it owns.
void ApplyLanguage(QWidget* window, const QString& language);

// What a language file says about the whole application (section "Language"): Qt's own texts
// (file dialogs, the buttons of message boxes) in the file's Locale, from Qt's translations
// when they are installed, and the layout direction (Direction=RightToLeft for Arabic and
// Hebrew). English, or a file without the section, gives Qt's English texts, left to right.
void ApplyApplicationLanguage(const QString& language);

// The Language menu's action: switches when the item's file exists (the item's name without its
// "mi" prefix is the language), checks it and unchecks its siblings, and applies the file to
// `window`; otherwise shows the not-found box. True when the language was switched.
bool SwitchLanguage(QWidget* window, QAction* item);
