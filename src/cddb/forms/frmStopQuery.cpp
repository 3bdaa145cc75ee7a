// The stop window (see frmStopQuery.h).
#include "cddb/forms/frmStopQuery.h"

#include "core/Settings.h"
#include "widgets/Language.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmStopQuery::TfrmStopQuery(std::unique_ptr<TStopQueryController> controller, QWidget* owner)
    : QDialog(owner), Controller(std::move(controller)) {
    setObjectName(QStringLiteral("frmStopQuery"));
    setWindowTitle(QStringLiteral("Query CDDB..."));
    // No title-bar buttons: the window ends through its own button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);

    lQuery = new QLabel(QStringLiteral("Query CDDB..."));
    lQuery->setObjectName(QStringLiteral("lQuery"));
    lQuery->setAlignment(Qt::AlignCenter);
    lQuery->setMinimumSize(260, 40);
    // The server answered: the network is not the cause.
    pNoMatch = new QLabel(QStringLiteral("No match found,perhaps:\n1.No information in CDDB server\n"
                                         "2.error CDDB options"));
    pNoMatch->setObjectName(QStringLiteral("pNoMatch"));
    pNoMatch->setFrameShape(QFrame::StyledPanel);
    pNoMatch->setMargin(6);
    pNoMatch->setWordWrap(true);
    pNoMatch->setMinimumWidth(260);
    pNoMatch->hide();
    bStop = new QPushButton(QStringLiteral("Stop"));
    bStop->setObjectName(QStringLiteral("bStop"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bStop);
    buttons->addStretch(1);
    auto* all = new QVBoxLayout(this);
    all->addWidget(lQuery);
    all->addWidget(pNoMatch);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);

    connect(bStop, &QPushButton::clicked, Controller.get(), &TStopQueryController::StopClick);
    connect(Controller.get(), &TStopQueryController::Changed, this, &TfrmStopQuery::UpdateControls);
    connect(Controller.get(), &TStopQueryController::Finished, this,
            [this](TStopQueryEnd end) { done(end == TStopQueryEnd::Yes ? QDialog::Accepted : QDialog::Rejected); });
}

TfrmStopQuery::~TfrmStopQuery() = default;

void TfrmStopQuery::showEvent(QShowEvent* e) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    NoMatchText = pNoMatch->text();
    QDialog::showEvent(e);
    Controller->Start();
}

void TfrmStopQuery::reject() {
    if (Controller->End() == TStopQueryEnd::None)
        Controller->StopClick();
    else
        QDialog::reject();
}

void TfrmStopQuery::UpdateControls() {
    const TStopQueryPanel panel = Controller->PanelState();
    lQuery->setVisible(Controller->LabelVisible());
    pNoMatch->setVisible(panel != TStopQueryPanel::Hidden);
    if (panel == TStopQueryPanel::NoMatch)
        pNoMatch->setText(NoMatchText);
    else if (panel == TStopQueryPanel::Failed)
        pNoMatch->setText(QString(Controller->FailureText()).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    if (panel != TStopQueryPanel::Hidden)
        bStop->setText(Controller->ButtonCaption());
}
