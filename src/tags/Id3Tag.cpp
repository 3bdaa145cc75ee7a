// Tid3tag: the ID3v1.1 tag at the end of an MP3 file, and the genre list mappings.
#include "tags/Id3Tag.h"

#include "tags/AuTags.h"
#include "tags/Genres.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr int TagSize = 128;

// One open file per operation, closed on every path.
class TFile {
public:
    TFile(const QString& name, int flags) { Fd = ::open(QFile::encodeName(name).constData(), flags | O_CLOEXEC); }
    ~TFile() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    int Fd = -1;
};

bool Exists(const QString& name, struct stat& st) {
    return ::stat(QFile::encodeName(name).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// Windows' read-only attribute stands for a file without write permission bits, or one this
// process may not write (checked by access(), which root passes regardless of the bits).
bool IsReadOnly(const QString& name, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || ::access(QFile::encodeName(name).constData(), W_OK) != 0;
}

// Whole reads and writes at an offset; false with errno set on failure.
bool ReadAt(int fd, void* buffer, size_t count, off_t offset) {
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pread(fd, p, count, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        count -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

bool WriteAt(int fd, const void* buffer, size_t count, off_t offset) {
    const auto* p = static_cast<const char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, p, count, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        count -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

QByteArray Trimmed(const char* data, int size) {
    while (size > 0) {
        const auto c = static_cast<unsigned char>(data[size - 1]);
        if (c != 0 && c != ' ' && c != 255)
            break;
        --size;
    }
    return QByteArray(data, size);
}

QByteArray Padded(const QByteArray& text, int size) {
    QByteArray out = text.left(size);
    out.append(QByteArray(size - out.size(), '\0'));
    return out;
}

} // namespace

Tid3tag::Tid3tag() : Title(30, '\0'), Artist(30, '\0'), Album(30, '\0'), Year(4, '\0'), Comment(30, '\0') {}

QByteArray Tid3tag::Latin1(const QString& text, int limit) {
    QByteArray out;
    for (const char32_t c : text.toUcs4()) {
        if (out.size() >= limit)
            break;
        out.append(c < 256 ? static_cast<char>(c) : '?');
    }
    return out;
}

QString Tid3tag::Text(const QByteArray& bytes) {
    int size = static_cast<int>(bytes.size());
    while (size > 0 && bytes[size - 1] == '\0')
        --size;
    return QString::fromLatin1(bytes.constData(), size);
}

uint16_t Tid3tag::Read(const QString& fileName) {
    struct stat st {};
    if (!Exists(fileName, st))
        return id3OpenError;
    TFile file(fileName, O_RDONLY);
    if (file.Fd < 0)
        return id3OpenError;
    FileName = fileName;
    if (::fstat(file.Fd, &st) != 0)
        return id3IoError;
    if (st.st_size < TagSize)
        return id3NoTag;
    char tag[TagSize];
    if (!ReadAt(file.Fd, tag, TagSize, st.st_size - TagSize))
        return id3ReadError;
    if (memcmp(tag, "TAG", 3) != 0)
        return id3NoTag;
    Title = Trimmed(tag + 3, 30);
    Artist = Trimmed(tag + 33, 30);
    Album = Trimmed(tag + 63, 30);
    Year = Trimmed(tag + 93, 4);
    if (tag[125] != 0 || tag[126] == 0) {
        Track = 0;
        HasTrack = false;
        Comment = Trimmed(tag + 97, 30);
    } else {
        Track = static_cast<uint8_t>(tag[126]);
        HasTrack = true;
        Comment = Trimmed(tag + 97, 28);
    }
    Genre = static_cast<uint8_t>(tag[127]);
    return Genre > 147 && Genre != 255 ? id3GenreOutOfRange : id3Ok;
}

uint16_t Tid3tag::Write(const QString& fileName) {
    const QString name = fileName == QLatin1String("=") ? FileName : fileName;
    struct stat st {};
    if (name.isEmpty() || !Exists(name, st))
        return id3OpenError;
    if (IsReadOnly(name, st))
        return id3ReadOnly;
    TFile file(name, O_RDWR);
    if (file.Fd < 0)
        return errno == EACCES || errno == EROFS || errno == EPERM ? id3ReadOnly : id3OpenError;
    // Others may read the file while the tag is written, but not write it.
    if (::flock(file.Fd, LOCK_SH | LOCK_NB) != 0)
        return id3OpenError;
    if (::fstat(file.Fd, &st) != 0)
        return id3IoError;
    off_t position = st.st_size;
    if (st.st_size >= TagSize) {
        char head[3];
        if (!ReadAt(file.Fd, head, 3, st.st_size - TagSize))
            return id3ReadError;
        if (memcmp(head, "TAG", 3) == 0)
            position = st.st_size - TagSize;
    }
    Title = Padded(Title, 30);
    Artist = Padded(Artist, 30);
    Album = Padded(Album, 30);
    Year = Padded(Year, 4);
    QByteArray tag("TAG");
    tag += Title + Artist + Album + Year;
    if (HasTrack && Track != 0) {
        Comment = Padded(Comment, 28);
        tag += Comment;
        tag += '\0';
        tag += static_cast<char>(Track);
    } else {
        Comment = Padded(Comment, 30);
        tag += Comment;
    }
    tag += static_cast<char>(Genre);
    if (!WriteAt(file.Fd, tag.constData(), TagSize, position)) {
        // An append that stopped part way (disk full, size limit) would leave stray bytes after
        // the audio: give the file back its old length. The write error is reported either way.
        if (position == st.st_size) {
            [[maybe_unused]] const int cut = ::ftruncate(file.Fd, st.st_size);
        }
        return id3WriteError;
    }
    FileName = name;
    return id3Ok;
}

void Tid3tag::Remove() {
    struct stat st {};
    if (FileName.isEmpty() || !Exists(FileName, st) || IsReadOnly(FileName, st) || st.st_size < TagSize)
        return;
    TFile file(FileName, O_RDWR);
    if (file.Fd < 0 || ::flock(file.Fd, LOCK_SH | LOCK_NB) != 0 || ::fstat(file.Fd, &st) != 0 || st.st_size < TagSize)
        return;
    char head[3];
    if (!ReadAt(file.Fd, head, 3, st.st_size - TagSize) || memcmp(head, "TAG", 3) != 0)
        return;
    if (::ftruncate(file.Fd, st.st_size - TagSize) != 0)
        return;
}

// ---------------------------------------------------------------------------------------------
// Genre list <-> ID3 numbers

namespace {

QString NormalisedGenre(const char* name) {
    QString s = QString::fromLatin1(name).toLower();
    s.replace(QLatin1Char('-'), QLatin1Char(' '));
    return s;
}

// ID3 number of each list position (0 = the empty entry).
const std::array<uint8_t, 149>& PositionToId3() {
    static const std::array<uint8_t, 149> table = [] {
        std::array<uint8_t, 149> t{};
        t[0] = 255;
        // The genre table spells seven names differently from the ID3 list.
        const struct {
            const char* Name;
            uint8_t Id3;
        } differentlySpelled[] = {{"A Cappella", 123},  {"Alt. Rock", 40}, {"Christian Gangsta", 136},
                                  {"Drum & Base", 127}, {"Folk/Rock", 81}, {"Gangsta Rap", 59},
                                  {"Psychedelic", 67}};
        for (size_t i = 0; i < GenreNames.size(); ++i) {
            uint8_t id3 = 255;
            for (const auto& d : differentlySpelled)
                if (qstrcmp(GenreNames[i], d.Name) == 0)
                    id3 = d.Id3;
            if (id3 == 255) {
                const QString name = NormalisedGenre(GenreNames[i]);
                for (int n = 0; n < 148; ++n)
                    if (NormalisedGenre(Id3v1GenreTable[n]) == name) {
                        id3 = static_cast<uint8_t>(n);
                        break;
                    }
            }
            t[i + 1] = id3;
        }
        return t;
    }();
    return table;
}

} // namespace

uint8_t GenreToId3(uint8_t position) {
    return position <= 148 ? PositionToId3()[position] : 255;
}

uint8_t Id3ToGenre(uint8_t id3) {
    if (id3 >= 148)
        return 0;
    const auto& table = PositionToId3();
    for (size_t p = 1; p < table.size(); ++p)
        if (table[p] == id3)
            return static_cast<uint8_t>(p);
    return 0;
}
