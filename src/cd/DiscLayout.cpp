// The layout of a disc image and its reader (see DiscLayout.h).
#include "cd/DiscLayout.h"

#include "cd/FlacFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString SheetTime(int64_t sectors) {
    return QStringLiteral("%1:%2:%3")
        .arg(sectors / 4500, 2, 10, QChar('0'))
        .arg(sectors / 75 % 60, 2, 10, QChar('0'))
        .arg(sectors % 75, 2, 10, QChar('0'));
}

uint32_t LittleEndian(const QByteArray& b, int at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | uint8_t(b[at + i]);
    return v;
}

} // namespace

QString ResolveImageFile(const QString& imagePath, const QString& name) {
    const QDir folder = QFileInfo(imagePath).absoluteDir();
    QString unixName = name;
    unixName.replace('\\', '/');
    const QString baseName = QFileInfo(unixName).fileName();
    for (const QString& candidate : {name, unixName, baseName}) {
        const QString path = QDir::isAbsolutePath(candidate) ? candidate : folder.filePath(candidate);
        if (!candidate.isEmpty() && QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    // Sheets written on Windows may not match the case of the name on disk.
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files))
        if (!baseName.isEmpty() && entry.fileName().compare(baseName, Qt::CaseInsensitive) == 0)
            return entry.absoluteFilePath();
    return QString();
}

bool FindWavData(const QString& path, int64_t& dataStart, int64_t& dataBytes, QString& error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return false;
    const QString name = QFileInfo(path).fileName();
    bool cdAudio = false;
    int64_t at = 12;
    while (at + 8 <= f.size()) {
        f.seek(at);
        const QByteArray chunk = f.read(8);
        const int64_t size = LittleEndian(chunk, 4, 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray fmt = f.read(16);
            const uint32_t tag = fmt.size() == 16 ? LittleEndian(fmt, 0, 2) : 0;
            // WAVE_FORMAT_EXTENSIBLE with 16-bit stereo holds the same samples as plain PCM.
            cdAudio = (tag == 1 || tag == 0xFFFE) && LittleEndian(fmt, 2, 2) == 2 && LittleEndian(fmt, 4, 4) == 44100 &&
                      LittleEndian(fmt, 14, 2) == 16;
        } else if (chunk.startsWith("data")) {
            if (!cdAudio) {
                error = name + QStringLiteral(" does not hold CD audio (PCM, 44100 Hz, 16 bits, stereo)");
                return true;
            }
            dataStart = at + 8;
            dataBytes = std::min<int64_t>(size, f.size() - dataStart);
            return true;
        }
        at += 8 + size + (size & 1);
    }
    error = name + QStringLiteral(" is a WAV file without audio data");
    return true;
}

bool LooksLikeFlac(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray head = f.read(10);
    // Some taggers put an ID3v2 tag before the stream; its size is four 7-bit bytes.
    if (head.size() == 10 && head.startsWith("ID3")) {
        const int64_t size = (int64_t(head[6] & 0x7F) << 21) | (int64_t(head[7] & 0x7F) << 14) |
                             (int64_t(head[8] & 0x7F) << 7) | int64_t(head[9] & 0x7F);
        f.seek(10 + size + ((head[5] & 0x10) ? 10 : 0));
        head = f.read(4);
    }
    return head.startsWith("fLaC");
}

bool ProbeLayoutFile(const QString& path, TLayoutFile& file, QString& error) {
    file.Path = QFileInfo(path).absoluteFilePath();
    file.Kind = TLayoutFile::TKind::Raw;
    file.DataStart = 0;
    file.Bytes = QFileInfo(path).size();
    if (LooksLikeFlac(path)) {
        TFlacFile flac;
        if (!flac.Open(path)) {
            error = flac.Error;
            return false;
        }
        file.Kind = TLayoutFile::TKind::Flac;
        file.Bytes = flac.Frames() * 4;
        file.BigEndian = false;
        return true;
    }
    // A WAV file's header must not be read as audio, whatever the image calls the file.
    if (FindWavData(path, file.DataStart, file.Bytes, error)) {
        file.Kind = TLayoutFile::TKind::Wav;
        file.BigEndian = false;
        return error.isEmpty();
    }
    return true;
}

TDisc TDiscLayout::Disc() const {
    TDisc disc;
    for (const TLayoutTrack& t : Tracks)
        disc.Tracks.push_back({t.Number, t.Start, !t.Audio});
    disc.LeadOut = LeadOut;
    return disc;
}

const TLayoutTrack* TDiscLayout::TrackAt(int32_t lba) const {
    if (Tracks.empty() || lba < Tracks.front().Index0 || lba >= LeadOut)
        return nullptr;
    const TLayoutTrack* found = &Tracks.front();
    for (const TLayoutTrack& t : Tracks)
        if (t.Index0 <= lba)
            found = &t;
    return found;
}

QByteArray TDiscLayout::LibcdioSheet() const {
    // Only what libcdio needs to place the tracks: a text it might not take (a CATALOG, ISRC
    // or CD-TEXT it finds malformed) would lose the whole disc, and the drive library answers
    // those from the layout itself.
    QByteArray sheet = "FILE \"disc.bin\" BINARY\n";
    for (const TLayoutTrack& t : Tracks) {
        // disc.bin holds every sector in 2352 bytes.
        const QByteArray mode = t.Audio                                     ? "AUDIO"
                                : t.Mode.startsWith(QLatin1String("MODE2")) ? "MODE2/2352"
                                                                            : "MODE1/2352";
        sheet += QStringLiteral("  TRACK %1 ").arg(t.Number, 2, 10, QChar('0')).toLatin1() + mode + '\n';
        QByteArray flags;
        if (t.CopyPermitted)
            flags += " DCP";
        if (t.PreEmphasis)
            flags += " PRE";
        if (t.FourChannels)
            flags += " 4CH";
        if (!flags.isEmpty())
            sheet += "    FLAGS" + flags + '\n';
        if (t.Index0 < t.Start)
            sheet += "    INDEX 00 " + SheetTime(t.Index0).toLatin1() + '\n';
        sheet += "    INDEX 01 " + SheetTime(t.Start).toLatin1() + '\n';
    }
    return sheet;
}

TLayoutReader::TLayoutReader(std::shared_ptr<const TDiscLayout> layout) : Layout(std::move(layout)) {}

TLayoutReader::~TLayoutReader() {
    for (int fd : Descriptors)
        if (fd >= 0)
            ::close(fd);
}

bool TLayoutReader::Open() {
    for (const TLayoutFile& file : Layout->Files) {
        if (file.Kind == TLayoutFile::TKind::Flac) {
            auto flac = std::make_unique<TFlacFile>();
            if (!flac->Open(file.Path)) {
                Error = flac->Error;
                return false;
            }
            Flacs.push_back(std::move(flac));
            Descriptors.push_back(-1);
            continue;
        }
        const int fd = ::open(QFile::encodeName(file.Path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            Error = file.Path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        Descriptors.push_back(fd);
        Flacs.push_back(nullptr);
    }
    return true;
}

bool TLayoutReader::ReadFile(int file, int64_t at, int64_t bytes, uint8_t* to) {
    const TLayoutFile& f = Layout->Files[size_t(file)];
    if (at < 0 || at + bytes > f.Bytes) {
        Error = f.Path + QStringLiteral(": read past the end of the file");
        return false;
    }
    if (f.Kind == TLayoutFile::TKind::Flac) {
        if (at % 4 != 0 || bytes % 4 != 0) {
            Error = f.Path + QStringLiteral(": a read that does not start on a sample");
            return false;
        }
        if (!Flacs[size_t(file)]->Read(at / 4, bytes / 4, to)) {
            Error = Flacs[size_t(file)]->Error;
            return false;
        }
        return true;
    }
    int64_t done = 0;
    while (done < bytes) {
        const ssize_t n =
            ::pread(Descriptors[size_t(file)], to + done, size_t(bytes - done), off_t(f.DataStart + at + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Error = f.Path + (n < 0 ? QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno))
                                    : QStringLiteral(": the file ends early"));
            return false;
        }
        done += n;
    }
    if (f.BigEndian)
        for (int64_t i = 0; i + 1 < bytes; i += 2)
            std::swap(to[i], to[i + 1]);
    return true;
}

bool TLayoutReader::ReadSectors(int32_t lba, uint32_t count, uint8_t* to) {
    const std::vector<TLayoutSegment>& segments = Layout->Segments;
    const int64_t first = int64_t(lba) * LayoutSectorBytes;
    const int64_t end = first + int64_t(count) * LayoutSectorBytes;
    // The first segment that ends after `first`.
    auto it = std::upper_bound(segments.begin(), segments.end(), first,
                               [](int64_t at, const TLayoutSegment& s) { return at < s.DiscByte + s.Bytes; });
    int64_t at = first;
    while (at < end) {
        if (lba < 0 || it == segments.end() || it->DiscByte > at ||
            at >= int64_t(Layout->LeadOut) * LayoutSectorBytes) {
            Error = QStringLiteral("sector %1 is not on the image").arg(at / LayoutSectorBytes);
            return false;
        }
        const TLayoutSegment& s = *it;
        if (!s.Audio) {
            Error = QStringLiteral("sector %1 belongs to a data track").arg(at / LayoutSectorBytes);
            return false;
        }
        const int64_t n = std::min(end, s.DiscByte + s.Bytes) - at;
        uint8_t* out = to + (at - first);
        if (s.File < 0) {
            std::memset(out, 0, size_t(n));
        } else if (s.FileSectorBytes == LayoutSectorBytes) {
            if (!ReadFile(s.File, s.FileByte + (at - s.DiscByte), n, out))
                return false;
        } else {
            // Audio with sub-channel data after each sector: segments of whole sectors only.
            for (int64_t k = 0; k < n; k += LayoutSectorBytes) {
                const int64_t sector = (at + k - s.DiscByte) / LayoutSectorBytes;
                if (!ReadFile(s.File, s.FileByte + sector * s.FileSectorBytes, LayoutSectorBytes, out + k))
                    return false;
            }
        }
        at += n;
        ++it;
    }
    return true;
}
