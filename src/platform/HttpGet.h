// HTTP GET over libcurl, for every outside service (CDDB, and the metadata and checksum
// databases). Without an explicit proxy the system's proxy variables (http_proxy, all_proxy,
// no_proxy) are honoured. Every exchange has a connect time-out and a total limit, so a server
// that never answers cannot hold a caller forever, and an answer has a size limit.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>

struct THttpProxy {
    bool Use = false;
    QString Address; // host name or address; empty = the system's proxy variables
    int Port = 80;
};

// Limits in milliseconds of every exchange; 10 s to connect, 30 s in all. Tests shorten them.
void SetHttpLimits(int connectMs, int totalMs);

// Why an exchange brought no answer.
enum class THttpFailure {
    None,
    NoConnect, // the host (or the proxy) could not be reached or resolved
    Timeout,   // no complete answer within the limits
    TooLarge,  // the answer passed MaxBytes
    Other,     // anything else; Detail says what
};

struct THttpRequest {
    QString Url; // http or https only; at most a few redirects are followed
    QString UserAgent;
    THttpProxy Proxy;
    // Extra request headers ("Accept", "application/json").
    QList<QPair<QByteArray, QByteArray>> Headers;
    int64_t MaxBytes = 1024 * 1024;
};

struct THttpResponse {
    // The server answered (whatever its HTTP status); Body holds the answer.
    bool Answered = false;
    int Status = 0; // HTTP status code of the answer
    QByteArray Body;
    // When not answered: why, the host (or proxy) it concerns ("host:port"), and for Other a
    // one-line description.
    THttpFailure Failure = THttpFailure::None;
    QString Host;
    QString Detail;
};

THttpResponse HttpGet(const THttpRequest& request);
