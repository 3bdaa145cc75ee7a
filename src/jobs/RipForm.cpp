// The conversion job window (see RipForm.h).
#include "jobs/RipForm.h"

#include "core/LanguageText.h"
#include "core/Settings.h"
#include "jobs/RipPipeline.h"
#include "jobs/RipTracksPanel.h"
#include "widgets/FlatButton.h"
#include "widgets/FlatGauge.h"
#include "widgets/Language.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QLabel* NamedLabel(const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

// Centres a job window over its owner, the division truncated toward zero.
void CentreOverOwner(QWidget* window, QWidget* owner) {
    if (!owner)
        return;
    window->adjustSize();
    const QRect o = owner->frameGeometry();
    window->move(o.left() + (o.width() - window->width()) / 2, o.top() + (o.height() - window->height()) / 2);
}

TRipForm::TRipForm(QWidget* owner, std::unique_ptr<TJobController> job) : QDialog(owner), Controller(std::move(job)) {
    setObjectName(QStringLiteral("RipForm"));
    setFont(QFont(QStringLiteral("Verdana"), 9));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    GroupBox1 = new QGroupBox(QStringLiteral("Extracting"));
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(GroupBox1);
    Label10 = NamedLabel("Label10", QStringLiteral("Time elapsed:"));
    Label20 = NamedLabel("Label20", QStringLiteral("Time estimated:"));
    Label1 = NamedLabel("Label1", QString());
    Label2 = NamedLabel("Label2", QString());
    Label1->setMinimumWidth(60);
    grid->addWidget(Label10, 0, 0);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Label20, 1, 0);
    grid->addWidget(Label2, 1, 1);
    FlatGauge1 = new TFlatGauge;
    FlatGauge1->setObjectName(QStringLiteral("FlatGauge1"));
    FlatGauge1->setMinimumWidth(320);
    // "Initializing..." lies over the gauge until the first real report.
    Label3 = NamedLabel("Label3", QStringLiteral("Initializing..."));
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid->addWidget(FlatGauge1, 2, 0, 1, 2);
    grid->addWidget(Label3, 2, 0, 1, 2);
    // What the last track came to (its AccurateRip result), under the gauge.
    lResult = NamedLabel("lResult", QString());
    lResult->setWordWrap(true);
    lResult->hide();
    grid->addWidget(lResult, 3, 0, 1, 2);
    Rip = qobject_cast<TRipPipeline*>(Controller.get());
    if (Rip) {
        Panel = new TRipTracksPanel;
        grid->addWidget(Panel, 4, 0, 1, 2);
    }

    Image1 = new QLabel;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveCDIcon).pixmap(32, 32));
    btStop = new TFlatButton(QStringLiteral("Stop"));
    btStop->setObjectName(QStringLiteral("btStop"));
    btStop->setAutoDefault(false);
    connect(btStop, &QPushButton::clicked, this, &TRipForm::btStopClick);

    auto* side = new QVBoxLayout;
    side->addWidget(Image1, 0, Qt::AlignHCenter);
    side->addStretch();
    side->addWidget(btStop);
    auto* main = new QHBoxLayout(this);
    main->addWidget(GroupBox1, 1);
    main->addLayout(side);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(Controller.get(), &TJobController::Changed, this, &TRipForm::ShowJob);
    // The last end event may arrive before the window is shown (a run refused at once); the
    // close waits for the event loop of exec().
    connect(Controller.get(), &TJobController::CloseRequested, this, &TRipForm::JobEnded, Qt::QueuedConnection);
    Controller->Start();
    ShowJob();
    CentreOverOwner(this, owner);
}

TRipForm::~TRipForm() {
    Controller->Finish();
}

void TRipForm::done(int result) {
    Controller->Finish();
    QDialog::done(result);
}

void TRipForm::showEvent(QShowEvent* event) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    ShowJob();
    QDialog::showEvent(event);
}

void TRipForm::btStopClick() {
    if (Over)
        accept();
    else
        Controller->Stop();
}

void TRipForm::JobEnded() {
    // Conversions close; a rip stays with its summary until the user has read it.
    Over = true;
    if (!Rip) {
        accept();
        return;
    }
    btStop->setText(ResText("RES_Rip_Close", "Close"));
    ShowJob();
}

void TRipForm::ShowJob() {
    const TJobController& job = *Controller;
    if (!job.Caption.isEmpty())
        setWindowTitle(job.Caption);
    GroupBox1->setTitle(job.GroupCaption);
    Label1->setText(job.Progress.Elapsed);
    Label2->setText(job.Progress.Estimated);
    Label3->setText(job.InitText);
    Label3->setVisible(job.Progress.InitVisible);
    if (job.Progress.PercentKnown)
        FlatGauge1->SetProgress(job.Progress.Percent);
    else
        FlatGauge1->Reset();
    lResult->setText(job.ResultLine);
    lResult->setVisible(!job.ResultLine.isEmpty());
    if (Panel)
        Panel->Show(*Rip);
}
