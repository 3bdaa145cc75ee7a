// discwright-cli play: an Ogg Vorbis file through the Ogg player's controller (TVorbisIn ->
// TStereoBalance -> TDXAudioOut), or a CD track through the CD player, on the sound device.
// Elapsed and total time go to standard error; the command ends with the input, or after
// --seconds.
#include "cd/CdAudioPlayer.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "vorbis/OggPlayer.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>

#include <cmath>

namespace {

struct TPlayOptions {
    QCommandLineOption Drive{QStringLiteral("drive"), QStringLiteral("Play from drive N as listed by drives."),
                             QStringLiteral("N")};
    QCommandLineOption Image{QStringLiteral("image"),
                             QStringLiteral("Play from the disc image FILE (.cue, .toc, .nrg)."),
                             QStringLiteral("FILE")};
    QCommandLineOption Track{QStringLiteral("track"), QStringLiteral("The track N of the drive or image."),
                             QStringLiteral("N")};
    QCommandLineOption Balance{QStringLiteral("balance"),
                               QStringLiteral("Ogg files: stereo balance from 0 (left only) over 0.5 (both, the "
                                              "default) to 1 (right only)."),
                               QStringLiteral("B")};
    QCommandLineOption Seek{QStringLiteral("seek"),
                            QStringLiteral("Ogg files: once playing, move to PERCENT of the file, as the player's "
                                           "scroll bar does."),
                            QStringLiteral("PERCENT")};
    QCommandLineOption Seconds{QStringLiteral("seconds"), QStringLiteral("Stop after N seconds."), QStringLiteral("N")};
};

// m:ss of a number of seconds.
QString Clock(int64_t seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
}

// Stops playback after the given seconds (none when negative).
void StopAfter(QObject* context, int seconds, const std::function<void()>& stop) {
    if (seconds >= 0)
        QTimer::singleShot(seconds * 1000, context, stop);
}

int PlayOgg(const QString& file, double balance, int seek, int seconds) {
    if (!QFileInfo(file).isFile())
        return CliFail(QStringLiteral("cannot read ") + file);
    // The player shows its refusals and playback failures in boxes; here the first becomes the
    // command's one error line. The boxes are collected until the player is gone: a failure box
    // is queued to the event loop and may come while the loop ends or the player closes.
    TScriptedPrompter prompts;
    SetPrompter(&prompts);
    const auto restore = qScopeGuard([] { SetPrompter(&CliPrompter()); });
    TOggPlayer player;
    player.StereoBalance1.SetBalance(float(balance));
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&player, &TOggPlayer::Changed, &loop, [&] {
        if (player.OpenEnabled && player.DXAudioOut1.Status() == osIdle) {
            finished = true;
            loop.quit();
        } else if (player.ScrollEnabled && player.DXAudioOut1.Started()) {
            CliProgress(player.CurrentTimeText + QStringLiteral(" / ") + player.TotalTimeText);
        }
    });

    player.OpenAndPlay(file);
    if (!prompts.Shown().isEmpty())
        return CliFail(file + QStringLiteral(": ") + prompts.Shown().constFirst());
    if (player.OpenEnabled)
        return CliFail(file + QStringLiteral(": cannot be played"));

    if (seek >= 0) {
        auto* seeker = new QTimer(&loop);
        QObject::connect(seeker, &QTimer::timeout, &loop, [&player, seeker, seek] {
            if (!player.DXAudioOut1.Started() && player.DXAudioOut1.Status() != osIdle)
                return;
            seeker->stop();
            if (player.DXAudioOut1.Started())
                player.Scroll(seek);
        });
        seeker->start(5);
    }
    StopAfter(&loop, seconds, [&player] { player.StopPlayback(); });
    if (!finished)
        loop.exec();
    if (!player.DXAudioOut1.LastError.isEmpty())
        return CliFail(player.DXAudioOut1.LastError);
    return 0;
}

int PlayTrack(const QCommandLineParser& parser, const TPlayOptions& options, int seconds) {
    bool ok = false;
    const int track = parser.value(options.Track).toInt(&ok);
    if (!ok || track < 1 || track > 99)
        return CliFail(QStringLiteral("--track needs a track number from 1 to 99"), 2);
    TCdAudioPlayer player;
    bool started = false;
    if (parser.isSet(options.Image)) {
        const QString image = QFileInfo(parser.value(options.Image)).absoluteFilePath();
        if (!QFileInfo(image).isFile())
            return CliFail(image + QStringLiteral(": no such file"));
        // The image becomes the only image drive of this run: adapter 1, target 0.
        UseCDImageDrives(image);
        TCDDriveList list{};
        list.Capacity = MaxCDDrives;
        GetCDList(&list);
        int index = -1;
        for (int i = 0; i < list.Count && index < 0; ++i)
            if (list.Drives[i].Adapter == 1)
                index = i;
        if (index < 0)
            return CliFail(image + QStringLiteral(": cannot be opened as a disc (") + CDLastError() + ')');
        started = player.PlayDrive(index, track);
    } else {
        const int drive = parser.value(options.Drive).toInt(&ok);
        if (!ok || drive < 0)
            return CliFail(QStringLiteral("--drive needs a drive number (see drives)"), 2);
        started = player.PlayDrive(drive, track);
    }
    if (!started)
        return CliFail(player.LastError());

    QEventLoop loop;
    QString failure;
    QObject::connect(&player, &TCdAudioPlayer::Completed, &loop, &QEventLoop::quit);
    QObject::connect(&player, &TCdAudioPlayer::Failed, &loop, [&](const QString& message) {
        failure = message;
        loop.quit();
    });
    const int64_t total = player.Output().Input() ? player.Output().Input()->GetTotalSeconds() : 0;
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &loop, [&] {
        const int64_t played = int64_t(player.Output().Device().BytesPlayed() / 176400);
        CliProgress(Clock(played) + QStringLiteral(" / ") + Clock(total));
    });
    progress.start(500);
    StopAfter(&loop, seconds, [&] {
        player.Stop();
        loop.quit();
    });
    loop.exec();
    player.Stop();
    return failure.isEmpty() ? 0 : CliFail(failure);
}

} // namespace

int RunPlayCommand(const QStringList& words) {
    TPlayOptions options;
    QCommandLineParser parser;
    parser.addOptions({options.Drive, options.Image, options.Track, options.Balance, options.Seek, options.Seconds});
    parser.addPositionalArgument(QStringLiteral("FILE.ogg"), QStringLiteral("Ogg Vorbis file to play"),
                                 QStringLiteral("(FILE.ogg | (--drive N | --image FILE) --track N)"));
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Plays an Ogg Vorbis file, or a track of a CD drive or disc image, on the sound "
                                 "device (SDL2 audio; SDL_AUDIODRIVER chooses the driver)."),
                  exitCode))
        return exitCode;

    int seconds = -1;
    if (parser.isSet(options.Seconds)) {
        bool ok = false;
        seconds = parser.value(options.Seconds).toInt(&ok);
        if (!ok || seconds < 0)
            return CliFail(QStringLiteral("--seconds needs a whole number of seconds"), 2);
    }
    const QStringList files = parser.positionalArguments();
    const bool fromDisc = parser.isSet(options.Drive) || parser.isSet(options.Image);
    if (fromDisc) {
        if (!files.isEmpty() || (parser.isSet(options.Drive) && parser.isSet(options.Image)) ||
            !parser.isSet(options.Track))
            return CliFail(QStringLiteral("give either FILE.ogg, or one of --drive N and --image FILE with --track N"),
                           2);
        if (parser.isSet(options.Balance) || parser.isSet(options.Seek))
            return CliFail(QStringLiteral("--balance and --seek apply to Ogg files"), 2);
        return PlayTrack(parser, options, seconds);
    }
    if (files.size() != 1 || parser.isSet(options.Track))
        return CliFail(QStringLiteral("give either FILE.ogg, or one of --drive N and --image FILE with --track N"), 2);

    double balance = 0.5;
    if (parser.isSet(options.Balance)) {
        bool ok = false;
        balance = parser.value(options.Balance).toDouble(&ok);
        if (!ok || !(balance >= 0.0 && balance <= 1.0))
            return CliFail(QStringLiteral("--balance needs a number from 0 to 1"), 2);
    }
    int seek = -1;
    if (parser.isSet(options.Seek)) {
        bool ok = false;
        seek = parser.value(options.Seek).toInt(&ok);
        if (!ok || seek < 0 || seek > 100)
            return CliFail(QStringLiteral("--seek needs a percentage from 0 to 100"), 2);
    }
    return PlayOgg(files[0], balance, seek, seconds);
}
