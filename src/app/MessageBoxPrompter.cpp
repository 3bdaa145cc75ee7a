// Message boxes for the GUI (see MessageBoxPrompter.h).
#include "app/MessageBoxPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include <algorithm>

TPromptAnswer TMessageBoxPrompter::Show(const QString& text, TPromptIcon icon, TPromptButtons buttons,
                                        TPromptAnswer defaultAnswer) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(ApplicationTitle());
    box.setText(text);
    switch (icon) {
    case TPromptIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case TPromptIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TPromptIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case TPromptIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case TPromptIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case TPromptButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case TPromptButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case TPromptButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case TPromptButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    const QStringList captions = NextButtonTexts;
    NextButtonTexts.clear();
    const QMessageBox::StandardButton order[] = {
        buttons == TPromptButtons::Ok || buttons == TPromptButtons::OkCancel ? QMessageBox::Ok : QMessageBox::Yes,
        buttons == TPromptButtons::OkCancel ? QMessageBox::Cancel : QMessageBox::No, QMessageBox::Cancel};
    for (int i = 0; i < std::min<int>(3, int(captions.size())); ++i)
        if (QAbstractButton* b = box.button(order[i]); b && !captions[i].isEmpty())
            b->setText(captions[i]);
    switch (defaultAnswer) {
    case TPromptAnswer::Ok:
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case TPromptAnswer::Cancel:
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    case TPromptAnswer::Yes:
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case TPromptAnswer::No:
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TPromptAnswer::Yes;
    case QMessageBox::No:
        return TPromptAnswer::No;
    case QMessageBox::Cancel:
        return TPromptAnswer::Cancel;
    default:
        return TPromptAnswer::Ok;
    }
}
