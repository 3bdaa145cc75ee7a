// File dialogs that start in the folder last used for their kind of file (else the home
// folder, never the program's own folder) and remember the folder of the answer.
#pragma once

#include "core/Folders.h"

#include <QString>
#include <QStringList>

class QWidget;

// An existing file; empty when cancelled. `filter` is a Qt name filter list (";;"-separated).
QString AskOpenFile(QWidget* parent, TFileKind kind, const QString& title, const QString& filter);
// One or more existing files; empty when cancelled.
QStringList AskOpenFiles(QWidget* parent, TFileKind kind, const QString& title, const QString& filter);

struct TSaveDialog {
    QString Title;
    QString Filter;
    // Added to a name typed without an extension.
    QString DefaultSuffix;
    // Only an existing file can be chosen (a tag goes into an MP3 that is already there).
    bool ExistingOnly = false;
    // The dialog asks before a name of an existing file is taken. Off where the caller asks
    // itself, when it really writes.
    bool ConfirmOverwrite = true;
};
// A save dialog (its title, a Save button); empty when cancelled.
QString AskSaveFile(QWidget* parent, TFileKind kind, const TSaveDialog& options);
