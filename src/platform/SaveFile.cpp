// Whole-file writes through QSaveFile (see SaveFile.h).
#include "platform/SaveFile.h"

#include <QSaveFile>

bool OpenSaveFile(QSaveFile& file, QString& why) {
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    why = file.errorString();
    return false;
}

bool WriteAll(QFileDevice& file, const char* data, qint64 size, QString& why) {
    // A short write is retried with the rest: a full disk then refuses it with the reason.
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.write(data + done, size - done);
        if (n <= 0) {
            why = file.errorString();
            return false;
        }
        done += n;
    }
    return true;
}

bool CommitSaveFile(QSaveFile& file, QString& why) {
    if (file.commit())
        return true;
    why = file.errorString();
    return false;
}
