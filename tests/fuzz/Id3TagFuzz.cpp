// ID3v1 tags: any file content read, written back and read again gives the same fields, and
// writing never touches the bytes before the tag.
#include "tags/Id3Tag.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.mp3"));
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(input);
    }
    Tid3tag tag;
    const uint16_t code = tag.Read(path);
    const bool hadTag = code <= 255;
    if (tag.Write(QStringLiteral("=")) > 255)
        std::abort();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray written = f.readAll();
    const qsizetype kept = hadTag ? input.size() - 128 : input.size();
    if (written.size() != kept + 128 || written.left(kept) != input.left(kept))
        std::abort();
    Tid3tag back;
    if (back.Read(path) > 255)
        std::abort();
    if (hadTag && (back.Title != tag.Title.left(back.Title.size()) || back.Genre != tag.Genre ||
                   back.Track != tag.Track || back.HasTrack != tag.HasTrack))
        std::abort();
    return 0;
}
