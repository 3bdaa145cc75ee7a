// TfrmRecord: the sound recorder window. It shows a TRecordController, forwards the media
// player's buttons, the Start menu, the slider and closing to it, and answers the controller's
// dialogs (new recording, open, save, the job window for the MP3 export, export). The main
// window opens it modally from
// "&Record...":
//
//     TfrmRecord form(this);
//     form.Mp3Encoder = &Mp3Encoder;   // optional: the main window's wrapper
//     form.exec();
#pragma once

#include "record/RecordController.h"

#include <QDialog>

#include <array>
#include <functional>

class QAction;
class TMp3EncodeProcess;
class QLabel;
class QMenu;
class QSlider;
class QToolButton;
class TAfStartButton;

class TfrmRecord : public QDialog, public TRecordView {
    Q_OBJECT
public:
    explicit TfrmRecord(QWidget* owner = nullptr, std::unique_ptr<TWaveDevice> device = nullptr);
    ~TfrmRecord() override;

    TRecordController Controller;
    // The main window's MP3 encoder wrapper for the export's job window; without it the job uses
    // one of its own.
    TMp3EncodeProcess* Mp3Encoder = nullptr;

    // The dialogs; tests replace them. Each starts in the given folder; empty when cancelled.
    std::function<bool(TRecordFormat&)> NewFileDialog;
    std::function<QString(const QString&)> OpenDialog1;
    std::function<QString(const QString&)> SaveDialog1;

    QLabel* lbState = nullptr;
    QWidget* MediaPlayer1 = nullptr;
    // The media player's buttons by TMPBtnType (Pause and Eject are not shown).
    std::array<QToolButton*, 9> Buttons{};
    QSlider* TrackBar1 = nullptr;
    QLabel* lbPosition = nullptr;
    QLabel* lbLength = nullptr;
    QLabel* panRecordTime = nullptr;
    TAfStartButton* AfStartButton1 = nullptr;
    QMenu* StartMenu = nullptr;
    QAction* miNew = nullptr;
    QAction* miOpen = nullptr;
    QAction* miSave = nullptr;
    QAction* miSaveAs = nullptr;
    QAction* miUndo = nullptr;
    QAction* miRecordControl = nullptr;
    QAction* miSaveMp3 = nullptr;
    QAction* miExit = nullptr;

    // TRecordView.
    bool AskNewFormat(TRecordFormat& format) override;
    QString AskOpenFile(const QString& folder) override;
    QString AskSaveFile(const QString& folder) override;
    bool RunMp3Export(const QString& wavFile) override;
    void CloseWindow() override;

    // Closing: the controller may keep the window open (a modified document not saved).
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();
    void UpdateMenu();
    bool Closed = false;
    // The job window of the MP3 export is open: this window must not close meanwhile.
    bool Exporting = false;
};
