// Fuzz target: an arbitrary cue sheet opened as a disc-image drive, its TOC read in both
// address forms and sectors read around every track start and the lead-out.
#include "ImageDriveFuzz.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    static bool ready = false;
    if (!ready) {
        QFile bin(dir.filePath(QStringLiteral("disc.bin")));
        if (bin.open(QIODevice::WriteOnly))
            bin.write(QByteArray(300 * CDSectorBytes, char(0x5A)));
        ready = true;
    }
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    // Most inputs get a usable FILE line, so the fuzzer spends its time on the track lines.
    if (size > 0 && (data[0] & 1))
        text.prepend("FILE \"disc.bin\" BINARY\n");
    FuzzImageDrive(Folder().filePath(QStringLiteral("fuzz.cue")), text);
    return 0;
}
