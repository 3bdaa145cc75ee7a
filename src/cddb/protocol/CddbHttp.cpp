// CDDB over HTTP with libcurl (see CddbHttp.h).
#include "cddb/protocol/CddbHttp.h"

#include "app/LanguageText.h"

#include <QUrl>

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

std::atomic<int> ConnectLimitMs{10000};
std::atomic<int> TotalLimitMs{30000};

// CDDB answers are a few kilobytes; a server that sends more is not one.
constexpr qsizetype MaxAnswerBytes = 1024 * 1024;

void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TCurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

struct TSink {
    QByteArray* Body;
    bool TooLarge = false;
};

size_t Write(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<TSink*>(user);
    const size_t bytes = size * count;
    if (sink->Body->size() + qsizetype(bytes) > MaxAnswerBytes) {
        sink->TooLarge = true;
        return 0; // ends the transfer
    }
    sink->Body->append(data, qsizetype(bytes));
    return bytes;
}

// "host" or "host:port" of a URL, for messages.
QString HostOf(const QString& url) {
    const QUrl u(url);
    if (u.host().isEmpty())
        return url;
    return u.port() > 0 ? u.host() + ':' + QString::number(u.port()) : u.host();
}

} // namespace

void SetCddbHttpLimits(int connectMs, int totalMs) {
    ConnectLimitMs = connectMs;
    TotalLimitMs = totalMs;
}

int CddbConnectLimitMs() {
    return ConnectLimitMs;
}

int CddbTotalLimitMs() {
    return TotalLimitMs;
}

bool CddbHttpGet(const QString& url, const QString& agent, const TCddbProxy& proxy, QByteArray& body, QString& error) {
    body.clear();
    error.clear();
    InitCurl();
    const std::unique_ptr<CURL, TCurlDeleter> curl(curl_easy_init());
    if (!curl) {
        error = QStringLiteral("cannot start an HTTP exchange");
        return false;
    }
    CURL* c = curl.get();
    const QByteArray urlBytes = url.toUtf8();
    const QByteArray agentBytes = agent.toUtf8();
    QByteArray proxyBytes;
    TSink sink{&body};
    char curlError[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(c, CURLOPT_USERAGENT, agentBytes.constData());
    // Only web requests: a server setting such as "file:///..." must not read local files.
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(ConnectLimitMs.load()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(TotalLimitMs.load()));
    // Worker threads: no signals for name look-up time-outs.
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Write);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, curlError);
    if (proxy.Use && !proxy.Address.trimmed().isEmpty()) {
        proxyBytes = proxy.Address.trimmed().toUtf8();
        curl_easy_setopt(c, CURLOPT_PROXY, proxyBytes.constData());
        curl_easy_setopt(c, CURLOPT_PROXYPORT, long(proxy.Port));
    }
    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK)
        return true;
    body.clear();
    QString host = HostOf(url);
    if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_PROXY) {
        if (!proxyBytes.isEmpty())
            host = proxy.Address.trimmed() + ':' + QString::number(proxy.Port);
    }
    switch (rc) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        error = ResText("RES_CDDB_NoConnect", "could not connect to %1").arg(host);
        break;
    case CURLE_OPERATION_TIMEDOUT:
        error = ResText("RES_CDDB_Timeout", "%1 did not answer in time").arg(host);
        break;
    case CURLE_WRITE_ERROR:
        if (sink.TooLarge) {
            error = ResText("RES_CDDB_TooLarge", "%1 sent an answer too large for CDDB").arg(host);
            break;
        }
        [[fallthrough]];
    default:
        error = host + QStringLiteral(": ") +
                (curlError[0] ? QString::fromLocal8Bit(curlError) : QString::fromLatin1(curl_easy_strerror(rc)));
        break;
    }
    return false;
}
