// Fuzz target: an arbitrary cdrdao .toc file opened as a disc-image drive, its TOC read and
// sectors read around every track start and the lead-out. The files it may name exist: a
// little-endian raw file, a big-endian one and a WAV file of CD audio.
#include "ImageDriveFuzz.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    static bool ready = false;
    if (!ready) {
        const QByteArray audio(300 * CDSectorBytes, char(0x5A));
        for (const char* name : {"data.bin", "data.wav"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            if (!f.open(QIODevice::WriteOnly))
                continue;
            if (QByteArray(name).endsWith(".wav")) {
                // The plain 44-byte header of 16-bit stereo PCM at 44.1 kHz.
                const uint32_t size = uint32_t(audio.size());
                QByteArray header(
                    "RIFF....WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0data....", 44);
                for (int i = 0; i < 4; ++i) {
                    header[4 + i] = char((size + 36) >> (8 * i));
                    header[40 + i] = char(size >> (8 * i));
                }
                f.write(header);
            }
            f.write(audio);
        }
        ready = true;
    }
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    // Most inputs start with a track of real audio, so the fuzzer spends its time after it.
    if (size > 0 && (data[0] & 1))
        text.prepend("CD_DA\nTRACK AUDIO\nFILE \"data.bin\" 0 00:01:00\n");
    FuzzImageDrive(Folder().filePath(QStringLiteral("fuzz.toc")), text);
    return 0;
}
