// TRipForm: the conversion job window, a thin view over a job: a rip (TRipPipeline in its job
// window configuration) or file conversions (TConvertJob). It shows the step line in its
// caption, the step name, the elapsed and estimated times and the gauge, forwards Stop, and
// closes when conversions are over. A rip also shows its tracks and an overall bar, and when it
// is over its summary, with Stop turned into Close. The job starts when the window is created.
//
// The main window (a rip, or conversions of files) and the recorder (its export to MP3) use it
// the same way:
//
//     TRipForm form(this, std::make_unique<TConvertJob>(TJobKind::WavToMp3, files, &mp3, &wma));
//     form.exec();
#pragma once

#include "jobs/JobController.h"

#include <memory>

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class TFlatGauge;
class TRipPipeline;
class TRipTracksPanel;

// Centres a job window over its owner (the division truncated toward zero).
void CentreOverOwner(QWidget* window, QWidget* owner);

class TRipForm : public QDialog {
    Q_OBJECT
public:
    TRipForm(QWidget* owner, std::unique_ptr<TJobController> job);
    ~TRipForm() override;

    TJobController& Job() { return *Controller; }
    TFlatGauge* Gauge() const { return FlatGauge1; }
    QLabel* InitLabel() const { return Label3; }
    QLabel* ElapsedLabel() const { return Label1; }
    QLabel* EstimatedLabel() const { return Label2; }
    QGroupBox* Group() const { return GroupBox1; }
    // A rip's track list (null for conversions).
    TRipTracksPanel* TracksPanel() const { return Panel; }

    // The job is over (a rip's window then shows its summary until closed).
    bool IsOver() const { return Over; }

    // Runs Finish before the window goes, however it is closed.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void btStopClick();
    void ShowJob();
    void JobEnded();

    std::unique_ptr<TJobController> Controller;
    QGroupBox* GroupBox1;
    QLabel* Label10;
    QLabel* Label20;
    QLabel* Label1;
    QLabel* Label2;
    TFlatGauge* FlatGauge1;
    QLabel* Label3;
    QLabel* lResult;
    QPushButton* btStop;
    QLabel* Image1;
    TRipPipeline* Rip = nullptr;
    TRipTracksPanel* Panel = nullptr;
    bool Over = false;
};
