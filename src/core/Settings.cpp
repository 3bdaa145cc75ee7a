// Settings record and disc information persistence (see Settings.h).
#include "core/Settings.h"

#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <thread>
#include <vector>

TSettings Settings;

const char* const DefaultCddbServer = "gnudb.gnudb.org";
const char* const DefaultMusicBrainzServer = "https://musicbrainz.org";
const char* const DefaultAccurateRipServer = "http://www.accuraterip.com";
const char* const DefaultCoverArtServer = "https://coverartarchive.org";

TSettings::TSettings()
    : NamePattern(QStringLiteral("%title%")), Server(QString::fromLatin1(DefaultCddbServer)),
      Script(QStringLiteral("/~cddb/cddb.cgi")), Port(QStringLiteral("80")), ClientName(QStringLiteral("Discwright")),
      MetadataSources(QStringLiteral("cdtext,musicbrainz,cddb")),
      MusicBrainzServer(QString::fromLatin1(DefaultMusicBrainzServer)),
      CoverArtServer(QString::fromLatin1(DefaultCoverArtServer)), Lan(QStringLiteral("English")),
      AccurateRipServer(QString::fromLatin1(DefaultAccurateRipServer)) {}

namespace {

enum class TKind { String, Integer, Boolean };

struct TOption {
    const char* Section;
    const char* Key;
    TKind Kind;
    void* Field;
};

// Every persisted option in file order.
std::vector<TOption> OptionTable() {
    TSettings& s = Settings;
    return {
        {"CommonOptions", "OutputFolder", TKind::String, &s.OutputFolder},
        {"CommonOptions", "OutputFormat", TKind::Integer, &s.OutputFormat},
        {"CommonOptions", "IsKeepWav", TKind::Boolean, &s.IsKeepWav},
        {"CommonOptions", "IsNormalize", TKind::Boolean, &s.IsNormalize},
        {"CommonOptions", "NormalizePercent", TKind::Integer, &s.NormalizePercent},
        {"CommonOptions", "EnableRipTime", TKind::Boolean, &s.EnableRipTime},
        {"CommonOptions", "RipTime", TKind::Integer, &s.RipTime},
        {"CommonOptions", "NamePattern", TKind::String, &s.NamePattern},
        {"CommonOptions", "EncoderThreads", TKind::Integer, &s.EncoderThreads},
        {"CommonOptions", "Pipeline", TKind::Boolean, &s.Pipeline},
        {"CommonOptions", "SingleFile", TKind::Boolean, &s.SingleFile},
        {"Mp3Options", "IsSelectVBR", TKind::Boolean, &s.IsSelectVBR},
        {"Mp3Options", "IsVBRHead", TKind::Boolean, &s.IsVBRHead},
        {"Mp3Options", "BitRate", TKind::Integer, &s.BitRate},
        {"Mp3Options", "MaxBitRate", TKind::Integer, &s.MaxBitRate},
        {"Mp3Options", "MpegQuality", TKind::Integer, &s.MpegQuality},
        {"Mp3Options", "VBRQuality", TKind::Integer, &s.VBRQuality},
        {"Mp3Options", "StereoMode", TKind::Integer, &s.StereoMode},
        {"OggOptions", "IsUseCompress", TKind::Boolean, &s.IsUseCompress},
        {"OggOptions", "CompressPosition", TKind::Integer, &s.CompressPosition},
        {"OggOptions", "MaxBitRate", TKind::Integer, &s.OggMaxBitRate},
        {"OggOptions", "NomalBitRate", TKind::Integer, &s.OggNomalBitRate},
        {"OggOptions", "MinBitRate", TKind::Integer, &s.OggMinBitRate},
        {"WMAOptions", "BitRate", TKind::Integer, &s.WMABitRate},
        {"FlacOptions", "Level", TKind::Integer, &s.FlacLevel},
        {"FlacOptions", "Verify", TKind::Boolean, &s.FlacVerify},
        {"CDOptions", "Index", TKind::Integer, &s.CDIndex},
        {"CDOptions", "CDDb", TKind::Boolean, &s.CDDb},
        {"CDOptions", "Images", TKind::String, &s.Images},
        {"CDOptions", "Paranoia", TKind::Boolean, &s.Paranoia},
        {"CDOptions", "ReadOffset", TKind::Integer, &s.ReadOffset},
        {"CDOptions", "TestAndCopy", TKind::Boolean, &s.TestAndCopy},
        {"RecordOptions", "SaveMp3", TKind::Boolean, &s.SaveMp3},
        {"QueryCDDB", "Server", TKind::String, &s.Server},
        {"QueryCDDB", "Script", TKind::String, &s.Script},
        {"QueryCDDB", "UseProxy", TKind::Boolean, &s.UseProxy},
        {"QueryCDDB", "ProxyAddress", TKind::String, &s.ProxyAddress},
        {"QueryCDDB", "Port", TKind::String, &s.Port},
        {"QueryCDDB", "Email", TKind::String, &s.Email},
        {"QueryCDDB", "ClientName", TKind::String, &s.ClientName},
        {"ID3", "Use", TKind::Boolean, &s.UseID3},
        {"ID3", "Version", TKind::Integer, &s.Id3Version},
        {"Tags", "ReplayGain", TKind::Boolean, &s.ReplayGain},
        {"Metadata", "Sources", TKind::String, &s.MetadataSources},
        {"Metadata", "LookupOnInsert", TKind::Boolean, &s.LookupOnInsert},
        {"Metadata", "MusicBrainzServer", TKind::String, &s.MusicBrainzServer},
        {"Metadata", "Contact", TKind::String, &s.MetadataContact},
        {"Metadata", "CoverArt", TKind::Boolean, &s.CoverArt},
        {"Metadata", "CoverArtServer", TKind::String, &s.CoverArtServer},
        {"Options", "Lan", TKind::String, &s.Lan},
        {"AccurateRip", "Use", TKind::Boolean, &s.AccurateRipUse},
        {"AccurateRip", "Server", TKind::String, &s.AccurateRipServer},
        {"Log", "Write", TKind::Boolean, &s.WriteLog},
        {"Folders", "Wav", TKind::String, &s.FolderWav},
        {"Folders", "Mp3", TKind::String, &s.FolderMp3},
        {"Folders", "Ogg", TKind::String, &s.FolderOgg},
        {"Folders", "Image", TKind::String, &s.FolderImage},
        {"Folders", "Cover", TKind::String, &s.FolderCover},
    };
}

// Defaults of a fresh record: the output folder is "Output" below the program folder of a
// portable build, the user's music folder + "/Discwright" for an installed program.
TSettings DefaultSettings() {
    TSettings d;
    d.OutputFolder = DefaultOutputFolder();
    return d;
}

// Values a damaged or hand-edited options.ini may hold that the program cannot work with.
void ClampLoadedValues() {
    if (Settings.CompressPosition < 30)
        Settings.CompressPosition = 30;
    if (Settings.CompressPosition > 100)
        Settings.CompressPosition = 100;
    // An unknown output format would make every rip fail with a misleading encoder error and
    // show an empty choice in the options dialog: it falls back to the default, MP3.
    if (Settings.OutputFormat < ofMP3 || Settings.OutputFormat > ofFLAC)
        Settings.OutputFormat = ofMP3;
    // lame takes a VBR quality outside 0..9 without complaint and encodes at 8 kHz: every VBR
    // rip would be spoilt without a word.
    if (Settings.VBRQuality < 0 || Settings.VBRQuality > 9)
        Settings.VBRQuality = TSettings().VBRQuality;
    if (Settings.FlacLevel < 0 || Settings.FlacLevel > 8)
        Settings.FlacLevel = TSettings().FlacLevel;
    if (Settings.Id3Version < 1 || Settings.Id3Version > 3)
        Settings.Id3Version = TSettings().Id3Version;
    Settings.CoverArtServer = Settings.CoverArtServer.trimmed();
    if (Settings.CoverArtServer.isEmpty())
        Settings.CoverArtServer = QString::fromLatin1(DefaultCoverArtServer);
    // AccurateRip's drive offsets lie within five sectors either way.
    if (Settings.ReadOffset < -MaxReadOffset || Settings.ReadOffset > MaxReadOffset)
        Settings.ReadOffset = 0;
    // Without an address no rip could be checked.
    Settings.AccurateRipServer = Settings.AccurateRipServer.trimmed();
    if (Settings.AccurateRipServer.isEmpty())
        Settings.AccurateRipServer = QString::fromLatin1(DefaultAccurateRipServer);
    // More encoders than this only fight over the disk.
    if (Settings.EncoderThreads < 0 || Settings.EncoderThreads > MaxEncoderThreads)
        Settings.EncoderThreads = 0;
    // An empty folder would put every rip into whatever folder the program was started from.
    if (Settings.OutputFolder.trimmed().isEmpty())
        Settings.OutputFolder = DefaultSettings().OutputFolder;
    // An empty pattern would name every file after nothing.
    if (Settings.NamePattern.trimmed().isEmpty())
        Settings.NamePattern = TSettings().NamePattern;
}

} // namespace

QString OptionsFilePath() {
    return AddTrailingBackslash(ProgramFolder()) + QStringLiteral("options.ini");
}

void LoadSettings() {
    // Defaults come from a fresh record.
    Settings = DefaultSettings();

    const TIniFile ini(OptionsFilePath());
    for (const TOption& o : OptionTable()) {
        const QString section = QString::fromLatin1(o.Section);
        const QString key = QString::fromLatin1(o.Key);
        switch (o.Kind) {
        case TKind::String: {
            QString& f = *static_cast<QString*>(o.Field);
            f = ini.ReadString(section, key, f);
            break;
        }
        case TKind::Integer: {
            int32_t& f = *static_cast<int32_t*>(o.Field);
            f = ini.ReadInteger(section, key, f);
            break;
        }
        case TKind::Boolean: {
            bool& f = *static_cast<bool*>(o.Field);
            f = ini.ReadBool(section, key, f);
            break;
        }
        }
    }
    ClampLoadedValues();
}

QString SettingsSaveErrorText(const QString& path) {
    return path + ResText("RES_Settings_Save_Error", " could not be written. Check the free space and the permissions "
                                                     "of the program folder.");
}

bool SaveSettings() {
    TIniFile ini(OptionsFilePath());
    for (const TOption& o : OptionTable()) {
        const QString section = QString::fromLatin1(o.Section);
        const QString key = QString::fromLatin1(o.Key);
        switch (o.Kind) {
        case TKind::String:
            ini.WriteString(section, key, *static_cast<QString*>(o.Field));
            break;
        case TKind::Integer:
            ini.WriteInteger(section, key, *static_cast<int32_t*>(o.Field));
            break;
        case TKind::Boolean:
            ini.WriteBool(section, key, *static_cast<bool*>(o.Field));
            break;
        }
    }
    return ini.UpdateFile();
}

bool ApplySettingOverride(const QString& assignment) {
    const int slash = assignment.indexOf('/');
    const int eq = assignment.indexOf('=');
    if (slash <= 0 || eq <= slash + 1)
        return false;
    const QString section = assignment.left(slash).trimmed();
    const QString key = assignment.mid(slash + 1, eq - slash - 1).trimmed();
    const QString value = assignment.mid(eq + 1).trimmed();
    for (const TOption& o : OptionTable()) {
        if (section.compare(QLatin1String(o.Section), Qt::CaseInsensitive) != 0 ||
            key.compare(QLatin1String(o.Key), Qt::CaseInsensitive) != 0)
            continue;
        int number = 0;
        switch (o.Kind) {
        case TKind::String:
            *static_cast<QString*>(o.Field) = value;
            if (Settings.NamePattern.trimmed().isEmpty())
                Settings.NamePattern = TSettings().NamePattern;
            return true;
        case TKind::Integer:
            if (!TIniFile::ParseInteger(value, number))
                return false;
            *static_cast<int32_t*>(o.Field) = number;
            ClampLoadedValues();
            return true;
        case TKind::Boolean:
            if (!TIniFile::ParseInteger(value, number))
                return false;
            *static_cast<bool*>(o.Field) = number != 0;
            return true;
        }
    }
    return false;
}

QString OutputFormatName() {
    return OutputFormatName(Settings.OutputFormat);
}

QString OutputFormatExtension(int32_t format) {
    switch (format) {
    case ofMP3:
        return QStringLiteral(".mp3");
    case ofOGG:
        return QStringLiteral(".ogg");
    case ofWMA:
        return QStringLiteral(".wma");
    case ofFLAC:
        return QStringLiteral(".flac");
    default:
        return QStringLiteral(".wav");
    }
}

QString OutputFormatName(int32_t format) {
    switch (format) {
    case ofMP3:
        return QStringLiteral("MP3");
    case ofWAV:
        return QStringLiteral("WAV");
    case ofOGG:
        return QStringLiteral("OGG");
    case ofWMA:
        return QStringLiteral("WMA");
    case ofFLAC:
        return QStringLiteral("FLAC");
    default:
        return QString();
    }
}

int32_t EncoderThreadCount(int32_t setting) {
    if (setting > 0)
        return std::min(setting, MaxEncoderThreads);
    return std::clamp(int32_t(std::thread::hardware_concurrency()), 1, MaxEncoderThreads);
}
