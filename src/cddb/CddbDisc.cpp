// The CD input component as the disc source of the CDDB component (see CddbDisc.h).
#include "cddb/CddbDisc.h"

#include "cd/CDIn.h"
#include "cd/cdrip.h"

void TCDInDisc::SelectDrive() {
    CR_SetActiveCDROM(CDIn.DriveIndex());
}

int TCDInDisc::MediaLoaded() {
    int32_t status = crMediaNotPresent;
    if (CR_IsMediaLoaded(status) != crOk)
        return -1;
    return status == crMediaPresent ? 1 : 0;
}

bool TCDInDisc::ReadDisc(TDisc& disc) {
    return CDIn.ReadDisc(disc);
}
