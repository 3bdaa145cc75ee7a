// TfrmOggPlayer: the player window's widgets, wired to TOggPlayer.
#include "vorbis/OggPlayerForm.h"

#include "core/Settings.h"
#include "widgets/FileDialogs.h"
#include "widgets/FlatButton.h"
#include "widgets/Language.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QPushButton* PictureButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    button->setFixedWidth(44);
    return button;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TfrmOggPlayer::TfrmOggPlayer(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmOggPlayer"));
    setWindowTitle(QStringLiteral("Ogg Player"));
    ChooseFile = [](QWidget* parent) {
        return AskOpenFile(parent, TFileKind::Ogg, ResText("RES_Dialog_Open_Ogg", "Open an Ogg file"),
                           ResText("RES_Filter_Ogg", "Ogg Vorbis file(*.ogg) (*.ogg);;Any file(*.*) (*)"));
    };

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setToolTip(QStringLiteral("Press 'Play' button to open and play ogg file."));
    lFileName = Label(panel, "lFileName", QStringLiteral("OGG"));
    QFont bold = lFileName->font();
    bold.setBold(true);
    lFileName->setFont(bold);
    lSampleRate = Label(panel, "lSampleRate", QStringLiteral("bps"));
    lCurrentTime = Label(panel, "lCurrentTime", QStringLiteral("0:00"));
    auto* slash = Label(panel, "Label1", QStringLiteral("/"));
    lTotalTime = Label(panel, "lTotalTime", QStringLiteral("0:00"));
    auto* panelLayout = new QGridLayout(panel);
    panelLayout->addWidget(lFileName, 0, 0, 1, 4);
    panelLayout->addWidget(lSampleRate, 1, 0);
    panelLayout->addWidget(lCurrentTime, 1, 1, Qt::AlignRight);
    panelLayout->addWidget(slash, 1, 2);
    panelLayout->addWidget(lTotalTime, 1, 3);
    panelLayout->setColumnStretch(0, 1);

    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setRange(0, 100);
    ScrollBar1->setEnabled(false);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFixedHeight(110);

    BitBtn1 = PictureButton(this, "BitBtn1", QStyle::SP_MediaPlay);
    BitBtn1->setToolTip(QStringLiteral("Press to open and play ogg file."));
    BitBtn2 = PictureButton(this, "BitBtn2", QStyle::SP_MediaPause);
    bStop = PictureButton(this, "bStop", QStyle::SP_MediaStop);
    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(0, 10);
    TrackBar1->setValue(5);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    bClose = new TFlatButton(QStringLiteral("Close"), this);
    bClose->setObjectName(QStringLiteral("bClose"));
    bClose->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(bStop);
    buttons->addWidget(TrackBar1, 1);
    buttons->addWidget(bClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(ScrollBar1);
    layout->addWidget(Memo1);
    layout->addLayout(buttons);
    setFixedSize(360, sizeHint().height());

    connect(BitBtn1, &QPushButton::clicked, this, &TfrmOggPlayer::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmOggPlayer::BitBtn2Click);
    connect(bStop, &QPushButton::clicked, this, &TfrmOggPlayer::bStopClick);
    connect(bClose, &QPushButton::clicked, this, &TfrmOggPlayer::bCloseClick);
    connect(TrackBar1, &QSlider::valueChanged, this, &TfrmOggPlayer::TrackBar1Change);
    // Page and arrow clicks seek at once; a drag seeks where the thumb is let go.
    connect(ScrollBar1, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            ScrollBar1Scroll(ScrollBar1->sliderPosition());
    });
    connect(ScrollBar1, &QScrollBar::sliderReleased, this, [this] { ScrollBar1Scroll(ScrollBar1->sliderPosition()); });
    connect(&Player, &TOggPlayer::Changed, this, &TfrmOggPlayer::Refresh);
    connect(&Player, &TOggPlayer::CloseRequested, this,
            [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });
}

TfrmOggPlayer::~TfrmOggPlayer() {
    // The controller goes after the widgets; it must not update them meanwhile.
    disconnect(&Player, nullptr, this, nullptr);
}

void TfrmOggPlayer::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!Shown && !IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    Shown = true;
}

void TfrmOggPlayer::closeEvent(QCloseEvent* event) {
    if (!Player.QueryClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmOggPlayer::reject() {
    if (!Player.CloseAllowed) {
        Player.Close();
        return;
    }
    QDialog::reject();
}

void TfrmOggPlayer::BitBtn1Click() {
    try {
        Player.OpenAndPlay(ChooseFile ? ChooseFile(this) : QString());
    } catch (...) {
        // Errors from the dialog onwards are not shown.
    }
}

void TfrmOggPlayer::BitBtn2Click() {
    Player.PauseOrResume();
}

void TfrmOggPlayer::bStopClick() {
    Player.StopPlayback();
}

void TfrmOggPlayer::bCloseClick() {
    Player.Close();
}

void TfrmOggPlayer::ScrollBar1Scroll(int position) {
    Player.Scroll(position);
    Refresh();
}

void TfrmOggPlayer::TrackBar1Change(int position) {
    Player.SetBalancePosition(position);
}

void TfrmOggPlayer::Refresh() {
    lFileName->setText(Player.FileNameText);
    lSampleRate->setText(Player.SampleRateText);
    lCurrentTime->setText(Player.CurrentTimeText);
    lTotalTime->setText(Player.TotalTimeText);
    BitBtn1->setEnabled(Player.OpenEnabled);
    ScrollBar1->setEnabled(Player.ScrollEnabled);
    if (!ScrollBar1->isSliderDown())
        ScrollBar1->setValue(Player.ScrollPosition);
    const QString comments = Player.CommentLines.join('\n');
    if (Memo1->toPlainText() != comments)
        Memo1->setPlainText(comments);
}

void ShowOggPlayer(QWidget* owner) {
    try {
        TfrmOggPlayer form(owner);
        form.exec();
    } catch (...) {
        // The player is an extra; its failures never reach the main window.
    }
}
