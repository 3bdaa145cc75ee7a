// The main window's CD input over TCDIn (see CDInputService.h).
#include "app/CDInputService.h"

#include "app/OptionSet.h"
#include "audio/AuException.h"
#include "cd/DiscKey.h"

TCDInService::TCDInService() : CDIn1(std::make_unique<TCDIn>()) {
    // The main window's settings of its CD input: jitter correction off, tray not locked, no
    // multi-read, not paranoid, paranoia mode 0 (secure reading comes from CDOptions/Paranoia).
    CDIn1->EnableJitterCorrection = false;
    CDIn1->LockTray = false;
    CDIn1->MultiReadCount = 0;
    CDIn1->Paranoid = false;
    CDIn1->ParanoiaMode = 0;
}

QStringList TCDInService::DriveNames() {
    return CDInDriveNames(*CDIn1);
}

bool TCDInService::TrackLength(int n, int& minutes, int& seconds, bool& data) {
    try {
        const TCDTrackLength length = DecodeTrackLength(CDIn1->TrackLength(n));
        minutes = length.Minutes;
        seconds = length.Seconds;
        data = length.Data;
        return true;
    } catch (const EAuException&) {
        return false;
    }
}

QString TCDInService::DiscKey() {
    TDisc disc;
    return CDIn1->ReadDisc(disc) ? KeyOfDisc(disc) : QString();
}
