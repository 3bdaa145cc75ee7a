// The CR_* layer: the ripping library behind the CD input component (TCDIn). It serves the
// same drives as the CD drive library (akrip32.h), in the same order: the physical drives,
// then the disc-image drives of the CDOptions/Images setting. It opens them through that
// library and reads audio through libcdio-paranoia, whose reads go through the drive
// library's ReadCDAudioLBA (so cue sheets, big-endian images, lead-out and data-track checks
// behave exactly as on the extraction thread's path).
//
// Process-wide state, as a shared library has: one active drive, one parameter block per
// drive, the TOC last read from the active drive and at most one open ripper. Every function
// is thread-safe (one lock); a rip runs on a sink's worker thread while the drive and TOC
// service is called from the main thread.
//
// Sector numbers are logical block addresses: the sector at 00:02:00 is sector 0, so a CDDB
// offset is a start sector + 150.
//
// A rip:
//     int32_t size = 176400;                       // bytes per chunk, rounded to whole sectors
//     CR_OpenRipper(size, start, end);             // sectors [start, end)
//     for (int32_t got; CR_RipChunk(buffer, got, false) == crOk && got > 0;) write(buffer, got);
//     CR_GetNumberOfJitterErrors(); CR_CloseRipper();
#pragma once

#include <QString>

#include <cstdint>

// Results of the CR_* functions.
enum TCRResult : int32_t {
    crOk = 0,
    crError = 1,
    // CR_RipChunk: the ripper has delivered its last sector (or was aborted); 0 bytes.
    crRippingDone = 2,
};

// Status written by CR_IsMediaLoaded.
enum TCRMediaStatus : int32_t { crMediaPresent = 0, crMediaNotPresent = 1 };

// The flag byte of a TOC entry for a data track.
constexpr uint8_t CRDataTrackFlag = 4;

// The parameter block of one drive. Callers fetch it with CR_GetCDROMParameters, change it
// with the setters below and store it with CR_SetCDROMParameters; a rip uses the block
// stored for the active drive when CR_OpenRipper is called.
struct TCRDriveParams {
    // Which drive of the drive library's list this is (set by the layer, not stored back).
    uint8_t Adapter = 0; // 0 physical drive, 1 disc image
    uint8_t Target = 0;
    uint8_t Lun = 0;
    QString DriveId; // vendor and product, as CR_GetDriveID returns it
    // Reading. Jitter correction off reads every sector once as it comes (paranoia mode 0);
    // on runs libcdio-paranoia's verification and repair (see CRParanoiaFlags).
    int32_t JitterCorrection = 0; // non-zero = on
    int32_t ReadSectors = 0;      // sectors per drive read; 0 = paranoia's own choice
    int32_t OverlapSectors = 0;   // fixed overlap of verified reads; 0 = paranoia's dynamic one
    int32_t CompareSectors = 0;   // kept for callers; paranoia sizes its comparisons itself
    bool EnableMultiRead = false;
    int32_t MultiReadCount = 0; // with EnableMultiRead: tries of a sector the drive refuses
    bool Paranoid = false;      // with jitter correction: all checks, whatever ParanoiaMode says
    int32_t ParanoiaMode = 0;   // with jitter correction: paranoia mode bits, 0 = all checks
    bool LockDuringRip = false; // physical drives: the tray stays locked while a ripper is open
};

// Takes a reference on the library (1 is the only interface version) and lists the drives.
// crOk, or crError when libcdio offers neither device nor image access.
int32_t CR_Init(int32_t version);
// Drops a reference; the last one closes the ripper and the drive.
void CR_DeInit();

// Number of drives, listing them afresh (so a changed Images setting is seen).
int32_t CR_GetNumCDROM();
// Makes drive `index` (0-based) the active one. crError for an index outside the list, or
// for another drive while a ripper is open.
int32_t CR_SetActiveCDROM(int32_t index);
int32_t CR_GetActiveCDROM();

// The active drive's parameter block; crError when there is no such drive.
int32_t CR_GetCDROMParameters(TCRDriveParams& params);
// Stores the reading fields of `params` for the active drive.
int32_t CR_SetCDROMParameters(const TCRDriveParams& params);
QString CR_GetDriveID(const TCRDriveParams& params);

int32_t CR_GetJitterCorrection(const TCRDriveParams& params);
void CR_SetJitterCorrection(TCRDriveParams& params, int32_t value);
void CR_SetReadSectors(TCRDriveParams& params, int32_t sectors);
void CR_SetOverlapSectors(TCRDriveParams& params, int32_t sectors);
void CR_SetCompareSectors(TCRDriveParams& params, int32_t sectors);
void CR_SetEnableMultiRead(TCRDriveParams& params, bool enable);
void CR_SetMultiReadCount(TCRDriveParams& params, int32_t count);
void CR_SetParanoidMode(TCRDriveParams& params, bool paranoid);
void CR_SetParanoiaMode(TCRDriveParams& params, int32_t mode);
void CR_LockCDTrayWhileRipping(TCRDriveParams& params, bool lock);

// The paranoia_modeset flags a block selects: 0 without jitter correction; with it, full
// paranoia, or ParanoiaMode's bits when non-zero and not Paranoid. Never-skip is always left
// out, so a sector that cannot be verified is given up on after its retries instead of
// stalling the rip for ever.
int32_t CRParanoiaFlags(const TCRDriveParams& params);

// Writes crMediaPresent when the active drive holds a disc whose TOC can be read, else
// crMediaNotPresent. crError only when there is no active drive.
int32_t CR_IsMediaLoaded(int32_t& status);
// Reads the active drive's TOC into the layer. crOk, or crError (no disc, unreadable image).
int32_t CR_ReadToc();
// Tracks in the TOC last read (0 after a failed read). Entry `count` is the lead-out.
int32_t CR_GetNumTocEntries();
// Entry `index` (0 .. count) of the TOC last read, packed as below; 0 outside that range.
int64_t CR_GetTocEntry(int32_t index);

// The 64-bit TOC entry: start sector in the low 32 bits, then a flag byte (CRDataTrackFlag
// for a data track, else 0), then the track number (0xAA for the lead-out).
constexpr int64_t MakeCRTocEntry(int32_t startSector, uint8_t flag, uint8_t track) {
    return int64_t(uint32_t(startSector)) | (int64_t(flag) << 32) | (int64_t(track) << 40);
}
constexpr int32_t CRTocEntrySector(int64_t entry) {
    return int32_t(uint32_t(entry & 0xFFFFFFFF));
}
constexpr uint8_t CRTocEntryFlag(int64_t entry) {
    return uint8_t((entry >> 32) & 0xFF);
}
constexpr uint8_t CRTocEntryTrack(int64_t entry) {
    return uint8_t((entry >> 40) & 0xFF);
}

// Opens a ripper on the active drive for sectors [start, end) with its stored parameter
// block. bufferSize (bytes per CR_RipChunk) is rounded down to whole sectors, at least one,
// and written back. crError when a ripper is already open, the disc cannot be read, the
// range is empty or leaves the disc, or any of it lies in a data track (paranoia would spin
// on it for ever).
int32_t CR_OpenRipper(int32_t& bufferSize, int32_t startSector, int32_t endSector);
// Reads the next chunk (at most bufferSize bytes of whole sectors, little-endian PCM) into
// `buffer`; `bytes` receives the count. crRippingDone with 0 bytes at the end or on abort;
// crError with 0 bytes when a sector could not be read at all (no audio is made up for it).
int32_t CR_RipChunk(uint8_t* buffer, int32_t& bytes, bool abort);
int32_t CR_CloseRipper();
// Jitter corrected or given up on by paranoia in the last ripper opened.
int32_t CR_GetNumberOfJitterErrors();
// The paranoia flags the last ripper was opened with (see CRParanoiaFlags); -1 before any.
int32_t CRLastRipperFlags();
