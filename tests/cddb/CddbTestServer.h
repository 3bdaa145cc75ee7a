// A CDDB server for tests: real HTTP on 127.0.0.1 in a thread of its own (the CDDB component
// blocks the thread that calls it), answering each request from canned texts chosen by the
// request's command ("cddb query", "cddb read rock 1f032003").
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class TCddbTestServer {
public:
    TCddbTestServer();
    ~TCddbTestServer();

    int Port() const { return ListenPort; }
    QString Host() const { return QStringLiteral("127.0.0.1:") + QString::number(ListenPort); }
    QString BaseUrl() const { return QStringLiteral("http://") + Host(); }

    // The body sent for commands that begin with `command` (the longest such prefix wins);
    // other commands get "500 Command syntax error".
    void SetAnswer(const QString& command, const QByteArray& body);
    // While held, requests get no answer until Release() (or ever).
    void Hold(bool hold);
    void Release();

    // Every request received, in order: the request target as sent (path and query, or the
    // whole URL when the server was used as a proxy), and its decoded cmd and hello values.
    QStringList Targets() const;
    QStringList Commands() const;
    QStringList Hellos() const;
    QStringList Agents() const;
    // Waits until `count` requests arrived (events are not processed); false after `ms`.
    bool WaitForRequests(int count, int ms = 5000) const;

    // A port on 127.0.0.1 where nothing listens.
    static int ClosedPort();

    class TWorker;

private:
    std::unique_ptr<class QThread> Thread;
    TWorker* Worker = nullptr;
    int ListenPort = 0;
};
