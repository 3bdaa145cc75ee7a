// TfrmNoDeviceHint: the dialog shown when no CD drive could be reached. It names the usual
// causes on this system and offers to open a disc image instead, or the demo disc.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmNoDeviceHint : public QDialog {
    Q_OBJECT
public:
    // exec() results.
    static constexpr int CloseResult = 1;
    static constexpr int OpenImageResult = 2;
    static constexpr int OpenDemoResult = 3;

    explicit TfrmNoDeviceHint(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* lbHint;
    QLabel* lbCause1;
    QLabel* lbCause2;
    QLabel* lbCause3;
    QPushButton* btOpenImage;
    QPushButton* btOpenDemo;
    QPushButton* btClose;
};
