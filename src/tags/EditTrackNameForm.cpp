// The title dialog (see EditTrackNameForm.h).
#include "tags/EditTrackNameForm.h"

#include "core/Settings.h"
#include "widgets/FlatButton.h"
#include "widgets/FlatEdit.h"
#include "widgets/Language.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

TfrmEditTrackName::TfrmEditTrackName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEditTrackName"));
    setWindowTitle(QStringLiteral("Rename Track Title"));

    auto* group = new QGroupBox(QStringLiteral("Please enter the new track title"));
    group->setObjectName(QStringLiteral("GroupBox1"));
    eName = new TFlatEdit;
    eName->setObjectName(QStringLiteral("eName"));
    eName->setMinimumWidth(eName->fontMetrics().horizontalAdvance(QString(40, 'n')));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(eName);

    bOK = new TFlatButton(QStringLiteral("&OK"));
    bOK->setObjectName(QStringLiteral("bOK"));
    // Enter in the edit presses the default button, which does nothing while it is disabled.
    bOK->setDefault(true);
    bOK->setEnabled(false);
    auto* bCancel = new TFlatButton(QStringLiteral("&Cancel"));
    bCancel->setObjectName(QStringLiteral("bCancel"));
    bCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bOK);
    buttons->addWidget(bCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(eName, &QLineEdit::textChanged, &State, &TEditTrackName::SetTitle);
    connect(&State, &TEditTrackName::CanConfirmChanged, bOK, &QPushButton::setEnabled);
    connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmEditTrackName::SetTitle(const QString& title) {
    eName->setText(title);
}

void TfrmEditTrackName::showEvent(QShowEvent* event) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    eName->selectAll();
    eName->setFocus();
    QDialog::showEvent(event);
}
