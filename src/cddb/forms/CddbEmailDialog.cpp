// The question for the CDDB e-mail address (see CddbEmailDialog.h).
#include "cddb/forms/CddbEmailDialog.h"

#include "core/LanguageText.h"
#include "platform/Prompter.h"

#include <QInputDialog>
#include <QLineEdit>

bool AskCddbEmail(QWidget* parent, QString& email) {
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgCddbEmail"));
    dialog.setWindowTitle(ApplicationTitle());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(ResText("RES_CDDB_AskEmail",
                                "gnudb, the default CDDB server, answers only queries that carry the e-mail address "
                                "of their user. Please type yours; it is sent with every CDDB query and kept in the "
                                "options:"));
    dialog.setTextValue(email);
    dialog.setTextEchoMode(QLineEdit::Normal);
    dialog.resize(460, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted || dialog.textValue().trimmed().isEmpty())
        return false;
    email = dialog.textValue().trimmed();
    return true;
}
