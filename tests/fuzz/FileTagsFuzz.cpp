// The tags of files `tag show` reads, the tag writer and the FLAC stream reader, on arbitrary
// bytes named as MP3, FLAC and Ogg files: nothing crashes, a write that fails leaves the file
// byte for byte as it was, and one that succeeds leaves a file whose tags read back.
#include "audio/AuFileStream.h"
#include "audio/FlacCodec.h"
#include "tags/TagReader.h"
#include "tags/TagWriter.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    TAuMemoryStream stream(input);
    TFlacStreamReader reader;
    if (TFlacStreamReader::LooksLikeFlac(input.left(16)) && reader.Open(stream)) {
        char buffer[4096];
        for (int i = 0; i < 64 && reader.Read(buffer, sizeof buffer) > 0; ++i) {
        }
        reader.Seek(reader.TotalFrames / 2);
        reader.Read(buffer, sizeof buffer);
    }

    // Named as what it starts like (TagLib goes by the name), anything else by its size.
    const int kind = input.startsWith("fLaC") ? 1 : input.startsWith("OggS") ? 2 : int(size % 3);
    const QString path = dir.filePath(kind == 0 ? QStringLiteral("fuzz.mp3")
                                      : kind == 1 ? QStringLiteral("fuzz.flac")
                                                  : QStringLiteral("fuzz.ogg"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(input);
    }
    TTagReport report;
    QString error;
    ReadFileTags(path, report, error);

    TTagFields fields;
    fields.Title = QStringLiteral("Title");
    fields.Track = 1;
    fields.TrackGain = -1.5;
    fields.Cover = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(16, 'j');
    if (WriteFileTags(path, fields, 3, error)) {
        if (!ReadFileTags(path, report, error))
            std::abort();
    } else if (ReadAll(path) != input) {
        std::abort();
    }
    return 0;
}
