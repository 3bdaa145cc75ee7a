// The main window's state and commands (see MainController.h).
#include "app/MainController.h"
#include "core/DiscInfo.h"

#include "app/CDInputService.h"
#include "app/ImageDrives.h"
#include "app/MainDemoDisc.h"
#include "app/OutputFolder.h"
#include "cd/CdAudioPlayer.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "cddb/CDDBInfo.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "jobs/ConvertBatch.h"
#include "jobs/ConvertJob.h"
#include "jobs/DriveLibrarySource.h"
#include "jobs/Mp3EncodeThread.h"
#include "jobs/RipPipeline.h"
#include "jobs/RipState.h"
#include "jobs/WMAEncodeThread.h"
#include "metadata/CoverArt.h"
#include "metadata/DiscLookup.h"
#include "platform/Prompter.h"

#include <QFileInfo>

#include <algorithm>

namespace {

QString NoDiscText() {
    return LoadResText(QStringLiteral("RES_Check_CDRom"), QStringLiteral("Can not find audio CD in your CD device."));
}

QString NoDriveText() {
    return LoadResText(QStringLiteral("RES_NotFound_CDRom"), QStringLiteral("No CD devices found!"));
}

void Inform(const QString& text) {
    Prompter().Show(text, TPromptIcon::Information, TPromptButtons::Ok);
}

void ShowError(const QString& text) {
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

} // namespace

TMainController::TMainController(TMainWindowHost* host, std::unique_ptr<TCDInputService> cdInput, QObject* parent)
    : QObject(parent), Host(host), CDIn(cdInput ? std::move(cdInput) : std::make_unique<TCDInService>()) {
    LoadSettings();
    // The main window owns one wrapper of each encoder for the life of the process.
    Mp3Process = std::make_unique<TMp3EncodeProcess>();
    WmaProcess = std::make_unique<TWMAEncodeProcess>();
    Player = std::make_unique<TCdAudioPlayer>();
    connect(Player.get(), &TCdAudioPlayer::Completed, this, &TMainController::Stop);
    connect(Player.get(), &TCdAudioPlayer::Failed, this, &TMainController::PlaybackFailed);
    CDDBInfo1 = std::make_unique<TCDDBInfo>();
    CDDBInfo1->CDIn = CDIn->Component();
    Lookup = std::make_unique<TDiscLookup>();
    connect(Lookup.get(), &TDiscLookup::Finished, this, &TMainController::LookupFinished);
    CoverFetch = std::make_unique<TCoverFetch>();
    connect(CoverFetch.get(), &TCoverFetch::Fetched, this, &TMainController::CoverFetched);
    connect(this, &TMainController::DiscFieldsChanged, this, &TMainController::UpdateCover);
    MediaTimer.setInterval(2000);
    connect(&MediaTimer, &QTimer::timeout, this, &TMainController::PollMedia);
}

TMainController::~TMainController() {
    MediaTimer.stop();
    // The player reads through the open drive's handle: it stops before the handle goes.
    Player->Stop();
    for (const int h : OwnHandles)
        CloseCDHandle(h);
}

bool TMainController::CloseOwnHandle(int handle) {
    if (Playing && handle == CDHandle)
        Stop();
    OwnHandles.erase(handle);
    return CloseCDHandle(handle) != 0;
}

void TMainController::SetStatus(const QString& text) {
    StatusText = text;
    Q_EMIT StatusChanged(text);
}

bool TMainController::SwitchLanguageKeepingStatus(const std::function<bool()>& switchLanguage) {
    const QString noDisc = NoDiscText();
    const QString noDrive = NoDriveText();
    if (!switchLanguage())
        return false;
    const auto retranslate = [&](const QString& text) {
        return text == noDisc ? NoDiscText() : text == noDrive ? NoDriveText() : text;
    };
    SavedStatus = retranslate(SavedStatus);
    if (const QString text = retranslate(StatusText); text != StatusText)
        SetStatus(text);
    return true;
}

void TMainController::SetCurrentRow(int row) {
    List.SetCurrent(row);
    Q_EMIT StateChanged();
}

TMainEnables TMainController::Enables() const {
    TMainEnables e;
    for (const TTrackRow& r : List.Rows())
        e.Extract = e.Extract || r.Selected;
    e.Play = List.Current() >= 0;
    e.RenameTitle = List.Current() >= 0;
    e.Stop = Playing;
    e.Pause = Playing && !Paused;
    e.QueryFreedb = !List.Empty();
    e.LookUp = !List.Empty() && !Lookup->Running();
    e.Door = CDHandle != 0 && !DriveIsImage;
    return e;
}

// ---------------------------------------------------------------------------------------------
// Life cycle

void TMainController::Show() {
    try {
        CDHandle = OpenDrive(Settings.CDIndex);
        if (CDHandle) {
            if (AudioCDPresent())
                FillFromToc();
            else
                NoDisc = true;
        }
        SavedStatus = StatusText;
    } catch (...) {
        // Drive trouble never stops the program; the status says what is known.
    }
    MediaTimer.start();
    Q_EMIT StateChanged();
}

void TMainController::Activate() {
    // A modal box shown from here activates the window again when it closes.
    if (Activating || Closed)
        return;
    Activating = true;
    if (CDHandle == 0) {
        bool stop = false;
        if (CDIn->DriveCount() == 0) {
            // A drive connected since the list was made counts.
            RefreshCDDriveList();
        }
        if (CDIn->DriveCount() == 0) {
            if (RenameAspiLayer()) {
                Prompter().Show(LoadResText(QStringLiteral("RES_Run_Again"),
                                            QStringLiteral("Configuration finished. Please exit the software and run "
                                                           "again!")),
                                TPromptIcon::Error, TPromptButtons::Ok);
                stop = true;
            } else if (!HintShown) {
                // Once per start: the hint would otherwise come back each time it closes.
                HintShown = true;
                const THintChoice choice = Host ? Host->ShowNoDeviceHint() : THintChoice::Close;
                if (choice == THintChoice::OpenDiscImage)
                    OpenDiscImage();
                else if (choice == THintChoice::OpenDemoDisc)
                    OpenDemoDisc(*this);
                stop = CDHandle != 0;
            }
        }
        if (!stop) {
            if (CDIn->DriveCount() > 0) {
                const int index = Settings.CDIndex;
                CDIn->SetDriveIndex(index <= 0 || index >= CDIn->DriveCount() ? 0 : index);
            }
            if (AudioCDPresent()) {
                // Refilling the same disc would throw away titles edited since the last close.
                if (List.Empty() || CDIn->DiscKey() != List.Key())
                    FillFromCDInput();
            } else {
                NoDisc = true;
            }
        }
    }
    if (NoDisc)
        SetStatus(NoDiscText());
    Activating = false;
}

void TMainController::CloseQuery() {
    if (Mp3Process->Active)
        Mp3Process->Kill(0);
    if (WmaProcess->Active)
        WmaProcess->Kill(0);
}

void TMainController::Close() {
    if (Closed)
        return;
    Closed = true;
    MediaTimer.stop();
    try {
        List.CopyTitles();
        if (!SaveDiscInfo(List.Key()))
            ShowError(SettingsSaveErrorText(DiscInfoFilePath()));
        // Before the handle the player reads through is closed.
        if (Playing)
            Stop();
        if (CDHandle) {
            if (!CloseOwnHandle(CDHandle))
                ShowError(LoadResText(QStringLiteral("RES_Close_CD_Error"),
                                      QStringLiteral("Error while closing CD handle!")));
            CDHandle = 0;
        }
        if (!SaveSettings())
            ShowError(SettingsSaveErrorText(OptionsFilePath()));
    } catch (...) {
        // Closing is never refused.
    }
}

// ---------------------------------------------------------------------------------------------
// Drive and list

int TMainController::OpenDrive(int index) {
    if (index < 0)
        index = 0;
    const TCDDriveList list = ListDrives();
    if (list.Count == 0) {
        SetStatus(NoDriveText());
        return 0;
    }
    if (index >= list.Count)
        index = 0;
    const TCDDriveEntry& e = list.Drives[index];
    DriveTitle = DescribeDrive(e);
    SetStatus(DriveTitle);
    TCDOpenRequest request;
    request.Adapter = e.Adapter;
    request.Target = e.Target;
    request.Lun = e.Lun;
    int handle = GetCDHandle(&request);
    if (!handle) {
        // A handle this window left open may hold the drive: free the first one and retry.
        // Handles of the table that other components hold (the CD input reads through one)
        // are not ours to close.
        for (int h = 1; h <= 10; ++h) {
            if (OwnHandles.count(h) && CloseOwnHandle(h)) {
                if (h == CDHandle)
                    CDHandle = 0;
                handle = GetCDHandle(&request);
                break;
            }
        }
    }
    if (!handle) {
        SetStatus(NoDriveText());
        return 0;
    }
    OwnHandles.insert(handle);
    DriveIsImage = e.Adapter != 0;
    DrivePath = DrivePathOf(e);
    DriveIndex = index;
    return handle;
}

bool TMainController::AudioCDPresent() {
    // The drive that is open, not merely the first one: a disc in another drive or an image
    // chosen while a physical drive is empty must be found.
    if (CDHandle) {
        TDisc disc;
        return ReadDisc(CDHandle, disc) && disc.StartsWithAudio();
    }
    if (CDIn->DriveCount() == 0 || !CDIn->MediaLoaded() || CDIn->TrackCount() < 1)
        return false;
    int minutes = 0;
    int seconds = 0;
    bool data = false;
    return CDIn->TrackLength(1, minutes, seconds, data) && !data;
}

void TMainController::BeginList(const QString& key) {
    if (key != List.Key() && !List.Store())
        ShowError(SettingsSaveErrorText(DiscInfoFilePath()));
    List.Begin(key);
}

void TMainController::ShowNoDisc() {
    ForgetDisc();
    NoDisc = true;
    SetStatus(NoDiscText());
}

void TMainController::ForgetDisc() {
    if (!List.Store())
        ShowError(SettingsSaveErrorText(DiscInfoFilePath()));
    List.Forget();
    Lookup->Abandon();
    Q_EMIT RowsReset();
    Q_EMIT DiscFieldsChanged();
    Q_EMIT StateChanged();
}

void TMainController::FillFromToc() {
    if (!CDHandle)
        return;
    TDisc disc;
    const bool read = ReadDisc(CDHandle, disc);
    const QString key = KeyOfDisc(disc);
    // Titles edited for the disc that was listed are kept before another disc is listed.
    BeginList(key);
    if (!read) {
        SetStatus(LoadResText(QStringLiteral("RES_NotRead_Cd"), QStringLiteral("Not get CD device information!")));
    } else {
        for (size_t i = 0; i < disc.Tracks.size(); ++i) {
            int32_t minutes = 0;
            int32_t seconds = 0;
            disc.ListLength(i, minutes, seconds);
            List.Add(disc.Tracks[i].Number, minutes, seconds);
        }
        NoDisc = List.Empty();
        SetStatus(DriveTitle);
    }
    Q_EMIT RowsReset();
    Q_EMIT DiscFieldsChanged();
    if (read && !List.Empty())
        NameNewDisc(disc);
    Q_EMIT StateChanged();
}

void TMainController::FillFromCDInput() {
    BeginList(CDIn->DiscKey());
    const int count = CDIn->TrackCount();
    for (int n = 1; n <= count; ++n) {
        int minutes = 0;
        int seconds = 0;
        bool data = false;
        if (CDIn->TrackLength(n, minutes, seconds, data))
            List.Add(n, minutes, seconds);
    }
    if (!List.Empty())
        NoDisc = false;
    SetStatus(CDIn->DriveName());
    SavedStatus = StatusText;
    Q_EMIT RowsReset();
    Q_EMIT DiscFieldsChanged();
    Q_EMIT StateChanged();
}

void TMainController::Refresh() {
    // A drive that could not be opened before (no permission yet, plugged in later) is tried
    // again.
    RefreshCDDriveList();
    if (!CDHandle && ListDrives().Count > 0) {
        CDHandle = OpenDrive(Settings.CDIndex);
        Q_EMIT StateChanged();
    }
    if (AudioCDPresent()) {
        if (CDHandle)
            FillFromToc();
        else
            FillFromCDInput();
        if (StatusText == NoDiscText())
            SetStatus(DriveTitle);
    } else {
        ShowNoDisc();
    }
}

void TMainController::PollMedia() {
    if (!CDHandle || Closed || Activating || PollHeld > 0)
        return;
    // Cheap: one status query for a device, a few stat() calls for an image.
    if (CDMediaChanged(CDHandle) != 1)
        return;
    if (AudioCDPresent()) {
        FillFromToc();
    } else {
        ShowNoDisc();
    }
}

void TMainController::TakeDrive(int handle, int index) {
    if (CDHandle && CDHandle != handle)
        CloseOwnHandle(CDHandle);
    CDHandle = handle;
    const TCDDriveList list = ListDrives();
    if (index >= 0 && index < list.Count) {
        const TCDDriveEntry& e = list.Drives[index];
        DriveTitle = DescribeDrive(e);
        DriveIsImage = e.Adapter != 0;
        DrivePath = DrivePathOf(e);
    }
    DriveIndex = index;
    SetStatus(DriveTitle);
    if (AudioCDPresent()) {
        FillFromToc();
    } else {
        ShowNoDisc();
    }
    SavedStatus = StatusText;
    Q_EMIT StateChanged();
}

bool TMainController::OpenDiscImage(const QString& cuePath) {
    int index = 0;
    QString error;
    const int handle = OpenImageDrive(cuePath, index, error);
    if (!handle) {
        ShowError(error);
        return false;
    }
    OwnHandles.insert(handle);
    Settings.CDIndex = index;
    TakeDrive(handle, index);
    return true;
}

void TMainController::OpenDiscImage() {
    if (!Host)
        return;
    const QString path = Host->ChooseDiscImage();
    if (!path.isEmpty())
        OpenDiscImage(path);
}

// ---------------------------------------------------------------------------------------------
// Rows

void TMainController::SetRowSelected(int row, bool selected) {
    if (!List.SetSelected(row, selected))
        return;
    Q_EMIT RowChanged(row);
    Q_EMIT StateChanged();
}

void TMainController::ToggleCurrentRow() {
    if (List.Current() >= 0)
        SetRowSelected(List.Current(), !List.Rows()[size_t(List.Current())].Selected);
}

void TMainController::SelectAll() {
    for (int i = 0; i < List.Count(); ++i)
        SetRowSelected(i, true);
}

void TMainController::SelectNone() {
    for (int i = 0; i < List.Count(); ++i)
        SetRowSelected(i, false);
}

void TMainController::SetRowTitle(int row, const QString& title) {
    if (List.SetTitle(row, title))
        Q_EMIT RowChanged(row);
}

void TMainController::RenameTitle() {
    if (List.Current() < 0 || !Host)
        return;
    const int row = List.Current();
    QString title = List.Rows()[size_t(row)].Title;
    bool confirmed = false;
    {
        const TPollHold hold(PollHeld);
        confirmed = Host->EditTitle(title);
    }
    if (confirmed)
        SetRowTitle(row, title);
}

TRipRequest TMainController::RipRequest() const {
    TRipRequest request = TRipRequest::From(Settings, CurrentDisc);
    request.SetTracks(List.CheckedTracks());
    request.Cover = CoverPicture;
    request.DiscKey = List.Key();
    // The disc as the drive that rips it reads it, for AccurateRip and the log.
    if (CDHandle) {
        ReadDisc(CDHandle, request.Layout);
        request.DriveName = DriveTitle;
    } else if (TCDIn* cdIn = CDIn->Component()) {
        cdIn->ReadDisc(request.Layout);
        request.DriveName = cdIn->DriveName();
    }
    return request;
}

// ---------------------------------------------------------------------------------------------
// Commands

void TMainController::Extract() {
    if (!Enables().Extract) {
        Inform(LoadResText(QStringLiteral("RES_Select_Track"), QStringLiteral("Please select a track at least!")));
        return;
    }
    if (!CreateOutputFolderOnRequest())
        return;
    if (CDHandle == 0 && CDIn->DriveCount() == 0) {
        Inform(LoadResText(QStringLiteral("RES_Get_CDHandle"),
                           QStringLiteral("Please access CD devices rightly above all!")));
        return;
    }
    if (Playing)
        Stop();
    if (Settings.EnableRipTime && Settings.RipTime == 0) {
        Inform(LoadResText(QStringLiteral("RES_Select_0"),
                           QStringLiteral("You select to extract 0 second, please change it on Options dialog.")));
        return;
    }
    if (!OutputFolderUsable() || !Host)
        return;
    TRipRequest request = RipRequest();
    if (Settings.SingleFile && (request.Format == ofWAV || request.Format == ofFLAC)) {
        ExtractToImage(request);
        return;
    }
    // An earlier rip of this disc into this folder that did not finish (or one whose tracks the
    // user picks again): resume it, start over, or no rip.
    bool resuming = false;
    if (const TRipStateFound found = FindRipState(request); found.Found && !found.Usable) {
        Inform(ResText("RES_Resume_Not_Used", "The earlier rip in this folder cannot be resumed: %1.").arg(found.Why));
    } else if (found.Usable) {
        Prompter().NextButtonTexts = {ResText("RES_Resume", "Resume"), ResText("RES_Start_Over", "Start over")};
        const TPromptAnswer answer =
            Prompter().Show(ResumeQuestionText(found.State, QFileInfo(found.Path).absolutePath()),
                            TPromptIcon::Question, TPromptButtons::YesNoCancel, TPromptAnswer::Yes);
        if (answer == TPromptAnswer::Cancel)
            return;
        if (answer == TPromptAnswer::Yes) {
            // Some tracks checked, not all: those are the ones to rip again.
            const auto audio = std::count_if(request.Layout.Tracks.begin(), request.Layout.Tracks.end(),
                                             [](const auto& t) { return !t.Data; });
            PlanResume(found.State, request, request.Tracks.size() < size_t(audio));
            resuming = true;
        }
    }
    // A rip never writes over files silently: replace them all, keep both, or no rip. A resume
    // rips again what the earlier run left unfinished or changed, in its place.
    if (const QStringList existing = request.ExistingFiles(); !existing.isEmpty() && !resuming) {
        const TPromptAnswer answer = Prompter().Show(RipFilesExistText(existing), TPromptIcon::Question,
                                                     TPromptButtons::YesNoCancel, TPromptAnswer::No);
        if (answer == TPromptAnswer::Cancel)
            return;
        if (answer != TPromptAnswer::Yes)
            request.KeepExistingFiles();
    }
    QString folder;
    if (!request.CreateFolders(folder)) {
        ShowError(ResText("RES_Cannot_Create", "Cannot create ") + folder);
        return;
    }
    const TPollHold hold(PollHeld);
    // Secure reading (CDOptions/Paranoia) is done by the CD input only.
    if (!RipThroughCDInput(CDHandle, request.SecureReading)) {
        Host->RunJobWindow(std::make_unique<TRipPipeline>(request,
                                                          std::make_unique<TDriveLibrarySource>(request, CDHandle),
                                                          TRipWindow::Job, Mp3Process.get(), WmaProcess.get()));
        return;
    }
    // The listed disc is the open drive's: the CD input reads that one.
    if (CDHandle)
        CDIn->SetDriveIndex(DriveIndex);
    Host->RunCDRipWindow(request);
}

void TMainController::ConvertFiles(TJobKind jobKind) {
    if (!Host)
        return;
    const QString filter =
        jobKind == TJobKind::Mp3ToWav    ? ResText("RES_Filter_Mp3", "MP3 file(*.mp3) (*.mp3);;Any file(*.*) (*)")
        : jobKind == TJobKind::FlacToWav ? ResText("RES_Filter_Flac", "FLAC file(*.flac) (*.flac);;Any file(*.*) (*)")
                                         : ResText("RES_Filter_Wav", "Sound file(*.wav) (*.wav);;Any file(*.*) (*)");
    const QStringList files = Host->ChooseFiles(jobKind, filter);
    if (files.isEmpty() || !OutputFolderUsable())
        return;
    // Several files go through several encoders at once.
    const int32_t lanes = EncoderThreadCount(Settings.EncoderThreads);
    if (lanes > 1 && files.size() > 1)
        Host->RunJobWindow(std::make_unique<TConvertBatch>(jobKind, files, Settings.OutputFolder, lanes,
                                                           Mp3Process.get(), WmaProcess.get()));
    else
        Host->RunJobWindow(
            std::make_unique<TConvertJob>(jobKind, files, Settings.OutputFolder, Mp3Process.get(), WmaProcess.get()));
}

// ---------------------------------------------------------------------------------------------
// Options dialog services

QStringList TMainController::CDInputDriveNames() {
    return CDIn->DriveNames();
}

void TMainController::SelectDrive(int index) {
    if (CDHandle) {
        CloseOwnHandle(CDHandle);
        CDHandle = 0;
        CDHandle = OpenDrive(index);
    } else {
        CDIn->SetDriveIndex(index);
    }
    Q_EMIT StateChanged();
}

void TMainController::RefillTrackList() {
    if (CDHandle)
        FillFromToc();
    else
        FillFromCDInput();
}
