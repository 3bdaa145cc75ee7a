// Replacing copies and renames (see RecordFiles.h).
#include "record/RecordFiles.h"

#include "platform/SameFile.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool CopyFileReplacing(const QString& from, const QString& to, QString& error) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        error = in.errorString();
        return false;
    }
    QSaveFile out(to);
    if (!OpenSaveFile(out, error))
        return false;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            error = in.errorString();
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (!WriteAll(out, buffer.constData(), n, error)) {
            out.cancelWriting();
            return false;
        }
    }
    return CommitSaveFile(out, error);
}

bool MoveFileReplacing(const QString& from, const QString& to, QString& error) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (errno != EXDEV) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!CopyFileReplacing(from, to, error))
        return false;
    QFile::remove(from);
    return true;
}

bool NamesSameFile(const QString& a, const QString& b) {
    if (IsSameFile(QFile::encodeName(a).constData(), QFile::encodeName(b).constData()))
        return true;
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}
