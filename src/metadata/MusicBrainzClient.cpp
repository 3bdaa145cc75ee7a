// The MusicBrainz web service (see MusicBrainzClient.h).
#include "metadata/MusicBrainzClient.h"

#include "metadata/MusicBrainzAnswer.h"
#include "platform/HttpGet.h"

#include <QThread>

#include <chrono>
#include <mutex>

namespace {

using TClock = std::chrono::steady_clock;

// MusicBrainz asks every client for at most one request a second; the whole process is one
// client.
constexpr auto RequestInterval = std::chrono::milliseconds(1000);
constexpr auto RetryDelay = std::chrono::milliseconds(2000);
constexpr int64_t AnswerLimit = 8 * 1024 * 1024;

std::mutex& PaceLock() {
    static auto* lock = new std::mutex;
    return *lock;
}
TClock::time_point LastRequest;
bool AnyRequest = false;

const char* const Includes = "inc=recordings+artist-credits+labels&fmt=json";

QString BaseOf(QString server) {
    server = server.trimmed();
    while (server.endsWith('/'))
        server.chop(1);
    return server;
}

// One GET, no sooner than a second after the process's last one.
THttpResponse PacedGet(const QString& url, const QString& agent) {
    std::lock_guard<std::mutex> guard(PaceLock());
    if (AnyRequest) {
        const auto due = LastRequest + RequestInterval;
        const auto now = TClock::now();
        if (due > now)
            QThread::msleep(std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count());
    }
    THttpRequest request;
    request.Url = url;
    request.UserAgent = agent;
    request.Headers.append({QByteArray("Accept"), QByteArray("application/json")});
    request.MaxBytes = AnswerLimit;
    THttpResponse response = HttpGet(request);
    LastRequest = TClock::now();
    AnyRequest = true;
    return response;
}

// Why an exchange brought no answer, in one line.
QString FailureText(const THttpResponse& r) {
    switch (r.Failure) {
    case THttpFailure::NoConnect:
        return QStringLiteral("could not connect to %1").arg(r.Host);
    case THttpFailure::Timeout:
        return QStringLiteral("%1 did not answer in time").arg(r.Host);
    case THttpFailure::TooLarge:
        return QStringLiteral("%1 sent an answer too large for a disc lookup").arg(r.Host);
    default:
        return r.Host + QStringLiteral(": ") + r.Detail;
    }
}

// A GET that is tried once more after 2 s when the service is busy (503).
THttpResponse GetWithRetry(const QString& url, const QString& agent) {
    THttpResponse r = PacedGet(url, agent);
    if (r.Answered && r.Status == 503) {
        QThread::msleep(std::chrono::duration_cast<std::chrono::milliseconds>(RetryDelay).count());
        r = PacedGet(url, agent);
    }
    return r;
}

QString StatusText(const THttpResponse& r) {
    QString text = QStringLiteral("MusicBrainz answered HTTP %1").arg(r.Status);
    if (r.Status == 503)
        text += QStringLiteral(" (busy) twice; try again later");
    const QString detail = MusicBrainzErrorText(r.Body);
    if (!detail.isEmpty())
        text += QStringLiteral(": ") + detail;
    return text;
}

} // namespace

QString MusicBrainzUserAgent(const TMusicBrainzOptions& options) {
    const QString contact = CleanLookupText(options.Contact);
    QString agent = QStringLiteral("Discwright/") + options.Version;
    if (!contact.isEmpty())
        agent += QStringLiteral(" ( ") + contact + QStringLiteral(" )");
    return agent;
}

QString MusicBrainzDiscIdUrl(const QString& server, const QString& discId) {
    return BaseOf(server) + QStringLiteral("/ws/2/discid/") + discId + '?' + QLatin1String(Includes);
}

QString MusicBrainzTocUrl(const QString& server, const QString& discId, const QString& toc) {
    QString plusToc = toc;
    plusToc.replace(' ', '+');
    return BaseOf(server) + QStringLiteral("/ws/2/discid/") + discId + QStringLiteral("?toc=") + plusToc +
           QStringLiteral("&cdstubs=no&") + QLatin1String(Includes);
}

TLookupAnswer LookUpMusicBrainz(const TDisc& disc, const TMusicBrainzOptions& options) {
    TLookupAnswer answer;
    answer.Source = QStringLiteral("musicbrainz");
    TMusicBrainzDisc wanted;
    wanted.DiscId = disc.MusicBrainzDiscId();
    if (wanted.DiscId.isEmpty()) {
        answer.Error = QStringLiteral("the disc has no audio track to look up");
        return answer;
    }
    answer.IdLine = QStringLiteral("mbdiscid: ") + wanted.DiscId;
    const QString toc = disc.MusicBrainzToc();
    wanted.TrackCount = toc.split(' ').size() - 3;
    const QString agent = MusicBrainzUserAgent(options);

    THttpResponse r = GetWithRetry(MusicBrainzDiscIdUrl(options.Server, wanted.DiscId), agent);
    // An id MusicBrainz does not know: the releases whose track layout is close to the disc's.
    if (r.Answered && r.Status == 404)
        r = GetWithRetry(MusicBrainzTocUrl(options.Server, wanted.DiscId, toc), agent);
    if (!r.Answered) {
        answer.Error = FailureText(r);
        return answer;
    }
    if (r.Status == 404) {
        answer.Error = QStringLiteral("MusicBrainz knows no release of this disc");
        return answer;
    }
    if (r.Status != 200) {
        answer.Error = StatusText(r);
        return answer;
    }
    ParseMusicBrainzAnswer(r.Body, wanted, answer.Candidates, answer.Error);
    return answer;
}
