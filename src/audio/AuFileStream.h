// Byte streams of the stream framework: the abstract TAuStream that sources read and sinks
// write, the file stream TAuFileStream with its Windows-style mode word, and the in-memory
// TAuMemoryStream (used, for example, for a decoded image of a compressed file).
//
// Errors are raised as EAuException. Read and Write return what they managed to move (a short
// count at the end of a file is not an error); ReadBuffer and WriteBuffer insist on the whole.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>

// Mode words of TAuFileStream: the access in bits 0-1, the sharing in bits 4-7, or fmCreate.
constexpr uint16_t fmCreate = 0xFFFF; // create or truncate, read and write, no sharing
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;    // treated as no sharing
constexpr uint16_t fmShareExclusive = 0x0010; // no sharing
constexpr uint16_t fmShareDenyWrite = 0x0020; // others may read
constexpr uint16_t fmShareDenyRead = 0x0030;  // others may write
constexpr uint16_t fmShareDenyNone = 0x0040;  // others may read and write

class TAuStream {
public:
    virtual ~TAuStream() = default;
    TAuStream() = default;
    TAuStream(const TAuStream&) = delete;
    TAuStream& operator=(const TAuStream&) = delete;

    // Up to `count` bytes; fewer at the end, 0 past it.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Returns the bytes written (all of them unless the device refuses).
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // origin is SEEK_SET, SEEK_CUR or SEEK_END; returns the new position.
    virtual int64_t Seek(int64_t offset, int origin = SEEK_SET) = 0;
    virtual int64_t Size() = 0;
    // Truncates or extends; the position is kept unless it lies past the new end.
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, SEEK_CUR); }
    void SetPosition(int64_t position) { Seek(position, SEEK_SET); }
    // Exactly `count` bytes or EAuException ("Stream read error" / "Stream write error").
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
};

class TAuFileStream : public TAuStream {
public:
    // Opens (or with fmCreate creates) the file; raises EAuException with the operating
    // system's message when that fails. Sharing is advisory on Linux: "no sharing" takes an
    // exclusive flock (refused while another stream holds the file), every other mode a shared
    // one, so a file we write is seen as in use by IsFileInUse.
    TAuFileStream(const QString& fileName, uint16_t mode);
    ~TAuFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin = SEEK_SET) override;
    int64_t Size() override;
    void SetSize(int64_t size) override;

    int Handle() const { return Fd; }
    const QString& FileName() const { return Name; }
    uint16_t Mode() const { return OpenMode; }

private:
    int Fd = -1;
    QString Name;
    uint16_t OpenMode = 0;
};

class TAuMemoryStream : public TAuStream {
public:
    TAuMemoryStream() = default;
    explicit TAuMemoryStream(QByteArray data) : Data(std::move(data)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin = SEEK_SET) override;
    int64_t Size() override { return Data.size(); }
    void SetSize(int64_t size) override;

    const QByteArray& Memory() const { return Data; }
    void Clear();

private:
    QByteArray Data;
    int64_t Pos = 0;
};
