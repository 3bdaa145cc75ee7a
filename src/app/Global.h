// The process-wide Settings record with its options.ini and cdinfo.dat persistence, the
// progress record and events that workers post to windows, the genre table and the small
// helpers shared by every subsystem.
#pragma once

#include <QEvent>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

// Output formats, in the order of the options dialog's list.
enum TOutputFormat : int32_t { ofMP3 = 0, ofWAV = 1, ofOGG = 2, ofWMA = 3 };

struct TSettings {
    // CommonOptions
    QString OutputFolder;
    int32_t OutputFormat = 0;
    bool IsKeepWav = false;
    bool IsNormalize = false;
    int32_t NormalizePercent = 95;
    bool EnableRipTime = false;
    int32_t RipTime = 0;
    // Mp3Options
    bool IsSelectVBR = false;
    bool IsVBRHead = false;
    int32_t BitRate = 128;
    int32_t MaxBitRate = 320;
    int32_t MpegQuality = 0;
    int32_t VBRQuality = 4;
    int32_t StereoMode = 1;
    // OggOptions
    bool IsUseCompress = true;
    int32_t CompressPosition = 30;
    int32_t OggMaxBitRate = 0;
    int32_t OggNomalBitRate = 0;
    int32_t OggMinBitRate = 0;
    // WMAOptions
    int32_t WMABitRate = 8;
    // CDOptions
    int32_t CDIndex = -1;
    bool CDDb = false;
    QString Images; // disc-image drives, paths separated by "|"
    // RecordOptions
    bool SaveMp3 = false;
    // Disc information (cdinfo.dat)
    QString Artist;
    QString Album;
    QString Year;
    int32_t Genre = -1;
    QString Comment;
    int32_t TrackNumber = 100;
    std::array<QString, 101> Titles; // 1..100; [0] unused
    // QueryCDDB
    QString Server;
    QString Script;
    bool UseProxy = false;
    QString ProxyAddress;
    QString Port;
    // ID3
    bool UseID3 = false;
    // Options
    QString Lan;

    TSettings();
};

// The one Settings record. Workers read it without a lock while a modal job runs.
extern TSettings Settings;

// The default CDDB server host.
extern const char* const DefaultCddbServer;

QString OptionsFilePath();
QString DiscInfoFilePath();
void LoadSettings();
void SaveSettings();
// Applies "Section/Key=Value" to the Settings record as if it had been read from options.ini.
// False when the section or key is not known.
bool ApplySettingOverride(const QString& assignment);
void LoadDiscInfo(const QString& key);
void SaveDiscInfo(const QString& key);

// The 148 genre names in alphabetical order; the settings store an index (-1 none).
extern const std::array<const char*, 148> GenreNames;
int32_t GenreIndexOf(const QString& name);

QString TwoDigits(int32_t n);
// "mm:ss" of a number of seconds: 75 -> "01:15", 6000 -> "100:00".
QString MinSecText(int64_t seconds);
QString AddTrailingBackslash(const QString& path);
bool IsFileInUse(const QString& path);
void WaitMilliseconds(int32_t ms);
int64_t FileSizeOf(const QString& path);
QString CleanFileName(const QString& text);
QString OutputFormatName();

// Track list texts: length "mm:ss", size in MiB "41.22", selection item "03My Song".
QString TrackLengthText(int32_t minutes, int32_t seconds);
QString TrackSizeText(int32_t minutes, int32_t seconds);
QString SelectionItemText(int32_t rowIndex, const QString& title);
// Length of track n from two TOC addresses in minutes and seconds (frames ignored).
void TrackLengthFromToc(int32_t m1, int32_t s1, int32_t m2, int32_t s2, int32_t& minutes, int32_t& seconds);

// The gain pass on a 16-bit WAV file, in place, through a ".nor" sibling. Samples saturate at
// the 16-bit limits. The optional callback is told, before each 2048-byte block, the bytes
// processed so far and the file length. Throws std::runtime_error on an I/O error; the file
// at path is then left untouched.
void ScaleWaveFile(int32_t percent, const QString& path,
                   const std::function<void(int64_t done, int64_t total)>& beforeBlock = {});

// The progress record a worker posts to a window; the receiving event owns it.
struct TProcessInfo {
    int32_t Code = 0;
    QString Elapsed;
    QString Estimated;
    int32_t Status = 0;
};

constexpr int WM_USER = 0x0400;
constexpr int WM_JOB_ERROR = WM_USER + 101;
constexpr int WM_JOB_INFO = WM_USER + 102;
constexpr int WM_CDDB_RESULT = WM_USER + 104;

constexpr QEvent::Type JobErrorEventType = static_cast<QEvent::Type>(QEvent::User + 101);
constexpr QEvent::Type JobInfoEventType = static_cast<QEvent::Type>(QEvent::User + 102);
constexpr QEvent::Type CddbResultEventType = static_cast<QEvent::Type>(QEvent::User + 104);

class TJobInfoEvent : public QEvent {
public:
    explicit TJobInfoEvent(std::unique_ptr<TProcessInfo> info) : QEvent(JobInfoEventType), Info(std::move(info)) {}
    std::unique_ptr<TProcessInfo> Info;
};

class TJobErrorEvent : public QEvent {
public:
    explicit TJobErrorEvent(int32_t code) : QEvent(JobErrorEventType), Code(code) {}
    int32_t Code;
};

class TCddbResultEvent : public QEvent {
public:
    TCddbResultEvent(int32_t wParam, intptr_t lParam) : QEvent(CddbResultEventType), WParam(wParam), LParam(lParam) {}
    int32_t WParam;
    intptr_t LParam;
};

// Posting is thread-safe and returns at once. Sending delivers before returning: a direct
// call on the receiver's thread, a blocking queued call from any other thread.
void PostJobInfo(QObject* window, int32_t code, int32_t status = 0, const QString& elapsed = QString(),
                 const QString& estimated = QString());
void PostJobError(QObject* window, int32_t code);
void SendJobInfo(QObject* window, int32_t code, int32_t status = 0, const QString& elapsed = QString(),
                 const QString& estimated = QString());
