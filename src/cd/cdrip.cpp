// The CR_* layer over the CD drive library and libcdio-paranoia (see cdrip.h).
#include "cd/cdrip.h"

#include "cd/DriveHandleCdio.h"
#include "cd/akrip32.h"

#include <cdio/mmc_ll_cmds.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct TDrive {
    TCRDriveParams Params;
    QByteArray Path; // the drive library's id of the drive: device node or image file
};

struct TRipper {
    cdrom_drive_t* Drive = nullptr;
    cdrom_paranoia_t* Paranoia = nullptr;
    CdIo_t* Cdio = nullptr;
    int32_t Next = 0; // next sector to hand out
    int32_t End = 0;  // exclusive
    int32_t SectorsPerChunk = 1;
    int Retries = 20;
    bool TrayLocked = false;
    bool Failed = false;
};

std::mutex Lock;
int InitCount = 0;
std::vector<TDrive> Drives;
int32_t Active = 0;
// The drive library's handle of the active drive (0 = not open), and which drive it is.
int Handle = 0;
QByteArray HandlePath;
uint8_t HandleAdapter = 0;
uint8_t HandleTarget = 0;
std::vector<int64_t> Toc; // the tracks, then the lead-out
std::unique_ptr<TRipper> Ripper;

// Paranoia's read and event callbacks carry no context; there is one ripper at a time.
std::atomic<int> RipHandle{0};
std::atomic<int> ReadTries{1};
std::atomic<bool> ReadFailed{false};
std::atomic<int32_t> JitterErrors{0};
std::atomic<int32_t> LastFlags{-1};

void CopyReadingFields(const TCRDriveParams& from, TCRDriveParams& to) {
    to.JitterCorrection = from.JitterCorrection;
    to.ReadSectors = from.ReadSectors;
    to.OverlapSectors = from.OverlapSectors;
    to.CompareSectors = from.CompareSectors;
    to.EnableMultiRead = from.EnableMultiRead;
    to.MultiReadCount = from.MultiReadCount;
    to.Paranoid = from.Paranoid;
    to.ParanoiaMode = from.ParanoiaMode;
    to.LockDuringRip = from.LockDuringRip;
}

// Lists the drives afresh; a drive seen before keeps its parameter block.
void RefreshDrivesLocked() {
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    GetCDList(&list);
    std::vector<TDrive> fresh;
    for (int i = 0; i < list.Count; ++i) {
        const TCDDriveEntry& e = list.Drives[i];
        TDrive d;
        d.Path = QByteArray(e.Id);
        d.Params.Adapter = e.Adapter;
        d.Params.Target = e.Target;
        d.Params.Lun = e.Lun;
        d.Params.DriveId =
            (QString::fromLocal8Bit(e.Vendor).trimmed() + ' ' + QString::fromLocal8Bit(e.Product).trimmed()).trimmed();
        for (const TDrive& old : Drives)
            if (old.Path == d.Path && old.Params.Adapter == d.Params.Adapter)
                CopyReadingFields(old.Params, d.Params);
        fresh.push_back(d);
    }
    Drives = std::move(fresh);
}

void EnsureListedLocked() {
    if (Drives.empty())
        RefreshDrivesLocked();
}

bool ActiveValidLocked() {
    return Active >= 0 && Active < int32_t(Drives.size());
}

void CloseHandleLocked() {
    if (Handle)
        CloseCDHandle(Handle);
    Handle = 0;
    Toc.clear();
}

// The drive library's handle of the active drive, opened on first use; 0 when it cannot be
// opened (no disc, a missing or broken image).
int EnsureHandleLocked() {
    EnsureListedLocked();
    if (!ActiveValidLocked())
        return 0;
    const TDrive& d = Drives[size_t(Active)];
    const bool sameDrive = HandlePath == d.Path && HandleAdapter == d.Params.Adapter && HandleTarget == d.Params.Target;
    // The open ripper reads through the handle; it is never swapped underneath it.
    if (Handle && (sameDrive || Ripper))
        return Handle;
    CloseHandleLocked();
    TCDOpenRequest request;
    request.Adapter = d.Params.Adapter;
    request.Target = d.Params.Target;
    request.Lun = d.Params.Lun;
    Handle = GetCDHandle(&request);
    HandlePath = d.Path;
    HandleAdapter = d.Params.Adapter;
    HandleTarget = d.Params.Target;
    return Handle;
}

int32_t ReadTocLocked() {
    Toc.clear();
    const int handle = EnsureHandleLocked();
    if (!handle)
        return crError;
    // A physical drive may hold another disc by now; the ripper's libcdio object must not
    // be replaced while it reads.
    if (!Ripper)
        CDMediaChanged(handle);
    TCDToc toc{};
    if (!ModifyCDParms(handle, CDP_MSF, 0) || ReadTOC(handle, &toc) != 1)
        return crError;
    const int tracks = toc.LastTrack - toc.FirstTrack + 1;
    for (int i = 0; i <= tracks; ++i) {
        const TCDTocEntry& e = toc.Tracks[i];
        const uint32_t lba = uint32_t(e.Address[0]) << 24 | uint32_t(e.Address[1]) << 16 | uint32_t(e.Address[2]) << 8 |
                             uint32_t(e.Address[3]);
        const bool data = i < tracks && (e.AdrControl & TocDataTrackFlag);
        Toc.push_back(MakeCRTocEntry(int32_t(lba), data ? CRDataTrackFlag : 0, e.TrackNumber));
    }
    return crOk;
}

// Paranoia's drive reads, through the drive library: its checks (lead-out, data tracks) and
// its byte order (little-endian, big-endian images swapped) apply. A sector the drive will
// not return after the allowed tries fails the rip: paranoia would only fill it with zeros.
long ReadThroughDriveLibrary(cdrom_drive_t*, void* buffer, lsn_t begin, long sectors) {
    auto* out = static_cast<uint8_t*>(buffer);
    const TCDReadBufferPtr read = NewCDReadBuffer(0, MaxSectorsPerRead);
    long done = 0;
    while (done < sectors) {
        const uint32_t n = uint32_t(std::min<long>(sectors - done, MaxSectorsPerRead));
        read->FirstSector = uint32_t(begin + done);
        read->SectorCount = n;
        read->Capacity = n * CDSectorBytes;
        // Without a buffer paranoia only moves the drive away to defeat its cache, often to
        // sectors outside the audio: such a read may fail without harm.
        if (!out) {
            if (begin + done >= 0)
                ReadCDAudioLBA(RipHandle, read.get());
            done += n;
            continue;
        }
        bool ok = false;
        if (begin + done >= 0)
            for (int tries = ReadTries; !ok && tries > 0; --tries)
                ok = ReadCDAudioLBA(RipHandle, read.get()) == 1;
        if (!ok) {
            ReadFailed = true;
            return done > 0 ? done : -1;
        }
        std::memcpy(out + done * CDSectorBytes, read->Data() + read->DataOffset, size_t(n) * CDSectorBytes);
        done += n;
    }
    return done;
}

void OnParanoiaEvent(long, paranoia_cb_mode_t mode) {
    switch (mode) {
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
    case PARANOIA_CB_SKIP:
    case PARANOIA_CB_DRIFT:
        ++JitterErrors;
        break;
    default:
        break;
    }
}

void CloseRipperLocked() {
    if (!Ripper)
        return;
    if (Ripper->Paranoia)
        paranoia_free(Ripper->Paranoia);
    if (Ripper->TrayLocked)
        mmc_prevent_allow_medium_removal(Ripper->Cdio, false, false, 0);
    // The libcdio object belongs to the drive library's handle.
    if (Ripper->Drive)
        cdio_cddap_close_no_free_cdio(Ripper->Drive);
    Ripper.reset();
    RipHandle = 0;
}

bool RangeTouchesDataTrack(int32_t start, int32_t end) {
    for (size_t i = 0; i + 1 < Toc.size(); ++i)
        if (CRTocEntryFlag(Toc[i]) == CRDataTrackFlag && start < CRTocEntrySector(Toc[i + 1]) &&
            end > CRTocEntrySector(Toc[i]))
            return true;
    return false;
}

} // namespace

int32_t CR_Init(int32_t version) {
    if (version != 1 || (!cdio_have_driver(DRIVER_BINCUE) && !cdio_have_driver(DRIVER_LINUX)))
        return crError;
    std::lock_guard guard(Lock);
    if (InitCount++ == 0)
        RefreshDrivesLocked();
    return crOk;
}

void CR_DeInit() {
    std::lock_guard guard(Lock);
    if (InitCount == 0 || --InitCount > 0)
        return;
    CloseRipperLocked();
    CloseHandleLocked();
    HandlePath.clear();
    Drives.clear();
    Active = 0;
}

int32_t CR_GetNumCDROM() {
    std::lock_guard guard(Lock);
    RefreshDrivesLocked();
    return int32_t(Drives.size());
}

int32_t CR_SetActiveCDROM(int32_t index) {
    std::lock_guard guard(Lock);
    EnsureListedLocked();
    if (index < 0 || index >= int32_t(Drives.size()) || (Ripper && index != Active))
        return crError;
    Active = index;
    return crOk;
}

int32_t CR_GetActiveCDROM() {
    std::lock_guard guard(Lock);
    return Active;
}

int32_t CR_GetCDROMParameters(TCRDriveParams& params) {
    std::lock_guard guard(Lock);
    EnsureListedLocked();
    if (!ActiveValidLocked())
        return crError;
    params = Drives[size_t(Active)].Params;
    return crOk;
}

int32_t CR_SetCDROMParameters(const TCRDriveParams& params) {
    std::lock_guard guard(Lock);
    EnsureListedLocked();
    if (!ActiveValidLocked())
        return crError;
    CopyReadingFields(params, Drives[size_t(Active)].Params);
    return crOk;
}

QString CR_GetDriveID(const TCRDriveParams& params) {
    return params.DriveId;
}

int32_t CR_GetJitterCorrection(const TCRDriveParams& params) {
    return params.JitterCorrection;
}
void CR_SetJitterCorrection(TCRDriveParams& params, int32_t value) {
    params.JitterCorrection = value;
}
void CR_SetReadSectors(TCRDriveParams& params, int32_t sectors) {
    params.ReadSectors = std::max(0, sectors);
}
void CR_SetOverlapSectors(TCRDriveParams& params, int32_t sectors) {
    params.OverlapSectors = std::max(0, sectors);
}
void CR_SetCompareSectors(TCRDriveParams& params, int32_t sectors) {
    params.CompareSectors = std::max(0, sectors);
}
void CR_SetEnableMultiRead(TCRDriveParams& params, bool enable) {
    params.EnableMultiRead = enable;
}
void CR_SetMultiReadCount(TCRDriveParams& params, int32_t count) {
    params.MultiReadCount = std::max(0, count);
}
void CR_SetParanoidMode(TCRDriveParams& params, bool paranoid) {
    params.Paranoid = paranoid;
}
void CR_SetParanoiaMode(TCRDriveParams& params, int32_t mode) {
    params.ParanoiaMode = mode;
}
void CR_LockCDTrayWhileRipping(TCRDriveParams& params, bool lock) {
    params.LockDuringRip = lock;
}

int32_t CRParanoiaFlags(const TCRDriveParams& params) {
    if (!params.JitterCorrection)
        return PARANOIA_MODE_DISABLE;
    const int32_t flags =
        params.Paranoid || params.ParanoiaMode == 0 ? PARANOIA_MODE_FULL : params.ParanoiaMode & PARANOIA_MODE_FULL;
    return flags & ~PARANOIA_MODE_NEVERSKIP;
}

int32_t CR_IsMediaLoaded(int32_t& status) {
    std::lock_guard guard(Lock);
    status = crMediaNotPresent;
    EnsureListedLocked();
    if (!ActiveValidLocked())
        return crError;
    if (ReadTocLocked() == crOk)
        status = crMediaPresent;
    return crOk;
}

int32_t CR_ReadToc() {
    std::lock_guard guard(Lock);
    return ReadTocLocked();
}

int32_t CR_GetNumTocEntries() {
    std::lock_guard guard(Lock);
    return Toc.empty() ? 0 : int32_t(Toc.size()) - 1;
}

int64_t CR_GetTocEntry(int32_t index) {
    std::lock_guard guard(Lock);
    return index >= 0 && index < int32_t(Toc.size()) ? Toc[size_t(index)] : 0;
}

int32_t CR_OpenRipper(int32_t& bufferSize, int32_t startSector, int32_t endSector) {
    std::lock_guard guard(Lock);
    if (Ripper || ReadTocLocked() != crOk)
        return crError;
    const int32_t leadOut = CRTocEntrySector(Toc.back());
    if (startSector < 0 || startSector >= endSector || endSector > leadOut ||
        RangeTouchesDataTrack(startSector, endSector))
        return crError;
    CdIo_t* cdio = CDHandleCdio(Handle);
    if (!cdio)
        return crError;
    const TCRDriveParams& params = Drives[size_t(Active)].Params;

    auto ripper = std::make_unique<TRipper>();
    ripper->Cdio = cdio;
    char* messages = nullptr;
    ripper->Drive = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, &messages);
    if (messages)
        cdio_cddap_free_messages(messages);
    if (!ripper->Drive)
        return crError;
    // The drive library hands out little-endian samples (big-endian images already swapped);
    // saying so keeps paranoia from guessing the byte order from the audio itself.
    ripper->Drive->bigendianp = 0;
    if (cdio_cddap_open(ripper->Drive) != 0) {
        cdio_cddap_close_no_free_cdio(ripper->Drive);
        return crError;
    }
    ripper->Drive->read_audio = ReadThroughDriveLibrary;
    if (params.ReadSectors > 0)
        ripper->Drive->nsectors = params.ReadSectors;
    ripper->Paranoia = paranoia_init(ripper->Drive);
    Ripper = std::move(ripper);
    LastFlags = CRParanoiaFlags(params);
    paranoia_modeset(Ripper->Paranoia, LastFlags);
    if (params.JitterCorrection && params.OverlapSectors > 0)
        paranoia_overlapset(Ripper->Paranoia, params.OverlapSectors);
    paranoia_seek(Ripper->Paranoia, startSector, SEEK_SET);
    // Paranoia would otherwise read on to the end of the audio; the range ends its reads.
    paranoia_set_range(Ripper->Paranoia, startSector, endSector - 1);
    if (params.LockDuringRip && params.Adapter == 0)
        Ripper->TrayLocked = mmc_prevent_allow_medium_removal(cdio, false, true, 0) == DRIVER_OP_SUCCESS;

    Ripper->Next = startSector;
    Ripper->End = endSector;
    Ripper->SectorsPerChunk = std::max(1, bufferSize / CDSectorBytes);
    if (params.EnableMultiRead && params.MultiReadCount > 0)
        Ripper->Retries = params.MultiReadCount;
    bufferSize = Ripper->SectorsPerChunk * CDSectorBytes;
    RipHandle = Handle;
    ReadTries = params.EnableMultiRead && params.MultiReadCount > 0 ? params.MultiReadCount : 3;
    ReadFailed = false;
    JitterErrors = 0;
    return crOk;
}

int32_t CR_RipChunk(uint8_t* buffer, int32_t& bytes, bool abort) {
    std::lock_guard guard(Lock);
    bytes = 0;
    if (!Ripper || Ripper->Failed || !buffer)
        return crError;
    if (abort || Ripper->Next >= Ripper->End)
        return crRippingDone;
    const int32_t sectors = std::min(Ripper->SectorsPerChunk, Ripper->End - Ripper->Next);
    for (int32_t i = 0; i < sectors; ++i) {
        const int16_t* samples = paranoia_read_limited(Ripper->Paranoia, OnParanoiaEvent, Ripper->Retries);
        if (!samples || ReadFailed) {
            Ripper->Failed = true;
            return crError;
        }
        uint8_t* to = buffer + size_t(i) * CDSectorBytes;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(to, samples, CDSectorBytes);
        } else {
            for (int k = 0; k < CDSectorBytes / 2; ++k) {
                to[2 * k] = uint8_t(uint16_t(samples[k]) & 0xFF);
                to[2 * k + 1] = uint8_t(uint16_t(samples[k]) >> 8);
            }
        }
    }
    Ripper->Next += sectors;
    bytes = sectors * CDSectorBytes;
    return crOk;
}

int32_t CR_CloseRipper() {
    std::lock_guard guard(Lock);
    CloseRipperLocked();
    return crOk;
}

int32_t CR_GetNumberOfJitterErrors() {
    return JitterErrors;
}

int32_t CRLastRipperFlags() {
    return LastFlags;
}
