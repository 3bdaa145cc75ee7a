// The sound recorder window (see RecordForm.h).
#include "record/RecordForm.h"

#include "core/Settings.h"
#include "jobs/ConvertJob.h"
#include "jobs/RipForm.h"
#include "platform/ProductPages.h"
#include "record/NewRecordFileForm.h"
#include "widgets/AfStartButton.h"
#include "widgets/Language.h"
#include "widgets/ManualWindow.h"

#include <QAction>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The Record button's red dot; the platform style has no record icon.
QIcon RecordIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 0, 0));
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(pixmap);
}

QString RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& title, const QString& folder,
                      const QString& defaultSuffix) {
    QFileDialog dialog(parent, title, folder);
    dialog.setAcceptMode(mode);
    // Any name: the recorder itself tells the user about a file that is not there.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(ResText("RES_Filter_Wav", "Sound file(*.wav) (*.wav);;Any file(*.*) (*)")
                              .split(QStringLiteral(";;"), Qt::SkipEmptyParts));
    dialog.setDefaultSuffix(defaultSuffix);
    // The recorder asks about overwriting itself, and warns about missing files itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

TfrmRecord::TfrmRecord(QWidget* owner, std::unique_ptr<TWaveDevice> device)
    : QDialog(owner), Controller(this, std::move(device)) {
    setObjectName(QStringLiteral("frmRecord"));

    auto* group = Named(new QGroupBox(QStringLiteral("Record")), "GroupBox1");
    lbState = Named(new QLabel, "lbState");
    lbState->setAlignment(Qt::AlignCenter);

    MediaPlayer1 = Named(new QWidget, "MediaPlayer1");
    MediaPlayer1->setToolTip(
        QStringLiteral("The buttons are Play,Stop,Next, Previous, Step, Back, StartRecording, and Eject."));
    auto* player = new QHBoxLayout(MediaPlayer1);
    player->setContentsMargins(0, 0, 0, 0);
    player->setSpacing(1);
    struct TButtonInfo {
        TMPBtnType Type;
        const char* Name;
        QStyle::StandardPixmap Icon;
    };
    const TButtonInfo shown[] = {
        {btPlay, "btPlay", QStyle::SP_MediaPlay},        {btStop, "btStop", QStyle::SP_MediaStop},
        {btNext, "btNext", QStyle::SP_MediaSkipForward}, {btPrev, "btPrev", QStyle::SP_MediaSkipBackward},
        {btStep, "btStep", QStyle::SP_MediaSeekForward}, {btBack, "btBack", QStyle::SP_MediaSeekBackward},
        {btRecord, "btRecord", QStyle::SP_CustomBase},
    };
    for (const TButtonInfo& b : shown) {
        auto* button = Named(new QToolButton(MediaPlayer1), b.Name);
        button->setIcon(b.Type == btRecord ? RecordIcon() : style()->standardIcon(b.Icon));
        button->setAutoRaise(false);
        const TMPBtnType type = b.Type;
        connect(button, &QToolButton::clicked, this, [this, type] { Controller.ButtonClick(type); });
        player->addWidget(button);
        Buttons[b.Type] = button;
    }
    player->addStretch(1);

    TrackBar1 = Named(new QSlider(Qt::Horizontal), "TrackBar1");
    TrackBar1->setRange(0, 400);
    TrackBar1->setTickInterval(40);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    connect(TrackBar1, &QSlider::valueChanged, this, [this](int v) {
        if (v != Controller.Slider)
            Controller.SliderChanged(v);
    });

    lbPosition = Named(new QLabel, "lbPosition");
    lbLength = Named(new QLabel, "lbLength");
    panRecordTime = Named(new QLabel, "panRecordTime");
    panRecordTime->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panRecordTime->setAlignment(Qt::AlignCenter);
    panRecordTime->setToolTip(QStringLiteral("The time length of current recording"));
    QFont timeFont = panRecordTime->font();
    timeFont.setPointSizeF(timeFont.pointSizeF() * 1.6);
    timeFont.setBold(true);
    panRecordTime->setFont(timeFont);

    auto* grid = new QGridLayout(group);
    grid->addWidget(lbState, 0, 0, 1, 4);
    grid->addWidget(panRecordTime, 1, 0, 1, 4);
    grid->addWidget(MediaPlayer1, 2, 0, 1, 4);
    grid->addWidget(TrackBar1, 3, 0, 1, 4);
    grid->addWidget(Named(new QLabel(QStringLiteral("Position")), "Label1"), 4, 0);
    grid->addWidget(lbPosition, 4, 1);
    grid->addWidget(Named(new QLabel(QStringLiteral("Length")), "Label3"), 4, 2);
    grid->addWidget(lbLength, 4, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    StartMenu = Named(new QMenu(this), "StartMenu");
    auto addItem = [this](const char* name, const QString& text) {
        QAction* a = StartMenu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    miNew = addItem("miNew", QStringLiteral("&New..."));
    miOpen = addItem("miOpen", QStringLiteral("&Open..."));
    miSave = addItem("miSave", QStringLiteral("&Save"));
    miSaveAs = addItem("miSaveAs", QStringLiteral("Save &As..."));
    miUndo = addItem("miUndo", QStringLiteral("&Undo"));
    StartMenu->addSeparator();
    miRecordControl = addItem("miRecordControl", QStringLiteral("&Recording Control..."));
    miSaveMp3 = addItem("miSaveMp3", QStringLiteral("&MP3 format"));
    miSaveMp3->setCheckable(true);
    StartMenu->addSeparator();
    miExit = addItem("miExit", QStringLiteral("&Exit"));
    connect(miNew, &QAction::triggered, &Controller, &TRecordController::New);
    connect(miOpen, &QAction::triggered, &Controller, &TRecordController::Open);
    connect(miSave, &QAction::triggered, &Controller, &TRecordController::Save);
    connect(miSaveAs, &QAction::triggered, &Controller, &TRecordController::SaveAs);
    connect(miUndo, &QAction::triggered, &Controller, &TRecordController::Undo);
    connect(miRecordControl, &QAction::triggered, &Controller, &TRecordController::RecordingControl);
    connect(miSaveMp3, &QAction::toggled, &Controller, &TRecordController::SetSaveMp3);
    connect(miExit, &QAction::triggered, &Controller, &TRecordController::Exit);
    connect(StartMenu, &QMenu::aboutToShow, this, &TfrmRecord::UpdateMenu);

    AfStartButton1 = Named(new TAfStartButton(QStringLiteral("Start")), "AfStartButton1");
    connect(AfStartButton1, &QAbstractButton::clicked, this,
            [this] { StartMenu->popup(AfStartButton1->mapToGlobal(QPoint(0, AfStartButton1->height()))); });

    auto* link =
        Named(new QLabel(QStringLiteral("<a href=\"%1\">Discwright</a>").arg(HomePageUrl().toHtmlEscaped())), "lbLink");
    connect(link, &QLabel::linkActivated, this, [this](const QString& url) { OpenInDesktop(this, url); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(AfStartButton1);
    bottom->addStretch(1);
    bottom->addWidget(link);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(bottom);

    NewFileDialog = [this](TRecordFormat& format) {
        TfrmNewRecordFile dialog(this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        format = dialog.Format();
        return true;
    };
    OpenDialog1 = [this](const QString& folder) {
        return RunFileDialog(this, QFileDialog::AcceptOpen,
                             ResText("RES_Dialog_Open_Sound", "Please select a sound file to open"), folder,
                             QStringLiteral("wav"));
    };
    SaveDialog1 = [this](const QString& folder) {
        return RunFileDialog(this, QFileDialog::AcceptSave, ResText("RES_Dialog_Save_As", "Save As"), folder,
                             QStringLiteral("wav"));
    };

    miSaveMp3->setChecked(Controller.SaveMp3);
    connect(&Controller, &TRecordController::Changed, this, &TfrmRecord::Refresh);
    Refresh();
}

TfrmRecord::~TfrmRecord() {
    if (!Closed)
        Controller.FormClose();
}

void TfrmRecord::Refresh() {
    setWindowTitle(Controller.Caption);
    lbState->setText(Controller.StateText);
    lbPosition->setText(Controller.PositionText);
    lbLength->setText(Controller.LengthText);
    panRecordTime->setText(Controller.RecordTimeText);
    if (TrackBar1->value() != Controller.Slider)
        TrackBar1->setValue(Controller.Slider);
    for (size_t i = 0; i < Buttons.size(); ++i)
        if (Buttons[i])
            Buttons[i]->setEnabled(Controller.IsEnabled(TMPBtnType(i)));
    if (miSaveMp3->isChecked() != Controller.SaveMp3)
        miSaveMp3->setChecked(Controller.SaveMp3);
    UpdateMenu();
}

void TfrmRecord::UpdateMenu() {
    miSave->setEnabled(Controller.SaveEnabled());
    miSaveAs->setEnabled(Controller.SaveEnabled());
    miUndo->setEnabled(Controller.UndoEnabled());
}

void TfrmRecord::showEvent(QShowEvent* event) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    Refresh();
    QDialog::showEvent(event);
}

bool TfrmRecord::AskNewFormat(TRecordFormat& format) {
    return NewFileDialog(format);
}

QString TfrmRecord::AskOpenFile(const QString& folder) {
    return OpenDialog1(folder);
}

QString TfrmRecord::AskSaveFile(const QString& folder) {
    return SaveDialog1(folder);
}

bool TfrmRecord::RunMp3Export(const QString& wavFile) {
    Exporting = true;
    TRipForm form(this,
                  std::make_unique<TConvertJob>(TJobKind::RecordingToMp3, QStringList{wavFile}, QString(), Mp3Encoder));
    form.exec();
    Exporting = false;
    return form.Job().Succeeded();
}

void TfrmRecord::CloseWindow() {
    close();
}

void TfrmRecord::done(int result) {
    if (Exporting)
        return;
    if (!Closed) {
        if (!Controller.FormCloseQuery())
            return;
        Controller.FormClose();
        Closed = true;
    }
    QDialog::done(result);
}
