// The sound recorder's controller (see RecordController.h).
#include "record/RecordController.h"

#include "audio/WaveHeader.h"
#include "core/Folders.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompter.h"
#include "platform/SaveFile.h"
#include "record/RecordFiles.h"
#include "record/RecordMixer.h"
#include "record/RecordMp3Job.h"
#include "record/SdlWaveDevice.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <chrono>

const int32_t RecordSampleRates[9] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

namespace {

const char* const IdleState = "-----------";

void ShowBox(const QString& text, TPromptIcon icon) {
    Prompter().Show(text, icon, TPromptButtons::Ok);
}

bool HasWavExtension(const QString& file) {
    return QFileInfo(file).suffix().toLower() == QLatin1String("wav");
}

int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

QString RecordDurationText(int64_t milliseconds) {
    if (milliseconds >= 60000) {
        const int64_t hours = milliseconds / 3600000;
        const int64_t minutes = milliseconds / 60000 % 60;
        const int64_t seconds = milliseconds / 1000 % 60;
        QString text;
        if (hours > 0)
            text += QString::number(hours) + QStringLiteral("Hour");
        if (minutes > 0)
            text += QString::number(minutes) + QStringLiteral(" Min");
        if (seconds > 0)
            text += QString::number(seconds) + QStringLiteral(" Sec");
        return text;
    }
    return QString::number(double(milliseconds) / 1000.0, 'g', 3) + QStringLiteral(" Sec");
}

bool TRecordView::RunMp3Export(const QString& wavFile) {
    return RunRecordingToMp3(wavFile);
}

TRecordController::TRecordController(TRecordView* view, std::unique_ptr<TWaveDevice> device, QObject* parent)
    : QObject(parent), View(view), WaveDevice(std::move(device)) {
    if (!WaveDevice)
        WaveDevice = std::make_unique<TSdlWaveDevice>();
    Clock = SteadyMilliseconds;
    Wait = WaitMilliseconds;
    Timer1.setInterval(500);
    TimerRecord.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, &TRecordController::PlayTimerTick);
    connect(&TimerRecord, &QTimer::timeout, this, [this] {
        RecordTimerTick();
        // A recording that ended by itself (its length reached, or the most a WAV file holds)
        // is stopped and saved as the Stop button would.
        if (IsEnabled(btStop) && WaveDevice->Mode() != wmRecording)
            ButtonClick(btStop);
    });
    SaveMp3 = Settings.SaveMp3;
    WorkFile = AddTrailingBackslash(ProgramFolder()) + QStringLiteral("MyTemp.wav");
    Caption = ResText("RES_TitleStr", "Record");
    StateText = QString::fromLatin1(IdleState);
    RecordTimeText = QStringLiteral("00:00:00.0");
}

TRecordController::~TRecordController() {
    Timer1.stop();
    TimerRecord.stop();
    if (WaveDevice->IsOpen())
        WaveDevice->Close();
}

QString TRecordController::UnnamedFile() const {
    return AddTrailingBackslash(ProgramFolder()) + QStringLiteral("MyNoName.wav");
}

bool TRecordController::UndoEnabled() const {
    return Modified && StateText != ResText("RES_RecordingStr", "Recording...") && !DocumentFile.isEmpty() &&
           !IsUnnamed();
}

void TRecordController::SetCaption(const QString& name) {
    Caption = ResText("RES_TitleStr", "Record") + QLatin1Char('(') + name + QLatin1Char(')');
}

void TRecordController::SetSlider(int32_t position) {
    if (position == Slider)
        return;
    Slider = position;
    SliderChanged(position);
}

void TRecordController::SliderChanged(int32_t position) {
    Slider = position;
    if (WaveDevice->IsOpen() && WaveDevice->Length() > 0)
        PositionText = RecordDurationText(WaveDevice->Length() * Slider / 400);
    Q_EMIT Changed();
}

void TRecordController::ShowDeviceError(const QString& text) {
    QString message = ResText("RES_MCI_Init_Fail", "Error while initializing MCI device!");
    if (!text.isEmpty())
        message += QStringLiteral("\r\n") + text;
    ShowBox(message, TPromptIcon::Error);
}

QString TRecordController::KeptText(const QString& path) const {
    return QStringLiteral("\r\n") + ResText("RES_Recording_Kept", "The recording is kept in ") +
           QDir::toNativeSeparators(path);
}

// ---- the media player ----

void TRecordController::ButtonClick(TMPBtnType button) {
    if (!IsEnabled(button))
        return;
    switch (button) {
    case btPlay:
        PlayClick();
        break;
    case btStop:
        StopClick();
        break;
    case btNext:
    case btPrev:
        // Moving to the end or the start ends playback, and with it the play estimate.
        Timer1.stop();
        if (WaveDevice->Mode() == wmPlaying)
            WaveDevice->Stop();
        SetSlider(button == btNext ? 400 : 0);
        EnabledButtons = MPBtn(btPlay) | MPBtn(btRecord) | MPBtn(button == btNext ? btPrev : btNext);
        StateText = QString::fromLatin1(IdleState);
        break;
    case btRecord:
        RecordClick();
        break;
    default:
        break;
    }
    Q_EMIT Changed();
}

void TRecordController::PlayClick() {
    if (Slider == 400)
        SetSlider(0);
    if (!Timer1.isActive()) {
        PlayPosition = WaveDevice->Length() * Slider / 400;
        if (!WaveDevice->Play(PlayPosition)) {
            ShowDeviceError(WaveDevice->LastError());
            return;
        }
    }
    StateText = ResText("RES_PlayingStr", "Playing...");
    EnabledButtons = MPBtn(btPause) | MPBtn(btStop) | MPBtn(btNext) | MPBtn(btPrev);
    Timer1.start();
}

void TRecordController::PlayTimerTick() {
    PlayPosition += 500;
    const int64_t length = WaveDevice->Length();
    if (PlayPosition < length) {
        SetSlider(int32_t(PlayPosition * 400 / length));
    } else {
        SetSlider(400);
        Timer1.stop();
        EnabledButtons = MPBtn(btPlay) | MPBtn(btPrev) | MPBtn(btRecord);
        StateText = QString::fromLatin1(IdleState);
    }
    Q_EMIT Changed();
}

void TRecordController::RecordClick() {
    // Always from the slider's position: after a recording the slider stands at the end, so
    // a second one continues the first; Prev makes the next one start over.
    const int64_t from = WaveDevice->Length() * Slider / 400;
    if (!WaveDevice->Record(from, RecordLimit >= 0 ? from + RecordLimit : -1)) {
        ShowDeviceError(WaveDevice->LastError());
        return;
    }
    RecordStart = Clock();
    LastTenths = 0;
    TimerRecord.start();
    EnabledButtons = MPBtn(btStop);
    StateText = ResText("RES_RecordingStr", "Recording...");
    Modified = true;
}

void TRecordController::RecordTimerTick() {
    const int64_t elapsed = std::max<int64_t>(0, Clock() - RecordStart);
    const int64_t hours = elapsed / 3600000;
    const int64_t minutes = elapsed / 60000 % 60;
    const int64_t seconds = elapsed / 1000 % 60;
    LastTenths = int32_t(elapsed % 1000);
    RecordTimeText = TwoDigits(int32_t(hours)) + QLatin1Char(':') + TwoDigits(int32_t(minutes)) + QLatin1Char(':') +
                     TwoDigits(int32_t(seconds)) + QLatin1Char('.') + QString::number(LastTenths / 100);
    Q_EMIT Changed();
}

void TRecordController::StopClick() {
    SetSlider(0);
    Timer1.stop();
    if (TimerRecord.isActive()) {
        // A recording ends on a whole second of the display; one that already ended by itself
        // has nothing to round up.
        if (LastTenths > 100 && WaveDevice->Mode() == wmRecording)
            Wait(1000 - LastTenths);
        RecordTimerTick();
        TimerRecord.stop();
    }
    EnabledButtons = MPBtn(btPlay) | MPBtn(btNext) | MPBtn(btPrev) | MPBtn(btRecord);
    StateText = QString::fromLatin1(IdleState);
    if (WaveDevice->Mode() == wmRecording || WaveDevice->HasRecording()) {
        WaveDevice->Stop();
        // Into the device's file (the work copy or the unnamed file) before anything else is
        // asked, so no later question can lose it.
        if (!WaveDevice->Save()) {
            QString message = ResText("RES_Save_Error", "Error while saving sound file!") + QStringLiteral("\r\n") +
                              WaveDevice->LastError();
            if (!WaveDevice->KeptRecording().isEmpty())
                message += KeptText(WaveDevice->KeptRecording());
            ShowBox(message, TPromptIcon::Error);
        } else {
            SetSlider(400);
            LengthText = RecordDurationText(WaveDevice->Length());
            StateText = ResText("RES_RecordOverStr", "Record over!");
        }
    } else {
        WaveDevice->Stop();
    }
}

// ---- documents ----

void TRecordController::ResetTexts() {
    RecordTimeText = QStringLiteral("00:00:00.0");
    LengthText = QStringLiteral("0.00 Sec");
    PositionText = QStringLiteral("0.00 Sec");
    SetCaption(ResText("RES_NoNameStr", "NoName"));
    Slider = 0;
}

void TRecordController::New() {
    if (!CloseDocument(true))
        return;
    TRecordFormat format;
    if (!View->AskNewFormat(format))
        return;
    const QString file = UnnamedFile();
    if (WaveDevice->IsOpen())
        WaveDevice->Close();
    DocumentFile = file;
    Unnamed = true;
    Modified = false;
    EnabledButtons = 0;
    QSaveFile out(file);
    const QByteArray header = MakePcmHeader(format.Channels, format.SampleRate, format.BitsPerSample, 0);
    QString error;
    if (OpenSaveFile(out, error) && WriteAll(out, header.constData(), header.size(), error) &&
        CommitSaveFile(out, error) && !WaveDevice->Open(file))
        error = WaveDevice->LastError();
    if (!error.isEmpty()) {
        DocumentFile.clear();
        Caption = ResText("RES_TitleStr", "Record");
        ShowDeviceError(error);
        Q_EMIT Changed();
        return;
    }
    EnabledButtons = MPBtn(btRecord);
    StateText = QString::fromLatin1(IdleState);
    ResetTexts();
    Mp3Exported = false;
    Q_EMIT Changed();
}

void TRecordController::Open() {
    if (!CloseDocument(true))
        return;
    for (;;) {
        const QString file = View->AskOpenFile(StartFolder(TFileKind::Wav));
        if (file.isEmpty())
            return;
        RememberFolder(TFileKind::Wav, file);
        if (!DocumentFile.isEmpty() && QFileInfo(file).absoluteFilePath() == QFileInfo(DocumentFile).absoluteFilePath())
            return;
        if (!QFileInfo(file).isFile()) {
            ShowBox(file + QStringLiteral("\r\n") + ResText("RES_Not_Found", "Could not be found！") +
                        QStringLiteral("\r\n") +
                        ResText("RES_Check_FileName", "Please check the filename correct or not"),
                    TPromptIcon::Warning);
            continue;
        }
        SetSlider(0);
        Mp3Exported = false;
        LoadDocument(file);
        return;
    }
}

void TRecordController::LoadDocument(const QString& file) {
    DocumentFile = file;
    Unnamed = false;
    Modified = false;
    EnabledButtons = 0;
    SetCaption(file);
    if (WaveDevice->IsOpen())
        WaveDevice->Close();
    QString error;
    if (NamesSameFile(file, WorkFile))
        error = QStringLiteral("The work file cannot be opened as a document.");
    else if (!CopyFileReplacing(file, WorkFile, error))
        ; // error set
    else if (!WaveDevice->Open(WorkFile))
        error = WaveDevice->LastError();
    if (!error.isEmpty()) {
        ShowDeviceError(file + QStringLiteral(": ") + error);
        Q_EMIT Changed();
        return;
    }
    EnabledButtons = MPBtn(btPlay) | MPBtn(btNext) | MPBtn(btRecord);
    StateText = QString::fromLatin1(IdleState);
    LengthText = RecordDurationText(WaveDevice->Length());
    PositionText = RecordDurationText(WaveDevice->Length() * Slider / 400);
    Q_EMIT Changed();
}

bool TRecordController::ReopenDevice() {
    if (WaveDevice->IsOpen())
        return true;
    const QString file = IsUnnamed() ? DocumentFile : WorkFile;
    if (!WaveDevice->Open(file)) {
        ShowDeviceError(WaveDevice->LastError());
        EnabledButtons = 0;
        return false;
    }
    return true;
}

QString TRecordController::AskSaveName(bool deleteExisting) {
    const QString file = View->AskSaveFile(StartFolder(TFileKind::Wav));
    if (file.isEmpty())
        return QString();
    RememberFolder(TFileKind::Wav, file);
    if (!HasWavExtension(file)) {
        ShowBox(ResText("RES_Wav_File", "The save file should be WAV!"), TPromptIcon::Error);
        return QString();
    }
    // The work copy and the unnamed file are the recorder's own scratch files: a document
    // saved there would be overwritten by the next Open or New.
    if (NamesSameFile(file, WorkFile) || NamesSameFile(file, UnnamedFile())) {
        ShowBox(ResText("RES_Save_Fail", "Error when saving WAV file,please check if the file is being uesd."),
                TPromptIcon::Error);
        return QString();
    }
    if (QFileInfo::exists(file) && !NamesSameFile(file, DocumentFile)) {
        if (Prompter().Show(file + ResText("RES_File_Exist", " has existed,overite it?"), TPromptIcon::Question,
                            TPromptButtons::YesNo, TPromptAnswer::No) != TPromptAnswer::Yes)
            return QString();
        // The replacing rename takes the old file away only once the new one is complete; a
        // file that cannot be replaced is reported here, before anything has moved.
        if (deleteExisting && !QFileInfo(QFileInfo(file).absolutePath()).isWritable()) {
            ShowBox(ResText("RES_Delete_Fail", "Error when deleting file, please check if the file is being uesd."),
                    TPromptIcon::Error);
            return QString();
        }
    }
    return file;
}

bool TRecordController::SaveUnnamedAs(const QString& file) {
    if (WaveDevice->IsOpen())
        WaveDevice->Close();
    if (QFileInfo::exists(WorkFile))
        QFile::remove(WorkFile);
    QString error;
    if (!NamesSameFile(DocumentFile, file) && !MoveFileReplacing(DocumentFile, file, error)) {
        ShowBox(ResText("RES_Save_Fail", "Error when saving WAV file,please check if the file is being uesd.") +
                    KeptText(DocumentFile),
                TPromptIcon::Error);
        ReopenDevice();
        Q_EMIT Changed();
        return false;
    }
    return true;
}

bool TRecordController::CloseDocument(bool prompt) {
    if (DocumentFile.isEmpty())
        return true;
    if (IsEnabled(btStop))
        ButtonClick(btStop);
    if (!Modified && (prompt || !IsUnnamed()))
        return true;
    if (Modified && prompt) {
        const QString name = IsUnnamed() ? ResText("RES_NoNameStr", "NoName") : DocumentFile;
        const TPromptAnswer answer = Prompter().Show(name + ResText("RES_Have_Modify", " has been modified,Save it?"),
                                                     TPromptIcon::Information, TPromptButtons::YesNoCancel);
        if (answer == TPromptAnswer::Cancel)
            return false;
        if (answer == TPromptAnswer::No) {
            Modified = false;
            return true;
        }
    }
    if (!IsUnnamed()) {
        QString error;
        if (!CopyFileReplacing(WorkFile, DocumentFile, error)) {
            ShowBox(ResText("RES_Save_Fail", "Error when saving WAV file,please check if the file is being uesd.") +
                        KeptText(WorkFile),
                    TPromptIcon::Error);
            return false;
        }
        Mp3Export();
        Modified = false;
        Q_EMIT Changed();
        return true;
    }
    const QString file = AskSaveName(true);
    if (file.isEmpty() || !SaveUnnamedAs(file))
        return false;
    if (!NamesSameFile(file, DocumentFile))
        Mp3Exported = false;
    LoadDocument(file);
    Mp3Export();
    Modified = false;
    Q_EMIT Changed();
    return true;
}

void TRecordController::Save() {
    if (SaveEnabled())
        CloseDocument(false);
}

void TRecordController::SaveAs() {
    if (!SaveEnabled())
        return;
    const QString file = AskSaveName(false);
    if (file.isEmpty())
        return;
    if (IsUnnamed()) {
        if (!SaveUnnamedAs(file))
            return;
    } else {
        // The document as it is now, recording included: the work copy.
        if (WaveDevice->IsOpen())
            WaveDevice->Close();
        QString error;
        if (!CopyFileReplacing(WorkFile, file, error)) {
            ShowBox(ResText("RES_Save_Fail", "Error when saving WAV file,please check if the file is being uesd.") +
                        KeptText(WorkFile),
                    TPromptIcon::Error);
            ReopenDevice();
            Q_EMIT Changed();
            return;
        }
    }
    // Another name is another document, with its own MP3 to ask about.
    if (!NamesSameFile(file, DocumentFile))
        Mp3Exported = false;
    SetSlider(0);
    LoadDocument(file);
    Mp3Export();
    Q_EMIT Changed();
}

void TRecordController::Undo() {
    if (!UndoEnabled())
        return;
    if (Prompter().Show(ResText("RES_Discard_Modify", "Discard the modification since last save file."),
                        TPromptIcon::Question, TPromptButtons::YesNo, TPromptAnswer::No) != TPromptAnswer::Yes)
        return;
    if (WaveDevice->IsOpen())
        WaveDevice->Close();
    QString error;
    if (!CopyFileReplacing(DocumentFile, WorkFile, error) || !WaveDevice->Open(WorkFile)) {
        ShowDeviceError(error.isEmpty() ? WaveDevice->LastError() : error);
        ReopenDevice();
        Q_EMIT Changed();
        return;
    }
    Modified = false;
    EnabledButtons = MPBtn(btPlay) | MPBtn(btNext) | MPBtn(btRecord);
    LengthText = RecordDurationText(WaveDevice->Length());
    PositionText = LengthText;
    Q_EMIT Changed();
}

void TRecordController::Mp3Export() {
    if (!SaveMp3 || DocumentFile.isEmpty())
        return;
    // The export only encodes the saved file: it needs no CD drive.
    const QFileInfo info(DocumentFile);
    const QString mp3 = info.dir().filePath(info.completeBaseName() + QStringLiteral(".mp3"));
    if (!Mp3Exported && QFileInfo::exists(mp3) &&
        Prompter().Show(mp3 + ResText("RES_File_Exist", " has existed,overite it?"), TPromptIcon::Question,
                        TPromptButtons::YesNo, TPromptAnswer::No) != TPromptAnswer::Yes)
        return;
    if (IsFileInUse(mp3)) {
        ShowBox(mp3 + ResText("RES_File_Cannot_Create", " maybe be used!"), TPromptIcon::Error);
        return;
    }
    Mp3Exported = true;
    ++ExportCount;
    LastExportWritten = View->RunMp3Export(DocumentFile);
}

// ---- menu and window ----

void TRecordController::RecordingControl() {
    if (!LaunchRecordingMixer())
        ShowBox(ResText("RES_No_Mixer", "No volume control found. Please install pavucontrol."), TPromptIcon::Error);
}

void TRecordController::SetSaveMp3(bool checked) {
    SaveMp3 = checked;
    Q_EMIT Changed();
}

void TRecordController::Exit() {
    View->CloseWindow();
}

bool TRecordController::FormCloseQuery() {
    Timer1.stop();
    return CloseDocument(true);
}

void TRecordController::FormClose() {
    Settings.SaveMp3 = SaveMp3;
    Timer1.stop();
    TimerRecord.stop();
    if (WaveDevice->IsOpen())
        WaveDevice->Close();
    if (QFileInfo::exists(WorkFile))
        QFile::remove(WorkFile);
    DocumentFile.clear();
    EnabledButtons = 0;
}
