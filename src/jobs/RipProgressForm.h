// TfrmCDRip: the CD rip progress window, a thin view over the rip pipeline in its CD rip
// window configuration (the CD input as its source). It shows the current
// track, the output format, the number of tracks selected and completed, the step on the hint
// line and the gauge (its tooltip is the gauge's hint), the tracks and an overall bar, forwards
// Stop, and when the rip is over shows its summary with Stop turned into Close. Its captions and
// the pipeline's step names follow the language.
//
// The main window opens it when a rip goes through the CD input (RipThroughCDInput):
//
//     TfrmCDRip form(this, request, CDIn1, &Mp3Encoder, &WmaEncoder);
//     form.exec();
#pragma once

#include "jobs/RipPipeline.h"

class TCDIn;

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;
class TFlatGauge;
class TRipTracksPanel;

class TfrmCDRip : public QDialog {
    Q_OBJECT
public:
    // `cdIn` is the main window's CD input component with its drive chosen.
    TfrmCDRip(QWidget* mainWindow, const TRipRequest& request, TCDIn& cdIn, TMp3EncodeProcess* mp3 = nullptr,
              TWMAEncodeProcess* wma = nullptr);
    ~TfrmCDRip() override;

    TRipPipeline& Job() { return *Controller; }
    TFlatGauge* Gauge() const { return ProgressBar2; }
    QLabel* Hint() const { return lProgressHint; }
    TRipTracksPanel* TracksPanel() const { return Panel; }

    // The rip is over: the summary shows and Stop has become Close.
    bool IsOver() const { return Over; }

    // FormClose runs however the window is closed.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void bStopClick();
    void ShowJob();
    void JobEnded();

    std::unique_ptr<TRipPipeline> Controller;
    QLabel* lCurrentTrack;
    QLabel* lOutputFormat;
    QLabel* lSelectedTracks;
    QLabel* lCompleted;
    QLabel* lProgressHint;
    QLabel* lResult;
    TFlatGauge* ProgressBar2;
    QPushButton* bStop;
    TRipTracksPanel* Panel;
    bool Translated = false;
    bool Over = false;
};
