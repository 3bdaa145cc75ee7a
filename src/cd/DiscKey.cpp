// The disc key (see DiscKey.h).
#include "cd/DiscKey.h"

#include "cd/akrip32.h"

namespace {

// The disc in the first drive; false when there is no drive or no disc.
bool ReadFirstDrive(TDisc& disc) {
    const int handle = OpenCDDriveAt(0);
    if (!handle)
        return false;
    const bool ok = ReadDisc(handle, disc);
    CloseCDHandle(handle);
    return ok;
}

} // namespace

bool ReadDisc(int handle, TDisc& disc) {
    TCDToc toc{};
    if (ModifyCDParms(handle, CDP_MSF, 1) == 0 || ReadTOC(handle, &toc) != 1) {
        disc = TDisc();
        return false;
    }
    disc = TDisc::FromToc(toc);
    return true;
}

QString KeyOfDisc(const TDisc& disc) {
    return disc.StartsWithAudio() ? disc.Key() : QString();
}

bool IsAudioCDInDrive() {
    TDisc disc;
    return ReadFirstDrive(disc) && disc.StartsWithAudio();
}

QString GetDiscKey() {
    TDisc disc;
    return ReadFirstDrive(disc) ? KeyOfDisc(disc) : QString();
}
