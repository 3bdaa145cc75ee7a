// The CD drive library over libcdio (see akrip32.h).
#include "cd/akrip32.h"

#include "cd/CueSheet.h"
#include "cd/DiscLayout.h"
#include "cd/DriveHandleLayout.h"
#include "cd/TocFile.h"
#include "cd/DriveHandleCdio.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    // Cue sheet and .toc images: the checked layout gives the tracks and the audio (read from
    // the files it names); libcdio opens a cue sheet of the same tracks in a temporary folder,
    // beside an empty disc.bin of the disc's size, for the callers that need a libcdio object.
    std::unique_ptr<QTemporaryDir> LinkFolder;
    std::shared_ptr<const TDiscLayout> Layout;
    std::unique_ptr<TLayoutReader> Reader;
    std::vector<TFileStamp> Watched;

    void CloseMedia() {
        // Only destroy: ejecting an image half-frees the object in libcdio.
        if (Cdio)
            cdio_destroy(Cdio);
        Cdio = nullptr;
        Reader.reset();
        Layout.reset();
        LinkFolder.reset();
    }
    ~TDrive() { CloseMedia(); }
};

// libcdio must see the tracks where the layout has them, or the CD input and the drive
// library would disagree.
bool SameTracks(CdIo_t* p, const TDiscLayout& layout, QString& why) {
    const track_t first = cdio_get_first_track_num(p);
    const track_t count = cdio_get_num_tracks(p);
    if (first != layout.Tracks.front().Number || count != layout.Tracks.size()) {
        why = QStringLiteral("libcdio reads %1 tracks from %2 on where the image has %3 from %4 on")
                  .arg(count)
                  .arg(first)
                  .arg(layout.Tracks.size())
                  .arg(layout.Tracks.front().Number);
        return false;
    }
    for (const TLayoutTrack& t : layout.Tracks) {
        if (cdio_get_track_lsn(p, track_t(t.Number)) != t.Start) {
            why = QStringLiteral("libcdio places track %1 elsewhere than the image (%2)")
                      .arg(t.Number)
                      .arg(CueTimeText(t.Start));
            return false;
        }
    }
    return true;
}

// Opens a checked layout: its files for reading, and libcdio on `sheet` (the same tracks in
// one disc.bin) beside an empty disc.bin of the disc's size. False with `error`.
bool OpenLayout(TDrive& drive, const std::shared_ptr<const TDiscLayout>& layout, const QByteArray& sheet,
                QString& error) {
    for (const TLayoutFile& file : layout->Files)
        drive.Watched.push_back(TFileStamp::Of(file.Path));
    drive.LinkFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/discwright-image-XXXXXX"));
    const QString cueCopy = drive.LinkFolder->filePath(QStringLiteral("disc.cue"));
    QFile copy(cueCopy);
    // libcdio takes the disc's end from the size of disc.bin; a file with a hole takes no room.
    QFile bin(drive.LinkFolder->filePath(QStringLiteral("disc.bin")));
    if (!drive.LinkFolder->isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(sheet) < 0 ||
        !bin.open(QIODevice::WriteOnly) || !bin.resize(int64_t(layout->LeadOut) * CDSectorBytes)) {
        error = QStringLiteral("Cannot prepare ") + drive.Path + QStringLiteral(" in the temporary folder");
        return false;
    }
    copy.close();
    bin.close();
    auto reader = std::make_unique<TLayoutReader>(layout);
    if (!reader->Open()) {
        error = drive.Path + QStringLiteral(": ") + reader->Error;
        return false;
    }
    drive.Cdio = cdio_open(QFile::encodeName(cueCopy).constData(), DRIVER_BINCUE);
    QString why;
    if (drive.Cdio && !SameTracks(drive.Cdio, *layout, why)) {
        error = drive.Path + QStringLiteral(": ") + why;
        return false;
    }
    drive.Layout = layout;
    drive.Reader = std::move(reader);
    return true;
}

bool OpenCue(TDrive& drive, QString& error) {
    TCueSheet cue;
    if (!cue.Load(drive.Path)) {
        error = cue.Error;
        return false;
    }
    return OpenLayout(drive, cue.Layout, cue.LibcdioSheet(), error);
}

bool OpenToc(TDrive& drive, QString& error) {
    TTocFile toc;
    if (!toc.Load(drive.Path)) {
        error = toc.Error;
        return false;
    }
    return OpenLayout(drive, toc.Layout, toc.Layout->LibcdioSheet(), error);
}

bool HasSuffix(const QString& path, const char* suffix) {
    return QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
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
        if (HasSuffix(drive.Path, "cue") || HasSuffix(drive.Path, "toc")) {
            if (!(HasSuffix(drive.Path, "cue") ? OpenCue(drive, error) : OpenToc(drive, error))) {
                drive.CloseMedia();
                return false;
            }
        } else {
            drive.Cdio = cdio_open(QFile::encodeName(drive.Path).constData(), DRIVER_UNKNOWN);
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
    if (drive.Layout) {
        for (const TLayoutTrack& t : drive.Layout->Tracks) {
            starts.push_back(t.Start);
            data.push_back(!t.Audio);
        }
        starts.push_back(drive.Layout->LeadOut);
        return true;
    }
    for (int t = first; t <= last + 1; ++t) {
        const track_t number = t > last ? track_t(CDIO_CDROM_LEADOUT_TRACK) : track_t(t);
        const lsn_t lsn = cdio_get_track_lsn(drive.Cdio, number);
        if (lsn == CDIO_INVALID_LSN)
            return false;
        starts.push_back(lsn);
        if (t <= last)
            data.push_back(cdio_get_track_format(drive.Cdio, number) != TRACK_FORMAT_AUDIO);
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
    if (HasSuffix(path, "toc")) {
        TTocFile toc;
        return toc.Load(path) ? QString() : toc.Error;
    }
    if (!HasSuffix(path, "cue"))
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
        if (!leadOut && drive->Layout) {
            const TLayoutTrack& lt = drive->Layout->Tracks[size_t(i)];
            control |= (lt.FourChannels ? 0x08 : 0) | (lt.CopyPermitted ? 0x02 : 0) | (lt.PreEmphasis ? 0x01 : 0);
        } else if (!leadOut) {
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
    // An image's audio comes from the files its layout names, in little-endian samples.
    const bool read =
        drive->Reader ? drive->Reader->ReadSectors(int32_t(from), count, buffer->Data())
                      : cdio_read_audio_sectors(drive->Cdio, buffer->Data(), lsn_t(from), count) == DRIVER_OP_SUCCESS;
    if (!read) {
        const QString why = drive->Reader ? drive->Reader->Error : CDLastError();
        SetLastError(QStringLiteral("Read error at sector %1").arg(from) + (why.isEmpty() ? QString() : ": " + why));
        return 0;
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

// Declared in DriveHandleLayout.h.
std::shared_ptr<const TDiscLayout> CDHandleLayout(int handle) {
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    if (!drive)
        return nullptr;
    std::lock_guard<std::mutex> guard(drive->Lock);
    return drive->Layout;
}

// Declared in DriveHandleCdio.h.
QString CDHandleImage(int handle) {
    const std::shared_ptr<TDrive> drive = DriveOf(handle);
    return drive && drive->IsImage ? drive->Path : QString();
}
