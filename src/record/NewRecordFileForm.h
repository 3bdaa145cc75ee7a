// TfrmNewRecordFile: the "New sound file" dialog that asks for the format of a new recording
// (sample rate, 8 or 16 bits, mono or stereo).
#pragma once

#include "record/RecordController.h"

#include <QDialog>

class QComboBox;
class QRadioButton;

class TfrmNewRecordFile : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewRecordFile(QWidget* parent = nullptr);

    QComboBox* cbSampleRate = nullptr;
    QRadioButton* rb8bit = nullptr;
    QRadioButton* rb16bit = nullptr;
    QRadioButton* rbMono = nullptr;
    QRadioButton* rbStereo = nullptr;

    // The chosen format.
    TRecordFormat Format() const;

protected:
    void showEvent(QShowEvent* event) override;
};
