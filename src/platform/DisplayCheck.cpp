// The GUI's check for a display (see DisplayCheck.h).
#include "platform/DisplayCheck.h"

#include <QMessageLogContext>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

// Platform names as Qt takes them: "xcb", "wayland-egl", or "xcb:option=value".
QString PlatformName(const QString& requested) {
    return requested.section(':', 0, 0).trimmed().toLower();
}

bool NeedsDisplayServer(const QString& platform) {
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

// The platforms Qt will try: -platform (also --platform) on the command line, otherwise
// QT_QPA_PLATFORM (a list separated by ";"); empty for Qt's default.
QStringList RequestedPlatforms(const std::function<QByteArray(const char*)>& getEnv, const QStringList& qtArgs) {
    for (qsizetype i = 0; i < qtArgs.size(); ++i) {
        QString arg = qtArgs[i];
        if (arg.startsWith(QLatin1String("--")))
            arg.remove(0, 1);
        if (arg == QLatin1String("-platform") && i + 1 < qtArgs.size())
            return {qtArgs[i + 1]};
    }
    return QString::fromLocal8Bit(getEnv("QT_QPA_PLATFORM")).split(';', Qt::SkipEmptyParts);
}

struct THeldMessage {
    QtMsgType Type;
    QByteArray File;
    QByteArray Function;
    QByteArray Category;
    int Line;
    QString Text;
};

std::mutex GuardLock;
QtMessageHandler PreviousHandler = nullptr;
std::vector<THeldMessage> Held;

// What xcb and wayland log just before they give up for want of a display: the display that
// could not be opened, or empty for other messages.
QString UnreachableDisplay(const QString& text) {
    if (text.contains(QLatin1String("could not connect to display"), Qt::CaseInsensitive)) {
        const QByteArray x = qgetenv("DISPLAY");
        return x.isEmpty() ? QStringLiteral("cannot open an X display, DISPLAY is not set")
                           : QStringLiteral("cannot open the display ") + QString::fromLocal8Bit(x);
    }
    if (text.contains(QLatin1String("Failed to create wl_display"), Qt::CaseInsensitive))
        return QStringLiteral("cannot open the Wayland display ") + QString::fromLocal8Bit(qgetenv("WAYLAND_DISPLAY"));
    return QString();
}

void PassOn(const THeldMessage& m) {
    const QMessageLogContext context(m.File.isEmpty() ? nullptr : m.File.constData(), m.Line,
                                     m.Function.isEmpty() ? nullptr : m.Function.constData(),
                                     m.Category.isEmpty() ? nullptr : m.Category.constData());
    qt_message_output(m.Type, context, m.Text);
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    std::unique_lock lock(GuardLock);
    if (type == QtFatalMsg) {
        QString reason;
        for (const THeldMessage& m : Held) {
            if (reason.isEmpty())
                reason = UnreachableDisplay(m.Text);
        }
        if (!reason.isEmpty()) {
            std::fputs(qPrintable(NoDisplayLine(reason)), stderr);
            std::fflush(stderr);
            std::_Exit(1);
        }
        // Not ours to explain: Qt's handling as if the guard were not there.
        qInstallMessageHandler(PreviousHandler);
        std::vector<THeldMessage> held;
        held.swap(Held);
        lock.unlock();
        for (const THeldMessage& m : held)
            PassOn(m);
        qt_message_output(type, context, text);
        return;
    }
    Held.push_back({type, QByteArray(context.file), QByteArray(context.function), QByteArray(context.category),
                    context.line, text});
}

} // namespace

QString MissingDisplayReason(const std::function<QByteArray(const char*)>& getEnv, const QStringList& qtArgs) {
    const QStringList platforms = RequestedPlatforms(getEnv, qtArgs);
    for (const QString& platform : platforms) {
        if (!NeedsDisplayServer(PlatformName(platform)))
            return QString();
    }
    if (!getEnv("DISPLAY").isEmpty() || !getEnv("WAYLAND_DISPLAY").isEmpty() || !getEnv("WAYLAND_SOCKET").isEmpty())
        return QString();
    for (const QString& arg : qtArgs) {
        if (arg == QLatin1String("-display") || arg == QLatin1String("--display"))
            return QString();
    }
    return QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
}

QString MissingDisplayReason(const QStringList& qtArgs) {
    return MissingDisplayReason([](const char* name) { return qgetenv(name); }, qtArgs);
}

QString NoDisplayLine(const QString& reason) {
    return QStringLiteral("discwright: no display (%1); run discwright-cli for the command line, or scripts/run to "
                          "try the demo disc\n")
        .arg(reason);
}

TDisplayStartGuard::TDisplayStartGuard() {
    const std::lock_guard lock(GuardLock);
    Held.clear();
    PreviousHandler = qInstallMessageHandler(HoldMessage);
}

TDisplayStartGuard::~TDisplayStartGuard() {
    std::vector<THeldMessage> held;
    {
        const std::lock_guard lock(GuardLock);
        qInstallMessageHandler(PreviousHandler);
        held.swap(Held);
    }
    for (const THeldMessage& m : held)
        PassOn(m);
}
