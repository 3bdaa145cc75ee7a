// Test helpers for the encoder wrappers: a window that records every WM_JOB_INFO event it
// receives, event-loop waits, and the files a folder holds.
#pragma once

#include "core/JobEvents.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include "support/TestSupport.h"

#include <QFile>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct TRecordedEvent {
    int32_t Code;
    int32_t Status;
    QString Elapsed;
    QString Estimated;
    bool Ok;
    QString Reason;
};

class TEventRecorder : public QObject {
public:
    TPostGuard Guard{this};
    bool event(QEvent* e) override {
        if (e->type() != JobInfoEventType)
            return QObject::event(e);
        const TProcessInfo& i = *static_cast<TJobInfoEvent*>(e)->Info;
        Events.push_back({i.Code, i.Status, i.Elapsed, i.Estimated, i.Ok, i.Reason});
        if (OnEvent)
            OnEvent(Events.back());
        return true;
    }

    bool HasEnd(int32_t code) const { return EndCount(code) > 0; }
    int EndCount(int32_t code) const {
        int n = 0;
        for (const TRecordedEvent& e : Events)
            n += e.Code == code ? 1 : 0;
        return n;
    }
    std::vector<int32_t> ProgressCodes() const {
        std::vector<int32_t> codes;
        for (const TRecordedEvent& e : Events)
            if (e.Code >= 1 && e.Code <= 100)
                codes.push_back(e.Code);
        return codes;
    }

    std::vector<TRecordedEvent> Events;
    std::function<void(const TRecordedEvent&)> OnEvent;
};

// Processes events for a while (to see that nothing more arrives).
inline void Drain(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// The names in a folder, sorted (to see that no temporary file was left behind).
inline QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A FIFO at `path` holding the first 400,000 bytes of a long WAV file and kept open by the
// returned descriptor: an encoder reading it gets past the header, creates its output and
// then waits for more, a run that never ends by itself. -1 on failure. (FFmpeg's WAV reader
// reads ahead about 100 kB before it starts, so the pipe is enlarged first.)
inline int OpenStalledWavFifo(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (mkfifo(name.constData(), 0600) != 0)
        return -1;
    const int fd = open(name.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    const QByteArray start = MakeWav(MakePcm16(44100 * 60, 2, 5), 2, 44100, 16).left(44 + 400000);
    if (write(fd, start.constData(), start.size()) != start.size()) {
        close(fd);
        return -1;
    }
    return fd;
}
