// SHA-256 of files and bytes, through OpenSSL's libcrypto (which uses the processor's SHA
// instructions where there are any: a whole CD of WAV files is hashed in well under a second).
#pragma once

#include <QByteArray>
#include <QString>

// Lower-case hexadecimal; empty when the file cannot be read to its end.
QString FileSha256(const QString& path);
QString Sha256Hex(const QByteArray& bytes);
