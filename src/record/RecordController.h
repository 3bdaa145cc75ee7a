// The sound recorder without widgets: the document (none, the unnamed "MyNoName.wav" or a named
// WAV file played and recorded through the work copy "MyTemp.wav"), the media-player buttons
// and their enabled sets, the two timers, the slider and the texts, saving, undo and the MP3
// export. TfrmRecord (RecordForm.h) shows it; `discwright-cli record` drives it.
//
// Everything runs on the main thread. The dialogs the recorder opens (new recording, open,
// save, the job window) are asked of a TRecordView; message boxes go through the Prompter.
#pragma once

#include "record/WaveDevice.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

// The media player's buttons.
enum TMPBtnType : int32_t { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
using TMPBtnSet = uint32_t;
constexpr TMPBtnSet MPBtn(TMPBtnType b) {
    return TMPBtnSet(1) << b;
}

// The format chosen in the new-recording dialog.
struct TRecordFormat {
    int32_t SampleRate = 44100;
    int32_t BitsPerSample = 16;
    int32_t Channels = 2;
};

// The sample rates the new-recording dialog offers, in its order.
extern const int32_t RecordSampleRates[9];

// "1Hour5 Min30 Sec" from a minute on, else the seconds with three significant digits
// ("12.3 Sec").
QString RecordDurationText(int64_t milliseconds);

class TRecordView {
public:
    virtual ~TRecordView() = default;
    // The new-recording dialog; false when cancelled.
    virtual bool AskNewFormat(TRecordFormat& format) = 0;
    // The open and save dialogs, starting in `folder`; empty when cancelled.
    virtual QString AskOpenFile(const QString& folder) = 0;
    virtual QString AskSaveFile(const QString& folder) = 0;
    // The job window exporting the saved recording `wavFile` to the MP3 file beside it, modal;
    // true when the MP3 was written. Without a window the export runs on its own
    // (RunRecordingToMp3).
    virtual bool RunMp3Export(const QString& wavFile);
    // "&Exit": close the window (which calls TRecordController::FormCloseQuery).
    virtual void CloseWindow() {}
};

class TRecordController : public QObject {
    Q_OBJECT
public:
    // FormCreate. Without a device the sound card's is used.
    explicit TRecordController(TRecordView* view, std::unique_ptr<TWaveDevice> device = nullptr,
                               QObject* parent = nullptr);
    ~TRecordController() override;

    // The document: empty, the unnamed file or a named WAV file.
    QString DocumentFile;
    // Program folder + "MyTemp.wav": the copy of a named document that the device uses.
    QString WorkFile;
    bool Modified = false;
    // The overwrite question for this document's MP3 has been answered (or was not needed).
    bool Mp3Exported = false;
    int64_t PlayPosition = 0;
    // Clock value (ms) when the current recording started.
    int64_t RecordStart = 0;
    // Millisecond part of the last recording-time display.
    int32_t LastTenths = 0;

    // What the window shows.
    QString Caption;
    QString StateText;      // lbState
    QString PositionText;   // lbPosition
    QString LengthText;     // lbLength
    QString RecordTimeText; // panRecordTime
    int32_t Slider = 0;     // TrackBar1, 0 to 400
    TMPBtnSet EnabledButtons = 0;
    bool SaveMp3 = false; // "&MP3 format"
    bool PlayTimerOn() const { return Timer1.isActive(); }
    bool RecordTimerOn() const { return TimerRecord.isActive(); }
    bool IsEnabled(TMPBtnType b) const { return (EnabledButtons & MPBtn(b)) != 0; }
    // "&Save" and "Save &As..." follow the Record button.
    bool SaveEnabled() const { return IsEnabled(btRecord); }
    bool UndoEnabled() const;
    // The document is the unnamed one made by New.
    bool IsUnnamed() const { return !DocumentFile.isEmpty() && Unnamed; }
    QString UnnamedFile() const;

    // Test and command-line hooks: the clock (milliseconds) and the blocking wait of Stop.
    std::function<int64_t()> Clock;
    std::function<void(int32_t)> Wait;
    // When >= 0, a recording ends by itself after this many milliseconds (the command line's
    // --seconds).
    int64_t RecordLimit = -1;
    // Outcome of the last MP3 export: it ran and wrote its file.
    bool LastExportWritten = false;
    int32_t ExportCount = 0;

    TWaveDevice& Device() { return *WaveDevice; }

    // MediaPlayer1Click followed by the button's own action.
    void ButtonClick(TMPBtnType button);
    void New();
    void Open();
    // "&Save": closing the document without the prompt.
    void Save();
    void SaveAs();
    void Undo();
    void RecordingControl();
    void SetSaveMp3(bool checked);
    void Exit();
    // Timer1 (500 ms) and TimerRecord (100 ms).
    void PlayTimerTick();
    void RecordTimerTick();
    // TrackBar1Change.
    void SliderChanged(int32_t position);
    // Closing the window: false keeps it open (the user cancelled saving a modified document or
    // the save failed, so the recording would otherwise be lost).
    bool FormCloseQuery();
    // After a close the window cannot refuse: SaveMp3 stored, device closed, work file removed.
    void FormClose();
    // Closing a document, with or without the prompt; whether the caller may go on.
    bool CloseDocument(bool prompt);

Q_SIGNALS:
    void Changed();

private:
    void PlayClick();
    void StopClick();
    void RecordClick();
    void LoadDocument(const QString& file);
    void Mp3Export();
    void SetSlider(int32_t position);
    void SetCaption(const QString& name);
    void ResetTexts();
    void ShowDeviceError(const QString& text);
    // The device file after a failed save or rename, for the message that says where it is.
    QString KeptText(const QString& path) const;
    bool SaveUnnamedAs(const QString& file);
    // Asks for a save name as both save commands do; empty when refused or cancelled.
    QString AskSaveName(bool deleteExisting);
    bool ReopenDevice();

    TRecordView* View;
    bool Unnamed = false;
    std::unique_ptr<TWaveDevice> WaveDevice;
    QTimer Timer1;
    QTimer TimerRecord;
};
