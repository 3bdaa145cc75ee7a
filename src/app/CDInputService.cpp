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
    TCDInToc in;
    if (!CDIn1->ReadToc(in) || in.StartSectors.empty() || in.DataTracks.empty() || in.DataTracks[0])
        return QString();
    // The same key as the drive library's TOC gives: addresses in minutes/seconds/frames with
    // the two-second lead-in.
    TCDToc toc{};
    const size_t tracks = std::min<size_t>(in.StartSectors.size(), 99);
    toc.FirstTrack = in.TrackNumbers.empty() ? 1 : in.TrackNumbers[0];
    toc.LastTrack = uint8_t(toc.FirstTrack + tracks - 1);
    for (size_t i = 0; i <= tracks; ++i) {
        const int32_t lba = (i < tracks ? in.StartSectors[i] : in.LeadOutSector) + 150;
        TCDTocEntry& e = toc.Tracks[i];
        e.Address[1] = uint8_t(lba / 4500);
        e.Address[2] = uint8_t(lba / 75 % 60);
        e.Address[3] = uint8_t(lba % 75);
    }
    return DiscKeyFromToc(toc);
}
