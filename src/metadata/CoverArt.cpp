// Covers from the Cover Art Archive or a file (see CoverArt.h).
#include "metadata/CoverArt.h"

#include "platform/HttpGet.h"
#include "tags/TagWriter.h"

#include <QEvent>
#include <QFile>
#include <QThread>
#include <QUrl>

namespace {

constexpr QEvent::Type CoverEventType = static_cast<QEvent::Type>(QEvent::User + 121);

class TCoverEvent : public QEvent {
public:
    TCoverEvent(int fetch, TCoverAnswer answer) : QEvent(CoverEventType), Fetch(fetch), Answer(std::move(answer)) {}
    int Fetch;
    TCoverAnswer Answer;
};

bool CheckPicture(const QByteArray& data, const QString& from, QString& error) {
    if (PictureMimeType(data).isEmpty()) {
        error = from + QStringLiteral(" is not a JPEG or PNG picture");
        return false;
    }
    return true;
}

} // namespace

QString CoverArtUrl(const QString& server, const QString& releaseId) {
    QString base = server.trimmed();
    while (base.endsWith('/'))
        base.chop(1);
    return base + QStringLiteral("/release/") + QString::fromLatin1(QUrl::toPercentEncoding(releaseId)) +
           QStringLiteral("/front-500");
}

TCoverAnswer FetchCoverArt(const QString& server, const QString& releaseId) {
    TCoverAnswer out;
    if (releaseId.trimmed().isEmpty()) {
        out.Error = QStringLiteral("no MusicBrainz release is known for the disc");
        return out;
    }
    THttpRequest request;
    request.Url = CoverArtUrl(server, releaseId);
    request.UserAgent = QStringLiteral("Discwright/") + QStringLiteral(DW_VERSION);
    request.MaxBytes = MaxCoverBytes;
    const THttpResponse answer = HttpGet(request);
    if (!answer.Answered) {
        switch (answer.Failure) {
        case THttpFailure::NoConnect:
            out.Error = QStringLiteral("no connection to ") + answer.Host;
            break;
        case THttpFailure::Timeout:
            out.Error = QStringLiteral("no answer from ") + answer.Host + QStringLiteral(" in time");
            break;
        case THttpFailure::TooLarge:
            out.Error = QStringLiteral("the picture is larger than %1 MiB").arg(MaxCoverBytes >> 20);
            out.Broken = true;
            break;
        default:
            out.Error = QStringLiteral("") + answer.Detail;
            break;
        }
        return out;
    }
    if (answer.Status == 404) {
        out.Error = QStringLiteral("the release has no front cover");
        return out;
    }
    out.Broken = true;
    if (answer.Status != 200)
        out.Error = QStringLiteral("the server answered HTTP %1").arg(answer.Status);
    else if (CheckPicture(answer.Body, QStringLiteral("the server's answer"), out.Error))
        out = TCoverAnswer{answer.Body, QString(), false};
    return out;
}

bool ReadCoverFile(const QString& path, QByteArray& picture, QString& error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": ") + f.errorString();
        return false;
    }
    if (f.size() > MaxCoverBytes) {
        error = path + QStringLiteral(": the picture is larger than %1 MiB").arg(MaxCoverBytes >> 20);
        return false;
    }
    const QByteArray data = f.readAll();
    if (!CheckPicture(data, path, error))
        return false;
    picture = data;
    return true;
}

TCoverFetch::TCoverFetch(QObject* parent) : QObject(parent) {}

void TCoverFetch::Start(const QString& server, const QString& releaseId) {
    Awaited = ++Started;
    const TGuardedReceiver inbox = Inbox.Handle();
    const int fetch = Awaited;
    QThread* asking = QThread::create(
        [inbox, server, releaseId, fetch] { inbox.Post(new TCoverEvent(fetch, FetchCoverArt(server, releaseId))); });
    connect(asking, &QThread::finished, asking, &QObject::deleteLater);
    asking->start();
}

bool TCoverFetch::event(QEvent* e) {
    if (e->type() != CoverEventType)
        return QObject::event(e);
    auto* answer = static_cast<TCoverEvent*>(e);
    if (answer->Fetch == Awaited) {
        Awaited = 0;
        Q_EMIT Fetched(answer->Answer);
    }
    return true;
}
