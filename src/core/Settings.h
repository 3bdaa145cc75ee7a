// The process-wide Settings record with its options.ini persistence. The information of the
// disc being listed is a record of its own (DiscInfo.h).
#pragma once

#include <QString>

#include <cstdint>

// Output formats, in the order of the options dialog's list.
enum TOutputFormat : int32_t { ofMP3 = 0, ofWAV = 1, ofOGG = 2, ofWMA = 3, ofFLAC = 4 };

struct TSettings {
    // CommonOptions
    QString OutputFolder;
    int32_t OutputFormat = 0;
    bool IsKeepWav = false;
    bool IsNormalize = false;
    int32_t NormalizePercent = 95;
    bool EnableRipTime = false;
    int32_t RipTime = 0;
    // The path of a track's files below the output folder, without extension: %artist%,
    // %album%, %year%, %genre%, %track% (two digits) and %title% are replaced by the fields,
    // each cleaned for a file name on its own; "/" makes folders.
    QString NamePattern;
    // Encodes running at once while the drive reads on (0 = one per processor core), and
    // whether reading and encoding overlap at all (0: read a track, encode it, then the next).
    int32_t EncoderThreads = 0;
    bool Pipeline = true;
    // A rip writes the whole disc as one file (WAV or FLAC) and a cue sheet instead of a file
    // per track.
    bool SingleFile = false;
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
    // FlacOptions: compression level 0..8 and verifying each frame while encoding
    int32_t FlacLevel = 5;
    bool FlacVerify = true;
    // CDOptions
    int32_t CDIndex = -1;
    bool CDDb = false;
    QString Images;        // disc-image drives, paths separated by "|"
    bool Paranoia = false; // secure reading with jitter correction
    int32_t ReadOffset = 0; // the drive's read offset in samples, -2940..2940
    bool TestAndCopy = false; // each track read twice, the two reads compared
    // RecordOptions
    bool SaveMp3 = false;
    // QueryCDDB
    QString Server;
    QString Script;
    bool UseProxy = false;
    QString ProxyAddress;
    QString Port;
    QString Email;      // the user part of the CDDB hello ("@" separates user and host); empty until asked
    QString ClientName; // the client part of the CDDB hello, sent with DW_VERSION
    // ID3
    bool UseID3 = false;
    // Which tags an MP3 gets: 1 ID3v1.1, 2 ID3v2.4, 3 both
    int32_t Id3Version = 3;
    // Tags: ReplayGain 2.0 values measured while ripping and written into the files
    bool ReplayGain = true;
    // Metadata: where a lookup of a disc's titles asks, in order (cdtext, musicbrainz, cddb);
    // whether a disc with no titles in cdinfo.dat is looked up when it appears; the MusicBrainz
    // server (base URL) and the contact its User-Agent names.
    QString MetadataSources;
    bool LookupOnInsert = true;
    QString MusicBrainzServer;
    QString MetadataContact;
    // The front cover of a MusicBrainz release from the Cover Art Archive, embedded in the files
    // and saved as cover.jpg beside them; the archive's base URL.
    bool CoverArt = true;
    QString CoverArtServer;
    // Options
    QString Lan;
    // AccurateRip
    bool AccurateRipUse = true;
    QString AccurateRipServer;
    // Log
    bool WriteLog = true; // a rip log and cue sheet beside every rip's files
    // Folders: where the file dialogs of each kind of file were last answered (empty: the
    // home folder)
    QString FolderWav;   // WAV files: conversions' inputs, WAV to WAV, the recorder
    QString FolderMp3;   // MP3 files: MP3 to WAV, the tag editor
    QString FolderOgg;   // the Ogg player
    QString FolderImage; // disc images
    QString FolderCover; // cover pictures

    TSettings();
};

// The one Settings record: read and changed on the main thread only. A job takes what it needs
// from it into its request when it starts (workers never read it).
extern TSettings Settings;

// The default CDDB server host and MusicBrainz server.
extern const char* const DefaultCddbServer;
extern const char* const DefaultMusicBrainzServer;
extern const char* const DefaultAccurateRipServer;
extern const char* const DefaultCoverArtServer;
// Read offsets go at most this many samples either way (five sectors).
constexpr int32_t MaxReadOffset = 2940;
// At most this many encodes run at once.
constexpr int32_t MaxEncoderThreads = 32;
// CommonOptions/EncoderThreads as a count: 0 means one per processor core.
int32_t EncoderThreadCount(int32_t setting);

QString OptionsFilePath();
void LoadSettings();
// The message shown when options.ini or cdinfo.dat could not be written.
QString SettingsSaveErrorText(const QString& path);
// Writes options.ini atomically; false when it could not be written (the old file is kept).
bool SaveSettings();
// Applies "Section/Key=Value" to the Settings record as if it had been read from options.ini.
// False when the section or key is not known.
bool ApplySettingOverride(const QString& assignment);

// "MP3", "WAV", "OGG", "WMA" or "FLAC" for an output format; empty for any other value. Without an
// argument, of the OutputFormat setting.
QString OutputFormatName(int32_t format);
QString OutputFormatName();
// The file extension of an output format: ".mp3", ".wav", ".ogg", ".wma", ".flac" (".wav" for
// any other).
QString OutputFormatExtension(int32_t format);
