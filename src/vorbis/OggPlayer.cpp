// TOggPlayer: the Ogg player's logic.
#include "vorbis/OggPlayer.h"

#include "core/LanguageText.h"
#include "platform/Prompter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <exception>

TOggPlayer::TOggPlayer(QObject* parent) : QObject(parent) {
    VorbisIn1.SetLoop(false);
    VorbisIn1.SetEndSample(-1);
    StereoBalance1.SetInput(&VorbisIn1);
    StereoBalance1.SetBalance(0.5f);
    DXAudioOut1.SetInput(&StereoBalance1);
    DXAudioOut1.DeviceNumber = 0;
    DXAudioOut1.Latency = 80;
    DXAudioOut1.PrefetchData = true;
    DXAudioOut1.PollingInterval = 200;
    DXAudioOut1.SetFramesInBuffer(65536);
    DXAudioOut1.SpeedFactor = 1.0f;
    DXAudioOut1.OnProgress = [this](TAuOutput*) { AudioOut1Progress(); };
    DXAudioOut1.OnDone = [this](TAuOutput*) { AudioOut1Done(); };
    Timer2.setInterval(500);
    connect(&Timer2, &QTimer::timeout, this, &TOggPlayer::Timer2Timer);
}

TOggPlayer::~TOggPlayer() {
    // No handler may reach this object once it is going.
    DXAudioOut1.OnProgress = nullptr;
    DXAudioOut1.OnDone = nullptr;
    DXAudioOut1.Stop(false);
}

QString TOggPlayer::TotalTimeString(int32_t seconds) {
    const int32_t rest = seconds % 60;
    return QStringLiteral("%1:%2")
        .arg(seconds / 60)
        .arg((rest < 10 ? QStringLiteral("0") : QString()) + QString::number(rest));
}

QString TOggPlayer::ElapsedString(uint32_t milliseconds) {
    return QString::number(milliseconds / 60000) + ':' +
           QStringLiteral("%1").arg(milliseconds / 1000 % 60, 2, 10, QChar('0'));
}

// The lines of the comment box: the six usual fields in a fixed order, each when not empty,
// then every other comment of the file as "Name: value" in the file's order (a comment without
// "=" as it is).
QStringList TOggPlayer::CommentLinesOf(TVorbisIn& in) {
    const TVorbisTags& tags = in.Comments();
    const struct {
        const char* Key;
        const char* English;
        const char* Name;
        QString Value;
    } known[] = {{"RES_Ogg_Artist", "Artist: ", "artist", tags.Artist()},
                 {"RES_Ogg_Album", "Album: ", "album", tags.Album()},
                 {"RES_Ogg_Title", "Title: ", "title", tags.Title()},
                 {"RES_Ogg_Date", "Date: ", "date", tags.Date()},
                 {"RES_Ogg_Genre", "Genre: ", "genre", tags.Genre()},
                 {"RES_Ogg_Track", "Track: ", "tracknumber", tags.Track()}};
    QStringList lines;
    QStringList names;
    for (const auto& field : known) {
        names << QString::fromLatin1(field.Name);
        if (!field.Value.isEmpty())
            lines << ResText(field.Key, field.English) + field.Value;
    }
    for (const QString& comment : in.AllComments()) {
        const qsizetype equals = comment.indexOf('=');
        if (equals < 0) {
            if (!comment.isEmpty())
                lines << comment;
            continue;
        }
        const QString name = comment.left(equals);
        if (names.contains(name.toLower()))
            continue;
        const QString value = comment.mid(equals + 1);
        if (!value.isEmpty())
            lines << name.left(1).toUpper() + name.mid(1).toLower() + QStringLiteral(": ") + value;
    }
    return lines;
}

void TOggPlayer::OpenAndPlay(const QString& file) {
    if (file.isEmpty() || DXAudioOut1.Status() != osIdle)
        return;
    try {
        VorbisIn1.SetFileName(file);
        if (file.toUpper().endsWith(QStringLiteral(".OGG")) && VorbisIn1.Valid()) {
            OpenEnabled = false;
            FileNameText = QFileInfo(file).fileName();
            FileNameText.chop(4);
            // Taken before the run starts, while nothing else reads the file.
            const int32_t total = VorbisIn1.GetTotalSeconds();
            const int32_t rate = VorbisIn1.GetSampleRate();
            const QStringList comments = CommentLinesOf(VorbisIn1);
            DXAudioOut1.Run();
            Timer2.start();
            ElapsedMs = 0;
            SampleRateText = QString::number(rate) + QStringLiteral(" bps");
            TotalSeconds = total;
            TotalTimeText = TotalTimeString(total);
            ScrollEnabled = true;
            CommentLines = comments;
        } else {
            Prompter().Show(ResText("RES_Ogg_Not_Valid", "Ogg file is not valid."), TPromptIcon::None,
                            TPromptButtons::Ok);
        }
    } catch (...) {
        // Nothing is shown; the window keeps the state reached so far.
    }
    Q_EMIT Changed();
}

void TOggPlayer::PauseOrResume() {
    try {
        if (DXAudioOut1.Status() != osBusy) {
            DXAudioOut1.Resume();
            Timer2.start();
        } else {
            DXAudioOut1.Pause();
            Timer2.stop();
        }
    } catch (const std::exception&) {
        // The output has no input to pause: nothing plays.
    }
}

void TOggPlayer::StopPlayback() {
    if (DXAudioOut1.Status() == osPaused)
        DXAudioOut1.Resume();
    DXAudioOut1.Stop(true);
    Timer2.stop();
}

void TOggPlayer::Scroll(int32_t position) {
    try {
        DXAudioOut1.SeekRelative((position - DXAudioOut1.Progress()) * 10);
    } catch (const std::exception&) {
        return;
    }
    ElapsedMs = uint32_t(TotalSeconds * position * 10);
    ScrollPosition = position;
}

void TOggPlayer::SetBalancePosition(int32_t position) {
    BalancePosition = position;
    StereoBalance1.SetBalance(float(position) / 10.0f);
}

void TOggPlayer::Close() {
    StopPlayback();
    CloseAllowed = true;
    // The output's done and progress events come through the main thread: deliver them while
    // waiting, or the worker could wait for us while we wait for it.
    while (DXAudioOut1.Status() != osIdle) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        QThread::msleep(1);
    }
    Q_EMIT CloseRequested();
}

bool TOggPlayer::QueryClose() {
    if (CloseAllowed)
        return true;
    Close();
    return false;
}

void TOggPlayer::Timer2Timer() {
    if (ElapsedMs < uint32_t(TotalSeconds) * 1000u) {
        ElapsedMs += 500;
        CurrentTimeText = ElapsedString(ElapsedMs);
        Q_EMIT Changed();
    }
}

void TOggPlayer::AudioOut1Progress() {
    ScrollPosition = DXAudioOut1.Progress();
    Q_EMIT Changed();
}

void TOggPlayer::AudioOut1Done() {
    OpenEnabled = true;
    ScrollEnabled = false;
    Timer2.stop();
    Q_EMIT Changed();
    // A run that could not play (no sound device, a format the device refuses) ends at once;
    // without a word the user would only hear nothing. A close in progress asks for no box. The
    // box waits for the event loop: the sinks' event delivery must not wait for the user.
    if (DXAudioOut1.LastError.isEmpty() || CloseAllowed)
        return;
    const QString text = ResText("RES_Ogg_Play_Error", "The Ogg file could not be played: ") + DXAudioOut1.LastError;
    QMetaObject::invokeMethod(
        this, [text] { Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok); }, Qt::QueuedConnection);
}
