// The CD drive library over libcdio (see akrip32.h).
#include "cd/akrip32.h"

#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Errors: libcdio's log messages and our own end up in one "last error" text.

std::mutex ErrorLock;
QString LastError;

void SetLastError(const QString& text) {
    std::lock_guard<std::mutex> guard(ErrorLock);
    LastError = text;
}

// libcdio's default handler prints to stderr and aborts on CDIO_LOG_ASSERT; ours keeps the
// text for the caller's message and never aborts.
void LogHandler(cdio_log_level_t level, const char message[]) {
    if (level >= CDIO_LOG_WARN && message)
        SetLastError(QString::fromLocal8Bit(message).trimmed());
}

void InstallLogHandler() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(LogHandler); });
}

// ---------------------------------------------------------------------------------------------
// Drive enumeration

struct TDriveSlot {
    QString Path; // device node or image file
    bool IsImage = false;
};

std::vector<TDriveSlot> EnumerateDrives() {
    InstallLogHandler();
    std::vector<TDriveSlot> drives;
    if (char** devices = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** d = devices; *d && drives.size() < size_t(MaxCDDrives); ++d)
            drives.push_back({QString::fromLocal8Bit(*d), false});
        cdio_free_device_list(devices);
    }
    for (const QString& part : Settings.Images.split('|')) {
        const QString path = part.trimmed();
        if (!path.isEmpty() && drives.size() < size_t(MaxCDDrives))
            drives.push_back({path, true});
    }
    return drives;
}

// The drive named by adapter/target: adapter 0 = physical drives, 1 = image drives.
bool FindDrive(const std::vector<TDriveSlot>& drives, int adapter, int target, TDriveSlot& found) {
    int index = 0;
    for (const TDriveSlot& d : drives) {
        if (int(d.IsImage) == adapter) {
            if (index == target) {
                found = d;
                return true;
            }
            ++index;
        }
    }
    return false;
}

void CopyText(char* to, size_t room, const QByteArray& text) {
    std::memset(to, 0, room);
    std::memcpy(to, text.constData(), std::min(size_t(text.size()), room - 1));
}

// ---------------------------------------------------------------------------------------------
// Cue sheets. libcdio ignores the FILE line of a cue sheet and opens the .bin named like the
// .cue; we read the FILE line ourselves and let libcdio open a copy of the cue sheet beside
// a link to the bin it names, in a temporary folder.

struct TCueFile {
    QString Name;
    QString Type;
};

bool ParseCueFiles(const QString& cuePath, QByteArray& content, std::vector<TCueFile>& files, int& trackLines,
                   QString& error) {
    QFile f(cuePath);
    if (!f.open(QIODevice::ReadOnly)) {
        error = cuePath + QStringLiteral(": ") + f.errorString();
        return false;
    }
    // Cue sheets are a few kilobytes; anything huge is not one.
    if (f.size() > 1024 * 1024) {
        error = cuePath + QStringLiteral(" is not a cue sheet (too large)");
        return false;
    }
    content = f.readAll();
    // Editors on Windows like to start a UTF-8 file with a byte-order mark; libcdio fails on it.
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    const QString text = QString::fromUtf8(content);
    for (QString line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith(QLatin1String("TRACK"), Qt::CaseInsensitive) && line.size() > 5 && line[5].isSpace())
            ++trackLines;
        if (!line.startsWith(QLatin1String("FILE"), Qt::CaseInsensitive) || line.size() < 5 || !line[4].isSpace())
            continue;
        QString rest = line.mid(5).trimmed();
        TCueFile file;
        if (rest.startsWith('"')) {
            const qsizetype close = rest.indexOf('"', 1);
            if (close < 0) {
                error = cuePath + QStringLiteral(": unterminated file name in line: ") + line;
                return false;
            }
            file.Name = rest.mid(1, close - 1);
            file.Type = rest.mid(close + 1).trimmed();
        } else {
            const qsizetype space = rest.lastIndexOf(' ');
            file.Name = space < 0 ? rest : rest.left(space).trimmed();
            file.Type = space < 0 ? QString() : rest.mid(space + 1).trimmed();
        }
        files.push_back(file);
    }
    return true;
}

// The file a cue sheet's FILE line names: as written (relative to the cue's folder), or with
// Windows separators, or just its base name beside the cue.
QString ResolveCueFile(const QString& cuePath, const QString& name) {
    const QDir folder = QFileInfo(cuePath).absoluteDir();
    QString unixName = name;
    unixName.replace('\\', '/');
    const QString baseName = QFileInfo(unixName).fileName();
    for (const QString& candidate : {name, unixName, baseName}) {
        const QString path = QDir::isAbsolutePath(candidate) ? candidate : folder.filePath(candidate);
        if (!candidate.isEmpty() && QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    // Cue sheets written on Windows may not match the case of the name on disk.
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files))
        if (!baseName.isEmpty() && entry.fileName().compare(baseName, Qt::CaseInsensitive) == 0)
            return entry.absoluteFilePath();
    return QString();
}

struct TImageSource {
    QString OpenPath;
    std::unique_ptr<QTemporaryDir> LinkFolder;
    bool BigEndian = false;
};

bool PrepareCue(const QString& cuePath, TImageSource& source, QString& error) {
    QByteArray content;
    std::vector<TCueFile> files;
    int trackLines = 0;
    if (!ParseCueFiles(cuePath, content, files, trackLines, error))
        return false;
    // libcdio would reject it too, but leaks on the way.
    if (trackLines == 0) {
        error = cuePath + QStringLiteral(": the cue sheet has no TRACK");
        return false;
    }
    if (files.empty()) {
        error = cuePath + QStringLiteral(": the cue sheet names no FILE");
        return false;
    }
    if (files.size() > 1) {
        error = cuePath + QStringLiteral(": cue sheets with more than one FILE are not supported");
        return false;
    }
    const QString type = files[0].Type.toUpper();
    if (type != QLatin1String("BINARY") && type != QLatin1String("MOTOROLA")) {
        error = cuePath + QStringLiteral(": FILE type ") + files[0].Type +
                QStringLiteral(" is not supported (BINARY or MOTOROLA only)");
        return false;
    }
    const QString bin = ResolveCueFile(cuePath, files[0].Name);
    if (bin.isEmpty()) {
        error = cuePath + QStringLiteral(": the file it names, ") + files[0].Name + QStringLiteral(", does not exist");
        return false;
    }
    source.BigEndian = type == QLatin1String("MOTOROLA");
    source.LinkFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/discwright-cue-XXXXXX"));
    // A copy of the cue sheet (a few kilobytes, without the byte-order mark) and a link to
    // the bin, named consistently.
    const QString cueCopy = source.LinkFolder->filePath(QStringLiteral("disc.cue"));
    const QString binLink = source.LinkFolder->filePath(QStringLiteral("disc.bin"));
    QFile copy(cueCopy);
    if (!source.LinkFolder->isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(content) != content.size() ||
        !QFile::link(bin, binLink)) {
        error = QStringLiteral("Cannot prepare ") + cuePath + QStringLiteral(" in the temporary folder");
        return false;
    }
    copy.close();
    source.OpenPath = cueCopy;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Handles

struct TDrive {
    std::mutex Lock; // libcdio objects are not thread-safe
    CdIo_t* Cdio = nullptr;
    bool Msf = false;
    bool IsImage = false;
    QString Path; // device node, for reopening after a disc change
    TImageSource Source;
    ~TDrive() {
        // Only destroy: ejecting an image half-frees the object in libcdio.
        if (Cdio)
            cdio_destroy(Cdio);
    }
};

std::mutex TableLock;
std::array<std::shared_ptr<TDrive>, MaxCDHandles + 1> Handles; // [0] unused

std::shared_ptr<TDrive> DriveOf(int handle) {
    std::lock_guard<std::mutex> guard(TableLock);
    if (handle < 1 || handle > MaxCDHandles)
        return nullptr;
    return Handles[handle];
}

// Tracks of the disc in the drive; false when there is none.
bool DiscTracks(CdIo_t* p, track_t& first, track_t& last) {
    first = cdio_get_first_track_num(p);
    const track_t count = cdio_get_num_tracks(p);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 || first + count - 1 > 99)
        return false;
    last = track_t(first + count - 1);
    return true;
}

} // namespace

void TCDReadBufferDeleter::operator()(TCDReadBuffer* b) const {
    std::free(b);
}

TCDReadBufferPtr NewCDReadBuffer(uint32_t firstSector, uint32_t sectors) {
    const size_t capacity = size_t(sectors) * CDSectorBytes;
    auto* b = static_cast<TCDReadBuffer*>(std::calloc(1, sizeof(TCDReadBuffer) + capacity));
    if (!b)
        throw std::bad_alloc();
    b->FirstSector = firstSector;
    b->SectorCount = sectors;
    b->Capacity = uint32_t(capacity);
    return TCDReadBufferPtr(b);
}

int GetCDList(TCDDriveList* list) {
    if (!list)
        return 0;
    const int capacity = std::min<int>(list->Capacity, MaxCDDrives);
    const std::vector<TDriveSlot> drives = EnumerateDrives();
    int count = 0;
    int devices = 0;
    int images = 0;
    for (const TDriveSlot& d : drives) {
        if (count >= capacity)
            break;
        TCDDriveEntry& e = list->Drives[count++];
        std::memset(&e, 0, sizeof e);
        e.Adapter = d.IsImage ? 1 : 0;
        e.Target = uint8_t(d.IsImage ? images++ : devices++);
        CopyText(e.Id, sizeof e.Id, QFile::encodeName(d.Path));
        if (d.IsImage) {
            CopyText(e.Vendor, sizeof e.Vendor, "Image");
            CopyText(e.Product, sizeof e.Product, QFileInfo(d.Path).completeBaseName().toLocal8Bit());
            CopyText(e.Revision, sizeof e.Revision, "1.0");
            continue;
        }
        cdio_hwinfo_t info{};
        if (CdIo_t* p = cdio_open(QFile::encodeName(d.Path).constData(), DRIVER_DEVICE)) {
            if (cdio_get_hwinfo(p, &info)) {
                CopyText(e.Vendor, sizeof e.Vendor, QByteArray(info.psz_vendor).trimmed());
                CopyText(e.Product, sizeof e.Product, QByteArray(info.psz_model).trimmed());
                CopyText(e.Revision, sizeof e.Revision, QByteArray(info.psz_revision).trimmed());
            }
            cdio_destroy(p);
        }
        if (!e.Product[0])
            CopyText(e.Product, sizeof e.Product, QFileInfo(d.Path).fileName().toLocal8Bit());
    }
    list->Count = uint8_t(count);
    return 1;
}

int GetCDHandle(const TCDOpenRequest* request) {
    if (!request)
        return 0;
    SetLastError(QString());
    TDriveSlot slot;
    if (!FindDrive(EnumerateDrives(), request->Adapter, request->Target, slot) || request->Lun != 0) {
        SetLastError(QStringLiteral("No such drive"));
        return 0;
    }
    auto drive = std::make_shared<TDrive>();
    drive->IsImage = slot.IsImage;
    drive->Path = slot.Path;
    QString error;
    if (slot.IsImage) {
        if (!QFileInfo(slot.Path).isFile()) {
            SetLastError(slot.Path + QStringLiteral(": no such image file"));
            return 0;
        }
        if (QFileInfo(slot.Path).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0) {
            if (!PrepareCue(slot.Path, drive->Source, error)) {
                SetLastError(error);
                return 0;
            }
            drive->Cdio = cdio_open(QFile::encodeName(drive->Source.OpenPath).constData(), DRIVER_BINCUE);
        } else {
            drive->Cdio = cdio_open(QFile::encodeName(slot.Path).constData(), DRIVER_UNKNOWN);
        }
    } else {
        drive->Cdio = cdio_open(QFile::encodeName(slot.Path).constData(), DRIVER_DEVICE);
    }
    if (!drive->Cdio) {
        const QString why = CDLastError();
        const QString hint = slot.IsImage ? QStringLiteral("not a disc image (.cue with its .bin, .toc, .nrg)")
                                          : QStringLiteral("no disc, or the drive is not accessible");
        SetLastError(slot.Path + QStringLiteral(": cannot open: ") + (why.isEmpty() ? hint : why));
        return 0;
    }
    std::lock_guard<std::mutex> guard(TableLock);
    for (int h = 1; h <= MaxCDHandles; ++h) {
        if (!Handles[h]) {
            Handles[h] = drive;
            return h;
        }
    }
    SetLastError(QStringLiteral("Too many open drive handles"));
    return 0;
}

int CloseCDHandle(int handle) {
    std::shared_ptr<TDrive> drive;
    {
        std::lock_guard<std::mutex> guard(TableLock);
        if (handle < 1 || handle > MaxCDHandles || !Handles[handle])
            return 0;
        drive.swap(Handles[handle]);
    }
    // A read running on another thread keeps its own reference; the drive closes after it.
    return 1;
}

int ModifyCDParms(int handle, int parameter, int value) {
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    if (!drive || parameter != CDP_MSF)
        return 0;
    std::lock_guard<std::mutex> guard(drive->Lock);
    drive->Msf = value != 0;
    return 1;
}

int32_t TocAddressSectors(const TCDTocEntry& entry) {
    return entry.Address[1] * 4500 + entry.Address[2] * 75 + entry.Address[3];
}

int ReadTOC(int handle, TCDToc* toc) {
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    if (!drive || !toc)
        return 0;
    std::lock_guard<std::mutex> guard(drive->Lock);
    track_t first = 0;
    track_t last = 0;
    if (!DiscTracks(drive->Cdio, first, last)) {
        SetLastError(QStringLiteral("No disc, or the table of contents cannot be read"));
        return 0;
    }
    std::memset(toc, 0, sizeof *toc);
    toc->FirstTrack = first;
    toc->LastTrack = last;
    const int entries = last - first + 2; // tracks and the lead-out
    toc->Length = uint16_t(2 + entries * sizeof(TCDTocEntry));
    for (int i = 0; i < entries; ++i) {
        const bool leadOut = i == entries - 1;
        const track_t t = leadOut ? track_t(CDIO_CDROM_LEADOUT_TRACK) : track_t(first + i);
        const lba_t lba = cdio_get_track_lba(drive->Cdio, t);
        if (lba == CDIO_INVALID_LBA) {
            SetLastError(QStringLiteral("The table of contents cannot be read"));
            return 0;
        }
        TCDTocEntry& e = toc->Tracks[i];
        const track_t flagsOf = leadOut ? last : t;
        uint8_t control = 0;
        if (cdio_get_track_format(drive->Cdio, flagsOf) != TRACK_FORMAT_AUDIO)
            control |= TocDataTrackFlag;
        if (!leadOut) {
            if (cdio_get_track_copy_permit(drive->Cdio, t) == CDIO_TRACK_FLAG_TRUE)
                control |= 0x02;
            if (cdio_get_track_preemphasis(drive->Cdio, t) == CDIO_TRACK_FLAG_TRUE)
                control |= 0x01;
        }
        e.AdrControl = uint8_t(0x10 | control);
        e.TrackNumber = leadOut ? LeadOutTrackNumber : t;
        if (drive->Msf) {
            e.Address[0] = 0;
            e.Address[1] = uint8_t(lba / 4500);
            e.Address[2] = uint8_t(lba / 75 % 60);
            e.Address[3] = uint8_t(lba % 75);
        } else {
            const uint32_t block = uint32_t(lba - CDIO_PREGAP_SECTORS);
            e.Address[0] = uint8_t(block >> 24);
            e.Address[1] = uint8_t(block >> 16);
            e.Address[2] = uint8_t(block >> 8);
            e.Address[3] = uint8_t(block);
        }
    }
    return 1;
}

int ReadCDAudioLBA(int handle, TCDReadBuffer* buffer) {
    if (!buffer)
        return 0;
    buffer->BytesReturned = 0;
    buffer->DataOffset = 0;
    buffer->Status = 1;
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    if (!drive) {
        SetLastError(QStringLiteral("Invalid drive handle"));
        return 0;
    }
    const uint32_t count = buffer->SectorCount;
    if (count < 1 || count > uint32_t(MaxSectorsPerRead) || buffer->Capacity < count * CDSectorBytes) {
        SetLastError(QStringLiteral("Bad read request"));
        return 0;
    }
    std::lock_guard<std::mutex> guard(drive->Lock);
    track_t first = 0;
    track_t last = 0;
    if (!DiscTracks(drive->Cdio, first, last)) {
        SetLastError(QStringLiteral("No disc in the drive"));
        return 0;
    }
    const int64_t from = buffer->FirstSector;
    const int64_t to = from + count; // exclusive
    // libcdio "succeeds" on a read that crosses the lead-out and leaves stale bytes.
    const lsn_t leadOut = cdio_get_track_lsn(drive->Cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LSN || to > leadOut) {
        SetLastError(QStringLiteral("Read beyond the end of the disc"));
        return 0;
    }
    // Data sectors read as audio would be noise in a WAV file.
    for (track_t t = first; t <= last; ++t) {
        const lsn_t start = cdio_get_track_lsn(drive->Cdio, t);
        const lsn_t end = t == last ? leadOut : cdio_get_track_lsn(drive->Cdio, track_t(t + 1));
        if (cdio_get_track_format(drive->Cdio, t) != TRACK_FORMAT_AUDIO && from < end && to > start) {
            SetLastError(QStringLiteral("Track %1 is a data track").arg(t));
            return 0;
        }
    }
    SetLastError(QString());
    if (cdio_read_audio_sectors(drive->Cdio, buffer->Data(), lsn_t(from), count) != DRIVER_OP_SUCCESS) {
        const QString why = CDLastError();
        SetLastError(QStringLiteral("Read error at sector %1").arg(from) + (why.isEmpty() ? QString() : ": " + why));
        return 0;
    }
    if (drive->Source.BigEndian) {
        uint8_t* d = buffer->Data();
        for (uint32_t i = 0; i + 1 < count * CDSectorBytes; i += 2)
            std::swap(d[i], d[i + 1]);
    }
    buffer->BytesReturned = count * CDSectorBytes;
    buffer->Status = 0;
    return 1;
}

int CDMediaChanged(int handle) {
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    if (!drive)
        return -1;
    std::lock_guard<std::mutex> guard(drive->Lock);
    if (drive->IsImage || cdio_get_media_changed(drive->Cdio) != 1)
        return 0;
    // libcdio keeps the TOC it read first; a fresh object reads the new disc's.
    if (CdIo_t* fresh = cdio_open(QFile::encodeName(drive->Path).constData(), DRIVER_DEVICE)) {
        cdio_destroy(drive->Cdio);
        drive->Cdio = fresh;
    }
    return 1;
}

QString CDLastError() {
    std::lock_guard<std::mutex> guard(ErrorLock);
    return LastError;
}

int OpenCDDriveAt(int index) {
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    GetCDList(&list);
    if (index < 0 || index >= list.Count) {
        SetLastError(QStringLiteral("There is no drive %1").arg(index));
        return 0;
    }
    TCDOpenRequest request;
    request.Adapter = list.Drives[index].Adapter;
    request.Target = list.Drives[index].Target;
    request.Lun = list.Drives[index].Lun;
    return GetCDHandle(&request);
}

// Declared in DriveHandleCdio.h.
CdIo_t* CDHandleCdio(int handle) {
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    return drive ? drive->Cdio : nullptr;
}
