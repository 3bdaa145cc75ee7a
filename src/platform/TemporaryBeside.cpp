// Exclusively created temporary files beside another file (see TemporaryBeside.h).
#include "platform/TemporaryBeside.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The longest file name (one path component) the usual file systems take, in bytes.
constexpr qsizetype MaxNameBytes = 255;

} // namespace

QString CreateTemporaryBeside(const QString& path, const QString& stem, const QString& suffix, QString& error) {
    const QString folder = QFileInfo(path).path();
    // "." and eight hex digits.
    const qsizetype fixedBytes = 9 + QFile::encodeName(suffix).size();
    QString head = stem;
    // Shortened a character at a time, so a multi-byte character is never cut in half.
    while (!head.isEmpty() && QFile::encodeName(head).size() + fixedBytes > MaxNameBytes)
        head.chop(head.size() > 1 && head.back().isLowSurrogate() ? 2 : 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            folder + QLatin1Char('/') + head +
            QStringLiteral(".%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')) + suffix;
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return QString();
        }
    }
    error = QString::fromLocal8Bit(std::strerror(EEXIST));
    return QString();
}
