// The CD rip progress window (see RipProgressForm.h).
#include "jobs/RipProgressForm.h"

#include "jobs/CDInputSource.h"

#include "core/LanguageText.h"
#include "core/Settings.h"
#include "jobs/RipForm.h"
#include "jobs/RipTracksPanel.h"
#include "platform/Prompter.h"
#include "widgets/FlatButton.h"
#include "widgets/FlatGauge.h"
#include "widgets/Language.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel* AddRow(QGridLayout* grid, int row, const char* captionName, const char* caption, const char* valueName) {
    auto* label = new QLabel(QString::fromLatin1(caption));
    label->setObjectName(QLatin1String(captionName));
    auto* value = new QLabel;
    value->setObjectName(QLatin1String(valueName));
    grid->addWidget(label, row, 0);
    grid->addWidget(value, row, 1);
    return value;
}

// The pipeline names its steps on the hint line in English; the window shows them in the
// user's language. Any other line (a failure) is already in it.
QString StepText(const QString& text) {
    static const struct {
        const char* English;
        const char* Key;
    } steps[] = {{"Extracting...", "RES_Step_Extracting"},
                 {"Encoding...", "RES_Step_Encoding"},
                 {"Testing...", "RES_Step_Testing"},
                 {"Initializing...", "RES_Initing"}};
    for (const auto& step : steps)
        if (text == QLatin1String(step.English))
            return ResText(step.Key, step.English);
    return text;
}

} // namespace

TfrmCDRip::TfrmCDRip(QWidget* mainWindow, const TRipRequest& request, TCDIn& cdIn, TMp3EncodeProcess* mp3,
                     TWMAEncodeProcess* wma)
    : QDialog(mainWindow) {
    setObjectName(QStringLiteral("frmCDRip"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(true);
    setWindowTitle(ApplicationTitle());

    auto* grid = new QGridLayout;
    lCurrentTrack = AddRow(grid, 0, "Label1", "Current track:", "lCurrentTrack");
    lOutputFormat = AddRow(grid, 1, "Label2", "Output format:", "lOutputFormat");
    lSelectedTracks = AddRow(grid, 2, "Label3", "Selected tracks:", "lSelectedTracks");
    lCompleted = AddRow(grid, 3, "Label4", "Completed:", "lCompleted");
    lCurrentTrack->setMinimumWidth(260);
    lProgressHint = new QLabel;
    lProgressHint->setObjectName(QStringLiteral("lProgressHint"));
    lProgressHint->setWordWrap(true);
    ProgressBar2 = new TFlatGauge;
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    bStop = new TFlatButton(QStringLiteral("Stop"));
    bStop->setObjectName(QStringLiteral("bStop"));
    bStop->setAutoDefault(false);
    connect(bStop, &QPushButton::clicked, this, &TfrmCDRip::bStopClick);

    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addWidget(lProgressHint);
    main->addWidget(ProgressBar2);
    // What the last track came to (its AccurateRip result).
    lResult = new QLabel;
    lResult->setObjectName(QStringLiteral("lResult"));
    lResult->setWordWrap(true);
    lResult->hide();
    main->addWidget(lResult);
    Panel = new TRipTracksPanel;
    main->addWidget(Panel);
    main->addWidget(bStop, 0, Qt::AlignRight);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Controller = std::make_unique<TRipPipeline>(request, std::make_unique<TCDInputSource>(request, cdIn),
                                                TRipWindow::CDRip, mp3, wma);
    connect(Controller.get(), &TRipPipeline::Changed, this, &TfrmCDRip::ShowJob);
    connect(Controller.get(), &TRipPipeline::CloseRequested, this, &TfrmCDRip::JobEnded, Qt::QueuedConnection);
    // The hint line goes on to the next track: a track that was not ripped is told in a box of
    // its own, as the job window does, before the rip goes on.
    connect(Controller.get(), &TRipPipeline::Failure, this,
            [](const QString& line) { Prompter().Show(line, TPromptIcon::Error, TPromptButtons::Ok); });
    Controller->Start();
    ShowJob();
    CentreOverOwner(this, mainWindow);
}

TfrmCDRip::~TfrmCDRip() {
    Controller->Finish();
}

void TfrmCDRip::showEvent(QShowEvent* event) {
    if (!Translated && !IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    Translated = true;
    QDialog::showEvent(event);
}

void TfrmCDRip::done(int result) {
    Controller->Finish();
    QDialog::done(result);
}

void TfrmCDRip::bStopClick() {
    if (Over)
        accept();
    else
        Controller->Stop();
}

void TfrmCDRip::JobEnded() {
    Over = true;
    bStop->setText(ResText("RES_Rip_Close", "Close"));
    ShowJob();
}

void TfrmCDRip::ShowJob() {
    const TRipPipeline& job = *Controller;
    lCurrentTrack->setText(job.CurrentTrack);
    lOutputFormat->setText(job.OutputFormatText);
    lSelectedTracks->setText(job.SelectedTracks);
    lCompleted->setText(job.Completed);
    lProgressHint->setText(StepText(job.ProgressHint));
    lResult->setText(job.ResultLine);
    lResult->setVisible(!job.ResultLine.isEmpty());
    ProgressBar2->setToolTip(StepText(job.GaugeHint));
    if (job.Progress.PercentKnown)
        ProgressBar2->SetProgress(job.Progress.Percent);
    else
        ProgressBar2->Reset();
    Panel->Show(job);
}
