// Settings record, persistence and shared helpers (see Global.h).
#include "app/Global.h"

#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <cmath>
#include <stdexcept>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TSettings Settings;

const char* const DefaultCddbServer = "gnudb.gnudb.org";

TSettings::TSettings()
    : Server(QString::fromLatin1(DefaultCddbServer)), Script(QStringLiteral("/~cddb/cddb.cgi")),
      Port(QStringLiteral("80")), Lan(QStringLiteral("English")) {}

const std::array<const char*, 148> GenreNames = {
    "A Cappella", "Acid", "Acid Jazz", "Acid Punk", "Acoustic", "Alt. Rock", "Alternative", "Ambient", "Anime",
    "Avantgarde", "Ballad", "Bass", "Beat", "Bebob", "Big Band", "Black Metal", "Bluegrass", "Blues", "Booty Bass",
    "BritPop", "Cabaret", "Celtic", "Chamber Music", "Chanson", "Chorus", "Christian Gangsta", "Christian Rap",
    "Christian Rock", "Classic Rock", "Classical", "Club", "Club-House", "Comedy", "Contemporary Christian",
    "Country", "Crossover", "Cult", "Dance", "Dance Hall", "Darkwave", "Death Metal", "Disco", "Dream",
    "Drum & Base", "Drum Solo", "Duet", "Easy Listening", "Electronic", "Ethnic", "Eurodance", "Euro-House",
    "Euro-Techno", "Fast-Fusion", "Folk", "Folk/Rock", "Folklore", "Freestyle", "Funk", "Fusion", "Game",
    "Gangsta Rap", "Goa", "Gospel", "Gothic", "Gothic Rock", "Grunge", "Hard Rock", "Hardcore", "Heavy Metal",
    "Hip-Hop", "House", "Humour", "Indie", "Industrial", "Instrumental", "Instrumental Pop", "Instrumental Rock",
    "Jazz", "Jazz+Funk", "JPop", "Jungle", "Latin", "Lo-Fi", "Meditative", "Merengue", "Metal", "Musical",
    "National Folk", "Native American", "Negerpunk", "New Age", "New Wave", "Noise", "Oldies", "Opera", "Other",
    "Polka", "Polsk Punk", "Pop", "Pop/Funk", "Pop-Folk", "Porn Groove", "Power Ballad", "Pranks", "Primus",
    "Progressive Rock", "Psychedelic", "Psychedelic Rock", "Punk", "Punk Rock", "R&B", "Rap", "Rave", "Reggae",
    "Retro", "Revival", "Rhythmic Soul", "Rock", "Rock & Roll", "Salsa", "Samba", "Satire", "Showtunes", "Ska",
    "Slow Jam", "Slow Rock", "Sonata", "Soul", "Sound Clip", "Soundtrack", "Southern Rock", "Space", "Speech",
    "Swing", "Symphonic Rock", "Symphony", "Synthpop", "Tango", "Techno", "Techno-Industrial", "Terror",
    "Thrash Metal", "Top 40", "Trailer", "Trance", "Tribal", "Trip-Hop", "Vocal"};

// ---------------------------------------------------------------------------------------------
// options.ini

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
        {"CDOptions", "Index", TKind::Integer, &s.CDIndex},
        {"CDOptions", "CDDb", TKind::Boolean, &s.CDDb},
        {"CDOptions", "Images", TKind::String, &s.Images},
        {"RecordOptions", "SaveMp3", TKind::Boolean, &s.SaveMp3},
        {"QueryCDDB", "Server", TKind::String, &s.Server},
        {"QueryCDDB", "Script", TKind::String, &s.Script},
        {"QueryCDDB", "UseProxy", TKind::Boolean, &s.UseProxy},
        {"QueryCDDB", "ProxyAddress", TKind::String, &s.ProxyAddress},
        {"QueryCDDB", "Port", TKind::String, &s.Port},
        {"ID3", "Use", TKind::Boolean, &s.UseID3},
        {"Options", "Lan", TKind::String, &s.Lan},
    };
}

// Defaults of a fresh record, with the output folder below the program folder.
TSettings DefaultSettings() {
    TSettings d;
    d.OutputFolder = AddTrailingBackslash(ProgramFolder()) + QStringLiteral("Output");
    return d;
}

void ClampCompressPosition() {
    if (Settings.CompressPosition < 30)
        Settings.CompressPosition = 30;
    if (Settings.CompressPosition > 100)
        Settings.CompressPosition = 100;
}

} // namespace

QString OptionsFilePath() { return AddTrailingBackslash(ProgramFolder()) + QStringLiteral("options.ini"); }
QString DiscInfoFilePath() { return AddTrailingBackslash(ProgramFolder()) + QStringLiteral("cdinfo.dat"); }

void LoadSettings() {
    const TSettings defaults = DefaultSettings();
    // Defaults come from a fresh record; the disc information is not part of options.ini.
    const TSettings saved = Settings;
    Settings = defaults;
    Settings.Artist = saved.Artist;
    Settings.Album = saved.Album;
    Settings.Year = saved.Year;
    Settings.Genre = saved.Genre;
    Settings.Comment = saved.Comment;
    Settings.TrackNumber = saved.TrackNumber;
    Settings.Titles = saved.Titles;

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
    ClampCompressPosition();
}

void SaveSettings() {
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
    ini.UpdateFile(); // failures are not reported
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
            return true;
        case TKind::Integer:
            if (!TIniFile::ParseInteger(value, number))
                return false;
            *static_cast<int32_t*>(o.Field) = number;
            if (o.Field == &Settings.CompressPosition)
                ClampCompressPosition();
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

// ---------------------------------------------------------------------------------------------
// cdinfo.dat

void LoadDiscInfo(const QString& key) {
    if (key.isEmpty())
        return;
    const TIniFile ini(DiscInfoFilePath());
    Settings.Artist = ini.ReadString(key, QStringLiteral("Artist"), QString());
    Settings.Album = ini.ReadString(key, QStringLiteral("Album"), QString());
    Settings.Year = ini.ReadString(key, QStringLiteral("Year"), QString());
    Settings.Genre = ini.ReadInteger(key, QStringLiteral("Genre"), -1);
    Settings.Comment = ini.ReadString(key, QStringLiteral("Comment"), QString());
    Settings.TrackNumber = ini.ReadInteger(key, QStringLiteral("TrackNumber"), 100);
    const int count = std::min(Settings.TrackNumber, 100);
    for (int n = 1; n <= count; ++n) {
        QString title = ini.ReadString(key, QString::number(n), QString());
        if (title.isEmpty())
            title = QStringLiteral("Track") + TwoDigits(n);
        Settings.Titles[n] = title;
    }
}

void SaveDiscInfo(const QString& key) {
    if (key.isEmpty())
        return;
    TIniFile ini(DiscInfoFilePath());
    ini.WriteString(key, QStringLiteral("Artist"), Settings.Artist);
    ini.WriteString(key, QStringLiteral("Album"), Settings.Album);
    ini.WriteString(key, QStringLiteral("Year"), Settings.Year);
    ini.WriteInteger(key, QStringLiteral("Genre"), Settings.Genre);
    ini.WriteString(key, QStringLiteral("Comment"), Settings.Comment);
    ini.WriteInteger(key, QStringLiteral("TrackNumber"), Settings.TrackNumber);
    const int count = std::min(Settings.TrackNumber, 100);
    for (int n = 1; n <= count; ++n)
        ini.WriteString(key, QString::number(n), Settings.Titles[n]);
    ini.UpdateFile();
}

// ---------------------------------------------------------------------------------------------
// Helpers

int32_t GenreIndexOf(const QString& name) {
    for (size_t i = 0; i < GenreNames.size(); ++i)
        if (name == QLatin1String(GenreNames[i]))
            return static_cast<int32_t>(i);
    return -1;
}

QString TwoDigits(int32_t n) { return n > 9 ? QString::number(n) : QStringLiteral("0") + QString::number(n); }

QString MinSecText(int64_t seconds) {
    return TwoDigits(static_cast<int32_t>(seconds / 60)) + ':' + TwoDigits(static_cast<int32_t>(seconds % 60));
}

QString AddTrailingBackslash(const QString& path) {
    if (path.isEmpty() || path.endsWith(QDir::separator()) || path.endsWith('/'))
        return path;
    return path + QDir::separator();
}

namespace {

// True when a process (this one included) holds a descriptor on the file.
bool IsOpenByAnyProcess(const QString& path) {
    struct stat target {};
    if (stat(QFile::encodeName(path).constData(), &target) != 0)
        return false;
    DIR* proc = opendir("/proc");
    if (!proc)
        return false;
    bool found = false;
    while (dirent* p = readdir(proc)) {
        if (p->d_name[0] < '0' || p->d_name[0] > '9')
            continue;
        const std::string fdDir = std::string("/proc/") + p->d_name + "/fd";
        DIR* fds = opendir(fdDir.c_str());
        if (!fds)
            continue;
        while (dirent* f = readdir(fds)) {
            if (f->d_name[0] == '.')
                continue;
            struct stat st {};
            if (stat((fdDir + "/" + f->d_name).c_str(), &st) == 0 && st.st_dev == target.st_dev &&
                st.st_ino == target.st_ino) {
                found = true;
                break;
            }
        }
        closedir(fds);
        if (found)
            break;
    }
    closedir(proc);
    return found;
}

} // namespace

bool IsFileInUse(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (stat(name.constData(), &st) != 0)
        return false;
    const int fd = open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return true;
    // Our own streams take advisory locks when they deny sharing.
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return locked || IsOpenByAnyProcess(path);
}

void WaitMilliseconds(int32_t ms) {
    if (ms < 1)
        return;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(1), end - std::chrono::steady_clock::now()));
}

int64_t FileSizeOf(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile() ? info.size() : -1;
}

QString CleanFileName(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text)
        if (!QStringLiteral("*/:<>?\\|").contains(c))
            result += c;
    return result;
}

QString OutputFormatName() {
    switch (Settings.OutputFormat) {
    case ofMP3:
        return QStringLiteral("MP3");
    case ofWAV:
        return QStringLiteral("WAV");
    case ofOGG:
        return QStringLiteral("OGG");
    case ofWMA:
        return QStringLiteral("WMA");
    default:
        return QString();
    }
}

QString TrackLengthText(int32_t minutes, int32_t seconds) { return TwoDigits(minutes) + ':' + TwoDigits(seconds); }

QString TrackSizeText(int32_t minutes, int32_t seconds) {
    const double bytes = double(minutes) * 10584000.0 + double(seconds) * 176400.0;
    const auto value = static_cast<int64_t>(std::rint(bytes / 1048576.0 * 100.0)); // ties to even
    return TwoDigits(static_cast<int32_t>(value / 100)) + '.' + TwoDigits(static_cast<int32_t>(value % 100));
}

QString SelectionItemText(int32_t rowIndex, const QString& title) {
    return TwoDigits(rowIndex + 1) + CleanFileName(title);
}

void TrackLengthFromToc(int32_t m1, int32_t s1, int32_t m2, int32_t s2, int32_t& minutes, int32_t& seconds) {
    minutes = m2 - m1;
    seconds = s2 - s1;
    if (seconds < 0) {
        seconds += 60;
        minutes -= 1;
    }
}

void ScaleWaveFile(int32_t percent, const QString& path,
                   const std::function<void(int64_t done, int64_t total)>& beforeBlock) {
    const float factor = static_cast<float>(percent) / 100.0f;
    const QString norPath = QFileInfo(path).path() + '/' + QFileInfo(path).completeBaseName() + QStringLiteral(".nor");
    {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            throw std::runtime_error(("Cannot open file " + path + ": " + in.errorString()).toStdString());
        QFile out(norPath);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw std::runtime_error(("Cannot create file " + norPath + ": " + out.errorString()).toStdString());
        const int64_t total = in.size();
        const QByteArray header = in.read(44);
        if (out.write(header) != header.size()) {
            out.close();
            QFile::remove(norPath);
            throw std::runtime_error(("Error writing " + norPath + ": " + out.errorString()).toStdString());
        }
        int64_t done = header.size();
        char block[2048];
        for (;;) {
            if (beforeBlock)
                beforeBlock(done, total);
            const qint64 got = in.read(block, sizeof block);
            if (got < 0)
                throw std::runtime_error(("Error reading " + path + ": " + in.errorString()).toStdString());
            if (got == 0)
                break;
            for (qint64 i = 0; i + 1 < got; i += 2) {
                const auto s = static_cast<int16_t>(uint8_t(block[i]) | (uint8_t(block[i + 1]) << 8));
                double v = std::rint(double(s) * double(factor));
                v = std::clamp(v, -32768.0, 32767.0);
                const auto r = static_cast<uint16_t>(static_cast<int16_t>(v));
                block[i] = char(r & 0xFF);
                block[i + 1] = char(r >> 8);
            }
            if (out.write(block, got) != got) {
                const QString why = out.errorString();
                out.close();
                QFile::remove(norPath); // the original is intact; a partial copy is useless
                throw std::runtime_error(("Error writing " + norPath + ": " + why).toStdString());
            }
            done += got;
        }
        if (!out.flush())
            throw std::runtime_error(("Error writing " + norPath + ": " + out.errorString()).toStdString());
    }
    // Replace the original only after a complete pass. rename() replaces atomically, so
    // there is no moment without a file at path.
    if (::rename(QFile::encodeName(norPath).constData(), QFile::encodeName(path).constData()) != 0)
        throw std::runtime_error(("Cannot replace " + path + " with the scaled file").toStdString());
}

// ---------------------------------------------------------------------------------------------
// Events

void PostJobInfo(QObject* window, int32_t code, int32_t status, const QString& elapsed, const QString& estimated) {
    if (!window)
        return;
    auto info = std::make_unique<TProcessInfo>();
    info->Code = code;
    info->Status = status;
    info->Elapsed = elapsed;
    info->Estimated = estimated;
    QCoreApplication::postEvent(window, new TJobInfoEvent(std::move(info)));
}

void PostJobError(QObject* window, int32_t code) {
    if (window)
        QCoreApplication::postEvent(window, new TJobErrorEvent(code));
}

void SendJobInfo(QObject* window, int32_t code, int32_t status, const QString& elapsed, const QString& estimated) {
    if (!window)
        return;
    auto deliver = [=] {
        auto info = std::make_unique<TProcessInfo>();
        info->Code = code;
        info->Status = status;
        info->Elapsed = elapsed;
        info->Estimated = estimated;
        TJobInfoEvent event(std::move(info));
        QCoreApplication::sendEvent(window, &event);
    };
    if (QThread::currentThread() == window->thread())
        deliver();
    else
        QMetaObject::invokeMethod(window, deliver, Qt::BlockingQueuedConnection);
}
