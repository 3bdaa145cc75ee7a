// The gain pass (see GainPass.h).
#include "audio/GainPass.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

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
