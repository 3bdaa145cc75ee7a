// File dialogs with remembered folders (see FileDialogs.h).
#include "widgets/FileDialogs.h"

#include <QFileDialog>

namespace {

QStringList Run(QFileDialog& dialog, TFileKind kind) {
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty())
        RememberFolder(kind, files.constFirst());
    return files;
}

void Prepare(QFileDialog& dialog, const QString& filter) {
    dialog.setNameFilters(filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts));
}

} // namespace

QString AskOpenFile(QWidget* parent, TFileKind kind, const QString& title, const QString& filter) {
    QFileDialog dialog(parent, title, StartFolder(kind));
    Prepare(dialog, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList files = Run(dialog, kind);
    return files.isEmpty() ? QString() : files.constFirst();
}

QStringList AskOpenFiles(QWidget* parent, TFileKind kind, const QString& title, const QString& filter) {
    QFileDialog dialog(parent, title, StartFolder(kind));
    Prepare(dialog, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return Run(dialog, kind);
}

QString AskSaveFile(QWidget* parent, TFileKind kind, const TSaveDialog& options) {
    QFileDialog dialog(parent, options.Title, StartFolder(kind));
    Prepare(dialog, options.Filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(options.ExistingOnly ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(options.DefaultSuffix);
    if (!options.ConfirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList files = Run(dialog, kind);
    return files.isEmpty() ? QString() : files.constFirst();
}
