// Covers from the Cover Art Archive or a file (see CoverArt.h).
#include "metadata/CoverArt.h"

#include "platform/HttpGet.h"
#include "tags/TagWriter.h"

#include <QFile>
#include <QUrl>

namespace {

bool CheckPicture(const QByteArray& data, const QString& from, QString& error) {
    if (PictureMimeType(data).isEmpty()) {
        error = from + QStringLiteral(": not a JPEG or PNG picture");
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

bool FetchCoverArt(const QString& server, const QString& releaseId, QByteArray& picture, QString& error) {
    picture.clear();
    if (releaseId.trimmed().isEmpty()) {
        error = QStringLiteral("no MusicBrainz release is known for the disc");
        return false;
    }
    THttpRequest request;
    request.Url = CoverArtUrl(server, releaseId);
    request.UserAgent = QStringLiteral("Discwright/") + QStringLiteral(DW_VERSION);
    request.MaxBytes = MaxCoverBytes;
    const THttpResponse answer = HttpGet(request);
    if (!answer.Answered) {
        switch (answer.Failure) {
        case THttpFailure::NoConnect:
            error = QStringLiteral("cover art: no connection to ") + answer.Host;
            break;
        case THttpFailure::Timeout:
            error = QStringLiteral("cover art: no answer from ") + answer.Host + QStringLiteral(" in time");
            break;
        case THttpFailure::TooLarge:
            error = QStringLiteral("cover art: the picture is larger than %1 MiB").arg(MaxCoverBytes >> 20);
            break;
        default:
            error = QStringLiteral("cover art: ") + answer.Detail;
            break;
        }
        return false;
    }
    if (answer.Status == 404) {
        error = QStringLiteral("cover art: the release has no front cover");
        return false;
    }
    if (answer.Status != 200) {
        error = QStringLiteral("cover art: the server answered HTTP %1").arg(answer.Status);
        return false;
    }
    if (!CheckPicture(answer.Body, QStringLiteral("cover art"), error))
        return false;
    picture = answer.Body;
    return true;
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
