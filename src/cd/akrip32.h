// The CD drive library: drive list, drive handles, table of contents and raw audio reads,
// with the packed records its callers exchange with it. Implemented over libcdio.
//
// Drives are the physical drives libcdio finds, followed by one disc-image drive for each
// path in Settings.Images ("|"-separated .cue/.toc/.nrg files). Physical drives have
// adapter 0, image drives adapter 1; the target is the position within its group.
//
// The drive list is kept between calls, so that looking up a drive (or the disc key) does
// not list the drives and open every one of them again. Physical drives are listed, each
// opened once for its vendor and product, on first use and by RefreshCDDriveList. Image
// drives follow Settings.Images, which the library reads only when called on the main
// thread (where every change to the settings happens); a call from a worker thread sees the
// list as the main thread last saw it.
//
// Cue sheets and cdrdao .toc files are checked before they are opened (see CueSheet.h and
// TocFile.h): a broken one is refused with a message naming the track or line at fault, and
// the disc's tracks and audio come from its checked layout (DiscLayout.h): each sector read
// from the file (.bin, WAV or FLAC) and place the image gives it, or silence.
//
// Sector numbers of ReadCDAudioLBA are logical block addresses: the sector at MSF 00:02:00
// is sector 0. TOC addresses are absolute, the 2-second lead-in included, as a drive
// reports them.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>

#pragma pack(push, 1)

// One drive of the drive list. Texts are NUL-terminated.
struct TCDDriveEntry {
    uint8_t Adapter;
    uint8_t Target;
    uint8_t Lun;
    uint8_t Pad;
    char Id[65];
    char Vendor[9];
    char Product[17];
    char Revision[5];
    char VendorSpecific[21];
};
static_assert(sizeof(TCDDriveEntry) == 121);

constexpr int MaxCDDrives = 8;

struct TCDDriveList {
    uint8_t Capacity; // in: entries the caller has room for (at most 8)
    uint8_t Count;    // out
    TCDDriveEntry Drives[MaxCDDrives];
};
static_assert(sizeof(TCDDriveList) == 2 + 8 * 121);

// The request that opens a drive: 12 bytes, read type 0 and no jitter correction.
struct TCDOpenRequest {
    uint8_t Size = 12;
    uint8_t Version = 1;
    uint8_t Adapter = 0;
    uint8_t Target = 0;
    uint8_t Lun = 0;
    uint8_t ReadType = 0;
    uint8_t Reserved[6] = {};
};
static_assert(sizeof(TCDOpenRequest) == 12);

// One TOC entry. Address holds 0, minutes, seconds, frames after ModifyCDParms(h, 36, 1),
// else the logical block address, big-endian, as a drive sends it.
struct TCDTocEntry {
    uint8_t Reserved1;
    uint8_t AdrControl; // ADR 1 in the high nibble; control bit 4 = data track
    uint8_t TrackNumber;
    uint8_t Reserved2;
    uint8_t Address[4];
};
static_assert(sizeof(TCDTocEntry) == 8);

constexpr uint8_t LeadOutTrackNumber = 0xAA;
constexpr uint8_t TocDataTrackFlag = 0x04;

// Entry n - 1 describes track n; the entry after the last track is the lead-out.
struct TCDToc {
    uint16_t Length; // bytes after this field
    uint8_t FirstTrack;
    uint8_t LastTrack;
    TCDTocEntry Tracks[100];
};
static_assert(sizeof(TCDToc) == 804);

// Header of a read buffer; Capacity bytes of room follow it in the same allocation (see
// NewCDReadBuffer). Audio starts at Data() + DataOffset.
struct TCDReadBuffer {
    uint32_t FirstSector;
    uint32_t SectorCount;   // at most 10
    uint32_t Capacity;      // SectorCount * 2352
    uint32_t BytesReturned; // out
    uint32_t Status;        // out: 0 = read, else a failure
    uint32_t DataOffset;    // out
    uint8_t* Data() { return reinterpret_cast<uint8_t*>(this + 1); }
};
static_assert(sizeof(TCDReadBuffer) == 24);

#pragma pack(pop)

constexpr int CDSectorBytes = 2352;
constexpr int MaxSectorsPerRead = 10;
// ModifyCDParms parameter: TOC addresses in minutes/seconds/frames when the value is non-zero.
constexpr int CDP_MSF = 36;

struct TCDReadBufferDeleter {
    void operator()(TCDReadBuffer* b) const;
};
using TCDReadBufferPtr = std::unique_ptr<TCDReadBuffer, TCDReadBufferDeleter>;
// A zeroed buffer for `sectors` sectors with FirstSector, SectorCount and Capacity filled in.
TCDReadBufferPtr NewCDReadBuffer(uint32_t firstSector, uint32_t sectors);

// Fills the list with up to list->Capacity drives (at most 8) from the kept drive list;
// opens no drive. Returns 1.
int GetCDList(TCDDriveList* list);
// Lists the physical drives again (opening each once for its vendor and product) and takes
// in Settings.Images when called on the main thread. For the Refresh command, the options
// dialog and the no-device hint; the 2-second poll does not need it.
void RefreshCDDriveList();
// Makes `images` ("|"-separated paths) the image drives from now on, instead of
// Settings.Images: the command-line tool's drives of one run (--image). Main thread.
void UseCDImageDrives(const QString& images);
// Why the disc image at `path` cannot be opened as a drive (one line, naming the track at
// fault for a broken cue sheet), or empty when it can. Cheap: opens no drive.
QString CheckCDImage(const QString& path);
// Opens the drive named by adapter/target/LUN. Returns a handle (1..MaxCDHandles), 0 on failure.
int GetCDHandle(const TCDOpenRequest* request);
constexpr int MaxCDHandles = 16;
// Non-zero when the handle was open and is now closed.
int CloseCDHandle(int handle);
// Non-zero on success. Only CDP_MSF is known.
int ModifyCDParms(int handle, int parameter, int value);
// 1 on success.
int ReadTOC(int handle, TCDToc* toc);
// Reads SectorCount (1..10) raw audio sectors from FirstSector. 1 on success. Fails for
// sectors beyond the lead-out or inside a data track, rather than returning stale bytes.
int ReadCDAudioLBA(int handle, TCDReadBuffer* buffer);

// The media-change poll (the main window calls it every 2 s). 1 when the disc in the drive
// changed since the handle was opened or last asked, 0 when not, -1 for a bad handle. After
// a 1 the handle reads the new disc (or, when there is none, ReadTOC fails and CDLastError
// says why). An image drive changes when its image file, or the .bin its cue sheet names, is
// replaced, changed or removed on disk (libcdio reports no media change for images); while
// an image cannot be opened, a change in its folder counts too, so that a restored file is
// seen. Cheap: a device costs one status query, an image a few stat() calls.
int CDMediaChanged(int handle);

// The last error the library or libcdio reported, for messages ("" when none).
QString CDLastError();

// Sector number of a TOC address: minutes * 4500 + seconds * 75 + frames (MSF mode).
int32_t TocAddressSectors(const TCDTocEntry& entry);

// Convenience for callers that name drives by list position: opens drive `index` (0-based)
// of GetCDList. Returns a handle or 0 (CDLastError says why).
int OpenCDDriveAt(int index);
