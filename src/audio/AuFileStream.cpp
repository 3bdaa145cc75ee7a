// Byte streams of the stream framework: file and memory.
#include "audio/AuFileStream.h"

#include "audio/AuException.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

QString SystemMessage(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

} // namespace

void TAuStream::ReadBuffer(void* buffer, int64_t count) {
    if (count > 0 && Read(buffer, count) != count)
        throw EAuException(QStringLiteral("Stream read error"));
}

void TAuStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count > 0 && Write(buffer, count) != count)
        throw EAuException(QStringLiteral("Stream write error"));
}

// ---------------------------------------------------------------------------------------------

TAuFileStream::TAuFileStream(const QString& fileName, uint16_t mode) : Name(fileName), OpenMode(mode) {
    const QByteArray path = QFile::encodeName(fileName);
    int flags = O_CLOEXEC;
    bool exclusive = true;
    if (mode == fmCreate) {
        flags |= O_RDWR | O_CREAT;
    } else {
        switch (mode & 0x3) {
        case 0:
            flags |= O_RDONLY;
            break;
        case 1:
            flags |= O_WRONLY;
            break;
        default:
            flags |= O_RDWR;
            break;
        }
        const int sharing = (mode >> 4) & 0xF;
        exclusive = sharing <= 1;
    }
    Fd = ::open(path.constData(), flags, 0666);
    if (Fd < 0)
        throw EAuException(SystemMessage(errno));
    struct stat st {};
    if (fstat(Fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(Fd);
        Fd = -1;
        throw EAuException(SystemMessage(EISDIR));
    }
    // Sharing is advisory here: a stream that denies all sharing holds an exclusive lock and is
    // refused while any other of our streams has the file; the others hold shared locks.
    if (flock(Fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        const int error = errno;
        ::close(Fd);
        Fd = -1;
        if (error == EWOULDBLOCK)
            throw EAuException(QStringLiteral("The file is being used by another process"));
        throw EAuException(SystemMessage(error));
    }
    // Truncate only once the lock is ours, so a file in use is never emptied.
    if (mode == fmCreate && ftruncate(Fd, 0) != 0) {
        const int error = errno;
        ::close(Fd);
        Fd = -1;
        throw EAuException(SystemMessage(error));
    }
}

TAuFileStream::~TAuFileStream() {
    if (Fd >= 0)
        ::close(Fd);
}

int64_t TAuFileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(Fd, p + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EAuException(SystemMessage(errno));
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

int64_t TAuFileStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(Fd, p + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EAuException(SystemMessage(errno));
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

int64_t TAuFileStream::Seek(int64_t offset, int origin) {
    const off_t p = ::lseek(Fd, static_cast<off_t>(offset), origin);
    if (p < 0)
        throw EAuException(SystemMessage(errno));
    return p;
}

int64_t TAuFileStream::Size() {
    struct stat st {};
    if (fstat(Fd, &st) != 0)
        throw EAuException(SystemMessage(errno));
    return st.st_size;
}

void TAuFileStream::SetSize(int64_t size) {
    if (ftruncate(Fd, static_cast<off_t>(size)) != 0)
        throw EAuException(SystemMessage(errno));
}

// ---------------------------------------------------------------------------------------------

int64_t TAuMemoryStream::Read(void* buffer, int64_t count) {
    const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, Data.size() - Pos));
    if (n > 0) {
        memcpy(buffer, Data.constData() + Pos, static_cast<size_t>(n));
        Pos += n;
    }
    return n;
}

int64_t TAuMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    if (Pos + count > Data.size())
        Data.resize(Pos + count, 0);
    memcpy(Data.data() + Pos, buffer, static_cast<size_t>(count));
    Pos += count;
    return count;
}

int64_t TAuMemoryStream::Seek(int64_t offset, int origin) {
    int64_t base = 0;
    if (origin == SEEK_CUR)
        base = Pos;
    else if (origin == SEEK_END)
        base = Data.size();
    if (base + offset < 0)
        throw EAuException(QStringLiteral("Invalid stream position"));
    Pos = base + offset;
    return Pos;
}

void TAuMemoryStream::SetSize(int64_t size) {
    Data.resize(std::max<int64_t>(0, size), 0);
    Pos = std::min<int64_t>(Pos, Data.size());
}

void TAuMemoryStream::Clear() {
    Data.clear();
    Pos = 0;
}
