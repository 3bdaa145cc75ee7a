// TfrmOggPlayer: the Ogg player window, a thin view of TOggPlayer (OggPlayer.h). The main
// window's "&OGG Player..." item calls ShowOggPlayer.
#pragma once

#include "vorbis/OggPlayer.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QSlider;

class TfrmOggPlayer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOggPlayer(QWidget* owner = nullptr);
    ~TfrmOggPlayer() override;

    TOggPlayer& Controller() { return Player; }
    // Asks for the file to open (empty = cancelled). The default is a file dialog with the
    // filter "Sound file(*.ogg)" and "Any file(*.*)"; tests put their own answer here.
    std::function<QString(QWidget* parent)> ChooseFile;

    QLabel* lFileName = nullptr;
    QLabel* lSampleRate = nullptr;
    QLabel* lCurrentTime = nullptr;
    QLabel* lTotalTime = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* bStop = nullptr;
    QSlider* TrackBar1 = nullptr;
    QPushButton* bClose = nullptr;

    // Escape and the title bar close the window only once playback has stopped.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BitBtn1Click();
    void BitBtn2Click();
    void bStopClick();
    void bCloseClick();
    void ScrollBar1Scroll(int position);
    void TrackBar1Change(int position);
    // Shows the controller's state.
    void Refresh();

    TOggPlayer Player;
    bool Shown = false;
};

// Creates the player window, shows it modally and frees it; any exception on the way is
// ignored.
void ShowOggPlayer(QWidget* owner);
