// The options dialog's state and rules (see OptionSet.h).
#include "app/OptionSet.h"

#include "cd/CDIn.h"
#include "cd/akrip32.h"
#include "core/DiscInfo.h"
#include "core/Folders.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "jobs/WmaSettings.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

TOptionEnables OptionEnables(const TOptionValues& v) {
    return {.NormalizePercent = v.Normalize,
            .RipTime = v.RipTimeEnabled,
            .VBRHead = v.SelectVBR,
            .MaxBitRate = v.SelectVBR,
            .VBRQuality = v.SelectVBR,
            // A WAV output is the extracted file itself: there is nothing to delete.
            .KeepWav = v.OutputFormat != ofWAV,
            // One file for the whole disc is a WAV or FLAC image.
            .SingleFile = v.OutputFormat == ofWAV || v.OutputFormat == ofFLAC};
}

QStringList OutputFormatItems() {
    return {QStringLiteral("MP3 file(*.MP3)"), QStringLiteral("WAV file(*.WAV)"), QStringLiteral("OGG file(*.OGG)"),
            QStringLiteral("WMA file(*.WMA)"), QStringLiteral("FLAC file(*.FLAC)")};
}

QStringList Id3VersionItems() {
    return {QStringLiteral("ID3v1.1"), QStringLiteral("ID3v2.4"), QStringLiteral("ID3v1.1 + ID3v2.4")};
}

QStringList FlacLevelItems() {
    QStringList items;
    for (int i = 0; i <= 8; ++i)
        items << QString::number(i);
    return items;
}

QStringList Mp3BitRateItems() {
    return {QStringLiteral(" 32 kbit/s"), QStringLiteral(" 40 kbit/s"), QStringLiteral(" 48 kbit/s"),
            QStringLiteral(" 56 kbit/s"), QStringLiteral(" 64 kbit/s"), QStringLiteral(" 80 kbit/s"),
            QStringLiteral(" 96 kbit/s"), QStringLiteral("112 kbit/s"), QStringLiteral("128 kbit/s"),
            QStringLiteral("160 kbit/s"), QStringLiteral("192 kbit/s"), QStringLiteral("224 kbit/s"),
            QStringLiteral("256 kbit/s"), QStringLiteral("320 kbit/s")};
}

QStringList VBRQualityItems() {
    QStringList items;
    for (int i = 0; i <= 9; ++i)
        items << QString::number(i);
    return items;
}

QStringList MpegQualityItems() {
    return {QStringLiteral("Default"), QStringLiteral("Faster encode/Lower quality"),
            QStringLiteral("Slower encode/Higher quality")};
}

QStringList StereoModeItems() {
    return {QStringLiteral("Stereo"), QStringLiteral("Joint Stereo"), QStringLiteral("Forced Joint Stereo"),
            QStringLiteral("Dual Channels"), QStringLiteral("Mono")};
}

QStringList OggBitRateItems() {
    return {QStringLiteral(" Default"),   QStringLiteral(" 45 kbit/s"), QStringLiteral(" 48 kbit/s"),
            QStringLiteral(" 56 kbit/s"), QStringLiteral(" 64 kbit/s"), QStringLiteral(" 80 kbit/s"),
            QStringLiteral(" 96 kbit/s"), QStringLiteral("112 kbit/s"), QStringLiteral("128 kbit/s"),
            QStringLiteral("144 kbit/s"), QStringLiteral("160 kbit/s"), QStringLiteral("192 kbit/s"),
            QStringLiteral("224 kbit/s"), QStringLiteral("256 kbit/s"), QStringLiteral("320 kbit/s")};
}

QStringList WmaBitRateItems() {
    QStringList items;
    for (const TWmaSetting& s : WmaSettingsTable)
        items << QString::fromLatin1(s.Text);
    return items;
}

QStringList CDInDriveNames(TCDIn& cdIn) {
    const int32_t previous = cdIn.DriveIndex();
    QStringList names;
    const int32_t count = cdIn.DriveCount();
    for (int32_t i = 0; i < count; ++i) {
        cdIn.SetDriveIndex(i);
        names << cdIn.DriveName();
    }
    cdIn.SetDriveIndex(previous);
    return names;
}

TOptionSet::TOptionSet(TOptionSetHost* host, QObject* parent) : QObject(parent), Host(host) {}

void TOptionSet::Show() {
    const TSettings& s = Settings;
    TOptionValues& v = Values;
    v.OutputDir = s.OutputFolder;
    v.KeepWavChecked = !s.IsKeepWav;
    v.OutputFormat = s.OutputFormat;
    v.Normalize = s.IsNormalize;
    v.NormalizePercent = s.NormalizePercent;
    v.RipTimeEnabled = s.EnableRipTime;
    v.RipTimeText = QString::number(s.RipTime);
    v.SingleFile = s.SingleFile;
    v.SelectVBR = s.IsSelectVBR;
    v.VBRHead = s.IsVBRHead;
    v.BitRateText = QString::number(s.BitRate) + QStringLiteral(" kbit/s");
    v.MaxBitRateText = QString::number(s.MaxBitRate) + QStringLiteral(" kbit/s");
    v.VBRQuality = s.VBRQuality;
    v.MpegQuality = s.MpegQuality;
    v.StereoMode = s.StereoMode;
    v.UseCompress = s.IsUseCompress;
    v.CompressPosition = s.CompressPosition;
    v.OggNomBit = s.OggNomalBitRate;
    v.OggMaxBit = s.OggMaxBitRate;
    v.OggMinBit = s.OggMinBitRate;
    v.WMABitRate = s.WMABitRate;
    v.UseID3 = s.UseID3;
    v.Artist = CurrentDisc.Artist;
    v.Album = CurrentDisc.Album;
    v.Year = CurrentDisc.Year;
    v.Comment = CurrentDisc.Comment;
    v.GenrePosition = CurrentDisc.Genre + 1;
    v.Id3VersionIndex = s.Id3Version - 1;
    v.ReplayGain = s.ReplayGain;
    v.CoverArt = s.CoverArt;
    v.FlacLevel = s.FlacLevel;
    v.FlacVerify = s.FlacVerify;
    v.CDList.clear();
    v.CDListIndex = -1;
    v.CDDb = s.CDDb;
    v.Paranoia = s.Paranoia;
    v.ReadOffset = s.ReadOffset;
    v.TestAndCopy = s.TestAndCopy;
    v.AccurateRip = s.AccurateRipUse;
    ShownDrive = s.CDIndex == -1 ? 0 : s.CDIndex;
    ShownCDDb = s.CDDb;
}

bool TOptionSet::RipTimeGroupVisible() const {
    return Host && Host->HasCDLibraryHandle();
}

void TOptionSet::SetMp3Defaults() {
    Values.SelectVBR = false;
    Values.VBRHead = false;
    Values.BitRateText = Mp3BitRateItems().at(8);
    Values.MaxBitRateText = Mp3BitRateItems().at(13);
    Values.VBRQuality = 4;
    Values.MpegQuality = 0;
    Values.StereoMode = 1;
}

void TOptionSet::SetWmaDefault() {
    Values.WMABitRate = 8;
}

void TOptionSet::FillCDList() {
    QStringList names;
    if (Host && Host->HasCDLibraryHandle()) {
        // Listed afresh, so that a drive attached since the last listing is offered too.
        RefreshCDDriveList();
        TCDDriveList list{};
        list.Capacity = MaxCDDrives;
        GetCDList(&list);
        for (int i = 0; i < list.Count; ++i) {
            const TCDDriveEntry& e = list.Drives[i];
            // The drive library hands out trimmed texts; the blank keeps vendor and product apart.
            names << (QString::fromLocal8Bit(e.Vendor).trimmed() + ' ' + QString::fromLocal8Bit(e.Product).trimmed())
                         .trimmed()
                         .left(26)
                         .trimmed();
        }
    } else if (Host) {
        names = Host->CDInputDriveNames();
    }
    // Coming back to the page keeps a drive the user picked; the first time, the drive in use.
    const int picked = Values.CDListIndex;
    Values.CDList = names;
    if (picked >= 0 && picked < names.size())
        Values.CDListIndex = picked;
    else
        Values.CDListIndex = ShownDrive < names.size() ? ShownDrive : -1;
}

QString TOptionSet::BrowseStartFolder() const {
    if (!Values.OutputDir.isEmpty() && QFileInfo(Values.OutputDir).isDir())
        return Values.OutputDir;
    return QDir::homePath();
}

bool TOptionSet::ReadBitRate(const QString& text, int& kbps) {
    // The number the text begins with. The list's items all have three characters before
    // " kbit/s", but a value shown from options.ini may not: "8 kbit/s" must not be refused,
    // nor "1000 kbit/s" be read as 100.
    const QString t = text.trimmed();
    qsizetype digits = 0;
    while (digits < t.size() && t[digits] >= '0' && t[digits] <= '9')
        ++digits;
    bool ok = false;
    kbps = t.left(digits).toInt(&ok);
    return ok;
}

TOptionCheck TOptionSet::Accept() {
    TOptionValues& v = Values;
    // The default folder is made when first needed; a folder the user typed never is.
    if (!MakeDefaultOutputFolder(v.OutputDir)) {
        Prompter().Show(v.OutputDir + ',' +
                            LoadResText(QStringLiteral("RES_Directory_Not_Exist"),
                                        QStringLiteral("The output directory does not exist.")),
                        TPromptIcon::Error, TPromptButtons::Ok);
        return TOptionCheck::BadOutputDir;
    }
    bool ok = false;
    const int ripTime = v.RipTimeText.trimmed().toInt(&ok);
    // -100 is refused along with texts that are not numbers: it has long been the marker of an
    // unreadable length.
    if (!ok || ripTime == -100) {
        Prompter().Show(LoadResText(QStringLiteral("RES_Rip_Time_Error"),
                                    QStringLiteral("Please check the song length to extract.")),
                        TPromptIcon::Error, TPromptButtons::Ok);
        return TOptionCheck::BadRipTime;
    }
    // Both bit rates are read before anything is copied, so a bad one leaves every setting as
    // it was instead of half of them changed.
    int bitRate = 0;
    int maxBitRate = 0;
    const bool minOk = ReadBitRate(v.BitRateText, bitRate);
    if (!minOk || !ReadBitRate(v.MaxBitRateText, maxBitRate)) {
        Prompter().Show(ResText("RES_Bit_Rate_Error", "Please check the MP3 bit rate: it must begin with a number."),
                        TPromptIcon::Error, TPromptButtons::Ok);
        return minOk ? TOptionCheck::BadMaxBitRate : TOptionCheck::BadBitRate;
    }

    TSettings& s = Settings;
    s.OutputFolder = v.OutputDir;
    s.IsKeepWav = !v.KeepWavChecked;
    s.OutputFormat = v.OutputFormat;
    s.IsNormalize = v.Normalize;
    s.NormalizePercent = v.NormalizePercent;
    s.EnableRipTime = v.RipTimeEnabled;
    s.RipTime = ripTime;
    s.SingleFile = v.SingleFile;
    s.IsSelectVBR = v.SelectVBR;
    s.IsVBRHead = v.VBRHead;
    s.BitRate = bitRate;
    s.MaxBitRate = maxBitRate;
    s.VBRQuality = v.VBRQuality;
    s.MpegQuality = v.MpegQuality;
    s.StereoMode = v.StereoMode;
    s.IsUseCompress = v.UseCompress;
    s.CompressPosition = v.CompressPosition;
    s.OggNomalBitRate = v.OggNomBit;
    s.OggMaxBitRate = v.OggMaxBit;
    s.OggMinBitRate = v.OggMinBit;
    s.WMABitRate = v.WMABitRate;
    s.UseID3 = v.UseID3;
    CurrentDisc.Artist = v.Artist;
    CurrentDisc.Album = v.Album;
    CurrentDisc.Year = v.Year;
    CurrentDisc.Comment = v.Comment;
    CurrentDisc.Genre = v.GenrePosition < 1 ? -1 : v.GenrePosition - 1;
    s.Id3Version = std::clamp(v.Id3VersionIndex + 1, 1, 3);
    s.ReplayGain = v.ReplayGain;
    s.CoverArt = v.CoverArt;
    s.FlacLevel = std::clamp(v.FlacLevel, 0, 8);
    s.FlacVerify = v.FlacVerify;
    // The drive list is filled only when the CD-ROM page is shown: without it, OK on another
    // page would forget the drive chosen before, and the next start would open drive 0.
    if (!v.CDList.isEmpty())
        s.CDIndex = v.CDListIndex;
    s.CDDb = v.CDDb;
    s.Paranoia = v.Paranoia;
    s.ReadOffset = std::clamp(v.ReadOffset, -MaxReadOffset, MaxReadOffset);
    s.TestAndCopy = v.TestAndCopy;
    s.AccurateRipUse = v.AccurateRip;

    // A list without a selection (the drive in use vanished) opens nothing.
    if (Host && !v.CDList.isEmpty() && v.CDListIndex >= 0 && (v.CDListIndex != ShownDrive || v.CDDb != ShownCDDb)) {
        Host->SelectDrive(v.CDListIndex);
        Host->RefillTrackList();
    }
    if (Host)
        Host->KeepStatusText();
    return TOptionCheck::Accepted;
}
