// The new-recording dialog (see NewRecordFileForm.h).
#include "record/NewRecordFileForm.h"

#include "core/Settings.h"
#include "widgets/FlatButton.h"
#include "widgets/Language.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TfrmNewRecordFile::TfrmNewRecordFile(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmNewRecordFile"));
    setWindowTitle(QStringLiteral("New sound file"));

    auto* group = Named(new QGroupBox(QStringLiteral("Record Property")), "GroupBox1");
    cbSampleRate = Named(new QComboBox, "cbSampleRate");
    // The list's texts as the dialog has always shown them (8000 indented to line up).
    for (int32_t rate : RecordSampleRates)
        cbSampleRate->addItem(rate == 8000 ? QStringLiteral("  8000") : QString::number(rate), rate);
    cbSampleRate->setCurrentIndex(cbSampleRate->findData(44100));
    rb8bit = Named(new QRadioButton(QStringLiteral("8bit")), "rb8bit");
    rb16bit = Named(new QRadioButton(QStringLiteral("16bit")), "rb16bit");
    rb16bit->setChecked(true);
    rbMono = Named(new QRadioButton(QStringLiteral("Mono")), "rbMono");
    rbStereo = Named(new QRadioButton(QStringLiteral("Stereo")), "rbStereo");
    rbStereo->setChecked(true);
    // The two pairs are separate choices.
    auto* bits = new QButtonGroup(this);
    bits->addButton(rb8bit);
    bits->addButton(rb16bit);
    auto* mode = new QButtonGroup(this);
    mode->addButton(rbMono);
    mode->addButton(rbStereo);

    auto* grid = new QGridLayout(group);
    grid->addWidget(Named(new QLabel(QStringLiteral("Bitrate："), group), "lBitrate"), 0, 0);
    grid->addWidget(cbSampleRate, 0, 1, 1, 2);
    grid->addWidget(Named(new QLabel(QStringLiteral("Data："), group), "lData"), 1, 0);
    grid->addWidget(rb8bit, 1, 1);
    grid->addWidget(rb16bit, 1, 2);
    grid->addWidget(Named(new QLabel(QStringLiteral("Mode："), group), "lMode"), 2, 0);
    grid->addWidget(rbMono, 2, 1);
    grid->addWidget(rbStereo, 2, 2);

    auto* ok = Named(new TFlatButton(QStringLiteral("OK")), "btOK");
    ok->setDefault(true);
    auto* cancel = Named(new TFlatButton(QStringLiteral("Cancel")), "btCancel");
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

TRecordFormat TfrmNewRecordFile::Format() const {
    TRecordFormat f;
    f.SampleRate = cbSampleRate->currentData().toInt();
    f.BitsPerSample = rb8bit->isChecked() ? 8 : 16;
    f.Channels = rbMono->isChecked() ? 1 : 2;
    return f;
}

void TfrmNewRecordFile::showEvent(QShowEvent* event) {
    if (!IsEnglish(Settings.Lan))
        ApplyLanguage(this, Settings.Lan);
    QDialog::showEvent(event);
}
