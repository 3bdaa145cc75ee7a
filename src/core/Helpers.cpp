// Shared helpers (see Helpers.h).
#include "core/Helpers.h"

#include "platform/SameFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

QString TwoDigits(int32_t n) {
    return n > 9 ? QString::number(n) : QStringLiteral("0") + QString::number(n);
}

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

bool IsSameFile(const QString& a, const QString& b) {
    return IsSameFile(QFile::encodeName(a).constData(), QFile::encodeName(b).constData());
}

QString CleanFileName(const QString& text) {
    QString result;
    result.reserve(text.size());
    // A NUL (a title of cdinfo.dat or of a server's answer may hold one) would end the name
    // early when it reaches the system: "a<NUL>b.wav" would become the file "a".
    for (const QChar c : text)
        if (!QStringLiteral("*/:<>?\\|").contains(c) && !c.isNull())
            result += c;
    return result;
}

QString TrackLengthText(int32_t minutes, int32_t seconds) {
    return TwoDigits(minutes) + ':' + TwoDigits(seconds);
}

QString TrackSizeText(int32_t minutes, int32_t seconds) {
    const double bytes = double(minutes) * 10584000.0 + double(seconds) * 176400.0;
    const auto value = static_cast<int64_t>(std::rint(bytes / 1048576.0 * 100.0)); // ties to even
    return TwoDigits(static_cast<int32_t>(value / 100)) + '.' + TwoDigits(static_cast<int32_t>(value % 100));
}

QString TrackBaseName(const QString& title, int32_t number) {
    QString name = CleanFileName(title);
    qsizetype dots = 0;
    while (dots < name.size() && name[dots] == QLatin1Char('.'))
        ++dots;
    name.remove(0, dots);
    return name.isEmpty() ? QStringLiteral("Track") + TwoDigits(number) : name;
}

void TrackLengthFromToc(int32_t m1, int32_t s1, int32_t m2, int32_t s2, int32_t& minutes, int32_t& seconds) {
    minutes = m2 - m1;
    seconds = s2 - s1;
    if (seconds < 0) {
        seconds += 60;
        minutes -= 1;
    }
}
