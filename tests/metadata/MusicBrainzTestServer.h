// A web service for tests: real HTTP on 127.0.0.1 in a thread of its own (the lookups block
// the thread that calls them), answering each request with the canned status and body of the
// longest path prefix that matches it; statuses queued ahead go first (a 503, then the
// answer).
#pragma once

#include "support/HttpTestServer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TWebTestServer {
public:
    TWebTestServer();

    QString BaseUrl() const { return Server.BaseUrl(); }

    // The answer for requests whose target (path and query) begins with `prefix`; others get
    // 404 with {"error": "Not Found"}.
    void SetAnswer(const QString& prefix, int status, const QByteArray& body);
    // The next request is answered with this status (and an error body) whatever it asks.
    void QueueStatus(int status);
    // Requests get no answer until the server goes.
    void Hold(bool hold) { Server.Hold(hold); }

    // Every request received, in order: its target and its User-Agent.
    QStringList Targets() const { return Server.Targets(); }
    QStringList Agents() const { return Server.Agents(); }

private:
    THttpTestServer Server;
};
