// TCDIn: the CD input component over the CR_* layer (see CDIn.h).
#include "cd/CDIn.h"

#include "audio/AuException.h"
#include "cd/cdrip.h"
#include "core/LanguageText.h"
#include "platform/Prompter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int64_t SectorBytes = 2352;

} // namespace

// Holds the component's drive selection for a scope.
struct TCDIn::TDriveUse {
    explicit TDriveUse(TCDIn& in) : In(in) { In.SelectDrive(); }
    ~TDriveUse() { In.ReleaseDrive(); }
    TDriveUse(const TDriveUse&) = delete;
    TDriveUse& operator=(const TDriveUse&) = delete;
    TCDIn& In;
};

TCDTrackLength DecodeTrackLength(uint32_t packed) {
    TCDTrackLength l;
    l.Minutes = int32_t(packed & 0xFF);
    l.Seconds = int32_t((packed >> 8) & 0xFF);
    l.Frames = int32_t((packed >> 16) & 0xFF);
    l.Data = ((packed >> 24) & 0xFF) != 0;
    return l;
}

bool RipThroughCDInput(int cdHandle, bool secureReading) {
    return cdHandle == 0 || secureReading;
}

TCDIn::TCDIn(QObject* owner) : TAuInput(owner), Buffer(size_t(ChunkBytes)) {
    Initialized = CR_Init(1) == crOk;
    if (!Initialized)
        Prompter().Show(ResText("RES_CDRipInitError", "Failed to initialize CDRip (insufficient privileges?)"),
                        TPromptIcon::Error, TPromptButtons::Ok);
}

TCDIn::~TCDIn() {
    ReleaseConsumers();
    try {
        if (Busy)
            EndReadingInternal();
    } catch (...) {
        // Going away: the ripper is closed either way.
    }
    if (Initialized)
        CR_DeInit();
}

void TCDIn::SelectDrive() {
    if (SelectCount == 0)
        CR_SetActiveCDROM(Drive);
    ++SelectCount;
}

void TCDIn::ReleaseDrive() {
    if (SelectCount > 0)
        --SelectCount;
}

int32_t TCDIn::DriveCount() {
    const TDriveUse use(*this);
    return CR_GetNumCDROM();
}

void TCDIn::SetDriveIndex(int32_t index) {
    if (index >= 0 && index < DriveCount())
        Drive = index;
}

QString TCDIn::DriveName() {
    const TDriveUse use(*this);
    TCRDriveParams params;
    if (CR_GetCDROMParameters(params) != crOk)
        return QString();
    if (!EnableJitterCorrection)
        EnableJitterCorrection = CR_GetJitterCorrection(params) != 0;
    return CR_GetDriveID(params);
}

bool TCDIn::MediaLoadedSelected() {
    int32_t status = crMediaNotPresent;
    return CR_IsMediaLoaded(status) == crOk && status == crMediaPresent;
}

bool TCDIn::MediaLoaded() {
    const TDriveUse use(*this);
    return MediaLoadedSelected();
}

int32_t TCDIn::TrackCountSelected() {
    return CR_ReadToc() == crOk ? CR_GetNumTocEntries() : -1;
}

int32_t TCDIn::TrackCount() {
    const TDriveUse use(*this);
    return TrackCountSelected();
}

uint32_t TCDIn::TrackLengthSelected(int32_t track) {
    if (track < 1 || track > TrackCountSelected())
        throw EAuException(QStringLiteral("Track out of range."));
    const int64_t entry = CR_GetTocEntry(track - 1);
    const int32_t sectors = CRTocEntrySector(CR_GetTocEntry(track)) - CRTocEntrySector(entry);
    const uint32_t data = CRTocEntryFlag(entry) == CRDataTrackFlag ? 1 : 0;
    return uint32_t(sectors / 4500) | uint32_t(sectors / 75 % 60) << 8 | uint32_t(sectors % 75) << 16 | data << 24;
}

uint32_t TCDIn::TrackLength(int32_t track) {
    const TDriveUse use(*this);
    return TrackLengthSelected(track);
}

bool TCDIn::ReadDisc(TDisc& disc) {
    const TDriveUse use(*this);
    disc = TDisc();
    if (CR_ReadToc() != crOk)
        return false;
    const int32_t tracks = CR_GetNumTocEntries();
    for (int32_t i = 0; i < tracks; ++i) {
        const int64_t e = CR_GetTocEntry(i);
        disc.Tracks.push_back({CRTocEntryTrack(e), CRTocEntrySector(e), CRTocEntryFlag(e) == CRDataTrackFlag});
    }
    disc.LeadOut = CRTocEntrySector(CR_GetTocEntry(tracks));
    return tracks > 0;
}

void TCDIn::SetFirstTrack(int32_t track) {
    if (Busy)
        throw EAuException(QStringLiteral("The component is busy"));
    First = track;
    FromTrack = track;
    FromOffset = TCDTrackOffset();
}

void TCDIn::SetLastTrack(int32_t track) {
    if (Busy)
        throw EAuException(QStringLiteral("The component is busy"));
    Last = track;
    ToTrack = track + 1;
    ToOffset = TCDTrackOffset();
}

bool TCDIn::RangeSectors(int32_t& start, int32_t& end) {
    const int32_t tracks = CR_GetNumTocEntries();
    if (FromTrack < 1 || FromTrack > tracks || ToTrack < 1 || ToTrack > tracks + 1)
        return false;
    start = CRTocEntrySector(CR_GetTocEntry(FromTrack - 1)) + FromOffset.Sectors();
    end = CRTocEntrySector(CR_GetTocEntry(ToTrack - 1)) + ToOffset.Sectors();
    if (MaxSectors > 0 && end > start)
        end = std::min(end, start + MaxSectors);
    return true;
}

int64_t TCDIn::RunSize() {
    if (Busy)
        return RipSize;
    const TDriveUse use(*this);
    int32_t start = 0;
    int32_t end = 0;
    if (CR_ReadToc() != crOk || !RangeSectors(start, end) || end < start)
        return 0;
    return (int64_t(end) - start + 1) * SectorBytes;
}

int64_t TCDIn::GetTotalSamples() {
    return RunSize() / 4;
}

int32_t TCDIn::GetTotalSeconds() {
    return int32_t(std::lround(double(GetTotalSamples()) / 44100.0));
}

void TCDIn::BeginReadingInternal() {
    if (Busy)
        throw EAuException(QStringLiteral("The component is busy"));
    // The parameters below belong to this component's drive, so it is selected first; the
    // selection is held until EndReading, or given back when the run is refused.
    SelectDrive();
    TCRDriveParams params;
    const bool jitter = EnableJitterCorrection || SecureReading;
    // The secure-reading setting is for this run only, refused or not: the drive keeps the
    // component's own choice, or DriveName would later switch EnableJitterCorrection on for
    // good. The ripper has taken its parameters once it is open.
    const auto restoreOwnJitter = [&] {
        if (jitter != EnableJitterCorrection) {
            CR_SetJitterCorrection(params, EnableJitterCorrection ? -1 : 0);
            CR_SetCDROMParameters(params);
        }
    };
    try {
        CR_GetCDROMParameters(params);
        CR_SetJitterCorrection(params, jitter ? -1 : 0);
        if (ReadSectors != 0)
            CR_SetReadSectors(params, ReadSectors);
        if (OverlapSectors != 0)
            CR_SetOverlapSectors(params, OverlapSectors);
        if (CompareSectors != 0)
            CR_SetCompareSectors(params, CompareSectors);
        CR_SetEnableMultiRead(params, MultiReadCount > 0);
        CR_SetMultiReadCount(params, MultiReadCount);
        CR_SetParanoidMode(params, Paranoid);
        CR_SetParanoiaMode(params, ParanoiaMode);
        CR_LockCDTrayWhileRipping(params, LockTray);
        CR_SetCDROMParameters(params);

        if (!MediaLoadedSelected())
            throw EAuException(QStringLiteral("The drive is not ready"));
        const int32_t tracks = TrackCountSelected();
        if (FromTrack < 1 || FromTrack > tracks)
            throw EAuException(QStringLiteral("The start track out of range"));
        if (DecodeTrackLength(TrackLengthSelected(FromTrack)).Data)
            throw EAuException(QStringLiteral("Trying to rip a data track"));
        if (ToTrack < 1 || ToTrack > tracks + 1)
            throw EAuException(QStringLiteral("The end track out of range"));
        // A range of several tracks must not run into a data track either: paranoia would
        // never come back from it.
        for (int32_t t = FromTrack + 1; t < ToTrack; ++t)
            if (DecodeTrackLength(TrackLengthSelected(t)).Data)
                throw EAuException(QStringLiteral("Trying to rip a data track"));
        int32_t start = 0;
        int32_t end = 0;
        // A last track before the first would make a negative size.
        if (!RangeSectors(start, end) || end <= start)
            throw EAuException(QStringLiteral("The end track out of range"));

        // The run announces what it delivers: with the one-sector-larger estimate of RunSize
        // a writer's header and progress would be a sector off until the run ends.
        RipSize = (int64_t(end) - start) * SectorBytes;
        Size = RipSize;
        TDisc disc;
        for (int32_t i = 0; i < tracks; ++i) {
            const int64_t e = CR_GetTocEntry(i);
            disc.Tracks.push_back({CRTocEntryTrack(e), CRTocEntrySector(e), CRTocEntryFlag(e) == CRDataTrackFlag});
        }
        disc.LeadOut = CRTocEntrySector(CR_GetTocEntry(tracks));
        int32_t readableBegin = 0;
        int32_t readableEnd = 0;
        disc.AudioRun(size_t(FromTrack - 1), readableBegin, readableEnd);
        const TOffsetRead plan = PlanOffsetRead(start, end - start, ReadOffset, readableBegin, readableEnd);
        LeadingSilence = plan.LeadingSilence;
        SkipBytes = plan.SkipBytes;
        SectorBytesLeft = plan.Bytes;
        TrailingSilence = plan.TrailingSilence;
        OffsetSilence = plan.SilentSamples();
        Busy = true;
        BlockFirst = 1;
        BlockLast = 0;
        Position = 0;
        BufferSize = ChunkBytes;
        if (plan.Sectors > 0 &&
            CR_OpenRipper(BufferSize, plan.FirstSector, plan.FirstSector + plan.Sectors) != crOk) {
            Busy = false;
            Size = 0;
            throw EAuException(ResText("RES_ReadCDAudioError", "Error while reading CD information!"));
        }
        restoreOwnJitter();
    } catch (...) {
        restoreOwnJitter();
        ReleaseDrive();
        throw;
    }
}

void TCDIn::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (!Busy)
        throw EAuException(QStringLiteral("The Stream is not opened"));
    if (LeadingSilence > 0 || (SectorBytesLeft == 0 && TrailingSilence > 0)) {
        // Silence where the read offset reaches outside what the drive can read.
        int64_t& silence = LeadingSilence > 0 ? LeadingSilence : TrailingSilence;
        static const std::vector<uint8_t> zeros(size_t(ChunkBytes), 0);
        bytes = uint32_t(std::min<int64_t>({int64_t(bytes), silence, ChunkBytes}));
        buffer = const_cast<uint8_t*>(zeros.data());
        silence -= bytes;
    } else {
        while (SectorBytesLeft > 0 && BlockLast < BlockFirst) {
            BlockFirst = 1;
            int32_t got = 0;
            // A sector the drive cannot return ends the run with an error rather than a file
            // that silently stops short.
            if (CR_RipChunk(Buffer.data(), got, false) == crError)
                throw EAuException(ResText("RES_ReadCDAudioError", "Error while reading CD information!"));
            BlockLast = std::min(got, int32_t(Buffer.size()));
            if (BlockLast == 0) {
                SectorBytesLeft = 0; // the ripper ended early
                break;
            }
            // The part of the first sectors that lies before the track with the read offset.
            const int32_t skip = int32_t(std::min<int64_t>(SkipBytes, BlockLast));
            BlockFirst += skip;
            SkipBytes -= skip;
        }
        bytes = uint32_t(std::min<int64_t>({int64_t(bytes), int64_t(BlockLast - BlockFirst + 1), SectorBytesLeft}));
        if (bytes >= 4)
            bytes -= bytes % 4; // whole sample frames
        buffer = Buffer.data() + BlockFirst - 1;
        BlockFirst += int32_t(bytes);
        SectorBytesLeft -= bytes;
    }
    Position += bytes;
    if (OnSamples && bytes > 0)
        OnSamples(buffer, bytes);
}

void TCDIn::EndReadingInternal() {
    // Only a run's end gives the drive back; resetting an idle component leaves other
    // selections alone.
    if (!Busy)
        return;
    JitterErrors = CR_GetNumberOfJitterErrors();
    CR_CloseRipper();
    LeadingSilence = SectorBytesLeft = TrailingSilence = 0;
    ReleaseDrive();
    Busy = false;
    Size = 0;
}
