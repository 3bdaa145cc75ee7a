// The "Wave File Converter" dialog (see NewResampleWavForm.h).
#include "audio/NewResampleWavForm.h"

#include "audio/AuException.h"
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "widgets/FileDialogs.h"
#include "widgets/Language.h"
#include "widgets/SpinEdit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TfrmResample::TfrmResample(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmResample"));
    setWindowTitle(QStringLiteral("Wave File Converter"));

    auto* GroupBox1 = new QGroupBox(QStringLiteral("Input File Parameters"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* in = new QGridLayout(GroupBox1);
    Label5 = NewLabel(GroupBox1, "Label5", QString());
    Label6 = NewLabel(GroupBox1, "Label6", QString());
    Label7 = NewLabel(GroupBox1, "Label7", QString());
    Label8 = NewLabel(GroupBox1, "Label8", QString());
    Label15 = NewLabel(GroupBox1, "Label15", QString());
    in->addWidget(NewLabel(GroupBox1, "Label3", QStringLiteral("File Name")), 0, 0);
    in->addWidget(Label5, 0, 1);
    in->addWidget(NewLabel(GroupBox1, "Label1", QStringLiteral("Channels:")), 1, 0);
    in->addWidget(Label6, 1, 1);
    in->addWidget(NewLabel(GroupBox1, "Label2", QStringLiteral("Sample Rate:")), 2, 0);
    in->addWidget(Label7, 2, 1);
    in->addWidget(NewLabel(GroupBox1, "Label4", QStringLiteral("Bits Per Sample:")), 3, 0);
    in->addWidget(Label8, 3, 1);
    in->addWidget(NewLabel(GroupBox1, "Label14", QStringLiteral("Encoding")), 4, 0);
    in->addWidget(Label15, 4, 1);
    in->setColumnStretch(1, 1);

    auto* GroupBox2 = new QGroupBox(QStringLiteral(" Output File Parameters "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* out = new QGridLayout(GroupBox2);
    Label10 = NewLabel(GroupBox2, "Label10", QString());
    SpinEdit1 = new TSpinEdit(GroupBox2);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(1, 2);
    SpinEdit1->setValue(1);
    Edit1 = new QLineEdit(QStringLiteral("22050"), GroupBox2);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    SpinEdit3 = new TSpinEdit(GroupBox2);
    SpinEdit3->setObjectName(QStringLiteral("SpinEdit3"));
    SpinEdit3->setRange(8, 32);
    SpinEdit3->setSingleStep(8);
    SpinEdit3->setValue(8);
    ComboBox1 = new QComboBox(GroupBox2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("RAW PCM"), QStringLiteral("DVI IMA ADPCM")});
    ComboBox1->setCurrentIndex(0);
    out->addWidget(NewLabel(GroupBox2, "Label9", QStringLiteral("File Name")), 0, 0);
    out->addWidget(Label10, 0, 1);
    out->addWidget(NewLabel(GroupBox2, "Label12", QStringLiteral("Channels:")), 1, 0);
    out->addWidget(SpinEdit1, 1, 1);
    out->addWidget(NewLabel(GroupBox2, "Label11", QStringLiteral("Sample Rate:")), 2, 0);
    out->addWidget(Edit1, 2, 1);
    out->addWidget(NewLabel(GroupBox2, "Label13", QStringLiteral("Bits Per Sample:")), 3, 0);
    out->addWidget(SpinEdit3, 3, 1);
    out->addWidget(NewLabel(GroupBox2, "Label16", QStringLiteral("Encoding")), 4, 0);
    out->addWidget(ComboBox1, 4, 1);
    out->setColumnStretch(1, 1);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    auto newButton = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    Button1 = newButton("Button1", QStringLiteral("Input File..."));
    Button2 = newButton("Button2", QStringLiteral("Output File..."));
    Button3 = newButton("Button3", QStringLiteral("Convert"));
    Button4 = newButton("Button4", QStringLiteral("Abort"));
    Button5 = newButton("Button5", QStringLiteral("Close"));
    connect(Button1, &QPushButton::clicked, this, &TfrmResample::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmResample::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TfrmResample::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TfrmResample::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &QDialog::reject);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel = new QLabel(StatusBar1);
    StatusBar1->addWidget(StatusPanel, 1);

    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBox1, 1);
    groups->addWidget(GroupBox2, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Button1, Button2, Button3, Button4, Button5})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);

    RunOpenDialog = [this] {
        return AskOpenFile(this, TFileKind::Wav, ResText("RES_Dialog_Open", "Open"),
                           ResText("RES_Filter_WavFlac", "Sound file(*.wav *.flac) (*.wav *.flac);;Any file(*.*) (*)"));
    };
    // The output is always WAV; Convert asks before it replaces a file.
    RunSaveDialog = [this] {
        return AskSaveFile(this, TFileKind::Wav,
                           {.Title = ResText("RES_Dialog_Save_As", "Save As"),
                            .Filter = ResText("RES_Filter_Wav", "Sound file(*.wav) (*.wav);;Any file(*.*) (*)"),
                            .DefaultSuffix = QStringLiteral("wav"),
                            .ConfirmOverwrite = false});
    };
    connect(&Controller, &TResampleWavController::Changed, this, &TfrmResample::Refresh);
    Refresh();
}

TfrmResample::~TfrmResample() {
    Controller.Close();
}

void TfrmResample::showEvent(QShowEvent* event) {
    if (!Translated && !IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    Translated = true;
    QDialog::showEvent(event);
}

void TfrmResample::Refresh() {
    Label5->setText(Controller.InputName);
    Label6->setText(Controller.InputChannels);
    Label7->setText(Controller.InputSampleRate);
    Label8->setText(Controller.InputBits);
    Label15->setText(Controller.InputEncoding);
    Label10->setText(Controller.OutputName);
    StatusPanel->setText(Controller.StatusText);
    ProgressBar1->setValue(Controller.ProgressValue);
    Button3->setEnabled(Controller.ConvertEnabled);
    // The reader and the writer are in use while converting: their files cannot change.
    Button1->setEnabled(!Controller.Converting());
    Button2->setEnabled(!Controller.Converting());
}

void TfrmResample::Button1Click() {
    const QString file = RunOpenDialog();
    if (!file.isEmpty())
        Controller.InputFileChosen(file);
}

void TfrmResample::Button2Click() {
    const QString file = RunSaveDialog();
    if (!file.isEmpty())
        Controller.OutputFileChosen(file);
}

void TfrmResample::Button3Click() {
    try {
        Controller.Convert(SpinEdit1->value(), Edit1->text(), SpinEdit3->value(), ComboBox1->currentIndex());
    } catch (const EAuException& e) {
        Prompter().Show(e.Message(), TPromptIcon::Error, TPromptButtons::Ok);
    }
}

void TfrmResample::Button4Click() {
    Controller.Abort();
}

void TfrmResample::done(int result) {
    Controller.Close();
    QDialog::done(result);
}
