// The drive library as a disc source of the CDDB component (see CddbDisc.h).
#include "cddb/CddbDisc.h"

#include "cd/DiscKey.h"
#include "cd/akrip32.h"

int TDriveLibraryDisc::MediaLoaded() {
    TCDToc toc{};
    return ReadTocMsf(Handle, toc) ? 1 : -1;
}

bool TDriveLibraryDisc::ReadToc(TCddbToc& toc) {
    TCDToc raw{};
    if (!ReadTocMsf(Handle, raw) || raw.LastTrack < raw.FirstTrack)
        return false;
    toc.clear();
    const int entries = raw.LastTrack - raw.FirstTrack + 2; // tracks and the lead-out
    for (int i = 0; i < entries; ++i)
        toc.push_back(TocAddressSectors(raw.Tracks[i]) - CddbLeadInSectors);
    return true;
}
