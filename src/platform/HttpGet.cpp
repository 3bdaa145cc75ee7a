// HTTP GET over libcurl (see HttpGet.h).
#include "platform/HttpGet.h"

#include <QUrl>

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

std::atomic<int> ConnectLimitMs{10000};
std::atomic<int> TotalLimitMs{30000};

void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TCurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

struct TSlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

struct TSink {
    QByteArray* Body;
    int64_t MaxBytes;
    bool TooLarge = false;
};

size_t Write(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<TSink*>(user);
    const size_t bytes = size * count;
    if (sink->Body->size() + int64_t(bytes) > sink->MaxBytes) {
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

void SetHttpLimits(int connectMs, int totalMs) {
    ConnectLimitMs = connectMs;
    TotalLimitMs = totalMs;
}

THttpResponse HttpGet(const THttpRequest& request) {
    THttpResponse response;
    response.Host = HostOf(request.Url);
    InitCurl();
    const std::unique_ptr<CURL, TCurlDeleter> curl(curl_easy_init());
    if (!curl) {
        response.Failure = THttpFailure::Other;
        response.Detail = QStringLiteral("cannot start an HTTP exchange");
        return response;
    }
    CURL* c = curl.get();
    const QByteArray urlBytes = request.Url.toUtf8();
    const QByteArray agentBytes = request.UserAgent.toUtf8();
    QByteArray proxyBytes;
    TSink sink{&response.Body, request.MaxBytes};
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
    std::unique_ptr<curl_slist, TSlistDeleter> headers;
    for (const auto& [name, value] : request.Headers)
        headers.reset(curl_slist_append(headers.release(), (name + ": " + value).constData()));
    if (headers)
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    if (request.Proxy.Use && !request.Proxy.Address.trimmed().isEmpty()) {
        proxyBytes = request.Proxy.Address.trimmed().toUtf8();
        curl_easy_setopt(c, CURLOPT_PROXY, proxyBytes.constData());
        curl_easy_setopt(c, CURLOPT_PROXYPORT, long(request.Proxy.Port));
    }
    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        response.Answered = true;
        response.Status = int(status);
        return response;
    }
    response.Body.clear();
    if ((rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_PROXY) && !proxyBytes.isEmpty())
        response.Host = request.Proxy.Address.trimmed() + ':' + QString::number(request.Proxy.Port);
    switch (rc) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        response.Failure = THttpFailure::NoConnect;
        break;
    case CURLE_OPERATION_TIMEDOUT:
        response.Failure = THttpFailure::Timeout;
        break;
    case CURLE_WRITE_ERROR:
        if (sink.TooLarge) {
            response.Failure = THttpFailure::TooLarge;
            break;
        }
        [[fallthrough]];
    default:
        response.Failure = THttpFailure::Other;
        response.Detail =
            curlError[0] ? QString::fromLocal8Bit(curlError) : QString::fromLatin1(curl_easy_strerror(rc));
        break;
    }
    return response;
}
