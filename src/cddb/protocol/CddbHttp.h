// The HTTP GET of CDDB queries, over libcurl. Without an explicit proxy the system's proxy
// variables (http_proxy, all_proxy, no_proxy) are honoured. Every exchange has a connect
// time-out and a total limit, so a server that never answers cannot hold a caller forever.
#pragma once

#include <QByteArray>
#include <QString>

struct TCddbProxy {
    bool Use = false;
    QString Address; // host name or address; empty = the system's proxy variables
    int Port = 80;
};

// Limits in milliseconds; 10 s to connect, 30 s in all. Tests shorten them.
void SetCddbHttpLimits(int connectMs, int totalMs);
int CddbConnectLimitMs();
int CddbTotalLimitMs();

// Fetches `url` (http or https only, at most a few redirects) sending `agent` as the user
// agent. True with the body when the server answered, whatever its HTTP status; false with a
// one-line reason in `error` ("could not connect to HOST", a time-out, a refused URL).
bool CddbHttpGet(const QString& url, const QString& agent, const TCddbProxy& proxy, QByteArray& body, QString& error);
