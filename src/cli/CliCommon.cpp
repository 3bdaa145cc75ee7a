// Helpers of discwright-cli (see CliCommon.h).
#include "cli/CliCommon.h"
#include "core/DiscInfo.h"

#include "cd/CdText.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "metadata/DiscLookup.h"
#include "platform/Prompter.h"
#include "tags/Genres.h"
#include "tags/Id3Tag.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>

int CliFail(const QString& message, int code) {
    // One line, whatever the message carries: a server's answer or a file name may hold line
    // breaks, a NUL (which would end the line early) or other control characters.
    QString line;
    for (const QChar c : message)
        line += c.unicode() < 0x20 || c.unicode() == 0x7F ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar('0'))
                                                          : QString(c);
    std::fprintf(stderr, "discwright-cli: %s\n", line.toLocal8Bit().constData());
    return code;
}

void CliOut(const QString& line) {
    // Written whole: a NUL in a title must not cut the rest of its line off.
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void CliProgress(const QString& text) {
    static QString last;
    if (text == last)
        return;
    last = text;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool CliArgumentsAreText(int argc, char* argv[], int& exitCode) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        if (QFile::encodeName(QFile::decodeName(raw)) == raw)
            continue;
        QString shown;
        for (const char c : raw) {
            const auto b = static_cast<unsigned char>(c);
            shown += b >= 0x20 && b < 0x7F ? QString(QChar(b)) : QStringLiteral("\\x%1").arg(b, 2, 16, QChar('0'));
        }
        exitCode = CliFail(QStringLiteral("argument %1 (%2) is not valid UTF-8; file names and texts must be UTF-8, "
                                          "nothing was done")
                               .arg(i)
                               .arg(shown),
                           2);
        return false;
    }
    return true;
}

bool CliParse(QCommandLineParser& parser, const QStringList& words, const QString& description, int& exitCode) {
    parser.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(words)) {
        exitCode = CliFail(parser.errorText(), 2);
        return false;
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // QCommandLineParser names the program as invoked in its usage line; name the subcommand.
        const QString invoked = QCoreApplication::arguments().value(0);
        const int at = text.indexOf(invoked);
        if (!invoked.isEmpty() && at >= 0)
            text.replace(at, invoked.size(), words.value(0));
        std::fprintf(stdout, "%s", text.toLocal8Bit().constData());
        exitCode = 0;
        return false;
    }
    return true;
}

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timeoutMs >= 0 && timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    QCoreApplication::processEvents();
    return true;
}

TConsolePrompter& CliPrompter() {
    static TConsolePrompter prompter(false);
    return prompter;
}

bool ParseGenreArgument(const QString& text, int32_t& listIndex, int32_t& id3, bool& numberOutOfRange) {
    const QString g = text.trimmed();
    numberOutOfRange = false;
    bool isNumber = false;
    const int number = g.toInt(&isNumber);
    if (isNumber) {
        if (number < 0 || number > 255) {
            numberOutOfRange = true;
            return false;
        }
        id3 = number;
        listIndex = int32_t(Id3ToGenre(uint8_t(number))) - 1;
        return true;
    }
    for (size_t i = 0; i < GenreNames.size(); ++i)
        if (g.compare(QLatin1String(GenreNames[i]), Qt::CaseInsensitive) == 0) {
            listIndex = int32_t(i);
            id3 = GenreToId3(uint8_t(i + 1));
            return true;
        }
    return false;
}

QString WithDriveReason(const QString& message) {
    const QString why = CDLastError();
    return why.isEmpty() ? message : message + QStringLiteral(" (") + why + ')';
}

bool SelectNamedDrive(const QCommandLineParser& parser, const TDriveOptions& options, int& exitCode, int& driveIndex) {
    const bool byDrive = parser.isSet(options.Drive);
    const bool byImage = parser.isSet(options.Image);
    if (byDrive == byImage) {
        exitCode = CliFail(QStringLiteral("give exactly one of --drive N and --image FILE"), 2);
        return false;
    }
    if (byImage) {
        const QString image = QFileInfo(parser.value(options.Image)).absoluteFilePath();
        if (!QFileInfo(image).isFile()) {
            exitCode = CliFail(image + (QFileInfo(image).isDir() ? QStringLiteral(" is a folder, not a disc image")
                                                                 : QStringLiteral(": no such file")));
            return false;
        }
        // The image becomes the only image drive of this run: adapter 1, target 0.
        UseCDImageDrives(image);
        driveIndex = -1;
        return true;
    }
    bool ok = false;
    driveIndex = parser.value(options.Drive).toInt(&ok);
    if (!ok || driveIndex < 0) {
        exitCode = CliFail(QStringLiteral("--drive needs a drive number (see drives)"), 2);
        return false;
    }
    return true;
}

int OpenNamedDrive(const QCommandLineParser& parser, const TDriveOptions& options, int& exitCode, int* driveIndex) {
    int index = -1;
    if (!SelectNamedDrive(parser, options, exitCode, index))
        return 0;
    int handle = 0;
    if (index < 0) {
        const QString problem = CheckCDImage(QFileInfo(parser.value(options.Image)).absoluteFilePath());
        if (!problem.isEmpty()) {
            exitCode = CliFail(problem);
            return 0;
        }
        TCDOpenRequest request;
        request.Adapter = 1;
        handle = GetCDHandle(&request);
    } else {
        handle = OpenCDDriveAt(index);
    }
    if (driveIndex)
        *driveIndex = index;
    if (!handle)
        exitCode = CliFail(WithDriveReason(QStringLiteral("cannot open the drive")));
    return handle;
}

QString NamedDriveTitle(const QCommandLineParser& parser, const TDriveOptions& options) {
    if (parser.isSet(options.Image))
        return QStringLiteral("image ") + QFileInfo(parser.value(options.Image)).absoluteFilePath();
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    GetCDList(&list);
    const int index = parser.value(options.Drive).toInt();
    if (index < 0 || index >= list.Count)
        return QStringLiteral("drive %1").arg(index);
    const TCDDriveEntry& e = list.Drives[index];
    return (QString::fromLocal8Bit(e.Vendor).trimmed() + ' ' + QString::fromLocal8Bit(e.Product).trimmed()).trimmed();
}

THandleGuard::~THandleGuard() {
    if (Handle)
        CloseCDHandle(Handle);
}

QString TCliDisc::TitleOf(int32_t number) const {
    const QString title = Key.isEmpty() || number < 1 || number > 100 ? QString() : Info.Titles[size_t(number)];
    return title.isEmpty() ? DefaultTrackTitle(number) : title;
}

TCliDisc DiscWithInfo(const TDisc& disc) {
    TCliDisc d;
    d.Disc = disc;
    d.Key = KeyOfDisc(disc);
    LoadDiscInfo(d.Key, d.Info);
    return d;
}

bool LoadDisc(int handle, TCliDisc& disc, int& exitCode) {
    TDisc read;
    if (!ReadDisc(handle, read) || read.Empty()) {
        exitCode = CliFail(WithDriveReason(ResText("RES_ReadTocError", "Error while reading TOC information!")));
        return false;
    }
    disc = DiscWithInfo(read);
    TakeCdText(handle, disc);
    return true;
}

void TakeCdText(int handle, TCliDisc& disc) {
    // A disc cdinfo.dat does not name is shown with its CD-TEXT, as the main window lists it.
    TCdText text;
    if (!disc.Key.isEmpty() && !DiscInfoStored(disc.Key) && ReadCdText(handle, text))
        ApplyDiscRecord(CdTextCandidate(text, disc.Disc).Record, disc.Info, disc.Disc.FirstTrack(),
                        disc.Disc.TrackCount());
}

void PrintTocRows(const TCliDisc& disc) {
    for (size_t i = 0; i < disc.Disc.Tracks.size(); ++i) {
        const TDiscTrack& t = disc.Disc.Tracks[i];
        int32_t minutes = 0;
        int32_t seconds = 0;
        disc.Disc.ListLength(i, minutes, seconds);
        CliOut(QStringList{QString::number(t.Number), disc.TitleOf(t.Number), TrackLengthText(minutes, seconds),
                           TrackSizeText(minutes, seconds), t.Data ? QStringLiteral("data") : QStringLiteral("audio")}
                   .join('\t'));
    }
}

int StoreDiscInfo(const QString& key, TDiscInfo& info, int rows) {
    if (key.isEmpty())
        return CliFail(QStringLiteral("the disc has no key (its first track is not audio): nothing stored"));
    rows = std::min(rows, 100);
    for (int n = 1; n <= rows; ++n)
        if (info.Titles[size_t(n)].isEmpty())
            info.Titles[size_t(n)] = DefaultTrackTitle(n);
    info.TrackNumber = rows;
    if (!SaveDiscInfo(key, info))
        return CliFail(DiscInfoFilePath() + QStringLiteral(": the titles could not be stored"));
    CliProgress(QStringLiteral("stored in cdinfo.dat under ") + key);
    return 0;
}
