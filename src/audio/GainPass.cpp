// The gain pass (see GainPass.h).
#include "audio/GainPass.h"

#include "audio/AuException.h"
#include "audio/AuFileStream.h"
#include "audio/WaveHeader.h"
#include "platform/TemporaryBeside.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

void ScaleSamples(char* block, int64_t bytes, float factor) {
    for (int64_t i = 0; i + 1 < bytes; i += 2) {
        const auto s = static_cast<int16_t>(uint8_t(block[i]) | (uint8_t(block[i + 1]) << 8));
        // rint rounds halves to even under the default rounding mode: -1.5 -> -2, 2.5 -> 2.
        const double v = std::clamp(std::rint(double(s) * double(factor)), -32768.0, 32767.0);
        const auto r = static_cast<uint16_t>(static_cast<int16_t>(v));
        block[i] = char(r & 0xFF);
        block[i + 1] = char(r >> 8);
    }
}

// Writes the bytes; false with the reason. QFile reports a failed write of its buffer (a full
// disk) as "Unknown error", so the reason is the system's own when the write set one.
bool WriteBlock(QFile& out, const char* data, qint64 size, QString& reason) {
    errno = 0;
    if (out.write(data, size) == size)
        return true;
    const int error = errno;
    reason = error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : out.errorString();
    return false;
}

} // namespace

void ScaleWaveFile(int32_t percent, const QString& path,
                   const std::function<void(int64_t done, int64_t total)>& beforeBlock) {
    const float factor = static_cast<float>(percent) / 100.0f;
    QString error;
    const TWaveHeaderInfo info = ScanWaveFile(path, &error);
    if (!error.isEmpty())
        Fail(QStringLiteral("Cannot open file ") + path + QStringLiteral(": ") + error);
    if (!info.Found || (info.WavType != wtPCM && info.WavType != wtExtPCM) || info.BitsPerSample != 16)
        Fail(path + QStringLiteral(": not a 16-bit PCM WAV file; the gain pass scales only those"));

    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("Cannot open file ") + path + QStringLiteral(": ") + in.errorString());
    const int64_t total = in.size();
    const int64_t dataStart = std::min<int64_t>(info.DataStart, total);
    const int64_t dataEnd = std::min<int64_t>(dataStart + int64_t(info.DataSize), total);

    // A name of our own, so that no other file beside the original (nor the original itself,
    // whatever it is called) can be taken for the temporary. It goes away on every failure.
    const QFileInfo where(path);
    QString createError;
    const QString temporary =
        CreateTemporaryBeside(path, where.completeBaseName(), QStringLiteral(".nor"), createError);
    if (temporary.isEmpty())
        Fail(QStringLiteral("Cannot create a temporary file beside ") + path + QStringLiteral(": ") + createError);
    struct TRemoveOnFailure {
        QString Name;
        ~TRemoveOnFailure() {
            if (!Name.isEmpty())
                QFile::remove(Name);
        }
    } removeOnFailure{temporary};
    QFile out(temporary);
    if (!out.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("Cannot open ") + temporary + QStringLiteral(": ") + out.errorString());
    out.setPermissions(in.permissions());
    QString writeError;
    const auto writeFailed = [&] {
        Fail(QStringLiteral("Error writing ") + out.fileName() + QStringLiteral(": ") + writeError);
    };

    const QByteArray header = in.read(dataStart);
    if (header.size() != dataStart)
        Fail(QStringLiteral("Error reading ") + path + QStringLiteral(": ") + in.errorString());
    if (!WriteBlock(out, header.constData(), header.size(), writeError))
        writeFailed();
    int64_t done = dataStart;
    char block[2048];
    for (;;) {
        if (beforeBlock)
            beforeBlock(done, total);
        const qint64 got = in.read(block, sizeof block);
        if (got < 0)
            Fail(QStringLiteral("Error reading ") + path + QStringLiteral(": ") + in.errorString());
        if (got == 0)
            break;
        // Only the samples of the data chunk; chunks behind it are copied as they are. Blocks
        // start at the data chunk, so sample pairs never straddle two blocks.
        const int64_t scaled = std::clamp<int64_t>(dataEnd - done, 0, got);
        ScaleSamples(block, scaled, factor);
        if (!WriteBlock(out, block, got, writeError))
            writeFailed();
        done += got;
    }
    errno = 0;
    if (!out.flush()) {
        writeError = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : out.errorString();
        writeFailed();
    }
    out.close();
    // Replace the original only after a complete pass. rename() replaces atomically, so
    // there is no moment without a file at path.
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0)
        Fail(QStringLiteral("Cannot replace ") + path + QStringLiteral(" with the scaled file"));
    removeOnFailure.Name.clear();
}
