// The disc key (see DiscKey.h).
#include "cd/DiscKey.h"

namespace {

// The TOC of the first drive; false when there is no drive or no disc.
bool ReadFirstDriveToc(TCDToc& toc) {
    const int handle = OpenCDDriveAt(0);
    if (!handle)
        return false;
    const bool ok = ReadTocMsf(handle, toc);
    CloseCDHandle(handle);
    return ok;
}

} // namespace

QString DiscKeyFromToc(const TCDToc& toc) {
    const int tracks = toc.LastTrack - toc.FirstTrack + 1;
    if (toc.FirstTrack < 1 || tracks < 1 || tracks > 99)
        return QString();
    // Unsigned arithmetic: the sum wraps like the 32-bit value it stands for.
    uint32_t serial = 0;
    for (int i = 0; i < tracks; ++i) {
        const TCDTocEntry& e = toc.Tracks[i];
        serial += uint32_t(e.Address[1]) * 65536u + uint32_t(e.Address[2]) * 256u + uint32_t(e.Address[3]);
    }
    if (tracks < 3) {
        const TCDTocEntry& first = toc.Tracks[0];
        const TCDTocEntry& leadOut = toc.Tracks[tracks];
        serial += first.Address[3];
        serial += uint32_t(TocAddressSectors(leadOut) - TocAddressSectors(first));
    }
    return QString::number(static_cast<int32_t>(serial));
}

bool ReadTocMsf(int handle, TCDToc& toc) {
    return ModifyCDParms(handle, CDP_MSF, 1) != 0 && ReadTOC(handle, &toc) == 1;
}

bool TocStartsWithAudio(const TCDToc& toc) {
    return toc.LastTrack >= toc.FirstTrack && (toc.Tracks[0].AdrControl & TocDataTrackFlag) == 0;
}

bool IsAudioCDInDrive() {
    TCDToc toc{};
    return ReadFirstDriveToc(toc) && TocStartsWithAudio(toc);
}

QString GetDiscKey() {
    TCDToc toc{};
    if (!ReadFirstDriveToc(toc) || !TocStartsWithAudio(toc))
        return QString();
    return DiscKeyFromToc(toc);
}
