// TMainController: the main window's state and every command of it, without widgets. It owns
// the open drive, the track list rows, the status text, the two process-wide encoder wrappers,
// the media-change poll, the CD player and the CDDB component of the path without a handle; TMainForm shows it and
// forwards clicks. What needs a screen (the no-device hint, file and title dialogs, the job windows, the desktop's file
// opener) is asked of the window through TMainWindowHost, so tests drive the controller with a host of their own.
#pragma once

#include "app/CDInputService.h"
#include "app/DesktopCommands.h"
#include "app/OptionSet.h"
#include "app/TrackList.h"
#include "cd/Disc.h"
#include "cddb/QueryCddbResult.h"
#include "jobs/JobController.h"
#include "jobs/JobKind.h"
#include "jobs/RipRequest.h"
#include "metadata/DiscCandidate.h"
#include "platform/ProductPages.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

class TCDDBInfo;
class TCoverFetch;
struct TCoverAnswer;
class TCdAudioPlayer;
class TDiscLookup;
struct TLookupOutcome;
class TMp3EncodeProcess;
class TWMAEncodeProcess;

enum class THintChoice { Close, OpenDiscImage, OpenDemoDisc };

// What the controller asks of its window.
class TMainWindowHost {
public:
    virtual ~TMainWindowHost() = default;
    // The no-device hint, modal.
    virtual THintChoice ShowNoDeviceHint() = 0;
    // A disc image (.cue or .toc) chosen by the user; empty when cancelled.
    virtual QString ChooseDiscImage() = 0;
    // The input files of a conversion, chosen in the multi-select open dialog with a Qt name
    // filter; empty when cancelled.
    virtual QStringList ChooseFiles(TJobKind jobKind, const QString& filter) = 0;
    // The title dialog with `title` in its edit field; true (and the edited text) on OK.
    virtual bool EditTitle(QString& title) = 0;
    // Opens a folder, a file or a web address with the desktop's program for it.
    virtual bool OpenInShell(const QString& pathOrUrl) = 0;
    // The conversion job window (TRipForm), modal, running `job` (a rip through the drive
    // library, or conversions of files).
    virtual void RunJobWindow(std::unique_ptr<TJobController> job) = 0;
    // The CD rip window (TfrmCDRip), modal: the rip of `request` through the CD input.
    virtual void RunCDRipWindow(const TRipRequest& request) = 0;
    // The CDDB query dialog (TfrmQueryCDDB), modal, for the disc behind `cdHandle`; `onResult`
    // runs when its query finished, after the disc fields went into the Settings record.
    virtual void RunQueryCddbDialog(uint8_t firstTrack, uint8_t lastTrack, int cdHandle,
                                    const std::function<void(const TQueryCddbResult&)>& onResult) = 0;
    // The release chooser, modal, for the candidates `source` found; the index picked, or -1
    // (nothing changes then).
    virtual int ChooseRelease(const std::vector<TDiscCandidate>& candidates, const QString& source) {
        Q_UNUSED(candidates);
        Q_UNUSED(source);
        return -1;
    }
    // Asks for the e-mail address of the CDDB hello (the first CDDB query); false when none
    // was given.
    virtual bool AskCddbEmail(QString& email) {
        Q_UNUSED(email);
        return false;
    }
    // A picture file for the disc's cover; empty when cancelled.
    virtual QString ChooseCoverFile() { return QString(); }
};

// Which commands are enabled.
struct TMainEnables {
    bool Extract = false;     // a row is checked
    bool Play = false;        // a row is selected
    bool RenameTitle = false; // a row is selected
    bool Stop = false;        // playing
    bool Pause = false;       // playing and not paused
    bool QueryFreedb = false; // the list has rows
    bool LookUp = false;      // the list has rows and no lookup runs
    bool Door = false;        // the open drive is a physical drive
};

class TMainController : public QObject, public TOptionSetHost {
    Q_OBJECT
public:
    // Loads the settings and creates the encoder wrappers. `cdInput` null: the CD input over
    // TCDIn.
    explicit TMainController(TMainWindowHost* host, std::unique_ptr<TCDInputService> cdInput = nullptr,
                             QObject* parent = nullptr);
    ~TMainController() override;

    // Drive library handle of the open drive; 0 when none could be opened (the CD input is then
    // used).
    int CDHandle = 0;
    // No audio CD was found: activations show the no-disc text.
    bool NoDisc = false;
    bool Playing = false;
    bool Paused = false;
    // Vendor and product of the open drive, at most 26 characters.
    QString DriveTitle;
    // The status text to go back to after playback.
    QString SavedStatus;

    const QString& Status() const { return StatusText; }
    void SetStatus(const QString& text);
    // Runs switchLanguage; when it switched, the status line's own texts (no disc, no drive)
    // are shown again in the new language. A drive's name or a message stays as it is.
    bool SwitchLanguageKeepingStatus(const std::function<bool()>& switchLanguage);
    const std::vector<TTrackRow>& Rows() const { return List.Rows(); }
    int CurrentRow() const { return List.Current(); }
    void SetCurrentRow(int row);
    TMainEnables Enables() const;
    bool OpenDriveIsImage() const { return DriveIsImage; }
    // The key under which the listed titles are kept in cdinfo.dat.
    const QString& ListedDiscKey() const { return List.Key(); }
    bool NoDeviceHintShown() const { return HintShown; }

    TCDInputService& CDInput() { return *CDIn; }
    TMp3EncodeProcess& Mp3Encoder() { return *Mp3Process; }
    TWMAEncodeProcess& WmaEncoder() { return *WmaProcess; }
    // The CD player of Play, Pause and Stop.
    TCdAudioPlayer& CdPlayer() { return *Player; }
    // The CDDB component of the path without a drive handle, bound to the CD input.
    TCDDBInfo& CDDBInfo() { return *CDDBInfo1; }

    // The window is shown (once): opens drive CDIndex and fills the list; starts the poll.
    void Show();
    // The window became active: without a drive handle, looks for drives through the CD input
    // (no-device hint at most once per start) and refills the list from it.
    void Activate();
    // Before closing: ends running encoders.
    void CloseQuery();
    // Closing: titles to cdinfo.dat, the drive closed, options.ini written. Runs once.
    void Close();

    // Opens drive `index` of the drive list (negative or past the end: drive 0) and returns the
    // handle, or 0.
    int OpenDrive(int index);
    // Whether the open drive holds a disc whose first track is audio.
    bool AudioCDPresent();
    void FillFromToc();
    void FillFromCDInput();
    void Refresh();
    // One step of the media-change poll (every 2 s while a drive is open). Waits while a
    // window that works on the listed rows is open; the change is seen at the next step.
    void PollMedia();
    // Makes a .cue or .toc image a drive (added to CDOptions/Images), opens it and fills the list.
    // False (with a message) when it cannot be opened; the settings are then left as they were.
    bool OpenDiscImage(const QString& cuePath);
    // Asks the host for an image first.
    void OpenDiscImage();

    void SetRowSelected(int row, bool selected);
    // Ctrl-click: toggles the check box of the selected row.
    void ToggleCurrentRow();
    void SelectAll();
    void SelectNone();
    void SetRowTitle(int row, const QString& title);
    // The title dialog for the selected row.
    void RenameTitle();
    // The rip of the checked rows, in list order, as the settings and the disc's fields ask for
    // it now: each track's place on the disc, its title and file base name.
    TRipRequest RipRequest() const;

    void Extract();
    // Multi-select file dialog, then the job window converting the files.
    void ConvertFiles(TJobKind jobKind);
    void OpenOutputDirectory();
    // Door of the open drive; only physical drives have one.
    void Eject();
    void CloseDoor();
    void VolumeControl();
    void Help();
    // CD playback of the selected row's track, to the next track's start: resumes a paused
    // track, otherwise (re)starts the player. Player errors show on the status line only.
    void Play();
    void Pause();
    // Stops and closes the player; the status goes back to SavedStatus.
    void Stop();
    // Names the tracks from a CDDB server: with a drive handle through the query dialog,
    // otherwise through the CDDB component (blocking, up to the HTTP time-outs).
    void QueryFreedb();
    // Look up disc: asks the sources of Metadata/Sources in order on a thread of its own; the
    // first that finds the disc names it (several candidates: the release chooser). A failure
    // is shown in a box. The first CDDB query asks for the e-mail address first.
    void LookUpDisc();
    // Whether a lookup is running.
    bool LookingUp() const;
    // Edits of the disc's fields in the window (the fields the ID3 page edits): artist, album,
    // year; the genre by its place in GenreNames (-1 none).
    void SetDiscArtist(const QString& text);
    void SetDiscAlbum(const QString& text);
    void SetDiscYear(const QString& text);
    void SetDiscGenre(int genre);
    // The front cover of the listed disc (JPEG or PNG), which rips embed: fetched for its
    // MusicBrainz release (Metadata/CoverArt), or picked from a file; empty when there is none.
    const QByteArray& Cover() const { return CoverPicture; }
    // A picture file as the listed disc's cover; false (with a box) when it is none.
    bool PickCover(const QString& path);
    // Asks the host for a picture file, then PickCover.
    void ChooseCover();

    // TOptionSetHost: the drive services the main window offers the options dialog.
    bool HasCDLibraryHandle() const override { return CDHandle != 0; }
    QStringList CDInputDriveNames() override;
    // Makes drive `index` the open drive (reopened through the drive library, or selected on
    // the CD input); RefillTrackList then lists it.
    void SelectDrive(int index) override;
    void RefillTrackList() override;
    void KeepStatusText() override { SavedStatus = StatusText; }

Q_SIGNALS:
    // The whole list changed (filled, cleared).
    void RowsReset();
    void RowChanged(int row);
    void StatusChanged(const QString& text);
    // Something an enabled rule depends on changed.
    void StateChanged();
    // The disc's fields (CurrentDisc) changed other than by the window's own edits.
    void DiscFieldsChanged();
    // A lookup ended (its result applied, or its failure shown).
    void LookupEnded();
    // Cover() changed.
    void CoverChanged();

private:
    // Holds the media poll for as long as it lives.
    struct TPollHold {
        explicit TPollHold(int& count) : Count(count) { ++Count; }
        ~TPollHold() { --Count; }
        TPollHold(const TPollHold&) = delete;
        TPollHold& operator=(const TPollHold&) = delete;
        int& Count;
    };

    // Starts listing the disc with `key` (the titles of the disc listed before are stored).
    void BeginList(const QString& key);
    // The disc went away: titles kept, list cleared.
    void ForgetDisc();
    // The same, and the status says that there is no disc.
    void ShowNoDisc();
    // Makes `handle` (drive `index`) the open drive, closing the previous one, and fills the
    // list from it.
    void TakeDrive(int handle, int index);
    // Closes a drive-library handle this controller opened.
    bool CloseOwnHandle(int handle);
    // Playback broke off or could not start: idle again, the status says why.
    void PlaybackFailed(const QString& why);
    void QueryFreedbThroughCDInput();
    // The cover follows the listed disc and its release; a fetch's answer.
    void UpdateCover();
    void CoverFetched(const TCoverAnswer& answer);
    // Extract with "Single file + cue sheet": the whole disc into one image in the job window.
    void ExtractToImage(const TRipRequest& request);
    void ApplyCddbTitles(const TQueryCddbResult& result);
    // Opens a folder, file or address through the window.
    TShellOpener ShellOpener() const;
    // A disc record found for the listed disc: its fields and titles go into the disc's
    // information, and the rows take the titles.
    void ApplyRecord(const TDiscRecord& record);
    // The listed disc has no titles in cdinfo.dat: its CD-TEXT names it, and with
    // Metadata/LookupOnInsert the sources are asked (no box: the status line reports).
    void NameNewDisc(const TDisc& disc);
    // Starts a lookup of the listed disc (`manual`: Look up disc); `only` limits it to one
    // source.
    void StartLookup(const TDisc& disc, bool manual, const QString& only = QString());
    void LookupFinished(const TLookupOutcome& outcome);
    // The listed disc's layout through the open drive (or the CD input); false when unreadable.
    bool ListedDisc(TDisc& disc);

    TMainWindowHost* Host;
    std::unique_ptr<TCDInputService> CDIn;
    std::unique_ptr<TMp3EncodeProcess> Mp3Process;
    std::unique_ptr<TWMAEncodeProcess> WmaProcess;
    std::unique_ptr<TCdAudioPlayer> Player;
    std::unique_ptr<TCDDBInfo> CDDBInfo1;
    std::unique_ptr<TDiscLookup> Lookup;
    // The cover: its picture, the disc (key) and release it is for, whether it was picked.
    std::unique_ptr<TCoverFetch> CoverFetch;
    QByteArray CoverPicture;
    QString CoverKey;
    QString CoverRelease;
    bool CoverPicked = false;
    // The running lookup: by the user, of the disc with this key and layout.
    bool LookupManual = false;
    QString LookupKey;
    TDisc LookupDisc;
    QTimer MediaTimer;
    QString StatusText;
    TTrackList List;
    bool DriveIsImage = false;
    QString DrivePath; // device node or image file of the open drive
    int DriveIndex = 0;
    std::set<int> OwnHandles; // drive-library handles this controller opened and has not closed
    bool HintShown = false;
    bool Activating = false;
    // Set while a window that works on the listed rows is open (title dialog, rip, CDDB query):
    // the media poll waits, so that its result never lands on another disc's rows.
    int PollHeld = 0;
    bool Closed = false;
};
