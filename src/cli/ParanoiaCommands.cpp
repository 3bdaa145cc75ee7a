// toc --paranoia: the track list as the CD input component (TCDIn over the CR_* layer and
// libcdio-paranoia) reads the disc, printed as toc prints it, so the two ways to a drive
// can be compared on any disc or image.
#include "cd/CDIn.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "core/DiscInfo.h"
#include "core/LanguageText.h"
#include "core/Settings.h"

#include <QCommandLineParser>

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
    TDisc disc;
    if (!cdIn.ReadDisc(disc))
        return CliFail(WithDriveReason(ResText("RES_ReadTocError", "Error while reading TOC information!")));
    TCliDisc listed = DiscWithInfo(disc);
    // The CD-TEXT comes from the drive library, as toc reads it.
    if (const int handle = OpenCDDriveAt(index)) {
        TakeCdText(handle, listed);
        CloseCDHandle(handle);
    }
    CliOut(QStringLiteral("key: ") + listed.Key);
    // The same lines as toc: what the CD input reads of the disc (its tracks, their numbers,
    // starts and data flags) shown by the track list's own rules, so the two ways to a drive
    // can be compared line for line.
    PrintTocRows(listed);
    return 0;
}
