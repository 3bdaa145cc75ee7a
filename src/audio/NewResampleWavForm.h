// TfrmResample, the "Wave File Converter" dialog: shows a TResampleWavController and forwards
// the clicks. The main window opens it modally from "WA&V to WAV...":
//
//     TfrmResample dialog(this);
//     dialog.exec();
//
// Its texts are fixed English; the language files do not cover it.
#pragma once

#include "audio/NewResampleWav.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStatusBar;

class TfrmResample : public QDialog {
    Q_OBJECT
public:
    explicit TfrmResample(QWidget* owner = nullptr);
    ~TfrmResample() override;

    TResampleWavController Controller;

    // The file dialogs: each returns the chosen file, empty when cancelled. Tests replace them.
    std::function<QString()> RunOpenDialog;
    std::function<QString()> RunSaveDialog;

    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label5 = nullptr;  // input file name
    QLabel* Label6 = nullptr;  // input channels
    QLabel* Label7 = nullptr;  // input sample rate
    QLabel* Label8 = nullptr;  // input bits per sample
    QLabel* Label15 = nullptr; // input encoding
    QLabel* Label10 = nullptr; // output file name
    QSpinBox* SpinEdit1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QSpinBox* SpinEdit3 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel = nullptr;

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

    // Every way of closing ends here: a running conversion is stopped first.
    void done(int result) override;

protected:
    // Translates the window's texts the first time it is shown.
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();

    bool Translated = false;
};
