// The CD drive library over libcdio (see akrip32.h).
#include "cd/akrip32.h"

#include "cd/CueSheet.h"
#include "cd/DriveHandleCdio.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

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
// The kept drive list

struct TDriveSlot {
    QString Path; // device node or image file
    bool IsImage = false;
    QByteArray Vendor;
    QByteArray Product;
    QByteArray Revision;
};

// Settings are changed on the main thread only; reading them there cannot race with a change.
bool OnMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

std::mutex ListLock;
bool DevicesListed = false;
std::vector<TDriveSlot> Devices; // physical drives as last listed
QString Images;                  // Settings.Images as the main thread last saw it
bool ImagesGiven = false;        // UseCDImageDrives decides the image drives

std::vector<TDriveSlot> ListDevices() {
    InstallLogHandler();
    std::vector<TDriveSlot> devices;
    if (char** names = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** d = names; *d && devices.size() < size_t(MaxCDDrives); ++d) {
            TDriveSlot slot;
            slot.Path = QFile::decodeName(*d);
            cdio_hwinfo_t info{};
            if (CdIo_t* p = cdio_open(*d, DRIVER_DEVICE)) {
                if (cdio_get_hwinfo(p, &info)) {
                    slot.Vendor = QByteArray(info.psz_vendor).trimmed();
                    slot.Product = QByteArray(info.psz_model).trimmed();
                    slot.Revision = QByteArray(info.psz_revision).trimmed();
                }
                cdio_destroy(p);
            }
            if (slot.Product.isEmpty())
                slot.Product = QFileInfo(slot.Path).fileName().toLocal8Bit();
            devices.push_back(slot);
        }
        cdio_free_device_list(names);
    }
    return devices;
}

// The drive list: physical drives first, then the image drives.
std::vector<TDriveSlot> CurrentDrives() {
    const bool mainThread = OnMainThread();
    std::lock_guard<std::mutex> guard(ListLock);
    if (!DevicesListed) {
        Devices = ListDevices();
        DevicesListed = true;
    }
    if (mainThread && !ImagesGiven)
        Images = Settings.Images;
    std::vector<TDriveSlot> drives = Devices;
    for (const QString& part : Images.split('|')) {
        const QString path = part.trimmed();
        if (path.isEmpty() || drives.size() >= size_t(MaxCDDrives))
            continue;
        TDriveSlot slot;
        slot.Path = path;
        slot.IsImage = true;
        slot.Vendor = "Image";
        slot.Product = QFileInfo(path).completeBaseName().toLocal8Bit();
        slot.Revision = "1.0";
        drives.push_back(slot);
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
// Files an image drive watches for the media-change poll

struct TFileStamp {
    QString Path;
    bool Exists = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    int64_t ModifiedNs = 0;

    static TFileStamp Of(const QString& path) {
        TFileStamp s;
        s.Path = path;
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
            s.Exists = true;
            s.Device = st.st_dev;
            s.Inode = st.st_ino;
            s.Size = st.st_size;
            s.ModifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        }
        return s;
    }
    bool operator==(const TFileStamp& o) const {
        return Path == o.Path && Exists == o.Exists && Device == o.Device && Inode == o.Inode && Size == o.Size &&
               ModifiedNs == o.ModifiedNs;
    }
};

// ---------------------------------------------------------------------------------------------
// Handles

struct TDrive {
    std::mutex Lock; // libcdio objects are not thread-safe
    CdIo_t* Cdio = nullptr;
    bool Msf = false;
    bool IsImage = false;
    QString Path; // device node or image file, for reopening after a disc change
    QString NoDiscReason;
    // Cue images: libcdio opens a copy of the cue sheet beside a link to the .bin it names
    // (it ignores the FILE line and opens the .bin named like the .cue), and the audio is read
    // from the .bin where the checked sheet says it lies.
    std::unique_ptr<QTemporaryDir> LinkFolder;
    std::unique_ptr<TCueSheet> Cue;
    QFile Bin;
    std::vector<TFileStamp> Watched;
    lsn_t LeadOut = CDIO_INVALID_LSN; // where the disc really ends, when libcdio says otherwise

    void CloseMedia() {
        // Only destroy: ejecting an image half-frees the object in libcdio.
        if (Cdio)
            cdio_destroy(Cdio);
        Cdio = nullptr;
        Bin.close();
        Cue.reset();
        LeadOut = CDIO_INVALID_LSN;
        LinkFolder.reset();
    }
    ~TDrive() { CloseMedia(); }
};

// libcdio must see the tracks where the sheet has them, or the TOC and the reads would
// disagree.
bool SameTracks(CdIo_t* p, const TCueSheet& cue, QString& why) {
    const track_t first = cdio_get_first_track_num(p);
    const track_t count = cdio_get_num_tracks(p);
    if (first != cue.Tracks.front().Number || count != cue.Tracks.size()) {
        why = QStringLiteral("libcdio reads %1 tracks from %2 on where the cue sheet has %3 from %4 on")
                  .arg(count)
                  .arg(first)
                  .arg(cue.Tracks.size())
                  .arg(cue.Tracks.front().Number);
        return false;
    }
    for (const TCueTrack& t : cue.Tracks) {
        if (cdio_get_track_lsn(p, track_t(t.Number)) != t.Start - t.Shift) {
            why = QStringLiteral("libcdio places track %1 elsewhere than the cue sheet (%2)")
                      .arg(t.Number)
                      .arg(CueTimeText(t.Start));
            return false;
        }
    }
    return true;
}

bool OpenCue(TDrive& drive, QString& error) {
    auto cue = std::make_unique<TCueSheet>();
    if (!cue->Load(drive.Path)) {
        error = cue->Error;
        return false;
    }
    drive.Watched.push_back(TFileStamp::Of(cue->BinPath));
    drive.LinkFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/discwright-cue-XXXXXX"));
    // A copy of the cue sheet in the spelling libcdio accepts and a link to
    // the bin, named consistently.
    const QString cueCopy = drive.LinkFolder->filePath(QStringLiteral("disc.cue"));
    const QString binLink = drive.LinkFolder->filePath(QStringLiteral("disc.bin"));
    QFile copy(cueCopy);
    if (!drive.LinkFolder->isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(cue->LibcdioSheet()) < 0 ||
        !QFile::link(cue->BinPath, binLink)) {
        error = QStringLiteral("Cannot prepare ") + drive.Path + QStringLiteral(" in the temporary folder");
        return false;
    }
    copy.close();
    drive.Bin.setFileName(cue->BinPath);
    if (!drive.Bin.open(QIODevice::ReadOnly)) {
        error = cue->BinPath + QStringLiteral(": ") + drive.Bin.errorString();
        return false;
    }
    drive.Cdio = cdio_open(QFile::encodeName(cueCopy).constData(), DRIVER_BINCUE);
    QString why;
    if (drive.Cdio && !SameTracks(drive.Cdio, *cue, why)) {
        error = drive.Path + QStringLiteral(": ") + why;
        return false;
    }
    drive.Cue = std::move(cue);
    return true;
}

// libcdio's .toc reader counts the START (pregap) of the last track twice: its lead-out lies
// that far past the end of the audio file, and the last track could never be read to its end.
// The lead-out is moved back only when the disc's last sector cannot be read and the corrected
// one can, so a libcdio that reads such files right is left alone.
lsn_t ReadableLeadOut(CdIo_t* p) {
    const track_t first = cdio_get_first_track_num(p);
    const track_t count = cdio_get_num_tracks(p);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return CDIO_INVALID_LSN;
    const track_t last = track_t(first + count - 1);
    const lsn_t leadOut = cdio_get_track_lsn(p, CDIO_CDROM_LEADOUT_TRACK);
    const lsn_t start = cdio_get_track_lsn(p, last);
    const lsn_t pregap = cdio_get_track_pregap_lsn(p, last);
    if (leadOut == CDIO_INVALID_LSN || start == CDIO_INVALID_LSN || pregap == CDIO_INVALID_LSN || pregap >= start ||
        cdio_get_track_format(p, last) != TRACK_FORMAT_AUDIO)
        return CDIO_INVALID_LSN;
    const lsn_t corrected = leadOut - (start - pregap);
    std::array<uint8_t, CDSectorBytes> sector{};
    if (corrected <= start || cdio_read_audio_sectors(p, sector.data(), leadOut - 1, 1) == DRIVER_OP_SUCCESS ||
        cdio_read_audio_sectors(p, sector.data(), corrected - 1, 1) != DRIVER_OP_SUCCESS)
        return CDIO_INVALID_LSN;
    return corrected;
}

// libcdio looks for the files a cdrdao .toc names in the current folder, not beside the .toc,
// so it gets a copy whose relative file names are made absolute. Null with `error` on failure.
CdIo_t* OpenTocCopy(TDrive& drive, QString& error) {
    QFile toc(drive.Path);
    if (!toc.open(QIODevice::ReadOnly) || toc.size() > 1024 * 1024) {
        error = drive.Path + QStringLiteral(": ") + (toc.isOpen() ? QStringLiteral("too large") : toc.errorString());
        return nullptr;
    }
    const QDir folder = QFileInfo(drive.Path).absoluteDir();
    static const QRegularExpression fileLine(QStringLiteral("^(\\s*(?:FILE|AUDIOFILE|DATAFILE)\\s+\")([^\"]*)\""));
    QByteArray copy;
    for (const QByteArray& line : toc.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line);
        const QRegularExpressionMatch m = fileLine.match(text);
        const QString name = m.captured(2);
        const QString path = folder.absoluteFilePath(name);
        if (m.hasMatch() && !name.isEmpty() && QDir::isRelativePath(name) && !path.contains('"') &&
            !path.contains('\\'))
            copy += (m.captured(1) + path + text.mid(m.capturedEnd(2))).toUtf8() + '\n';
        else
            copy += line + '\n';
    }
    drive.LinkFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/discwright-toc-XXXXXX"));
    const QString copyPath = drive.LinkFolder->filePath(QStringLiteral("disc.toc"));
    QFile out(copyPath);
    if (!drive.LinkFolder->isValid() || !out.open(QIODevice::WriteOnly) || out.write(copy) != copy.size()) {
        error = QStringLiteral("Cannot prepare ") + drive.Path + QStringLiteral(" in the temporary folder");
        return nullptr;
    }
    out.close();
    return cdio_open(QFile::encodeName(copyPath).constData(), DRIVER_CDRDAO);
}

bool OpenMediaOnce(TDrive& drive, QString& error) {
    drive.CloseMedia();
    drive.Watched.clear();
    if (drive.IsImage) {
        drive.Watched.push_back(TFileStamp::Of(drive.Path));
        if (!QFileInfo(drive.Path).isFile()) {
            error = drive.Path + QStringLiteral(": no such image file");
            return false;
        }
        if (QFileInfo(drive.Path).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0) {
            if (!OpenCue(drive, error)) {
                drive.CloseMedia();
                return false;
            }
        } else {
            const bool toc = QFileInfo(drive.Path).suffix().compare(QLatin1String("toc"), Qt::CaseInsensitive) == 0;
            drive.Cdio =
                toc ? OpenTocCopy(drive, error) : cdio_open(QFile::encodeName(drive.Path).constData(), DRIVER_UNKNOWN);
            if (!drive.Cdio && !error.isEmpty()) {
                drive.CloseMedia();
                return false;
            }
            if (drive.Cdio)
                drive.LeadOut = ReadableLeadOut(drive.Cdio);
        }
    } else {
        drive.Cdio = cdio_open(QFile::encodeName(drive.Path).constData(), DRIVER_DEVICE);
    }
    if (!drive.Cdio) {
        const QString why = CDLastError();
        const QString hint = drive.IsImage ? QStringLiteral("not a disc image (.cue with its .bin, .toc, .nrg)")
                                           : QStringLiteral("no disc, or the drive is not accessible");
        error = drive.Path + QStringLiteral(": cannot open: ") + (why.isEmpty() ? hint : why);
        drive.CloseMedia();
        return false;
    }
    return true;
}

// Opens the drive's disc: the image (checked first) or the device. False with `error`.
bool OpenMedia(TDrive& drive, QString& error) {
    if (OpenMediaOnce(drive, error))
        return true;
    // A file put back or repaired in the image's folder changes the folder.
    if (drive.IsImage)
        drive.Watched.push_back(TFileStamp::Of(QFileInfo(drive.Path).absolutePath()));
    return false;
}

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
    if (!p)
        return false;
    first = cdio_get_first_track_num(p);
    const track_t count = cdio_get_num_tracks(p);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 || first + count - 1 > 99)
        return false;
    last = track_t(first + count - 1);
    return true;
}

// Why a drive without media has none.
QString NoDiscText(const TDrive& drive, const QString& fallback) {
    return drive.NoDiscReason.isEmpty() ? fallback : drive.NoDiscReason;
}

// Where the disc's tracks start (logical block addresses, the lead-out last) and which are
// data; false when the table is not usable.
bool TrackLayout(const TDrive& drive, track_t first, track_t last, std::vector<lsn_t>& starts,
                 std::vector<bool>& data) {
    starts.clear();
    data.clear();
    if (drive.Cue) {
        for (const TCueTrack& t : drive.Cue->Tracks) {
            starts.push_back(t.Start);
            data.push_back(!t.Audio);
        }
        starts.push_back(drive.Cue->LeadOut);
        return true;
    }
    for (int t = first; t <= last + 1; ++t) {
        const track_t number = t > last ? track_t(CDIO_CDROM_LEADOUT_TRACK) : track_t(t);
        const lsn_t lsn =
            t > last && drive.LeadOut != CDIO_INVALID_LSN ? drive.LeadOut : cdio_get_track_lsn(drive.Cdio, number);
        if (lsn == CDIO_INVALID_LSN)
            return false;
        starts.push_back(lsn);
        if (t <= last)
            data.push_back(cdio_get_track_format(drive.Cdio, number) != TRACK_FORMAT_AUDIO);
    }
    return true;
}

// Reads `count` audio sectors of a cue image from its .bin, each where the sheet puts it.
// Sectors that lie one after another in the file are read with one call: a system call per
// sector cost more than the copying.
bool ReadCueSectors(TDrive& drive, lsn_t from, uint32_t count, uint8_t* to) {
    const int fd = drive.Bin.handle();
    uint32_t i = 0;
    while (i < count) {
        const int64_t offset = drive.Cue->SectorOffset(int32_t(from + i));
        if (offset == CueSilence) {
            std::memset(to + size_t(i) * CDSectorBytes, 0, CDSectorBytes);
            ++i;
            continue;
        }
        if (offset < 0)
            return false;
        uint32_t run = 1;
        while (i + run < count &&
               drive.Cue->SectorOffset(int32_t(from + i + run)) == offset + int64_t(run) * CDSectorBytes)
            ++run;
        const size_t bytes = size_t(run) * CDSectorBytes;
        size_t done = 0;
        while (done < bytes) {
            const ssize_t n =
                ::pread(fd, to + size_t(i) * CDSectorBytes + done, bytes - done, off_t(offset) + off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        i += run;
    }
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

void UseCDImageDrives(const QString& images) {
    std::lock_guard<std::mutex> guard(ListLock);
    Images = images;
    ImagesGiven = true;
}

int GetCDList(TCDDriveList* list) {
    if (!list)
        return 0;
    const int capacity = std::min<int>(list->Capacity, MaxCDDrives);
    const std::vector<TDriveSlot> drives = CurrentDrives();
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
        CopyText(e.Vendor, sizeof e.Vendor, d.Vendor);
        CopyText(e.Product, sizeof e.Product, d.Product);
        CopyText(e.Revision, sizeof e.Revision, d.Revision);
    }
    list->Count = uint8_t(count);
    return 1;
}

void RefreshCDDriveList() {
    std::vector<TDriveSlot> devices = ListDevices();
    {
        std::lock_guard<std::mutex> guard(ListLock);
        Devices = std::move(devices);
        DevicesListed = true;
    }
    CurrentDrives(); // takes in the image list
}

QString CheckCDImage(const QString& path) {
    if (!QFileInfo(path).isFile())
        return path + QStringLiteral(": no such image file");
    if (QFileInfo(path).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) != 0)
        return QString();
    TCueSheet cue;
    return cue.Load(path) ? QString() : cue.Error;
}

int GetCDHandle(const TCDOpenRequest* request) {
    if (!request)
        return 0;
    SetLastError(QString());
    TDriveSlot slot;
    if (!FindDrive(CurrentDrives(), request->Adapter, request->Target, slot) || request->Lun != 0) {
        SetLastError(QStringLiteral("No such drive"));
        return 0;
    }
    InstallLogHandler();
    auto drive = std::make_shared<TDrive>();
    drive->IsImage = slot.IsImage;
    drive->Path = slot.Path;
    QString error;
    if (!OpenMedia(*drive, error)) {
        SetLastError(error);
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
    std::vector<lsn_t> starts;
    std::vector<bool> data;
    if (!DiscTracks(drive->Cdio, first, last) || !TrackLayout(*drive, first, last, starts, data)) {
        SetLastError(NoDiscText(*drive, QStringLiteral("No disc, or the table of contents cannot be read")));
        return 0;
    }
    // A drive or an image format other than cue sheets may still report nonsense; a track
    // must start after the one before it and before the lead-out.
    for (size_t i = 1; i < starts.size(); ++i) {
        if (starts[i] <= starts[i - 1] || starts[i - 1] < 0) {
            const bool leadOut = i == starts.size() - 1;
            SetLastError(leadOut ? QStringLiteral("The table of contents ends (%1) before track %2 starts (%3)")
                                       .arg(CueTimeText(starts[i]))
                                       .arg(first + i - 1)
                                       .arg(CueTimeText(starts[i - 1]))
                                 : QStringLiteral("Track %1 starts (%2) before track %3 ends (%4)")
                                       .arg(first + i)
                                       .arg(CueTimeText(starts[i]))
                                       .arg(first + i - 1)
                                       .arg(CueTimeText(starts[i - 1])));
            return 0;
        }
    }
    std::memset(toc, 0, sizeof *toc);
    toc->FirstTrack = first;
    toc->LastTrack = last;
    const int entries = last - first + 2; // tracks and the lead-out
    toc->Length = uint16_t(2 + entries * sizeof(TCDTocEntry));
    for (int i = 0; i < entries; ++i) {
        const bool leadOut = i == entries - 1;
        const track_t t = leadOut ? track_t(CDIO_CDROM_LEADOUT_TRACK) : track_t(first + i);
        const lba_t lba = starts[i] + CDIO_PREGAP_SECTORS;
        TCDTocEntry& e = toc->Tracks[i];
        uint8_t control = 0;
        if (data[leadOut ? i - 1 : i])
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
            const uint32_t block = uint32_t(starts[i]);
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
    std::vector<lsn_t> starts;
    std::vector<bool> data;
    if (!DiscTracks(drive->Cdio, first, last) || !TrackLayout(*drive, first, last, starts, data)) {
        SetLastError(NoDiscText(*drive, QStringLiteral("No disc in the drive")));
        return 0;
    }
    const int64_t from = buffer->FirstSector;
    const int64_t to = from + count; // exclusive
    // libcdio "succeeds" on a read that crosses the lead-out and leaves stale bytes.
    if (to > starts.back()) {
        SetLastError(QStringLiteral("Read beyond the end of the disc"));
        return 0;
    }
    // Data sectors read as audio would be noise in a WAV file.
    for (track_t t = first; t <= last; ++t) {
        const size_t i = t - first;
        if (data[i] && from < starts[i + 1] && to > starts[i]) {
            SetLastError(QStringLiteral("Track %1 is a data track").arg(t));
            return 0;
        }
    }
    SetLastError(QString());
    const bool read =
        drive->Cue ? ReadCueSectors(*drive, lsn_t(from), count, buffer->Data())
                   : cdio_read_audio_sectors(drive->Cdio, buffer->Data(), lsn_t(from), count) == DRIVER_OP_SUCCESS;
    if (!read) {
        const QString why = CDLastError();
        SetLastError(QStringLiteral("Read error at sector %1").arg(from) + (why.isEmpty() ? QString() : ": " + why));
        return 0;
    }
    if (drive->Cue && drive->Cue->BigEndian) {
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
    if (drive->IsImage) {
        const bool same = std::all_of(drive->Watched.begin(), drive->Watched.end(),
                                      [](const TFileStamp& s) { return s == TFileStamp::Of(s.Path); });
        if (same)
            return 0;
        QString error;
        drive->NoDiscReason = OpenMedia(*drive, error) ? QString() : error;
        return 1;
    }
    if (cdio_get_media_changed(drive->Cdio) != 1)
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
    const std::vector<TDriveSlot> drives = CurrentDrives();
    if (index < 0 || index >= int(std::min<size_t>(drives.size(), MaxCDDrives))) {
        SetLastError(QStringLiteral("There is no drive %1").arg(index));
        return 0;
    }
    TCDOpenRequest request;
    request.Adapter = drives[index].IsImage ? 1 : 0;
    int target = 0;
    for (int i = 0; i < index; ++i)
        if (drives[i].IsImage == drives[index].IsImage)
            ++target;
    request.Target = uint8_t(target);
    return GetCDHandle(&request);
}

// Declared in DriveHandleCdio.h.
CdIo_t* CDHandleCdio(int handle) {
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    return drive ? drive->Cdio : nullptr;
}

// Declared in DriveHandleCdio.h.
QString CDHandleImage(int handle) {
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    return drive && drive->IsImage ? drive->Path : QString();
}
