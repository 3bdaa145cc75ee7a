// Writing a file whole through QSaveFile on a disk that may fill up. Qt's buffered writing
// reports that case badly: a flush the disk cuts short gives no reason ("Unknown error"), and
// commit() may even take such a flush for success, putting the cut-short file in place of the
// complete old one. Opened without Qt's buffer, a short write shows as a short count, the rest
// then fails with the system's reason, and commit() refuses the file.
#pragma once

#include <QString>

class QFileDevice;
class QSaveFile;

// Opens `file` for writing without Qt's buffer; false with the reason.
bool OpenSaveFile(QSaveFile& file, QString& why);
// Writes all `size` bytes; false with the reason when the disk takes less.
bool WriteAll(QFileDevice& file, const char* data, qint64 size, QString& why);
// Puts the new file in place of the old one; on failure the old file stays as it was.
bool CommitSaveFile(QSaveFile& file, QString& why);
