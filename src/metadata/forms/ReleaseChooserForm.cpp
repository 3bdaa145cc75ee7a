// The release chooser's window (see ReleaseChooserForm.h).
#include "metadata/forms/ReleaseChooserForm.h"

#include "core/LanguageText.h"
#include "core/Settings.h"
#include "widgets/Language.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

TfrmReleaseChooser::TfrmReleaseChooser(TReleaseChooser& chooser, const QString& source, QWidget* owner)
    : QDialog(owner), Chooser(chooser) {
    setObjectName(QStringLiteral("frmReleaseChooser"));
    setWindowTitle(QStringLiteral("Choose the release"));
    lHint = new QLabel(QStringLiteral("Several releases match this disc. Choose the one you have:"));
    lHint->setObjectName(QStringLiteral("lHint"));
    lHint->setWordWrap(true);
    auto* lSource = new QLabel(ResText("RES_Lookup_From", "From %1").arg(source));
    lSource->setObjectName(QStringLiteral("lSource"));
    lvReleases = new QTreeWidget;
    lvReleases->setObjectName(QStringLiteral("lvReleases"));
    lvReleases->setColumnCount(int(TReleaseChooser::Columns().size()));
    lvReleases->setHeaderLabels(TReleaseChooser::Columns());
    lvReleases->setRootIsDecorated(false);
    lvReleases->setUniformRowHeights(true);
    lvReleases->setAllColumnsShowFocus(true);
    lvReleases->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < Chooser.Count(); ++i)
        new QTreeWidgetItem(lvReleases, Chooser.Row(i));
    // Every column shown whole, as far as a screen's width allows.
    int width = 4 + 2 * lvReleases->frameWidth();
    for (int c = 0; c < lvReleases->columnCount(); ++c) {
        lvReleases->resizeColumnToContents(c);
        width += lvReleases->columnWidth(c);
    }
    lvReleases->setCurrentItem(lvReleases->topLevelItem(std::max(0, Chooser.Picked)));
    lvReleases->setMinimumSize(std::clamp(width, 480, 960), 200);

    bOK = new QPushButton(QStringLiteral("OK"));
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);
    bCancel = new QPushButton(QStringLiteral("Cancel"));
    bCancel->setObjectName(QStringLiteral("bCancel"));
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(bOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(bCancel, QDialogButtonBox::RejectRole);
    auto* all = new QVBoxLayout(this);
    all->addWidget(lHint);
    all->addWidget(lSource);
    all->addWidget(lvReleases, 1);
    all->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lvReleases, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
}

void TfrmReleaseChooser::showEvent(QShowEvent* e) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    QDialog::showEvent(e);
}

void TfrmReleaseChooser::done(int result) {
    Chooser.Pick(result == QDialog::Accepted && lvReleases->currentItem()
                     ? lvReleases->indexOfTopLevelItem(lvReleases->currentItem())
                     : -1);
    QDialog::done(result);
}

int ChooseRelease(QWidget* owner, TReleaseChooser& chooser, const QString& source) {
    TfrmReleaseChooser window(chooser, source, owner);
    window.exec();
    return chooser.Picked;
}
