// toc --paranoia: the track list as the CD input component (TCDIn over the CR_* layer and
// libcdio-paranoia) reads the disc, printed as toc prints it, so the two ways to a drive
// can be compared on any disc or image.
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "cd/CDIn.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"

#include <QCommandLineParser>

namespace {

// The CD input's TOC in the drive library's layout (addresses in minutes/seconds/frames,
// the 2-second lead-in included), which the disc key is defined on.
TCDToc MsfToc(const TCDInToc& in) {
    TCDToc toc{};
    const size_t tracks = std::min<size_t>(in.StartSectors.size(), 99);
    if (tracks == 0)
        return toc;
    toc.FirstTrack = in.TrackNumbers[0];
    toc.LastTrack = uint8_t(in.TrackNumbers[0] + tracks - 1);
    for (size_t i = 0; i <= tracks; ++i) {
        TCDTocEntry& e = toc.Tracks[i];
        const int32_t address = (i < tracks ? in.StartSectors[i] : in.LeadOutSector) + 150;
        e.TrackNumber = i < tracks ? in.TrackNumbers[i] : LeadOutTrackNumber;
        e.AdrControl = uint8_t(0x10 | (i < tracks && in.DataTracks[i] ? TocDataTrackFlag : 0));
        e.Address[1] = uint8_t(address / 4500);
        e.Address[2] = uint8_t(address / 75 % 60);
        e.Address[3] = uint8_t(address % 75);
    }
    return toc;
}

} // namespace

int RunParanoiaTocCommand(const QCommandLineParser& parser, const TDriveOptions& options) {
    int exitCode = 0;
    int index = -1;
    if (!SelectNamedDrive(parser, options, exitCode, index))
        return exitCode;
    const bool byImage = index < 0;
    TCDIn cdIn;
    const int32_t drives = cdIn.DriveCount();
    if (byImage)
        index = drives - 1;
    if (index < 0 || index >= drives)
        return CliFail(QStringLiteral("there is no drive %1").arg(index));
    cdIn.SetDriveIndex(index);
    TCDInToc toc;
    if (!cdIn.ReadToc(toc))
        return CliFail(WithDriveReason(ResText("RES_ReadTocError", "Error while reading TOC information!")));
    const TCDToc msf = MsfToc(toc);
    const QString key = TocStartsWithAudio(msf) ? DiscKeyFromToc(msf) : QString();
    LoadDiscInfo(key);
    CliOut(QStringLiteral("key: ") + key);
    // The same lines as toc: what the CD input reads of the disc (its tracks, their numbers,
    // starts and data flags) shown by the track list's own rules, so the two ways to a drive
    // can be compared line for line.
    PrintTocRows(msf, key);
    return 0;
}
