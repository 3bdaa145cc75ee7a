// TOptionSet: the options dialog's state and rules, without widgets. It copies the Settings
// record into the values of the dialog's controls when the dialog is shown, fills the drive
// list when the CD-ROM page is shown, and on OK checks the values and copies them back. The
// window (TOptionSetForm) shows Values and reads its controls back into them.
//
// Drives reach the dialog through TOptionSetHost, which the main window implements: whether it
// holds a drive-library handle, the CD input's drive names, and reopening a drive.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class TOptionSetHost {
public:
    virtual ~TOptionSetHost() = default;
    // True while the main window holds a handle of the CD drive library: the drive list then
    // comes from GetCDList, and only then does extraction honour the song length.
    virtual bool HasCDLibraryHandle() const = 0;
    // The CD input's drive names in drive-index order; the CD input keeps the drive index it had.
    virtual QStringList CDInputDriveNames() = 0;
    // Makes drive `index` the open drive: with a library handle CDHandle = the drive opened
    // anew, without one the CD input's DriveIndex = index.
    virtual void SelectDrive(int index) = 0;
    // Refills the track list from the drive just selected.
    virtual void RefillTrackList() = 0;
    // OK was pressed: the main window keeps its status text (SavedStatus).
    virtual void KeepStatusText() = 0;
};

class TCDIn;
// The CD input's drive names for CDInputDriveNames: DriveName of each drive index, with the
// CD input's drive index given back afterwards.
QStringList CDInDriveNames(TCDIn& cdIn);

// The values of the dialog's controls.
struct TOptionValues {
    // Output
    QString OutputDir;
    bool KeepWavChecked = false; // "Delete WAV file after processing"
    int OutputFormat = 0;
    bool Normalize = false;
    int NormalizePercent = 95;
    bool RipTimeEnabled = false;
    QString RipTimeText;
    bool SingleFile = false; // "Single file + cue sheet"
    // MP3
    bool SelectVBR = false;
    bool VBRHead = false;
    QString BitRateText;
    QString MaxBitRateText;
    int VBRQuality = 4;
    int MpegQuality = 0;
    int StereoMode = 1;
    // OGG
    bool UseCompress = true;
    int CompressPosition = 30;
    int OggNomBit = 0;
    int OggMaxBit = 0;
    int OggMinBit = 0;
    // WMA
    int WMABitRate = 8;
    // ID3 Tag
    bool UseID3 = false;
    QString Artist;
    QString Album;
    QString Year;
    QString Comment;
    int GenrePosition = 0;   // 0 = the empty item
    int Id3VersionIndex = 2; // ID3v1.1, ID3v2.4, both
    bool ReplayGain = true;
    bool CoverArt = true;
    // FLAC
    int FlacLevel = 5;
    bool FlacVerify = true;
    // CD-ROM
    QStringList CDList;
    int CDListIndex = -1;
    bool CDDb = false;
    bool Paranoia = false;
    int ReadOffset = 0; // samples
    bool TestAndCopy = false;
    bool AccurateRip = true;
};

// Which controls are enabled for the current values.
struct TOptionEnables {
    bool NormalizePercent;
    bool RipTime;
    bool VBRHead;
    bool MaxBitRate;
    bool VBRQuality;
    bool KeepWav;
    bool SingleFile;
};
TOptionEnables OptionEnables(const TOptionValues& values);

// Item lists of the dialog's lists, in their English texts.
QStringList OutputFormatItems();
QStringList Mp3BitRateItems();
QStringList VBRQualityItems();
QStringList MpegQualityItems();
QStringList StereoModeItems();
QStringList OggBitRateItems();
QStringList WmaBitRateItems();
QStringList Id3VersionItems();
QStringList FlacLevelItems();

// Where OK stopped: the control to focus, when its page is the active one.
enum class TOptionCheck { Accepted, BadOutputDir, BadRipTime, BadBitRate, BadMaxBitRate };

class TOptionSet : public QObject {
    Q_OBJECT
public:
    // `host` may be null (no main window): no drives are listed and none is selected.
    explicit TOptionSet(TOptionSetHost* host, QObject* parent = nullptr);

    TOptionValues Values;
    // CDIndex and CDDb when the dialog was shown (a drive index of -1 counted as 0).
    int ShownDrive = 0;
    bool ShownCDDb = false;

    // Copies the Settings record into Values.
    void Show();
    bool RipTimeGroupVisible() const;
    // The "&Default" buttons of the MP3 and WMA pages.
    void SetMp3Defaults();
    void SetWmaDefault();
    // The CD-ROM page was shown: lists the drives anew.
    void FillCDList();
    // Where the folder browser starts: the edit's folder if it exists, else the program's.
    QString BrowseStartFolder() const;
    // Checks the values (message box on a fault) and copies them into the Settings record;
    // reopens the drive when another one was chosen.
    TOptionCheck Accept();

    // "96 kbit/s", " 96 kbit/s" and "96" all read as 96, "8 kbit/s" as 8; false when the text
    // does not begin with a number.
    static bool ReadBitRate(const QString& text, int& kbps);

private:
    TOptionSetHost* Host;
};
