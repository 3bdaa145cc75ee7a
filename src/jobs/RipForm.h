// TRipForm: the conversion job window, a thin view over TRipJob. It shows the step line in its
// caption, the step name, the elapsed and estimated times and the gauge, forwards Stop, and
// closes when the job is over. The job starts when the window is created.
//
// The main window (JobKind 1 with its drive handle and the selection items, or 2, 3, 5, 6 with
// file paths) and the recorder (JobKind 4 with the recording's path) use it the same way:
//
//     TRipForm form(this, jobKind, cdHandle, jobList, &Mp3Encoder, &WmaEncoder);
//     form.exec();
#pragma once

#include "jobs/rip.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class TFlatGauge;

// Centres a job window over its owner (the division truncated toward zero).
void CentreOverOwner(QWidget* window, QWidget* owner);

class TRipForm : public QDialog {
    Q_OBJECT
public:
    // Without wrappers the job uses encoder wrappers of its own.
    TRipForm(QWidget* owner, uint8_t jobKind, int32_t cdHandle, const QStringList& jobList,
             TMp3EncodeProcess* mp3 = nullptr, TWMAEncodeProcess* wma = nullptr);
    ~TRipForm() override;

    TRipJob& Job() { return *Controller; }
    TFlatGauge* Gauge() const { return FlatGauge1; }
    QLabel* InitLabel() const { return Label3; }
    QLabel* ElapsedLabel() const { return Label1; }
    QLabel* EstimatedLabel() const { return Label2; }
    QGroupBox* Group() const { return GroupBox1; }

    // Runs Finish before the window goes, however it is closed.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void btStopClick();
    void ShowJob();

    std::unique_ptr<TRipJob> Controller;
    QGroupBox* GroupBox1;
    QLabel* Label10;
    QLabel* Label20;
    QLabel* Label1;
    QLabel* Label2;
    TFlatGauge* FlatGauge1;
    QLabel* Label3;
    QPushButton* btStop;
    QLabel* Image1;
};
